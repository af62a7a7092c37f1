#!/usr/bin/env bash
# Measures the fade and the enlarging (programs, not tests) on a private display and prefix
# (build/wineprefix-bench), with the sample pictures of the run command, scaled to fit:
#   - the enlarging of a 640 x 480 picture fitted to 1920 x 1080, natively and under Wine;
#   - the window thread's time in a tick and in each frame of a fade, at 1024 x 768;
#   - the CPU seconds the saver and the X server use over a minute of the show at the
#     default interval (3000 ms), with and without the fade.
#   scripts/fade-bench.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

. "$root/scripts/steps.sh"
"$root/scripts/setup.sh"
step "configure win32" cmake --preset win32
step "build win32" cmake --build --preset win32 --target velmarin seed-images time-tick-handler time-enlarging
step "configure bench" cmake --preset bench
step "build bench" cmake --build --preset bench --target time_enlarging

. "$root/scripts/samples.sh"
make_samples "$root/build/samples"
. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
wine_session_start "$root/build/wineprefix-bench"

windows_paths=()
for picture in "${pictures[@]}"; do windows_paths+=("$(winepath -w "$picture" 2>/dev/null)"); done
seed() { wine build/win32/seed-images.exe --time "$1" --flags "$2" "${windows_paths[@]}" >/dev/null; }

echo "== enlarging, native"
build/bench/bench/time_enlarging
echo "== enlarging, under Wine"
wine build/win32/time-enlarging.exe

for flags in 2 6; do
  echo "== window thread, flags $flags (median and longest tick in ms)"
  seed 1000000 "$flags"
  wine build/win32/time-tick-handler.exe 6
done

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hertz=$(getconf CLK_TCK)
for flags in 2 6; do
  seed 3000 "$flags"
  xvfb_before=$(cpu_ticks "$xvfb_pid")
  wine build/win32/velmarin.scr /s &
  saver=$!
  sleep "$seconds"
  saver_ticks=$(cpu_ticks "$saver")
  xvfb_ticks=$(( $(cpu_ticks "$xvfb_pid") - xvfb_before ))
  DISPLAY=$DISPLAY xdotool key space
  wait "$saver" || true
  awk -v f="$flags" -v s="$seconds" -v a="$saver_ticks" -v x="$xvfb_ticks" -v h="$hertz" \
    'BEGIN { printf "== CPU over %d s, flags %d: saver %.2f s, X server %.2f s\n", s, f, a / h, x / h }'
done
