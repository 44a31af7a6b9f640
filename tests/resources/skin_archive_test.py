#!/usr/bin/python3
"""Checks of the skin archive that launcher.exe embeds: the markup, the language
files, the images and the common configuration agree with each other and with
what the launcher's code asks for, and the archive is reproducible.

    skin_archive_test.py --archive build/resources/resources.zip --source resources
"""
import argparse
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

from PIL import Image

ARGS = None
THEME = "resources/themes/default/"
LANG = "resources/lang/"
REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# Every language of the settings menu; "ja" has a code but is never offered.
LANGUAGE_CODES = ["en", "zh_CN", "ko", "zh_TW", "vi", "fr", "id", "it", "es", "tr", "th", "pt_BR", "ar", "ru",
                  "de", "pl", "ms"]

# Text ids the windows and the controller name in code (besides the language names,
# which the source scan below finds).
CODE_TEXT_IDS = {
    "STRING_CANCEL", "STRING_CHECK_ASSET", "STRING_CLOSE_CONFIRM_FOR_DOWNLOAD", "STRING_CONFIRM", "STRING_DLC_PAUSED",
    "STRING_DOWNLOAD_ASSET", "STRING_DOWNLOAD_CONTINUE", "STRING_DOWNLOAD_LAUNCHER",
    "STRING_DOWNLOAD_LIMIT_SPEED_RANGE", "STRING_DOWNLOAD_LIMIT_TIP", "STRING_DOWNLOAD_SPEED", "STRING_DOWNLOAD_TIME",
    "STRING_ERROR_CHECK_GAME_FAILED", "STRING_ERROR_DLC_CLOSE", "STRING_ERROR_DLC_FIRST", "STRING_ERROR_DLC_LAST",
    "STRING_ERROR_DLC_OCCUPIED", "STRING_ERROR_DLC_OUTDATED", "STRING_ERROR_EXCEED_MAX_GAME_INSTANCE",
    "STRING_ERROR_INVALID_DISKSPACE", "STRING_ERROR_INVALID_GAME_PATH", "STRING_ERROR_NEED_DISKSPACE",
    "STRING_ERROR_NEED_DISKSPACE_R", "STRING_ERROR_NOTICE", "STRING_ERROR_RETRY", "STRING_ERROR_UPDATE",
    "STRING_GAME_TITLE", "STRING_GET_GAME", "STRING_INSTALL_CHANGE", "STRING_INSTALL_DIRECTORY",
    "STRING_INSTALL_FREE_SPACE", "STRING_INSTALL_GAME", "STRING_INSTALL_INSTALL", "STRING_INSTALL_NEED_SPACE",
    "STRING_NOTICE", "STRING_NOTIFYTRAY_EXIT", "STRING_NOTIFYTRAY_OPEN", "STRING_PREDLC_BEFORE",
    "STRING_PREDLC_CONTINUE", "STRING_PREDLC_DOWNLOAD", "STRING_PREDLC_FINISH", "STRING_PREDLC_LIMIT_TIP",
    "STRING_PREDLC_PAUSE", "STRING_RESOURCE_LOCAL_TIP", "STRING_RESOURCE_REPAIR_TIP", "STRING_RESOURCE_WAITING",
    "STRING_SELECT_PATH", "STRING_SET_PATH", "STRING_SHUT_OPTION_EXIT", "STRING_SHUT_OPTION_NOTICE",
    "STRING_SHUT_OPTION_TRAYICON", "STRING_START_GAME", "STRING_TAB_NORMAL", "STRING_TAB_RESOURCE",
    "STRING_TAB_VERSION", "STRING_UPDATE_GAME", "STRING_UPDATE_LAUNCHER", "STRING_UPDATE_NOTICE",
    "STRING_VERSION_LABEL",
}
SOURCE_FOLDERS = ("app", "windows", "browser", "ui", "update")

