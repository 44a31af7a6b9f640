#!/usr/bin/env python3
"""Patch update benchmark: the larger sample release (make_sample_release.py
--scale N) updated from game 1 to game 2 by its patches, in the same run:
  - the launcher's apply step (ApplyUpdateState: patches, digests, moves,
    the map) in patch_update_bench.exe under Wine, timed inside the process
    so Wine's server round trips count;
  - Debian's bspatch, natively, applying the same patches (bsdiff's own
    format, made from the same file pairs) one process per file.
Prints the median of each over RUNS runs and the ratio.

Usage: patch_update_bench.py [--build build] [--scale 16] [--runs 5] [--work DIR]
The release and the raw patches are kept in DIR (default BUILD/bench_patch_update)
and reused for the same scale.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def make_release(work, scale):
    release = os.path.join(work, "release")
    stamp = os.path.join(work, "scale")
    if os.path.exists(stamp) and open(stamp).read() == str(scale):
        return release
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run([sys.executable, os.path.join(ROOT, "testing", "release",
                                                 "make_sample_release.py"),
                    "--scale", str(scale), release], check=True, stdout=subprocess.DEVNULL)
    with open(stamp, "w") as f:
        f.write(str(scale))
    return release


def raw_patches(release, work):
    """(old, patch) per patched file, bsdiff's own format, made once."""
    with open(os.path.join(release, "release-2", "patchs", "3_1_0", "patch_list.txt")) as f:
        listed = [name for name in json.load(f) if name != "version"]
    pairs = []
    for name in listed:
        old = os.path.join(release, "installed", "game-1", name)
        new = os.path.join(release, "release-2", name)
        patch = os.path.join(work, "raw", name + ".bsdiff")
        if not os.path.exists(patch):
            os.makedirs(os.path.dirname(patch), exist_ok=True)
            subprocess.run(["bsdiff", old, new, patch], check=True)
        pairs.append((old, new, patch))
    return pairs


def bspatch_run(pairs):
    with tempfile.TemporaryDirectory() as out:
        start = time.perf_counter()
        for i, (old, _new, patch) in enumerate(pairs):
            subprocess.run(["bspatch", old, os.path.join(out, str(i)), patch], check=True)
        elapsed = (time.perf_counter() - start) * 1000
        for i, (_old, new, _patch) in enumerate(pairs):
            with open(os.path.join(out, str(i)), "rb") as a, open(new, "rb") as b:
                if a.read() != b.read():
                    raise SystemExit("bspatch output differs")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--scale", type=int, default=16)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work or os.path.join(build, "bench_patch_update"))
    release = make_release(work, args.scale)
    pairs = raw_patches(release, work)
    exe = os.path.join(build, "bench", "update", "patch_update_bench.exe")
    env = dict(os.environ, QUORVEL_WINEPREFIX=os.path.join(build, "wineprefix"))
    patched = sum(os.path.getsize(new) for _old, new, _p in pairs)
    print("scale %d: %d patched files, %.1f MiB of new bytes" %
          (args.scale, len(pairs), patched / 1048576.0))

    ours = subprocess.run([os.path.join(ROOT, "scripts", "wine-run.sh"), exe,
                           "Z:" + release.replace("/", "\\"),
                           "Z:" + os.path.join(work, "launcher").replace("/", "\\"),
                           str(args.runs)], env=env, check=True, capture_output=True, text=True)
    print(ours.stdout.strip())
    ours_ms = [float(line.split()[1]) for line in ours.stdout.splitlines() if line.startswith("median_ms")][0]
    native = [bspatch_run(pairs) for _ in range(args.runs)]
    native_ms = statistics.median(native)
    print("bspatch runs: " + ", ".join("%.1f ms" % t for t in native))
    print("launcher apply step (Wine) median %.1f ms; Debian bspatch (native) median %.1f ms; "
          "ratio %.2f" % (ours_ms, native_ms, ours_ms / native_ms))


if __name__ == "__main__":
    main()
