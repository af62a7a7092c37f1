#!/usr/bin/env bash
# Runs scripts/setup.sh against stand-ins for apt-get, dpkg and cmake, as on a machine that
# has never run it: a package missing, no deb-src list, an empty cache. Then as on a machine
# that has all three (the path CI takes), and with a dependency build that fails.
set -uo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin" "$work/apt/sources.list.d"
cat > "$work/apt/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: http://deb.example.org/debian
Suites: bookworm
Components: main
SOURCES
cat > "$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
[ "$3" = "${STUB_MISSING:-}" ] && echo 'unknown ok not-installed' || echo 'install ok installed'
STUB
cat > "$work/bin/dpkg" <<'STUB'
#!/bin/sh
echo i386
STUB
# apt-get talks on stdout, as the real one does.
cat > "$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "$*" >> "$STUB_LOG.apt"
case $1 in
  update) echo "Get:1 http://deb.example.org/debian bookworm InRelease" ;;
  install) echo "Setting up $*" ;;
  source) echo "dpkg-source: info: extracting $3"; mkdir -p "$3-1.0" ;;
esac
STUB
# cmake records the source directory it is given and fails a build when asked to.
cat > "$work/bin/cmake" <<'STUB'
#!/bin/sh
if [ "$1" = -S ]; then
  [ -d "$2" ] || { echo "cmake: source directory \"$2\" does not exist" >&2; exit 1; }
  echo "$2" >> "$STUB_LOG"
elif [ "$1" = --build ] && [ -n "${STUB_BUILD_ERROR:-}" ]; then
  echo "$STUB_BUILD_ERROR"; exit 1
fi
STUB
chmod +x "$work/bin/"*

run_setup() { # cache -> setup's stdout in $work/out, stderr in $work/err
  STUB_LOG=$work/configured PATH="$work/bin:$PATH" VELMARIN_CACHE=$1 \
    VELMARIN_APT_SOURCES=$work/apt/sources.list.d "$root/scripts/setup.sh" >"$work/out" 2>"$work/err"
}

check_run() { # what
  [ -s "$work/out" ] && fail "$1: setup wrote to stdout: $(head -c 200 "$work/out")"
  [ "$(wc -l < "$work/configured")" -eq 10 ] || fail "$1: expected 10 configured builds: $(cat "$work/configured")"
  grep -q '^Types: deb-src' "$work/apt/sources.list.d/velmarin-src.sources" ||
    fail "$1: no deb-src list written"
  grep -q 'deb.example.org' "$work/apt/sources.list.d/velmarin-src.sources" ||
    fail "$1: the deb-src list lacks the machine's sources"
}

: > "$work/configured"
STUB_MISSING=wine32:i386 run_setup "$work/cache-first" || fail "first run exited with $?: $(cat "$work/err")"
check_run "first run"
grep -q 'install .*wine32:i386' "$work/configured.apt" || fail "the missing package was not installed"

: > "$work/configured"
run_setup "$work/cache-first" || fail "second run exited with $?"
[ -s "$work/configured" ] && fail "second run built again: $(cat "$work/configured")"

: > "$work/configured"
run_setup "$work/cache-ci" || fail "run with the list present exited with $?: $(cat "$work/err")"
check_run "run with the list present"

: > "$work/configured"
if STUB_BUILD_ERROR="foo.c:1: error: broken line" run_setup "$work/cache-broken"; then
  fail "a failing dependency build was reported as success"
fi
grep -q 'FAILED: build libjpeg-turbo for i686' "$work/err" || fail "the failed step is not named: $(cat "$work/err")"
grep -q 'foo.c:1: error: broken line' "$work/err" || fail "the build's error is not shown: $(cat "$work/err")"

[ "$failures" -eq 0 ] && echo "setup takes the same path on every run"
[ "$failures" -eq 0 ]
