# Helpers for the whole-program tests of the process shell (sourced, not run as a test).
# Every test runs in its own temporary folders with its own runtime folder, so that its single-instance
# lock never meets another test's player.

fail() { echo "FAIL: $*" >&2; exit 1; }

# The time limit of a player's run to its frame limit. The run takes its frames in sixtieths of a
# second, longer on a loaded machine: the limit only catches a player that hangs.
HANG_LIMIT=600

# The scenarios' Python checks import the helpers beside this library (snapshot_rows.py).
export PYTHONPATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)${PYTHONPATH:+:$PYTHONPATH}"

# wait_for <seconds> <command...>: polls every 50 ms until the command succeeds.
wait_for() {
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.05
    done
}

# The project writer beside the player.
writer() { "$(dirname "$player")/m4_projwriter" "$@" >/dev/null || fail "the project writer failed"; }

# A working folder whose project stands only in default/ (one file with a Japanese name besides).
make_game_folder() {
    local d=$1
    mkdir -p "$d"
    writer "$d"
    mv "$d/data" "$d/default"
    printf 'stage' > "$d/default/stg4/ステージ.stg4_000"
}

# A working folder with its project in data/.
make_project_folder() {
    mkdir -p "$1"
    writer "$1"
}

# The window is published (runtime folder) and start-up has made its folders.
player_ready() {
    local d=$1
    [ -f "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid" ] && [ -d "$d/user_data" ]
}

FOLDERS=(user_data user_data/story user_data/challenge user_data/free user_data/rpl4 data data/database
         data/stg4 data/stg4/old_ver data/work data/plt4 bmp bmp/back bmp/chara_sp bmp/effect bmp/picture
         bmp/sword bmp/convert bmp/plt bmp/hbt wave bgm)

# enter_run_folder: a fresh temporary folder (removed at exit), made the current one and named in dir,
# with a project in data/ (written where the project writer stands in $build), SDL's dummy video
# driver, a runtime folder of its own and a System.ini for Direct3D in a window without vertical
# sync. The audio driver is the caller's.
enter_run_folder() {
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT
    cd "$dir" || exit 1
    mkdir -p data
    if [ -x "$build/m4_projwriter" ]; then "$build/m4_projwriter" "$dir" >/dev/null 2>&1 || true; fi
    export SDL_VIDEODRIVER=dummy
    export XDG_RUNTIME_DIR="$dir/run"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    printf 'Direct3D=1\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' >System.ini
}

# project_copy NAME: a copy of the run folder's project (data/, System.ini and the sound and picture
# folders beside them) in folder NAME, with a runtime folder of its own in NAME/run, so that a player
# started in it runs beside the others without meeting them as a second instance. The player only
# reads the project's folders: their files are linked, not copied.
project_copy() {
    mkdir -p "$1"
    cp System.ini "$1/"
    local f
    for f in data bmp wave bgm; do [ -d "$f" ] && cp -rl "$f" "$1/"; done
    mkdir -m 700 -p "$1/run"
}

# follow_snapshots FOLDER ROWS: while the player runs, its frames in FOLDER are cut to their first
# ROWS rows and kept compressed (snapshot_rows.py: frame_rows reads them), so that a scenario taking
# hundreds of frames does not fill the disk; snapshots_followed FOLDER ends it once the player is done.
follow_snapshots() {
    rm -f "$1.end"
    python3 -m snapshot_rows follow "$1" "$2" "$1.end" &
    follower=$!
}
snapshots_followed() {
    touch "$1.end"
    wait "$follower" || fail "the frames in $1 were not compacted"
}

# Writes fixture NAME (the demo project with stages of its own) into the run folder and checks that
# STAGE, a path under it, was written.
write_fixture() {
    [ -x "$build/m4_fixturewriter" ] || fail "no fixture writer in $build"
    "$build/m4_fixturewriter" "$dir" "$1" >/dev/null || fail "the fixture writer failed"
    [ -f "$2" ] || fail "no stage $2"
}