# Element names the skin builder makes controls for, the markup's own elements, and
# the names a window's create-control callback answers (until the builder lands
# these are what "every skin file builds" can check without it).
BUILDER_ELEMENTS = {
    "Control", "Label", "Button", "CheckBox", "Option", "Box", "HBox", "VBox", "TileBox", "LabelBox", "ButtonBox",
    "CheckBoxBox", "OptionBox", "ChildBox", "TabBox", "HTabBox", "VTabBox", "ListBox", "HListBox", "VListBox",
    "TileListBox", "VirtualListBox", "ListContainerElement", "TreeView", "TreeNode", "ScrollBar", "Progress",
    "CircleProgress", "Slider", "Combo", "RichEdit",
}
MARKUP_ELEMENTS = {"Window", "Global", "Include", "Event", "BubbledEvent", "Font", "Class", "TextColor"}
CALLBACK_ELEMENTS = {"CefControl"}  # the main window makes its browser views

# The controls each window's code looks up by name, with the element it expects.
WINDOW_CONTROLS = {
    "main/skin.xml": {"wnd_title": "Label", "text_version": "Label", "btn_settings": "Button", "minbtn": "Button",
                      "btn_close": "Button", "text_title_main": "Label", "text_title_sub": "Label",
                      "webview": "CefControl", "webview_debug": "CefControl", "tab_predlc": "TabBox",
                      "tab_assets": "TabBox", "btn_game": "Button", "jump_links": "HBox"},
    "main/tab_asset_none.xml": {},
    "main/tab_asset_setup.xml": {"text_title": "Label", "text_set_path": "Label", "btn_set_path": "Button"},
    "main/tab_asset_download.xml": {"text_download_info": "Label", "text_download_time": "Label",
                                    "text_download_speed": "Label", "progress": "Progress",
                                    "btn_download_ctrl": "Button"},
    "main/tab_asset_check.xml": {"text_check_asset": "Label", "progress": "Progress"},
    "main/tab_predlc_none.xml": {},
    "main/tab_predlc_before.xml": {"text_info": "Label", "btn_download_ctrl": "Button", "box_hint": "VBox"},
    "main/tab_predlc_download.xml": {"text_title": "Label", "text_info": "Label", "progress": "Progress",
                                     "btn_download_ctrl": "Button", "box_hint": "VBox"},
    "main/tab_predlc_finish.xml": {"text_info": "Label"},
    "setting/skin.xml": {"btn_close": "Button", "setting_btns": "VListBox", "setting_pages": "VListBox",
                         "btn_cancel": "Button", "btn_confirm": "Button"},
    "setting/tab_label.xml": {"tab_name": "Label"},
    "setting/tab_page0.xml": {"vbox_set_language": "VBox", "combo_set_language": "Combo", "checkbox_start": "CheckBox",
                              "option_trayicon": "Option", "option_exit": "Option", "option_on": "Option",
                              "option_off": "Option", "speed_tip": "Control", "predlc_speed_tip": "Control",
                              "option_nolimit_speed": "Option", "option_limit_speed": "Option",
                              "text_speed": "RichEdit", "predlc_option_nolimit_speed": "Option",
                              "predlc_option_limit_speed": "Option", "predlc_text_speed": "RichEdit"},
    "setting/tab_page1.xml": {"local_tip": "Control", "text_game_path": "Label", "btn_find_game": "Button",
                              "btn_repair_game": "Button"},
    "setting/tab_page2.xml": {"btn_launcher_update": "Button", "btn_game_update": "Button",
                              "label_launcher_version": "Label", "label_game_version": "Label",
                              "btn_agreement": "Button", "btn_privacy": "Button"},
    "msgbox/skin.xml": {"title": "Label", "content": "Label", "detail": "Label", "btn_yes": "Button",
                        "btn_no": "Button", "btn_close": "Button"},
    "optionsbox/skin.xml": {"content": "Label", "option_vlist": "VBox", "btn_ok": "Button"},
    "predlc/skin.xml": {"wnd_title": "Label", "content": "Label", "text_size_title": "Label",
                        "text_size_value": "Label", "text_space_title": "Label", "text_space_value": "Label",
                        "size_box": "HBox", "space_box": "HBox", "btn_close": "Button", "btn_cancel": "Button",
                        "btn_confirm": "Button"},
    "predlc/popup_skin.xml": {"text_title": "Label", "text_info": "Label", "text_dlc_size_title": "Label",
                              "text_dlc_size": "Label", "text_dlc_time_title": "Label", "text_dlc_time": "Label",
                              "text_dlc_speed_title": "Label", "text_dlc_speed": "Label"},
    "setup/skin.xml": {"text_set_path": "Label", "lable_need_space": "Label", "lable_free_space": "Label",
                       "btn_close": "Button", "btn_change": "Button", "btn_ok": "Button"},
}
# Option groups the settings page relies on.
OPTION_GROUPS = {"option_trayicon": "option_shut", "option_exit": "option_shut", "option_on": "option_auto_download",
                 "option_off": "option_auto_download", "option_nolimit_speed": "option_speed",
                 "option_limit_speed": "option_speed", "predlc_option_nolimit_speed": "predlc_option_speed",
                 "predlc_option_limit_speed": "predlc_option_speed"}
