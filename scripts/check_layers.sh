#!/usr/bin/env bash
# Each folder of src/ is a layer that includes only its own folder and the layers below it. This
# lists every `#include "..."` (or `<...>` naming a header of src/) under src/ that reaches a folder
# above the including file's own, and fails when there is one.
#
#   scripts/check_layers.sh [SRC]     SRC defaults to the src/ folder beside this script
#
# The layers from the bottom up (the library of each folder links only those below it):
#   platform        the operating system: windows, files, threads, time, keys, message boxes
#   platform/gfx    the graphics back-ends over the platform
#   platform/audio  the sound back-ends over the platform
#   app             application services: globals, log, paths, input, the scene switch, requests
#   records         the project's record formats and their readers and writers
#   project         the project data: database, stage files, save data, system data
#   draw            drawing: surfaces, palettes, fonts, frames
#   sound           sound effects and music
#   objects         the objects of a stage and the running stage's record
#   flow            the flows: the engine and its commands
#   play            stage play: the play scene, its steps, drawing, hits and replays
#   menus           the title, the world map, the option, save and ranking scenes
#   ui              the dialogs and widgets of the window
#   shell           start-up, the main window and the scenes
# main.cpp, at the top of src/, sits above them all.
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}
[[ -d $src ]] || { echo "no source folder $src"; exit 2; }

layers=(platform platform/gfx platform/audio app records project draw sound objects flow play menus ui shell)

# The rank of the layer that holds a path relative to src/ (its longest folder prefix among the
# layers), into rank; the layer count for a file at the top of src/; -1 for a folder outside the
# order.
rank_of() {
    local path=$1 best_len=0 i
    rank=-1
    [[ $path == */* ]] || { rank=${#layers[@]}; return; }
    for i in "${!layers[@]}"; do
        if [[ $path == "${layers[$i]}"/* && ${#layers[$i]} -gt $best_len ]]; then
            rank=$i best_len=${#layers[$i]}
        fi
    done
}

fail=0
declare -A seen=()
# Every include line of src/, as FILE:LINE:TEXT.
while IFS= read -r hit; do
    file=${hit%%:*} rest=${hit#*:}
    n=${rest%%:*} line=${rest#*:}
    rel=${file#"$src"/}
    rank_of "$rel"
    own=$rank
    if ((own < 0)); then
        [[ -n ${seen[$file]:-} ]] || echo "$file: its folder has no place in the layer order (scripts/check_layers.sh)"
        seen[$file]=1 fail=1
        continue
    fi
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\">]+)[\"\>] ]] || continue
    inc=${BASH_REMATCH[1]}
    # A name without a folder is beside the including file; one with ".." leaves the layer map.
    if [[ $inc == *..* ]]; then
        echo "$file:$n: includes \"$inc\" by a relative path; name it from src/"
        fail=1
        continue
    fi
    [[ $inc == */* || $rel != */* ]] || inc=${rel%/*}/$inc
    [[ -e $src/$inc ]] || continue # not a header of src/ (a generated or system header)
    rank_of "$inc"
    theirs=$rank
    if ((theirs > own)); then
        echo "$file:$n: includes \"$inc\", of a layer above its own"
        fail=1
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$src" | sort -t: -k1,1 -k2,2n)

if ((fail)); then
    echo "The layers from the bottom up: ${layers[*]}"
    exit 1
fi
echo "No file includes a header of a layer above its own."
