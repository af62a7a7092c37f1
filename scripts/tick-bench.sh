#!/usr/bin/env bash
# Builds the win32 and bench presets and runs the tick benchmark on a private display and
# prefix (build/wineprefix-bench). Another Windows build directory may be given to measure it,
# and a part of the pictures' names to measure only those.
#   scripts/tick-bench.sh [WINDOWS_BUILD_DIR [NAME_PART]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

. "$root/scripts/steps.sh"
"$root/scripts/setup.sh"
for preset in win32 bench; do
  step "configure $preset" cmake --preset "$preset"
  step "build $preset" cmake --build --preset "$preset"
done

. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
wine_session_start "$root/build/wineprefix-bench"
"$root/build/bench/bench/tick_bench" "${1:-$root/build/win32}" ${2:+"$2"}
