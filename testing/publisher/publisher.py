#!/usr/bin/env python3
"""A sample publisher for tests: the directory, region, public-address echo,
tracking and attribution endpoints and download servers that serve a folder
tree with HTTP range requests and keep-alive. Every server listens on its own
port on 127.0.0.1, so a test can fail one over to the next.

Faults are set per server and per path, at start (config file, --fault) or at
run time through the control server. Every request is logged as one JSON line.
The process stops by itself after --lifetime seconds or when told. Ports are
chosen by the system unless --port gives the first of a fixed run.

Python 3 standard library only.

Sub-commands:
  serve  run in the foreground
  start  run `serve` in the background and wait until its port file exists
  stop   ask a started publisher to stop (by its control server, else its pid)

Files in the state folder (--dir):
  ports.json     {"control": port, "pid": pid, "servers": {name: port},
                  "urls": {name: "http://127.0.0.1:port"}}
  requests.jsonl one JSON object per request: seq, time, server, client_port,
                 method, path, query, range, user_agent, content_type, body
                 (first 64 KiB), status, bytes_sent, completed (the whole
                 reply went out), fault (id of the fault applied, or null),
                 started and finished (when the request was read and when its
                 reply ended, seconds; overlaps show how many ran at once)
  publisher.out  the server's own output (start only)

Control server (plain HTTP, never faulted):
  GET  /control/ports           the content of ports.json
  GET  /control/log             logged requests as a JSON array; waits (at most
                                2 s) until no request is being answered.
                                Query: server=NAME, path=/x, since=SEQ
  POST /control/log/clear
  GET  /control/faults
  POST /control/faults          a fault object or an array of them; replies
                                {"ids": [...]}
  POST /control/faults/clear
  POST /control/config          {"directory": {...}, "region": {...}} replaces
                                those reply templates
  POST /control/reset           clears faults and log, restores the templates
  POST /control/stop

A fault object:
  server      server name or "*" (default "*")
  path        glob over the request path, "*" by default ("/game/*")
  method      "GET", "POST", ... (default any)
  times       how many matching requests it hits, then it expires (default
              unlimited)
  status      answer with this status instead (body: "body" or the status)
  body        answer with this body (status 200 unless "status" is given)
  delay_ms    wait before the first byte of the reply
  drop_after  close the connection after this many body bytes
  trickle_bytes, trickle_ms  send the body in chunks of trickle_bytes every
              trickle_ms
  corrupt     serve wrong bytes (every byte XOR 0x5a), same length
  ignore_range answer 200 with the whole file whatever the Range header says
  length_delta state Content-Length as the true length plus this (may be
              negative); the connection is closed after the reply
  http10      answer as HTTP/1.0 without Content-Length: the body ends where
              the connection closes (with drop_after, an orderly close after
              that many bytes)
  empty_body  the reply's status and headers as they would be, with
              Content-Length 0 and no body (a 206 with nothing in it)
The first fault that matches a request applies.

Reply templates: every string holding "{url:NAME}" has it replaced by the base
URL of server NAME. In the directory reply, "CDN" given as {"file": "rel"} is
replaced by that file's text (relative to --root) and "CDN" or "Others" given
as an object are sent as JSON text, as the real directory does. In the region
reply, every element of "info" that is an object is sent as JSON text.
"""

import argparse
import copy
import fnmatch
import json
import os
import select
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse
import urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HOST = "127.0.0.1"
MAX_LIFETIME = 3600.0
MAX_LOGGED_BODY = 65536