# Classes the code applies by name at run time.
CODE_CLASSES = {"btn_pause", "btn_continue", "btn_download_predlc", "btn_continue_predlc", "btn_pause_predlc",
                "btn_radio", "language_item", "vscrollbar", "hscrollbar"}
# Images the framework names itself (the default window shadow).
FRAMEWORK_IMAGES = {"public/bk_shadow.png"}

COLOUR_ATTRIBUTES = re.compile(r"^(bkcolor1?|bordercolor|(normal|hot|pushed|disabled|selected)textcolor|"
                               r"(normal|hot|pushed|disabled)color|selected(normal|hot|pushed|disabled)color|"
                               r"caretcolor|promptcolor|progresscolor|defaultfontcolor|disabledfontcolor)$")
TEXT_ID_ATTRIBUTES = {"textid", "tooltiptextid", "prompttextid"}
PLACEHOLDER = re.compile(r"%ls|%s|\{p1\}|\{p2\}")


def archive():
    return zipfile.ZipFile(ARGS.archive)


def read(name):
    with archive() as z:
        return z.read(name)


# ---------------------------------------------------------------- language files, read as the launcher reads them
def trim(s):
    """The language table trims blanks and every character below code 30."""
    return s.strip("".join(chr(c) for c in range(30)) + " ")


def parse_language(data):
    """(entries in order, lines the table drops although they are not comments or blank)."""
    entries, dropped = [], []
    for raw in data.replace(b"\0", b"\n").split(b"\n"):
        line = trim(raw.decode("utf-8"))
        if not line:
            continue
        pieces = [p for p in line.split("=") if p]
        if line.startswith(";"):
            continue
        if len(pieces) != 2 or ";" in pieces[0] or not trim(pieces[0]) or not trim(pieces[1]):
            dropped.append(line)
            continue
        entries.append((trim(pieces[0]), trim(pieces[1])))
    return entries, dropped


def languages():
    out = {}
    for code in LANGUAGE_CODES:
        entries, _ = parse_language(read(LANG + code + ".ini"))
        out[code] = dict(entries)
    return out


# ---------------------------------------------------------------- markup
def skin_files():
    with archive() as z:
        return sorted(n[len(THEME):] for n in z.namelist() if n.startswith(THEME) and n.endswith(".xml"))


def markup(rel):
    return ET.fromstring(read(THEME + rel))


def image_texts(node):
    """(attribute, image text) of every image attribute of a node."""
    return [(k, v) for k, v in node.attrib.items() if k.endswith("image") and v]


