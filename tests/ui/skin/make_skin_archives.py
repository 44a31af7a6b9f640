#!/usr/bin/env python3
"""Builds the skin test archives, byte for byte the same on every run.

skin_test.zip: the files under skin_files/ (language files with CR LF line
ends) plus small images drawn here: an opaque and a translucent PNG, a GIF of
three frames and a "_ko" variant of an image.
skin_edge.zip: entries with hostile names, an extended-timestamp block and a
ten-byte entry, for the archive's own tests.
"""
import os
import struct
import sys
import zipfile
import zlib

STAMP = (2024, 5, 17, 12, 30, 44)


def png(width, height, pixel):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width))
                    for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def gif_lzw(indices):
    # 8-bit minimum code size; a clear code before the table would widen the
    # codes past 9 bits keeps every code 9 bits wide.
    clear, end, out, acc, bits = 256, 257, bytearray(), 0, 0
    codes = []
    for n, index in enumerate(indices):
        if n % 250 == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(end)
    for code in codes:
        acc |= code << bits
        bits += 9
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    blocks = bytearray([8])
    for i in range(0, len(out), 255):
        part = out[i:i + 255]
        blocks += bytes([len(part)]) + part
    return bytes(blocks + b"\x00")


def gif(width, height, frames, delay_cs):
    palette = bytearray(256 * 3)
    for i, rgb in enumerate([(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]):
        palette[i * 3:i * 3 + 3] = bytes(rgb)
    data = b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0) + bytes(palette)
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for colour in frames:
        data += b"\x21\xF9\x04\x00" + struct.pack("<H", delay_cs) + b"\x00\x00"
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        data += gif_lzw([colour] * (width * height))
    return data + b"\x3B"


def images():
    return {
        "resources/themes/default/public/opaque.png":
            png(4, 4, lambda x, y: (200, 40 * x, 40 * y, 255)),
        "resources/themes/default/public/translucent.png":
            png(4, 4, lambda x, y: (0, 0, 0, 60 * x)),
        "resources/themes/default/public/spinner.gif": gif(4, 4, [0, 1, 2], 10),
        "resources/themes/default/main/bk.png": png(2, 2, lambda x, y: (10, 20, 30, 255)),
        "resources/themes/default/main/bk_ko.png": png(2, 2, lambda x, y: (30, 20, 10, 255)),
    }


def info(name, system=3, attributes=0o100644 << 16, stamp=STAMP):
    entry = zipfile.ZipInfo(name, stamp)
    entry.create_system = system
    entry.external_attr = attributes
    entry.compress_type = zipfile.ZIP_DEFLATED
    return entry


def skin_archive(source_dir, out):
    files = {}
    for root, _, names in os.walk(source_dir):
        for name in names:
            path = os.path.join(root, name)
            arcname = os.path.relpath(path, source_dir).replace(os.sep, "/")
            with open(path, "rb") as f:
                data = f.read()
            if name.endswith(".ini"):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            files[arcname] = data
    files.update(images())
    # A skin file that starts with a UTF-8 byte-order mark.
    files["resources/themes/default/main/bom.xml"] = (
        b"\xef\xbb\xbf<Window><VBox name=\"bom\"/></Window>")
    with zipfile.ZipFile(out, "w") as z:
        for name in sorted(files):
            z.writestr(info(name), files[name])


def edge_archive(out):
    # "UT" block: flags 1 (modification time only), 2024-01-02 03:04:05 UTC.
    ut = b"UT" + struct.pack("<HBi", 5, 1, 1704164645)
    entries = [
        (info("ten.bin"), b"0123456789"),
        (info("/abs/../x/../inner.txt", system=0, attributes=0x21), b"inner"),
        (info("C:\\..\\drive.txt", system=0, attributes=0x01), b"drive"),
        (info("../../up.txt"), b"up"),
        (info("dir/", attributes=(0o40755 << 16) | 0x10), b""),
        (info("readonly.txt", attributes=0o100444 << 16), b"ro"),
        (info("stamped.txt"), b"stamped"),
    ]
    with zipfile.ZipFile(out, "w") as z:
        for entry, data in entries:
            if entry.filename == "stamped.txt":
                entry.extra = ut
            z.writestr(entry, data)


def main():
    source_dir, skin_zip, edge_zip = sys.argv[1:4]
    skin_archive(source_dir, skin_zip)
    edge_archive(edge_zip)


if __name__ == "__main__":
    main()
