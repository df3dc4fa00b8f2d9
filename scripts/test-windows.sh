#!/usr/bin/env bash
# The Windows part of the checks: builds both executables, checks how they
# are made (GUI programs for i386 and x86-64, importing system libraries
# only, with DirectDraw and DrawDib left to run time, the icon as resource
# 101), then runs the Wine end-to-end test of the 64-bit one. Installs the
# cross compilers, Wine and the X tools where they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh
echo "the Windows programs built in ${SECONDS} s"

fail() { echo "FAIL: $*"; exit 1; }

check_exe() {  # check_exe <exe> <triple> <file format> <PE magic>
  local exe=$1 dump
  "$2-objdump" -f "$exe" | grep -q "file format $3" || fail "$exe is not $3"
  dump=$("$2-objdump" -p "$exe")
  grep -q "^Magic.*($4)" <<<"$dump" || fail "$exe is not $4"
  grep -q "^Subsystem.*(Windows GUI)" <<<"$dump" || fail "$exe is not a GUI program"
  local dll
  for dll in $(sed -n 's/^\tDLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z'); do
    case "$dll" in
      kernel32.dll|user32.dll|gdi32.dll|winmm.dll|msvcrt.dll|advapi32.dll) ;;
      ddraw.dll|msvfw32.dll) fail "$exe links $dll, which it should load at run time" ;;
      *) fail "$exe needs $dll, which is no system library" ;;
    esac
  done
  # The group icon (type 14) holds one entry, number 101.
  awk '/Entry: ID: 0x00000e/ { getline; getline; print; exit }' <<<"$dump" | grep -q 'ID: 0x000065' ||
    fail "$exe has no icon 101"
  echo "$exe: $3, $4 GUI program, imports $(sed -n 's/^\tDLL Name: //p' <<<"$dump" | tr '\n' ' ')icon 101"
}

check_exe dist/bramzeil-win32.exe i686-w64-mingw32 pei-i386 PE32
check_exe dist/bramzeil-win64.exe x86_64-w64-mingw32 pei-x86-64 PE32+
sh tests/windows/wine_test.sh dist/bramzeil-win64.exe build-win64/tests/windows/probe_display.exe
echo "the Windows checks took ${SECONDS} s in all"
