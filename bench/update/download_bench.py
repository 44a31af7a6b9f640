#!/usr/bin/env python3
"""Download-engine benchmark. nginx on 127.0.0.1 serves
  (a) 2,000 files of 4 KiB to 256 KiB, and
  (b) four files of 256 MiB,
and in the same run each set is downloaded by
  - the launcher's download engine (download_bench.exe under Wine),
  - curl's command-line tool built from the same libcurl, under Wine
    (--parallel --parallel-max 5),
  - Debian's aria2c, natively (-j5).
Prints MB/s of each (1 MB = 10^6 bytes, wall time of the whole program), the
engine's ratios to the two others and each tool's peak memory (the largest
resident size of the program's processes, Wine's own server not counted).
Other builds of the engine (--compare NAME=EXE, e.g. the code before a change)
take their turns in the same run. Then the engine is stopped abruptly at
several points of set (b) and started again; the bytes that went over the
wire twice are counted from nginx's log. Each killing run starts a Wine server
of its own and ends it, so that a server left spinning on a half-closed socket
never runs beside a later run.

Usage: download_bench.py [--build build] [--runs 5] [--work DIR] [--port 18480]
                         [--compare NAME=EXE ...] [--kill-at 0.25,0.47,...]
nginx and aria2 are installed with apt-get when missing. The data sets are
kept in DIR (default BUILD/bench_download) and reused.
"""
import argparse
import hashlib
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MIB = 1024 * 1024


def ensure_packages():
    missing = [pkg for pkg, exe in (("nginx", "/usr/sbin/nginx"), ("aria2", "/usr/bin/aria2c"))
               if not os.path.exists(exe)]
    if missing:
        print("installing %s" % " ".join(missing), flush=True)
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends"] + missing,
                       check=True, env=env, stdout=subprocess.DEVNULL)


def write_if_missing(path, size, seed):
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    rng = random.Random(seed)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path + ".tmp", "wb") as f:
        left = size
        while left > 0:
            n = min(left, 16 * MIB)
            f.write(rng.randbytes(n))
            left -= n
    os.replace(path + ".tmp", path)


def md5_of(path):
    h = hashlib.md5()
    with open(path, "rb") as f:
        while True:
            block = f.read(MIB)
            if not block:
                return h.hexdigest()
            h.update(block)


def make_sets(www):
    rng = random.Random(4242)
    small = []
    for i in range(2000):
        size = rng.randint(4 * 1024, 256 * 1024)
        rel = "small/d%02d/f%04d.bin" % (i // 100, i)
        write_if_missing(os.path.join(www, rel), size, i)
        small.append(rel)
    big = []
    for i in range(4):
        rel = "big/b%d.bin" % i
        write_if_missing(os.path.join(www, rel), 256 * MIB, 10000 + i)
        big.append(rel)
    return {"a: 2000 files of 4-256 KiB": small, "b: 4 files of 256 MiB": big}


def windows(path):
    return "Z:" + path.replace("/", "\\")


class Nginx:
    def __init__(self, work, www, port):
        self.dir = os.path.join(work, "nginx")
        os.makedirs(os.path.join(self.dir, "tmp"), exist_ok=True)
        self.log = os.path.join(self.dir, "access.log")
        self.port = port
        conf = os.path.join(self.dir, "nginx.conf")
        user = "user root root;" if os.geteuid() == 0 else ""
        with open(conf, "w") as f:
            f.write("""%(user)s
worker_processes 4;
daemon off;
pid %(dir)s/nginx.pid;
error_log %(dir)s/error.log;
events { worker_connections 1024; }
http {
  log_format bench '$request_uri $status $body_bytes_sent "$http_range"';
  access_log %(log)s bench;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  keepalive_timeout 60;
  client_body_temp_path %(dir)s/tmp;
  proxy_temp_path %(dir)s/tmp;
  fastcgi_temp_path %(dir)s/tmp;
  uwsgi_temp_path %(dir)s/tmp;
  scgi_temp_path %(dir)s/tmp;
  types { }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:%(port)d;
    root %(www)s;
  }
}
""" % {"user": user, "dir": self.dir, "log": self.log, "port": port, "www": www})
        open(self.log, "w").close()
        self.proc = subprocess.Popen(["/usr/sbin/nginx", "-c", conf, "-p", self.dir],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            try:
                import socket
                socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        raise SystemExit("nginx did not start; see %s/error.log" % self.dir)

    def url(self, rel=""):
        return "http://127.0.0.1:%d/%s" % (self.port, rel)

    def log_lines(self):
        with open(self.log) as f:
            return f.read().splitlines()

    def stop(self):
        self.proc.send_signal(signal.SIGQUIT)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def settled_log(nginx, since):
    """nginx logs a cut request once it notices the client is gone: waits
    until the log has been still for a second."""
    lines = nginx.log_lines()
    for _ in range(20):
        time.sleep(0.5)
        now = nginx.log_lines()
        if len(now) == len(lines):
            break
        lines = now
    return lines[since:]


def sent_bytes(lines):
    return sum(int(line.split()[2]) for line in lines)


LAST_PEAK_KIB = [0]


def run(cmd, env=None):
    """Wall time, exit code and output; the peak resident size of the program
    and the descendants it waited for (GNU time's figure: a fork of this
    Python would count Python's own size) goes to LAST_PEAK_KIB."""
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "PEAK_KIB %M"] + cmd, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, env=env)
    wall = time.perf_counter() - start
    text = proc.stdout.decode(errors="replace")
    LAST_PEAK_KIB[0] = 0
    for line in text.splitlines():
        if line.startswith("PEAK_KIB "):
            LAST_PEAK_KIB[0] = int(line.split()[1])
    return wall, proc.returncode, text


