#!/bin/bash
# Under a window manager (openbox), a message box that the game shows while its window is up is a
# dialog of the game window: its window is of the dialog type, transient for the game's window, and
# stacked above it, in a window and in full screen. The box here is the one of a stage file given
# on the command line that cannot be read; Return answers it, and the player ends.
# Runs on its own Xvfb.
# Usage: message_box_dialog_wm.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xprop
printf 'broken' >data/stg4/broken.stg4_000

# box_window: a shown window of the player other than the game's, in box.
box_window() {
    local w
    box=
    for w in $(xdotool search --onlyvisible --class mirelda4 2>/dev/null); do
        [ "$w" != "$window" ] && box=$w
    done
    [ -n "$box" ]
}
# transient_for_game: the box names the game window as its owner (the owner's id in owner).
transient_for_game() {
    owner=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
    [ "$owner" = "$(hex "$window")" ]
}
# box_above: bottom to top, the box comes after the game window (the list in stacking).
box_above() {
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    [ "$(awk -v g="$(hex "$window")" -v b="$(hex "$box")" \
        '{for (i = 1; i <= NF; ++i) {if ($i == g) gi = i; if ($i == b) bi = i}} END {print (gi && bi > gi)}' \
        <<<"$stacking")" = 1 ]
}
# hex <id>: the id as xprop writes it.
hex() { printf '0x%x' "$1"; }

for mode in 1 0; do
    printf 'Direct3D=0\r\nWindowMode=%d\r\nExit\r\n' "$mode" >System.ini
    "$player" data/stg4/broken.stg4_000 2>stderr.txt &
    pid=$!
    wait_for 60 player_window || { cat stderr.txt; fail "WindowMode=$mode: no game window was shown"; }
    wait_for 60 box_window || { cat stderr.txt; fail "WindowMode=$mode: no box window was shown"; }
    wait_for 10 eval 'xprop -id "$box" _NET_WM_WINDOW_TYPE | grep -q "= _NET_WM_WINDOW_TYPE_DIALOG$"' ||
        fail "WindowMode=$mode: the box is not a dialog window: $(xprop -id "$box" _NET_WM_WINDOW_TYPE)"
    wait_for 20 transient_for_game ||
        fail "WindowMode=$mode: the box is transient for '$owner', not the game window $(hex "$window")"
    wait_for 20 box_above || fail "WindowMode=$mode: the box is not above the game window ($stacking)"
    echo "WindowMode=$mode: box $(hex "$box"), a dialog of $owner; stacking $stacking"
    # The answer ends the box, and with it the start (the file to play at once cannot be read).
    xdotool windowfocus --sync "$box" key Return
    wait_for 30 eval '! box_window' || fail "WindowMode=$mode: Return did not answer the box"
    wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "WindowMode=$mode: the player did not end"
    wait "$pid"
    echo "WindowMode=$mode: exit code $?"
    pid=
    grep -q 'terminate called\|ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "abort or sanitizer report"; }
done
echo PASS