# play_scripted FRAMES STAGE [SNAPSHOTS]: plays STAGE for FRAMES frames with the input of input.txt,
# writing trace.txt (and the snapshots MIRELDA4_SNAPSHOT names, when given) and stderr.txt; fails on
# a bad exit or when no trace was written.
play_scripted() {
    env MIRELDA4_INPUT=input.txt MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT="$1" \
        ${3:+MIRELDA4_SNAPSHOT="$3"} timeout $HANG_LIMIT "$player" "$2" 2>stderr.txt
    local rc=$?
    [ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
    [ -s trace.txt ] || { cat stderr.txt; fail "no trace written"; }
}

# The input from the title to free play with right held, one line per run of frames (frames count
# from the program's first): down three times onto "free play", confirmed on frame 27 (the chooser
# opens and is answered by the caller's script), then right held for frames 30-199 (play starts near
# frame 129).
free_play_walk_input() {
    cat <<'EOF'
14 0 0
1 8 0      # 15: title, down three times onto "free play"
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 0 1      # 27: free play: the chooser
2 0 0
170 2 0    # 30-199: right held
EOF
}

# The input from the title into the options, one line per run of frames (frames count from the
# program's first; a fade takes 10 frames): down five times onto "options", confirmed on frame 35,
# down to the volume, edited, one step down and kept on frame 81; the options stay on the screen.
# The option rows: colour table, music, volume, ranking registration, ranking name, back.
options_volume_input() {
    cat <<'EOF'
14 0 0
1 8 0     # 15: title, down five times onto "options"
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 8 0
3 0 0
1 0 1     # 35: the options
29 0 0
1 8 0     # 65: down to the volume
3 0 0
1 8 0
3 0 0
1 0 1     # 73: edit it
3 0 0
1 8 0     # 77: one step down
3 0 0
1 0 1     # 81: kept
EOF
}

# The input of a new story up to the first stage's start, one line per run of frames (frames count
# from the program's first; a fade takes 10 frames): title "new game", the save menu saves slot 1
# and switches the autosave on, back to the world map, two steps left onto the first stage's node,
# "yes" to its start question. The next line, on frame 157, confirms the stage's start.
story_to_first_stage_input() {
    cat <<'EOF'
14 0 0
1 0 1     # 15: title, "new game"
29 0 0
1 0 2     # 45: world map, cancel: the save menu
29 0 0
1 0 1     # 75: "save"
3 0 0
1 0 1     # 79: slot 1
3 0 0
1 4 0     # 83: the question's "yes"
3 0 0
1 0 1     # 87: saved
3 0 0
1 0 2     # 91: back to the menu
3 0 0
1 8 0     # 95: "autosave"
3 0 0
1 0 1     # 99
3 0 0
1 4 0     # 103: "yes"
3 0 0
1 0 1     # 107: autosave on
3 0 0
1 0 2     # 111: back to the world map
29 0 0
1 1 0     # 141: left
3 0 0
1 1 0     # 145: left, onto the first stage's node
3 0 0
1 0 1     # 149: the start question
3 0 0
1 4 0     # 153: "yes"
3 0 0
EOF
}

# start_display_with_wm <width>x<height>: an Xvfb of its own (DISPLAY names it) managed by openbox,
# whose settings and caches go to $dir. Sets xvfb and wm to their process ids. Needs $dir.
# need_tools <tool...>: skips the test (exit 0) when a tool is missing.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
    done
}

# enter_x_run_folder: a run folder (enter_run_folder) for a player shown on an X display: SDL's dummy
# audio, its X video, and no leak report (under X the video system uses the D-Bus library, whose
# allocations LeakSanitizer reports).
enter_x_run_folder() {
    enter_run_folder
    export SDL_AUDIODRIVER=dummy
    unset SDL_VIDEODRIVER
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}

# enter_wm_scenario <size> <tool...>: the tools (need_tools), a run folder (enter_x_run_folder) and a
# display of its own with a window manager (start_display_with_wm); at exit the player ($pid), the
# window manager and the display are stopped.
enter_wm_scenario() {
    local size=$1
    shift
    need_tools "$@"
    enter_x_run_folder
    xvfb= wm= pid=
    trap 'kill $pid $wm $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
    start_display_with_wm "$size"
}

# player_window: true once the player ($pid) shows a window, its id then in window.
player_window() {
    window=$(xdotool search --onlyvisible --pid "$pid" --name Mirelda4 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

start_display_with_wm() {
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$dir/display.txt" 2>/dev/null &
    xvfb=$!
    wait_for 20 test -s "$dir/display.txt" || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$dir/display.txt")
    HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    wait_for 20 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' ||
        fail "openbox did not start"
}

# client_geometry <window>: "X Y WIDTH HEIGHT" of the window's client area on the screen.
client_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {if (w) print x, y, w, h}'
}

# settled_geometry <window>: the client geometry once two reads 0.3 s apart agree, in geometry.
settled_geometry() {
    local before
    geometry=$(client_geometry "$1")
    for _ in $(seq 40); do
        before=$geometry
        sleep 0.3
        geometry=$(client_geometry "$1")
        [ -n "$geometry" ] && [ "$geometry" = "$before" ] && return 0
    done
    return 1
}

# geometry_is <window> <"X Y WIDTH HEIGHT"> [seconds]: waits (20 s unless told) until the window's
# client geometry is the one given; geometry holds the last one read either way.
geometry_matches() {
    geometry=$(client_geometry "$1")
    [ "$geometry" = "$2" ]
}
geometry_is() { wait_for "${3:-20}" geometry_matches "$1" "$2"; }
# size_is <window> <width> <height>: the window's client area has that size now (its geometry in
# geometry); wait_for repeats it.
size_is() {
    geometry=$(client_geometry "$1")
    [ "${geometry#* * }" = "$2 $3" ]
}

# frame_corner <window> <x> <y>: "X Y" of the window manager's frame around a client at x, y (its
# _NET_FRAME_EXTENTS are left, right, top, bottom).
frame_corner() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
        awk -F'[=,]' -v x="$2" -v y="$3" '/=/ {print x - $2, y - $4}'
}

