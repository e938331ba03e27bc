#!/usr/bin/env python3
"""Compares two lcov tracefiles of src/: what whole-program play reached and what the unit tests
reached. Prints a summary, per file the functions and lines play reached, the functions only the unit
tests reach (those a reasons file names, with their reason, and the rest), and those nothing reaches.

A function is a function of the source: the instantiations of one template (one file and line) count
as one function, reached when play reached any of them.

The reasons file holds lines "PATH-GLOB | NAME-REGEX | REASON" ('#' starts a comment): a function
only unit tests reach whose file matches the glob and whose readable name the expression finds is
listed under the reason of the first line that matches it.
Usage: coverage_report.py PLAY.info UNIT.info SOURCE-TOP [REASONS]"""
import fnmatch
import re
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


def read_reasons(path):
    """[(glob, compiled expression, reason)] in the order of the file."""
    reasons = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            parts = [p.strip() for p in line.split(" | ")]
            if len(parts) != 3 or not all(parts):
                sys.exit(f"{path}:{number}: expected 'PATH-GLOB | NAME-REGEX | REASON'")
            try:
                reasons.append((parts[0], re.compile(parts[1]), parts[2]))
            except re.error as e:
                sys.exit(f"{path}:{number}: {e}")
    return reasons


def demangle(names):
    if not names:
        return {}
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True,
                             check=True).stdout.split("\n")
    except (OSError, subprocess.CalledProcessError):
        return {n: n for n in names}
    return {n: (out[i] if i < len(out) else n) for i, n in enumerate(names)}


def source_functions(p, u):
    """{line: (names, reached by play, reached by the unit tests)}: the functions of one file by the
    line they start on, so that a template's instantiations make one function."""
    by_line = defaultdict(lambda: [[], False, False])
    for fn in set(p["fn"]) | set(u["fn"]):
        line = (p["fn"].get(fn) or u["fn"].get(fn))[0]
        entry = by_line[line]
        entry[0].append(fn)
        entry[1] = entry[1] or p["fn"].get(fn, (0, 0))[1] > 0
        entry[2] = entry[2] or u["fn"].get(fn, (0, 0))[1] > 0
    return by_line


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    top = sys.argv[3].rstrip("/")
    play = read_info(sys.argv[1], top)
    unit = read_info(sys.argv[2], top)
    reasons = read_reasons(sys.argv[4]) if len(sys.argv) == 5 else []
    names = sorted(set(play) | set(unit))

    per_file = []
    only_unit, neither = [], []
    total = reached = unit_reached = 0
    empty = {"fn": {}, "lines": {}}
    for name in names:
        p, u = play.get(name, empty), unit.get(name, empty)
        functions = source_functions(p, u)
        lines = set(p["lines"]) | set(u["lines"])
        by_play = sum(1 for f in functions.values() if f[1])
        lines_by_play = sum(1 for n in lines if p["lines"].get(n, 0) > 0)
        per_file.append((name, by_play, len(functions), lines_by_play, len(lines)))
        total += len(functions)
        reached += by_play
        unit_reached += sum(1 for f in functions.values() if f[2])
        for line, (fns, in_play, in_unit) in functions.items():
            if not in_play:
                (only_unit if in_unit else neither).append((name, line, sorted(fns)[0]))

    readable = demangle(sorted({fn for _, _, fn in only_unit + neither}))
    named, unnamed = defaultdict(list), []
    for name, line, fn in sorted(only_unit):
        text = readable.get(fn, fn)
        reason = next((r for glob, rx, r in reasons if fnmatch.fnmatch(name, glob) and rx.search(text)),
                      None)
        (named[reason] if reason else unnamed).append((name, line, text))

    share = 100.0 * reached / total if total else 0.0
    print(f"Whole-program play reached {reached} of {total} functions of src/ ({share:.1f}%).")
    print(f"Unit tests reached {unit_reached}; only unit tests reach {len(only_unit)} "
          f"({len(only_unit) - len(unnamed)} with a reason, {len(unnamed)} without); "
          f"nothing reaches {len(neither)}.")
    print()
    print("Per file: functions reached by play / all, lines reached by play / all")
    for name, fp, fa, lp, la in per_file:
        print(f"  {name}: {fp}/{fa} functions, {lp}/{la} lines")
    print()
    print(f"Functions only unit tests reach, without a reason ({len(unnamed)}):")
    for name, line, text in unnamed:
        print(f"  {name}:{line}  {text}")
    print()
    print(f"Functions only unit tests reach, with a reason ({len(only_unit) - len(unnamed)}):")
    for reason in sorted(named):
        print(f"  {reason} ({len(named[reason])}):")
        for name, line, text in named[reason]:
            print(f"    {name}:{line}  {text}")
    print()
    print(f"Functions nothing reaches ({len(neither)}):")
    for name, line, fn in sorted(neither):
        print(f"  {name}:{line}  {readable.get(fn, fn)}")


if __name__ == "__main__":
    main()