class RequestLog:
    def __init__(self, path):
        self._path = path
        self._lock = threading.Condition()
        self._entries = []
        self._seq = 0
        self._in_flight = 0
        if path:
            open(path, "w").close()

    def begin(self):
        with self._lock:
            self._in_flight += 1

    def add(self, entry):
        with self._lock:
            self._seq += 1
            entry["seq"] = self._seq
            entry["time"] = round(time.time(), 3)
            self._entries.append(entry)
            if self._path:
                with open(self._path, "a", encoding="utf-8") as f:
                    f.write(json.dumps(entry, sort_keys=True) + "\n")

    def end(self):
        with self._lock:
            self._in_flight -= 1
            self._lock.notify_all()

    def snapshot(self, server=None, path=None, since=0, wait=2.0):
        deadline = time.monotonic() + wait
        with self._lock:
            while self._in_flight > 0:
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self._lock.wait(left)
            return [e for e in self._entries
                    if e["seq"] > since
                    and (server is None or e["server"] == server)
                    and (path is None or e["path"] == path)]

    def clear(self):
        with self._lock:
            self._entries = []


class FaultTable:
    ACTIONS = ("status", "body", "delay_ms", "drop_after", "trickle_bytes",
               "trickle_ms", "corrupt", "ignore_range", "length_delta", "http10",
               "empty_body")

    def __init__(self):
        self._lock = threading.Lock()
        self._faults = []
        self._next_id = 1

    def add(self, fault):
        if not isinstance(fault, dict):
            raise ValueError("a fault is a JSON object")
        known = set(self.ACTIONS) | {"server", "path", "method", "times", "id"}
        unknown = set(fault) - known
        if unknown:
            raise ValueError("unknown fault keys: %s" % ", ".join(sorted(unknown)))
        with self._lock:
            f = dict(fault)
            f["id"] = self._next_id
            self._next_id += 1
            f.setdefault("server", "*")
            f.setdefault("path", "*")
            self._faults.append(f)
            return f["id"]

    def take(self, server, method, path):
        """Returns the first matching fault (a copy) and counts it used."""
        with self._lock:
            for f in self._faults:
                if f["server"] not in ("*", server):
                    continue
                if "method" in f and f["method"].upper() != method:
                    continue
                if not fnmatch.fnmatchcase(path, f["path"]):
                    continue
                if "times" in f:
                    f["times"] -= 1
                    if f["times"] <= 0:
                        self._faults.remove(f)
                return dict(f)
        return None

    def list(self):
        with self._lock:
            return [dict(f) for f in self._faults]

    def clear(self):
        with self._lock:
            self._faults = []


def default_templates(names):
    download = ["{url:%s}" % n for n in names if n.startswith("dl")]
    pre = ["{url:%s}" % n for n in names if n.startswith("pre")] or download
    directory = {
        "DlcAddr": download,
        "Others": {"PatchOption": 2, "DlcAddr": download, "PreDlcAddr": pre},
    }
    region = {"info": [{"KOREA_pc_addr": pre}]}
    return directory, region


