#!/usr/bin/python3
"""Builds damaged and hostile skin archives from the shipped one.

    make_hostile_skins.py --skin resources.zip --out DIR

Writes DIR/<row>.zip for every row below, DIR/<row>.loose/ (a tree of loose
skin files to lay beside the launcher) for the rows that have one, and
DIR/rows.tsv: row name, archive file, loose folder or "-", and the text the
launcher's trace must show for it ("-" for none). The tests and the bench
read that table.
"""
import argparse
import io
import os
import shutil
import struct
import sys
import zipfile

SKIN = "resources/themes/default/"
GLOBAL = SKIN + "global.xml"


def read_entries(path):
    with zipfile.ZipFile(path) as z:
        return [(info.filename, z.read(info.filename)) for info in z.infolist()]


def pack(entries, stored=()):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", allowZip64=True) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if name in stored else zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return out.getvalue()


def replace(entries, name, data):
    return [(n, data if n == name else d) for n, d in entries]


def with_global(entries, transform):
    text = dict(entries)[GLOBAL].decode("utf-8")
    return replace(entries, GLOBAL, transform(text).encode("utf-8"))


def before_end(tag):
    """Inserts markup before the closing tag of the global root."""
    return lambda text: text.replace("</Global>", tag + "</Global>")


def patch_sizes(data, name, delta):
    """Makes both headers of `name` claim `delta` more unpacked bytes."""
    raw = bytearray(data)
    key = name.encode()
    for signature, size_at, name_at in ((b"PK\x01\x02", 24, 46), (b"PK\x03\x04", 22, 30)):
        at = raw.find(signature)
        while at >= 0:
            length = struct.unpack_from("<H", raw, at + (28 if signature == b"PK\x01\x02" else 26))[0]
            if raw[at + name_at:at + name_at + length] == key:
                size = struct.unpack_from("<I", raw, at + size_at)[0]
                struct.pack_into("<I", raw, at + size_at, size + delta)
            at = raw.find(signature, at + 4)
    return bytes(raw)


def flip_stored_byte(data, name, offset):
    raw = bytearray(data)
    at = raw.find(b"PK\x03\x04")
    while at >= 0:
        name_length, extra_length = struct.unpack_from("<HH", raw, at + 26)
        if raw[at + 30:at + 30 + name_length] == name.encode():
            raw[at + 30 + name_length + extra_length + offset] ^= 0x20
            return bytes(raw)
        at = raw.find(b"PK\x03\x04", at + 4)
    raise SystemExit("no entry " + name)


def class_chain(levels):
    classes = "".join('<Class name="c%d" class="c%d c%d" height="%d"/>' % (i, i + 1, i + 1, i)
                      for i in range(levels))
    return classes + '<Class name="c%d" width="7"/><Box class="c0"/>' % levels


def rows(entries):
    """(name, archive bytes or None for a copy of the shipped one, loose tree kind, trace text)."""
    many = "<Window>" + "<Control/>" * 5000 + "</Window>"
    yield "shipped", pack(entries), None, "-"
    yield "not_a_zip", b"This is not a zip archive at all.\n" * 100, None, "not a zip archive"
    whole = pack(entries)
    yield "truncated", whole[:len(whole) // 2], None, "not a zip archive"
    stored = pack(entries, stored={GLOBAL})
    yield "bad_crc", flip_stored_byte(stored, GLOBAL, 100), None, "global.xml is damaged"
    yield "lying_sizes", patch_sizes(stored, GLOBAL, -10), None, "global.xml is damaged"
    yield "zip_bomb", pack(entries + [(SKIN + "bomb.bin", b"\0" * (300 << 20))]), None, "MiB in all"
    yield ("many_entries", pack(entries + [("x/%d" % i, b"") for i in range(300000)]), None,
           "entries")
    yield "many_entries_allowed", pack(entries + [("x/%d" % i, b"") for i in range(16000)]), None, "-"
    yield "class_explosion", pack(with_global(entries, before_end(class_chain(40)))), None, "-"
    includes = "".join('<Include source="main/many.xml" count="100"/>' for _ in range(10))
    yield ("include_multiply",
           pack(with_global(entries, before_end("<VBox>" + includes + "</VBox>")) +
                [(SKIN + "main/many.xml", many.encode())]), None, "Controls stopped after")
    yield ("unknown_elements", pack(with_global(entries, before_end("<VBox>" + "<X/>" * 900000 + "</VBox>"))),
           None, "Controls stopped after")
    big_config = b'{"Forum": {"en": [' + b",".join([b'{"name": "n", "url": "u"}'] * 1600000) + b"]}}"
    yield ("huge_common_config", pack(replace(entries, SKIN + "common_config.json", big_config)), None,
           "larger than the 524288 bytes allowed")
    fonts = "".join('<Font id="f%d" name="system" size="12"/>' % i for i in range(50000))
    yield "many_fonts", pack(with_global(entries, before_end(fonts))), None, "Fonts stopped after 256"
    deep = "<Window>" + "<Box>" * 100000 + "</Box>" * 100000 + "</Window>"
    yield "deep_nesting", pack(replace(entries, GLOBAL, deep.encode())), None, "global.xml does not parse"
    yield "missing_global", pack([(n, d) for n, d in entries if n != GLOBAL]), None, "global.xml is missing"
    padded = with_global(entries, lambda t: t + "<!--" + " " * (6 << 20) + "-->")
    yield "huge_global", pack(padded), None, "global.xml is larger than allowed"
    huge_lang = [(n, (b"STRING_X=y\n" * (400000)) if n.startswith("resources/lang/") else d)
                 for n, d in entries]
    yield "huge_language", pack(huge_lang), None, "bytes allowed"
    yield "not_a_zip_loose", b"not a zip", "whole", "the loose files are used"
    yield "not_a_zip_loose_broken", b"not a zip", "broken", "loose files incomplete"


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--skin", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args(argv)
    entries = read_entries(args.skin)
    os.makedirs(args.out, exist_ok=True)
    table = []
    for name, data, loose, trace in rows(entries):
        with open(os.path.join(args.out, name + ".zip"), "wb") as f:
            f.write(data)
        loose_dir = "-"
        if loose:
            loose_dir = name + ".loose"
            root = os.path.join(args.out, loose_dir)
            shutil.rmtree(root, ignore_errors=True)
            for entry, content in entries:
                path = os.path.join(root, *entry.split("/"))
                os.makedirs(os.path.dirname(path), exist_ok=True)
                if loose == "broken" and entry == GLOBAL:
                    content = b"<Global><Font"
                with open(path, "wb") as f:
                    f.write(content)
        table.append("\t".join([name, name + ".zip", loose_dir, trace]))
    with open(os.path.join(args.out, "rows.tsv"), "w") as f:
        f.write("\n".join(table) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
