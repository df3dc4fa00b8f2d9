#!/bin/sh
# End-to-end test of the 64-bit Windows program under Wine in a virtual X
# server. What the program shows is compared with the frame it reports
# through BSA_FRAME_DUMP.
#  1. Plain Wine on a 1024x768 screen, which has no 320x240 mode: the window
#     appears with its title and icon, centred, showing the presented frame;
#     full screen asked for with Space fails and leaves it so; Escape ends the
#     program with exit code 1.
#  2. A 640x480 Wine virtual desktop: DirectDraw lists 320x240 at 32, 16 and
#     8 bits, the backend locks the back buffer at 32 and 16 bits and reads
#     its pitch and green mask, and the program goes full screen for real (the desktop becomes
#     320x240 and shows the frame); Space, F2 and Alt+Enter switch between the
#     window (the frame centred on the 640x480 desktop) and full screen;
#     Escape from full screen ends with exit code 1 and the display mode is
#     back at 640x480 (another program keeps the desktop open to see it).
#  3. The sound device: waveOut reaches an ALSA null device that also writes
#     what it plays to a file; the music arrives there (faster than real
#     time), and the frames move with it; Alt+F4 closes the window and ends
#     the program with exit code 1.
# Usage: wine_test.sh <program.exe> <probe_display.exe>. Exit 77 (skipped)
# without Wine, Xvfb or the tools.
program="$1"
probe="$2"
title="Bramzeil Strikes Air"
loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
for tool in Xvfb xdotool xprop import compare identify od; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
[ -x "$loader" ] && [ -x "$wineserver" ] || { echo "skipped: no 64-bit Wine at $loader"; exit 77; }
[ -f "$program" ] && [ -f "$probe" ] || { echo "usage: $0 <program.exe> <probe_display.exe>"; exit 1; }
program=$(realpath "$program")
probe=$(realpath "$probe")

