#!/bin/bash
# A death in the story and the continue menu, headless with scripted input on the demo project: the
# meadow's time limit is cut to one second. The title's first item starts a new game; slot 1 is saved
# from the world map's save menu with the autosave switched on (as in menu_story.sh); the marker
# walks onto the meadow's node and the stage starts. Nothing is pressed in play, so the time limit
# defeats the hero (stage end 2) and the continue menu opens; its first item, "retry", starts the
# stage again at step 1. The hero is defeated a second time; on the menu, down and confirm choose
# "back to the map", whose world map writes the autosave: slot 1 then holds the meadow's node and
# stage (set when the stage was entered, after the menu's save), the meadow's clear switch unset,
# and its lives less by the one the entry took and one per defeat (unlimited lives stay unlimited).
# Usage: menu_death_continue.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/demo.stg4_000
[ -f data/WorldMap.dat ] && [ -f "$stage" ] || fail "no demo project (project writer missing in $build)"
# Fields 14 and 15 of the stage chunk (after the version word and the field count): time limit on,
# 1 second.
printf '\x01\x00\x00\x00\x01\x00\x00\x00' | dd of="$stage" bs=1 seek=60 conv=notrunc status=none

# Frames count from the program's first; a fade takes 10 frames. Directions: 1 left, 2 right, 4 up,
# 8 down; buttons: 1 confirm, 2 cancel.
{
    story_to_first_stage_input
    cat <<'EOF'
1 0 1     # 157: the stage starts; the first defeat is over and the menu open about frame 320
202 0 0
1 0 1     # 360: continue menu, first item: retry; the second menu opens about frame 500
169 0 0
1 8 0     # 530: down: "back to the map"
3 0 0
1 0 1     # 534: chosen
40 0 0
EOF
} >input.txt

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=580 \
    timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "the stage was never played (no trace)"; }

# Two tries, each starting at step 1 with the time limit showing, each ended by the time limit in its
# 60th step with the hero defeated.
starts=$(grep -n '^1 hero=' trace.txt | cut -d: -f1 | tr '\n' ' ')
[ "$starts" = "1 62 " ] || fail "the stage did not start exactly twice, at lines 1 and 62 (starts at lines: $starts)"
for first in 1 62; do
    line59=$(sed -n "$((first + 58))p" trace.txt)
    line60=$(sed -n "$((first + 59))p" trace.txt)
    grep -q '^59 .* time=1 .* end=0 ' <<<"$line59" || fail "try from line $first, step 59: $line59"
    grep -q '^60 .* time=0 .* end=2 ' <<<"$line60" || fail "try from line $first, step 60 (no defeat): $line60"
done
grep -q ' end=1 ' trace.txt && fail "the stage was cleared: $(grep -m 1 ' end=1 ' trace.txt)"
[ "$(wc -l <trace.txt)" -eq 122 ] || fail "the trace goes on after the second defeat: $(tail -n 1 trace.txt)"

# Slot 1, as the autosave of the world map reached by giving up wrote it. It starts with the version
# and the count of number fields, then those fields (the strings come after them): carry-over, map x,
# map y, node entry, stage counter, stage number, stage part, start lives, lives, ...
slot=user_data/story/Story01.dat
[ -s "$slot" ] || { cat stderr.txt; ls -R user_data; fail "the save menu wrote no slot 1"; }
word() { od -An -t d4 -j "$1" -N 4 "$slot" | tr -d ' '; }
[ "$(word 4)" = 32 ] || fail "slot 1 does not hold 32 number fields (it holds $(word 4))"
[ "$(word 12),$(word 16)" = "7,7" ] ||
    fail "slot 1 does not hold the meadow's node (map $(word 12),$(word 16)): no autosave after giving up"
[ "$(word 28),$(word 32)" = "1,1" ] ||
    fail "slot 1 does not hold the meadow as the stage (stage $(word 28), part $(word 32)): no autosave after giving up"
startLives=$(word 36)
lives=$(word 40)
if [ "$startLives" = 999999 ]; then
    [ "$lives" = 999999 ] || fail "unlimited lives became $lives"
else
    [ "$lives" = $((startLives - 3)) ] ||
        fail "lives $lives after the entry and two defeats (the stage was entered with $startLives)"
fi

# The stage flags (a count, then one 32-bit word each) before the 256 common variables: the meadow's
# clear switch (flag 1) stays unset.
size=$(stat -c %s "$slot")
vars=$((size - 4 - 4 * 256))
[ "$(word "$vars")" = 256 ] || fail "slot 1 does not end with 256 common variables"
flags=$((vars - 4 - 4 * 1000))
[ "$(word "$flags")" = 1000 ] || fail "slot 1 does not hold 1000 stage flags"
[ "$(word $((flags + 8)))" = 0 ] || fail "the meadow's clear switch is set after two defeats"
echo "defeats: $(grep ' end=2 ' trace.txt | grep '^60 ' | wc -l); lives $lives of $startLives"
echo PASS
