#!/bin/bash
# A close of the program while the ranking-name dialog is open registers nothing: the meadow of the
# story is cleared, F3 on the result screen opens the name dialog, which the script leaves open;
# SIGTERM then closes the player, which ends cleanly without writing the stage's ranking.
# Usage: ranking_name_close.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

# As the story test: frames count from the program's first; right held clears the meadow.
{
    story_to_first_stage_input
    cat <<'EOF'
1 0 1     # 157: the stage starts
2 0 0
581 2 0   # 160-740: right held
11 0 0
1 0 0 f3  # 752: result screen: register the result, the name dialog opens
EOF
} >input.txt

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_ANSWERS="events:wait" \
    timeout 90 "$player" 2>stderr.txt &
pid=$!
wait_for 60 grep -q 'waiting for the close' stderr.txt ||
    { kill -TERM "$pid"; wait "$pid"; cat stderr.txt; fail "the name dialog never opened"; }
kill -TERM "$pid"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
grep -q ' end=1 ' trace.txt || fail "the meadow was not cleared"
[ -e user_data/story/demo.rkg ] && { od -c user_data/story/demo.rkg | head -n 5; fail "the close registered the result"; }
echo PASS
