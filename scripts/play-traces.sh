#!/bin/bash
# play-traces.sh BUILD OUT
#   Writes the play traces of every stage a change of play's speed must leave alone into the folder
#   OUT: every input of ../shared/found (through found-stages.sh) and every stage of the fixture
#   projects (the flow probes and the effects, riding, series and arranged fixtures), each played
#   headless from its start on both drawing back-ends with a fixed script (running right, jumping,
#   shooting and swinging). Compare two folders with `diff -r`.
set -u
build=$(realpath "$1")
mkdir -p "$2"
out=$(realpath "$2")
here=$(cd "$(dirname "$0")/.." && pwd)
frames=${FRAMES:-600}

TRACE_DIR=$out bash "$here/scripts/found-stages.sh" "$build" >"$out/found.txt" 2>&1 || true

script=$(mktemp)
trap 'rm -f "$script"' EXIT
for i in $(seq 1 12); do
    printf '40 2 0\n12 2 1\n20 2 2\n6 2 4\n30 1 0\n10 1 1\n6 0 2\n8 0 4\n'
done >"$script"

# play_all DIR NAME: plays every stage file of DIR's project on both back-ends.
play_all() {
    local dir=$1 name=$2 stage d3d base
    mkdir -p "$dir/run"
    chmod 700 "$dir/run"
    for stage in "$dir"/data/stg4/*.stg4_*; do
        [ -f "$stage" ] || continue
        base=$(basename "$stage")
        for d3d in 0 1; do
            printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >"$dir/System.ini"
            (cd "$dir" && env XDG_RUNTIME_DIR="$dir/run" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
                MIRELDA4_FRAME_LIMIT="$frames" MIRELDA4_INPUT="$script" MIRELDA4_ANSWERS=ok,ok,ok,ok \
                MIRELDA4_TRACE="$out/$name-$base-d3d$d3d.trace" \
                timeout 300 "$build/mirelda4" "data\\stg4\\$base" >/dev/null 2>&1)
            echo "$name $base d3d$d3d: exit $? $(wc -l <"$out/$name-$base-d3d$d3d.trace" 2>/dev/null) steps"
        done
    done
}

for fixture in probes effects riding series arranged; do
    dir=$(mktemp -d)
    "$build/m4_projwriter" "$dir" >/dev/null
    if [ "$fixture" = probes ]; then
        "$build/m4_fixturewriter" "$dir" >/dev/null
    else
        "$build/m4_fixturewriter" "$dir" "$fixture" >/dev/null
    fi
    play_all "$dir" "$fixture"
    rm -rf "$dir"
done >"$out/fixtures.txt"
echo "traces in $out: $(ls "$out"/*.trace | wc -l)"
