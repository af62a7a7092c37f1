#!/usr/bin/env bash
# Installs what is missing, builds the native, win32, win64 and package presets and runs every
# test: native ones directly, Windows ones under Wine on a private display and prefix (then
# the slow-file tests on the slow folder, and the monitor tests on desks of several monitors),
# and the setup program's in prefixes of its own. A failing step is named and its output
# shown; the last line counts the tests of all builds.
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
. "$root/scripts/slow-folder.sh"
trap 'slow_folder_end; wine_session_end' EXIT
echo "== starting Xvfb and the Wine prefix"
wine_session_start "$root/build/wineprefix" fresh || exit 1

passed=0 failed=0
add_counts() { # what passed failed
  echo "== $1: $2 passed, $3 failed"
  passed=$((passed + $2)); failed=$((failed + $3))
}

run_tests() { # preset [what]: runs its tests and adds them to the counts
  local preset=$1 what=${2:-$1} log summary total bad
  echo "== test $what"
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$summary" ]; then
    echo "== FAILED: $what printed no test summary (see above)"; failed=$((failed + 1)); return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  add_counts "$what" $((total - bad)) "$bad"
}

for preset in native win32 win64; do
  run_tests "$preset"
done

echo "== mounting the slow folder"
if slow_folder_start; then
  for preset in win32 win64; do
    run_tests "$preset-slowfiles" "$preset slow files"
  done
else
  failed=$((failed + 1))
fi
slow_folder_end

# The monitor tests, on desks of several monitors: each a session of its own (display and
# Wine server), on the same prefix. Heads in X pixels, the first the primary monitor: one
# to its right; one left of and below it and one right of and above it.
for heads in 1024x768+0+0,800x600+1024+0 1024x768+640+200,640x480+0+700,800x600+1664+0; do
  wine_session_end
  echo "== starting a display with the monitors $heads"
  if ! wine_session_start "$root/build/wineprefix" "" "$heads"; then
    failed=$((failed + 1)); continue
  fi
  reported=$(wine build/win32/list-monitors.exe | tr -d '\r' | grep -v '^virtual screen' | sort)
  if [ "$reported" != "$(expected_monitors "$heads")" ]; then
    printf '== FAILED: Windows does not report the monitors %s but:\n%s\n' "$heads" "$reported"
    failed=$((failed + 1)); continue
  fi
  for preset in win32 win64; do
    run_tests "$preset-monitors" "$preset on $heads"
  done
done

wine_session_end

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
