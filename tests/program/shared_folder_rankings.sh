#!/bin/bash
# Two players in one game folder, each with a runtime folder of its own (two logins sharing the
# folder), headless: both play the demo stage to its clear with the replay suite's input. The first
# has loaded the stage's rankings and is held (SIGSTOP) while the second clears, registers "AAA" with
# F3 through the scripted name dialog and ends; the first then goes on and registers "BBB". Its
# registration keeps the entries the second wrote after it had loaded the table: the ranking file
# holds both names.
# Usage: shared_folder_rankings.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
replays=$(cd "$(dirname "$0")/../replays" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
first=
trap 'kill -CONT $first 2>/dev/null; kill -9 $first 2>/dev/null; rm -rf "$dir"' EXIT

# The meadow cleared by the replay suite's input (its last line, the replay's F1, left out); F3 on
# the result screen registers, confirm closes the table shown after it.
{
    grep -v '^#' "$replays/demo.input" | grep -v ' f1'
    cat <<'EOF'
12 0 0
1 0 0 f3   # 741: register: the name dialog
14 0 0
1 0 1      # 756: close the table
43 0 0
EOF
} >input.txt
frames=800
rkg=user_data/free/demo.rkg

names_in_file() { [ -f "$rkg" ] && for n in "$@"; do grep -aq "$n" "$rkg" || return 1; done; }

mkdir -m 700 run1 run2
XDG_RUNTIME_DIR=$dir/run1 MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace1.txt MIRELDA4_FRAME_LIMIT=$frames \
    MIRELDA4_ANSWERS=BBB "$player" 'data\stg4\demo.stg4_000' 2>stderr1.txt &
first=$!
# Its play has begun: the rankings are loaded.
wait_for 60 grep -qs '^1 hero=' trace1.txt || { cat stderr1.txt; fail "the first player's play never began"; }
kill -STOP "$first"

XDG_RUNTIME_DIR=$dir/run2 MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace2.txt MIRELDA4_FRAME_LIMIT=$frames \
    MIRELDA4_ANSWERS=AAA timeout $HANG_LIMIT "$player" 'data\stg4\demo.stg4_000' 2>stderr2.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr2.txt; fail "the second player: exit code $rc"; }
grep -q ' end=1 ' trace2.txt || fail "the second player did not clear the stage: $(tail -n 1 trace2.txt)"
names_in_file AAA || { cat stderr2.txt; fail "the second player registered nothing"; }
names_in_file BBB && fail "the first player registered while it was held"

kill -CONT "$first"
wait_for 100 eval '! kill -0 $first 2>/dev/null' || fail "the first player did not end"
wait "$first"
rc=$?
first=
[ "$rc" -eq 0 ] || { cat stderr1.txt; fail "the first player: exit code $rc"; }
grep -q ' end=1 ' trace1.txt || fail "the first player did not clear the stage: $(tail -n 1 trace1.txt)"
names_in_file BBB || { cat stderr1.txt; fail "the first player registered nothing"; }
names_in_file AAA BBB || fail "the first player's registration dropped the second player's entries"
echo PASS
