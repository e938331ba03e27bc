#!/bin/bash
# A stage whose play takes memory without end (its hero summons characters that each hold a large
# flow) under an address space bounded far below what the summons build: given as the start file
# and chosen from the title's free play, under both drawing back-ends, the stage is played until
# memory runs out, then the player shows the memory box once and ends by itself (no frame limit),
# cleanly: exit code 0, no abort, the window placement written and the published pid file removed.
# Then, with the player built to fail one allocation or thread start at a chosen moment, memory that
# runs out in a frame's drawing and presenting under DirectDraw, as the music's thread starts and as a
# flow's wait starts the pause loop ends the same way. A sanitizer build is skipped: its allocator
# ends the program where memory runs out instead of letting the player see it.
# Usage: play_out_of_memory.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
skip_without_memory_limit
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/memory_play.stg4_000
write_fixture memory "$stage"
# The player starts a stage in some 170 MB of address space (some 310 MB after the title and its
# menus); the summons take some 20 MB a frame up to the stage's bound on what its characters hold,
# some 400 MB, so that memory runs out after some frames of play either way.
limit_kb=400000
box='[エラー] メモリが不足しています！'
free_play_walk_input >menu_input.txt

for how in start_file menu; do
    for d3d in 1 0; do
        name="$how (Direct3D=$d3d)"
        out_of_memory_run "$name" "$how" "$d3d" "$limit_kb" "$stage" "$box"
        # Memory ran out in play, not at the set-up: the summons were played.
        [ -s trace.txt ] || { cat stderr.txt; fail "$name: the stage was not played"; }
        echo "$name: played until memory ran out, the memory box, then a clean end"
    done
done

# Memory running out where play does not catch it, made to happen at a chosen moment by the player
# built to fail one allocation or thread start: each ends the same way.
"$build/m4_fixturewriter" "$dir" >/dev/null || fail "the fixture writer failed"
# Drawing under DirectDraw (its texts copied from the surface they are written on) and presenting:
# each allocation of a frame of play in turn.
for n in $(seq 1 12); do
    fault_run "frame 40, allocation $n (Direct3D=0)" 0 data/stg4/demo.stg4_000 \
        MIRELDA4_FAULT_AT=frame#40 MIRELDA4_FAULT_NEW=$n
done
# The thread that plays the MIDI music cannot start (the window thread asked for the music).
fault_run "the music's thread" 1 data/stg4/demo.stg4_000 MIRELDA4_FAULT_AT=music MIRELDA4_FAULT_SPAWN=1
# The thread of a flow's wait (the pause loop) finds no memory as it starts.
fault_run "the pause loop" 0 data/stg4/fx_c_game_wait.stg4_000 MIRELDA4_FAULT_AT=pause MIRELDA4_FAULT_NEW=1
echo "drawing, presenting, the music's thread and the pause loop: the memory box, then a clean end"
echo PASS
