#!/bin/bash
# The README's run script: in an empty folder it writes the demo project and starts the player there;
# a project older than the project writer is written anew while the user's System.ini stays; a
# current one is left as it is.
# Usage: run_demo.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
script=$(dirname "$0")/../../scripts/run-demo.sh
demo=$dir/demo
run() { BUILD_DIR=$(dirname "$player") DEMO_DIR=$demo MIRELDA4_FRAME_LIMIT=5 bash "$script" 2>"$dir/stderr.txt"; }

run || { cat "$dir/stderr.txt"; fail "the first start failed"; }
[ -s "$demo/data/System.dat" ] && [ -s "$demo/data/WorldMap.dat" ] || fail "no demo project written"
[ -s "$demo/Report_Game.txt" ] || fail "the player did not start in the demo folder"

printf 'Direct3D=1\r\nWindowMode=2\r\nExit\r\n' >"$dir/ini"
cp "$dir/ini" "$demo/System.ini"
touch -d '2001-01-01' "$demo/data/System.dat"
run || { cat "$dir/stderr.txt"; fail "the start with an old project failed"; }
[ "$demo/data/System.dat" -nt "$build/m4_projwriter" ] || fail "the old project was not written anew"
cmp -s "$dir/ini" "$demo/System.ini" || fail "the user's System.ini was not kept: $(cat -A "$demo/System.ini")"

touch -d '2001-01-01' "$demo/data/WorldMap.dat"
run || { cat "$dir/stderr.txt"; fail "the start with a current project failed"; }
[ "$demo/data/WorldMap.dat" -nt "$build/m4_projwriter" ] && fail "a current project was written again"
echo PASS
