#!/bin/bash
# A resizable Direct3D window (WindowMode=2) under a window manager (openbox): sized by the user to
# 960 x 600, it shows the game's picture stretched over the whole client area; the close keeps the
# size in user_data/Window.dat, and the next start opens the window at the same place and size,
# the picture again over all of it. Resized again by dragging its frame's corner, the window opens
# where it closed at each of the next two starts. Runs on its own Xvfb.
# Usage: window_resize.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
probe="$(dirname "$(realpath "$0")")/picture_probe.py"
enter_wm_scenario 1280x1024 Xvfb openbox xdotool xwininfo xprop xwd python3
printf 'Direct3D=1\r\nWindowMode=2\r\nVSync=0\r\nExit\r\n' >System.ini

start() {
    rm -rf snap && mkdir snap
    MIRELDA4_SNAPSHOT=snap:200 "$player" 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "no window was shown"; }
    settled_geometry "$window" || fail "the window does not settle"
}
# shows_picture <what>: the window's client area shows the title screen (standing still from its
# frame 200 on) stretched over all of it.
shows_picture() {
    wait_for 60 test -s snap/frame-200.bmp || fail "$1: frame 200 was not written"
    read -r _ _ w h <<<"$geometry"
    # The picture reaches the display a little after the frame is written.
    wait_for 20 eval 'xwd -silent -id "$window" >window.xwd &&
        python3 "$probe" window.xwd snap/frame-200.bmp 0 0 "$w" "$h" >probe.txt 2>&1' ||
        { cat probe.txt; fail "$1: the window does not show the picture over all of it"; }
}
close() {
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
}

start
wait_for 20 size_is "$window" 640 480 || fail "the first start's window is at $geometry, not 640 x 480"
read -r x y w h <<<"$geometry"
wait_for 20 eval 'corner=$(frame_corner "$window" "$x" "$y"); [ -n "$corner" ]' || fail "the window has no frame"
read -r fx fy <<<"$corner"
xdotool windowsize "$window" 960 600
wait_for 20 size_is "$window" 960 600 || fail "the resized window is at $geometry, not 960 x 600"
settled_geometry "$window" || fail "the resized window does not settle"
echo "resized: $geometry"
read -r rx ry w h <<<"$geometry"
# The window manager keeps a window that a program resizes on the screen: the frame keeps its
# corner unless its right edge would leave the screen, and then moves left just enough (the frame of
# the centred window grown to 960 would end 2 pixels beyond the 1280 pixels of the screen). The
# player has no part in that move: the next start opens where the window closed.
IFS=', ' read -r left right _ <<<"$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //')"
keep=$((1280 - (left + w + right)))
wait_for 20 eval '[ "$(frame_corner "$window" "$rx" "$ry")" = "$((fx < keep ? fx : keep)) $fy" ]' ||
    fail "the resized window's frame is at $(frame_corner "$window" "$rx" "$ry"), not kept on the screen from $fx $fy"
resized=$geometry
shows_picture "resized"
read -r x y _ <<<"$geometry"
frame=$(frame_corner "$window" "$x" "$y")
close
[ "$(window_dat)" = "$frame 960 600 0" ] || fail "Window.dat holds $(window_dat), not $frame 960 600 0"

start
geometry_is "$window" "$resized" || fail "the restarted window is at $geometry, not $resized"
echo "restarted: $geometry"
shows_picture "restarted"
# The user drags the frame's bottom right corner (the window manager's grip below the client area)
# 100 pixels left and 60 up.
read -r x y w h <<<"$geometry"
gx=$((x + w)) gy=$((y + h + 3))
xdotool mousemove "$gx" "$gy" mousedown 1 sleep 0.2 mousemove $((gx - 50)) $((gy - 30)) sleep 0.2 \
    mousemove $((gx - 100)) $((gy - 60)) sleep 0.2 mouseup 1
geometry_is "$window" "$x $y $((w - 100)) $((h - 60))" || fail "the dragged window is at $geometry"
settled_geometry "$window" || fail "the dragged window does not settle"
echo "dragged: $geometry"
dragged=$geometry
close
# Twice: the place a start opens at is where the window closed, and it stays there.
for n in 1 2; do
    start
    geometry_is "$window" "$dragged" || fail "restart $n after the drag: the window is at $geometry, not $dragged"
    echo "restart $n after the drag: $geometry"
    close
done
echo PASS
