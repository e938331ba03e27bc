#!/bin/bash
# A message box on an X display under the C locale: the question of a start with only default data
# ("データが存在しません！...", caption "デフォルトデータ作成の確認") shows in a window of its own,
# titled with the caption, whose pixels are exactly the box as the player draws it with its own
# fonts (text included); Tab and Enter answer No, and the player says in a second box (an OK box,
# checked the same way) that it has no data, and ends when its button is clicked. A second time the player is
# closed (SIGTERM) while the box is open: the box goes with it. Runs on its own Xvfb.
# Usage: message_box_window.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
need_tools Xvfb xdotool xwd
[ -x "$build/m4_box_probe" ] || fail "m4_box_probe is not built"
dir=$(mktemp -d)
cd "$dir" || exit 1
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$dir/run"
unset SDL_VIDEODRIVER
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export LC_ALL=C LANG=C LANGUAGE=
unset LC_CTYPE

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>display.txt 2>/dev/null &
xvfb=$!
pid=
trap 'kill $xvfb $pid 2>/dev/null; rm -rf "$dir"' EXIT
wait_for 20 test -s display.txt || fail "Xvfb did not start"
export DISPLAY=:$(cat display.txt)

question='デフォルトデータ作成の確認'
question_text=$'データが存在しません！デフォルトデータを作成しますか？\n'
error='エラー'
error_text=$'「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。'
MB_OK=0 MB_YESNO=4

# box_window <caption>: the shown window titled so (names compared byte for byte) is $box.
box_window() {
    local caption=$1
    local w
    box=
    for w in $(xdotool search --onlyvisible --class mirelda4 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$caption" ] && box=$w
    done
    [ -n "$box" ]
}
# box_shown <type> <caption> <text>: the window's picture is that box (it may take a moment to be
# drawn after it is mapped).
box_shown() {
    xwd -silent -id "$box" >box.xwd 2>/dev/null && "$build/m4_box_probe" box.xwd "$@" >probe.txt 2>&1
}

for what in answer close; do
    rm -rf game && make_game_folder game
    cd game || exit 1
    "$player" 2>../stderr.txt &
    pid=$!
    wait_for 60 box_window "$question" || { cat ../stderr.txt; fail "$what: no box window was shown"; }
    if [ "$what" = answer ]; then
        wait_for 10 box_shown $MB_YESNO "$question" "$question_text" ||
            { cat probe.txt; fail "the question's window does not show the box"; }
        cat probe.txt
        xdotool windowfocus --sync "$box" key Tab Return
        wait_for 30 box_window "$error" || { cat ../stderr.txt; fail "no error box after No"; }
        [ -d data ] && fail "the answer No made the data folder"
        wait_for 10 box_shown $MB_OK "$error" "$error_text" ||
            { cat probe.txt; fail "the error's window does not show the box"; }
        cat probe.txt
        # A click on its button, the middle of the bottom row.
        eval "$(xdotool getwindowgeometry --shell "$box")"
        xdotool mousemove --window "$box" $((WIDTH / 2)) $((HEIGHT - 25)) click 1
        wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "the player did not end after the error"
    else
        kill -TERM "$pid"
        wait_for 30 eval '! kill -0 $pid 2>/dev/null' || fail "the player did not end with its box open"
        wait_for 10 eval '! box_window "$question"' || fail "the box stayed after the player ended"
    fi
    wait "$pid"
    echo "$what: exit $?"
    grep -q 'terminate called\|ERROR: \|runtime error' ../stderr.txt && { cat ../stderr.txt; fail "$what: abort or sanitizer report"; }
    cd ..
    pid=
done
echo PASS
