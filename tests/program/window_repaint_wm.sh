#!/bin/bash
# Under a window manager (openbox), while a box or a dialog holds the play the game window is
# painted again when another window that lay over it goes away: it shows what it showed before,
# not pieces of that window. The box is the replay save's failure during play (F1, then a folder
# that does not exist); the dialog is the replay's save dialog itself. A window (xlogo) is opened
# over the game window's top left and closed again. Both back-ends: Direct3D in a window, and
# DirectDraw in a window (the desktop's 32 bits) and in full screen at 8 bits (the project's own)
# and at 32.
# Usage: window_repaint_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwd xwininfo xlogo python3
save_dialog_input >input.txt
cover=

# cover_shown: the covering window is on the screen, its id in cover.
cover_shown() {
    cover=$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n 1)
    [ -n "$cover" ]
}

# run_case D3D WINDOW_MODE BPP WHAT: one player in that set-up, held by WHAT (box or dialog).
run_case() {
    local what="$4 (Direct3D=$1 WindowMode=$2 Bpp=$3)"
    printf 'Direct3D=%d\r\nWindowMode=%d\r\nBpp=%d\r\nVSync=0\r\nExit\r\n' "$1" "$2" "$3" >System.ini
    answers=
    [ "$4" = box ] && answers=user_data/rpl4/none/x.rpl4_732
    rm -f trace.txt
    env ${answers:+MIRELDA4_ANSWERS=$answers} MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt \
        "$player" 'data\stg4\demo.stg4' 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "$what: no game window was shown"; }
    if [ "$4" = box ]; then
        wait_for 60 shown_box || { cat stderr.txt; fail "$what: no box was shown"; }
    else
        wait_for 60 chooser_shown || { cat stderr.txt; fail "$what: the dialog was not shown"; }
    fi
    wait_for 20 settled_geometry "$window" || fail "$what: the game window did not settle"
    read -r gx gy _ _ <<<"$geometry"
    # The game window's top left, away from the box and the dialog in its middle.
    region="$((gx + 20)) $((gy + 20)) 160 100"
    before=$(screen_region $region)
    [ -n "$before" ] || fail "$what: the screen could not be read"
    xlogo -geometry "200x140+$((gx + 10))+$((gy + 10))" 2>/dev/null &
    xlogo=$!
    wait_for 20 cover_shown || fail "$what: the covering window was not shown"
    wait_for 20 eval '[ "$(screen_region $region)" != "$before" ]' || fail "$what: the covering window did not cover the game window"
    kill $xlogo
    wait $xlogo 2>/dev/null
    wait_for 20 eval '! cover_shown' || fail "$what: the covering window did not go"
    wait_for 10 eval '[ "$(screen_region $region)" = "$before" ]' ||
        fail "$what: the game window was not painted again where the covering window was"
    echo "$what: the game window was painted again"
    kill $pid
    wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "$what: the player did not end on a close"
    wait "$pid"
    rc=$?
    pid=
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "$what: exit code $rc"; }
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "$what: abort or sanitizer report"; }
}

for setup in "1 1 0" "0 1 0" "0 0 0" "0 0 32"; do
    for what in box dialog; do
        run_case $setup "$what"
    done
done
echo PASS