def image_file(text):
    m = re.search(r"(?:file|res)='([^']*)'", text)
    return m.group(1) if m else text


def image_corner(text):
    m = re.search(r"corner='(\d+),(\d+),(\d+),(\d+)'", text)
    return tuple(int(v) for v in m.groups()) if m else (0, 0, 0, 0)


def resolve(folder, path):
    """The archive entry a window of `folder` reads for a relative image path."""
    parts = []
    for piece in (folder + "/" + path).split("/"):
        if piece in ("", "."):
            continue
        if piece == "..":
            parts.pop()
        else:
            parts.append(piece)
    return "/".join(parts)


def named_images():
    """(where it is named, archive path under the theme, image text) for every image the skin names."""
    found = []
    for rel in skin_files():
        root = markup(rel)
        # Classes are applied inside some window; their paths climb out with "../".
        folder = rel.split("/")[0] if "/" in rel else "any_window"
        for node in root.iter():
            for attr, text in image_texts(node):
                found.append((rel, resolve(folder, image_file(text)), text))
    config = json.loads(read(THEME + "common_config.json"))
    for link in config["Forum"]["en"] + [config["FAQ"]]:
        for key in ("NormalImage", "HotImage"):
            found.append(("common_config.json", resolve("main", link[key]), link[key]))
    return found


class ArchiveLayout(unittest.TestCase):
    def test_entries_are_files_under_the_two_trees_with_names_the_reader_finds(self):
        with archive() as z:
            names = z.namelist()
        self.assertTrue(names)
        for name in names:
            self.assertTrue(name.startswith((THEME, LANG)), name)
            self.assertFalse(name.endswith("/"), name)
            self.assertNotIn("\\", name)
            self.assertNotIn("/../", name)
            self.assertLessEqual(len(name.encode("utf-8")), 255, name)
        # The reader matches names without regard to case: two such names would shadow each other.
        self.assertEqual(len({n.lower() for n in names}), len(names))

    def test_markup_and_configuration_parse_and_start_without_a_byte_order_mark(self):
        with archive() as z:
            for name in z.namelist():
                if not name.endswith((".xml", ".json", ".ini")):
                    continue
                data = z.read(name)
                self.assertFalse(data.startswith(b"\xef\xbb\xbf"), name)
                text = data.decode("utf-8")
                if name.endswith(".xml"):
                    ET.fromstring(data)
                    self.assertTrue(text.startswith("<"), name)
                    # The skin's reader ends a comment at the first "->" and keeps numeric references literally.
                    for body in re.findall(r"<!--(.*?)-->", text, re.S):
                        self.assertNotIn("->", body, name)
                    self.assertNotIn("&#", text, name)
                elif name.endswith(".json"):
                    json.loads(text)

    def test_every_skin_file_the_windows_load_is_there(self):
        files = set(skin_files())
        for rel in list(WINDOW_CONTROLS) + ["global.xml"]:
            self.assertIn(rel, files)
        self.assertIn(THEME + "common_config.json", archive().namelist())