def end_wineserver(env):
    subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=env["QUORVEL_WINEPREFIX"]),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=dict(env, WINEPREFIX=env["QUORVEL_WINEPREFIX"]),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def check_outputs(out, files, www):
    for rel in files:
        got = os.path.join(out, rel)
        if not os.path.exists(got) or os.path.getsize(got) != os.path.getsize(os.path.join(www, rel)):
            raise SystemExit("%s: wrong or missing output" % got)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work")
    parser.add_argument("--port", type=int, default=18480)
    parser.add_argument("--compare", action="append", default=[],
                        help="NAME=EXE: another build of download_bench.exe, run in turn")
    parser.add_argument("--kill-at", default="0.25,0.47,0.53,0.56,0.60")
    parser.add_argument("--sets", default="ab", help="which data sets to time")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = os.path.abspath(args.work or os.path.join(build, "bench_download"))
    engine = os.path.join(build, "bench", "update", "download_bench.exe")
    wine_run = os.path.join(ROOT, "scripts", "wine-run.sh")
    curl = None
    for name in sorted(os.listdir("/var/cache/quorvel-deps")):
        candidate = os.path.join("/var/cache/quorvel-deps", name, "bin", "curl.exe")
        if os.path.exists(candidate):
            curl = candidate
    if not os.path.exists(engine) or curl is None:
        raise SystemExit("build first (download_bench.exe) and the dependency cache (curl.exe)")
    ensure_packages()
    env = dict(os.environ, QUORVEL_WINEPREFIX=os.path.join(build, "wineprefix"))
    compare = dict(item.split("=", 1) for item in args.compare)
    kill_points = [float(x) for x in args.kill_at.split(",") if x]

    www = os.path.join(work, "www")
    print("preparing the data sets in %s" % www, flush=True)
    sets = make_sets(www)
    digests = {}
    for files in sets.values():
        for rel in files:
            digests[rel] = md5_of(os.path.join(www, rel))
    out = os.path.join(work, "out")
    nginx = Nginx(work, www, args.port)
    try:
        run([wine_run, engine], env)  # warm the Wine prefix and server
        results = {}
        peaks = {}
        for name, files in sets.items():
            if name[0] not in args.sets:
                continue
            total = sum(os.path.getsize(os.path.join(www, rel)) for rel in files)
            tag = name.split(":")[0]
            engine_list = os.path.join(work, "engine_%s.txt" % tag)
            with open(engine_list, "w") as f:
                for rel in files:
                    f.write("%s %s %d\n" % (rel, digests[rel], os.path.getsize(os.path.join(www, rel))))
            curl_config = os.path.join(work, "curl_%s.txt" % tag)
            with open(curl_config, "w") as f:
                for rel in files:
                    f.write('url = "%s"\noutput = "Z:%s/%s"\n' % (nginx.url(rel), out, rel))
            aria_list = os.path.join(work, "aria2_%s.txt" % tag)
            with open(aria_list, "w") as f:
                for rel in files:
                    f.write("%s\n  out=%s\n" % (nginx.url(rel), rel))
            tools = {
                "engine": [wine_run, engine, windows(engine_list), windows(out), "0", nginx.url()],
                **{other: [wine_run, exe, windows(engine_list), windows(out), "0", nginx.url()]
                   for other, exe in compare.items()},
                "curl": [wine_run, curl, "-s", "-S", "--fail", "--create-dirs", "--parallel",
                         "--parallel-max", "5", "-K", windows(curl_config)],
                "aria2c": ["/usr/bin/aria2c", "-j5", "-i", aria_list, "-d", out,
                           "--file-allocation=none", "--auto-file-renaming=false",
                           "--allow-overwrite=true", "--console-log-level=error",
                           "--summary-interval=0", "--download-result=hide", "-q"],
            }
            speeds = {}
            order = list(tools)
            for r in range(args.runs):
                for tool in order[r % len(order):] + order[:r % len(order)]:
                    shutil.rmtree(out, ignore_errors=True)
                    os.makedirs(out)
                    os.sync()  # every tool starts without another's write-back
                    wall, rc, text = run(tools[tool], env)
                    if rc != 0:
                        raise SystemExit("%s failed (%d): %s" % (tool, rc, text[-3000:]))
                    check_outputs(out, files, www)
                    mbs = total / wall / 1e6
                    print("  %-28s %-7s run %d: %7.3f s %8.1f MB/s" % (name, tool, r + 1, wall, mbs),
                          flush=True)
                    speeds.setdefault(tool, []).append(mbs)
                    peaks.setdefault((name, tool), []).append(LAST_PEAK_KIB[0] / 1024.0)
            results[name] = speeds

        # Interruptions through set (b) at several points, then a second run
        # to the end; each pair with a Wine server of its own.
        files = sets["b: 4 files of 256 MiB"]
        total = sum(os.path.getsize(os.path.join(www, rel)) for rel in files)
        engine_list = os.path.join(work, "engine_b.txt")
        interrupted = {}
        for tool, exe in [("engine", engine)] + list(compare.items()):
            for point in kill_points:
                shutil.rmtree(out, ignore_errors=True)
                os.makedirs(out)
                end_wineserver(env)
                before = len(nginx.log_lines())
                wall, rc, text = run([wine_run, exe, windows(engine_list), windows(out),
                                      "%.2f" % point, nginx.url()], env)
                if "killed at" not in text:
                    raise SystemExit("%s was not stopped at %.2f: %s" % (tool, point, text[-3000:]))
                first = settled_log(nginx, before)
                wall, rc, text = run([wine_run, exe, windows(engine_list), windows(out), "0",
                                      nginx.url()], env)
                if rc != 0:
                    raise SystemExit("%s resume failed (%d): %s" % (tool, rc, text[-3000:]))
                check_outputs(out, files, www)
                second = settled_log(nginx, before + len(first))
                end_wineserver(env)
                again = sent_bytes(first) + sent_bytes(second) - total
                print("  %-7s killed at %.2f: sent twice %d bytes (%.2f%%)"
                      % (tool, point, again, 100.0 * again / total), flush=True)
                interrupted.setdefault(tool, []).append((point, again))
    finally:
        nginx.stop()
        shutil.rmtree(out, ignore_errors=True)

    print()
    print("(machine shared with other builds while this ran; medians are the steadier figure)")
    for name, speeds in results.items():
        print()
        print(name)
        print("  %-14s %10s %10s %12s %12s %14s" % ("tool", "median", "best", "vs curl", "vs aria2c",
                                                  "peak MiB (med)"))
        mc, ma = statistics.median(speeds["curl"]), statistics.median(speeds["aria2c"])
        for tool, values in speeds.items():
            m = statistics.median(values)
            print("  %-14s %10.1f %10.1f %12.3f %12.3f %14.1f" % (
                tool, m, max(values), m / mc, m / ma, statistics.median(peaks[(name, tool)])))
    print("(MB/s by whole-program wall time over %d runs each, the tools taking turns; the"
          " engines check every file's MD5 and keep resume records, the others do neither)"
          % args.runs)
    print()
    print("interruptions of set b (%d bytes), bytes sent twice:" % total)
    for tool, cases in interrupted.items():
        shares = [100.0 * again / total for _, again in cases]
        print("  %-14s %s | median %.2f%%, worst %.2f%%" % (
            tool, ", ".join("%.2f: %.2f%%" % (p, 100.0 * a / total) for p, a in cases),
            statistics.median(shares), max(shares)))


if __name__ == "__main__":
    main()
