#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (skipped when present):
# both mingw-w64 cross compilers (64-bit and 32-bit Windows) and Wine for both
# (wine32 needs the i386 architecture).
set -euo pipefail
packages=(cmake g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-x86-64
          binutils-mingw-w64-i686 wine64 wine wine32:i386 fonts-wine xvfb xauth x11-apps x11-utils googletest clang
          libclang-rt-14-dev fp-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# An index can fail to download for a moment while a mirror syncs ("File has
# unexpected size"): try again a few times, then go on with what came; only a
# failed install fails the set-up.
update() {
  local try
  for try in 1 2 3 4 5; do
    if $sudo apt-get update -qq 2>&1 | tee /dev/stderr | grep -q "Some index files failed"; then
      echo "setup-deps: an index did not download (try $try of 5)" >&2
      sleep $((try * 10))
    else
      return 0
    fi
  done
  return 0
}
install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; }
update
if ! install; then
  echo "setup-deps: the install failed; the indexes once more, then again" >&2
  sleep 30
  update
  install
fi
