#!/bin/bash
# A close whose display ends at the same time, and a start whose window is never shown, end the
# player within seconds, cleanly, its instance's files released:
# - full screen under openbox on each back-end, SIGTERM to the player and the X server together
#   (a logout with the game in full screen): the player ends within 10 s with exit code 0, its pid
#   file removed, and a new start does not find it running;
# - under a window manager that never maps a window, the start waits a bounded time for its window
#   and goes on (the report says so), and SIGTERM then closes it; the same with the X server
#   ended while the start waits for the window.
# Usage: close_display_end_wm.sh <player> <build-dir> [rounds]   (full-screen rounds per back-end)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
rounds=${3:-3}
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb openbox xdotool xprop
[ -x "$build/m4_map_refuser" ] || { echo "SKIP: no m4_map_refuser in $build"; exit 0; }
enter_x_run_folder
xvfb= wm= pid=
trap 'kill -9 $pid 2>/dev/null; kill $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid

# ends_within <name> <seconds>: the player ($pid) ends within that time with exit code 0, its pid
# file removed, and a new start (headless, a few frames) runs without finding it running.
ends_within() {
    local name=$1 limit=$2 rc
    if ! wait_for "$limit" eval '! kill -0 $pid 2>/dev/null'; then
        top -b -n 1 -p "$pid" | tail -n 1
        fail "$name: the player was still running $limit s after its close"
    fi
    wait "$pid"
    rc=$?
    pid=
    ended_cleanly "$name" "$rc" stderr.txt
    [ -e "$pidfile" ] && fail "$name: the pid file was left"
    SDL_VIDEODRIVER=dummy MIRELDA4_FRAME_LIMIT=5 timeout 60 "$player" 2>second.txt
    rc=$?
    [ "$rc" -eq 0 ] || { cat second.txt; fail "$name: the new start ended with exit code $rc"; }
    grep -q '二重起動' second.txt && { cat second.txt; fail "$name: the new start found the player running"; }
    return 0
}

# server_gone: ends the display server and the window manager, and waits for them to be gone.
server_gone() {
    kill $wm $xvfb 2>/dev/null
    wait $xvfb $wm 2>/dev/null
    xvfb= wm=
}

for d3d in 1 0; do
    printf 'Direct3D=%s\r\nWindowMode=0\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    for round in $(seq "$rounds"); do
        name="full screen, Direct3D=$d3d (round $round)"
        # The display's number is read from display.txt: the last server's must not be read.
        rm -f trace.txt Report_Game.txt display.txt
        start_display_with_wm 800x600
        MIRELDA4_TRACE=trace.txt "$player" 'data\stg4\demo.stg4' 2>stderr.txt &
        pid=$!
        wait_for 60 player_window || { cat stderr.txt; fail "$name: no window was shown"; }
        wait_for 60 eval '[ "$(trace_lines)" -ge 10 ]' || { cat stderr.txt; fail "$name: no play"; }
        # Anywhere in a frame's time and more.
        sleep "$(awk -v r=$RANDOM 'BEGIN {printf "%.2f", r / 32768 / 2}')"
        kill -TERM "$pid" "$xvfb"
        ends_within "$name" 10
        server_gone
        echo "$name: ended"
    done
done

# start_refused <name>: a display whose window manager never maps a window; the player started on
# it in a window.
start_refused() {
    rm -f display.txt
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>display.txt 2>/dev/null &
    xvfb=$!
    wait_for 20 test -s display.txt || fail "Xvfb did not start"
    export DISPLAY=:$(cat display.txt)
    "$build/m4_map_refuser" >refuser.txt &
    wm=$!
    wait_for 20 grep -q ready refuser.txt || fail "the window manager stand-in did not start"
    printf 'Direct3D=1\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' >System.ini
    rm -f Report_Game.txt
    "$player" 2>stderr.txt &
    pid=$!
}
report_says() { iconv -f CP932 -t UTF-8 Report_Game.txt 2>/dev/null | grep -q "$1"; }

start_refused "never mapped"
wait_for 60 report_says 'window not mapped' || { cat stderr.txt; fail "never mapped: the start waited on for its window"; }
kill -TERM "$pid"
ends_within "never mapped" 10
server_gone
echo "never mapped: the start went on, and the close ended it"

start_refused "never mapped, the server ended"
wait_for 60 test -s "$pidfile" || { cat stderr.txt; fail "never mapped, the server ended: no window was made"; }
kill -TERM "$xvfb"
ends_within "never mapped, the server ended" 10
server_gone
echo "never mapped, the server ended: ended"
echo PASS