class LanguageFiles(unittest.TestCase):
    def test_one_file_per_language_and_no_other(self):
        with archive() as z:
            present = sorted(n[len(LANG):-4] for n in z.namelist() if n.startswith(LANG))
        self.assertEqual(sorted(LANGUAGE_CODES), present)

    def test_every_line_is_a_comment_or_an_entry_the_table_keeps(self):
        # A text holding "=" or a broken line is silently dropped by the launcher.
        for code in LANGUAGE_CODES:
            entries, dropped = parse_language(read(LANG + code + ".ini"))
            self.assertEqual([], dropped, code)
            ids = [k for k, _ in entries]
            self.assertEqual(len(ids), len(set(ids)), "%s repeats an id" % code)

    def test_every_file_has_exactly_the_ids_of_english(self):
        texts = languages()
        for code in LANGUAGE_CODES:
            missing = sorted(set(texts["en"]) - set(texts[code]))
            extra = sorted(set(texts[code]) - set(texts["en"]))
            self.assertEqual(([], []), (missing, extra), "%s: (missing, extra)" % code)

    def test_format_texts_keep_their_placeholders_and_no_other_percent_sign(self):
        texts = languages()
        for tid, english in texts["en"].items():
            wanted = sorted(PLACEHOLDER.findall(english))
            for code in LANGUAGE_CODES:
                text = texts[code].get(tid)
                if text is None:
                    continue  # a missing id has a test of its own
                with self.subTest(code=code, id=tid):
                    self.assertEqual(wanted, sorted(PLACEHOLDER.findall(text)))
                    self.assertEqual(english.count("%"), text.count("%"))
                    self.assertLess(len(text), 200)
        self.assertEqual(["%ls"], PLACEHOLDER.findall(texts["en"]["STRING_DOWNLOAD_SPEED"]))
        self.assertEqual(["%s"], PLACEHOLDER.findall(texts["en"]["STRING_VERSION_LABEL"]))

    def test_language_names_are_the_same_endonyms_in_every_file(self):
        texts = languages()
        names = {k: v for k, v in texts["en"].items() if k.startswith("STRING_LANG_")}
        self.assertEqual(18, len(names))
        for code in LANGUAGE_CODES:
            self.assertEqual(names, {k: v for k, v in texts[code].items() if k.startswith("STRING_LANG_")}, code)

    def test_translations_are_not_english_copies(self):
        # Words that several languages share with English (names, units, loan words).
        may_match = {"STRING_GAME_TITLE", "STRING_CONFIRM", "STRING_UI_KBS", "STRING_DOWNLOAD_LIMIT_SPEED_RANGE",
                     "STRING_UI_LINK_FORUM", "STRING_UI_LINK_FAQ", "STRING_UI_LINK_VIDEO", "STRING_UI_LINK_COMMUNITY",
                     "STRING_UI_LAUNCHER", "STRING_UI_GAME", "STRING_TAB_VERSION", "STRING_TAB_NORMAL",
                     "STRING_UI_STARTUP", "STRING_UI_PAUSE", "STRING_ERROR_NOTICE"}
        texts = languages()
        for code in LANGUAGE_CODES[1:]:
            copies = sorted(k for k, v in texts[code].items()
                            if v == texts["en"][k] and k not in may_match and not k.startswith("STRING_LANG_"))
            self.assertEqual([], copies, code)

    def test_main_button_texts_fit_the_button(self):
        # 280 px at 30 px bold leaves about 13 Latin characters.
        texts = languages()
        for code in LANGUAGE_CODES:
            for tid in ("STRING_START_GAME", "STRING_GET_GAME", "STRING_UPDATE_GAME", "STRING_DOWNLOAD_CONTINUE",
                        "STRING_DLC_PAUSED"):
                self.assertLessEqual(len(texts[code][tid]), 13, (code, tid, texts[code][tid]))


def source_text_ids():
    ids = set()
    for top in SOURCE_FOLDERS:
        for folder, _, files in os.walk(os.path.join(REPO, top)):
            for name in files:
                if name.endswith((".cc", ".h")):
                    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                        ids.update(re.findall(r'"(STRING_[A-Z0-9_]+)"', f.read()))
    return ids


def skin_text_ids():
    ids = set()
    for rel in skin_files():
        for node in markup(rel).iter():
            ids.update(v for k, v in node.attrib.items() if k in TEXT_ID_ATTRIBUTES)
    config = json.loads(read(THEME + "common_config.json"))
    ids.update(link["Tooltips"] for link in config["Forum"]["en"])
    ids.update(v["Tooltips"] for k, v in config["FAQ"].items() if isinstance(v, dict))
    return ids


