#!/usr/bin/env bash
# Takes the README's pictures of the three dialogs: shows each one on its own under a private
# Xvfb display and Wine prefix, with sample settings, and saves docs/<dialog>.png.
# Usage: scripts/screenshot-dialogs.sh [win32|win64]   (after a build of that preset)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/steps.sh"
preset=${1:-win32}
preview=build/$preset/tests/dialog_preview.exe
step "configure $preset" cmake --preset "$preset"
step "build the dialog preview" cmake --build --preset "$preset" --target dialog_preview

. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
set +e  # the session's start-up steps report failures that do not matter here
wine_session_start "$root/build/wineprefix-screenshots" fresh
set -e

# Without a window manager Wine draws the captions and frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
key='HKCU\Software\Velmarin\SS\0.90'
add() { wine reg add "$key" "$@" /f >/dev/null 2>&1; }
add /v Flags /t REG_DWORD /d 5
add /v UpdateTime /t REG_SZ /d 5000
pictures=('C:\Pictures\Holidays\beach.jpg' 'C:\Pictures\Holidays\harbour.gif'
          'C:\Pictures\Family\garden.bmp' 'D:\Scans\old map.bmp')
add /v NumFiles /t REG_DWORD /d ${#pictures[@]}
for i in "${!pictures[@]}"; do add /v "File_$i" /t REG_SZ /d "${pictures[$i]}"; done

find_window() { # caption -> X window id, waiting for it
  local id tries=0
  while [ $tries -lt 100 ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2; tries=$((tries + 1))
  done
  return 1
}

shoot() { # template caption picture
  wine "$preview" "$1" >/dev/null 2>&1 &
  local pid=$! window
  window=$(find_window "$2") || { echo "no window \"$2\""; kill "$pid"; return 1; }
  sleep 1
  /usr/bin/import -window "$window" "docs/$3.png"
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "docs/$3.png"
}

mkdir -p docs
shoot 2003 'Velmarin Screensaver' configuration-dialog
shoot 3000 'Velmarin Screensaver image list' image-list-dialog
shoot 103 'Velmarin screensaver ' about-box
