#!/usr/bin/env python3
"""Checks the sample publisher the download tests rely on: replies, ranges,
keep-alive, every kind of fault, the request log and stopping."""

import http.client
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PUBLISHER = os.path.join(HERE, "..", "..", "testing", "publisher", "publisher.py")

DATA = bytes(range(256)) * 40  # 10240 bytes


def run_cli(*args):
    return subprocess.run([sys.executable, PUBLISHER] + list(args), capture_output=True,
                          text=True, timeout=30)


class PublisherTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="publisher_test_")
        cls.root = os.path.join(cls.tmp, "root")
        os.makedirs(os.path.join(cls.root, "game", "sub"))
        with open(os.path.join(cls.root, "game", "sub", "data.bin"), "wb") as f:
            f.write(DATA)
        with open(os.path.join(cls.root, "game", "version_map.txt"), "w") as f:
            f.write('{"version": "1_2_3", "list": {}}')
        cls.state = os.path.join(cls.tmp, "state")
        result = run_cli("start", "--dir", cls.state, "--root", cls.root, "--lifetime", "120",
                         "--fault", '{"server": "dl2", "path": "/boot", "status": 503}')
        if result.returncode != 0:
            raise RuntimeError(result.stderr)
        cls.ports = json.loads(result.stdout)

    @classmethod
    def tearDownClass(cls):
        run_cli("stop", "--dir", cls.state)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.control("POST", "/control/reset")

    # -- helpers ------------------------------------------------------
    def conn(self, name, timeout=5):
        return http.client.HTTPConnection("127.0.0.1", self.ports["servers"][name],
                                          timeout=timeout)

    def control(self, method, path, value=None):
        c = http.client.HTTPConnection("127.0.0.1", self.ports["control"], timeout=10)
        body = json.dumps(value).encode() if value is not None else None
        c.request(method, path, body=body)
        r = c.getresponse()
        data = json.loads(r.read())
        c.close()
        self.assertEqual(r.status, 200, data)
        return data

    def fault(self, **fault):
        return self.control("POST", "/control/faults", fault)["ids"][0]

    def get(self, name, path, headers=None, timeout=5):
        c = self.conn(name, timeout)
        try:
            c.request("GET", path, headers=headers or {})
            r = c.getresponse()
            return r, r.read()
        finally:
            c.close()

    # -- tests --------------------------------------------------------
    def test_ports_file_and_start_fault(self):
        with open(os.path.join(self.state, "ports.json")) as f:
            ports = json.load(f)
        self.assertEqual(set(ports["servers"]), {"gate", "dl0", "dl1", "dl2"})
        self.assertEqual(len(set(ports["servers"].values()) | {ports["control"]}), 5)
        self.assertEqual(self.control("GET", "/control/ports")["urls"], ports["urls"])
        # reset keeps nothing of the start faults either
        r, _ = self.get("dl2", "/boot")
        self.assertEqual(r.status, 404)

    def test_directory_and_region_replies(self):
        r, body = self.get("gate", "/get/urls?key=k&udid=u")
        self.assertEqual(r.status, 200)
        reply = json.loads(body)
        urls = self.ports["urls"]
        self.assertEqual(reply["DlcAddr"], [urls["dl0"], urls["dl1"], urls["dl2"]])
        others = json.loads(reply["Others"])  # JSON inside a string
        self.assertEqual(others["PatchOption"], 2)
        self.assertEqual(others["PreDlcAddr"], reply["DlcAddr"])

        self.control("POST", "/control/config", {
            "directory": {"DlcAddr": "{url:dl1}/game", "CDN": {"file": "game/version_map.txt"}},
            "region": {"info": [{"KOREA_pc_addr": ["{url:dl2}/pre"]}]}})
        reply = json.loads(self.get("gate", "/api/get/urls?key=k")[1])
        self.assertEqual(reply["DlcAddr"], urls["dl1"] + "/game")
        self.assertEqual(json.loads(reply["CDN"])["version"], "1_2_3")
        region = json.loads(self.get("gate", "/pre_download?channel=KOREA&udid=u")[1])
        self.assertEqual(json.loads(region["info"][0])["KOREA_pc_addr"], [urls["dl2"] + "/pre"])

    def test_echo_tracking_and_attribution_are_logged(self):
        r, body = self.get("gate", "/ip/")
        self.assertEqual(body.strip(), b"127.0.0.1")
        c = self.conn("gate")
        c.request("POST", "/track/json_track?token=abc", body=b'{"a":"1"}',
                  headers={"Content-Type": "application/json; charset=UTF-8"})
        self.assertEqual(c.getresponse().read(), b'{"code":0}')
        c.request("GET", "/v1/adjust?x=1&y=2")
        self.assertEqual(c.getresponse().status, 200)
        c.close()
        # A request is logged when its handler ends, which may be after the
        # client has its reply and sent the next one: order by arrival.
        log = sorted(self.control("GET", "/control/log?server=gate"), key=lambda e: e["started"])
        self.assertEqual([e["path"] for e in log], ["/ip/", "/track/json_track", "/v1/adjust"])
        self.assertEqual(log[1]["body"], '{"a":"1"}')
        self.assertEqual(log[1]["query"], "token=abc")
        self.assertEqual(log[1]["method"], "POST")
        self.assertEqual(log[2]["query"], "x=1&y=2")

    def test_ranges_and_keep_alive(self):
        c = self.conn("dl0")
        cases = [("bytes=0-0", 206, DATA[:1]), ("bytes=100-199", 206, DATA[100:200]),
                 ("bytes=10000-", 206, DATA[10000:]), ("bytes=-40", 206, DATA[-40:]),
                 ("bytes=10200-99999", 206, DATA[10200:]), ("bytes=20000-20001", 416, b""),
                 (None, 200, DATA)]
        for header, status, expected in cases:
            c.request("GET", "/game/sub/data.bin?t=123", headers={"Range": header} if header else {})
            r = c.getresponse()
            self.assertEqual((r.status, r.read()), (status, expected), header)
        c.close()
        log = self.control("GET", "/control/log?server=dl0")
        self.assertEqual(len(log), len(cases))
        self.assertEqual(len({e["client_port"] for e in log}), 1)  # one kept-alive connection
        self.assertEqual(log[1]["range"], "bytes=100-199")
        self.assertEqual(log[1]["bytes_sent"], 100)
        self.assertEqual(log[1]["query"], "t=123")
        for name in ("/game/missing.bin", "/game/sub", "/../root/game/sub/data.bin",
                     "/game/%2e%2e/game/sub/data.bin"):
            self.assertEqual(self.get("dl0", name)[0].status, 404, name)

    def test_status_fault_per_server_and_times(self):
        self.fault(server="dl0", path="/game/*", status=500, times=2)
        self.fault(server="dl1", path="/game/sub/data.bin", status=404, body="gone")
        self.assertEqual(self.get("dl0", "/game/sub/data.bin")[0].status, 500)
        self.assertEqual(self.get("dl0", "/game/sub/data.bin")[0].status, 500)
        self.assertEqual(self.get("dl0", "/game/sub/data.bin")[0].status, 200)  # expired
        r, body = self.get("dl1", "/game/sub/data.bin")
        self.assertEqual((r.status, body), (404, b"gone"))
        self.assertEqual(self.get("dl2", "/game/sub/data.bin")[0].status, 200)
        self.assertEqual(len(self.control("GET", "/control/faults")), 1)
        r, body = self.get("gate", "/get/urls")
        self.assertEqual(r.status, 200)

    def test_drop_corrupt_ignore_range_and_wrong_length(self):
        self.fault(server="dl0", drop_after=1000)
        c = self.conn("dl0")
        c.request("GET", "/game/sub/data.bin")
        r = c.getresponse()
        with self.assertRaises(http.client.IncompleteRead) as caught:
            r.read()
        self.assertEqual(len(caught.exception.partial), 1000)
        c.close()

        self.fault(server="dl1", corrupt=True, times=1)
        r, body = self.get("dl1", "/game/sub/data.bin", {"Range": "bytes=0-9"})
        self.assertEqual(r.status, 206)
        self.assertEqual(len(body), 10)
        self.assertNotEqual(body, DATA[:10])

        self.fault(server="dl1", ignore_range=True, times=1)
        r, body = self.get("dl1", "/game/sub/data.bin", {"Range": "bytes=0-9"})
        self.assertEqual((r.status, body), (200, DATA))

        self.fault(server="dl2", length_delta=-10, times=1)
        r, body = self.get("dl2", "/game/sub/data.bin", {"Range": "bytes=0-99"})
        self.assertEqual(body, DATA[:90])
        self.fault(server="dl2", length_delta=10, times=1)
        c = self.conn("dl2")
        c.request("GET", "/game/sub/data.bin", headers={"Range": "bytes=0-99"})
        with self.assertRaises(http.client.IncompleteRead):
            c.getresponse().read()
        c.close()
        log = self.control("GET", "/control/log?server=dl0")
        self.assertEqual(log[0]["bytes_sent"], 1000)
        self.assertFalse(log[0]["completed"])

    def test_http10_close_and_empty_body(self):
        self.fault(server="dl0", http10=True, drop_after=1000, times=1)
        r, body = self.get("dl0", "/game/sub/data.bin")
        self.assertEqual((r.version, r.status, r.getheader("Content-Length")), (10, 200, None))
        self.assertEqual(body, DATA[:1000])  # an orderly close: the reader sees an end

        self.fault(server="dl1", empty_body=True, times=1)
        r, body = self.get("dl1", "/game/sub/data.bin", {"Range": "bytes=10-99"})
        self.assertEqual((r.status, r.getheader("Content-Range"), body),
                         (206, "bytes 10-99/%d" % len(DATA), b""))

    def test_delay_and_trickle(self):
        self.fault(server="dl0", path="/game/sub/data.bin", delay_ms=3000)
        started = time.monotonic()
        with self.assertRaises(OSError):  # socket.timeout
            self.get("dl0", "/game/sub/data.bin", timeout=0.3)
        # the server notices the client left and does not sleep on
        log = self.control("GET", "/control/log?server=dl0")
        self.assertLess(time.monotonic() - started, 2.5)
        self.assertEqual(log[0]["bytes_sent"], 0)

        self.fault(server="dl1", trickle_bytes=1000, trickle_ms=20, times=1)
        started = time.monotonic()
        r, body = self.get("dl1", "/game/sub/data.bin")
        self.assertEqual(body, DATA)
        self.assertGreaterEqual(time.monotonic() - started, 0.15)

    def test_bad_control_requests_are_refused(self):
        c = http.client.HTTPConnection("127.0.0.1", self.ports["control"], timeout=5)
        c.request("POST", "/control/faults", body=b'{"sever": "dl0"}')
        r = c.getresponse()
        self.assertEqual(r.status, 400)
        r.read()
        c.request("POST", "/control/faults", body=b"not json")
        r = c.getresponse()
        self.assertEqual(r.status, 400)
        r.read()
        c.close()


