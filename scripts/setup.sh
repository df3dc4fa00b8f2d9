#!/usr/bin/env bash
# Installs what the build needs on Debian 12 and configures and builds the
# project into build/. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev libsdl2-dev libpng-dev xvfb xauth imagemagick xdotool ffmpeg)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The dev preset (CMakePresets.json) into build/; CI sets BSA_WERROR=ON.
cmake --preset dev -DBSA_WERROR="${BSA_WERROR:-OFF}"
cmake --build build -j"$(nproc)"
