#!/usr/bin/python3
"""Makes the launcher's four font files and their licence texts.

The Loma faces are Debian's (fonts-tlwg-loma-ttf) as they are. The two
"思源黑体 CN" faces are the Simplified Chinese faces of Noto Sans CJK (the same
design, fonts-noto-cjk), cut down to the characters the launcher draws and
renamed so that their own name tables carry the launcher's face names.

The cut keeps ASCII and Latin-1, general and CJK punctuation, full-width
forms, every GB 2312 hanzi, the 2,350 Hangul syllables of KS X 1001 and the
compatibility jamo: a face of about 10,000 glyphs instead of 65,000, which
keeps the executable a few megabytes large.

Usage: make_fonts.py OUTPUT_FOLDER
"""
import os
import shutil
import sys

from fontTools import subset
from fontTools.ttLib import TTCollection

LOMA = "/usr/share/fonts/truetype/tlwg"
NOTO = "/usr/share/fonts/opentype/noto"
NOTO_FACE = "Noto Sans CJK SC"

CJK_FACES = [
    # (source collection, output file, face name, style, bold)
    ("NotoSansCJK-Regular.ttc", "SourceHanSansCNRegular.ttf", "思源黑体 CN Regular", "Regular", False),
    ("NotoSansCJK-Bold.ttc", "SourceHanSansCNBold.ttf", "思源黑体 CN Bold", "Bold", True),
]

LICENCES = [
    ("/usr/share/doc/fonts-tlwg-loma-ttf/copyright", "LICENSE-Loma.txt"),
    ("/usr/share/doc/fonts-noto-cjk/copyright", "LICENSE-SourceHanSansCN.txt"),
]


def double_byte_range(encoding, lead, trail):
    chars = set()
    for a in range(lead[0], lead[1] + 1):
        for b in range(trail[0], trail[1] + 1):
            try:
                chars.add(ord(bytes([a, b]).decode(encoding)))
            except UnicodeDecodeError:
                pass
    return chars


def wanted_characters():
    chars = set(range(0x20, 0x7F)) | set(range(0xA0, 0x100))
    for start, end in [(0x2000, 0x206F), (0x3000, 0x303F), (0xFF00, 0xFFEF), (0x3130, 0x318F),
                       (0x2190, 0x21FF), (0x25A0, 0x25FF)]:
        chars |= set(range(start, end + 1))
    chars |= double_byte_range("gb2312", (0xB0, 0xF7), (0xA1, 0xFE))  # GB 2312 hanzi
    chars |= double_byte_range("euc-kr", (0xB0, 0xC8), (0xA1, 0xFE))  # KS X 1001 Hangul
    return chars


def pick_face(path):
    collection = TTCollection(path)
    for font in collection.fonts:
        if font["name"].getDebugName(1) == NOTO_FACE:
            return font
    raise SystemExit("no face %r in %s" % (NOTO_FACE, path))


def rename(font, face, style, bold):
    name = font["name"]
    postscript = "SourceHanSansCN-" + style
    name.names = [n for n in name.names if n.nameID not in (1, 2, 3, 4, 6, 16, 17, 21, 22)]
    for platform, encoding, language in [(3, 1, 0x409), (3, 1, 0x804)]:
        for name_id, text in [(1, face), (2, "Bold" if bold else "Regular"),
                              (3, postscript), (4, face), (6, postscript)]:
            name.setName(text, name_id, platform, encoding, language)
    os2 = font["OS/2"]
    os2.usWeightClass = 700 if bold else 400
    os2.fsSelection = (os2.fsSelection & ~0x61) | (0x20 if bold else 0x40)
    font["head"].macStyle = 1 if bold else 0
    if "CFF " in font:
        cff = font["CFF "].cff
        cff.fontNames = [postscript]
        top = cff.topDictIndex[0]
        # CFF names are ASCII; GDI reads the name table.
        top.FamilyName = "Source Han Sans CN " + style
        top.FullName = "Source Han Sans CN " + style


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    shutil.copyfile(os.path.join(LOMA, "Loma.ttf"), os.path.join(out, "LomaN.ttf"))
    shutil.copyfile(os.path.join(LOMA, "Loma-Bold.ttf"), os.path.join(out, "LomaB.ttf"))
    for source, target in LICENCES:
        shutil.copyfile(source, os.path.join(out, target))

    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.layout_features = ["*"]
    options.notdef_outline = True
    options.hinting = True
    chars = wanted_characters()
    for source, target, face, style, bold in CJK_FACES:
        font = pick_face(os.path.join(NOTO, source))
        subsetter = subset.Subsetter(options)
        subsetter.populate(unicodes=chars)
        subsetter.subset(font)
        rename(font, face, style, bold)
        font.save(os.path.join(out, target))


if __name__ == "__main__":
    main()
