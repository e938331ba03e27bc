#!/bin/bash
# Start-up with and without its files: a stage path on the command line plays its newest revision;
# a missing start file is only reported; a missing "System.ini" is shown and the defaults are used; a
# missing or zeroed world map, and a missing, empty or damaged palette picture, end start-up with
# their messages and exit code 0.
# Usage: startup_files.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
fail() { echo "FAIL: $*"; exit 1; }
project() {
    rm -rf "$top/p" && mkdir -p "$top/p" && cd "$top/p" || exit 1
    "$build/m4_projwriter" "$top/p" >/dev/null || fail "the project writer failed"
}
damaged=$(realpath "$(dirname "$0")/../data/damaged")
report() { iconv -f CP932 -t UTF-8 Report_Game.txt | tr -d '\r'; }

# Revisions _001 and _002 of a stage: the newest is played at once (the older one is damaged, so
# taking it would end start-up with a box).
project
printf 'damaged' > data/stg4/two.stg4_001
cp data/stg4/demo.stg4_000 data/stg4/two.stg4_002
MIRELDA4_FRAME_LIMIT=5 timeout 60 "$player" 'data\stg4\two.stg4' 2>err.txt
[ $? -eq 0 ] || { cat err.txt; fail "stage start: exit code"; }
[ -s err.txt ] && { cat err.txt; fail "stage start showed a box"; }
report | grep -q "GameLoop : " || fail "stage start ran no frames"

# A start file that does not exist is reported and the title comes up.
MIRELDA4_FRAME_LIMIT=5 timeout 60 "$player" 'data\stg4\none.stg4' 2>err.txt
[ $? -eq 0 ] || fail "missing start file: exit code"
report | grep -q "「data\\\\stg4\\\\none.stg4」の読み込みに失敗しました！" || { report; fail "missing start file not reported"; }
report | grep -q "GameLoop : " || fail "missing start file: no frames"

# Without System.ini: the box, then the defaults (here the start-up dialog's stored choice).
rm System.ini
MIRELDA4_FRAME_LIMIT=5 timeout 60 "$player" 2>err.txt
[ $? -eq 0 ] || fail "without System.ini: exit code"
grep -q "System.ini の読み込みに失敗しました！" err.txt || { cat err.txt; fail "no System.ini box"; }
report | grep -q "GameLoop : " || fail "without System.ini: no frames"

# Without WorldMap.dat: the failure is shown and start-up ends cleanly.
project
rm data/WorldMap.dat
timeout 60 "$player" 2>err.txt
[ $? -eq 0 ] || fail "without the world map: exit code"
grep -q 'data\\WorldMap.dat のロードに失敗！' err.txt || { cat err.txt; fail "no world-map message"; }
report | grep -q "GameLoop : " && fail "ran frames without a world map"
# A zeroed world map is named as a missing one is.
project
cp "$damaged/WorldMap.dat.zero" data/WorldMap.dat
timeout 60 "$player" 2>err.txt
[ $? -eq 0 ] || fail "zeroed world map: exit code"
grep -q 'data\\WorldMap.dat のロードに失敗！' err.txt || { cat err.txt; fail "no message for a zeroed world map"; }
report | grep -q "GameLoop : " && fail "ran frames with a zeroed world map"
# A missing, empty or damaged common palette picture is named in a box and in the report.
for how in missing empty damaged; do
    project
    case $how in
    missing) rm bmp/plt/Palette.bmp ;;
    empty) : >bmp/plt/Palette.bmp ;;
    damaged) head -c 40 data/WorldMap.dat >bmp/plt/Palette.bmp ;;
    esac
    timeout 60 "$player" 2>err.txt
    [ $? -eq 0 ] || fail "$how Palette.bmp: exit code"
    grep -q 'bmp\\plt\\Palette.bmp の読み込みに失敗！' err.txt || { cat err.txt; fail "no box for a $how Palette.bmp"; }
    report | grep -q 'bmp\\plt\\Palette.bmp の読み込みに失敗！' || fail "no report line for a $how Palette.bmp"
done
# Without a database file or without System.dat: the file is named and start-up ends cleanly.
project
rm data/database/Picture.dat
timeout 60 "$player" 2>err.txt
[ $? -eq 0 ] || fail "without Picture.dat: exit code"
grep -q 'data\\database\\Picture.dat のロードに失敗！' err.txt || { cat err.txt; fail "no Picture.dat message"; }
project
rm data/System.dat
timeout 60 "$player" 2>err.txt
[ $? -eq 0 ] || fail "without System.dat: exit code"
grep -q 'data\\System.dat の読み込みに失敗' err.txt || { cat err.txt; fail "no System.dat message"; }
report | grep -q "GameLoop : " && fail "ran frames without System.dat"
echo PASS
