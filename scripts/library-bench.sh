#!/usr/bin/env bash
# Library benchmark: a generated library of 100,000 pictures in 1,000 folders (hard links of
# three small files, in build/library-bench/library: 10 folders of 100 folders of 100), shown
# by the win32 build under Wine on a private display and prefix (build/wineprefix-bench).
# Prints the first picture's time in both orders, where random order's first picks come
# from, the walk's time against find and Python's os.walk of the same tree in the same
# run, and the saver's peak resident memory with that library against a one-picture list.
#   scripts/library-bench.sh [WINDOWS_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-$root/build/win32}

. "$root/scripts/steps.sh"
"$root/scripts/setup.sh"
if [ -z "${1:-}" ]; then
  step "configure win32" cmake --preset win32
  step "build win32" cmake --build --preset win32 --target velmarin seed-images library-bench
fi

library=$root/build/library-bench/library
make_library() { # three BMPs, each linked into every folder
  python3 - "$library" <<'PY'
import os, struct, sys
root = sys.argv[1]
os.makedirs(root, exist_ok=True)
def bmp(colour, width=64, height=48):
    row = bytes(colour) * width
    pixels = row * height
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return header + info + pixels
sources = []
for i, colour in enumerate([(0, 0, 255), (0, 255, 0), (255, 0, 0)]):
    path = os.path.join(os.path.dirname(root), 'source%d.bmp' % i)
    with open(path, 'wb') as f:
        f.write(bmp(colour))
    sources.append(path)
for top in range(10):
    for sub in range(100):
        folder = os.path.join(root, 'group%02d' % top, 'folder%03d' % sub)
        os.makedirs(folder, exist_ok=True)
        for picture in range(100):
            os.link(sources[picture % 3], os.path.join(folder, 'picture%d.bmp' % picture))
PY
}
if [ ! -d "$library/group09/folder099" ] || [ "$(ls "$library/group09/folder099" | wc -l)" != 100 ]; then
  rm -rf "$root/build/library-bench"
  step "make the library" make_library
fi
windows_library="Z:${library//\//\\}"
one_picture="Z:${root//\//\\}\\build\\library-bench\\source0.bmp"

milliseconds() { date +%s%N | cut -c1-13; }
native_walks() { # find, then os.walk, each after a warm-up walk of its own
  find "$library" -type f >/dev/null
  local start; start=$(milliseconds)
  local found; found=$(find "$library" -type f | wc -l)
  echo "find-ms $(( $(milliseconds) - start )) ($found files)"
  python3 - "$library" <<'PY'
import os, sys, time
def walk():
    return sum(len(files) for _, _, files in os.walk(sys.argv[1]))
walk()
start = time.perf_counter()
count = walk()
print("os.walk-ms %.0f (%d files)" % (1000 * (time.perf_counter() - start), count))
PY
}

# The peak resident memory (VmHWM) of the saver showing these settings for `seconds`, in MiB.
peak_mib() { # seconds
  wine "$build/velmarin.scr" /s >/dev/null 2>&1 &
  local saver=$!
  sleep "$1"
  local peak; peak=$(awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$saver/status")
  kill "$saver" 2>/dev/null || true
  wait "$saver" 2>/dev/null || true
  echo "$peak"
}

. "$root/scripts/wine-session.sh"
trap wine_session_end EXIT
wine_session_start "$root/build/wineprefix-bench"

echo "== the library: $(find "$library" -type f | wc -l) pictures in $(find "$library" -mindepth 2 -type d | wc -l) folders"
native=$(native_walks)
echo "$native"
walk=$(wine "$build/library-bench.exe" walk "$windows_library" 2>/dev/null | tr -d '\r')
echo "$walk"
awk -v native="$native" -v walk="$walk" 'BEGIN {
  split(native, n, /[ \n]/); split(walk, w, /[ \n]/)
  printf "walk ratio: %.1f x find, %.1f x os.walk\n", w[2] / n[2], w[2] / n[6]
}'
for flags in 0 1; do
  wine "$build/seed-images.exe" --time 3000 --flags "$flags" "$windows_library" >/dev/null
  echo "order $([ "$flags" = 0 ] && echo list || echo random): $(wine "$build/library-bench.exe" first 2>/dev/null | tr -d '\r')"
done
wine "$build/seed-images.exe" --time 1000 --flags 1 "$windows_library" >/dev/null
echo "peak with the library (random order, 15 s): $(peak_mib 15) MiB"
wine "$build/seed-images.exe" --time 1000 --flags 1 "$one_picture" >/dev/null
echo "peak with one picture (15 s): $(peak_mib 15) MiB"
