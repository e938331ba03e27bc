#!/usr/bin/env bash
# Memory errors of the whole player, proved apart: builds the player without sanitizers
# (build-memcheck, or the folder MEMCHECK_BUILD names, reused as it is configured) and plays a few
# short whole-program scenarios under valgrind's memcheck: the title and a stage, on both drawing
# back-ends (System.ini Direct3D=1 and 0), headless (SDL's dummy video driver) and on an X display of
# its own (Xvfb with openbox), in a window and full screen, each closed by one of the close's roads
# (the frame limit, SIGTERM, the window manager's close box, Escape, SIGTERM with the display
# server's end in full screen). Every error memcheck reports
# fails the run (leaks are not counted), as does a scenario that does not end cleanly;
# tests/memcheck.supp lets pass a few reports inside libraries' own code, each with its reason.
# Usage: memcheck.sh [JOBS]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
jobs=${1:-4}
build=${MEMCHECK_BUILD:-build-memcheck}
for tool in valgrind Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "memcheck.sh: $tool is not installed"; exit 1; }
done

if [ -f "$build/CMakeCache.txt" ]; then
    # Memcheck cannot run a program built with a sanitizer's runtime.
    if grep -qE '^M4_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
        echo "memcheck.sh: $build is a sanitizer build"
        exit 1
    fi
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DM4_BENCH=OFF >/dev/null || exit 1
fi
cmake --build "$build" -j"$jobs" --target mirelda4 m4_projwriter || exit 1

# Every process writes its report to a file of its own in logs/.
logs=$root/$build/memcheck-logs
rm -rf "$logs"
mkdir -p "$logs"

# The scenarios: name, video (dummy, x), Direct3D, WindowMode (1 a window, 0 full screen), what is
# played (title, stage), how it is closed (limit, term, closebox, escape, serverend: SIGTERM to the
# player and the display server together).
scenarios="
headless-title-d3d      dummy 1 1 title limit
headless-title-ddraw    dummy 0 1 title limit
headless-stage-d3d      dummy 1 1 stage limit
headless-stage-ddraw    dummy 0 1 stage term
x-title-ddraw-escape    x     0 1 title escape
x-stage-d3d-closebox    x     1 1 stage closebox
x-stage-ddraw-limit     x     0 1 stage limit
x-full-stage-d3d-term   x     1 0 stage term
x-full-stage-ddraw-esc  x     0 0 stage escape
x-full-stage-d3d-end    x     1 0 stage serverend
"

# run_scenario <name> <video> <d3d> <mode> <what> <close>: one scenario in folders and on a display of
# its own; its player's standard error is kept in logs/NAME.stderr.
run_scenario() {
    local name=$1 video=$2 d3d=$3 mode=$4 what=$5 close=$6
    (
        player=$root/$build/mirelda4
        build=$root/$build
        . "$root/tests/program/shell_lib.bash"
        if [ "$video" = x ]; then
            enter_x_run_folder
        else
            enter_run_folder
            export SDL_AUDIODRIVER=dummy
        fi
        xvfb= wm= pid=
        trap 'kill -9 $pid 2>/dev/null; kill $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
        printf 'Direct3D=%s\r\nWindowMode=%s\r\nVSync=0\r\nExit\r\n' "$d3d" "$mode" >System.ini
        [ "$video" = x ] && start_display_with_wm 800x600
        local stage= limit=
        [ "$what" = stage ] && stage='data\stg4\demo.stg4'
        [ "$close" = limit ] && { [ "$what" = stage ] && limit=240 || limit=120; }
        env ${limit:+MIRELDA4_FRAME_LIMIT=$limit} MIRELDA4_TRACE=trace.txt \
            valgrind --tool=memcheck --leak-check=no --num-callers=40 --fair-sched=try \
            --child-silent-after-fork=yes --gen-suppressions=all \
            --suppressions="$root/tests/memcheck.supp" --log-file="$logs/$name.%p" \
            "$player" ${stage:+"$stage"} 2>"$logs/$name.stderr" &
        pid=$!
        if [ "$close" != limit ]; then
            # Played for a while: a stage until it has steps, the title a few seconds after its window.
            if [ "$what" = stage ]; then
                wait_for 300 eval '[ "$(trace_lines)" -ge 20 ]' || fail "$name: no play"
            else
                [ "$video" = x ] && { wait_for 300 player_window || fail "$name: no window"; }
                sleep 5
            fi
            case $close in
            term) kill -TERM "$pid" ;;
            serverend) kill -TERM "$pid" "$xvfb" ;;
            closebox | escape)
                wait_for 60 player_window || fail "$name: no window"
                xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
                if [ "$close" = closebox ]; then xdotool key alt+F4; else xdotool key Escape; fi
                ;;
            esac
        fi
        wait_for 600 eval '! kill -0 $pid 2>/dev/null' || fail "$name: the player did not end"
        wait "$pid"
        local rc=$?
        pid=
        ended_cleanly "$name" "$rc" "$logs/$name.stderr"
        [ -e "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid" ] && fail "$name: the pid file was left"
        echo "$name: ended cleanly"
    )
}
export -f run_scenario
export root build logs

start=$SECONDS
failed=0
grep -v '^$' <<<"$scenarios" | xargs -P "$jobs" -L 1 bash -c 'run_scenario "$@"' _ || failed=1
echo "memcheck.sh: scenarios ran in $((SECONDS - start)) s on $jobs jobs"

errors=0
for f in "$logs"/*.[0-9]*; do
    n=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$f" | tail -n 1)
    [ -n "$n" ] || { echo "$f: no error summary (the process did not end under memcheck)"; failed=1; continue; }
    if [ "$n" -gt 0 ]; then
        errors=$((errors + n))
        echo "== $f"
        cat "$f"
    fi
done
if [ "$errors" -gt 0 ]; then
    failed=1
    echo "memcheck.sh: $errors errors" >&2
else
    echo "memcheck.sh: no memcheck error in $(find "$logs" -name '*.[0-9]*' | wc -l) processes"
fi
exit $failed
