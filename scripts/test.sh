#!/usr/bin/env bash
# Installs what is missing, builds the native, win32, win64 and package presets and runs every
# test: native ones directly, Windows ones under Wine on a private display and prefix, and the
# setup program's in prefixes of its own. A failing step is named and its output shown; the
# last line counts the tests of all builds.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/steps.sh"

"$root/scripts/setup.sh" || { echo "== FAILED: setup (scripts/setup.sh)" >&2; exit 1; }
for preset in native win32 win64 package; do
  echo "== build $preset"
  step "configure $preset" cmake --preset "$preset" || exit 1
  step "build $preset" cmake --build --preset "$preset" || exit 1
done

. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
echo "== starting Xvfb and the Wine prefix"
wine_session_start "$root/build/wineprefix" fresh || exit 1

passed=0 failed=0
add_counts() { # what passed failed
  echo "== $1: $2 passed, $3 failed"
  passed=$((passed + $2)); failed=$((failed + $3))
}

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
  add_counts "$preset" $((total - bad)) "$bad"
done

echo "== test installer"
log=$(mktemp)
"$root/tests/installer/installer_test.sh" 2>&1 | tee "$log"
summary=$(tail -n 1 "$log")
rm -f "$log"
if [[ $summary =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
  add_counts installer "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
else
  echo "== FAILED: the installer tests printed no summary (see above)"; failed=$((failed + 1))
fi

echo "== all presets"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
