#!/bin/bash
# A file-size limit (ulimit -f) below the size of a replay, headless with scripted input on the demo
# project: free play of the meadow, F1 saves the replay through the scripted save dialog; the write
# fails, which a box tells as any failed write is, no part of the file is left, and the player plays
# on to its frame limit and ends with exit code 0.
# Usage: file_size_limit.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"

{
    free_play_walk_input
    cat <<'EOF'
1 2 0 f1   # 200: save the replay (the save dialog answers its name)
99 2 0
EOF
} >input.txt

# 4 KiB: the logs fit, a replay (the stage travels in it) does not.
(
    ulimit -f 4
    exec env MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=300 \
        MIRELDA4_ANSWERS="data/stg4/demo.stg4_000,user_data/rpl4/limit" timeout 60 "$player" 2>stderr.txt
)
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
grep -q 'limit.rpl4_732」の書き込みに失敗しました' stderr.txt || { cat stderr.txt; fail "no box told of the failed write"; }
left=$(ls -A user_data/rpl4)
[ -z "$left" ] || fail "the failed write left files: $left"
echo PASS
