#!/usr/bin/env bash
# The layer check on small source trees: it passes a tree whose includes go down or sideways within
# a folder, and fails, naming the line, on an include of a higher layer, a relative path that leaves
# the folder, and a folder outside the order.
set -uo pipefail
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check_layers.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

# tree NAME FILE=CONTENT...: a source tree under $tmp/NAME.
tree() {
    local root=$tmp/$1
    shift
    mkdir -p "$root"
    for entry in "$@"; do
        mkdir -p "$(dirname "$root/${entry%%=*}")"
        printf '%b' "${entry#*=}" >"$root/${entry%%=*}"
    done
}

# expect NAME WANTED_STATUS [TEXT]: the check's status on tree NAME, and TEXT in its report.
expect() {
    local out rc
    out=$(bash "$check" "$tmp/$1" 2>&1)
    rc=$?
    if [[ $rc -ne $2 ]]; then
        echo "FAIL $1: status $rc, wanted $2"$'\n'"$out"
        status=1
    elif [[ -n ${3:-} && $out != *"$3"* ]]; then
        echo "FAIL $1: no \"$3\" in"$'\n'"$out"
        status=1
    fi
}

base=('platform/p.h=#pragma once\n' 'objects/o.h=#pragma once\n#include "platform/p.h"\n'
      'play/q.h=#pragma once\n#include "objects/o.h"\n#include <vector>\n'
      'play/q.cpp=#include "q.h"\n#include "play/q.h"\n#include "generated/none.h"\n'
      'main.cpp=#include "play/q.h"\n')
tree clean "${base[@]}"
expect clean 0

tree upward "${base[@]}" 'objects/o.cpp=#include "objects/o.h"\n\n#include "play/q.h"\n'
expect upward 1 'objects/o.cpp:3: includes "play/q.h", of a layer above its own'

tree sideways_up "${base[@]}" 'platform/gfx/g.h=#pragma once\n' 'platform/p.cpp=#include "platform/gfx/g.h"\n'
expect sideways_up 1 'platform/p.cpp:1: includes "platform/gfx/g.h"'

tree angled "${base[@]}" 'draw/d.cpp=#include <vector>\n#  include <objects/o.h>\n'
expect angled 1 'draw/d.cpp:2: includes "objects/o.h", of a layer above its own'

tree relative "${base[@]}" 'objects/r.cpp=#include "../play/q.h"\n'
expect relative 1 'objects/r.cpp:1: includes "../play/q.h" by a relative path'

tree stray "${base[@]}" 'extras/x.cpp=#include "play/q.h"\n'
expect stray 1 'extras/x.cpp: its folder has no place'

exit $status
