#!/bin/bash
# The ranking-name dialog typed into: the meadow of the story is cleared, F3 on the result screen
# opens the name dialog, and the script types into its name field: a text longer than the three
# characters a name holds is refused whole; backspace clears the selected default name; three
# characters typed one by one (two double-byte) fill the field, a fourth is refused; two backspaces
# take back a single-byte and a double-byte character; one more is typed and enter pressed. The
# ranking of the meadow holds the name as the field then showed it.
# Usage: name_dialog_typing.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/WorldMap.dat ] || fail "no demo project (project writer missing in $build)"

{
    story_to_first_stage_input
    cat <<'EOF2'
1 0 1     # 157: the stage starts
2 0 0
581 2 0   # 160-740: right held
11 0 0
1 0 0 f3  # 752: result screen: register the result, the name dialog opens
3 0 0
1 0 1     # 756: the ranking table is left
3 0 0
1 0 1     # 760: the result screen is left
30 0 0
EOF2
} >input.txt

MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=790 \
    MIRELDA4_ANSWERS="events:text:カイzen back text:カ text:イ text:z text:q back back text:x enter" timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
grep -q ' end=1 ' trace.txt || fail "the meadow was not cleared"
[ -s user_data/story/demo.rkg ] || { ls user_data/story; fail "no ranking file for the meadow"; }
# The name is stored as a 32-bit length (the terminating zero counted), its CP932 bytes and a zero.
want="04000000$(printf 'カx' | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')00"
got=$(od -An -tx1 -v user_data/story/demo.rkg | tr -d ' \n')
[[ $got == *"$want"* ]] || { od -c user_data/story/demo.rkg | head; fail "the ranking does not hold the name typed"; }
echo PASS