work=$(mktemp -d)
server=""
demo=""
keeper=""
end_process() {  # end_process <pid>: stops one process of ours and reaps it
    [ -n "$1" ] && kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
}
stop() {
    end_process "$demo"
    end_process "$keeper"
    [ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" timeout 20 "$wineserver" -k 2>/dev/null
    end_process "$server"
    demo=""
    keeper=""
    server=""
}
trap 'stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; [ -s "$work/out.log" ] && sed 's/^/  program: /' "$work/out.log"; exit 1; }
cd "$work" || exit 1

# A throwaway prefix and home; ALSA's default device plays into a file.
mkdir -p home
export WINEPREFIX="$work/prefix" WINEDEBUG=-all HOME="$work/home" WINEDLLOVERRIDES="mscoree,mshtml="
printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$work/played.raw" >home/.asoundrc

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display 2>xvfb.log &
server=$!
i=0
while [ ! -s display ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "Xvfb did not start"; sleep 0.1
done
export DISPLAY=":$(cat display)"
timeout 300 "$loader" wineboot -i >wineboot.log 2>&1 || fail "wineboot -i failed: $(tail -3 wineboot.log)"

start() {  # start [VAR=value...]: the program with "/c", so it never ends by itself
    rm -f frame.ppm
    env BSA_FRAME_DUMP="$work/frame.ppm" "$@" "$loader" "$program" /c >out.log 2>&1 &
    demo=$!
}

x() { timeout 10 "$@" 2>/dev/null; }  # an X query that must not hang the test

find_window() {  # find_window <name pattern>: the first X window named so
    i=0
    while :; do
        id=$(x xdotool search --name "$1" | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$demo" 2>/dev/null || return 1
        i=$((i + 1)); [ $i -gt 300 ] && return 1; sleep 0.1
    done
}

size_of() { x xdotool getwindowgeometry "$1" | sed -n 's/ *Geometry: //p'; }

wait_size() {  # wait_size <window> <WxH> <what>
    i=0
    while [ "$(size_of "$1")" != "$2" ]; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "$3: the window is $(size_of "$1"), not $2"; sleep 0.1
    done
}

check_pixels() {  # check_pixels <window> [<crop>]: what it shows equals the dumped frame
    tries=0
    diff="no frame"
    while [ $tries -lt 30 ]; do
        tries=$((tries + 1))
        if [ -s frame.ppm ] && x import -window "$1" ppm:shot.ppm; then
            [ -n "$2" ] && convert shot.ppm -crop "$2" +repage ppm:shot.ppm
            size=$(identify -format '%wx%h' shot.ppm)
            if [ "$size" = "320x240" ]; then
                diff=$(compare -metric AE shot.ppm frame.ppm null: 2>&1)
                [ "$diff" = "0" ] && return 0
            else
                diff="a picture of $size"
            fi
        fi
        sleep 0.2
    done
    fail "screen differs from the presented frame: $diff"
}

press() {  # press <window> <key>
    x xdotool windowfocus --sync "$1"
    x xdotool key "$2"
}

expect_exit_1() {
    i=0
    while kill -0 "$demo" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 150 ] && fail "$1 did not end the program"; sleep 0.1
    done
    wait "$demo"
    code=$?
    demo=""
    [ "$code" = "1" ] || fail "exit code $code after $1, expected 1"
}

# ---- 1: a window on a screen without a 320x240 mode ----
start BSA_AUDIO=virtual
window=$(find_window "^$title\$") || fail "no window titled '$title'"
check_pixels "$window"
position=$(x xdotool getwindowgeometry "$window" | sed -n 's/ *Position: \([0-9-]*,[0-9-]*\).*/\1/p')
[ "$position" = "352,264" ] || fail "client area at $position, not centred at 352,264 on 1024x768"
x xprop -id "$window" _NET_WM_ICON | grep -q "Icon (32 x 32)" || fail "the window has no 32x32 icon"
echo "window $window: titled, with its icon, centred, showing the presented frame"
# Space twice: the wish goes to the window, then back to full screen, which
# fails for want of a mode; the program goes on in its window, as it was.
press "$window" space
press "$window" space
sleep 1
kill -0 "$demo" 2>/dev/null || fail "a failed full screen ended the program"
check_pixels "$window"
position=$(x xdotool getwindowgeometry "$window" | sed -n 's/ *Position: \([0-9-]*,[0-9-]*\).*/\1/p')
[ "$position" = "352,264" ] || fail "after a failed full screen the client area is at $position"
echo "a failed full screen left the program in its window, centred, showing the frame"
press "$window" Escape
expect_exit_1 Escape
echo "Escape ended the windowed program with exit code 1"

# ---- 2: full screen in a 640x480 virtual desktop ----
x "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
x "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null
timeout 20 "$wineserver" -k  # the desktop setting applies to a new server
timeout 60 "$loader" "$probe" >probe.txt 2>&1 || fail "probe_display failed: $(cat probe.txt)"
tr -d '\r' <probe.txt >probe.list
grep -qx 'screen 640x480' probe.list || fail "the virtual desktop is $(head -n 1 probe.list)"
for bits in 32 16 8; do
    grep -qx "mode 320x240x$bits" probe.list || fail "DirectDraw lists no 320x240 at $bits bits"
done
echo "DirectDraw lists 320x240 at 32, 16 and 8 bits on the 640x480 desktop"
# The locked back buffer as the backend reads it: rows at least as wide as
# the mode, and at 16 bits a green field of six bits (RGB565) or five (RGB555).
check_surface() {  # check_surface <bits> <bytes a row at least> <green masks, as an extended regex>
    line=$(grep "^surface 320x240x$1 " probe.list) || fail "no full screen at $1 bits: $(cat probe.list)"
    pitch=$(echo "$line" | sed 's/.* pitch \([0-9]*\) .*/\1/')
    [ "$pitch" -ge "$2" ] || fail "rows of $pitch bytes at $1 bits"
    echo "${line##* green }" | grep -Eqx "$3" || fail "green mask ${line##* green } at $1 bits"
}
check_surface 32 1280 0xff00
check_surface 16 640 '0x7e0|0x3e0'
grep -qx 'screen after 640x480' probe.list || fail "the display mode was not put back: $(tail -n 1 probe.list)"
echo "full screen at 32 and 16 bits: $(grep '^surface' probe.list | tr '\n' ';') the display mode put back"

"$loader" ping -n 300 127.0.0.1 >/dev/null 2>&1 &  # keeps the desktop open after the program
keeper=$!
start BSA_AUDIO=virtual
desktop=$(find_window "Wine desktop") || fail "no Wine desktop"
window=$(find_window "^$title\$") || fail "no window titled '$title' on the desktop"
wait_size "$desktop" 320x240 "full screen at start"
check_pixels "$desktop"
echo "full screen: the display is 320x240 and shows the presented frame"
for step in space:window F2:full alt+Return:window space:full; do
    key=${step%%:*}
    press "$window" "$key"
    if [ "${step##*:}" = "full" ]; then
        wait_size "$desktop" 320x240 "$key to full screen"
        check_pixels "$desktop"
        echo "$key: full screen again, showing the frame"
    else
        wait_size "$desktop" 640x480 "$key to the window"
        check_pixels "$desktop" 320x240+160+120
        echo "$key: back in the window, centred on the 640x480 display, showing the frame"
    fi
done
press "$window" Escape
expect_exit_1 "Escape in full screen"
wait_size "$desktop" 640x480 "the end"
echo "Escape ended the full-screen program with exit code 1; the display is 640x480 again"
end_process "$keeper"
keeper=""

# ---- 3: the sound device ----
rm -f played.raw
start
window=$(find_window "^$title\$") || fail "no window for the sound check"
i=0
while [ "$(stat -c %s played.raw 2>/dev/null || echo 0)" -lt 1000000 ]; do
    i=$((i + 1)); [ $i -gt 200 ] && fail "waveOut played $(stat -c %s played.raw 2>/dev/null || echo no) bytes"
    sleep 0.1
done
grep -q "no audio device" out.log && fail "the program fell back to silence"
values=$(od -An -v -tx2 -j 600000 -N 200000 played.raw | tr -s ' ' '\n' | sort -u | wc -l)
[ "$values" -gt 100 ] || fail "the sound played is nearly silent ($values distinct samples)"
cp frame.ppm first.ppm
sleep 1
cmp -s frame.ppm first.ppm && fail "the frames stand still while the music plays"
echo "waveOut played the music ($values distinct samples in 50,000 frames), and the frames move with it"
press "$window" alt+F4  # a close request: the system's close command, then WM_CLOSE
expect_exit_1 "Alt+F4"
echo "Alt+F4 closed the window and ended the program with exit code 1"
exit 0
