#!/usr/bin/env python3
"""Instruction cost per call of a function from a callgrind output file.

Under load, wall-clock timings are noise; instruction counts are repeatable. Run a benchmark under
callgrind (a short --benchmark_min_time is enough), then give this script the output file and the
name (or a part of it) of the function each iteration calls:

    valgrind --tool=callgrind --callgrind-out-file=cg.out build/bench_stage_draw --benchmark_min_time=0.01
    bench/callgrind_cost.py cg.out DrawFrame

It prints, for every function whose name contains the text, the calls made to it, its inclusive
instruction count and the count per call (set-up outside the calls does not count).
"""
import re
import sys
from collections import defaultdict


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    path, needles = sys.argv[1], sys.argv[2:]
    names = {}
    calls = defaultdict(int)
    cost = defaultdict(int)
    target = None
    pending = None
    event = 0  # index of Ir among the events
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("events:"):
                event = line.split()[1:].index("Ir")
            m = re.match(r"c?fn=\((\d+)\)(?: (.*))?$", line)
            if m:
                if m.group(2):
                    names[m.group(1)] = m.group(2)
                if line.startswith("cfn="):
                    target = names.get(m.group(1))
                continue
            m = re.match(r"cfn=(.*)$", line)
            if m:
                target = m.group(1)
                continue
            m = re.match(r"calls=(\d+)", line)
            if m:
                pending = int(m.group(1))
                continue
            if pending is not None:
                parts = line.split()
                if target is not None and len(parts) > 1 + event:
                    calls[target] += pending
                    cost[target] += int(parts[1 + event])
                pending = None
    for needle in needles:
        for name in sorted(n for n in calls if needle in n):
            n = calls[name]
            print(f"{name}\n    calls {n}  Ir {cost[name]}  Ir/call {cost[name] / max(1, n):.0f}")


if __name__ == "__main__":
    main()
