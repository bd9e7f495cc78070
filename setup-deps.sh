#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (skipped when present).
set -euo pipefail
packages=(cmake g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine fonts-wine xvfb xauth x11-apps x11-utils googletest clang libclang-rt-14-dev fp-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
