#!/usr/bin/env bash
# Runs every unit-test program of a build folder (BUILD/test_*) once whole, each as one process,
# side by side: ctest runs every test case in a process of its own, so a case that passes alone but
# fails after others (state an earlier case leaves behind) is found here. Prints each program's
# result and, for a failure, its failed cases and the lines around them; fails when any program fails.
# Usage: run-test-programs.sh BUILD [JOBS]
set -uo pipefail
build=$(cd "${1:?usage: run-test-programs.sh BUILD [JOBS]}" && pwd) || exit 1
jobs=${2:-$(nproc)}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

programs=()
for p in "$build"/test_*; do
    [[ -f $p && -x $p ]] && programs+=("$(basename "$p")")
done
[ ${#programs[@]} -gt 0 ] || { echo "no unit-test programs in $build" >&2; exit 1; }

# One program: its output to its log, its exit code to NAME.rc.
run_one() {
    (cd "$build" && timeout 900 "./$1" --gtest_brief=1 >"$logs/$1.log" 2>&1)
    echo $? >"$logs/$1.rc"
}
export -f run_one
export build logs
printf '%s\n' "${programs[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$1"' _ {}

failed=0
for name in "${programs[@]}"; do
    rc=$(cat "$logs/$name.rc" 2>/dev/null || echo "?")
    if [ "$rc" = 0 ]; then
        echo "$name: passed whole"
    else
        failed=1
        echo "$name: FAILED run whole (exit $rc)"
        # The failed cases with the lines before them; a program that died shows its last lines.
        grep -E -B8 '^\[  FAILED  \]' "$logs/$name.log" | head -n 80 || tail -n 20 "$logs/$name.log"
    fi
done
exit $failed
