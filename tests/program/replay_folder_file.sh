#!/bin/bash
# With user_data a regular file (start-up cannot make the replay folder under it), the title's
# replay item tells why the replay folder cannot be opened before the chooser opens, headless with
# scripted input on the demo project. A replay answered under that folder then fails to load with
# its own box and nothing plays; a stored replay chosen from elsewhere plays.
# Usage: replay_folder_file.sh <player> <build-dir> [inside|elsewhere]   (one case alone)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
only=${3:-}
replays=$(cd "$(dirname "$0")/../replays" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
rm -rf user_data
printf 'not a folder' >user_data
mkdir -p elsewhere
cp "$replays/demo.rpl4_732" elsewhere/ || fail "no stored replay of the demo stage"

# Frames count from the program's first. Directions: 8 down; buttons: 1 confirm.
cat >input.txt <<'EOF'
14 0 0
1 8 0     # 15: title, down four times onto "replay"
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 0 1     # 31: the replay item: the box about the folder, then the chooser
EOF

# case answer plays
cases=(
    "inside user_data/rpl4/demo.rpl4_732 no"
    "elsewhere $dir/elsewhere/demo.rpl4_732 yes"
)
for row in "${cases[@]}"; do
    read -r what answer plays <<<"$row"
    [ -z "$only" ] || [ "$only" = "$what" ] || continue
    rm -f trace.txt
    MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=200 \
        MIRELDA4_ANSWERS="ok,$answer,ok" timeout 60 "$player" 2>"stderr-$what.txt"
    rc=$?
    [ "$rc" -eq 0 ] || { cat "stderr-$what.txt"; fail "$what: exit code $rc"; }
    grep -q 'user_data がフォルダではなくファイルなので、リプレイのフォルダ user_data\\rpl4 を開けません' \
        "stderr-$what.txt" || { cat "stderr-$what.txt"; fail "$what: nothing told why the replay folder cannot be opened"; }
    if [ "$plays" = yes ]; then
        grep -qs '^1 hero=' trace.txt || { cat "stderr-$what.txt"; fail "$what: the chosen replay did not play"; }
    else
        grep -q '」の読み込みに失敗しました' "stderr-$what.txt" ||
            { cat "stderr-$what.txt"; fail "$what: the failed load was not told"; }
        [ -s trace.txt ] && fail "$what: something was played"
    fi
    echo "$what: told, and the replay played: $plays"
done
echo PASS
