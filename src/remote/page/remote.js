// The stage remote's page: pairs with the token of its link, shows the
// program's state as it changes, and sends the commands of its buttons
// (docs/remote-api.md). Plain script, no framework: the program serves it
// from its own resources.
'use strict';

(function () {
  const Api = 1;
  const TokenKey = 'ksr704.token';
  const RetryFirstMs = 500;
  const RetryMostMs = 4000;
  // A page hidden this long may hold a socket that died in its sleep.
  const StaleAfterHiddenMs = 5000;

  const CurveTopDb = 10;
  const CurveBottomDb = -50;
  const CurveLowHz = 20;
  const CurveHighHz = 20000;

  const InvalidLink = "This link is not valid any more: scan the code in the program's Stage remote window again";
  const NoLink = "Open the remote through a link: scan the code in the program's Stage remote window.";

  const $ = (id) => document.getElementById(id);

  // What the page knows: the last state with every change applied.
  const view = {
    state: null,
    rights: null,
    journal: [],
    socketOpen: false,
    welcomed: false,
    stopped: false,
    pending: new Map(),
  };

  // ---- The token: from the link's fragment, kept for a reload. ----

  function TakeToken() {
    const fragment = new URLSearchParams(location.hash.replace(/^#/, ''));
    const fromLink = fragment.get('t');
    if (fromLink) {
      sessionStorage.setItem(TokenKey, fromLink);
      // The token leaves the address bar, so that it is not shown or shared.
      history.replaceState(null, '', location.pathname + location.search);
      return fromLink;
    }
    return sessionStorage.getItem(TokenKey);
  }

  // ---- The socket: pairs, reconnects with backoff, applies messages. ----

  let socket = null;
  let token = null;
  let retryMs = RetryFirstMs;
  let retryTimer = null;
  let hiddenSince = null;
  let nextId = 1;

  function Connect() {
    clearTimeout(retryTimer);
    retryTimer = null;
    if (view.stopped || !token)
      return;
    if (socket) {
      Drop(socket);
      view.socketOpen = false;
      view.welcomed = false;
      FailPending();
    }
    const ws = new WebSocket('ws://' + location.host + '/ws');
    socket = ws;
    ws.onopen = () => {
      if (ws !== socket)
        return;
      view.socketOpen = true;
      ws.send(JSON.stringify({ type: 'hello', api: Api, token: token }));
    };
    ws.onmessage = (event) => {
      if (ws === socket)
        Received(event.data);
    };
    ws.onclose = (event) => {
      if (ws === socket)
        Closed(event.code, event.reason);
    };
    Render();
  }

  // Lets go of a socket without hearing from it again.
  function Drop(ws) {
    ws.onopen = ws.onmessage = ws.onclose = null;
    try {
      ws.close(1000);
    } catch (e) {
      // Closing a socket that never opened may throw: it is gone either way.
    }
  }

  function Closed(code, reason) {
    socket = null;
    view.socketOpen = false;
    view.welcomed = false;
    FailPending();
    if (code === 4401) {
      sessionStorage.removeItem(TokenKey);
      Stop(InvalidLink, false);
    } else if (code === 4001) {
      Stop((reason ? reason + ' ' : '') + "Scan the code in the program's Stage remote window again.", true);
    } else if (code === 4404) {
      Stop('This page does not fit this program.', false);
    } else {
      // 4429 (blocked) and 4503 (full) wait longer before the next try.
      const wait = code === 4429 ? 61000 : code === 4503 ? RetryMostMs : retryMs;
      retryMs = Math.min(retryMs * 2, RetryMostMs);
      retryTimer = setTimeout(Connect, wait);
    }
    Render();
  }

  // Ends the connection for good, with `text` for the user.
  function Stop(text, canRetry) {
    view.stopped = true;
    clearTimeout(retryTimer);
    if (socket) {
      Drop(socket);
      socket = null;
    }
    view.socketOpen = false;
    view.welcomed = false;
    $('notice-text').textContent = text;
    $('retry').hidden = !canRetry;
    $('notice').hidden = false;
  }

  function Received(text) {
    let message;
    try {
      message = JSON.parse(text);
    } catch (e) {
      return;
    }
    switch (message.type) {
      case 'welcome':
        view.welcomed = true;
        view.rights = message.rights;
        retryMs = RetryFirstMs;
        break;
      case 'state':
        view.state = message;
        view.journal = Array.isArray(message.journal) ? message.journal.slice() : [];
        RenderChannels();
        RenderJournal();
        break;
      case 'change':
        ApplyChange(message);
        break;
      case 'journal':
        if (Array.isArray(message.rows)) {
          view.journal.push(...message.rows);
          RenderJournal();
        }
        break;
      case 'reply':
      case 'error':
        Answered(message);
        break;
    }
    Render();
  }

  function ApplyChange(change) {
    const state = view.state;
    if (!state)
      return;
    for (const key of Object.keys(change)) {
      if (key === 'type' || key === 'origin')
        continue;
      if (key === 'channels') {
        // A channel that changed comes whole.
        for (const channel of change.channels)
          state.channels[channel.channel] = channel;
      } else {
        state[key] = change[key];
      }
    }
    if (change.channels)
      RenderChannels(change.channels.map((c) => c.channel));
  }

  // ---- Commands: each answered once, by reply or error, with its id. ----

  function Send(cmd, fields, source) {
    return new Promise((resolve, reject) => {
      if (!socket || !view.welcomed) {
        reject({ code: 'offline', message: 'Not connected: the command was not sent.' });
        return;
      }
      const id = nextId++;
      view.pending.set(id, { resolve, reject, source });
      socket.send(JSON.stringify(Object.assign({ type: 'command', id: id, cmd: cmd }, fields)));
      Render();
    });
  }

  function Answered(message) {
    const entry = view.pending.get(message.id);
    if (message.type === 'error' && !entry) {
      // A refusal before pairing is followed by the close, which says it.
      if (view.welcomed)
        Toast(message.message || message.code);
      return;
    }
    if (!entry)
      return;
    view.pending.delete(message.id);
    if (message.type === 'reply')
      entry.resolve(message);
    else
      entry.reject(message);
  }

  function FailPending() {
    const entries = [...view.pending.values()];
    view.pending.clear();
    for (const entry of entries)
      entry.reject({ code: 'offline', message: 'The connection was lost: the command may not have acted.' });
  }

  function Busy(source) {
    for (const entry of view.pending.values()) {
      if (entry.source === source)
        return true;
    }
    return false;
  }

  function Act(cmd, fields, source) {
    return Send(cmd, fields, source).catch((error) => {
      Toast(error.message || error.code);
      return null;
    });
  }

  // ---- What may act now: the editor's locks. ----

  function CanControl() {
    return view.welcomed && view.rights === 'control' && view.state !== null
      && view.state.connection !== 'lost';
  }

  function SearchOff() {
    return view.state !== null && view.state.search === 'off';
  }

  // ---- Drawing. ----

  function Render() {
    const state = view.state;
    const status = $('status');
    let look;
    let text;
    if (view.stopped) {
      look = 'ended';
      text = 'Not connected';
    } else if (!view.welcomed) {
      look = state ? 'reconnecting' : 'connecting';
      text = state ? 'Reconnecting…' : 'Connecting…';
    } else if (state && state.connection === 'lost') {
      look = 'lost';
      text = 'Device lost';
    } else if (state && state.connection === 'demo') {
      look = 'demo';
      text = 'Demo';
    } else {
      look = 'connected';
      text = state && state.busy ? 'Connected, waiting for the device' : 'Connected';
    }
    status.dataset.state = look;
    $('status-text').textContent = text;
    document.body.classList.toggle('stale', !view.welcomed);
    document.body.classList.toggle('watch', view.rights === 'watch');
    document.body.classList.toggle('unpaired', state === null);
    $('watching').hidden = view.rights !== 'watch';
    $('preset').textContent = state && state.preset ? [state.preset.name, state.preset.source].filter(Boolean).join(' · ') : '';

    const control = CanControl();
    const off = SearchOff();
    const history = (state && state.history) || {};
    $('undo').disabled = !(control && off && history.undo) || Busy('undo');
    $('redo').disabled = !(control && off && history.redo) || Busy('redo');
    for (const button of document.querySelectorAll('button.search')) {
      const which = button.dataset.which;
      const running = state !== null && state.search === which;
      button.classList.toggle('running', running);
      button.setAttribute('aria-pressed', running ? 'true' : 'false');
      button.querySelector('.action').textContent = running ? 'Stop' : 'Start';
      button.disabled = !(control && (off || running)) || Busy('search');
    }
    for (const keep of document.querySelectorAll('button.keep'))
      keep.disabled = !(control && off) || Busy('keep');
  }

  const channelViews = [];

  function ChannelView(index) {
    if (channelViews[index])
      return channelViews[index];
    const node = $('channel-template').content.firstElementChild.cloneNode(true);
    node.dataset.channel = String(index);
    node.id = 'channel-' + index;
    const rows = node.querySelector('tbody');
    for (let r = 0; r < 12; ++r) {
      const tr = document.createElement('tr');
      for (let c = 0; c < 5; ++c)
        tr.appendChild(document.createElement('td'));
      rows.appendChild(tr);
    }
    node.querySelector('button.keep').addEventListener('click', () => AskKeep(index));
    $('channels').appendChild(node);
    const v = { node, rows, canvas: node.querySelector('canvas'), channel: null };
    channelViews[index] = v;
    return v;
  }

  function RenderChannels(which) {
    const state = view.state;
    if (!state || !Array.isArray(state.channels))
      return;
    const indexes = which || state.channels.map((c, i) => i);
    for (const i of indexes) {
      const channel = state.channels[i];
      if (!channel)
        continue;
      const v = ChannelView(i);
      v.channel = channel;
      v.node.querySelector('.name').textContent = channel.name;
      v.node.querySelector('.auto-count').textContent = String(channel.autoCount);
      v.node.querySelector('.sensitivity').textContent = String(channel.sensitivity);
      v.canvas.setAttribute('aria-label', 'Response curve of ' + channel.name);
      RenderNotches(v, channel);
      DrawCurve(v);
    }
  }

  function RenderNotches(v, channel) {
    const trs = v.rows.children;
    channel.notches.forEach((notch, r) => {
      const tr = trs[r];
      if (!tr)
        return;
      const cells = tr.children;
      cells[0].textContent = String(notch.row);
      cells[1].textContent = notch.frequency;
      cells[2].textContent = notch.gainDb === 0 ? '0' : String(notch.gainDb);
      cells[3].textContent = notch.width;
      cells[4].textContent = notch.automatic ? 'Auto' : 'Manual';
      tr.className = (notch.automatic ? 'auto' : 'manual') + (notch.gainDb === 0 ? ' flat' : '');
    });
  }

  function CssColour(name) {
    return getComputedStyle(document.documentElement).getPropertyValue(name).trim();
  }

  // The curve on a log axis 20 Hz-20 kHz, +10 to -50 dB, with each notch
  // that cuts marked: automatic ones in the search's colour.
  function DrawCurve(v) {
    const canvas = v.canvas;
    const channel = v.channel;
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.clientWidth;
    const height = canvas.clientHeight;
    if (width === 0 || height === 0 || !channel)
      return;
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.clearRect(0, 0, width, height);
    const xOf = (hz) => (Math.log(hz / CurveLowHz) / Math.log(CurveHighHz / CurveLowHz)) * width;
    const yOf = (db) => ((CurveTopDb - Math.max(CurveBottomDb, Math.min(CurveTopDb, db))) / (CurveTopDb - CurveBottomDb)) * height;

    g.lineWidth = 1;
    g.font = '11px system-ui, sans-serif';
    g.fillStyle = CssColour('--grid-text');
    for (let db = CurveTopDb; db >= CurveBottomDb; db -= 10) {
      g.strokeStyle = db === 0 ? CssColour('--grid-zero') : CssColour('--grid');
      const y = Math.round(yOf(db)) + 0.5;
      g.beginPath();
      g.moveTo(0, y);
      g.lineTo(width, y);
      g.stroke();
      if (db !== CurveTopDb && db !== CurveBottomDb)
        g.fillText(String(db), 3, y - 3);
    }
    const marks = [[50, '50'], [100, '100'], [200, ''], [500, '500'], [1000, '1k'], [2000, ''], [5000, '5k'], [10000, '10k']];
    g.strokeStyle = CssColour('--grid');
    for (const [hz, label] of marks) {
      const x = Math.round(xOf(hz)) + 0.5;
      g.beginPath();
      g.moveTo(x, 0);
      g.lineTo(x, height);
      g.stroke();
      if (label)
        g.fillText(label, x + 3, height - 4);
    }

    const curve = Array.isArray(channel.curve) ? channel.curve : [];
    if (curve.length > 1) {
      g.strokeStyle = CssColour('--curve');
      g.lineWidth = 2;
      g.lineJoin = 'round';
      g.beginPath();
      curve.forEach((db, i) => {
        const x = (i / (curve.length - 1)) * width;
        if (i === 0)
          g.moveTo(x, yOf(db));
        else
          g.lineTo(x, yOf(db));
      });
      g.stroke();
    }

    for (const notch of channel.notches) {
      if (notch.gainDb === 0)
        continue;
      g.fillStyle = notch.automatic ? CssColour('--auto') : CssColour('--manual');
      g.beginPath();
      g.arc(xOf(notch.hz), yOf(notch.gainDb), 4, 0, 2 * Math.PI);
      g.fill();
    }
  }

  function TimeOf(row) {
    const at = typeof row.time === 'string' ? row.time.indexOf('T') : -1;
    return at >= 0 ? row.time.slice(at + 1) : row.time || '';
  }

  const EventNames = { placed: 'placed', gain: 'deeper', kept: 'kept' };

  function RenderJournal() {
    const list = $('journal-rows');
    const items = [];
    for (let i = view.journal.length - 1; i >= 0; --i) {
      const row = view.journal[i];
      const li = document.createElement('li');
      if (row.note !== undefined) {
        li.className = 'note';
        li.textContent = row.note;
      } else {
        li.className = 'event ' + (row.event || '');
        const time = document.createElement('span');
        time.className = 'time';
        time.textContent = TimeOf(row);
        const what = document.createElement('span');
        what.className = 'what';
        what.textContent = row.channel + ' ' + row.notch + ' ' + (EventNames[row.event] || row.event);
        const value = document.createElement('span');
        value.className = 'value';
        value.textContent = row.frequency + ' Hz  ' + row.gainDb + ' dB  ' + row.width;
        li.append(time, what, value);
      }
      items.push(li);
    }
    list.replaceChildren(...items);
    $('journal-empty').hidden = items.length > 0;
  }

  let toastTimer = null;

  function Toast(text) {
    const toast = $('toast');
    toast.textContent = text;
    toast.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => {
      toast.hidden = true;
    }, 4000);
  }

  // ---- Keep found notches: the window's question, then keep. ----

  function Ask(text, yesText) {
    const dialog = $('ask');
    $('ask-text').textContent = text;
    $('ask-yes').textContent = yesText || 'Keep';
    $('ask-yes').hidden = !yesText;
    $('ask-no').textContent = yesText ? 'Cancel' : 'OK';
    return new Promise((resolve) => {
      const done = (answer) => {
        $('ask-yes').onclick = $('ask-no').onclick = dialog.oncancel = null;
        dialog.close();
        resolve(answer);
      };
      $('ask-yes').onclick = () => done(true);
      $('ask-no').onclick = () => done(false);
      dialog.oncancel = (event) => {
        event.preventDefault();
        done(false);
      };
      dialog.showModal();
    });
  }

  async function AskKeep(channel) {
    const plan = await Act('keepPlan', { channel: channel }, 'keep');
    if (!plan)
      return;
    const count = typeof plan.keep === 'number' ? plan.keep : 0;
    const yes = count > 0 ? (count === 1 ? 'Keep 1 notch' : 'Keep ' + count + ' notches') : null;
    if (await Ask(plan.text || '', yes))
      await Act('keep', { channel: channel }, 'keep');
  }

  // ---- Start. ----

  function Wire() {
    for (const button of document.querySelectorAll('button.search')) {
      button.addEventListener('click', () => {
        const running = view.state && view.state.search === button.dataset.which;
        Act('search', { which: button.dataset.which, on: !running }, 'search');
      });
    }
    $('undo').addEventListener('click', () => Act('undo', {}, 'undo'));
    $('redo').addEventListener('click', () => Act('redo', {}, 'redo'));
    $('retry').addEventListener('click', () => {
      view.stopped = false;
      $('notice').hidden = true;
      retryMs = RetryFirstMs;
      Connect();
    });
    // A phone back from sleep, or back on the network, reconnects at once and
    // gets the whole state.
    document.addEventListener('visibilitychange', () => {
      if (document.hidden) {
        hiddenSince = Date.now();
        return;
      }
      const stale = hiddenSince !== null && Date.now() - hiddenSince > StaleAfterHiddenMs;
      hiddenSince = null;
      if (!socket || stale)
        Connect();
    });
    window.addEventListener('online', () => {
      if (!socket || !view.welcomed)
        Connect();
    });
    let redraw = null;
    window.addEventListener('resize', () => {
      cancelAnimationFrame(redraw);
      redraw = requestAnimationFrame(() => channelViews.forEach((v) => v && DrawCurve(v)));
    });
  }

  Wire();
  token = TakeToken();
  if (!token)
    Stop(NoLink, false);
  Render();
  Connect();
}());