class LifetimeTest(unittest.TestCase):
    def test_fixed_ports(self):
        tmp = tempfile.mkdtemp(prefix="publisher_port_")
        try:
            probe = socket.socket()
            probe.bind(("127.0.0.1", 0))
            base = probe.getsockname()[1]
            probe.close()
            result = run_cli("start", "--dir", tmp, "--lifetime", "30", "--servers", "a,b",
                             "--port", str(base))
            if result.returncode != 0:
                self.skipTest("port run taken meanwhile: " + result.stderr)
            ports = json.loads(result.stdout)
            self.assertEqual(ports["servers"], {"a": base, "b": base + 1})
            self.assertEqual(ports["control"], base + 2)
        finally:
            run_cli("stop", "--dir", tmp)
            shutil.rmtree(tmp, ignore_errors=True)

    def test_stops_by_itself(self):
        tmp = tempfile.mkdtemp(prefix="publisher_life_")
        try:
            result = run_cli("start", "--dir", tmp, "--lifetime", "0.5", "--servers", "a")
            self.assertEqual(result.returncode, 0, result.stderr)
            pid = json.loads(result.stdout)["pid"]
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and os.path.exists(os.path.join(tmp, "ports.json")):
                time.sleep(0.05)
            self.assertFalse(os.path.exists(os.path.join(tmp, "ports.json")))
            started = time.monotonic()
            run_cli("stop", "--dir", tmp)  # nothing left to stop; must not hang
            self.assertLess(time.monotonic() - started, 5)
            sys.path.insert(0, os.path.dirname(PUBLISHER))
            import publisher
            self.assertFalse(publisher.alive(pid))
        finally:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
