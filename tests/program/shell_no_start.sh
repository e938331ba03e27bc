#!/usr/bin/env bash
# Starts that end at once with exit code 0: neither data/ nor default/ (no question asked); the copy
# refused; a folder where the report log cannot be made (an error box says so).
set -u
player=$(realpath "$1")
. "$(dirname "$0")/shell_lib.bash"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
export XDG_RUNTIME_DIR=$top/run
mkdir -p "$XDG_RUNTIME_DIR" "$top/empty"

cd "$top/empty"
timeout 60 "$player" 2> "$top/err1"
code=$?
[ $code -eq 0 ] || fail "empty folder: exit code $code"
grep -q "データが存在しません！" "$top/err1" && fail "asked without default/"
[ -d data ] && fail "data/ made without default/"
head -n 1 Report_Game.txt | tr -d '\r' | grep -qx "App : ver 732" || fail "no report log"

make_game_folder "$top/refuse"
cd "$top/refuse"
MIRELDA4_ANSWERS=no timeout 60 "$player" 2> "$top/err2"
code=$?
[ $code -eq 0 ] || fail "copy refused: exit code $code"
grep -q "データが存在しません！" "$top/err2" || fail "no question"
[ -e data ] && fail "data/ made although the copy was refused"

# A report log that cannot be made (a folder holds its name): the user sees why the program does not
# start.
mkdir -p "$top/blocked/Report_Game.txt"
cd "$top/blocked"
timeout 60 "$player" 2> "$top/err3"
code=$?
[ $code -eq 0 ] || fail "report log not creatable: exit code $code"
grep -q "Report_Game.txt" "$top/err3" || fail "no error box about the report log"
grep -q "エラー" "$top/err3" || fail "the box has no error caption"
echo PASS
