#!/bin/bash
# A replay keeps no rankings: the stored replay of the demo stage, given as the start file, plays to
# the stage's clear, and F3, pressed again and again on its result screen, registers nothing: no
# ranking file is written (the name dialog would be answered with a name). Confirm leaves the result
# screen, and the replay plays again.
# Usage: replay_rankings.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
replays=$(cd "$(dirname "$0")/../replays" && pwd)
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
mkdir -p user_data/rpl4
cp "$replays/demo.rpl4_732" user_data/rpl4/ || fail "no stored replay of the demo stage"
steps=$(wc -l <"$replays/demo.trace")

# F3 every ten frames from the replay's last steps on (its play starts about 90 frames in), each
# followed by confirm, which would close a ranking table shown after a registration.
{
    echo "$((steps + 40)) 0 0"
    for _ in $(seq 1 40); do
        echo "1 0 0 f3"
        echo "4 0 0"
        echo "1 0 1"
        echo "4 0 0"
    done
} >input.txt
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=$((steps + 450)) MIRELDA4_ANSWERS=Kai,Kai,Kai \
    timeout 60 "$player" 'user_data\rpl4\demo.rpl4_732' 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
grep -q ' end=1 ' trace.txt || fail "the replay did not reach the clear: $(tail -n 1 trace.txt)"
[ "$(sed -n "${steps}p" trace.txt | grep -c ' end=1 ')" = 1 ] ||
    fail "the replay did not clear at its last step $steps: $(grep -m 1 ' end=1 ' trace.txt)"
rankings=$(find . -name '*.rkg')
[ -z "$rankings" ] || fail "the replay wrote rankings: $rankings"
echo PASS
