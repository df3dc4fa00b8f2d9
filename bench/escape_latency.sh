#!/bin/sh
# How long Escape takes to end the demo after a storm of window/full-screen
# switches, under a virtual X server: N Space presses as fast as XTEST takes
# them, then Escape; the time from Escape sent to the process gone. An Escape
# that has not ended the program after a minute counts as lost.
# Usage: bench/escape_latency.sh <program> [screen [presses [rounds]]]
#   e.g. bench/escape_latency.sh build/app/bramzeil 320x240x16 500 3
program=$1
screen=${2:-1024x768x24}
presses=${3:-500}
rounds=${4:-3}
. "$(dirname "$0")/../tests/framework/e2e/xvfb_lib.sh"
need_tools Xvfb xdotool
export BSA_AUDIO=virtual

now() { date +%s.%N; }
spaces=$(i=0; while [ $i -lt "$presses" ]; do printf 'space '; i=$((i + 1)); done)

round=0
while [ $round -lt "$rounds" ]; do
    round=$((round + 1))
    server_start "$screen"
    program_start "$program"
    window=$(find_window) || fail "no window"
    sent=$(now)
    # shellcheck disable=SC2086
    press "$window" $spaces
    alive || fail "the presses ended the program"
    escape=$(now)
    xt xdotool key Escape
    # Polled every 10 ms rather than wait_until's 100, which would be most of what is measured.
    deadline=$(($(date +%s) + 60))
    while alive && [ "$(date +%s)" -lt "$deadline" ]; do sleep 0.01; done
    if ! alive; then
        gone=$(now)
        printf 'round %d: %d presses sent in %.2f s; Escape ended the program after %.3f s\n' \
            "$round" "$presses" "$(echo "$escape - $sent" | bc)" "$(echo "$gone - $escape" | bc)"
    else
        printf 'round %d: Escape lost (the program still ran after 60 s)\n' "$round"
    fi
    [ -n "$SHOWLOG" ] && cat $work/out.log
    cleanup
done
