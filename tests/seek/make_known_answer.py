#!/usr/bin/env python3
"""Writes known_answer.csv: what levelseek must print for the search below.

The answer comes from the real levelgen, not from levelseek: the dialogue is
answered once per seed of the range, and the figures are read back from the
level.txt it writes. Run it with the path of a built levelgen, only to change
the search; the committed file is the reference.

    python3 tests/seek/make_known_answer.py build/bin/levelgen
"""
import pathlib
import subprocess
import sys
import tempfile

# The search, as levelseek's arguments; the test runs levelseek with them.
# Seeds 0 and 1 give the same level (the C library seeds 0 as 1), and both
# match; seed -145 has its first asteroid right at the clear start.
ARGUMENTS = ["--csv", "--seeds", "-150..149", "--count", "112..125", "--clear-start", "3",
             "--densest", "60:12..", "1000", "20", "5", "3"]
FIRST, LAST = -150, 149
LIMITS = "1000 20 5 3"
WINDOW = 60


def matches(count, first, densest):
    return 112 <= count <= 125 and first >= 3 and densest >= 12

here = pathlib.Path(__file__).resolve().parent


def figures(positions):
    longest = max((b - a for a, b in zip(positions, positions[1:])), default=0)
    densest = 0
    start = 0
    for end, x in enumerate(positions):
        while x - positions[start] >= WINDOW:
            start += 1
        densest = max(densest, end - start + 1)
    return len(positions), longest, densest


def main():
    levelgen = pathlib.Path(sys.argv[1]).resolve()
    rows = ["seed,count,first_x,last_x,longest_gap,densest_%d" % WINDOW]
    with tempfile.TemporaryDirectory() as folder:
        for seed in range(FIRST, LAST + 1):
            subprocess.run([levelgen], input=("%d %s\n" % (seed, LIMITS)).encode(), cwd=folder,
                           stdout=subprocess.DEVNULL, check=True)
            lines = pathlib.Path(folder, "level.txt").read_text().splitlines()
            positions = [int(line.split()[0]) for line in lines]
            count, longest, densest = figures(positions)
            if matches(count, positions[0], densest):
                rows.append("%d,%d,%d,%d,%d,%d" % (seed, count, positions[0], positions[-1], longest, densest))
    (here / "known_answer.csv").write_text("\n".join(rows) + "\n")
    (here / "known_answer.arguments").write_text("\n".join(ARGUMENTS) + "\n")


if __name__ == "__main__":
    main()