class SkinFiles(unittest.TestCase):
    def test_every_element_is_one_the_builder_or_a_window_makes(self):
        known = BUILDER_ELEMENTS | MARKUP_ELEMENTS | CALLBACK_ELEMENTS
        for rel in skin_files():
            unknown = sorted({n.tag for n in markup(rel).iter()} - known)
            self.assertEqual([], unknown, rel)

    def test_windows_carry_the_controls_their_code_looks_up(self):
        for rel, controls in WINDOW_CONTROLS.items():
            named = {}
            for node in markup(rel).iter():
                if "name" in node.attrib:
                    self.assertNotIn(node.get("name"), named, "%s names %s twice" % (rel, node.get("name")))
                    named[node.get("name")] = node
            for name, element in controls.items():
                self.assertIn(name, named, rel)
                self.assertEqual(element, named[name].tag, (rel, name))
            self.assertNotIn("closebtn", named, rel)  # the window base would close it behind the code's back
            for name, group in OPTION_GROUPS.items():
                if name in named:
                    self.assertEqual(group, named[name].get("group"), name)

    def test_window_attributes_come_in_the_order_they_take_effect(self):
        # shadowattached before size (the shadow is added to the size), size before expand.
        for rel in skin_files():
            root = markup(rel)
            if root.tag != "Window" or "size" not in root.attrib:
                continue
            order = list(root.attrib)
            if "shadowattached" in order:
                self.assertLess(order.index("shadowattached"), order.index("size"), rel)
            if "expand" in order:
                self.assertLess(order.index("size"), order.index("expand"), rel)

    def test_every_text_id_a_skin_or_the_code_names_is_in_the_language_files(self):
        english = set(languages()["en"])
        used = skin_text_ids() | CODE_TEXT_IDS | source_text_ids()
        self.assertEqual([], sorted(used - english), "missing from en.ini")
        self.assertEqual([], sorted(english - used), "in en.ini but used by nothing")

    def test_colours_fonts_and_classes_named_are_defined(self):
        glob = markup("global.xml")
        colours = {n.get("name") for n in glob.iter("TextColor")}
        fonts = {n.get("id") for n in glob.iter("Font")}
        classes = {n.get("name") for n in glob.iter("Class")}
        self.assertEqual(1, sum(n.get("default") == "true" for n in glob.iter("Font")))
        self.assertLessEqual(CODE_CLASSES, classes)
        for rel in skin_files():
            for node in markup(rel).iter():
                attrs = dict(node.attrib)
                # A drop-down's attribute list holds colours of its own.
                attrs.update(re.findall(r"(\w+)='([^']*)'", attrs.get("dropbox", "")))
                for k, v in attrs.items():
                    if COLOUR_ATTRIBUTES.match(k):
                        self.assertTrue(v.strip() in colours, "%s: %s %s names no colour: %s" % (rel, node.tag, k, v))
                    elif k == "font":
                        self.assertIn(v, fonts, (rel, node.tag))
                    elif k == "class" and node.tag != "Class":
                        for c in v.split():
                            self.assertIn(c, classes, (rel, node.tag))

    def test_every_image_named_is_in_the_archive_and_its_corners_fit(self):
        with archive() as z:
            entries = set(z.namelist())
            for where, path, text in named_images():
                entry = THEME + path
                self.assertTrue(entry in entries, "%s names %s, which is not in the archive" % (where, text))
                with Image.open(io.BytesIO(z.read(entry))) as im:
                    w, h = im.size
                l, t, r, b = image_corner(text)
                self.assertLessEqual(l + r, w, (where, text))
                self.assertLessEqual(t + b, h, (where, text))

    def test_every_image_in_the_archive_is_named(self):
        with archive() as z:
            images = {n[len(THEME):] for n in z.namelist() if n.endswith(".png")}
        named = {path for _, path, _ in named_images()} | FRAMEWORK_IMAGES
        self.assertEqual([], sorted(images - named))


