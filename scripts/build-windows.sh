#!/usr/bin/env bash
# Builds the native Windows program with Debian's mingw-w64 cross compilers:
# dist/bramzeil-win32.exe (32-bit x86, the defined target) and
# dist/bramzeil-win64.exe (x86-64), each linked statically so that it runs
# from a bare Windows install with nothing beside it. Also builds the helper
# the Wine test uses (build-win64/tests/windows/). Installs the compilers
# where they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/need_packages.sh
need_packages cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64

jobs=${BSA_JOBS:-$(nproc)}
mkdir -p dist
for target in i686:win32 x86_64:win64; do
  arch=${target%%:*}
  name=${target##*:}
  cmake --no-warn-unused-cli -S . -B "build-$name" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "build-$name" -j"$jobs"
  "$arch-w64-mingw32-strip" -o "dist/bramzeil-$name.exe" "build-$name/app/bramzeil.exe"
  echo "dist/bramzeil-$name.exe"
done
