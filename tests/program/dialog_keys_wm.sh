#!/bin/bash
# Under a window manager (openbox), a key that goes to a dialog stays there. During play of a stage
# named on the command line the input script opens the replay's save dialog (F1), shown in the game
# window and used with the keyboard:
#   save    Tab onto 保存, Space held a while, then let go: the replay is written, and the play goes
#           on (Space, the pause key, does not open the pause menu);
#   cancel  Tab twice onto キャンセル, Space held a while: the play goes on;
#   escape  Escape held long enough for the display to repeat it: it cancels the dialog, and the
#           play goes on (Escape in the game window ends the player).
# Usage: dialog_keys_wm.sh <player> <build-dir> [save|cancel|escape]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xwd python3
# DirectDraw in a window unless DIRECT3D and WINDOW_MODE say otherwise (scripts/tsan.sh runs the others).
printf 'Direct3D=%d\r\nWindowMode=%d\r\nExit\r\n' "${DIRECT3D:-0}" "${WINDOW_MODE:-1}" >System.ini
save_dialog_input >input.txt

for how in save cancel escape; do
    [ -z "$only" ] || [ "$only" = "$how" ] || continue
    start_play "$how" MIRELDA4_INPUT=input.txt
    wait_for 60 chooser_shown || { cat "stderr-$how.txt"; fail "$how: the save dialog was not shown"; }
    held=$(trace_lines)
    focus_game
    case $how in
    save)
        xdotool key Tab
        hold space 0.5
        wait_for 20 eval 'ls user_data/rpl4/*.rpl4_732 >/dev/null 2>&1' || fail "$how: no replay was written"
        ;;
    cancel)
        xdotool key Tab Tab
        hold space 0.5
        ;;
    escape) hold Escape 1.2 ;;
    esac
    ends_with_play_going_on "$how" "$held"
done
echo PASS
