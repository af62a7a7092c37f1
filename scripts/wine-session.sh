# Sourced by the test and run commands (after steps.sh): a private Xvfb display and a
# private Wine prefix under the build tree, both ended by wine_session_end.
#
# Heads ("WxH+X+Y,..." in X pixels, the first the primary monitor) give the display those
# monitors: one screen as large as their bounding box, without RandR, so that Wine asks
# Xinerama, whose library is our stand-in reporting the heads (tests/monitors).

session_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

heads_bounding_box() { # heads: prints "WIDTHxHEIGHT" of the box holding them all
  local head width=0 height=0 IFS=,
  for head in $1; do
    if ! [[ $head =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]]; then
      echo "== FAILED: a head is not WxH+X+Y: $head" >&2; return 1
    fi
    width=$(( BASH_REMATCH[1] + BASH_REMATCH[3] > width ? BASH_REMATCH[1] + BASH_REMATCH[3] : width ))
    height=$(( BASH_REMATCH[2] + BASH_REMATCH[4] > height ? BASH_REMATCH[2] + BASH_REMATCH[4] : height ))
  done
  echo "${width}x${height}"
}

expected_monitors() { # heads: the monitors Windows reports for them, as list-monitors prints them, sorted
  local head primary='' IFS=,
  for head in $1; do
    [[ $head =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
    local x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]} size=${BASH_REMATCH[1]}x${BASH_REMATCH[2]}
    if [ -z "$primary" ]; then
      primary="$x $y"; echo "0,0 $size primary"
    else
      echo "$((x - ${primary% *})),$((y - ${primary#* })) $size"
    fi
  done | sort
}

use_heads() { # heads: builds the stand-in Xinerama library (both word sizes) and points Wine at it
  local out=$session_root/build/fake-xinerama bits
  for bits in 64 32; do
    mkdir -p "$out/$bits"
    step "build the stand-in Xinerama library ($bits-bit)" clang -m$bits -std=c99 -O2 -Wall -Wextra -Werror \
      -fPIC -shared -nostdlib -Wl,-soname,libXinerama.so.1 -o "$out/$bits/libXinerama.so.1" \
      "$session_root/tests/monitors/FakeXinerama.c" || return 1
  done
  : "${session_library_path=${LD_LIBRARY_PATH:-}}"
  export VELMARIN_HEADS=$1 LD_LIBRARY_PATH=$out/64:$out/32${session_library_path:+:$session_library_path}
}

wine_session_start() { # prefix-dir [fresh] [heads]: fresh makes the prefix anew
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local screen=1024x768 xvfb_options=()
  unset VELMARIN_HEADS
  if [ -n "${3:-}" ]; then
    screen=$(heads_bounding_box "$3") || return 1
    use_heads "$3" || return 1
    xvfb_options=(-extension RANDR)
  fi
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 "${xvfb_options[@]}" -screen 0 "${screen}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
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
  keeper_input='' xvfb_pid=''
}
