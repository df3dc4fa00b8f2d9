#!/bin/sh
# End-to-end check of the display under a virtual X server. The program's
# real window is found by its title and its client area compared with the
# frame the program reports through BSA_FRAME_DUMP.
#  1. A 1024x768 screen offers no 320x240 mode: the window is centred; the
#     first Space only changes the preference, the second tries full screen,
#     fails, and a new window replaces the old; Escape ends with exit code 1.
#  2. A 320x240 screen at 16 bits offers exactly the mode: the frame goes
#     through the 16-bit packing and is on screen within the packing's loss.
#  3. With a close helper: the window's close request ends with exit code 1.
# Usage: xvfb_test.sh <program> [<close helper>]. Exit 77 (skipped) without
# Xvfb and its tools.
program="$1"
closer="$2"
title="Bramzeil Strikes Air"
for tool in Xvfb xdotool import compare identify; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$program" ] || { echo "no program at $program"; exit 1; }

work=$(mktemp -d)
server=""
demo=""
stop() {
    [ -n "$demo" ] && kill "$demo" 2>/dev/null && wait "$demo" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    demo=""
    server=""
}
trap 'stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

start() {  # start <screen>: a server with one screen, and the program on it
    rm -f "$work/display" "$work/frame.ppm"
    # -displayfd picks a free display number and writes it once the server is up.
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    server=$!
    i=0
    while [ ! -s "$work/display" ]; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "Xvfb did not start"; sleep 0.1
    done
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
    BSA_FRAME_DUMP="$work/frame.ppm" SDL_AUDIODRIVER=dummy "$program" >"$work/out.log" 2>&1 &
    demo=$!
}

find_window() {  # find_window <id to skip>: the visible window titled exactly $title
    i=0
    while :; do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -vx "$1" | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$demo" 2>/dev/null || return 1
        i=$((i + 1)); [ $i -gt 200 ] && return 1; sleep 0.1
    done
}

check_pixels() {  # check_pixels <window or root> <fuzz>: what it shows equals the dumped frame
    tries=0
    diff="no frame"
    while [ $tries -lt 20 ]; do
        tries=$((tries + 1))
        if [ -s "$work/frame.ppm" ] && import -window "$1" "ppm:$work/shot.ppm" 2>/dev/null; then
            size=$(identify -format '%wx%h' "$work/shot.ppm")
            [ "$size" = "320x240" ] || fail "client area is $size, not 320x240"
            # A moving picture may change between the two reads: try again.
            diff=$(compare -metric AE -fuzz "$2" "$work/shot.ppm" "$work/frame.ppm" null: 2>&1)
            [ "$diff" = "0" ] && return 0
        fi
        sleep 0.2
    done
    fail "screenshot differs from the presented frame: $diff"
}

# Keys go through XTEST to the focused window: the key-up of a press that
# replaces the window must not be addressed to the window it removed.
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null
    xdotool key "$2"
}

expect_exit_1() {
    i=0
    while kill -0 "$demo" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "$1 did not end the program"; sleep 0.1
    done
    wait "$demo"
    code=$?
    demo=""
    [ "$code" = "1" ] || fail "exit code $code after $1, expected 1"
}

# ---- 1: windowed on a large screen ----
start 1024x768x24
first=$(find_window "") || fail "no window titled '$title' (program log: $(cat "$work/out.log"))"
check_pixels "$first" 0
position=$(xdotool getwindowgeometry "$first" | sed -n 's/ *Position: \([0-9-]*,[0-9-]*\).*/\1/p')
[ "$position" = "352,264" ] || fail "window at $position, not centred at 352,264 on 1024x768"
echo "window $first is centred and shows the presented frame"

press "$first" space
sleep 0.5
kill -0 "$demo" 2>/dev/null || fail "the first Space ended the program"
[ "$(find_window "")" = "$first" ] || fail "the first Space replaced the window"
press "$first" space
second=$(find_window "$first") || fail "the second Space did not replace the window"
if xdotool search --onlyvisible --name "^$title\$" | grep -qx "$first"; then
    fail "the old window $first is still shown"
fi
check_pixels "$second" 0
echo "the second Space fell back to a new window $second, showing the frame"

press "$second" Escape
expect_exit_1 Escape
echo "Escape ended the program with exit code 1"
stop

# ---- 2: full screen at a 16-bit 320x240 mode ----
start 320x240x16
window=$(find_window "") || fail "no window on the 320x240 screen (program log: $(cat "$work/out.log"))"
# In full screen the screen itself is compared. Five bits of red and blue
# lose at most 7 of 255, widened back by the server.
check_pixels root 4%
echo "full screen at 16 bits shows the packed frame"
press "$window" Escape
expect_exit_1 Escape
echo "Escape ended the full-screen program with exit code 1"
stop

# ---- 3: the close box ----
[ -n "$closer" ] || exit 0
start 1024x768x24
window=$(find_window "") || fail "no window for the close request"
"$closer" "$window" || fail "the close request could not be sent"
expect_exit_1 "closing the window"
echo "closing the window ended the program with exit code 1"
exit 0
