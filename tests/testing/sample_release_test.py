#!/usr/bin/env python3
"""Checks the sample release: the same bytes on every run, the three game
versions and the launcher update as the road tests expect them, patches that
rebuild their files, and a publisher that serves it all."""

import hashlib
import http.client
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "..", "testing", "release", "make_sample_release.py")
PUBLISHER = os.path.join(HERE, "..", "..", "testing", "publisher", "publisher.py")
sys.path.insert(0, os.path.join(HERE, "..", "..", "testing", "update", "patch"))
from bsdiff_to_bsdifn import offtin  # noqa: E402


def make(out, *args):
    subprocess.run([sys.executable, MAKER, out] + list(args), check=True, timeout=300)


def tree_digests(folder, skip=()):
    found = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            rel = os.path.relpath(path, folder).replace(os.sep, "/")
            if name not in skip:
                with open(path, "rb") as f:
                    found[rel] = hashlib.md5(f.read()).hexdigest()
    return found


def apply_container(old, container):
    """Applies a patch in the launcher's container (zlib around "BSDIFN40")."""
    unpacked, packed = struct.unpack("<Ii", container[:8])
    stream = zlib.decompress(container[8:8 + packed])
    assert len(stream) == unpacked and stream[:8] == b"BSDIFN40"
    ctrl_len, diff_len, new_size = (offtin(stream[i:i + 8]) for i in (8, 16, 24))
    ctrl = stream[32:32 + ctrl_len]
    diff = stream[32 + ctrl_len:32 + ctrl_len + diff_len]
    extra = stream[32 + ctrl_len + diff_len:]
    new, old_pos, d, e = bytearray(), 0, 0, 0
    for i in range(0, len(ctrl), 24):
        add, copy, seek = (offtin(ctrl[i + k:i + k + 8]) for k in (0, 8, 16))
        new += bytes((diff[d + j] + old[old_pos + j]) & 0xFF for j in range(add))
        d, old_pos = d + add, old_pos + add
        new += extra[e:e + copy]
        e += copy
        old_pos += seek
    assert len(new) == new_size
    return bytes(new)


class SampleReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="sample_release_")
        cls.out = os.path.join(cls.tmp, "a")
        make(cls.out)
        with open(os.path.join(cls.out, "release.json")) as f:
            cls.summary = json.load(f)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def read(self, *parts):
        with open(os.path.join(self.out, *parts), "rb") as f:
            return f.read()

    def map_of(self, *parts):
        """A flat-layout map as {"version": text, "list": entries}."""
        entries = json.loads(self.read(*parts))
        version = entries.pop("version")["md5"]
        return {"version": version, "list": entries}

    def test_same_bytes_on_every_run(self):
        other = os.path.join(self.tmp, "b")
        make(other)
        # publisher.json names its own root folder, so it differs by design.
        self.assertEqual(tree_digests(self.out, skip={"publisher.json"}),
                         tree_digests(other, skip={"publisher.json"}))

    def test_maps_describe_their_trees(self):
        for i in (1, 2, 3):
            for folder, map_name in (("release-%d" % i, "version_map.txt"),
                                     ("release-%d" % i, "launcher_version_map.txt"),
                                     ("installed/game-%d" % i, "version_map.txt")):
                entries = self.map_of(folder, map_name)["list"]
                for name, entry in entries.items():
                    data = self.read(folder, *name.split("/"))
                    self.assertEqual((entry["md5"], entry["size"]),
                                     (hashlib.md5(data).hexdigest(), len(data)), name)

    def test_version_two_by_patches_three_by_whole_files(self):
        v1 = self.map_of("release-1", "version_map.txt")
        v2 = self.map_of("release-2", "version_map.txt")
        self.assertEqual(["3_1_0", "3_2_0", "3_3_0"],
                         [self.map_of("release-%d" % i, "version_map.txt")["version"]
                          for i in (1, 2, 3)])
        changed = {n for n, e in v2["list"].items()
                   if n in v1["list"] and v1["list"][n]["md5"] != e["md5"]}
        self.assertIn("TOLM.exe", changed)  # the suffix probe asks for its patch
        patches = self.map_of("release-2", "patchs", "3_1_0", "patch_list.txt")["list"]
        self.assertEqual(changed, set(patches))
        for name in changed:
            container = self.read("release-2", "patchs", "3_1_0", *(name + ".patch").split("/"))
            self.assertEqual(patches[name]["md5"], hashlib.md5(container).hexdigest())
            rebuilt = apply_container(self.read("installed", "game-1", *name.split("/")),
                                      container)
            self.assertEqual(v2["list"][name]["md5"], hashlib.md5(rebuilt).hexdigest(), name)
        self.assertIn("Tolm_Data/new_in_2.bin", set(v2["list"]) - set(v1["list"]))
        self.assertIn("Tolm_Data/old_only_in_1.bin", set(v1["list"]) - set(v2["list"]))
        self.assertFalse(os.path.exists(os.path.join(self.out, "release-3", "patchs")))

    def test_launcher_update_changes_exe_cef_file_and_font(self):
        old = self.map_of("installed", "launcher-1.0.0", "launcher_version_map.txt")
        new = self.map_of("release-2", "launcher_version_map.txt")
        self.assertEqual(("1_0_0", "1_0_1"), (old["version"], new["version"]))
        changed = sorted(n for n, e in new["list"].items() if old["list"][n]["md5"] != e["md5"])
        self.assertEqual(["SourceHanSansCNRegular.ttf", "cef/locales/en-US.pak", "launcher.exe"],
                         changed)
        self.assertEqual(old["list"], self.map_of("release-1", "launcher_version_map.txt")["list"])

    def test_publisher_serves_the_release(self):
        state = os.path.join(self.tmp, "state")
        config = os.path.join(self.out, "release-2", "publisher.json")
        started = subprocess.run([sys.executable, PUBLISHER, "start", "--dir", state,
                                  "--config", config, "--lifetime", "60"],
                                 capture_output=True, text=True, timeout=30)
        self.assertEqual(0, started.returncode, started.stderr)
        ports = json.loads(started.stdout)
        try:
            def get(server, path):
                c = http.client.HTTPConnection("127.0.0.1", ports["servers"][server], timeout=10)
                c.request("GET", path)
                r = c.getresponse()
                body = r.read()
                c.close()
                return r.status, body

            status, body = get("gate", "/get/urls?key=3_1_0&udid=x")
            reply = json.loads(body)
            self.assertEqual(200, status)
            self.assertEqual([ports["urls"]["dl0"], ports["urls"]["dl1"]], reply["DlcAddr"])
            self.assertEqual(2, json.loads(reply["Others"])["PatchOption"])
            self.assertEqual(self.read("release-2", "version_map.txt"), get("dl1", "/version_map.txt")[1])
            self.assertEqual(200, get("dl0", "/patchs/3_1_0/TOLM.exe.patch")[0])
            self.assertEqual(404, get("dl0", "/patchs/3_1_0/TOLM.exe.cvdiff")[0])
            self.assertEqual(b"127.0.0.1\n", get("gate", "/ip")[1])
            status, body = get("gate", "/pre_download")
            self.assertEqual([ports["urls"]["dl2"]],
                             json.loads(json.loads(body)["info"][0])["KOREA_pc_addr"])
        finally:
            subprocess.run([sys.executable, PUBLISHER, "stop", "--dir", state], timeout=30)

    def test_cvdiff_variant_names_patches_so(self):
        other = os.path.join(self.tmp, "cvdiff")
        make(other, "--patch-suffix", "cvdiff")
        folder = os.path.join(other, "release-2", "patchs", "3_1_0")
        self.assertTrue(os.path.isfile(os.path.join(folder, "TOLM.exe.cvdiff")))
        self.assertFalse(os.path.exists(os.path.join(folder, "TOLM.exe.patch")))


if __name__ == "__main__":
    unittest.main()
