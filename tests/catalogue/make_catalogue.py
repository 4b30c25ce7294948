#!/usr/bin/env python3
"""Writes the expected level of every catalogue entry into levels/.

The levels come from this independent model of the draw, not from levelgen:
it asks the C library itself for srandom()/random() and does the 32-bit
arithmetic in Python integers, so the test that compares levelgen with these
files checks two separate implementations against each other.

Run it only to add an entry; the committed files are the reference.
"""
import ctypes
import pathlib

here = pathlib.Path(__file__).resolve().parent
libc = ctypes.CDLL("libc.so.6")
libc.srandom.argtypes = [ctypes.c_uint]
libc.random.restype = ctypes.c_long


def wrap(value):
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value >= 1 << 31 else value


def remainder(dividend, divisor):
    """The remainder of truncating division: it takes the dividend's sign."""
    magnitude = abs(dividend) % abs(divisor)
    return -magnitude if dividend < 0 else magnitude


def level(seed, length, distance, speed_x, speed_y):
    libc.srandom(seed & 0xFFFFFFFF)
    x = 0
    while x < length:
        x = wrap(x + remainder(libc.random(), distance))
        vertical = wrap(remainder(libc.random(), wrap(2 * speed_y)) - speed_y)
        horizontal = wrap(remainder(libc.random(), wrap(speed_x - 1)) + 1)
        y = remainder(libc.random(), 600)
        yield f"{x} {y} {horizontal} {vertical}\n"


for line in (here / "entries.txt").read_text().splitlines():
    if not line.strip() or line.startswith("#"):
        continue
    name, *values = line.split()
    (here / "levels" / f"{name}.txt").write_text("".join(level(*map(int, values))))
