#!/bin/bash
# The demo game's first story stage played headless with scripted input: the player, started on the
# meadow with the right direction held, walks the hero along the floor, takes the coins on the way
# without being hurt, and touches the goal, which clears the stage (stage end 1) before the time
# runs out; the same input plays the same trace again (the hash aside: it holds the random state,
# which a play that can be saved as a replay seeds from the clock).
# Usage: demo_play.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/demo.stg4_000
[ -f "$stage" ] || fail "no demo stage (project writer missing in $build)"
printf '# hold right all the way\n650 2 0\n' >input.txt

play() {
    MIRELDA4_INPUT=input.txt MIRELDA4_TRACE="$1" MIRELDA4_FRAME_LIMIT=650 \
        timeout $HANG_LIMIT "$player" "$stage" 2>stderr.txt
    local rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
    [ -s "$1" ] || { cat stderr.txt; fail "no trace written"; }
}

play trace1.txt
head -n 1 trace1.txt | grep -q '^1 hero=.* hp=5 .* end=0 ' || fail "first step: $(head -n 1 trace1.txt)"
clear=$(grep -m 1 -n ' end=[^0]' trace1.txt) || fail "the stage did not end: $(tail -n 1 trace1.txt)"
line=${clear#*:}
step=${clear%%:*}
grep -q ' end=1 ' <<<"$line" || fail "the stage ended otherwise than by a clear: $line"
# Every step before the clear: untouched and still playing.
head -n $((step - 1)) trace1.txt | grep -v ' hp=5 .* end=0 ' | head -n 1 | grep -q . &&
    fail "hurt or ended before the goal: $(head -n $((step - 1)) trace1.txt | grep -v ' hp=5 .* end=0 ' | head -n 1)"
# At the goal (column 37 behind the 10-block margin: x 1504), with the coins of the floor taken.
x=$(sed -E 's/.* hero=([0-9]+)\..*/\1/' <<<"$line")
score=$(sed -E 's/.* score=([0-9]+) .*/\1/' <<<"$line")
[ "$x" -ge 1460 ] && [ "$x" -le 1520 ] || fail "cleared away from the goal: $line"
[ "$score" -ge 50 ] || fail "the coins on the floor were not taken: $line"
grep -q ' time=150 ' <(head -n 1 trace1.txt) || fail "the time limit is not running: $(head -n 1 trace1.txt)"
grep -q ' time=14[0-9] ' <<<"$line" || fail "the time limit did not count down: $line"

play trace2.txt
unhashed() { head -n "$step" "$1" | sed 's/ hash=.*//'; }
cmp -s <(unhashed trace1.txt) <(unhashed trace2.txt) || {
    diff <(unhashed trace1.txt) <(unhashed trace2.txt) | head -n 4
    fail "the same input played another trace"
}
echo "step $line"
echo PASS
