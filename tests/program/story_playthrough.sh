#!/bin/bash
# The demo's story played through to its ending, headless with scripted input: a new game saved to
# slot 1 with the autosave on; the meadow cleared with right held and its result registered in the
# ranking, back to the world map; on the map the marker walks to the cave, which is cleared by
# walking, jumping, shooting and swinging the sword past the bats and the turret. The cave's node
# advances the story: the stage counter rises, the clear switches are cleared and the marker stands
# on the start cell of the second world, where the castle is open. Its boss is fought with shots,
# the hero turning to it on either side, until its defeat clears the stage, that result is registered too, and the castle's node
# returns to the title. The slot is taken after each save, in runs of their own; the music requests show each menu
# asking for its music again after play. (The death and continue menu, the challenge, free play and
# replays have their own scripts beside this one.)
# Usage: story_playthrough.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

# The input, one line per run of frames: "frames directions buttons [key]". Directions: 1 left,
# 2 right, 4 up, 8 down; buttons: 1 confirm (jump in play), 2 cancel (shot), 4 the sword. `frame`
# counts the frames written so far.
frame=0
emit() {
    echo "$1 $2 $3 ${4:-}"
    frame=$((frame + $1))
}
idle_to() { if [ "$1" -gt "$frame" ]; then emit $(($1 - frame)) 0 0; fi; }
tap() {
    emit 1 "$1" "$2" "${3:-}"
    emit 3 0 0
}
# A node's start question, its "yes", and the stage's start; the stage's first play step comes 96
# frames after the last press.
enter_stage() {
    tap 0 1
    tap 4 0
    tap 0 1
    start=$((frame + 96))
}
# Shots in a fight, eight frames each (four held, four released): S standing, L walking left, R walking
# right; j also jumps; a count repeats it.
fight() {
    local t d b n
    for t in "$@"; do
        case ${t:0:1} in S) d=0 ;; L) d=1 ;; R) d=2 ;; esac
        b=2
        [ "${t:1:1}" = j ] && b=3
        n=${t#?}
        n=${n#j}
        for ((n = ${n:-1}; n > 0; n--)); do
            emit 4 "$d" "$b"
            emit 4 "$d" 0
        done
    done
}
# A shot turning to a side (1 left, 2 right), then seven frames of rest.
tap_shot() {
    emit 1 "$1" 2
    emit 7 0 0
}
# The result window: registered in the ranking with F3, the table left, the window left.
register_and_leave() {
    tap 0 0 f3
    idle_to $((frame + 36))
    tap 0 1
    idle_to $((frame + 6))
    tap 0 1
}

{
    story_to_first_stage_input
    frame=157
    tap 0 1 # the meadow starts
    idle_to 160
    emit 581 2 0 # right held: it clears about step 440
    idle_to 752
    tap 0 0 f3
    tap 0 1
    tap 0 1
    idle_to 790
    for _ in 1 2 3 4 5 6; do tap 2 0; done # along the road to the cave
    enter_stage
    # The lamp keeper's opening sign (two seconds) and game wait (half a second) hold the cave before it
    # starts.
    start=$((start + 150))
    idle_to "$start"
    for _ in 1 2 3 4 5; do
        emit 50 2 0
        emit 14 2 1
        emit 20 0 2
        emit 8 2 4
    done
    emit 30 1 2
    emit 360 2 0 # on to the goal: it clears at step 794
    idle_to $((start + 850))
    tap 0 1
    idle_to $((frame + 30))
    # The second world, from the start cell to the castle: right five times (over the cave, now a
    # place passed by), then down twice.
    for _ in 1 2 3 4 5; do tap 2 0; done
    tap 8 0
    tap 8 0
    enter_stage
    idle_to "$start"
    fight R30 # towards the boss, shooting
    # Standing, turning to the boss on either side: six shots to the right, six to the left, twice
    # (the boss, twice a slime's size, is defeated at step 304, early in the first turns).
    for _ in 1 2; do
        for _ in 1 2 3 4 5 6; do tap_shot 2; done
        for _ in 1 2 3 4 5 6; do tap_shot 1; done
    done
    for _ in 1 2 3 4; do tap_shot 2; done
    idle_to $((start + 634))
    register_and_leave
    idle_to $((frame + 100))
} >input.txt

slot=user_data/story/Story01.dat
# The slot as the player leaves it after <frames> frames of the same input, as slot.<n>: after the
# save in the menu (frame 87) and the autosave switched on (107), and back on the map after the
# meadow. Each is a run of its own ended by the frame limit, in a copy of the project, so that no
# version is missed however slow the machine is; the runs and the whole play go side by side. (The
# time limit is only for a player that hangs.)
slot_after() {
    project_copy "slot$1"
    (cd "slot$1" && XDG_RUNTIME_DIR="$PWD/run" MIRELDA4_INPUT=../input.txt MIRELDA4_FRAME_LIMIT=$2 \
        MIRELDA4_ANSWERS=Kai timeout $HANG_LIMIT "$player" 2>stderr.txt
    echo $? >rc)
}
slot_after 1 100 &
slot_after 2 135 &
slot_after 3 800 &
mkdir -p snap
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_MUSIC=music.txt MIRELDA4_SNAPSHOT=snap:745 \
    MIRELDA4_FRAME_LIMIT=$((frame + 5)) MIRELDA4_ANSWERS=Kai timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
wait
for n in 1 2 3; do
    [ "$(cat "slot$n/rc")" -eq 0 ] || { cat "slot$n/stderr.txt"; fail "slot $n: exit code $(cat "slot$n/rc")"; }
    [ -s "slot$n/$slot" ] || fail "no slot 1 in the run of slot $n"
    cp "slot$n/$slot" "slot.$n"
done
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
cp "$slot" slot.4
[ -s trace.txt ] || { cat stderr.txt; fail "no stage was played (no trace)"; }

# Three stages, each started once at step 1 and each ended by a clear (stage end 1), in order: the
# meadow (150 seconds), the cave (180) and the castle (240) by their time limits.
[ "$(grep -c '^1 hero=' trace.txt)" = 3 ] || fail "not three stage starts: $(grep -n '^1 hero=' trace.txt)"
ends=$(grep ' end=[^0]' trace.txt)
[ "$(wc -l <<<"$ends")" = 3 ] || fail "not three stage ends: $ends"
grep -q ' end=[^1]' <<<"$ends" && fail "a stage ended otherwise than by a clear: $ends"
limits=$(grep '^1 hero=' trace.txt | sed 's/.* time=\([0-9]*\) .*/\1/' | tr '\n' ' ')
[ "$limits" = "150 180 240 " ] || fail "the stages were not the meadow, the cave and the castle: $limits"
grep -q '^304 .* score=1000 .* end=1 ' <<<"$ends" || fail "the boss was not defeated at step 304: $ends"

# The meadow's result screen (frame 745) shows the F3 hint of its ranking centred on x 320: its
# pale letters on the ground (rows 456-471, left of the frame counter) are as far left of it as right.
ink=$(python3 - snap/frame-745.bmp <<'EOF'
import struct, sys
d = open(sys.argv[1], "rb").read()
off, (w, h) = struct.unpack_from("<I", d, 10)[0], struct.unpack_from("<ii", d, 18)
row = (w * 3 + 3) // 4 * 4
xs = [x for y in range(456, 472) for x in range(480)
      if min(d[off + (h - 1 - y) * row + 3 * x:off + (h - 1 - y) * row + 3 * x + 3]) >= 192]
print(min(xs), max(xs)) if xs else print("none")
EOF
)
read -r left right <<<"$ink"
[ "$left" != none ] && [ $(((left + right) / 2)) -ge 316 ] && [ $(((left + right) / 2)) -le 324 ] ||
    fail "the F3 hint is not centred on x 320: its letters span $ink"

# The music requests ("context number"): the title (music 1), the world map (2; the save menu shares
# its music and asks for none), each stage (2), and after each stage the menu it returns to asks
# again: the map after the meadow and the cave, the title after the castle. (The castle's boss
# asks for the stage's music again as it wakes: repeated requests count once.)
music=$(uniq music.txt | tr '\n' '|')
[ "$music" = "0 1|1 2|4 2|1 2|4 2|1 2|4 2|0 1|" ] || fail "music requests: $music"

# The versions of slot 1: number fields after the version and their count (field n at 4 n + 4: the
# map cell 2, 3; the stage counter 5; the stage number 6; lives 9; the total of the stage values 12;
# the stage's music 18; the autosave 26), the stage flags and the common variables at the end.
word() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }
field() { word "$1" $((4 * $2 + 4)); }
flag() {
    local size
    size=$(stat -c %s "$1")
    word "$1" $((size - 4 * 256 - 4 - 4 * 1000 + 4 * $2))
}
var() { word "$1" $(($(stat -c %s "$1") - 4 * 256 + 4 * $2)); }
# The save in the menu and the autosave switched on, then one autosave after the meadow and one after
# the cave: the castle returns to the title, which writes nothing.
for n in 2 3 4; do
    cmp -s "slot.$((n - 1))" "slot.$n" && fail "slot.$n is slot.$((n - 1)) again: a save was not written"
done
state() { echo "cell $(field "$1" 2),$(field "$1" 3) counter $(field "$1" 5) stage $(field "$1" 6) flags $(flag "$1" 1)$(flag "$1" 2)$(flag "$1" 3) world $(var "$1" 2) values $(field "$1" 12) music $(field "$1" 18) autosave $(field "$1" 26)"; }
expect() { [ "$(state "$1")" = "$2" ] || fail "$1 ($3): $(state "$1"), not $2"; }
expect slot.2 "cell 9,7 counter 0 stage 0 flags 000 world 0 values 0 music 0 autosave 1" "autosave on"
expect slot.3 "cell 7,7 counter 0 stage 1 flags 100 world 0 values 70 music 2 autosave 1" "the meadow cleared"
expect slot.4 "cell 9,7 counter 1 stage 2 flags 000 world 1 values 170 music 2 autosave 1" "the cave cleared"
[ "$(field "$slot" 9)" = 2 ] || fail "lives $(field "$slot" 9) after the cave: two left of three in a game without deaths"
for r in demo castle; do
    grep -q Kai "user_data/story/$r.rkg" || fail "the ranking of $r does not hold the registered name"
done
echo "cleared: $(tr '\n' '|' <<<"$ends")"
echo PASS
