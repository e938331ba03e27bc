#!/bin/bash
# The replay regression suite: every replay stored in tests/replays/ (recorded from the demo
# stages by tests/replays/record.sh) is played back headless, all side by side, and its trace must
# equal the stored one step by step, outcome included (the last step's hero, score, time, lists and
# stage-end word). A difference fails with the stage, the first differing step and both lines.
# Usage: replay_suite.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
replays=$(cd "$(dirname "$0")/../replays" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -d data/stg4 ] || fail "no demo project (project writer missing in $build)"
printf 'Direct3D=0\r\nWindowMode=1\r\nExit\r\n' >System.ini

stages=()
for t in "$replays"/*.trace; do
    s=$(basename "$t" .trace)
    [ -f "$replays/$s.rpl4_732" ] || fail "$s: a stored trace without its replay"
    stages+=("$s")
done
[ ${#stages[@]} -gt 0 ] || fail "no stored replays in $replays"

# Each playback in a copy of the project with a runtime folder of its own (one instance each).
for s in "${stages[@]}"; do
    mkdir -p "$s/user_data/rpl4"
    cp -r data System.ini "$s/"
    for f in bmp wave bgm; do [ -d "$f" ] && cp -r "$f" "$s/"; done
    cp "$replays/$s.rpl4_732" "$s/user_data/rpl4/"
    mkdir -m 700 -p "$s/run"
    steps=$(wc -l <"$replays/$s.trace")
    # The fade-in, the start banner and what a stage holds before its start (the cave's opening
    # sign and game wait) come first, then the replay's steps.
    (cd "$s" && XDG_RUNTIME_DIR="$dir/$s/run" MIRELDA4_TRACE="$dir/$s/played.txt" \
        MIRELDA4_FRAME_LIMIT=$((steps + 300)) timeout 100 "$player" "user_data\\rpl4\\$s.rpl4_732" \
        2>"$dir/$s/stderr.txt"; echo $? >"$dir/$s/rc") &
done
wait

status=0
for s in "${stages[@]}"; do
    expected=$replays/$s.trace
    played=$dir/$s/played.txt
    rc=$(cat "$dir/$s/rc")
    if [ "$rc" -ne 0 ]; then
        echo "FAIL: $s: the player exited with $rc" >&2
        cat "$dir/$s/stderr.txt" >&2
        status=1
        continue
    fi
    steps=$(wc -l <"$expected")
    touch "$played"
    # The first step that differs, or the first one missing.
    k=$(awk -v n="$steps" 'NR == FNR { e[FNR] = $0; next } FNR <= n && $0 != e[FNR] { print FNR; exit }' \
        "$expected" "$played")
    got=$(head -n "$steps" "$played" | wc -l)
    [ -n "$k" ] || [ "$got" -ge "$steps" ] || k=$((got + 1))
    if [ -n "$k" ]; then
        echo "FAIL: $s: the playback differs from the stored trace at step $k of $steps" >&2
        echo "  expected: $(sed -n "${k}p" "$expected")" >&2
        echo "  played:   $(sed -n "${k}p" "$played")" >&2
        status=1
        continue
    fi
    echo "$s: $steps steps as stored; $(tail -n 1 "$expected" | cut -d' ' -f2- | sed 's/ hash=.*//')"
done
[ $status -eq 0 ] || fail "replays differ (if the demo project or play changed on purpose, record them anew with tests/replays/record.sh)"
echo PASS
