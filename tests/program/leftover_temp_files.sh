#!/bin/bash
# Temporary files of saves cut off by a kill: start-up removes those whose writer has ended when
# they are empty or hold what the file beside them holds, keeps any other beside its file as
# NAME.kept (it may hold another player's entries, swapped off the file's name) and names it in the
# report log, leaves alone one whose writer still runs (this script), and the replay chooser lists
# neither.
# Usage: leftover_temp_files.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo project (project writer missing in $build)"
mkdir -p user_data/story user_data/challenge user_data/free user_data/rpl4

bash -c 'exit 0' &
ended=$!
wait "$ended"
left=(user_data/Option.dat.tmp-$ended-0 user_data/challenge/Challenge.dat.tmp-$ended-1
      user_data/free/demo.rkg.tmp-$ended-2 user_data/rpl4/demo_00.rpl4_732.tmp-$ended-4)
for f in "${left[@]}"; do printf 'cut' >"$f"; done
: >user_data/story/Story02.dat.tmp-$ended-5
live=user_data/rpl4/demo_01.rpl4_732.tmp-$$-0
: >"$live"
printf 'keep' >user_data/story/Story01.dat
printf 'keep' >user_data/story/Story01.dat.tmp-$ended-3

# Frames count from the program's first. The title's fifth item opens the replay chooser, whose
# script goes from the name field to the list (Shift+Tab) and takes the first file listed (two steps
# down past "[..]"): nothing, as only "[..]" is listed.
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
1 0 1     # 31: the replay chooser
EOF
MIRELDA4_INPUT=input.txt MIRELDA4_FRAME_LIMIT=60 MIRELDA4_ANSWERS="events:shift+tab down down enter" \
    timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
for f in "${left[@]}"; do
    [ -e "$f" ] && fail "start-up left $f"
    [ "$(cat "${f%.tmp-*}.kept" 2>/dev/null)" = cut ] || fail "start-up did not keep $f"
    tr -d '\r' <Report_Game.txt | grep -aq "$(basename "${f%.tmp-*}").kept : kept" ||
        { cat Report_Game.txt; fail "the report log does not name the kept $f"; }
done
for f in user_data/story/Story01.dat.tmp-$ended-3 user_data/story/Story02.dat.tmp-$ended-5; do
    [ -e "$f" ] && fail "start-up left $f"
done
[ "$(ls user_data/story)" = Story01.dat ] || fail "start-up kept what no player wrote: $(ls user_data/story)"
[ -e "$live" ] || fail "start-up removed the file of a writer still running"
[ "$(cat user_data/story/Story01.dat)" = keep ] || fail "start-up changed a user file"
grep -q 'demo_0[01].rpl4_732' stderr.txt && { cat stderr.txt; fail "the replay chooser offered a temporary file"; }
echo PASS
