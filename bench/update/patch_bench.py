#!/usr/bin/env python3
"""Patch-engine benchmark: two versions of a large file (200 MiB by default),
a patch between them made by Debian's bsdiff, and in the same run:
  - Debian's bspatch, natively, on that patch;
  - the launcher's streamed applier and in-memory applier, each in its own
    patch_bench.exe process under Wine, on the same patch converted into the
    launcher's container.
Prints the time and the peak memory of each and the ratios to bspatch, and
checks that every output equals bspatch's.

Usage: patch_bench.py [--build build] [--size-mib 200] [--runs 3] [--work DIR]
The files and the patch are kept in DIR (default BUILD/bench_patch) and reused
when they exist for the same size.
"""
import argparse
import hashlib
import os
import random
import resource
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "testing", "update", "patch"))
import bsdiff_to_bsdifn  # noqa: E402

MIB = 1024 * 1024


def make_versions(size, old_path, new_path):
    """Old: mostly incompressible data (like packed game assets) with a region of
    program-like records; new: scattered small edits, a region of shifted
    counters, an insertion, a deletion and two swapped regions."""
    rng = random.Random(20240601)
    old = bytearray(rng.randbytes(size))
    # Program-like region: 4-byte counters every 64 bytes over a tenth of the file.
    start, end = size // 5, size // 5 + size // 10
    for i in range(start, end, 64):
        old[i:i + 4] = (i // 64).to_bytes(4, "little")
    new = bytearray(old)
    for i in range(start, end, 64):  # relocated: every counter shifted by 3
        new[i:i + 4] = (i // 64 + 3).to_bytes(4, "little")
    for _ in range(2000):
        i = rng.randrange(size)
        new[i] = (new[i] + rng.randint(1, 255)) & 0xFF
    ins = size // 4
    new[ins:ins] = rng.randbytes(size // 40)
    dele = size // 2
    del new[dele:dele + size // 64]
    a, b, n = (size * 3) // 4, (size * 3) // 4 + size // 20, size // 25
    new[a:b + n] = new[b:b + n] + new[a + n:b] + new[a:a + n]
    with open(old_path, "wb") as f:
        f.write(old)
    with open(new_path, "wb") as f:
        f.write(new)


def run_measured(cmd, env=None):
    """Runs cmd under GNU time; returns (wall seconds, peak RSS MiB of the
    process, stdout). GNU time is small when it forks, so the peak is the
    program's own (wait4 from this process would count the forked copy of this
    interpreter, data and all)."""
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "QVTIME %M"] + cmd, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=env)
    wall = time.perf_counter() - start
    out = proc.stdout.decode(errors="replace")
    err = proc.stderr.decode(errors="replace")
    if proc.returncode != 0:
        raise SystemExit("%s failed (%d): %s %s" % (cmd[0], proc.returncode, out[-2000:], err[-2000:]))
    kib = [line.split()[1] for line in err.splitlines() if line.startswith("QVTIME ")]
    return wall, int(kib[-1]) / 1024.0, out


def parse_line(text):
    for line in reversed(text.splitlines()):
        if line.startswith("applier="):
            return dict(part.split("=", 1) for part in line.split())
    raise SystemExit("no figures from patch_bench.exe: " + text[-2000:])


def digest(path):
    h = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(8 * MIB), b""):
            h.update(block)
    return h.hexdigest()


def warm(*paths):
    for p in paths:
        with open(p, "rb") as f:
            while f.read(64 * MIB):
                pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--size-mib", type=int, default=200)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--work")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work or os.path.join(build, "bench_patch"))
    os.makedirs(work, exist_ok=True)
    exe = os.path.join(build, "bench", "update", "patch_bench.exe")
    if not os.path.exists(exe):
        raise SystemExit("build patch_bench first: cmake --build %s --target patch_bench" % build)

    size = args.size_mib * MIB
    tag = "%dm" % args.size_mib
    old, new = os.path.join(work, tag + ".old"), os.path.join(work, tag + ".new")
    bsdiff_patch, container = os.path.join(work, tag + ".bsdiff"), os.path.join(work, tag + ".patch")
    if not os.path.exists(container):
        print("making %d MiB versions and the bsdiff patch (slow, once)..." % args.size_mib, flush=True)
        make_versions(size, old, new)
        t = time.perf_counter()
        subprocess.run(["bsdiff", old, new, bsdiff_patch], check=True)
        print("bsdiff took %.0f s" % (time.perf_counter() - t), flush=True)
        bsdiff_to_bsdifn.convert_file(bsdiff_patch, container + ".tmp")
        os.replace(container + ".tmp", container)
    with open(container, "rb") as f:
        unpacked = int.from_bytes(f.read(4), "little")
    print("old %.1f MiB, new %.1f MiB, bsdiff patch %.2f MiB, container %.2f MiB, unpacked stream %.1f MiB"
          % (os.path.getsize(old) / MIB, os.path.getsize(new) / MIB, os.path.getsize(bsdiff_patch) / MIB,
             os.path.getsize(container) / MIB, unpacked / MIB))

    env = dict(os.environ, QUORVEL_WINEPREFIX=os.path.join(build, "wineprefix"))
    wine_run = os.path.join(ROOT, "scripts", "wine-run.sh")
    # Start the prefix's wineserver before timing anything.
    subprocess.run([wine_run, "cmd", "/c", "exit"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    expected = digest(new)
    # Wine's own resident memory: patch_bench.exe applying nothing.
    _, wine_rss, _ = run_measured([wine_run, exe, "none", old, os.path.join(work, "none.out"), container],
                                  env=env)
    names = ["bspatch", "streamed", "memory"]
    results = {name: [] for name in names}
    for run in range(args.runs):
        for name in names[run % 3:] + names[:run % 3]:  # each applier takes each place once
            out_path = os.path.join(work, "%s.%s.out" % (tag, name))
            if os.path.exists(out_path):
                os.remove(out_path)
            warm(old, bsdiff_patch, container)
            if name == "bspatch":
                wall, rss, _ = run_measured(["bspatch", old, out_path, bsdiff_patch])
                fig = {"seconds": wall, "rss": rss, "wall": wall}
            else:
                wall, rss, text = run_measured([wine_run, exe, name, old, out_path, container], env=env)
                line = parse_line(text)
                if line["result"] != "0":
                    raise SystemExit("%s applier failed: %s" % (name, line))
                fig = {"seconds": float(line["seconds"]), "rss": rss, "wall": wall}
            if digest(out_path) != expected:
                raise SystemExit("%s made a different file" % name)
            os.remove(out_path)
            results[name].append(fig)
            print("run %d %-8s apply %.2f s, process %.2f s, peak RSS %.0f MiB"
                  % (run + 1, name, fig["seconds"], fig["wall"], fig["rss"]), flush=True)

    def median(name, key):
        values = sorted(f[key] for f in results[name])
        return values[len(values) // 2]

    base_t, base_m = median("bspatch", "seconds"), median("bspatch", "rss")
    print()
    print("%d MiB file, median of %d runs; every output equals bspatch's" % (args.size_mib, args.runs))
    print("%-10s %8s %11s %13s %11s %10s" % ("applier", "apply s", "vs bspatch", "peak RSS MiB",
                                            "vs bspatch", "process s"))
    for name in names:
        t, m = median(name, "seconds"), median(name, "rss")
        print("%-10s %8.2f %10.2fx %13.0f %10.2fx %10.2f" % (name, t, t / base_t, m, m / base_m,
                                                             median(name, "wall")))
    packed = (os.path.getsize(container) - 8) / MIB
    streamed = median("streamed", "rss") - wine_rss
    print()
    print("Wine's own RSS (patch_bench.exe applying nothing): %.0f MiB" % wine_rss)
    print("streamed applier above that: %.0f MiB = unpacked stream %.0f MiB + packed bytes %.1f MiB "
          "+ %.0f MiB of buffers (bound: 2 x 50 MiB)" % (streamed, unpacked / MIB, packed,
                                                        streamed - unpacked / MIB - packed))
    print("'apply s' of the Wine appliers is the call itself; 'process s' adds Wine's start-up.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
