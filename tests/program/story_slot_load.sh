#!/bin/bash
# A story saved to a slot is taken up again from the title: a first run plays as menu_story.sh (slot 1
# saved, autosave on, the meadow cleared, the return to the world map writing slot 1 with the marker on
# the meadow's node) and closes. A second run in the same folder chooses "continue" on the title and
# slot 1, leaves the world map for the save menu and takes its "to title" item ("yes"), and chooses
# "continue" and slot 1 again: the world map opens with the marker where the slot left it; its ranking
# button shows the ranking table, its genre button the next genre's table; a confirm at once asks the meadow's start question, with no step on the map; "no" goes back to the
# map with the marker in place, a confirm asks again, and "yes" plays the meadow from its start. A new
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
1 0 2     # 59: world map, cancel: the save menu
29 0 0
1 8 0     # 89: down three times, onto "to title"
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 0 1     # 101: "to title"
3 0 0
1 4 0     # 105: "yes"
3 0 0
1 0 1     # 109: back to the title
43 0 0
1 0 1     # 153: "continue", where the title's cursor stayed
5 0 0
1 0 1     # 159: slot 1
33 0 0
1 0 4     # 193: world map: the ranking table shown
3 0 0
1 0 8     # 197: the next genre's table
3 0 0
1 0 1     # 201: the start question of the node the marker stands on
3 0 0
1 0 1     # 205: "no": back to the map, the marker where it stood
3 0 0
1 0 1     # 209: the start question again
3 0 0
1 4 0     # 213: "yes"
3 0 0
1 0 1     # 217: the stage starts
2 0 0
100 2 0   # right held
EOF
cat >noslot.txt <<'EOF'
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

MIRELDA4_INPUT=first.txt MIRELDA4_TRACE=trace1.txt MIRELDA4_FRAME_LIMIT=790 timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "first run: exit code $rc"; }
grep -q ' end=1 ' trace1.txt || fail "first run: the meadow was not cleared: $(tail -n 1 trace1.txt)"
[ -s user_data/story/Story01.dat ] || fail "first run: no slot 1"

second_run() { # <input script> <frame limit> [<frames to take>]
    rm -rf trace2.txt snaps
    mkdir snaps
    MIRELDA4_INPUT=$1 MIRELDA4_TRACE=trace2.txt MIRELDA4_FRAME_LIMIT=$2 MIRELDA4_SNAPSHOT="snaps:${3:-1}" \
        timeout $HANG_LIMIT "$player" 2>stderr.txt
    rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "second run: exit code $rc"; }
}

second_run second.txt 348 192,194,196,200
[ -s trace2.txt ] || fail "the title, the slot or the map's question went wrong after the save menu (nothing played)"
# The map's ranking table (its corner at 367,64): shown by the press at frame 193, the next genre's by
# the press at frame 197.
python3 - <<'PY' || fail "the map's ranking table: see above"
import struct, sys


def table(n):
    d = open("snaps/frame-%d.bmp" % n, "rb").read()
    off = struct.unpack_from("<I", d, 10)[0]
    w, h = struct.unpack_from("<ii", d, 18)
    stride = (w * 3 + 3) & ~3
    return [d[off + (h - 1 - y) * stride + 367 * 3 : off + (h - 1 - y) * stride + 639 * 3] for y in range(64, 416)]


if table(196) == table(192):
    sys.exit("the ranking button did not show the table")
if table(194) != table(196):
    sys.exit("the table changed without a press")
if table(200) == table(196):
    sys.exit("the genre button did not show another genre's table")
PY
# The stage starts about a hundred frames after the confirm at frame 217; a "no" that had started it
# at frame 205 would have played a dozen steps more.
steps=$(wc -l <trace2.txt)
[ "$steps" -le 36 ] || fail "the meadow started before the second question's \"yes\" ($steps steps)"
first=$(head -n 1 trace2.txt)
# The meadow from its start: the hero where the first run's first step had it, a fresh score and time.
[ "${first%% hash=*}" = "$(head -n 1 trace1.txt | sed 's/ hash=.*//')" ] ||
    fail "the meadow after the load does not start as it did: $first vs $(head -n 1 trace1.txt)"
grep -q ' end=[^0]' trace2.txt && fail "the meadow ended early after the load: $(grep -m 1 ' end=[^0]' trace2.txt)"

# Without the slot, the title refuses it and nothing is played.
mv user_data/story/Story01.dat saved.dat
second_run noslot.txt 200
[ -s trace2.txt ] && fail "a stage was played from an empty slot: $(head -n 1 trace2.txt)"
echo "loaded: $first"
echo PASS
