# Sourced by scripts/screenshot and scripts/layoutcheck: an X server with a
# window manager, and a simulated KSR-704 whose current settings hold fixed
# preset 1 (a few cuts in each channel, nine automatic rows), loaded with
# ksr704-cli. Everything started is ended when the script exits.
#   build=...       the build folder with the programs (absolute)
#   xsession_start WxH    starts Xvfb and openbox; sets DISPLAY
#   xsession_sim          starts the simulator; sets device to its link
#   xsession_stop         ends both (also on exit)

xsession_tmp=$(mktemp -d /tmp/ksr704-x.XXXXXX)
mkdir -m 700 "$xsession_tmp/runtime"
export XDG_RUNTIME_DIR=$xsession_tmp/runtime XDG_CONFIG_HOME=$xsession_tmp/config QT_QPA_PLATFORM=xcb
xsession_pids=()

xsession_stop() {
  local p
  for p in "${xsession_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${xsession_pids[@]}"; do wait "$p" 2>/dev/null || true; done
  xsession_pids=()
}
trap 'xsession_stop; rm -rf "$xsession_tmp"' EXIT

xsession_start() {
  rm -f "$xsession_tmp/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$xsession_tmp/display" 2>/dev/null &
  xsession_pids+=($!)
  for _ in $(seq 50); do [ -s "$xsession_tmp/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$xsession_tmp/display")
  openbox >/dev/null 2>&1 &
  xsession_pids+=($!)
}

xsession_sim() {
  device=$xsession_tmp/ksr704
  rm -f "$device"
  "$build/bench/ksr704-benchstate" "$xsession_tmp/state" "$xsession_tmp/speech.Fbk"
  "$build/sim/ksr704-sim" --fast --state "$xsession_tmp/state" --link "$device" >/dev/null &
  xsession_pids+=($!)
  for _ in $(seq 50); do [ -e "$device" ] && break; sleep 0.1; done
  "$build/app/ksr704-cli" --quiet --device "$device" load "$xsession_tmp/speech.Fbk"
}
