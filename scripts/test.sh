#!/usr/bin/env bash
# Installs what is missing, builds the native, win32 and win64 presets and runs every
# test: native ones directly, Windows ones under Wine on a private display and prefix.
# A failing step is named and its output shown; the last line counts the tests of all builds.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/steps.sh"

"$root/scripts/setup.sh" || { echo "== FAILED: setup (scripts/setup.sh)" >&2; exit 1; }
for preset in native win32 win64; do
  echo "== build $preset"
  step "configure $preset" cmake --preset "$preset" || exit 1
  step "build $preset" cmake --build --preset "$preset" || exit 1
done

. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
echo "== starting Xvfb and the Wine prefix"
wine_session_start "$root/build/wineprefix" fresh || exit 1

passed=0 failed=0
for preset in native win32 win64; do
  echo "== test $preset"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$summary" ]; then
    echo "== FAILED: $preset printed no test summary (see above)"; failed=$((failed + 1)); continue
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  echo "== $preset: $((total - bad)) passed, $bad failed"
  passed=$((passed + total - bad)); failed=$((failed + bad))
done

echo "== all presets"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
