#!/bin/bash
# With the window placement switch on, a close writes user_data/Window.dat (version word 732, five
# 4-byte fields, no strings: 32 bytes) and the next start puts the window back where it was.
# Usage: runtime_window.sh <player> <build-dir>
set -u
player=$(realpath "$1")
build=$(realpath "$2")
. "$(dirname "$0")/shell_lib.bash"
enter_run_folder
export SDL_AUDIODRIVER=dummy
mkdir -p user_data

run_and_close() {
    rm -rf snap && mkdir snap
    MIRELDA4_SNAPSHOT=snap:1 "$player" 2>stderr.txt &
    local pid=$!
    # The window is up once the first frame has been presented.
    wait_for 60 test -s snap/frame-1.bmp || { kill -TERM "$pid"; cat stderr.txt; fail "no frame was presented"; }
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    if [ "$rc" -ne 0 ]; then echo "FAIL: exit code $rc"; cat stderr.txt; exit 1; fi
}
hexdump_of() { od -An -tx1 -v "$1" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

run_and_close
if [ ! -f user_data/Window.dat ]; then echo "FAIL: no Window.dat written"; cat Report_Game.txt; exit 1; fi
size=$(stat -c %s user_data/Window.dat)
if [ "$size" -ne 32 ]; then echo "FAIL: Window.dat has $size bytes"; exit 1; fi
head=$(hexdump_of user_data/Window.dat | cut -d' ' -f1-8)
if [ "$head" != "dc 02 00 00 05 00 00 00" ]; then echo "FAIL: Window.dat starts $head"; exit 1; fi
tail=$(hexdump_of user_data/Window.dat | cut -d' ' -f29-32)
if [ "$tail" != "00 00 00 00" ]; then echo "FAIL: Window.dat has strings: $tail"; exit 1; fi

# A placement written by hand: corner (37, 45), client 640 x 480, not maximised.
printf '\xdc\x02\x00\x00\x05\x00\x00\x00\x25\x00\x00\x00\x2d\x00\x00\x00\x80\x02\x00\x00\xe0\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >user_data/Window.dat
expected=$(hexdump_of user_data/Window.dat)
run_and_close
got=$(hexdump_of user_data/Window.dat)
if [ "$got" != "$expected" ]; then
    echo "FAIL: the placement was not restored"; echo "wrote: $expected"; echo "saved: $got"; exit 1
fi

# With the switch off nothing is stored.
rm -f user_data/Window.dat
printf 'Direct3D=1\r\nWindowMode=0\r\nVSync=0\r\nExit\r\n' >System.ini
run_and_close
if [ -f user_data/Window.dat ]; then echo "FAIL: Window.dat written in full screen"; exit 1; fi
echo PASS
