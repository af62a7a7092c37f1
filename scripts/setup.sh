#!/usr/bin/env bash
# Installs what the build and the tests need and builds the MinGW dependencies
# (libjpeg-turbo, zlib, libpng, libwebp, GoogleTest) from Debian's source packages into a cache.
# Idempotent: a second run only checks. Every run takes the same path: our deb-src
# list is written anew whenever a source package has to be fetched.
# Everything it prints goes to stderr; a failure names its step and shows its output.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/steps.sh"
cache=${VELMARIN_CACHE:-$root/.cache}
deps=$cache/deps
apt_sources=${VELMARIN_APT_SOURCES:-/etc/apt/sources.list.d}
list_stem=$apt_sources/velmarin-src # .sources and .list
log() { printf '[setup] %s\n' "$*" >&2; }

packages=(
  cmake ninja-build clang libclang-rt-14-dev llvm
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick python3
  nasm dpkg-dev libgtest-dev libjpeg62-turbo-dev libgif-dev nsis
)

# PNG pictures: libpng with zlib (the native build's; for MinGW both are built below).
packages+=(zlib1g-dev libpng-dev)

# WebP pictures: libwebp with its demux and mux libraries (for MinGW built below).
packages+=(libwebp-dev)

# The slow folder of the slow-file tests: a FUSE file system written with fusepy.
packages+=(python3-fusepy fuse3)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"
  done
}

add_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
}

install_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return
  log "installing: $(echo $missing)"
  step "add the i386 architecture" add_i386
  step "apt-get update" apt-get update -q
  # shellcheck disable=SC2086
  step "apt-get install" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends $missing
}

# Our deb-src entries: the machine's binary sources (deb822 files and sources.list)
# with their type changed. Written anew on every call.
write_source_lists() {
  local f legacy
  legacy=$(dirname "$apt_sources")/sources.list
  for f in "$apt_sources"/*.sources; do
    [ -f "$f" ] && [ "$f" != "$list_stem.sources" ] || continue
    sed -n '/^Types:/,/^$/p' "$f" | sed 's/^Types:.*/Types: deb-src/'
    echo
  done > "$list_stem.sources"
  if [ -f "$legacy" ]; then
    grep -E '^deb ' "$legacy" | sed 's/^deb /deb-src /' > "$list_stem.list" || true
  fi
}

fetch_source() { # package -> prints the unpacked directory (and nothing else on stdout)
  local pkg=$1 dir=$cache/src/$1
  if ! ls -d "$dir"/*/ >/dev/null 2>&1; then
    log "fetching the source of $pkg"
    write_source_lists
    step "apt-get update (deb-src)" apt-get update -q
    rm -rf "$dir"; mkdir -p "$dir"
    # A source the security suite does not serve comes from the release itself.
    step "apt-get source $pkg" sh -c 'cd "$1" && { apt-get source -q "$2" || apt-get source -q "$2/$3"; }' \
      sh "$dir" "$pkg" "$(. /etc/os-release && echo "$VERSION_CODENAME")"
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
  step "configure $pkg for $target" cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$target.cmake" \
    -DCMAKE_INSTALL_PREFIX="$deps/$target" "$@"
  step "build $pkg for $target" cmake --build "$bld"
  step "install $pkg for $target" cmake --install "$bld"
  mkdir -p "$(dirname "$stamp")"; touch "$stamp"
}

install_packages
for target in i686 x86_64; do
  build_dependency libjpeg-turbo "$target" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DREQUIRE_SIMD=ON
  build_dependency zlib "$target" -DCMAKE_PROJECT_INCLUDE="$root/cmake/zlib-dfsg.cmake"
  build_dependency libpng1.6 "$target" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON
  # The decoder, the demuxer and, for the tests' writer, the encoder and the muxer; no tools.
  build_dependency libwebp "$target" -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF \
    -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_WEBP_JS=OFF
  build_dependency googletest "$target" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON
done
