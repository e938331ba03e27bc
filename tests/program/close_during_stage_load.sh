#!/bin/bash
# A close (SIGTERM, the close box's road) while the stage named on the command line loads ends
# start-up and goes straight to shut-down: exit code 0, no crash, no frame drawn, no sanitizer
# report. The stage file's reads are slowed with strace, and the close is sent once as the load's
# first read starts and once as its last read starts (the load then finishes while the close runs).
# Each slowed read takes a second, so that the close lands inside it even on a busy machine.
# Usage: close_during_stage_load.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
command -v strace >/dev/null || { echo "SKIP: strace is not installed"; exit 0; }
enter_run_folder
export SDL_AUDIODRIVER=dummy
# LeakSanitizer cannot run under ptrace; the address checks still do.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
stage=data/stg4/demo.stg4_000
[ -f "$stage" ] || fail "the project has no $stage"
report() { iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r'; }
# Reads of the stage file begun so far (strace writes a call's start before its injected delay).
reads() {
    local n
    n=$(grep -c ' read(' trace.txt 2>/dev/null)
    echo "${n:-0}"
}
reads_at_least() { [ "$(reads)" -ge "$1" ]; }
# slowed <microseconds>: the player started on the stage, each read of the stage file delayed.
slowed() {
    strace -f -qq -o trace.txt -e trace=read -e inject=read:delay_enter="$1" -P "$stage" \
        "$player" 'data\stg4\demo.stg4' 2>stderr.txt
}

# How many reads the whole start takes (the end-marker check, then the loader).
rm -f trace.txt
MIRELDA4_FRAME_LIMIT=1 slowed 10000 || fail "the slowed start alone failed: $(cat stderr.txt)"
total=$(reads)
[ "$total" -ge 2 ] || fail "only $total reads of the stage seen"

for at in 1 "$total"; do
    rm -f trace.txt Report_Game.txt "$XDG_RUNTIME_DIR"/mirelda4-window-*.pid
    slowed 1000000 &
    tracer=$!
    pid=
    trap 'kill -9 $tracer $pid 2>/dev/null; rm -rf "$dir"' EXIT
    wait_for 60 reads_at_least "$at" || fail "the stage was never read"
    pid=$(cat "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid")
    kill -TERM "$pid"
    wait_for 60 eval '! kill -0 $tracer 2>/dev/null' || fail "no end after the close"
    wait "$tracer"
    rc=$?
    echo "close at read $at of $total: exit $rc"
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc after a close at read $at"; }
    grep -q 'ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "sanitizer report"; }
    report | grep -q "GameLoop : " && fail "the game ran frames after a close during start-up"
done
echo PASS
