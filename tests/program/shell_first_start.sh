#!/usr/bin/env bash
# First start in a folder holding only default/: the question is answered yes, default/ is copied to
# data/, the 22 folders are made, the report log starts with the version line and the system report,
# and SIGTERM (then SIGINT, in a second run) ends the player with exit code 0.
set -u
player=$(realpath "$1")
. "$(dirname "$0")/shell_lib.bash"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
export XDG_RUNTIME_DIR=$top/run
mkdir -p "$XDG_RUNTIME_DIR"
game=$top/game
make_game_folder "$game"

cd "$game"
MIRELDA4_ANSWERS=yes "$player" 2> "$top/err" &
pid=$!
wait_for 60 player_ready "$game" || { kill -9 $pid; cat "$top/err"; fail "player did not start"; }
grep -q "データが存在しません！" "$top/err" || fail "no question before the copy"
cmp -s default/System.dat data/System.dat || fail "System.dat not copied"
cmp -s default/database/Sound.dat data/database/Sound.dat || fail "database not copied"
[ "$(cat data/stg4/ステージ.stg4_000)" = stage ] || fail "Japanese file name not copied"
# The window may be published while start-up still makes its folders and writes its report.
started_up() {
    local f
    for f in "${FOLDERS[@]}"; do [ -d "$f" ] || return 1; done
    tr -d '\r' <Report_Game.txt 2>/dev/null | grep -q '^HD Free : '
}
wait_for 60 started_up
for f in "${FOLDERS[@]}"; do [ -d "$f" ] || fail "folder $f missing"; done

report=$(tr -d '\r' < Report_Game.txt)
[ "$(head -n 1 <<< "$report")" = "App : ver 732" ] || fail "first report line: $(head -n 1 <<< "$report")"
for key in "OS : " "CPU : " "Mem Total : " "Mem Free : " "Vir Total : " "Vir Free : " "HD Free : "; do
    grep -q "^$key" <<< "$report" || fail "report has no '$key' line"
done
grep -Eq '^Mem Total : [0-9]+\.[0-9]{3}MB$' <<< "$report" || fail "Mem Total format"
grep -Eq '^Mem Free : +[0-9]+MB$' <<< "$report" || fail "Mem Free format"
head -n 1 Report_Game.txt | grep -q $'\r$' || fail "report lines do not end with CR LF"

sleep 0.3
kill -0 $pid || fail "player ended on its own"
kill -TERM $pid
wait $pid
code=$?
[ $code -eq 0 ] || fail "exit code after SIGTERM: $code"
[ -f "$XDG_RUNTIME_DIR/mirelda4-window-Mirelda4.pid" ] && fail "window still published after the end"

# A second run finds data/ and asks nothing; SIGINT ends it the same way. A command a script starts
# in the background has SIGINT ignored, which the player keeps: it is started as a terminal would.
env --default-signal=INT "$player" 2> "$top/err2" &
pid=$!
wait_for 60 player_ready "$game" || { kill -9 $pid; fail "second run did not start"; }
grep -q "データが存在しません！" "$top/err2" && fail "asked again although data/ exists"
kill -INT $pid
wait $pid
code=$?
[ $code -eq 0 ] || fail "exit code after SIGINT: $code"
echo PASS
