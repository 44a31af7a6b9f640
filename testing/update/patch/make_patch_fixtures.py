#!/usr/bin/env python3
"""Makes the patch fixtures of the patch-engine tests in OUTDIR: for each case
NAME.old and NAME.new (made here from fixed seeds), NAME.bsdiff (Debian's
bsdiff), NAME.expected (what Debian's bspatch makes of it) and NAME.patch (the
same patch as the launcher's container, see bsdiff_to_bsdifn.py). cases.txt
lists the case names, one per line, and is written last.

Usage: make_patch_fixtures.py --bsdiff PATH --bspatch PATH OUTDIR
"""
import argparse
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bsdiff_to_bsdifn  # noqa: E402


def structured(rng, size):
    """Data with the texture of a program: records with small counters, repeated
    words, some noise; bsdiff finds long approximate matches in it."""
    out = bytearray()
    words = [rng.randbytes(rng.randint(4, 24)) for _ in range(64)]
    counter = 0
    while len(out) < size:
        kind = rng.random()
        if kind < 0.5:
            out += rng.choice(words)
        elif kind < 0.8:
            counter += rng.randint(1, 9)
            out += counter.to_bytes(4, "little")
        else:
            out += rng.randbytes(rng.randint(1, 40))
    return bytes(out[:size])


def bump_numbers(rng, data, count):
    """Small changes spread over the file, like relocated addresses."""
    out = bytearray(data)
    for _ in range(count):
        i = rng.randrange(0, max(1, len(out) - 4))
        out[i] = (out[i] + rng.randint(1, 5)) & 0xFF
    return bytes(out)


def case_text(rng):
    lines = [("line %d: %s\n" % (i, rng.choice(["alpha", "beta", "gamma", "delta"]) * rng.randint(1, 6)))
             for i in range(1500)]
    old = "".join(lines).encode()
    new_lines = list(lines)
    for _ in range(40):
        i = rng.randrange(len(new_lines))
        new_lines[i] = new_lines[i].replace("a", "A", 1)
    del new_lines[100:130]
    new_lines[700:700] = ["inserted %d\n" % i for i in range(50)]
    return old, "".join(new_lines).encode()


def case_binary_edits(rng):
    old = structured(rng, 3 * 1024 * 1024)
    new = bump_numbers(rng, old, 3000)
    # Insert, delete and move whole regions: the old position jumps back and forth.
    a, b = 400_000, 900_000
    new = new[:a] + rng.randbytes(70_000) + new[a:b] + new[b + 120_000:]
    c, d = 1_500_000, 2_400_000
    new = new[:c] + new[d:d + 200_000] + new[c:d] + new[d + 200_000:]
    return old, new


def case_grow(rng):
    old = structured(rng, 10_000)
    return old, old[:5000] + rng.randbytes(500_000) + old[5000:]


def case_shrink(rng):
    old = structured(rng, 800_000)
    return old, old[100_000:150_000] + old[600_000:700_000]


def case_tiny_old(rng):
    # bsdiff cannot map an empty file; one byte is as little as it takes.
    return b"Q", structured(rng, 100_000)


def case_identical(rng):
    data = structured(rng, 1024 * 1024)
    return data, data


def case_tiny_new(rng):
    old = structured(rng, 50_000)
    return old, old[1000:1003]


def case_shuffled_chunks(rng):
    chunk = 64 * 1024
    old = structured(rng, 24 * chunk)
    pieces = [old[i:i + chunk] for i in range(0, len(old), chunk)]
    order = list(range(len(pieces)))
    rng.shuffle(order)
    return old, bump_numbers(rng, b"".join(pieces[i] for i in order), 500)


CASES = [
    ("text", case_text),
    ("binary_edits", case_binary_edits),
    ("grow", case_grow),
    ("shrink", case_shrink),
    ("tiny_old", case_tiny_old),
    ("identical", case_identical),
    ("tiny_new", case_tiny_new),
    ("shuffled_chunks", case_shuffled_chunks),
]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bsdiff", default="bsdiff")
    parser.add_argument("--bspatch", default="bspatch")
    parser.add_argument("outdir")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    listing = os.path.join(args.outdir, "cases.txt")
    if os.path.exists(listing):
        os.remove(listing)
    for seed, (name, make) in enumerate(CASES, start=1):
        old, new = make(random.Random(seed))
        base = os.path.join(args.outdir, name)
        write(base + ".old", old)
        write(base + ".new", new)
        subprocess.run([args.bsdiff, base + ".old", base + ".new", base + ".bsdiff"], check=True)
        subprocess.run([args.bspatch, base + ".old", base + ".expected", base + ".bsdiff"], check=True)
        with open(base + ".expected", "rb") as f:
            if f.read() != new:
                raise SystemExit("bspatch did not rebuild %s" % name)
        bsdiff_to_bsdifn.convert_file(base + ".bsdiff", base + ".patch")
    write(listing, "".join(name + "\n" for name, _ in CASES).encode())
    return 0


if __name__ == "__main__":
    sys.exit(main())