class CommonConfiguration(unittest.TestCase):
    def test_titles_links_and_jump_links(self):
        config = json.loads(read(THEME + "common_config.json"))
        self.assertEqual(sorted(LANGUAGE_CODES), sorted(config["Titles"]))
        for code, title in config["Titles"].items():
            self.assertLessEqual(len(title["title_main"]), 40, code)
            self.assertLessEqual(len(title["title_sub"]), 85, code)
        urls = [config["Privacy"]["en"], config["Service"]["en"], config["FAQ"]["en"]["url"]]
        urls += [link["url"] for link in config["Forum"]["en"]]
        for url in urls:
            self.assertTrue(url.startswith("http://127.0.0.1:"), url)
        for link in config["Forum"]["en"]:
            self.assertTrue(all(isinstance(link[k], str) and link[k] for k in
                                ("name", "url", "NormalImage", "HotImage", "Tooltips")), link)
        self.assertIsInstance(config["OverwriteStrings"], list)


def luminance(rgb):
    def channel(c):
        c /= 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(c) for c in rgb[:3])
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


class TextOnTheKeyArt(unittest.TestCase):
    """The main window's texts sit on the key art under its scrims: the worst pixel under
    each text box must still give readable contrast."""

    def stage(self):
        with archive() as z:
            def png(rel):
                return Image.open(io.BytesIO(z.read(THEME + rel))).convert("RGBA")
            img = png("main/bk_keyart.png")
            for rel, (x, y, w, h) in (("main/bk_scrim_top.png", (0, 0, 1340, 120)),
                                      ("main/bk_scrim_left.png", (0, 0, 900, 750)),
                                      ("main/bk_scrim_bottom.png", (0, 400, 1340, 350))):
                img.alpha_composite(png(rel).resize((w, h), Image.BILINEAR), (x, y))
        return img.convert("RGB")

    def test_texts_over_the_art_stay_readable(self):
        glob = markup("global.xml")
        colours = {n.get("name"): int(n.get("value")[1:], 16) for n in glob.iter("TextColor")}

        def rgb(name):
            v = colours[name]
            return ((v >> 16) & 255, (v >> 8) & 255, v & 255)

        stage = self.stage()
        boxes = [("caption", (14, 0, 400, 30), "white"), ("text_title_main", (40, 112, 760, 152), "white"),
                 ("text_title_sub", (40, 156, 760, 180), "textdim"),
                 ("text_download_info", (40, 600, 990, 624), "white"),
                 ("text_download_speed and time", (500, 600, 946, 624), "textdim")]
        for what, box, colour in boxes:
            worst = max(stage.crop(box).getdata(), key=luminance)
            self.assertGreaterEqual(contrast(rgb(colour), worst), 4.5, what)


class Reproducible(unittest.TestCase):
    def build(self, out, env):
        tools = os.path.join(ARGS.source, "tools")
        drawn = os.path.join(out, "drawn")
        for cmd in ([sys.executable, os.path.join(tools, "skin_images.py"), "--global-xml",
                     os.path.join(ARGS.source, "themes", "default", "global.xml"), "--out", drawn],
                    [sys.executable, os.path.join(tools, "pack_skin.py"), "--source", ARGS.source, "--drawn", drawn,
                     "--out", os.path.join(out, "resources.zip")]):
            subprocess.run(cmd, check=True, env=env)
        with open(os.path.join(out, "resources.zip"), "rb") as f:
            return f.read()

    def test_two_builds_give_the_same_bytes_as_the_embedded_archive(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            first = self.build(a, dict(os.environ, TZ="UTC"))
            # Another time zone and umask must not leak into the archive.
            old = os.umask(0o077)
            try:
                second = self.build(b, dict(os.environ, TZ="Asia/Tokyo"))
            finally:
                os.umask(old)
        self.assertEqual(first, second)
        with open(ARGS.archive, "rb") as f:
            self.assertEqual(first, f.read(), "the built archive is not what the sources make: rebuild")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--archive", required=True)
    parser.add_argument("--source", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
