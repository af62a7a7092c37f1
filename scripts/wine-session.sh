# Sourced by the test and run commands: a private Xvfb display and a private Wine
# prefix under the build tree, both ended by wine_session_end.

wine_session_start() { # prefix-dir [fresh]: fresh makes the prefix anew
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  local tries=0
  while [ ! -s "$fdfile" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  export DISPLAY=":$(cat "$fdfile")"
  rm -f "$fdfile"
  [ "${2:-}" = fresh ] && rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p  # one server for the whole session keeps the prefix warm
  wineboot -i >/dev/null 2>&1
}

wine_session_end() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
}
