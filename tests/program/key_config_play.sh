#!/bin/bash
# A configured key table (user_data/KeyConfig.dat not in the fixed layout) played with real key
# presses on a display under a window manager: the table puts "right" on the L key. The meadow is
# played; the right arrow of the fixed layout, held, leaves the hero where it stands; L, held,
# walks it to the right. Minimised with L held, the game stops; the key let go meanwhile, the game
# goes on when the window comes back, with the hero standing. With a French keyboard layout the
# table's comma key (where the US layout has the M) walks the hero left. Runs on its own Xvfb.
# Usage: key_config_play.sh <player> <build-dir>
# ctest: serial (keys are held for spans of the wall clock and must move the hero by a distance)
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_wm_scenario 1024x768 Xvfb openbox xdotool xprop setxkbmap
[ -f data/stg4/demo.stg4_000 ] || fail "no demo stage (project writer missing in $build)"
# A French keyboard layout: the comma lies where the US layout has the M.
setxkbmap -layout fr || fail "the keyboard layout cannot be set"

# Twelve entries of device (8: keyboard), key code and a spare word; then the count of entries used,
# the joysticks polled (none) and the mode (1: this table). Left the comma key, right L, up I, down
# K, buttons Q W E R T Y U O.
mkdir -p user_data
{
    for code in 0xBC 0x4C 0x49 0x4B 0x51 0x57 0x45 0x52 0x54 0x59 0x55 0x4F; do
        printf '08000000%02x%02x0000' $((code & 0xFF)) $((code >> 8))
    done
    printf '%s' 0c000000 00000000 01000000
} | xxd -r -p >user_data/KeyConfig.dat
[ "$(stat -c %s user_data/KeyConfig.dat)" -eq 108 ] || fail "the key table is not 108 bytes"

MIRELDA4_TRACE=trace.txt "$player" 'data\stg4\demo.stg4_000' 2>stderr.txt &
pid=$!
window=
wait_for 60 player_window || { cat stderr.txt; fail "no window was shown"; }
# Play has begun once the trace has steps.
wait_for 60 eval '[ "$(wc -l <trace.txt 2>/dev/null || echo 0)" -gt 30 ]' || { cat stderr.txt; fail "the stage did not start"; }
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
hero_x() { tail -n 1 trace.txt | sed -E 's/.* hero=([0-9]+)\..*/\1/'; }
sleep 0.5
x0=$(hero_x)
xdotool keydown --window "$window" Right
sleep 1.5
xdotool keyup --window "$window" Right
sleep 0.3
x1=$(hero_x)
xdotool keydown --window "$window" l
wait_for 20 eval '[ "$(hero_x)" -gt $((x1 + 100)) ]'
xdotool keyup --window "$window" l
sleep 0.3
x2=$(hero_x)
# L held again and the window minimised meanwhile: in the background no frame runs; the key is let go
# while the window is away, and once the window is back play goes on with the hero standing.
steps() { wc -l <trace.txt; }
xdotool keydown --window "$window" l
sleep 0.5
xdotool windowminimize --sync "$window"
sleep 0.5
n1=$(steps)
xdotool keyup l
sleep 1
n2=$(steps)
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
wait_for 20 eval '[ "$(steps)" -gt $((n2 + 20)) ]'
n3=$(steps)
x3=$(hero_x)
sleep 0.5
x4=$(hero_x)
# The comma, a sign key where the US layout has a letter, is named by its sign: it walks left.
xdotool keydown --window "$window" comma
wait_for 20 eval '[ "$(hero_x)" -lt $((x4 - 60)) ]'
xdotool keyup --window "$window" comma
sleep 0.3
x5=$(hero_x)
kill -TERM "$pid"
wait "$pid"
rc=$?
pid=
[ "$rc" -eq 0 ] || { cat stderr.txt; fail "exit code $rc"; }
echo "hero x: $x0 at the start, $x1 after the right arrow, $x2 after L"
echo "steps: $n1 when minimised, $n2 a second later, $n3 a second after the window came back; hero x $x3, $x4"
[ "$x1" -eq "$x0" ] || fail "the right arrow moved the hero although the table does not name it"
[ "$x2" -gt $((x1 + 100)) ] || fail "L held did not walk the hero to the right"
[ "$n2" -le $((n1 + 2)) ] || fail "play went on in the background ($n1 -> $n2 steps)"
[ "$n3" -gt $((n2 + 20)) ] || fail "play did not go on when the window came back ($n2 -> $n3 steps)"
[ "$x4" -eq "$x3" ] || fail "the hero walks on after the window came back without the key ($x3 -> $x4)"
echo "hero x $x5 after the comma key"
[ "$x5" -lt $((x4 - 60)) ] || fail "the comma key of the French layout did not walk the hero left ($x4 -> $x5)"
echo PASS
