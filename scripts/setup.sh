#!/usr/bin/env bash
# Installs what the build needs on Debian 12 and configures and builds the
# project into build/. Used by run.sh and test.sh. `setup.sh windows` only
# installs what the Windows program and its Wine test need: the mingw-w64
# cross compilers, Wine and the X tools (used by scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev libsdl2-dev libpng-dev xvfb xauth imagemagick xdotool ffmpeg)
windows_packages=(cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
                  wine64 xvfb xauth xdotool x11-utils imagemagick)
# need_packages PACKAGE...: installs with apt-get those that are missing (as
# root, or through sudo).
need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

if [ "${1:-}" = windows ]; then
  need_packages "${windows_packages[@]}"
  exit 0
fi
need_packages "${packages[@]}"

# The dev preset (CMakePresets.json) into build/; CI sets BSA_WERROR=ON.
cmake --preset dev -DBSA_WERROR="${BSA_WERROR:-OFF}"
cmake --build build -j"$(nproc)"
