#!/bin/bash
# The story through the menus, headless with scripted input on the demo project: the title's first
# item starts a new game on the world map; cancel there opens the save menu, where slot 1 is saved
# (confirmed with "yes") and the autosave switched on; back on the map the marker walks two cells
# left onto the first stage's node, whose start question is answered "yes"; the meadow, played with
# right held, clears (stage end 1); on the result screen F3 registers the result under the name the
# scripted name dialog gives (three characters), the ranking table's genre button shows the next
# genre's table, and confirm leaves for the world map, whose return
# from play writes the autosave: slot 1's file then holds the first stage's clear switch, which only
# that write can have put there (the menu's saves came before the stage).
# Usage: menu_story.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

# Frames count from the program's first; a fade takes 10 frames. Directions: 1 left, 2 right, 4 up,
# 8 down; buttons: 1 confirm, 2 cancel.
{
    story_to_first_stage_input
    cat <<'EOF'
1 0 1     # 157: the stage starts
2 0 0
581 2 0   # 160-740: right held; play starts near frame 257 and clears about 440 steps later
11 0 0
1 0 0 f3  # 752: result screen: register the result
3 0 0
1 0 8     # 756: the next genre's table
3 0 0
1 0 1     # 760: the ranking table is left
3 0 0
1 0 1     # 764: the result screen is left
30 0 0
EOF
} >input.txt

mkdir snaps
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=794 MIRELDA4_ANSWERS=Kai \
    MIRELDA4_SNAPSHOT="snaps:753,754,757" timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }

slot=user_data/story/Story01.dat
[ -s "$slot" ] || { cat stderr.txt; ls -R user_data; fail "the save menu wrote no slot 1"; }
[ -s trace.txt ] || { cat stderr.txt; fail "the stage was never played (no trace)"; }
clear=$(grep -m 1 ' end=[^0]' trace.txt) || fail "the stage did not end: $(tail -n 1 trace.txt)"
grep -q ' end=1 ' <<<"$clear" || fail "the stage ended otherwise than by a clear: $clear"

# The slot file ends with the stage flags (a count, then one 32-bit word each) and the common
# variables (likewise).
size=$(stat -c %s "$slot")
word() { od -An -t d4 -j "$1" -N 4 "$slot" | tr -d ' '; }
vars=$((size - 4 - 4 * 256))
[ "$(word "$vars")" = 256 ] || fail "slot 1 does not end with 256 common variables"
flags=$((vars - 4 - 4 * 1000))
[ "$(word "$flags")" = 1000 ] || fail "slot 1 does not hold 1000 stage flags"
[ "$(word $((flags + 4)))" = 1 ] || fail "stage flag 0 is not set in slot 1"
[ "$(word $((flags + 8)))" = 1 ] || fail "the autosave after the clear did not write slot 1 (clear switch 1 unset)"

# The ranking of the meadow, registered under the scripted name.
[ -s user_data/story/demo.rkg ] || { ls user_data/story; fail "no ranking file for the meadow"; }
grep -q Kai user_data/story/demo.rkg || fail "the ranking does not hold the name the dialog gave"
# The ranking table over the frozen result screen, still while nothing is pressed; the genre button
# draws the next genre's table (the presented frames run one behind the input's here).
for n in 753 754 757; do [ -f "snaps/frame-$n.bmp" ] || fail "no frame $n taken"; done
cmp -s snaps/frame-753.bmp snaps/frame-754.bmp || fail "the ranking table changed while nothing was pressed"
cmp -s snaps/frame-754.bmp snaps/frame-757.bmp && fail "the genre button did not draw the next genre's table"
echo "cleared: $clear"
echo PASS
