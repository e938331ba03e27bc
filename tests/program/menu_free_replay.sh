#!/bin/bash
# Free play and replay through the title menu, headless with scripted input on the demo project:
# the title's fourth item asks for a stage file, answered by the scripted file chooser with the
# meadow, which is played with right held; F1 saves the play so far as a replay through the
# scripted save dialog; the pause menu's "quit" goes back to the title, whose fifth item asks for a
# replay, answered with the saved file: the playback's trace equals the free play's trace step by
# step for the whole recording, after which the replay starts again.
# Usage: menu_free_replay.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"

# Frames count from the program's first; a fade takes 10 frames. Directions: 2 right, 4 up, 8 down;
# buttons: 1 confirm.
{
    free_play_walk_input
    cat <<'EOF'
1 2 0 f1   # 200: save the replay (the save dialog answers its name)
50 2 0
9 0 0
1 0 0 space  # 260: pause
3 0 0
1 4 0      # 264: the pause menu's "quit"
3 0 0
1 0 1      # 268: back to the title, whose cursor stands on "free play"
31 0 0
1 8 0      # 300: down onto "replay"
3 0 0
1 0 1      # 304: the replay chooser answers the saved file
296 0 0
EOF
} >input.txt

# The replay is saved under a name typed without an extension: it takes the replay extension.
replay=user_data/rpl4/menu.rpl4_732
MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=600 \
    MIRELDA4_ANSWERS="data/stg4/demo.stg4_000,user_data/rpl4/menu,$replay" timeout $HANG_LIMIT "$player" 2>stderr.txt
rc=$?
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
[ -s trace.txt ] || { cat stderr.txt; fail "the chosen stage was never played (no trace)"; }
[ -s "$replay" ] || { cat stderr.txt; ls -R user_data; fail "F1 saved no replay"; }

# Stage starts in the trace: the free play, the playback, the playback's restart.
mapfile -t starts < <(grep -n '^1 hero=' trace.txt | cut -d: -f1)
[ "${#starts[@]}" -ge 2 ] || { cat stderr.txt; fail "the replay was not played after the free play (starts: ${starts[*]})"; }
[ "${#starts[@]}" -ge 3 ] || fail "the replay did not start again after its recording (starts: ${starts[*]})"
free=$((starts[1] - starts[0]))
recorded=$((starts[2] - starts[1]))
[ "$recorded" -ge 60 ] && [ "$recorded" -lt "$free" ] ||
    fail "the replay holds $recorded steps of the free play's $free"
sed -n "1,${recorded}p" trace.txt >played.txt
sed -n "${starts[1]},$((starts[2] - 1))p" trace.txt >replayed.txt
cmp -s played.txt replayed.txt || { diff played.txt replayed.txt | head -n 4; fail "the playback differs from the free play"; }
last=$(tail -n 1 played.txt)
x=$(sed -E 's/.* hero=([0-9]+)\..*/\1/' <<<"$last")
[ "$x" -gt 450 ] || fail "the hero did not walk in the recorded play: $last"
echo "$recorded steps played back identically: $last"
echo PASS
