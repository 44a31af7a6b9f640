#!/usr/bin/python3
"""Packs the launcher's skin archive.

    pack_skin.py --source resources --drawn DIR --out resources.zip

Every file under <source>/themes and <source>/lang, and every file the image
step drew under DIR (the same layout), becomes the entry "resources/<path>".
The archive is the same bytes on every run: entries sorted by name, one fixed
date, MS-DOS attributes, deflate at level 9, no extra fields.
"""
import argparse
import os
import sys
import zipfile

TREES = ("themes", "lang")
FIXED_DATE = (1980, 1, 1, 0, 0, 0)
DOS_ARCHIVE = 0x20


def collect(root):
    """Archive name -> file path for every file of the skin trees under root."""
    found = {}
    for tree in TREES:
        top = os.path.join(root, tree)
        for folder, dirs, files in os.walk(top):
            dirs[:] = [d for d in dirs if not d.startswith(".")]
            for name in files:
                if name.startswith(".") or name.endswith((".tmp", "~")):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                found["resources/" + rel] = path
    return found


def pack(sources, out):
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name in sorted(sources):
            info = zipfile.ZipInfo(name, FIXED_DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = DOS_ARCHIVE
            with open(sources[name], "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, out)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--source", required=True, help="folder holding themes/ and lang/")
    ap.add_argument("--drawn", required=True, help="folder the image step drew into")
    ap.add_argument("--out", required=True)
    args = ap.parse_args(argv)
    sources = collect(args.source)
    drawn = collect(args.drawn)
    clash = sorted(set(sources) & set(drawn))
    if clash:
        sys.stderr.write("pack_skin: drawn images would replace source files: %s\n" % ", ".join(clash))
        return 1
    sources.update(drawn)
    if not sources:
        sys.stderr.write("pack_skin: nothing to pack under %s\n" % args.source)
        return 1
    pack(sources, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
