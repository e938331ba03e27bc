#!/bin/bash
# Every pass of a looping play starts from the state it was recorded or loaded with, headless on the
# demo project, one case per row of the table below:
#   replay-clear  the stored meadow replay given as the start file is played to its clear and the
#                 result screen confirmed: the second pass's first frames (fade-in, banner, the first
#                 steps) equal the first pass's, with nothing of the first pass (the goal's notice)
#                 left on them.
#   stage-clear   the same for the meadow given as the start file, played to the goal by the replay
#                 suite's input and played again after the clear: the fade-in and the banner.
#   title-replay  a free play from the title with the time limit cut to one second: the hero is
#                 defeated, the second attempt (one life less) is saved with F1 and played back
#                 through the title's replay item: every frame of the playback, first pass and
#                 passes after its restart alike, shows the lives the recorded attempt showed.
#   file-replay   that replay given as the start file: the same lives on every pass.
# Usage: replay_pass_start.sh <player> <build-dir> [CASE...]
set -u
player=$(realpath "$1")
build=$(realpath "$2")
shift 2
replays=$(cd "$(dirname "$0")/../replays" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo project (project writer missing in $build)"
# No frame rate on the frames: passes are compared pixel for pixel.
printf 'Direct3D=0\r\nWindowMode=1\r\nShowFps=0\r\nExit\r\n' >System.ini

# run_player NAME FRAMES SNAPSHOTS [ARG]: the player in the run folder with input NAME.input, tracing
# to NAME.trace and writing the frames SNAPSHOTS lists into NAME/; ANSWERS holds the scripted answers.
run_player() {
    local name=$1 frames=$2 shots=$3
    shift 3
    rm -rf "$name" && mkdir "$name"
    MIRELDA4_INPUT="$name.input" MIRELDA4_TRACE="$name.trace" MIRELDA4_FRAME_LIMIT="$frames" \
        MIRELDA4_ANSWERS="${ANSWERS:-}" MIRELDA4_SNAPSHOT="$name:$shots" timeout $HANG_LIMIT "$player" "$@" \
        2>"$name.err"
    local rc=$?
    [ "$rc" -eq 0 ] || { cat "$name.err"; fail "$name: exit code $rc"; }
}

# The sampled frames of the first pass, from 1 (the first presented frame) to $1.
first_pass_frames() { seq -s, 1 4 "$1"; }

# pass_start NAME FIRST LAST: the frame of NAME/ in FIRST..LAST at which the second pass begins: the
# darkest of the fade, which must equal the first pass's frame 1.
pass_start() {
    python3 - "$@" <<'PY'
import sys
from snapshot_rows import frame_rows
name, first, last = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def light(n):
    return sum(sum(row) for row in frame_rows(n, folder=name)[::4])
start = min(range(first, last + 1), key=light)
if frame_rows(start, folder=name) != frame_rows(1, folder=name):
    sys.exit("%s: no second pass starting in frames %d to %d" % (name, first, last))
print(start)
PY
}

# same_passes NAME START SAMPLED: each sampled frame n of the first pass (in NAME/) equals frame
# START + n - 1 of the second (in NAME-2/).
same_passes() {
    python3 - "$@" <<'PY'
import sys
from snapshot_rows import frame_rows
name, start, sampled = sys.argv[1], int(sys.argv[2]), sys.argv[3]
bad = []
for n in (int(v) for v in sampled.split(",")):
    a, b = frame_rows(n, folder=name), frame_rows(start + n - 1, folder=name + "-2")
    if a != b:
        rows = [y for y in range(len(a)) if a[y] != b[y]]
        bad.append("%d (rows %d-%d)" % (n, rows[0], rows[-1]))
if bad:
    sys.exit("%s: the second pass (from frame %d) differs from the first at its frames %s"
             % (name, start, ", ".join(bad)))
print("%s: the second pass, from frame %d, shows what the first showed" % (name, start))
PY
}

# two_passes NAME FIRST LAST LASTSAMPLE ARG: plays ARG with NAME.input to its clear, sampling the
# first pass up to its frame LASTSAMPLE and finding the second pass's start in FIRST..LAST; plays it
# again with the same input, sampling the second pass to its first steps; the two passes must show
# the same frames.
two_passes() {
    local name=$1 first=$2 last=$3 sampled start shifted
    sampled=$(first_pass_frames "$4")
    run_player "$name" "$last" "$sampled,$(seq -s, "$first" "$last")" "$5"
    grep -q ' end=1 ' "$name.trace" || fail "$name: the play did not reach its clear"
    start=$(pass_start "$name" "$first" "$last") || exit 1
    shifted=$(tr ',' '\n' <<<"$sampled" | awk -v s="$start" '{ printf "%s%d", (NR > 1 ? "," : ""), s + $1 - 1 }')
    cp "$name.input" "$name-2.input"
    run_player "$name-2" $((start + $4 + 10)) "$shifted" "$5"
    [ "$(grep -c '^1 hero=' "$name-2.trace")" -eq 2 ] || fail "$name: the play did not start again"
    same_passes "$name" "$start" "$sampled" || exit 1
}

# The lives shown at the right of the status bar (rows 0-19 from x 500) of frame N of folder NAME.
lives_area() {
    python3 -c '
import sys, hashlib
from snapshot_rows import frame_rows
rows = frame_rows(int(sys.argv[2]), 20, folder=sys.argv[1])
print(hashlib.sha1(b"".join(r[500 * 3:] for r in rows)).hexdigest())' "$1" "$2"
}

# The meadow's replay, recorded to the goal, then confirm on the result screen (frame 701).
case_replay-clear() {
    mkdir -p user_data/rpl4
    cp "$replays/demo.rpl4_732" user_data/rpl4/
    printf '%s\n' '700 0 0' '1 0 1' >replay-clear.input
    two_passes replay-clear 690 730 150 'user_data\rpl4\demo.rpl4_732'
}

# The meadow played to the goal from its file (the suite's input up to the goal), then confirm on
# the result screen (frame 699): the file is played again.
case_stage-clear() {
    grep -v -e '^#' -e 'f1' "$replays/demo.input" | sed '$d' >stage-clear.input
    printf '%s\n' '190 2 0' '1 0 1' >>stage-clear.input
    two_passes stage-clear 680 725 89 'data\stg4\demo.stg4_000'
}

# Records the replay of the second attempt once: the title's fourth item (free play) plays the
# meadow with a time limit of one second; the hero is defeated at step 60 (frame 189), the second
# attempt's banner runs to frame 269, F1 saves it on frame 290.
recorded_lives=
record_second_attempt() {
    [ -n "$recorded_lives" ] && return
    local stage=data/stg4/demo.stg4_000
    cp "$stage" demo.stg4_000.kept
    # The case's own copy of the stage (the project's files are linked to the other cases').
    rm "$stage" && cp demo.stg4_000.kept "$stage"
    # Fields 14 and 15 of the stage chunk: the time limit on, one second.
    printf '\x01\x00\x00\x00\x01\x00\x00\x00' | dd of="$stage" bs=1 seek=60 conv=notrunc status=none
    { free_play_walk_input | head -n 8; printf '%s\n' '262 0 0' '1 0 0 f1' '9 0 0'; } >attempts.input
    ANSWERS="$stage,user_data/rpl4/lives.rpl4_732" run_player attempts 300 150,250
    cp demo.stg4_000.kept "$stage"
    [ "$(grep -c '^1 hero=' attempts.trace)" -eq 2 ] || fail "attempts: not defeated once before the second attempt"
    [ -s user_data/rpl4/lives.rpl4_732 ] || { cat attempts.err; fail "attempts: F1 saved no replay"; }
    # The first attempt's banner and the second's show different lives.
    [ "$(lives_area attempts 150)" != "$(lives_area attempts 250)" ] ||
        fail "attempts: the lives shown did not change with the defeat"
    recorded_lives=$(lives_area attempts 250)
    rm -rf attempts
}

# same_lives NAME FROM TO: frames FROM..TO (every 10th) of NAME show the recorded attempt's lives.
same_lives() {
    local n bad=
    for n in $(seq "$2" 10 "$3"); do
        [ "$(lives_area "$1" "$n")" = "$recorded_lives" ] || bad="$bad $n"
    done
    [ -z "$bad" ] || fail "$1: frames$bad do not show the lives of the recorded attempt"
    echo "$1: every pass shows the lives of the recorded attempt"
}

# The title's fifth item (replay) answered with the saved file; the fade-in has ended by frame 60,
# and the replay (20 steps) starts again from its banner after each end.
case_title-replay() {
    record_second_attempt
    printf '%s\n' '14 0 0' '1 8 0' '3 0 0' '1 8 0' '3 0 0' '1 8 0' '3 0 0' '1 8 0' '3 0 0' '1 0 1' \
        '300 0 0' >title-replay.input
    ANSWERS=user_data/rpl4/lives.rpl4_732 run_player title-replay 330 "$(seq -s, 60 10 330)"
    [ "$(grep -c '^1 hero=' title-replay.trace)" -ge 2 ] || fail "title-replay: the replay did not start again"
    same_lives title-replay 60 330
}

# The saved file as the start file; its fade-in has ended by frame 40.
case_file-replay() {
    record_second_attempt
    : >file-replay.input
    run_player file-replay 300 "$(seq -s, 40 10 300)" 'user_data\rpl4\lives.rpl4_732'
    [ "$(grep -c '^1 hero=' file-replay.trace)" -ge 2 ] || fail "file-replay: the replay did not start again"
    same_lives file-replay 40 300
}

# Each case in a copy of the project of its own (a runtime folder of its own too), all side by side;
# a case's players run to their frame limits however slow the machine is (the time limit is only for
# a player that hangs). A case's lines are shown when it ends.
run_case() {
    project_copy "$1"
    (cd "$1" && export XDG_RUNTIME_DIR="$PWD/run" && "case_$1") >"$1.log" 2>&1
    echo $? >"$1.rc"
}
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(replay-clear stage-clear title-replay file-replay)
for c in "${cases[@]}"; do
    declare -F "case_$c" >/dev/null || fail "no case $c"
    run_case "$c" &
done
wait
failed=0
for c in "${cases[@]}"; do
    cat "$c.log"
    [ "$(cat "$c.rc")" = 0 ] || { echo "$c: FAILED"; failed=1; }
done
[ "$failed" = 0 ] || exit 1
echo PASS
