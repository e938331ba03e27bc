#!/bin/bash
# A close (SIGTERM, the close box's road) while the play scene loads its pictures: the load stops at
# the next picture, shut-down waits for the game thread instead of giving up on it, and nothing is
# released while that thread still reads: exit code 0, no thread left behind, no sanitizer report.
# The first read of one picture in the middle of the load is held for 1.5 s with strace, and the
# close is sent as soon as the picture is opened; a picture of the list after it must never
# be opened. Run with both drawing back-ends.
# Usage: close_during_play_load.sh <player> <build-dir>
# ctest: serial (shut-down is timed on the wall clock against its own wait)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
command -v strace >/dev/null || { echo "SKIP: strace is not installed"; exit 0; }
enter_run_folder
export SDL_AUDIODRIVER=dummy
# LeakSanitizer cannot run under ptrace; the address checks still do.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
slow=bmp/Item.bmp
later=bmp/Word.bmp
[ -f "$slow" ] && [ -f "$later" ] || fail "the project has no $slow or $later"
opened() { grep -q "openat(.*\"$slow\"" trace.txt 2>/dev/null; }

# run_closed DIRECT3D DELAY_US: starts the player with the first read of $slow held, closes it as soon
# as that picture is opened, and waits for the end; sets rc, report and released, the milliseconds
# from the close until the instance's files were removed (the last step of shut-down).
run_closed() {
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$1" >System.ini
    rm -f trace.txt Report_Game.txt "$XDG_RUNTIME_DIR"/mirelda4-window-*.pid
    strace -f -qq -o trace.txt -e trace=openat,read -e inject=read:delay_enter="$2":when=1 \
        -P "$slow" -P "$later" "$player" 'data\stg4\demo.stg4' 2>stderr.txt &
    tracer=$!
    trap 'kill -9 $tracer 2>/dev/null; rm -rf "$dir"' EXIT
    wait_for 60 opened || fail "Direct3D=$1: $slow was never opened"
    local start pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid
    start=$(date +%s%N)
    kill -TERM "$(cat "$pidfile")"
    wait_for 60 eval '[ ! -e "$pidfile" ]' || fail "Direct3D=$1: no end after the close"
    released=$((($(date +%s%N) - start) / 1000000))
    wait_for 60 eval '! kill -0 $tracer 2>/dev/null' || fail "Direct3D=$1: no end after the close"
    wait "$tracer"
    rc=$?
    report=$(iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r')
    echo "Direct3D=$1, read held $(($2 / 1000)) ms: shut down after $released ms, exit $rc"
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "Direct3D=$1: exit code $rc"; }
    grep -q 'ERROR: \|runtime error' stderr.txt && { cat stderr.txt; fail "Direct3D=$1: sanitizer report"; }
    return 0
}

for mode in 0 1; do
    run_closed "$mode" 1500000
    grep -q 'did not end\|skipped' <<<"$report" && { echo "$report"; fail "Direct3D=$mode: a thread was left running"; }
    grep -q '^GameLoop : ' <<<"$report" || { echo "$report"; fail "Direct3D=$mode: the game thread did not end by itself"; }
    grep -q "\"$later\"" trace.txt && { cat trace.txt; fail "Direct3D=$mode: the load went on after the close"; }
done

# A read that outlasts shut-down's wait: the game thread is left in it and nothing it uses is
# released; shut-down still ends after its wait, with the report written and the instance's files
# removed.
run_closed 1 10000000
[ "$released" -lt 8500 ] || fail "shut-down waited for the held read ($released ms)"
grep -q 'did not end' <<<"$report" && grep -q '^UnInitGame : skipped' <<<"$report" ||
    { echo "$report"; fail "the thread left behind was not reported, or its resources were released"; }
echo PASS
