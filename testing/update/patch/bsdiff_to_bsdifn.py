#!/usr/bin/env python3
"""Turns a "BSDIFF40" patch (as Debian's bsdiff writes it: a 32-byte header and
three bzip2 blocks) into the launcher's patch container: the same header with
the magic "BSDIFN40" and the three blocks stored plainly, the whole stream
deflated with zlib behind its unpacked and packed sizes (32-bit little-endian).

Usage: bsdiff_to_bsdifn.py IN.bsdiff OUT.patch
"""
import bz2
import struct
import sys
import zlib


def offtin(buf):
    """Reads bsdiff's 8-byte sign-magnitude integer."""
    value = int.from_bytes(buf[:7] + bytes([buf[7] & 0x7F]), "little")
    return -value if buf[7] & 0x80 else value


def offtout(value):
    magnitude = -value if value < 0 else value
    out = bytearray(magnitude.to_bytes(8, "little"))
    if value < 0:
        out[7] |= 0x80
    return bytes(out)


def bsdiff40_to_stream(data):
    """The plain "BSDIFN40" stream of a "BSDIFF40" patch."""
    if len(data) < 32 or data[:8] != b"BSDIFF40":
        raise ValueError("not a BSDIFF40 patch")
    ctrl_len = offtin(data[8:16])
    diff_len = offtin(data[16:24])
    new_size = offtin(data[24:32])
    if ctrl_len < 0 or diff_len < 0 or new_size < 0 or 32 + ctrl_len + diff_len > len(data):
        raise ValueError("corrupt BSDIFF40 header")
    ctrl = bz2.decompress(data[32:32 + ctrl_len])
    diff = bz2.decompress(data[32 + ctrl_len:32 + ctrl_len + diff_len])
    extra = bz2.decompress(data[32 + ctrl_len + diff_len:])
    return b"".join([b"BSDIFN40", offtout(len(ctrl)), offtout(len(diff)), offtout(new_size),
                     ctrl, diff, extra])


def wrap_container(stream, level=6):
    packed = zlib.compress(stream, level)
    return struct.pack("<Ii", len(stream), len(packed)) + packed


def convert_file(src, dst, level=6):
    with open(src, "rb") as f:
        stream = bsdiff40_to_stream(f.read())
    with open(dst, "wb") as f:
        f.write(wrap_container(stream, level))
    return len(stream)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    convert_file(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
