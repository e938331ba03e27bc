#!/bin/bash
# A story saved to a slot is taken up again from the title: a first run plays as menu_story.sh (slot 1
# saved, autosave on, the meadow cleared, the return to the world map writing slot 1 with the marker on
# the meadow's node) and closes. A second run in the same folder chooses "continue" on the title and
# slot 1: the world map opens with the marker where the slot left it, so a confirm at once asks the
# meadow's start question, with no step on the map; "yes" plays the meadow again from its start. A new
# game would stand on the map's start cell, which holds no stage. Without slot 1 the title refuses the
# choice and nothing is played.
# Usage: story_slot_load.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

# Directions: 1 left, 2 right, 4 up, 8 down; buttons: 1 confirm, 2 cancel.
{
    story_to_first_stage_input
    cat <<'EOF'
1 0 1     # 157: the stage starts
2 0 0
581 2 0   # 160-740: right held until the clear
11 0 0
1 0 1     # 752: the result screen is left for the world map (autosave)
38 0 0
EOF
} >first.txt
cat >second.txt <<'EOF'
14 0 0
1 8 0     # 15: title, down onto "continue"
3 0 0
1 0 1     # 19: "continue"
5 0 0
1 0 1     # 25: slot 1
33 0 0
1 0 1     # 59: world map: the start question of the node the marker stands on
3 0 0
1 4 0     # 63: "yes"
3 0 0
1 0 1     # 67: the stage starts
2 0 0
100 2 0   # right held
EOF

MIRELDA4_INPUT=first.txt MIRELDA4_TRACE=trace1.txt MIRELDA4_FRAME_LIMIT=790 timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "first run: exit code $rc"; }
grep -q ' end=1 ' trace1.txt || fail "first run: the meadow was not cleared: $(tail -n 1 trace1.txt)"
[ -s user_data/story/Story01.dat ] || fail "first run: no slot 1"

second_run() {
    rm -f trace2.txt
    MIRELDA4_INPUT=second.txt MIRELDA4_TRACE=trace2.txt MIRELDA4_FRAME_LIMIT=200 timeout 60 "$player" 2>stderr.txt
    rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "second run: exit code $rc"; }
}

second_run
[ -s trace2.txt ] || fail "the loaded slot did not put the marker on the meadow's node (nothing played)"
first=$(head -n 1 trace2.txt)
# The meadow from its start: the hero where the first run's first step had it, a fresh score and time.
[ "${first%% hash=*}" = "$(head -n 1 trace1.txt | sed 's/ hash=.*//')" ] ||
    fail "the meadow after the load does not start as it did: $first vs $(head -n 1 trace1.txt)"
grep -q ' end=[^0]' trace2.txt && fail "the meadow ended early after the load: $(grep -m 1 ' end=[^0]' trace2.txt)"

# Without the slot, the title refuses it and nothing is played.
mv user_data/story/Story01.dat saved.dat
second_run
[ -s trace2.txt ] && fail "a stage was played from an empty slot: $(head -n 1 trace2.txt)"
echo "loaded: $first"
echo PASS
