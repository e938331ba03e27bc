#!/bin/bash
# Under a window manager whose frame has a title bar (openbox), the window opens where it was closed,
# start after start, with either back-end: user_data/Window.dat holds the corner of the window's frame,
# and a start puts the frame's corner there. A first start without the file, a second one that the
# user's move ends, a third one: the client area of each start is exactly where the one before was
# closed, and the file holds the frame's corner. Runs on its own Xvfb.
# Usage: window_placement_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwininfo xprop

# start: the player's window shown and settled; its client geometry in geometry, its frame's
# corner in frame.
start() {
    "$player" 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "no window was shown"; }
    settled_geometry "$window" || fail "the window does not settle"
    read -r x y _ <<<"$geometry"
    wait_for 20 eval 'frame=$(frame_corner "$window" "$x" "$y"); [ -n "$frame" ]' || fail "the window has no frame"
}
close() {
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
}
expect() { [ "$2" = "$3" ] || fail "$1: $2, not $3"; }

for d3d in 0 1; do
    printf 'Direct3D=%d\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    rm -f user_data/Window.dat
    start
    first=$geometry
    close
    echo "Direct3D=$d3d: first start at $first, frame at $frame"
    expect "Window.dat after the first start" "$(window_dat)" "$frame 640 480 0"

    start
    geometry_is "$window" "$first" || fail "the second start's window: $geometry, not $first"
    # The user moves the window (the window manager takes the corner asked as the frame's).
    xdotool windowmove "$window" 150 100
    wait_for 10 eval '[ "$(client_geometry "$window")" != "$first" ]' || fail "the window was not moved"
    settled_geometry "$window" || fail "the moved window does not settle"
    read -r x y _ <<<"$geometry"
    frame=$(frame_corner "$window" "$x" "$y")
    moved=$geometry
    close
    echo "Direct3D=$d3d: moved to $moved, frame at $frame"
    expect "Window.dat after the move" "$(window_dat)" "$frame 640 480 0"

    start
    geometry_is "$window" "$moved" || fail "the third start's window: $geometry, not $moved"
    close
    expect "Window.dat after the third start" "$(window_dat)" "$frame 640 480 0"
done
echo PASS
