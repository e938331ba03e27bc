#!/bin/bash
# Stages whose set-up needs more memory than the player may take (its address space bounded far
# below what the stage's characters build): one that runs out placing its characters, and one whose
# hero's sight asks for darkness surfaces larger than the memory left (made before the characters are
# placed, so that a set-up that went on would run out again while the close is under way). Each,
# given as the start file and chosen from the title's free play, under both drawing back-ends: the
# player shows the memory box once (no box about the surface or the display before it), plays
# nothing of the half-made stage and ends by itself (no frame limit), cleanly: exit code 0, no
# abort, the window placement written and the published pid file removed. A sanitizer build is
# skipped: its allocator ends the program where memory runs out instead of letting the player see it.
# Usage: stage_setup_out_of_memory.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
skip_without_memory_limit
enter_run_folder
export SDL_AUDIODRIVER=dummy
write_fixture memory data/stg4/memory.stg4_000
# The player starts and plays the demo's stages in some 150 MB of address space; the stages'
# characters take some 400 MB more, the widest sight's darkness some 100 MB (200 MB under Direct3D).
limit_kb=300000
box='[エラー] メモリ不足により、ステージの初期設定に失敗しました！'
free_play_walk_input >menu_input.txt

for base in memory memory_sight; do
    stage=data/stg4/$base.stg4_000
    [ -f "$stage" ] || fail "no stage $stage"
    for how in start_file menu; do
        for d3d in 1 0; do
            name="$base, $how (Direct3D=$d3d)"
            out_of_memory_run "$name" "$how" "$d3d" "$limit_kb" "$stage" "$box"
            [ -s trace.txt ] && { head -n 3 trace.txt; fail "$name: the half-made stage was played"; }
            # The sight's stage runs out at its darkness, before any character is placed.
            [ "$base" = memory_sight ] &&
                ! grep -aqE 'CreateSurface System Err|(D3DXCreateTexture|CreateOffscreenPlainSurface) Err hr = 8007000e' \
                    Report_Game.txt && fail "$name: memory did not run out at the sight's darkness"
            echo "$name: the memory box, then a clean end"
        done
    done
done
echo PASS
