#!/bin/bash
# A stage whose play takes memory without end (its hero summons characters that each hold a large
# flow) under an address space bounded far below what the summons build: given as the start file
# and chosen from the title's free play, under both drawing back-ends, the stage is played until
# memory runs out, then the player shows the memory box once and ends by itself (no frame limit),
# cleanly: exit code 0, no abort, the window placement written and the published pid file removed.
# A sanitizer build is skipped: its allocator ends the program where memory runs out instead of
# letting the player see it.
# Usage: play_out_of_memory.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
source "$(dirname "$0")/shell_lib.bash"
if grep -qs '^M4_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "SKIP: a sanitizer build cannot run out of memory under an address-space limit"
    exit 0
fi
enter_run_folder
export SDL_AUDIODRIVER=dummy
stage=data/stg4/memory_play.stg4_000
write_fixture memory "$stage"
pidfile=$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid
# The player starts a stage in some 170 MB of address space (some 310 MB after the title and its
# menus); the summons take some 20 MB a frame up to the stage's bound on what its characters hold,
# some 400 MB, so that memory runs out after some frames of play either way.
limit_kb=400000
box='[エラー] メモリが不足しています！'
free_play_walk_input >menu_input.txt

for how in start_file menu; do
    for d3d in 1 0; do
        name="$how (Direct3D=$d3d)"
        printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
        rm -f user_data/Window.dat trace.txt
        if [ "$how" = start_file ]; then
            args=('data\stg4\memory_play.stg4_000')
            input=/dev/null
        else
            args=()
            input=menu_input.txt
        fi
        (
            ulimit -v "$limit_kb"
            MIRELDA4_INPUT="$input" MIRELDA4_ANSWERS="$stage" MIRELDA4_TRACE=trace.txt \
                timeout 60 "$player" "${args[@]}" 2>stderr.txt
        )
        rc=$?
        [ "$rc" -eq 0 ] || { tail -n 5 stderr.txt; fail "$name: exit code $rc"; }
        grep -q 'terminate called' stderr.txt && { cat stderr.txt; fail "$name: abort"; }
        # Memory ran out in play, not at the set-up: the summons were played.
        [ -s trace.txt ] || { cat stderr.txt; fail "$name: the stage was not played"; }
        boxes=$(grep -c '^\[' stderr.txt)
        grep -qxF "$box -> ok" stderr.txt && [ "$boxes" -eq 1 ] ||
            { cat stderr.txt; fail "$name: not the one memory box ($boxes boxes)"; }
        [ -s user_data/Window.dat ] || fail "$name: no window placement written"
        [ -e "$pidfile" ] && fail "$name: the pid file was left"
        echo "$name: played until memory ran out, the memory box, then a clean end"
    done
done
echo PASS
