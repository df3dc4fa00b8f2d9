#!/usr/bin/env bash
# Installs what the build needs on Debian 12 and configures and builds the
# project into build/. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev libsdl2-dev libpng-dev xvfb xauth imagemagick xdotool ffmpeg)
. scripts/need_packages.sh
need_packages "${packages[@]}"

# The dev preset (CMakePresets.json) into build/; CI sets BSA_WERROR=ON.
cmake --preset dev -DBSA_WERROR="${BSA_WERROR:-OFF}"
cmake --build build -j"$(nproc)"
