#!/bin/bash
# Memory running out at every moment: plays the demo with the player built to fail one allocation
# or one thread start (BUILD/mirelda4_faults, built with the tests) and counts how each run ends.
# Every run whose fault was reached must show one memory box and nothing else, exit 0 (no abort, no
# crash, no hang), write the window placement and release its pid file.
#
# Scenarios, on both drawing back-ends: the start-up (window thread), a stage's set-up, play with its
# drawing and presenting (game thread, from frame 40 of a stage), music starting (window thread), the
# pause loop (a stage whose flow waits) and the ranking view (after a registration at a clear).
# Each scenario first runs once without a fault to count the allocations and thread starts after its
# moment, then fails allocation N for N = 1..30 and SAMPLES more spread over the rest, and each
# thread start in turn.
#
# A run ends "ok" (as it must), "absorbed" (the failed allocation asked not to throw and its caller
# went on without it, as a sort without its scratch room does), "unreached" (the run had fewer
# allocations than N), or as it must not: "abort", "crash", "hang", "went-on" (no box: the failure was
# swallowed), "other-box", "boxesN", "no-window-dat", "pid-left". The script fails on any of those.
#
# Usage: scripts/oom-sweep.sh BUILD [SAMPLES] [SCENARIO...]   (about 15 minutes with SAMPLES=25)
# Not part of CI. JOBS (default 4) runs side by side; KEEP=1 keeps the run folders (under $TMPDIR).
# The standard error of each run that did not end as it should is kept in BUILD/oom-sweep/.
set -u
build=$(realpath "${1:?usage: oom-sweep.sh BUILD [SAMPLES] [SCENARIO...]}")
samples=${2:-40}
shift $(($# < 2 ? $# : 2))
player=$build/mirelda4_faults
[ -x "$player" ] || { echo "no $player (build the tests)"; exit 2; }
jobs=${JOBS:-4}
work=$(mktemp -d "${TMPDIR:-/tmp}/oom-sweep.XXXXXX")
out=$build/oom-sweep
rm -rf "$out"
mkdir -p "$out"
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
"$build/m4_projwriter" "$work/project" >/dev/null || { echo "the project writer failed"; exit 2; }
# The fixture stages beside the demo's: one whose flow waits (the pause loop holds the play).
"$build/m4_fixturewriter" "$work/project" >/dev/null || { echo "the fixture writer failed"; exit 2; }

# Inputs (frames count from the program's first): the meadow of the story cleared and its result
# registered (F3; the name dialog is answered), which shows the ranking view.
story_start() {
    sed -n '/^story_to_first_stage_input()/,/^}/p' "$(dirname "$0")/../tests/program/shell_lib.bash" |
        sed -n '/<<.EOF.$/,/^EOF$/p' | sed '1d;$d'
}
{
    story_start
    printf '1 0 1\n2 0 0\n581 2 0\n'
} >"$work/clear.txt"
{
    cat "$work/clear.txt"
    printf '11 0 0\n1 0 0 f3\n200 0 1\n'
} >"$work/ranking.txt"
printf '40 2 0\n20 2 1\n' >"$work/walk.txt"

stage='data\stg4\demo.stg4_000'
# NAME DIRECT3D MOMENT THREADS FRAMES INPUT START-FILE
scenarios=(
    "start-dd 0 start thread 40 - -"
    "start-d3d 1 start thread 40 - -"
    "setup-dd 0 stage thread 40 - $stage"
    "setup-d3d 1 stage thread 40 - $stage"
    "play-dd 0 frame#40 thread 70 walk $stage"
    "play-d3d 1 frame#40 thread 70 walk $stage"
    "music-dd 0 music thread 40 - $stage"
    "music-d3d 1 music thread 40 - $stage"
    "pause-dd 0 pause thread 240 - data\\stg4\\fx_c_game_wait.stg4_000"
    "pause-d3d 1 pause thread 240 - data\\stg4\\fx_c_game_wait.stg4_000"
    "ranking-dd 0 ranking thread 1000 ranking -"
    "ranking-d3d 1 ranking thread 1000 ranking -"
)

# run_one SCENARIO-LINE KIND N: one run in a folder of its own; prints "NAME KIND N RESULT".
run_one() {
    local name d3d at threads frames input file kind=$2 n=$3
    read -r name d3d at threads frames input file <<<"$1"
    local d="$work/runs/$name-$kind-$n"
    mkdir -p "$d/run"
    chmod 700 "$d/run"
    cp -rl "$work/project/." "$d/"
    # Files of its own where the run writes (the project's are linked).
    rm -rf "$d/user_data" "$d/System.ini"
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >"$d/System.ini"
    local args=()
    [ "$file" != - ] && args=("$file")
    local envs=(MIRELDA4_FAULT_AT="$at" MIRELDA4_FAULT_THREADS="$threads" MIRELDA4_FRAME_LIMIT="$frames"
        MIRELDA4_ANSWERS=sweep XDG_RUNTIME_DIR="$d/run")
    [ "$input" != - ] && envs+=(MIRELDA4_INPUT="$work/$input.txt")
    [ "$kind" = new ] && envs+=(MIRELDA4_FAULT_NEW="$n")
    [ "$kind" = spawn ] && envs+=(MIRELDA4_FAULT_SPAWN="$n")
    (cd "$d" && env "${envs[@]}" timeout -s KILL 120 "$player" "${args[@]}" >/dev/null 2>stderr.txt)
    local rc=$? result
    local boxes memory
    boxes=$(grep -c '^\[' "$d/stderr.txt")
    memory=$(grep -c '^\[エラー\] メモリ' "$d/stderr.txt")
    if [ "$kind" = count ]; then
        result=$(sed -n 's/^fault: counted \([0-9]*\) allocations and \([0-9]*\) thread starts.*/\1 \2/p' \
            "$d/stderr.txt")
        echo "$name count 0 ${result:-0 0}"
        return
    fi
    if ! grep -q '^fault: failed' "$d/stderr.txt"; then
        result=unreached
    elif [ "$rc" -eq 137 ]; then
        result=hang
    elif [ "$rc" -eq 134 ] || grep -q 'terminate called' "$d/stderr.txt"; then
        result=abort
    elif [ "$rc" -ge 128 ]; then
        result=crash
    elif [ "$rc" -ne 0 ]; then
        result=exit$rc
    elif [ "$memory" -eq 0 ] && [ "$boxes" -eq 0 ] && grep -q '^fault: failed nothrow' "$d/stderr.txt"; then
        # An allocation whose caller copes without it (a sort's scratch room): the run went on.
        result=absorbed
    elif [ "$boxes" -eq 0 ]; then
        # No box: the program went on (the failure was absorbed somewhere, or lost).
        result=went-on
    elif [ "$memory" -eq 0 ]; then
        result=other-box
    elif [ "$boxes" -ne 1 ]; then
        result=boxes$boxes
    elif [ ! -s "$d/user_data/Window.dat" ] && grep -aqs '^GameLoop : ' "$d/Report_Game.txt"; then
        # The placement is written once the game has started (not by a start cut short).
        result=no-window-dat
    elif ls "$d/run/"*.pid >/dev/null 2>&1; then
        result=pid-left
    else
        result=ok
    fi
    echo "$name $kind $n $result"
    [ "$result" = ok ] || [ "$result" = unreached ] || [ "$result" = absorbed ] || cp "$d/stderr.txt" "$out/$name-$kind-$n.txt"
    [ "${KEEP:-0}" = 1 ] || rm -rf "$d"
}
# run_line "SCENARIO-LINE<tab>KIND<tab>N"
run_line() {
    local s k n
    IFS=$'\t' read -r s k n <<<"$1"
    run_one "$s" "$k" "$n"
}
export -f run_one run_line
export work player out

wanted=("$@")
selected=()
for s in "${scenarios[@]}"; do
    name=${s%% *}
    if [ ${#wanted[@]} -eq 0 ] || printf '%s\n' "${wanted[@]}" | grep -qxF "$name"; then selected+=("$s"); fi
done

# The counting runs, then the list of faulted runs.
for s in "${selected[@]}"; do printf '%s\tcount\t0\n' "$s"; done |
    xargs -P "$jobs" -d '\n' -n 1 bash -c 'run_line "$0"' \
        >"$work/counts.txt"
: >"$work/plan.txt"
for s in "${selected[@]}"; do
    name=${s%% *}
    read -r _ _ _ allocs spawns < <(grep "^$name count " "$work/counts.txt")
    echo "$name: ${allocs:-0} allocations, ${spawns:-0} thread starts after its moment"
    allocs=${allocs:-0}
    {
        for ((n = 1; n <= allocs && n <= 30; ++n)); do echo "$n"; done
        if [ "$allocs" -gt 30 ]; then
            for ((k = 1; k <= samples; ++k)); do echo $((30 + (allocs - 30) * k / samples)); done
        fi
    } | sort -nu | while read -r n; do printf '%s\tnew\t%s\n' "$s" "$n"; done >>"$work/plan.txt"
    for ((n = 1; n <= ${spawns:-0}; ++n)); do printf '%s\tspawn\t%s\n' "$s" "$n"; done >>"$work/plan.txt"
done
xargs -P "$jobs" -d '\n' -n 1 bash -c 'run_line "$0"' \
    <"$work/plan.txt" >"$work/results.txt"

echo
printf '%-12s %5s %7s %4s %8s %6s %7s %5s %s\n' scenario runs reached ok absorbed aborts crashes hangs other
for s in "${selected[@]}"; do
    name=${s%% *}
    awk -v n="$name" '$1 == n {
            runs++; if ($4 != "unreached") reached++
            if ($4 == "ok") ok++; else if ($4 == "absorbed") absorbed++; else if ($4 == "abort") ab++; else if ($4 == "crash") cr++
            else if ($4 == "hang") hg++; else if ($4 != "unreached") other = other " " $2 "#" $3 ":" $4
        } END { printf "%-12s %5d %7d %4d %8d %6d %7d %5d%s\n", n, runs, reached, ok, absorbed, ab, cr, hg, other }' \
        "$work/results.txt"
done
bad=$(awk '$4 != "ok" && $4 != "unreached" && $4 != "absorbed"' "$work/results.txt" | wc -l)
echo "runs: $(wc -l <"$work/results.txt"), not ending as they should: $bad"
[ "${KEEP:-0}" = 1 ] && echo "kept in $work"
[ "$bad" -eq 0 ]
