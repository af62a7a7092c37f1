#!/usr/bin/env bash
# Installs what the build and the tests need and builds the MinGW dependencies
# (libjpeg-turbo, GoogleTest) from Debian's source packages into a cache.
# Idempotent: a second run only checks.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELMARIN_CACHE:-$root/.cache}
deps=$cache/deps
log() { printf '[setup] %s\n' "$*"; }

packages=(
  cmake ninja-build clang libclang-rt-14-dev llvm
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick python3
  nasm dpkg-dev libgtest-dev libjpeg62-turbo-dev libgif-dev
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"
  done
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return
  log "installing: $(echo $missing)"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# Our own deb-src entries, derived from the machine's binary sources.
enable_sources() {
  local list=/etc/apt/sources.list.d/velmarin-src.sources
  [ -f "$list" ] && return
  log "enabling deb-src in $list"
  if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    cat /etc/apt/sources.list.d/*.sources | sed -n '/^Types:/,/^$/p' |
      sed 's/^Types:.*/Types: deb-src/' > "$list"
  fi
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/velmarin-src.list || true
  fi
  apt-get update -q
}

fetch_source() { # package -> prints the unpacked directory
  local pkg=$1 dir=$cache/src/$1
  if ! ls -d "$dir"/*/ >/dev/null 2>&1; then
    enable_sources
    mkdir -p "$dir"
    (cd "$dir" && apt-get source -q "$pkg" >&2)
  fi
  ls -d "$dir"/*/ | head -n 1
}

build_dependency() { # package target cmake-args...
  local pkg=$1 target=$2; shift 2
  local stamp=$deps/$target/.$pkg.done
  [ -f "$stamp" ] && return
  local src; src=$(fetch_source "$pkg")
  local bld=$cache/build/$pkg-$target
  log "building $pkg for $target"
  rm -rf "$bld"; mkdir -p "$cache/build"
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$target.cmake" \
    -DCMAKE_INSTALL_PREFIX="$deps/$target" "$@" >"$bld.log" 2>&1 || { cat "$bld.log"; exit 1; }
  cmake --build "$bld" >>"$bld.log" 2>&1 || { tail -n 50 "$bld.log"; exit 1; }
  cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -n 50 "$bld.log"; exit 1; }
  touch "$stamp"
}

install_packages
for target in i686 x86_64; do
  build_dependency libjpeg-turbo "$target" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DREQUIRE_SIMD=ON
  build_dependency googletest "$target" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON
done
log "ready"
