#!/bin/bash
# The stage chooser of free play worked through its widgets by a typing script: it opens on the
# stage folder; ".." goes up to the data folder and "stg4" back into the stage folder; a name that
# is not there is refused with a "file not found" box, which enter closes, and the chooser stays
# open; the name is cleared from its start (home, then delete letter by letter), the caret moved
# about, the meadow's file typed after a composition shown in the field: the meadow is played with
# right held.
# A chooser that took the missing name, or lost its folder on the way, plays nothing.
# Usage: file_chooser_typing.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"

free_play_walk_input >input.txt

# The name field holds the focus first.
script="events:text:.. enter text:stg4 enter text:nosuch enter enter"
script+=" home delete delete delete delete delete delete end left right compose:de text:demo.stg4_000 enter"
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=260 \
    MIRELDA4_ANSWERS="$script" timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "the chosen stage was never played (no trace)"; }
grep -q '^1 hero=' trace.txt || fail "no stage start in the trace"
last=$(tail -n 1 trace.txt)
x=$(sed -E 's/.* hero=([0-9]+)\..*/\1/' <<<"$last")
[ "$x" -gt 200 ] || fail "the hero did not walk on the chosen stage: $last"
echo "played after the script: $last"

# The missing name alone: the box is closed and the script ends with the chooser still open, which
# then gives up; no stage is played.
rm -f trace.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=260 \
    MIRELDA4_ANSWERS="events:text:nosuch enter enter" timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc with the missing name"; }
[ ! -s trace.txt ] || fail "a stage was played although the name typed is not there"
echo PASS
