// Drives Debian's chromium, headless, for a test that runs as another
// process: one JSON request a line on standard input, one JSON answer a
// line on standard output ({"ok": true, "value": ...} or {"ok": false,
// "error": "..."}), in order. Each named page has a browser context of its
// own (its own session storage). The browser's first line is
// {"ok": true, "value": "ready"}.
//
// Requests: {"op": "open", "page": NAME, "url": URL, "width": W, "height": H}
//           {"op": "wait", "page": NAME, "expr": JS, "timeoutMs": MS}  (until JS is truthy; its value)
//           {"op": "eval", "page": NAME, "expr": JS}
//           {"op": "click", "page": NAME, "selector": CSS}              (a real pointer click)
//           {"op": "offline", "page": NAME, "on": BOOL}                 (the page's network cut, or back)
//           {"op": "reload", "page": NAME}
//           {"op": "problems", "page": NAME}   (script errors, refused content, console errors so far)
//           {"op": "screenshot", "page": NAME, "path": FILE}
//           {"op": "close", "page": NAME}
import process from 'node:process';
import readline from 'node:readline';
import puppeteer from 'puppeteer-core';

const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
const args = ['--no-first-run', '--no-default-browser-check', '--disable-gpu', '--disable-extensions',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', '--metrics-recording-only',
  '--no-proxy-server'];
// Chromium's sandbox needs an unprivileged user; CI runs as root.
if (process.getuid && process.getuid() === 0)
  args.push('--no-sandbox');

const pages = new Map();

function Answer(value) {
  process.stdout.write(JSON.stringify({ ok: true, value: value === undefined ? null : value }) + '\n');
}

function Fail(error) {
  process.stdout.write(JSON.stringify({ ok: false, error: String(error && error.message ? error.message : error) }) + '\n');
}

function PageOf(name) {
  const entry = pages.get(name);
  if (!entry)
    throw new Error('no page "' + name + '"');
  return entry;
}

async function Open(browser, request) {
  if (pages.has(request.page))
    throw new Error('page "' + request.page + '" is open already');
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push('script error: ' + error.message));
  page.on('console', (message) => {
    if (message.type() === 'error')
      problems.push('console: ' + message.text());
  });
  await page.setViewport({ width: request.width || 390, height: request.height || 844, deviceScaleFactor: request.scale || 1, isMobile: !!request.mobile, hasTouch: !!request.mobile });
  pages.set(request.page, { context, page, problems });
  // Refused content (the page's own policy) is reported by the page itself.
  await page.evaluateOnNewDocument(() => {
    document.addEventListener('securitypolicyviolation', (event) => {
      console.error('refused by the content policy: ' + event.violatedDirective + ' ' + event.blockedURI);
    });
  });
  await page.goto(request.url, { waitUntil: 'load' });
  return page.url();
}

async function Handle(browser, request) {
  switch (request.op) {
    case 'open':
      return Open(browser, request);
    case 'wait': {
      const { page } = PageOf(request.page);
      const handle = await page.waitForFunction(request.expr, { timeout: request.timeoutMs || 10000, polling: 25 });
      return handle.jsonValue();
    }
    case 'eval':
      return PageOf(request.page).page.evaluate(request.expr);
    case 'click': {
      const { page } = PageOf(request.page);
      await page.click(request.selector);
      return true;
    }
    case 'offline': {
      const { page } = PageOf(request.page);
      await page.setOfflineMode(!!request.on);
      return true;
    }
    case 'reload':
      await PageOf(request.page).page.reload({ waitUntil: 'load' });
      return PageOf(request.page).page.url();
    case 'problems':
      return PageOf(request.page).problems;
    case 'screenshot':
      await PageOf(request.page).page.screenshot({ path: request.path });
      return request.path;
    case 'close': {
      const entry = PageOf(request.page);
      pages.delete(request.page);
      await entry.context.close();
      return true;
    }
    default:
      throw new Error('unknown op "' + request.op + '"');
  }
}

async function Main() {
  let browser;
  try {
    browser = await puppeteer.launch({ executablePath, headless: true, args, protocolTimeout: 30000 });
  } catch (error) {
    Fail('chromium did not start: ' + error.message);
    process.exit(1);
  }
  Answer('ready');
  const lines = readline.createInterface({ input: process.stdin });
  // One request at a time, in order.
  let queue = Promise.resolve();
  lines.on('line', (line) => {
    queue = queue.then(async () => {
      let request;
      try {
        request = JSON.parse(line);
      } catch (error) {
        Fail('not JSON: ' + line);
        return;
      }
      try {
        Answer(await Handle(browser, request));
      } catch (error) {
        Fail(error);
      }
    });
  });
  lines.on('close', () => {
    queue.then(() => browser.close()).finally(() => process.exit(0));
  });
}

Main();
