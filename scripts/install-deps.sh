#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some are missing.
set -euo pipefail
pkgs=(cmake g++ make pkg-config ccache python3
      libsdl2-dev libasound2-dev libfreetype-dev libfontconfig-dev libvorbis-dev libfluidsynth-dev
      libboost-dev libgtest-dev libgmock-dev libbenchmark-dev libpixman-1-dev
      fonts-ipafont-gothic fonts-ipafont-mincho timgm6mb-soundfont strace xvfb xdotool x11-apps x11-utils x11-xkb-utils openbox
      valgrind)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
