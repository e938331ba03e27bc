#!/bin/bash
# The options through the menus, headless with scripted input on the demo project: the title's sixth
# item opens the options; the sound-effect volume is lowered one step (7 -> 6), the ranking
# registration changed from 0 to 1, the fixed ranking name set through the scripted name dialog, and
# the last item leaves for the title, which writes user_data\Option.dat with those values (and the
# colour table and music untouched).
# Usage: menu_options.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/System.dat ] || fail "no demo project (project writer missing in $build)"

# Then, from the options' volume (directions: 4 up, 8 down; buttons: 1 confirm):
{
    options_volume_input
    cat <<'EOF'
3 0 0
1 8 0     # 85: the ranking registration
3 0 0
1 0 1     # 89: edit it
3 0 0
1 4 0     # 93: one step up
3 0 0
1 0 1     # 97: kept
3 0 0
1 8 0     # 101: the ranking name
3 0 0
1 0 1     # 105: the name dialog
3 0 0
1 8 0     # 109: back
3 0 0
1 0 1     # 113: leave for the title
46 0 0
EOF
} >input.txt

rm -f user_data/Option.dat
MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=160 MIRELDA4_ANSWERS=Ann timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
file=user_data/Option.dat
[ -s "$file" ] || { ls -R user_data; fail "leaving the options wrote no Option.dat"; }
# A record of version 732 with four numbers (colour table, music, volume, registration), then the
# name as a string field (a count of strings, its length with the terminator, its bytes).
words=$(od -An -t d4 -N 32 "$file" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
[ "$words" = "732 4 0 1 6 1 1 4" ] || fail "Option.dat holds: $words"
[ "$(tail -c 4 "$file" | tr -d '\0')" = Ann ] || fail "Option.dat does not end with the name: $(od -c "$file" | tail -n 2)"
echo PASS