# window_dat: "X Y WIDTH HEIGHT ZOOMED" as user_data/Window.dat holds them.
window_dat() {
    od -An -td4 -j8 -N20 user_data/Window.dat | tr -s ' \n' '  ' | sed 's/^ //;s/ $//'
}

# Boxes and dialogs over the game window (the scenarios with a display and a window manager).

# shown_box: a shown window of the player other than the game's ($window), its id then in box.
shown_box() {
    local w
    box=
    for w in $(xdotool search --onlyvisible --class mirelda4 2>/dev/null); do
        [ "$w" != "$window" ] && box=$w
    done
    [ -n "$box" ]
}

# chooser_shown: the game window ($window) shows a file chooser: its list, empty below its few
# entries, is a white box across row 290 of the picture.
chooser_shown() {
    xwd -silent -id "$window" >chooser.xwd 2>/dev/null && python3 - <<'PY'
import sys
from picture_probe import read_xwd
pixel, w, h = read_xwd('chooser.xwd')
# The frame fills the window (in full screen scaled to fit it, centred).
s = min(w / 640, h / 480)
at = lambda x, y: pixel(int((w - 640 * s) / 2 + (x + 0.5) * s), int((h - 480 * s) / 2 + (y + 0.5) * s))
sys.exit(0 if w >= 640 and all(at(x, 290) == (255, 255, 255) for x in range(160, 480, 8)) else 1)
PY
}

# trace_lines: how many play steps trace.txt holds.
trace_lines() {
    if [ -f trace.txt ]; then wc -l <trace.txt; else echo 0; fi
}

# The input that opens the replay's save dialog during play of a stage: F1 on frame 151.
save_dialog_input() {
    printf '150 0 0\n1 0 0 f1\n'
}

# screen_region <x> <y> <w> <h>: a hash of the screen's pixels in that rectangle (an xwd of the
# root window, 24 or 32 bits a pixel), so that two looks can be compared.
screen_region() {
    xwd -silent -root >screen.xwd 2>/dev/null && python3 - "$@" <<'PY'
import hashlib, struct, sys
x, y, w, h = (int(v) for v in sys.argv[1:5])
d = open('screen.xwd', 'rb').read()
header, = struct.unpack('>I', d[0:4])
bpp, line = struct.unpack('>II', d[44:52])
colours, = struct.unpack('>I', d[76:80])
start = header + colours * 12
step = bpp // 8
rows = [d[start + yy * line + x * step:start + yy * line + (x + w) * step] for yy in range(y, y + h)]
if bpp not in (24, 32) or any(len(r) != w * step for r in rows):
    sys.exit('screen_region: the dump cannot be read there')
print(hashlib.md5(b''.join(rows)).hexdigest())
PY
}

# Keys that go to a dialog or a box during play (the scenarios dialog_keys_wm.sh, box_keys_wm.sh).