class Publisher:
    def __init__(self, args):
        self.root = os.path.abspath(args.root) if args.root else None
        self.state_dir = os.path.abspath(args.dir)
        os.makedirs(self.state_dir, exist_ok=True)
        config = {}
        if args.config:
            with open(args.config, encoding="utf-8") as f:
                config = json.load(f)
        self.names = args.servers.split(",") if args.servers else config.get(
            "servers", ["gate", "dl0", "dl1", "dl2"])
        if len(set(self.names)) != len(self.names) or "control" in self.names:
            raise SystemExit("server names must be unique and not 'control'")
        if self.root is None and config.get("root"):
            self.root = os.path.abspath(config["root"])
        self.base_port = int(args.port or config.get("port", 0))
        self.lifetime = min(float(args.lifetime or config.get("lifetime", 600)), MAX_LIFETIME)
        directory, region = default_templates(self.names)
        self.default_directory = config.get("directory", directory)
        self.default_region = config.get("region", region)
        self.directory = copy.deepcopy(self.default_directory)
        self.region = copy.deepcopy(self.default_region)
        self.initial_faults = list(config.get("faults", []))
        for text in args.fault or []:
            self.initial_faults.append(json.loads(text))
        self.faults = FaultTable()
        for f in self.initial_faults:
            self.faults.add(f)
        self.log = RequestLog(os.path.join(self.state_dir, "requests.jsonl"))
        self.stop_event = threading.Event()
        self.config_lock = threading.Lock()
        self.servers = {}
        self.control = None

    # -- set-up ---------------------------------------------------------
    def bind(self):
        for i, name in enumerate(self.names):
            self.servers[name] = self._make_server(name, self.base_port and self.base_port + i)
        self.control = self._make_server("control",
                                         self.base_port and self.base_port + len(self.names))

    def _make_server(self, name, port):
        publisher = self

        class Handler(PublisherHandler):
            pass

        Handler.publisher = publisher
        Handler.server_name = name
        server = ThreadingHTTPServer((HOST, port), Handler)
        server.daemon_threads = True
        return server

    def url(self, name):
        return "http://%s:%d" % (HOST, self.servers[name].server_address[1])

    def ports(self):
        return {
            "control": self.control.server_address[1],
            "pid": os.getpid(),
            "servers": {n: s.server_address[1] for n, s in self.servers.items()},
            "urls": {n: self.url(n) for n in self.servers},
            "root": self.root,
        }

    def write_ports(self):
        path = os.path.join(self.state_dir, "ports.json")
        tmp = path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(self.ports(), f, indent=1, sort_keys=True)
        os.replace(tmp, path)

    def run(self):
        self.bind()
        threads = []
        for server in list(self.servers.values()) + [self.control]:
            t = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05},
                                 daemon=True)
            t.start()
            threads.append(t)
        self.write_ports()
        signal.signal(signal.SIGTERM, lambda *_: self.stop_event.set())
        self.stop_event.wait(self.lifetime)
        self.stop_event.set()
        for server in list(self.servers.values()) + [self.control]:
            server.shutdown()
            server.server_close()
        try:
            os.remove(os.path.join(self.state_dir, "ports.json"))
        except OSError:
            pass

    # -- replies --------------------------------------------------------
    def expand(self, value):
        if isinstance(value, str):
            for name in self.servers:
                value = value.replace("{url:%s}" % name, self.url(name))
            return value
        if isinstance(value, list):
            return [self.expand(v) for v in value]
        if isinstance(value, dict):
            return {k: self.expand(v) for k, v in value.items()}
        return value

    def directory_reply(self):
        with self.config_lock:
            reply = self.expand(copy.deepcopy(self.directory))
        cdn = reply.get("CDN")
        if isinstance(cdn, dict) and "file" in cdn:
            with open(self.file_path(cdn["file"]), encoding="utf-8") as f:
                reply["CDN"] = f.read()
        elif isinstance(cdn, (dict, list)):
            reply["CDN"] = json.dumps(cdn)
        if isinstance(reply.get("Others"), (dict, list)):
            reply["Others"] = json.dumps(reply["Others"])
        return json.dumps(reply).encode("utf-8")

    def region_reply(self):
        with self.config_lock:
            reply = self.expand(copy.deepcopy(self.region))
        info = reply.get("info")
        if isinstance(info, list):
            reply["info"] = [json.dumps(i) if isinstance(i, (dict, list)) else i for i in info]
        return json.dumps(reply).encode("utf-8")

    def file_path(self, rel):
        """The file under the root named by a request path, or None."""
        if self.root is None:
            return None
        parts = [p for p in rel.split("/") if p]
        if not parts or any(p in (".", "..") or "\\" in p or ":" in p for p in parts):
            return None
        path = os.path.join(self.root, *parts)
        return path if os.path.isfile(path) else None


class Disconnected(Exception):
    pass


class PublisherHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    publisher = None
    server_name = None

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes; without this, keep-alive
        # replies stall on delayed acknowledgements.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def log_message(self, fmt, *args):  # the JSON log is the record
        pass

    def do_GET(self):
        self._handle("GET")

    def do_POST(self):
        self._handle("POST")

    def do_HEAD(self):
        self._handle("HEAD")

    # -- plumbing -------------------------------------------------------
    def _handle(self, method):
        p = self.publisher
        control = self.server_name == "control"
        if not control:
            p.log.begin()
        parsed = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(parsed.path)
        started = time.time()
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        self._entry = {
            "started": round(started, 4),
            "server": self.server_name, "client_port": self.client_address[1],
            "method": method, "path": path,
            "query": parsed.query, "range": self.headers.get("Range"),
            "user_agent": self.headers.get("User-Agent"),
            "content_type": self.headers.get("Content-Type"),
            "body": body[:MAX_LOGGED_BODY].decode("utf-8", "replace"),
            "status": None, "bytes_sent": 0, "fault": None, "completed": False,
        }
        try:
            if control:
                self._control(method, path, parsed.query, body)
            else:
                self._serve(method, path, parsed.query)
        except (Disconnected, OSError):
            self.close_connection = True
        except Exception as e:  # a broken template or config: say so, stay up
            self.close_connection = True
            self._entry["error"] = repr(e)
            if self._entry["status"] is None:
                try:
                    self._reply(500, repr(e).encode("utf-8"), "text/plain")
                except OSError:
                    pass
        finally:
            if not control:
                self._entry["finished"] = round(time.time(), 4)
                p.log.add(self._entry)
                p.log.end()

    def _sleep(self, ms):
        """Waits, but gives up when the client went away or the publisher stops."""
        deadline = time.monotonic() + ms / 1000.0
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            if self.publisher.stop_event.is_set():
                raise Disconnected()
            readable, _, _ = select.select([self.connection], [], [], min(left, 0.01))
            if readable:
                try:
                    peek = self.connection.recv(1, socket.MSG_PEEK)
                except OSError:
                    raise Disconnected()
                if not peek:
                    raise Disconnected()
                # A pipelined request waits in the buffer; keep waiting.
                time.sleep(min(left, 0.01))

    def _reply(self, status, body, content_type="application/octet-stream",
               headers=None, fault=None, head=False):
        fault = fault or {}
        self._entry["status"] = status
        if fault.get("delay_ms"):
            self._sleep(float(fault["delay_ms"]))
        if fault.get("corrupt"):
            body = bytes(b ^ 0x5A for b in body)
        if fault.get("empty_body"):
            body = b""
        http10 = bool(fault.get("http10"))
        if http10:
            self.protocol_version = "HTTP/1.0"
            self.close_connection = True
        stated = len(body) + int(fault.get("length_delta", 0))
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if not http10:
            self.send_header("Content-Length", str(max(stated, 0)))
        for k, v in (headers or {}).items():
            self.send_header(k, v)
        if "length_delta" in fault or "drop_after" in fault:
            self.close_connection = True
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        if head:
            self._entry["completed"] = True
            return
        limit = len(body)
        if "drop_after" in fault:
            limit = min(limit, max(int(fault["drop_after"]), 0))
        chunk = int(fault.get("trickle_bytes") or 0) or 65536
        pause = float(fault.get("trickle_ms") or 0)
        sent = 0
        while sent < limit:
            if self.publisher.stop_event.is_set():
                raise Disconnected()
            piece = body[sent:min(sent + chunk, limit)]
            self.wfile.write(piece)
            self.wfile.flush()
            sent += len(piece)
            self._entry["bytes_sent"] = sent
            if pause and sent < limit:
                self._sleep(pause)
        if "drop_after" in fault and limit < len(body) and not http10:
            self._abort()
            return
        self._entry["completed"] = True

    def _abort(self):
        """Ends the connection at once, with a reset rather than an orderly close."""
        self.close_connection = True
        try:
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       b"\x01\x00\x00\x00\x00\x00\x00\x00")
        except OSError:
            pass
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    # -- publisher endpoints -------------------------------------------
    def _serve(self, method, path, query):
        p = self.publisher
        fault = p.faults.take(self.server_name, method, path)
        if fault:
            self._entry["fault"] = fault["id"]
        head = method == "HEAD"
        if fault and ("status" in fault or "body" in fault):
            status = int(fault.get("status", 200))
            body = fault.get("body")
            body = (str(status) if body is None else body).encode("utf-8")
            self._reply(status, body, "text/plain; charset=utf-8", fault=fault, head=head)
            return
        if path.endswith("/get/urls"):
            self._reply(200, p.directory_reply(), "application/json", fault=fault, head=head)
        elif path.endswith("/pre_download"):
            self._reply(200, p.region_reply(), "application/json", fault=fault, head=head)
        elif path.rstrip("/").endswith("/ip"):
            self._reply(200, (self.client_address[0] + "\n").encode(), "text/plain",
                        fault=fault, head=head)
        elif path.endswith("/track/json_track"):
            self._reply(200, b'{"code":0}', "application/json", fault=fault, head=head)
        elif path.endswith("/v1/adjust"):
            self._reply(200, b"OK", "text/plain", fault=fault, head=head)
        else:
            self._serve_file(path, fault or {}, head)

    def _serve_file(self, path, fault, head):
        file_path = self.publisher.file_path(path)
        if file_path is None:
            self._reply(404, b"not found", "text/plain", fault=fault, head=head)
            return
        with open(file_path, "rb") as f:
            data = f.read()
        size = len(data)
        header = self.headers.get("Range")
        if not header or fault.get("ignore_range"):
            self._reply(200, data, fault=fault, head=head, headers={"Accept-Ranges": "bytes"})
            return
        first, last = parse_range(header, size)
        if first is None:  # a form we do not serve: the whole file
            self._reply(200, data, fault=fault, head=head, headers={"Accept-Ranges": "bytes"})
            return
        if first < 0:
            self._reply(416, b"", fault=fault, head=head,
                        headers={"Content-Range": "bytes */%d" % size})
            return
        self._reply(206, data[first:last + 1], fault=fault, head=head,
                    headers={"Content-Range": "bytes %d-%d/%d" % (first, last, size),
                             "Accept-Ranges": "bytes"})

    # -- control ----------------------------------------------------------
    def _json(self, status, value):
        self._reply(status, json.dumps(value).encode("utf-8"), "application/json")

    def _control(self, method, path, query, body):
        p = self.publisher
        q = urllib.parse.parse_qs(query)
        try:
            if method == "GET" and path == "/control/ports":
                self._json(200, p.ports())
            elif method == "GET" and path == "/control/log":
                entries = p.log.snapshot(server=q.get("server", [None])[0],
                                         path=q.get("path", [None])[0],
                                         since=int(q.get("since", ["0"])[0]))
                self._json(200, entries)
            elif method == "POST" and path == "/control/log/clear":
                p.log.clear()
                self._json(200, {"ok": True})
            elif method == "GET" and path == "/control/faults":
                self._json(200, p.faults.list())
            elif method == "POST" and path == "/control/faults":
                value = json.loads(body.decode("utf-8"))
                items = value if isinstance(value, list) else [value]
                self._json(200, {"ids": [p.faults.add(f) for f in items]})
            elif method == "POST" and path == "/control/faults/clear":
                p.faults.clear()
                self._json(200, {"ok": True})
            elif method == "POST" and path == "/control/config":
                value = json.loads(body.decode("utf-8"))
                with p.config_lock:
                    if "directory" in value:
                        p.directory = value["directory"]
                    if "region" in value:
                        p.region = value["region"]
                self._json(200, {"ok": True})
            elif method == "POST" and path == "/control/reset":
                p.faults.clear()
                p.log.clear()
                with p.config_lock:
                    p.directory = copy.deepcopy(p.default_directory)
                    p.region = copy.deepcopy(p.default_region)
                self._json(200, {"ok": True})
            elif method == "POST" and path == "/control/stop":
                self.close_connection = True
                self._json(200, {"ok": True})
                p.stop_event.set()
            else:
                self._json(404, {"error": "unknown control request"})
        except (ValueError, KeyError, TypeError) as e:
            self._json(400, {"error": str(e)})


