#!/usr/bin/env bash
# Builds the native Windows program with Debian's mingw-w64 cross compilers
# (presets win32 and win64): dist/bramzeil-win32.exe (32-bit x86, the
# defined target) and dist/bramzeil-win64.exe (x86-64), each linked
# statically so that it runs from a bare Windows install with nothing beside
# it. The helper of the Wine test is built into build-win64/tests/windows/.
# Installs the compilers where they are missing; CI sets BSA_WERROR=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh windows

mkdir -p dist
for target in i686:win32 x86_64:win64; do
  arch=${target%%:*}
  name=${target##*:}
  cmake --preset "$name" --no-warn-unused-cli -DBSA_WERROR="${BSA_WERROR:-OFF}" >/dev/null
  cmake --build --preset "$name" -j"${BSA_JOBS:-$(nproc)}"
  "$arch-w64-mingw32-strip" -o "dist/bramzeil-$name.exe" "build-$name/app/bramzeil.exe"
  echo "dist/bramzeil-$name.exe"
done
