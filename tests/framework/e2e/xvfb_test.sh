#!/bin/sh
# End-to-end checks of the display under a virtual X server of their own. The
# program's window is found by its title; what the server shows is held
# against the frame the program reports through BSA_FRAME_DUMP.
# Usage: xvfb_test.sh <scenario> <program> <helper dir>; exit 77 (skipped)
# without Xvfb and its tools. The scenarios:
#   window   1024x768 has no 320x240 mode: full screen is the desktop with the
#            frame scaled 3x, centred on black; Space gives a centred window
#            showing the frame, Space full screen again; Escape ends with 1.
#   sixteen  a 320x240 screen at 16 bits: the frame packed to 16 bits fills it.
#   scaled   BSA_WINDOW_SCALE=2: the window is 640x480, the frame scaled 2x.
#   close    the window's close request ends the program with exit code 1.
#   storm    501 Space presses leave the window (none lost); 500 more and
#            Escape end the program within seconds, not a minute.
#   runaway  two Space presses sent to the window as `xdotool key --window`
#            does: the same window stays, no key stays held, Escape ends.
#   signal   SIGTERM and SIGINT end the program like a close, exit code 1.
# And without an X server:
#   headless_signal  the same with BSA_DISPLAY=headless.
#   no_display       without a display (none named, or one not there) the
#                    program says so in one line and ends with exit code 1.
scenario=$1
program=$2
helpers=$3
. "$(dirname "$0")/xvfb_lib.sh"
[ -x "$program" ] || fail "no program at $program"

frame_dumped() { [ -s "$work/frame.ppm" ]; }
frame_dumped_or_ended() { frame_dumped || ! alive; }

one_line_refusal() {  # one_line_refusal <DISPLAY value>
    DISPLAY=$1 timeout 30 "$program" >"$work/out.log" 2>&1
    code=$?
    [ "$code" = 1 ] || fail "exit code $code with DISPLAY='$1', expected 1"
    [ "$(wc -l <"$work/out.log")" = 1 ] || fail "more than one line with DISPLAY='$1'"
    grep -q '^cannot open a display: .' "$work/out.log" || fail "no word about the display with DISPLAY='$1'"
}

case "$scenario" in
headless_signal)
    for name in TERM INT; do
        BSA_DISPLAY=headless program_start "$program"
        wait_until frame_dumped_or_ended
        alive || fail "the headless program ended by itself"
        kill -s "$name" "$pid"
        expect_exit 1 "SIG$name"
    done
    echo "$scenario: passed"
    exit 0
    ;;
no_display)
    unset WAYLAND_DISPLAY
    n=4711
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    one_line_refusal ""
    one_line_refusal ":$n"
    echo "$scenario: passed ($(cat "$work/out.log"))"
    exit 0
    ;;
esac

need_tools Xvfb xdotool import
check="$helpers/ppm_check"
probe="$helpers/x_probe"

# shows <window or root> <factor> <x> <y> <tolerance> [--black-around]: the
# server shows the presented frame there. The picture may change between the
# dump and the shot (a switch in progress), so it is taken until it matches.
shot_matches() {
    xt import -window "$1" -depth 8 "ppm:$work/shot.ppm" 2>/dev/null &&
        "$check" "$work/shot.ppm" "$work/frame.ppm" "$2" "$3" "$4" "$5" $6 >"$work/check.log" 2>&1
}
shows() {
    wait_until frame_dumped || fail "no frame was presented"
    wait_until shot_matches "$@" || fail "the screen does not show the frame ($*): $(cat "$work/check.log")"
}

geometry_is() {  # geometry_is <window> <x,y> <WxH>
    g=$(xt xdotool getwindowgeometry "$1" 2>/dev/null)
    echo "$g" | grep -q "Position: $2 " && echo "$g" | grep -q "Geometry: $3\$"
}
windowed_at() {  # windowed_at <window> <x,y> <WxH>: waits until the window is there
    wait_until geometry_is "$@" || fail "the window is not at $2 with $3: $(xt xdotool getwindowgeometry "$1")"
}

start_on() {  # start_on <screen> [VAR=value...]: a server, the program, its window
    screen=$1
    shift
    server_start "$screen"
    program_start env "$@" "$program"
    window=$(find_window) || fail "no window titled '$title'"
}

case "$scenario" in
window)
    start_on 1024x768x24
    shows root 3 32 24 0 --black-around
    press "$window" space
    windowed_at "$window" 352,264 320x240
    shows "$window" 1 0 0 0
    press "$window" space
    shows root 3 32 24 0 --black-around
    press "$window" Escape
    expect_exit 1 Escape
    ;;
sixteen)
    # Five bits of red and blue lose at most 7 of 255, widened back by the server.
    start_on 320x240x16
    shows root 1 0 0 8 --black-around
    press "$window" Escape
    expect_exit 1 Escape
    ;;
scaled)
    start_on 1024x768x24 BSA_WINDOW_SCALE=2
    press "$window" space
    windowed_at "$window" 192,144 640x480
    shows "$window" 2 0 0 0
    press "$window" Escape
    expect_exit 1 Escape
    ;;
close)
    start_on 1024x768x24
    "$probe" close "$window" || fail "the close request could not be sent"
    expect_exit 1 "closing the window"
    ;;
storm)
    start_on 1024x768x24
    spaces=$(i=0; while [ $i -lt 500 ]; do printf 'space '; i=$((i + 1)); done)
    # shellcheck disable=SC2086
    press "$window" $spaces space
    windowed_at "$window" 352,264 320x240
    alive || fail "the presses ended the program"
    # shellcheck disable=SC2086
    press "$window" $spaces Escape
    patience=15
    expect_exit 1 "Escape after 500 switches"
    ;;
runaway)
    start_on 1024x768x24
    press "$window" space  # windowed, as on a desktop without the mode
    windowed_at "$window" 352,264 320x240
    xt xdotool key --window "$window" space space
    i=0
    while [ $i -lt 20 ]; do
        [ "$(visible_windows)" = "$window" ] || fail "the window was replaced: $(visible_windows | tr '\n' ' ')"
        sleep 0.1
        i=$((i + 1))
    done
    windowed_at "$window" 352,264 320x240
    held=$("$probe" keys)
    [ -z "$held" ] || fail "keys left held down at the server: $held"
    press "$window" Escape
    expect_exit 1 Escape
    ;;
signal)
    for name in TERM INT; do
        start_on 1024x768x24
        shows root 3 32 24 0 --black-around
        kill -s "$name" "$pid"
        expect_exit 1 "SIG$name"
    done
    ;;
*)
    fail "no scenario $scenario"
    ;;
esac
echo "$scenario: passed"