def parse_range(header, size):
    """(first, last) of a single "bytes=" range; (None, None) for a form that is
    not served as a range; (-1, -1) when the range cannot be satisfied."""
    header = header.strip()
    if not header.startswith("bytes=") or "," in header:
        return None, None
    spec = header[len("bytes="):].strip()
    if "-" not in spec:
        return None, None
    a, b = spec.split("-", 1)
    try:
        if a == "":
            n = int(b)
            if n <= 0:
                return -1, -1
            return max(size - n, 0), size - 1
        first = int(a)
        last = int(b) if b else size - 1
    except ValueError:
        return None, None
    if first >= size or last < first:
        return -1, -1
    return first, min(last, size - 1)


# -- sub-commands -------------------------------------------------------------

def read_ports(state_dir):
    try:
        with open(os.path.join(state_dir, "ports.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def cmd_serve(args):
    Publisher(args).run()
    return 0


def cmd_start(args):
    state_dir = os.path.abspath(args.dir)
    os.makedirs(state_dir, exist_ok=True)
    for name in ("ports.json", "pid"):
        try:
            os.remove(os.path.join(state_dir, name))
        except OSError:
            pass
    argv = [sys.executable, os.path.abspath(__file__), "serve", "--dir", state_dir]
    for key in ("root", "servers", "config", "lifetime", "port"):
        value = getattr(args, key)
        if value:
            argv += ["--" + key, str(value)]
    for text in args.fault or []:
        argv += ["--fault", text]
    out = open(os.path.join(state_dir, "publisher.out"), "w")
    child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                             start_new_session=True)
    with open(os.path.join(state_dir, "pid"), "w") as f:
        f.write(str(child.pid))
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        ports = read_ports(state_dir)
        if ports:
            print(json.dumps(ports))
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    sys.stderr.write("publisher did not start; see %s\n" % out.name)
    if child.poll() is None:
        child.terminate()
    return 1


def alive(pid):
    """True while the process runs; a zombie waiting for its reaper counts as gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        pass
    try:
        os.kill(pid, 0)
        return True
    except OSError:
        return False


def cmd_stop(args):
    state_dir = os.path.abspath(args.dir)
    ports = read_ports(state_dir)
    pid = None
    try:
        with open(os.path.join(state_dir, "pid")) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        pid = ports.get("pid") if ports else None
    if ports:
        try:
            req = urllib.request.Request(
                "http://%s:%d/control/stop" % (HOST, ports["control"]), data=b"{}",
                method="POST")
            urllib.request.urlopen(req, timeout=5).read()
        except OSError:
            pass
    if pid is None:
        return 0
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        if not alive(pid):
            return 0
        time.sleep(0.05)
    try:  # it did not stop when asked: end it
        os.kill(pid, signal.SIGTERM)
    except OSError:
        pass
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    for name in ("serve", "start"):
        s = sub.add_parser(name)
        s.add_argument("--dir", required=True, help="state folder (ports.json, log)")
        s.add_argument("--root", help="folder tree the download servers serve")
        s.add_argument("--servers", help="comma-separated server names (default gate,dl0,dl1,dl2)")
        s.add_argument("--config", help="JSON config: servers, root, directory, region, faults, lifetime")
        s.add_argument("--lifetime", type=float, help="seconds before it stops by itself (default 600)")
        s.add_argument("--port", type=int, help="first port: the servers take it and the next "
                       "ones in order, the control server the one after them (default: any)")
        s.add_argument("--fault", action="append", help="a fault as JSON; repeatable")
    s = sub.add_parser("stop")
    s.add_argument("--dir", required=True)
    args = parser.parse_args(argv)
    return {"serve": cmd_serve, "start": cmd_start, "stop": cmd_stop}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
