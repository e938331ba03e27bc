#!/usr/bin/env python3
"""Compares two lcov tracefiles of src/: what whole-program play reached and what the unit tests
reached. Prints a summary, per file the functions and lines play reached, the functions only the unit
tests reach, and those nothing reaches.
Usage: coverage_report.py PLAY.info UNIT.info SOURCE-TOP"""
import subprocess
import sys
from collections import defaultdict


def read_info(path, top):
    """{file: {"fn": {name: (line, count)}, "lines": {line: count}}} for the files of the tracefile."""
    files = defaultdict(lambda: {"fn": {}, "lines": {}})
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("SF:"):
                name = line[3:]
                if name.startswith(top + "/"):
                    name = name[len(top) + 1:]
                current = files[name]
            elif current is None:
                continue
            elif line.startswith("FN:"):
                number, name = line[3:].split(",", 1)
                old = current["fn"].get(name, (int(number), 0))
                current["fn"][name] = (int(number), old[1])
            elif line.startswith("FNDA:"):
                count, name = line[5:].split(",", 1)
                number, old = current["fn"].get(name, (0, 0))
                current["fn"][name] = (number, old + int(count))
            elif line.startswith("DA:"):
                parts = line[3:].split(",")
                number, count = int(parts[0]), int(parts[1])
                current["lines"][number] = current["lines"].get(number, 0) + count
            elif line == "end_of_record":
                current = None
    return files


def demangle(names):
    if not names:
        return {}
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True,
                             check=True).stdout.split("\n")
    except (OSError, subprocess.CalledProcessError):
        return {n: n for n in names}
    return {n: (out[i] if i < len(out) else n) for i, n in enumerate(names)}


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    top = sys.argv[3].rstrip("/")
    play = read_info(sys.argv[1], top)
    unit = read_info(sys.argv[2], top)
    names = sorted(set(play) | set(unit))

    per_file = []
    only_unit, neither = [], []
    total = reached = unit_reached = 0
    for name in names:
        p, u = play.get(name, {"fn": {}, "lines": {}}), unit.get(name, {"fn": {}, "lines": {}})
        functions = set(p["fn"]) | set(u["fn"])
        lines = set(p["lines"]) | set(u["lines"])
        by_play = {fn for fn in functions if p["fn"].get(fn, (0, 0))[1] > 0}
        by_unit = {fn for fn in functions if u["fn"].get(fn, (0, 0))[1] > 0}
        lines_by_play = sum(1 for n in lines if p["lines"].get(n, 0) > 0)
        per_file.append((name, len(by_play), len(functions), lines_by_play, len(lines)))
        total += len(functions)
        reached += len(by_play)
        unit_reached += len(by_unit)
        for fn in functions:
            line = (p["fn"].get(fn) or u["fn"].get(fn))[0]
            if fn in by_play:
                continue
            (only_unit if fn in by_unit else neither).append((name, line, fn))

    readable = demangle(sorted({fn for _, _, fn in only_unit + neither}))
    share = 100.0 * reached / total if total else 0.0
    print(f"Whole-program play reached {reached} of {total} functions of src/ ({share:.1f}%).")
    print(f"Unit tests reached {unit_reached}; only unit tests reach {len(only_unit)}; "
          f"nothing reaches {len(neither)}.")
    print()
    print("Per file: functions reached by play / all, lines reached by play / all")
    for name, fp, fa, lp, la in per_file:
        print(f"  {name}: {fp}/{fa} functions, {lp}/{la} lines")
    print()
    print(f"Functions only unit tests reach ({len(only_unit)}):")
    for name, line, fn in sorted(only_unit):
        print(f"  {name}:{line}  {readable.get(fn, fn)}")
    print()
    print(f"Functions nothing reaches ({len(neither)}):")
    for name, line, fn in sorted(neither):
        print(f"  {name}:{line}  {readable.get(fn, fn)}")


if __name__ == "__main__":
    main()
