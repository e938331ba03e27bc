#!/bin/bash
# WindowMode=0 takes the screen under a window manager (openbox) with either back-end: the window
# covers the whole display without a frame, in the window manager's full-screen state, and shows the
# game's picture scaled to the display's height and letter-boxed (1000 x 900: the picture 1000 x 750,
# 75 black rows above and below). A message box shown over the full-screen window (a start whose
# palette picture is missing) is stacked above it and seen on the screen; its answer ends the player.
# Runs on its own Xvfb.
# Usage: full_screen.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
probe="$(dirname "$(realpath "$0")")/picture_probe.py"
[ -x "$build/m4_box_probe" ] || fail "m4_box_probe is not built"
enter_wm_scenario 1000x900 Xvfb openbox xdotool xwininfo xprop xwd python3

box_window() {
    local w
    box=
    for w in $(xdotool search --onlyvisible --class mirelda4 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "エラー" ] && box=$w
    done
    [ -n "$box" ]
}
ended() { ! kill -0 "$pid" 2>/dev/null; }
full_screen_state() { xprop -id "$window" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN; }
# screen_shows: the screen shows frame 200 scaled into the middle of the display.
screen_shows() {
    xwd -root -silent >screen.xwd && python3 "$probe" screen.xwd snap/frame-200.bmp 0 75 1000 750 >probe.txt 2>&1
}
# box_above: the box is stacked right above the game window.
box_above() {
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*#//' | tr -d ' ')
    case ",$stacking," in *",$(printf '0x%x,0x%x' "$window" "$box"),"*) return 0 ;; esac
    return 1
}
# box_seen: the box's part of the screen is the box as the player draws it: nothing covers it.
box_seen() {
    xwd -silent -id "$box" >box.xwd && "$build/m4_box_probe" box.xwd 0 "エラー" 'bmp\plt\Palette.bmp の読み込みに失敗！' >probe.txt 2>&1
}

for d3d in 0 1; do
    printf 'Direct3D=%d\r\nWindowMode=0\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    rm -rf snap && mkdir snap
    MIRELDA4_SNAPSHOT=snap:200 "$player" 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "Direct3D=$d3d: no window was shown"; }
    geometry_is "$window" "0 0 1000 900" || fail "Direct3D=$d3d: the window at $geometry does not cover the display"
    echo "Direct3D=$d3d: window at $geometry"
    wait_for 20 full_screen_state || fail "Direct3D=$d3d: the window is not in the full-screen state"
    # The title screen stands still from its frame 200 on.
    wait_for 60 test -s snap/frame-200.bmp || fail "Direct3D=$d3d: frame 200 was not written"
    wait_for 20 screen_shows || { cat probe.txt; fail "Direct3D=$d3d: the screen does not show the picture"; }
    kill -TERM "$pid"
    wait "$pid"
    rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "Direct3D=$d3d: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
    [ -f user_data/Window.dat ] && fail "Direct3D=$d3d: Window.dat written in full screen"
done

# A box over the full-screen window: seen on the screen, above the window.
mv bmp/plt/Palette.bmp Palette.bmp.away
printf 'Direct3D=1\r\nWindowMode=0\r\nVSync=0\r\nExit\r\n' >System.ini
"$player" 2>stderr.txt &
pid=$!
wait_for 60 box_window || { cat stderr.txt; fail "no box was shown"; }
wait_for 20 player_window || fail "the game window is not shown under the box"
geometry_is "$window" "0 0 1000 900" || fail "the window under the box, at $geometry, does not cover the display"
wait_for 20 box_above || fail "the box is not stacked above the game window: $stacking"
wait_for 20 box_seen || { cat probe.txt; fail "the box is not seen on the screen"; }
xdotool windowfocus --sync "$box" key Return
wait_for 30 ended || fail "the player did not end after the box"
wait "$pid"
pid=
grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
echo PASS
