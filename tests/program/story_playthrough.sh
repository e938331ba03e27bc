#!/bin/bash
# The demo's story played through to its ending, headless with scripted input: a new game saved to
# slot 1 with the autosave on; the meadow cleared with right held and its result registered in the
# ranking; on the world map the marker walks to the cave, which is cleared by walking, jumping,
# shooting and swinging the sword past the bats and the turret; then to the castle, whose boss is
# fought with shots and jumps until its defeat clears the stage (and the story: nothing follows),
# and that result is registered too. Each return to the world map writes the autosave, so slot 1
# ends with the castle's node and all three clear switches set, the lives of a game without deaths
# plus the extra life of the boss's 1,000 points, and both rankings hold the name the scripted name
# dialog gave. (The death and continue menu, the challenge, free play and replays have their own
# scripts beside this one.)
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
# Shots in a fight, six frames each (three held, three released): S standing, L walking left, R walking
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
            emit 3 "$d" "$b"
            emit 3 "$d" 0
        done
    done
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
    tap 2 0 # to the castle: right, then down twice
    tap 8 0
    tap 8 0
    enter_stage
    idle_to "$start"
    emit 135 2 0 # up to the boss, which wakes once on the screen
    fight R3 S2 Sj2 L2 Sj3 L4 S3 L S S4 L6 L4 S2 Sj2 Rj4 Lj4 L Rj2 S Lj L3 # defeated at step 459
    idle_to $((start + 634))
    register_and_leave
    idle_to $((frame + 100))
} >input.txt

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=$((frame + 5)) MIRELDA4_ANSWERS=Kai \
    timeout 110 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "no stage was played (no trace)"; }

# Three stages, each started once at step 1 and each ended by a clear (stage end 1), in order: the
# meadow (150 seconds), the cave (180) and the castle (240) by their time limits.
[ "$(grep -c '^1 hero=' trace.txt)" = 3 ] || fail "not three stage starts: $(grep -n '^1 hero=' trace.txt)"
ends=$(grep ' end=[^0]' trace.txt)
[ "$(wc -l <<<"$ends")" = 3 ] || fail "not three stage ends: $ends"
grep -q ' end=[^1]' <<<"$ends" && fail "a stage ended otherwise than by a clear: $ends"
limits=$(grep '^1 hero=' trace.txt | sed 's/.* time=\([0-9]*\) .*/\1/' | tr '\n' ' ')
[ "$limits" = "150 180 240 " ] || fail "the stages were not the meadow, the cave and the castle: $limits"
grep -q '^459 .* score=1000 .* end=1 ' <<<"$ends" || fail "the boss was not defeated at step 459: $ends"

# Slot 1 after the last autosave: number fields after the version and their count (map x, map y at 12
# and 16; stage number and part at 28 and 32; start lives and lives at 36 and 40), the stage flags
# and the common variables at the end.
slot=user_data/story/Story01.dat
[ -s "$slot" ] || { ls -R user_data; fail "no slot 1"; }
word() { od -An -t d4 -j "$1" -N 4 "$slot" | tr -d ' '; }
[ "$(word 12),$(word 16)" = "14,9" ] || fail "slot 1 is not at the castle's node: $(word 12),$(word 16)"
[ "$(word 28)" = 3 ] || fail "slot 1's stage is $(word 28), not the castle"
[ "$(word 40)" = 3 ] || fail "lives $(word 40): two left of three, and one for 1,000 points, make 3"
size=$(stat -c %s "$slot")
flags=$((size - 4 - 4 * 256 - 4 - 4 * 1000))
[ "$(word "$flags")" = 1000 ] || fail "slot 1 does not hold 1000 stage flags"
for s in 1 2 3; do
    [ "$(word $((flags + 4 + 4 * s)))" = 1 ] || fail "clear switch $s is not set in slot 1"
done
for r in demo castle; do
    grep -q Kai "user_data/story/$r.rkg" || fail "the ranking of $r does not hold the registered name"
done
echo "cleared: $(tr '\n' '|' <<<"$ends")"
echo PASS
