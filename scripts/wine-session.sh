# Sourced by the test and run commands (after steps.sh): a private Xvfb display and a
# private Wine prefix under the build tree, both ended by wine_session_end.

wine_session_start() { # prefix-dir [fresh]: fresh makes the prefix anew
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  local tries=0
  while [ ! -s "$fdfile" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  if [ ! -s "$fdfile" ]; then
    echo "== FAILED: Xvfb did not start" >&2; rm -f "$fdfile"; return 1
  fi
  export DISPLAY=":$(cat "$fdfile")"
  rm -f "$fdfile"
  [ "${2:-}" = fresh ] && rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p  # one server for the whole session keeps the prefix warm
  step "boot the Wine prefix $WINEPREFIX" wineboot -i
  # No window manager runs: windows left unmanaged are not waited for (2 s) when they hide.
  step "set up Wine's X11 driver" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  # Wine stops its system processes when no program runs and starts them again with the next
  # one, which hands them its output: ctest would then wait for them to end (up to 20 s). A
  # command prompt waiting for input keeps them up for the whole session.
  local fifo; fifo=$(mktemp -u)
  mkfifo "$fifo"
  wine cmd.exe <"$fifo" >/dev/null 2>&1 &
  exec {keeper_input}>"$fifo"
  rm -f "$fifo"
}

wine_session_end() {
  [ -n "${keeper_input:-}" ] && exec {keeper_input}>&- || true
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
}
