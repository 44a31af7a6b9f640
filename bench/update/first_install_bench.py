#!/usr/bin/env python3
"""First install of the larger sample release: the launcher's game pass (the
update states over the download engine, run by road_runner.exe under Wine,
from the directory request to every file checked in the staging folder)
against Debian's aria2c fetching the same files natively (-j5) followed by
md5sum on them. nginx on a free loopback port serves the release and the
directory reply. The two take turns; each run starts from empty folders.
Prints each run's wall time (the whole program: Wine's start and server
included), the medians and their ratio.

Usage: first_install_bench.py [--build build] [--runs 5] [--scale 16] [--work DIR]
nginx and aria2 are installed with apt-get when missing. The release is made
once per scale in DIR (default BUILD/bench_first_install) and reused.
"""
import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
from download_bench import Nginx, ensure_packages, md5_of, run, windows  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_release(work, scale):
    release = os.path.join(work, "release-scale%d" % scale)
    if not os.path.exists(os.path.join(release, "release.json")):
        print("making the sample release at scale %d" % scale, flush=True)
        subprocess.run([sys.executable, os.path.join(ROOT, "testing", "release",
                                                     "make_sample_release.py"),
                        "--scale", str(scale), release], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(release, "release.json")) as f:
        return release, json.load(f)["trees"]["game-1"]


def serve_tree(www, release, port):
    """www/release-1 is the release's first version; www/get/urls the
    directory's reply naming it."""
    shutil.rmtree(www, ignore_errors=True)
    os.makedirs(os.path.join(www, "get"))
    os.symlink(os.path.join(release, "release-1"), os.path.join(www, "release-1"))
    download = ["http://127.0.0.1:%d/release-1/" % port]
    others = {"PatchOption": 2, "DlcAddr": download, "PreDlcCheck": True}
    with open(os.path.join(www, "get", "urls"), "w") as f:
        json.dump({"DlcAddr": download, "Others": json.dumps(others)}, f)


def check(folder, tree):
    for name, entry in tree.items():
        path = os.path.join(folder, *name.split("/"))
        if not os.path.exists(path) or md5_of(path) != entry["md5"]:
            raise SystemExit("%s: wrong or missing" % path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--scale", type=int, default=16)
    parser.add_argument("--work")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work or os.path.join(build, "bench_first_install"))
    runner = os.path.join(build, "tests", "update", "road_runner.exe")
    wine_run = os.path.join(ROOT, "scripts", "wine-run.sh")
    if not os.path.exists(runner):
        raise SystemExit("build first (road_runner.exe)")
    ensure_packages()
    os.makedirs(work, exist_ok=True)
    release, tree = make_release(work, args.scale)
    total = sum(entry["size"] for entry in tree.values())
    port = free_port()
    www = os.path.join(work, "www")
    serve_tree(www, release, port)
    env = dict(os.environ, QUORVEL_WINEPREFIX=os.path.join(build, "wineprefix"))
    launcher, game, aria = (os.path.join(work, name) for name in ("launcher", "game", "aria"))
    aria_list = os.path.join(work, "aria2.txt")
    with open(aria_list, "w") as f:
        for name in sorted(tree):
            f.write("http://127.0.0.1:%d/release-1/%s\n  out=%s\n" % (port, name, name))
    md5_list = [os.path.join(aria, *name.split("/")) for name in sorted(tree)]
    aria_cmd = ["/usr/bin/aria2c", "-j5", "-i", aria_list, "-d", aria,
                "--file-allocation=none", "--auto-file-renaming=false", "--allow-overwrite=true",
                "--console-log-level=error", "--summary-interval=0", "--download-result=hide",
                "-q"]
    launcher_cmd = [wine_run, runner, windows(launcher), windows(game),
                    "http://127.0.0.1:%d/" % port, str(32 * 1024 * 1024)]

    def fresh(*folders):
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        os.sync()  # neither starts with the other's write-back

    def launcher_run():
        fresh(launcher, game)
        wall, rc, text = run(launcher_cmd, env)
        if rc != 0:
            raise SystemExit("the pass did not reach the apply step (%d): %s" % (rc, text[-3000:]))
        check(os.path.join(launcher, "update"), tree)
        return wall

    def aria_run():
        fresh(aria)
        wall, rc, text = run(aria_cmd)
        if rc != 0:
            raise SystemExit("aria2c failed (%d): %s" % (rc, text[-3000:]))
        wall2, rc, text = run(["/usr/bin/md5sum"] + md5_list)
        if rc != 0:
            raise SystemExit("md5sum failed: %s" % text[-3000:])
        check(aria, tree)
        return wall + wall2

    nginx = Nginx(work, www, port)
    times = {"launcher": [], "aria2c+md5sum": []}
    try:
        run([wine_run, runner], env)  # warm the Wine prefix and server
        for r in range(args.runs):
            order = [("launcher", launcher_run), ("aria2c+md5sum", aria_run)]
            if r % 2:
                order.reverse()
            for name, step in order:
                wall = step()
                times[name].append(wall)
                print("  run %d %-14s %7.3f s %8.1f MB/s" % (r + 1, name, wall, total / wall / 1e6),
                      flush=True)
    finally:
        nginx.stop()
    median_l = statistics.median(times["launcher"])
    median_a = statistics.median(times["aria2c+md5sum"])
    print()
    print("first install, %d files, %d bytes (scale %d), %d runs each:" % (len(tree), total,
                                                                          args.scale, args.runs))
    print("  launcher (Wine)      median %7.3f s  (one run: %.3f s)" % (median_l, times["launcher"][0]))
    print("  aria2c -j5 + md5sum  median %7.3f s  (one run: %.3f s)" % (median_a,
                                                                         times["aria2c+md5sum"][0]))
    print("  launcher / aria2c+md5sum: %.2f (median), %.2f (first run)" % (
        median_l / median_a, times["launcher"][0] / times["aria2c+md5sum"][0]))


if __name__ == "__main__":
    main()
