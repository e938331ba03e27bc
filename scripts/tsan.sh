#!/usr/bin/env bash
# The threads proved apart: builds the player under ThreadSanitizer (build-tsan, M4_TSAN) and runs
# under it the unit-test programs whose cases start threads, each whole, and the whole-program
# scenarios where the window thread, the game thread and the sound thread meet. Every report of the
# sanitizer (a data race, a lock taken in two orders, a signal handler that is not safe ...) fails
# the run, as does a failed test; tests/tsan.supp holds the few races inside a library's own
# internals that are let pass, each with its reason.
# Usage: tsan.sh [JOBS]
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
jobs=${1:-$(nproc)}
build=build-tsan

# The unit-test programs whose cases run two threads (the audio device's thread, worker threads,
# the window and game threads of the shell, queues read across threads).
units=(test_platform test_platform_audio test_platform_gfx test_app test_project test_sound test_draw
       test_ui test_menus test_play test_shell)

# The scenarios, by what they put side by side:
# boxes and dialogs during play, in a window and full screen
scenarios=(box_keys_wm dialog_keys_wm box_holds_input_wm box_first_click_wm message_box_dialog_wm
           second_start_question_wm close_answers_no_wm chooser_typing_wm file_chooser_typing
           name_dialog_typing file_size_limit damaged_user_files startup_dialog
# both drawing back-ends, in a window and full screen (draw_backends, which times the frame rate on
# the wall clock, is left to the other builds: the sanitizer slows a frame past its time)
           full_screen demo_project frame_limit_steps colour_depth_play
# closes of every kind: signals, the frame limit, the window manager's close, a lost display, the
# display server's end (also in the middle of a full-screen close, and while the start waits for its
# window), closes during loads and while a dialog or a box holds the play
           close_signals close_during_play_load close_during_stage_load runtime_close display_lost
           close_display_end_wm
           display_server_end_wm dialog_wait_close ranking_name_close shell_second_instance
           headless_second_start
# the window exposed, resized, moved and minimised (window_pixels, which compares the picture of
# a window resized on a software OpenGL pixel for pixel, is left to the other builds: under this
# sanitizer that OpenGL now and then keeps the old height for the picture after a resize)
           window_repaint_wm window_resize window_placement_wm key_config_play
# stage changes with sounds and music
           story_playthrough demo_play menu_story menu_death_continue menu_challenge trace_restarts
           sound_device sound_driver_choice title_music
# replays
           replay_roundtrip replay_suite replay_rankings menu_free_replay
# the title
           start_banner title_cursor_sound)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DM4_TSAN=ON -DM4_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" -j"$jobs" --target mirelda4 m4_projwriter m4_fixturewriter m4_box_probe m4_map_refuser \
    "${units[@]}" || exit 1

# Every process writes its reports to a file of its own in logs/ (the scenarios keep the player's
# standard error in temporary folders they remove): any file there afterwards is a report.
logs=$PWD/$build/tsan-logs
units_logs=$PWD/$build/tsan-units
rm -rf "$logs" "$units_logs"
mkdir -p "$logs" "$units_logs"
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=0:second_deadlock_stack=1:log_path=$logs/tsan"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

failed=0
start=$SECONDS
regex="^program\.($(IFS='|'; echo "${scenarios[*]}"))\$"
ctest --test-dir "$build" -R "$regex" -j"$jobs" --output-on-failure || failed=1

# The boxes and dialogs during play again on Direct3D in a window and on both back-ends in full
# screen (the scenarios above take DirectDraw in a window).
run_backend() {
    local script=$1 d3d=$2 mode=$3 log="$units_logs/$1-$2$3.log"
    DIRECT3D=$d3d WINDOW_MODE=$mode timeout 900 bash "tests/program/$script.sh" "$build/mirelda4" "$build" \
        >"$log" 2>&1 || { echo "$script Direct3D=$d3d WindowMode=$mode: FAILED"; tail -n 30 "$log"; return 1; }
    echo "$script Direct3D=$d3d WindowMode=$mode: passed"
}
export -f run_backend
export build units_logs
for s in box_keys_wm dialog_keys_wm; do
    for c in "1 1" "0 0" "1 0"; do echo "$s $c"; done
done | xargs -P "$jobs" -L 1 bash -c 'run_backend "$@"' _ || failed=1

# The unit-test programs, each whole (as scripts/run-test-programs.sh runs them), side by side.
run_unit() {
    (cd "$build" && timeout 900 "./$1" --gtest_brief=1 >"$units_logs/$1.log" 2>&1) ||
        { echo "$1: FAILED run whole"; tail -n 30 "$units_logs/$1.log"; return 1; }
    echo "$1: passed whole"
}
export -f run_unit
printf '%s\n' "${units[@]}" | xargs -P "$jobs" -I{} bash -c 'run_unit "$1"' _ {} || failed=1
echo "tsan.sh: tests ran in $((SECONDS - start)) s on $jobs jobs"

reports=$(find "$logs" -type f | wc -l)
if [ "$reports" -gt 0 ]; then
    failed=1
    for f in "$logs"/*; do
        echo "== $f"
        cat "$f"
    done
    echo "tsan.sh: $(cat "$logs"/* | grep -c '^WARNING: ThreadSanitizer') reports in $reports processes" >&2
else
    echo "tsan.sh: no ThreadSanitizer report"
fi
exit $failed
