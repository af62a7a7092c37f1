#!/usr/bin/env bash
# Runs the saver full screen under Wine, showing sample pictures (JPEG, GIF, BMP) the script
# makes, scaled to fit and fading into each other (flags 6).
#   scripts/run.sh [--win64] [--switch /c|/p N|...] [--time MS] [--flags N] [--heads HEADS] [PICTURE...]
# With DISPLAY set it runs on that display until you close it; otherwise on a private
# virtual display, where it saves screenshots of the first pictures, then presses a key
# (for another switch: one screenshot after 3 s, then Escape). --heads gives the private
# display several monitors ("WxH+X+Y,...", see scripts/wine-session.sh).
# Exits with the saver's exit code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/steps.sh"

preset=win32 switch=/s interval=1500 flags=6 ticks=3 heads=
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

. "$root/scripts/samples.sh"
[ ${#pictures[@]} -gt 0 ] || make_samples "$root/build/samples"

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
  # The first picture shows at once and each next one an interval later, fading in over at
  # most the first half of it. Shots 0.6 into each interval and, with the fade, 0.2 into it
  # (within a fade of half the interval), timed from the first picture: the screen's centre
  # no longer black (or 5 s after the window appeared).
  timeout 60 xdotool search --sync --name '^Screen Saver$' >/dev/null
  read -r width height < <(xdotool getdisplaygeometry)
  for _ in $(seq 1 100); do
    centre=$(import -display "$DISPLAY" -window root -crop "1x1+$((width / 2))+$((height / 2))" -depth 8 txt:- | tail -1)
    [[ $centre == *"#000000"* ]] || break
    sleep 0.05
  done
  start=$(date +%s.%N)
  # Taken uncompressed (a PNG of a detailed picture takes longer than a fade) and turned into
  # PNG at the end.
  taken=()
  shoot() { # name, intervals after the start
    local due
    due=$(awk "BEGIN { printf \"%.3f\", $start + $2 * $interval / 1000 }")
    sleep "$(awk "BEGIN { d = $due - $(date +%s.%N); printf \"%.3f\", (d > 0 ? d : 0) }")"
    import -display "$DISPLAY" -window root "$shots/$1.ppm"
    taken+=("$1")
  }
  for tick in $(seq 1 "$ticks"); do
    if [ "$tick" -gt 1 ] && (( flags & 4 )); then shoot "fade-$tick" "$tick - 0.8"; fi
    shoot "tick-$tick" "$tick - 0.4"
  done
  xdotool key space
  for name in "${taken[@]}"; do
    convert "$shots/$name.ppm" "$shots/$name.png" && rm "$shots/$name.ppm"
    echo "screenshot: $shots/$name.png"
  done
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
