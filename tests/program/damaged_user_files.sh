#!/bin/bash
# Damaged user files, headless with scripted input on the demo project. A challenge progress that
# holds only its version word is moved aside with a box, and the challenge starts afresh and plays
# on; so is a damaged Option.dat at start-up, the options then taking their defaults. A replay of
# zero bytes chosen through the title's replay item is refused with a box and the title stays: its
# free-play item then plays the demo stage. Given on the command line, the same
# replay is refused with a box and start-up ends cleanly, playing nothing.
# Usage: damaged_user_files.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
damaged=$(realpath "$(dirname "$0")/../data/damaged")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo project (project writer missing in $build)"
mkdir -p user_data/challenge user_data/rpl4

# Frames count from the program's first; a fade takes 10 frames. Directions: 2 right, 4 up, 8 down;
# buttons: 1 confirm.
cp "$damaged/Challenge.dat.trunc4" user_data/challenge/Challenge.dat
printf '\xdc\x02\x00\x00\x05\x00' >user_data/Option.dat
cat >input.txt <<'EOF'
14 0 0
1 8 0     # 15: title, down
3 0 0
1 8 0     # 19: down, onto "challenge"
3 0 0
1 0 1     # 23: the challenge menu (the box about the damaged progress comes first)
26 0 0
1 0 1     # 50: its first row
2 0 0
300 2 0   # right held; play starts near frame 151
EOF
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=350 timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "challenge: exit code $rc"; }
grep -q 'Challenge.dat が壊れているので' stderr.txt || { cat stderr.txt; fail "no box about the damaged Challenge.dat"; }
cmp -s user_data/challenge/Challenge.dat.bad "$damaged/Challenge.dat.trunc4" ||
    { ls user_data/challenge; fail "the damaged Challenge.dat was not kept aside"; }
grep -q 'Option.dat が壊れているので' stderr.txt || { cat stderr.txt; fail "no box about the damaged Option.dat"; }
[ "$(od -An -tx1 user_data/Option.dat.bad | tr -d ' \n')" = dc0200000500 ] ||
    { ls user_data; fail "the damaged Option.dat was not kept aside"; }
steps=$(grep -c '^[0-9]* hero=' trace.txt 2>/dev/null)
[ "${steps:-0}" -ge 150 ] || { cat stderr.txt; fail "the challenge stage played ${steps:-0} steps, not on to the frame limit"; }

# The damaged replay through the title's replay item, then free play of the demo stage.
rm -f trace.txt
cp "$damaged/zero.rpl4_732" user_data/rpl4/zero.rpl4_732
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
1 0 1     # 31: the replay chooser answers the damaged replay, refused with a box
8 0 0
1 4 0     # 40: the title is still there: up onto "free play"
3 0 0
1 0 1     # 44: the file chooser answers the demo stage
2 0 0
200 2 0   # right held
EOF
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=300 \
    MIRELDA4_ANSWERS="user_data/rpl4/zero.rpl4_732,ok,data/stg4/demo.stg4_000" timeout 60 "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "replay: exit code $rc"; }
grep -q 'zero.rpl4_732」の読み込みに失敗しました' stderr.txt || { cat stderr.txt; fail "no box refusing the damaged replay"; }
[ "$(grep -c '^1 hero=' trace.txt 2>/dev/null)" = 1 ] || { cat stderr.txt; fail "not one stage start after the refused replay"; }
x=$(tail -n 1 trace.txt | sed -E 's/.* hero=([0-9]+)\..*/\1/')
[ "$x" -gt 200 ] || fail "the free play after the refused replay did not play: $(tail -n 1 trace.txt)"

# The same replay on the command line: a box, start-up ends, nothing is played.
rm -f trace.txt
MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=120 timeout 60 "$player" 'user_data\rpl4\zero.rpl4_732' 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "replay on the command line: exit code $rc"; }
grep -q 'zero.rpl4_732」の読み込みに失敗しました' stderr.txt || { cat stderr.txt; fail "no box for the damaged replay on the command line"; }
[ -s trace.txt ] && fail "the damaged replay given on the command line was played"
echo PASS
