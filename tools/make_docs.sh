#!/usr/bin/env bash
# Renders the pictures of the README into docs/ with the frame renderer and
# the picture of the tune.
# Usage: tools/make_docs.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
render="${1:-build}/tools/render_frame"
mkdir -p docs
"$render" docs/scene.png 27000 4 2         # a credit; goat mouth half open, sheep's own head
"$render" docs/mouths-row0.png 5200 0 2    # goat's own head, sheep mouth wide open
"$render" docs/mouths-row8.png 3000 8 2    # goat mouth wide open, sheep mouth half open
"$render" docs/credits.png 41000 12 2      # label and name of the music credit
"$render" docs/scroller.png 15000 2 2      # the scroller in mid-text
"${1:-build}/tools/song_picture" docs/music.png   # one pass of the tune, pattern by pattern
