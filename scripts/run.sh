#!/usr/bin/env bash
# Runs the saver full screen under Wine, showing sample pictures (JPEG, GIF, BMP) the script makes.
#   scripts/run.sh [--win64] [--switch /c|/p N|...] [--time MS] [--flags N] [--heads HEADS] [PICTURE...]
# With DISPLAY set it runs on that display until you close it; otherwise on a private
# virtual display, where it saves screenshots of the first ticks, then presses a key
# (for another switch: one screenshot after 3 s, then Escape). --heads gives the private
# display several monitors ("WxH+X+Y,...", see scripts/wine-session.sh).
# Exits with the saver's exit code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/steps.sh"

preset=win32 switch=/s interval=1500 flags=2 ticks=3 heads=
pictures=()
while [ $# -gt 0 ]; do
  case $1 in
    --win64) preset=win64 ;;
    --switch) switch=$2; shift ;;
    --time) interval=$2; shift ;;
    --flags) flags=$2; shift ;;
    --heads) heads=$2; shift ;;
    *) pictures+=("$(realpath "$1")") ;;
  esac
  shift
done

"$root/scripts/setup.sh"
step "configure $preset" cmake --preset "$preset"
step "build $preset" cmake --build --preset "$preset"

samples=$root/build/samples
make_samples() {
  mkdir -p "$samples"
  local convert=/usr/bin/convert
  $convert -size 800x600 -seed 7 plasma:fractal -quality 90 JPEG:"$samples/plasma.jpg"
  # GIF87a: the saver shows a GIF whose first block is the image (no extensions before it).
  $convert -size 640x480 gradient:navy-gold -swirl 120 GIF87:"$samples/swirl.gif"
  $convert -size 320x200 pattern:checkerboard -fill crimson -draw 'circle 160,100 160,20' BMP3:"$samples/circle.bmp"
  pictures=("$samples/plasma.jpg" "$samples/swirl.gif" "$samples/circle.bmp")
}
[ ${#pictures[@]} -gt 0 ] || make_samples

. "$root/scripts/wine-session.sh"
private_display=0
if [ -z "${DISPLAY:-}" ]; then
  private_display=1
  trap wine_session_end EXIT
  wine_session_start "$root/build/wineprefix-run" "" "$heads"
else
  export WINEPREFIX=$root/build/wineprefix-run WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1
fi

windows_paths=()
for picture in "${pictures[@]}"; do windows_paths+=("$(winepath -w "$picture" 2>/dev/null)"); done
wine "build/$preset/seed-images.exe" --time "$interval" --flags "$flags" "${windows_paths[@]}"

# shellcheck disable=SC2086
wine "build/$preset/velmarin.scr" $switch &
saver=$!
shots=$root/build/screenshots
mkdir -p "$shots"
if [ "$private_display" = 1 ] && [ "$switch" = /s ]; then
  # Shots half-way between ticks, timed from the window's appearance.
  timeout 60 xdotool search --sync --name '^Screen Saver$' >/dev/null
  start=$(date +%s.%N)
  for tick in $(seq 1 "$ticks"); do
    due=$(awk "BEGIN { printf \"%.3f\", $start + ($tick + 0.5) * $interval / 1000 }")
    sleep "$(awk "BEGIN { d = $due - $(date +%s.%N); printf \"%.3f\", (d > 0 ? d : 0) }")"
    import -display "$DISPLAY" -window root "$shots/tick-$tick.png"
    echo "screenshot: $shots/tick-$tick.png"
  done
  xdotool key space
elif [ "$private_display" = 1 ]; then
  # Another mode (a dialog, say): a picture of what it shows after 3 s, then Escape.
  sleep 3
  if kill -0 "$saver" 2>/dev/null; then
    import -display "$DISPLAY" -window root "$shots/switch.png"
    echo "screenshot: $shots/switch.png"
    # No window manager gives the dialog the keyboard: focus it, then press Escape.
    xdotool search --onlyvisible --name '^Velmarin Screensaver$' windowfocus --sync key Escape || kill "$saver"
  fi
fi
status=0
wait "$saver" || status=$?
echo "saver exit code: $status"
exit "$status"
