#!/bin/bash
# found-stages.sh BUILD [FOUND]
#   Plays every input of FOUND (default ../shared/found beside the repository) that once made the
#   player misbehave, headless with BUILD/mirelda4 in a demo project written by BUILD/m4_projwriter,
#   each with its frames, drawing back-end and scripted input, and prints per input its exit code,
#   its peak resident memory and its wall time. Fails when a run does not end by itself at its frame
#   limit (exit 0, and for a stage the game loop's closing line) or holds more than MAX_MB (default
#   512) MB.
# found-stages.sh BUILD [FOUND] --repeat N NAME
#   Plays the one input NAME (for example memory-2.2GB-pause-loop-past-frame-limit) N times and
#   checks every run the same way.
# With TRACE_DIR set, each run also writes its play trace to TRACE_DIR/NAME.trace.
set -u
build=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
found=$(realpath "${2:-$here/../shared/found}")
shift $(( $# >= 2 ? 2 : 1 ))
max_mb=${MAX_MB:-512}
repeat=0 only=
if [ "${1:-}" = --repeat ]; then repeat=$2; only=$3; fi

# name|file|where in the project|frames|Direct3D|input ("-": none)|argument ("-": none)
inputs() {
    local t=$found/turn3 s=$found/turn4 u=$found/turn5
    cat <<LIST
challenge-trunc4|$t/Challenge.dat.trunc4|user_data/Challenge.dat|300|0|-|-
zero-replay|$t/zero.rpl4_732|data/stg4/zero.rpl4_732|300|0|-|data\\stg4\\zero.rpl4_732
worldmap-zero|$t/WorldMap.dat.zero|data/WorldMap.dat|300|0|-|-
worldmap-node-overflow|$t/WorldMap.dat.node-overflow|data/WorldMap.dat|300|0|-|-
ranking-trunc|$t/demo.rkg.trunc-1|user_data/free/demo.rkg|300|0|-|-
LIST
    for f in "$s"/*.stg4_000; do
        local n; n=$(basename "$f" .stg4_000)
        for d in 0 1; do echo "$n-d3d$d|$f|data/stg4/gen.stg4_000|300|$d|-|data\\stg4\\gen.stg4_000"; done
    done
    while IFS='|' read -r n frames d3d input; do
        echo "$n|$u/$n.stg4_000|data/stg4/gen.stg4_000|$frames|$d3d|$input|data\\stg4\\gen.stg4_000"
    done <<LIST
ub-hero-invincible-times-framemul|337|1|$u/input-seed101.txt
ub-hit-repeat-times-framemul|263|1|$u/input-seed99.txt
ub-effect-position-cast|416|0|$u/input-seed168.txt
ub-chara-position-cast|300|1|-
memory-loop-expansion-1.8GB|435|1|$u/input-seed55.txt
memory-2.2GB-pause-loop-past-frame-limit|371|1|$u/input-seed183.txt
slow-427-charas-1139-items|300|0|$u/input-seed86.txt
slow-1881-charas|300|0|-
LIST
}

# play NAME FILE PLACE FRAMES D3D INPUT ARG: one run; prints its line, fails on a bad run.
play() {
    local name=$1 file=$2 place=$3 frames=$4 d3d=$5 input=$6 arg=$7 dir rc kb line ms
    dir=$(mktemp -d)
    "$build/m4_projwriter" "$dir" >/dev/null || { echo "$name: the project writer failed"; rm -rf "$dir"; return 1; }
    mkdir -p "$dir/$(dirname "$place")" "$dir/run"
    chmod 700 "$dir/run"
    cp "$file" "$dir/$place"
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >"$dir/System.ini"
    [ "$input" = - ] && input=/dev/null
    local args=(); [ "$arg" = - ] || args=("$arg")
    local trace=/dev/null
    [ -n "${TRACE_DIR:-}" ] && trace=$(realpath "$TRACE_DIR")/$name.trace
    local start end
    start=$(date +%s%N)
    (cd "$dir" && env XDG_RUNTIME_DIR="$dir/run" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        MIRELDA4_FRAME_LIMIT="$frames" MIRELDA4_INPUT="$input" MIRELDA4_ANSWERS=ok,ok,ok,ok \
        MIRELDA4_TRACE="$trace" \
        /usr/bin/time -f '%M' -o "$dir/rss.txt" timeout 600 "$build/mirelda4" "${args[@]}" \
        >/dev/null 2>"$dir/stderr.txt")
    rc=$?
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    kb=$(tail -1 "$dir/rss.txt" 2>/dev/null | tr -dc 0-9)
    line=$(iconv -f CP932 -t UTF-8 "$dir/Report_Game.txt" 2>/dev/null | tr -d '\r' | grep -a -m1 '^GameLoop')
    rm -rf "$dir"
    printf '%-48s exit %3s  peak %5s MB  %7s ms  %s\n' "$name" "$rc" "$(( ${kb:-0} / 1024 ))" "$ms" "$line"
    # A damaged user file or replay may end the player before its game loop runs (exit 0, no line).
    [ "$rc" -eq 0 ] && { [ -n "$line" ] || [ "$place" != data/stg4/gen.stg4_000 ]; } &&
        [ "$(( ${kb:-0} / 1024 ))" -le "$max_mb" ]
}

failed=0
if [ "$repeat" -gt 0 ]; then
    entry=$(inputs | grep "^$only|") || { echo "no input named $only"; exit 2; }
    IFS='|' read -r name file place frames d3d input arg <<<"$entry"
    ok=0
    for i in $(seq 1 "$repeat"); do
        play "$name #$i" "$file" "$place" "$frames" "$d3d" "$input" "$arg" && ok=$((ok + 1))
    done
    echo "$ok of $repeat runs ended at the frame limit of $frames within $max_mb MB"
    [ "$ok" -eq "$repeat" ]
    exit
fi
while IFS='|' read -r name file place frames d3d input arg; do
    play "$name" "$file" "$place" "$frames" "$d3d" "$input" "$arg" || failed=$((failed + 1))
done < <(inputs)
echo "$failed failed"
[ "$failed" -eq 0 ]
