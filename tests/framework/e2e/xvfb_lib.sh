# Shared by the end-to-end tests and the key-latency measurement (sourced):
# a private virtual X server per run, the program under test on it, and waits
# for conditions with generous time-outs instead of fixed sleeps. Every X
# client call runs under `timeout`, so a stuck tool fails a test, never hangs it.
title="Bramzeil Strikes Air"
patience=${BSA_E2E_PATIENCE:-60}  # seconds any one condition may take under load

work=$(mktemp -d)
server=""
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    pid=""
    server=""
}
trap 'cleanup; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    [ -s "$work/out.log" ] && sed 's/^/  program said: /' "$work/out.log"
    exit 1
}

need_tools() {  # exits 77 (skipped) when a tool is missing
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
    done
}

xt() { timeout 20 "$@"; }  # an X client call that cannot hang the test

wait_until() {  # wait_until <command...>: true once the command succeeds
    deadline=$(($(date +%s) + patience))
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

has_display() { [ -s "$work/display" ]; }

server_start() {  # server_start <screen>: a server of its own; exports DISPLAY
    cleanup
    rm -f "$work/display"
    # -noreset: the server must not reset when a short-lived client (a search
    # of ours) is its last one while the program is still connecting.
    # -displayfd picks a free display number and writes it once the server is up.
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$1" 3>"$work/display" 2>"$work/xvfb.log" &
    server=$!
    wait_until has_display || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
}

program_start() {  # program_start <program> [args]: on the server, its log in out.log
    rm -f "$work/frame.ppm" "$work/out.log"
    BSA_FRAME_DUMP="$work/frame.ppm" SDL_AUDIODRIVER=dummy "$@" >"$work/out.log" 2>&1 &
    pid=$!
}

alive() { kill -0 "$pid" 2>/dev/null; }

visible_windows() {
    xt xdotool search --onlyvisible --name "^$title\$" 2>/dev/null
}

# The program's visible window, accepted only when the same id is found twice
# in a row: a window that is replaced right after its creation never counts.
window_seen=""
window_stable() {
    id=$(visible_windows | head -n 1)
    alive || return 0  # ended: stop waiting, the caller finds no window
    [ -n "$id" ] && [ "$id" = "$window_seen" ] && return 0
    window_seen=$id
    return 1
}
find_window() {
    window_seen=""
    wait_until window_stable && alive && [ -n "$window_seen" ] && echo "$window_seen"
}

ended() { ! alive; }

expect_exit() {  # expect_exit <code> <what ended it>
    wait_until ended || fail "$2 did not end the program"
    wait "$pid"
    code=$?
    pid=""
    [ "$code" = "$1" ] || fail "exit code $code after $2, expected $1"
}

press() {  # press <window> <keys...>: through XTEST to the focused window
    window=$1
    shift
    xt xdotool windowfocus --sync "$window" 2>/dev/null
    xt xdotool key --delay 0 "$@"
}
