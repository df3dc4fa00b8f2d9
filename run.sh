#!/usr/bin/env bash
# Sets everything up and runs the demo. Without a display it renders frames
# of the demo into out/ instead and records the whole demo into out/demo.mp4.
# Arguments go to the demo ("/c" keeps it running).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  set +e
  ./build/app/bramzeil "$@"
  status=$?
  # Every end through the display framework reports 1.
  [ "$status" -eq 1 ] && exit 0
  exit "$status"
fi
mkdir -p out
echo "No display: rendering frames into out/"
for moment in "0 0" "5000 4" "20500 8" "27000 4" "41000 9"; do
  set -- $moment
  ./build/tools/render_frame "out/frame-$1ms.png" "$1" "$2" 2
  echo "  out/frame-$1ms.png"
done
echo "Recording the demo into out/demo.mp4 (a minute or two)"
./build/tools/record/record_demo out/demo.mp4