# start_play <case> [environment...]: plays the demo stage with a trace (trace.txt) to a frame limit
# of 320 unless the environment sets another, the player in pid, its window in window.
start_play() {
    local how=$1
    shift
    rm -f trace.txt user_data/rpl4/*.rpl4_732
    env MIRELDA4_TRACE=trace.txt MIRELDA4_FRAME_LIMIT=320 "$@" "$player" 'data\stg4\demo.stg4' \
        2>"stderr-$how.txt" &
    pid=$!
    wait_for 60 player_window || { cat "stderr-$how.txt"; fail "$how: no game window was shown"; }
}

# focus_game: the keyboard focus on the game window.
focus_game() {
    xdotool windowfocus --sync "$window" 2>/dev/null
}

# hold <key> <seconds>: the key held that long, then let go.
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}

# ended_cleanly <case> <exit code> <stderr file>: the run ended with exit code 0, with no abort or
# sanitizer report in its standard error.
ended_cleanly() {
    local how=$1 rc=$2 err=$3
    [ "$rc" -eq 0 ] || { cat "$err"; fail "$how: exit code $rc"; }
    if grep -q 'terminate called\|ERROR: \|runtime error' "$err"; then
        cat "$err"
        fail "$how: abort or sanitizer report"
    fi
}

# skip_without_memory_limit: a sanitizer build's allocator ends the program where memory runs out
# under an address-space limit instead of letting the player see it; there the scenario is skipped.
skip_without_memory_limit() {
    if grep -qs '^M4_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
        echo "SKIP: a sanitizer build cannot run out of memory under an address-space limit"
        exit 0
    fi
}

# out_of_memory_run <name> <start_file|menu> <Direct3D> <limit kb> <stage> <box>: the player in an
# address space of <limit kb> on the back-end that Direct3D says, the stage (a path under the run
# folder) given as its start file or chosen through the title's free play (menu_input.txt), without
# a frame limit: it must end by itself, cleanly (exit code 0, no abort), having shown the box alone
# once, with the window placement written and the published pid file removed. The trace is in
# trace.txt, the log in Report_Game.txt.
out_of_memory_run() {
    local name=$1 how=$2 d3d=$3 limit=$4 stage=$5 box=$6 input=/dev/null args=() rc
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    rm -f user_data/Window.dat trace.txt Report_Game.txt
    if [ "$how" = start_file ]; then args=("${stage//\//\\}"); else input=menu_input.txt; fi
    (
        ulimit -v "$limit"
        MIRELDA4_INPUT="$input" MIRELDA4_ANSWERS="$stage" MIRELDA4_TRACE=trace.txt \
            timeout 120 "$player" "${args[@]}" 2>stderr.txt
    )
    rc=$?
    ended_for_memory "$name" "$rc" "$box"
}

# ended_for_memory <name> <exit code> <box>: the player (its standard error in stderr.txt) ended
# cleanly (exit code 0, no abort) having shown the box alone once, with the window placement written
# and the published pid file removed.
ended_for_memory() {
    local name=$1 rc=$2 box=$3 boxes
    [ "$rc" -eq 0 ] || { tail -n 5 stderr.txt; fail "$name: exit code $rc"; }
    grep -q 'terminate called' stderr.txt && { cat stderr.txt; fail "$name: abort"; }
    boxes=$(grep -c '^\[' stderr.txt)
    grep -qxF "$box -> ok" stderr.txt && [ "$boxes" -eq 1 ] ||
        { cat stderr.txt; fail "$name: not the one memory box ($boxes boxes)"; }
    [ -s user_data/Window.dat ] || fail "$name: no window placement written"
    [ -e "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid" ] && fail "$name: the pid file was left"
}

# fault_run <name> <Direct3D> <stage> <VAR=VALUE...>: the player built to fail an allocation or a
# thread start ($build/mirelda4_faults, its moment and count in the MIRELDA4_FAULT_* variables
# given) plays the stage (a path under the run folder) given as its start file, with a frame limit
# far past the fault; the fault must be reached, and the player end as ended_for_memory says with
# the box "メモリが不足しています！".
fault_run() {
    local name=$1 d3d=$2 stage=$3 rc
    shift 3
    printf 'Direct3D=%s\r\nWindowMode=1\r\nVSync=0\r\nExit\r\n' "$d3d" >System.ini
    rm -f user_data/Window.dat
    env "$@" MIRELDA4_FRAME_LIMIT=400 timeout $HANG_LIMIT "$build/mirelda4_faults" "${stage//\//\\}" 2>stderr.txt
    rc=$?
    grep -q '^fault: failed' stderr.txt || { cat stderr.txt; fail "$name: the fault was not reached"; }
    ended_for_memory "$name" "$rc" '[エラー] メモリが不足しています！'
}

# second_start_ends <case> <stderr file>: the second start ($second) ends within 30 s, cleanly
# (ended_cleanly); second is cleared.
second_start_ends() {
    wait_for 30 eval '! kill -0 $second 2>/dev/null' || fail "$1: the second start did not end"
    wait "$second"
    local rc=$?
    second=
    ended_cleanly "$1" "$rc" "$2"
}

# answered_no <case> <stderr file>: the start's question was answered No (or counted so).
answered_no() {
    grep -q -- "-> no$" "$2" || { cat "$2"; fail "$1: the question was not answered No"; }
}

# ends_with_play_going_on <case> <steps before>: the player ends at its frame limit with the play
# having gone on some 100 steps after the dialog (the frame limit leaves about 150; a pause menu or
# a close ends the play at once).
ends_with_play_going_on() {
    local how=$1 held=$2
    wait_for 60 eval '! kill -0 $pid 2>/dev/null' || fail "$how: the player did not end at its frame limit"
    wait "$pid"
    local rc=$?
    pid=
    ended_cleanly "$how" "$rc" "stderr-$how.txt"
    local steps
    steps=$(trace_lines)
    echo "$how: $held steps before the dialog, $steps in all"
    [ "$steps" -ge $((held + 100)) ] ||
        fail "$how: the play stopped after the dialog ($steps steps): the key reached the game"
}
