#!/usr/bin/python3
"""Draws every image of the launcher's default skin at 1x, and the executable's icon.

    skin_images.py --global-xml resources/themes/default/global.xml --out DIR [--icon FILE]

Images land in DIR under their archive names (themes/default/public/..., main/...).
The colours come from the TextColor table of global.xml, so the images and the
markup share one palette. Output is deterministic: no random numbers, no time,
no PNG metadata, fixed compression.

Shapes are coverage masks drawn `SS` times larger and box-reduced, then filled
with one colour in straight alpha, so edges have no dark fringe.
"""
import argparse
import math
import os
import shutil
import sys
import xml.etree.ElementTree as ET

from PIL import Image, ImageChops, ImageDraw, ImageFilter

SS = 4
# Kept for a later 2x theme: every size below is in 1x pixels times SCALE.
SCALE = 1

PALETTE = {}

BUTTON_STATES = ("normal", "hot", "pushed", "disabled")
CHECK_STATES = ("normal", "hot", "disabled")
PRESS_STATES = ("normal", "hot", "pushed")


def load_palette(global_xml):
    root = ET.parse(global_xml).getroot()
    for node in root.iter("TextColor"):
        PALETTE[node.get("name")] = int(node.get("value")[1:], 16)


def rgba(colour):
    """A palette name, 0xAARRGGBB or an (r, g, b, a) tuple -> (r, g, b, a)."""
    if isinstance(colour, tuple):
        return colour
    v = PALETTE[colour] if isinstance(colour, str) else colour
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255, (v >> 24) & 255)


# ---------------------------------------------------------------- coverage masks
def coverage(w, h, *shapes, ss=SS):
    """Union of shape painters drawn on an ss-times larger canvas, reduced to w x h."""
    big = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(big)
    for shape in shapes:
        shape(d, ss)
    return big.reduce(ss) if ss > 1 else big


def rounded(x0, y0, x1, y1, r):
    """Rounded rectangle covering [x0, x1) x [y0, y1)."""
    def shape(d, s):
        d.rounded_rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], radius=max(0, r * s), fill=255)
    return shape


def disc(x0, y0, x1, y1):
    def shape(d, s):
        d.ellipse([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], fill=255)
    return shape


def polylines(paths, width):
    """Open or closed polylines with round caps and joins."""
    def shape(d, s):
        rad = width * s / 2
        for pts in paths:
            sp = [(x * s, y * s) for x, y in pts]
            d.line(sp, fill=255, width=max(1, round(width * s)), joint="curve")
            for x, y in sp:
                d.ellipse([x - rad, y - rad, x + rad, y + rad], fill=255)
    return shape


def polygon(pts):
    def shape(d, s):
        d.polygon([(x * s, y * s) for x, y in pts], fill=255)
    return shape


def arc(cx, cy, r, start, end, width):
    """Arc whose centre line is the circle of radius r; degrees clockwise from 3 o'clock."""
    def shape(d, s):
        o = (r + width / 2) * s
        d.arc([cx * s - o, cy * s - o, cx * s + o, cy * s + o], start, end, fill=255, width=max(1, round(width * s)))
    return shape


def ring(w, h, outer, inner):
    """Coverage of `outer` minus `inner` (both shape painters)."""
    return ImageChops.subtract(coverage(w, h, outer), coverage(w, h, inner))


def rounded_border(w, h, box, r, width):
    x0, y0, x1, y1 = box
    return ring(w, h, rounded(x0, y0, x1, y1, r),
                rounded(x0 + width, y0 + width, x1 - width, y1 - width, max(0, r - width)))


def paint(img, mask, colour):
    """Composites one colour through a coverage mask onto img (straight alpha)."""
    r, g, b, a = rgba(colour)
    layer = Image.new("RGBA", img.size, (r, g, b, 0))
    layer.putalpha(mask if a == 255 else mask.point(lambda v: v * a // 255))
    img.alpha_composite(layer)
    return img


def blank(w, h):
    return Image.new("RGBA", (w, h), (0, 0, 0, 0))


def with_alpha(colour, alpha):
    r, g, b, _ = rgba(colour)
    return (r, g, b, alpha)


def gradient(length, stops, vertical=True, across=1):
    """Linear gradient through (position 0..1, rgba) stops."""
    line = Image.new("RGBA", (1, length))
    px = line.load()
    for i in range(length):
        t = i / max(1, length - 1)
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                f = 0.0 if t1 == t0 else (t - t0) / (t1 - t0)
                px[0, i] = tuple(round(a + (b - a) * f) for a, b in zip(c0, c1))
                break
    img = line.resize((across, length), Image.NEAREST)
    return img if vertical else img.transpose(Image.Transpose.TRANSPOSE)


# ---------------------------------------------------------------- glyphs
def cross(cx, cy, size, width):
    h = size / 2
    return polylines([[(cx - h, cy - h), (cx + h, cy + h)], [(cx + h, cy - h), (cx - h, cy + h)]], width)


def tick(cx, cy, w, width):
    return polylines([[(cx - w / 2, cy), (cx - w / 8, cy + w * 0.38), (cx + w / 2, cy - w * 0.38)]], width)


def gear(cx, cy, r_out=7.6, r_in=5.6, teeth=8):
    n = teeth * 4
    pts = []
    for k in range(n):
        a = 2 * math.pi * (k + 0.5) / n - math.pi / 2
        r = r_out if k % 4 in (0, 1) else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def pause_bars(cx, cy, h=9.0, gap=3.0, w=2.2):
    return [rounded(cx - gap / 2 - w, cy - h / 2, cx - gap / 2, cy + h / 2, 0.8),
            rounded(cx + gap / 2, cy - h / 2, cx + gap / 2 + w, cy + h / 2, 0.8)]


def play_triangle(cx, cy, h=10.0):
    w = h * 0.87
    x0 = cx - w * 0.38
    return [polygon([(x0, cy - h / 2), (x0 + w, cy), (x0, cy + h / 2)])]


def download_arrow(cx, cy):
    return [polylines([[(cx, cy - 7), (cx, cy + 2)], [(cx - 4, cy - 2), (cx, cy + 2), (cx + 4, cy - 2)],
                       [(cx - 6, cy + 6), (cx + 6, cy + 6)]], 1.6)]


def jump_glyph(name, cx, cy):
    if name == "forum":  # speech bubble with two lines
        outline = [(cx - 9, cy - 7), (cx + 9, cy - 7), (cx + 9, cy + 4), (cx - 1, cy + 4), (cx - 5, cy + 8),
                   (cx - 5, cy + 4), (cx - 9, cy + 4), (cx - 9, cy - 7)]
        return [polylines([outline], 1.7),
                polylines([[(cx - 5, cy - 3), (cx + 5, cy - 3)], [(cx - 5, cy + 0.5), (cx + 2, cy + 0.5)]], 1.5)]
    if name == "faq":  # question mark in a circle
        return [arc(cx, cy, 9, 0, 360, 1.7), arc(cx, cy - 2.6, 3.2, 180, 40, 1.7),
                polylines([[(cx + 2.45, cy - 0.4), (cx, cy + 1.6), (cx, cy + 2.4)]], 1.7),
                disc(cx - 1.1, cy + 4.6, cx + 1.1, cy + 6.8)]
    if name == "video":  # play triangle in a frame
        frame = [(cx - 9, cy - 7), (cx + 9, cy - 7), (cx + 9, cy + 7), (cx - 9, cy + 7), (cx - 9, cy - 7)]
        return [polylines([frame], 1.7)] + play_triangle(cx + 0.5, cy, 7.5)
    if name == "community":  # two people
        return [arc(cx - 3.5, cy - 5, 3, 0, 360, 1.6), arc(cx - 3.5, cy + 7.5, 6.5, 190, 350, 1.6),
                arc(cx + 5, cy - 4, 2.5, 0, 360, 1.5), arc(cx + 6.25, cy + 6.75, 4.75, 215, 345, 1.5)]
    if name == "news":  # document with a folded corner
        page = [(cx + 3, cy - 9), (cx - 7, cy - 9), (cx - 7, cy + 9), (cx + 7, cy + 9), (cx + 7, cy - 5),
                (cx + 3, cy - 9), (cx + 3, cy - 5), (cx + 7, cy - 5)]
        return [polylines([page], 1.6),
                polylines([[(cx - 3.5, cy - 1), (cx + 3.5, cy - 1)], [(cx - 3.5, cy + 3), (cx + 3.5, cy + 3)]], 1.5)]
    raise ValueError(name)


JUMP_LINKS = ("forum", "faq", "video", "community", "news")


def wordmark(x, y, cap=28.0, stroke=4.4):
    """"QUORVEL" built from strokes: returns (letter shapes, the Q's tail)."""
    gap, h, r = 0.30 * cap, cap, stroke / 2
    body, tail = [], []
    cx = x

    def o_ring(x0, w):
        return arc(x0 + w / 2, y + h / 2, (w - stroke) / 2, 0, 360, stroke)

    w = h  # Q
    body.append(o_ring(cx, w))
    tail.append(polylines([[(cx + w * 0.60, y + h * 0.62), (cx + w * 0.96, y + h * 1.02)]], stroke))
    cx += w + gap
    w = h * 0.80  # U
    body.append(polylines([[(cx + r, y + r), (cx + r, y + h - w / 2)], [(cx + w - r, y + r), (cx + w - r, y + h - w / 2)]], stroke))
    body.append(arc(cx + w / 2, y + h - w / 2, (w - stroke) / 2, 0, 180, stroke))
    cx += w + gap
    w = h  # O
    body.append(o_ring(cx, w))
    cx += w + gap
    w, bowl = h * 0.74, h * 0.56  # R: stem, half-ring bowl, leg
    body.append(polylines([[(cx + r, y + h - r), (cx + r, y + r), (cx + w - bowl / 2, y + r)],
                           [(cx + r, y + bowl - r), (cx + w - bowl / 2, y + bowl - r)],
                           [(cx + w * 0.48, y + bowl - r), (cx + w - r, y + h - r)]], stroke))
    body.append(arc(cx + w - bowl / 2, y + bowl / 2, (bowl - stroke) / 2, 270, 90, stroke))
    cx += w + gap
    w = h * 0.86  # V
    body.append(polylines([[(cx + r, y + r), (cx + w / 2, y + h - r), (cx + w - r, y + r)]], stroke))
    cx += w + gap
    w = h * 0.62  # E
    body.append(polylines([[(cx + w - r, y + r), (cx + r, y + r), (cx + r, y + h - r), (cx + w - r, y + h - r)],
                           [(cx + r, y + h / 2), (cx + w * 0.86 - r, y + h / 2)]], stroke))
    cx += w + gap
    w = h * 0.58  # L
    body.append(polylines([[(cx + r, y + r), (cx + r, y + h - r), (cx + w - r, y + h - r)]], stroke))
    return body, tail


# ---------------------------------------------------------------- public/
def window_shadow():
    m = Image.new("L", (72, 72), 0)
    ImageDraw.Draw(m).rounded_rectangle([14, 15, 57, 58], radius=3, fill=255)
    m = m.filter(ImageFilter.GaussianBlur(4.5)).point(lambda v: v * 110 // 255)
    return paint(blank(72, 72), m, (0, 0, 0, 255))


def plain_button(w, h, fill, border=None, r=4):
    img = paint(blank(w, h), coverage(w, h, rounded(0, 0, w, h, r)), fill)
    if border:
        paint(img, rounded_border(w, h, (0, 0, w, h), r, 1), border)
    return img


PRIMARY_FILL = {"normal": "accent", "hot": "accent_hot", "pushed": "accent_pushed", "disabled": "accent_faded"}
SECONDARY_LOOK = {"normal": ("white", "field_border"), "hot": ("paper_alt", "field_border_hot"),
                  "pushed": (0xFFE9EBEF, "field_border_hot"), "disabled": ("white", "divider")}


def close_button(light, state):
    img = blank(32, 32)
    if state != "normal":
        plate = {(False, "hot"): 0x0F000000, (False, "pushed"): 0x1F000000,
                 (True, "hot"): 0x26FFFFFF, (True, "pushed"): 0x40FFFFFF}[(light, state)]
        paint(img, coverage(32, 32, rounded(4, 4, 28, 28, 4)), plate)
    if light:
        colour = "white"
    else:
        colour = "gray81" if state == "normal" else "black"
    return paint(img, coverage(32, 32, cross(16, 16, 9, 1.5)), colour)


def mark_box(round_mark, selected, state):
    """Radio (disc) or check (r3 square), 16 x 16."""
    disabled = state == "disabled"
    body = disc(0, 0, 16, 16) if round_mark else rounded(0, 0, 16, 16, 3)
    img = blank(16, 16)
    if selected:
        paint(img, coverage(16, 16, body), "accent_faded" if disabled else ("accent_hot" if state == "hot" else "accent"))
        mark = disc(5, 5, 11, 11) if round_mark else tick(8, 8.2, 8.5, 1.9)
        return paint(img, coverage(16, 16, mark), "textdefaultdisablecolor" if disabled else "black")
    paint(img, coverage(16, 16, body), "paper_alt" if disabled else "white")
    inner = disc(1.25, 1.25, 14.75, 14.75) if round_mark else rounded(1.25, 1.25, 14.75, 14.75, 1.75)
    edge = {"normal": "field_border_hot", "hot": "gray81", "disabled": "field_border"}[state]
    return paint(img, ring(16, 16, body, inner), edge)


def scroll_thumb(state):
    w = 6 if state == "normal" else 8
    x0 = (14 - w) / 2
    shade = {"normal": 0x38000000, "hot": 0x59000000, "pushed": 0x73000000}[state]
    return paint(blank(14, 32), coverage(14, 32, rounded(x0, 1, x0 + w, 31, w / 2)), shade)


def scroll_track():
    return paint(blank(14, 32), coverage(14, 32, rounded(4, 1, 10, 31, 3)), 0x0D000000)


def field(state, w=24, h=32, chevron=False):
    img = paint(blank(w, h), coverage(w, h, rounded(0, 0, w, h, 4)), "paper_alt" if state == "disabled" else "white")
    border = {"normal": "field_border", "hot": "field_border_hot", "pushed": "accent_pushed",
              "focused": "accent_pushed", "disabled": "divider"}[state]
    paint(img, rounded_border(w, h, (0, 0, w, h), 4, 2 if state in ("focused", "pushed") else 1), border)
    if chevron:
        cx, cy = 33, h / 2
        colour = "textdefaultdisablecolor" if state == "disabled" else "gray81"
        paint(img, coverage(w, h, polylines([[(cx - 4, cy - 2), (cx, cy + 2), (cx + 4, cy - 2)]], 1.6)), colour)
    return img


def info_icon():
    img = paint(blank(16, 16), ring(16, 16, disc(0.5, 0.5, 15.5, 15.5), disc(1.8, 1.8, 14.2, 14.2)), "graya2")
    return paint(img, coverage(16, 16, disc(7.05, 3.6, 8.95, 5.5), rounded(7.1, 6.9, 8.9, 12.4, 0.6)), "graya2")


def progress_pill(colour):
    return paint(blank(12, 6), coverage(12, 6, rounded(0, 0, 12, 6, 3)), colour)


# ---------------------------------------------------------------- main/
def hash32(k, salt):
    """Integer hash (lowbias32): star positions without the random module."""
    v = (k * 0x9E3779B1 + salt * 0x85EBCA77) & 0xFFFFFFFF
    v ^= v >> 16
    v = (v * 0x7FEB352D) & 0xFFFFFFFF
    v ^= v >> 15
    v = (v * 0x846CA68B) & 0xFFFFFFFF
    return v ^ (v >> 16)


def ridge_line(w, base, waves, step=2):
    return [(x, base + sum(a * math.sin(f * x + p) for a, f, p in waves)) for x in list(range(0, w, step)) + [w]]


SKY = [(0.00, (14, 18, 38, 255)), (0.30, (34, 36, 72, 255)), (0.52, (84, 62, 102, 255)),
       (0.66, (186, 112, 104, 255)), (0.74, (232, 158, 108, 255)), (1.00, (60, 40, 60, 255))]
# base height, (amplitude, frequency, phase) waves, colour, haze blur; far to near
RIDGES = [
    (0.58, [(26, 0.006, 0.4), (14, 0.017, 1.9), (6, 0.045, 0.3)], (120, 86, 120), 2.0),
    (0.66, [(38, 0.0045, 2.4), (16, 0.013, 0.2), (7, 0.037, 1.1)], (78, 58, 92), 1.2),
    (0.75, [(30, 0.0052, 4.1), (20, 0.011, 2.7), (8, 0.031, 0.9)], (46, 38, 64), 0.6),
    (0.85, [(24, 0.0068, 1.3), (12, 0.019, 5.0), (5, 0.052, 2.2)], (26, 24, 40), 0.0),
    (0.95, [(18, 0.0040, 3.3), (9, 0.021, 0.7)], (14, 14, 24), 0.0),
]


def key_art(w=1340, h=750):
    """Abstract placeholder: dusk sky, low sun, a few stars, five ridges and a citadel."""
    img = gradient(h, SKY, across=w)
    sx, sy = int(w * 0.64), int(h * 0.62)
    for gw, gh, colour in ((1500, 150, (255, 138, 92, 150)), (520, 520, (255, 160, 110, 140)),
                           (220, 220, (255, 198, 140, 190)), (64, 64, (255, 238, 206, 255))):
        m = Image.new("L", (w, h), 0)
        ImageDraw.Draw(m).ellipse([sx - gw // 2, sy - gh // 2, sx + gw // 2, sy + gh // 2], fill=255)
        paint(img, m.filter(ImageFilter.GaussianBlur(max(8, min(gw, gh) / 2.4))), colour)
    d = ImageDraw.Draw(img)
    for k in range(90):  # right of 60 % only: the text column stays dark
        x = int(w * 0.6) + hash32(k, 1) % int(w * 0.4)
        y = 34 + hash32(k, 2) % int(h * 0.36)
        d.point((x, y), fill=(255, 255, 255, 60 + hash32(k, 3) % 150))
    for i, (base, waves, colour, blur) in enumerate(RIDGES):
        pts = ridge_line(w, base * h, waves)
        m = coverage(w, h, polygon(pts + [(w, h), (0, h)]), ss=2)
        if blur:
            m = m.filter(ImageFilter.GaussianBlur(blur))
        paint(img, m, colour + (255,))
        if i == 1:
            paint(img, citadel(w, h, pts), colour + (255,))
        mist = gradient(90, [(0, (255, 190, 160, 0)), (0.5, (255, 190, 160, 30 - i * 5)), (1, (255, 190, 160, 0))], across=w)
        band = blank(w, h)
        band.paste(mist, (0, int(base * h) - 10))
        img.alpha_composite(band)
    return img.convert("RGB").convert("RGBA")


def citadel(w, h, ridge_pts):
    x0 = int(w * 0.58)
    y0 = min(y for x, y in ridge_pts if x0 - 20 <= x <= x0 + 50) + 6
    towers = [(x0, 22, 9), (x0 + 12, 38, 8), (x0 + 23, 18, 11), (x0 - 12, 10, 56)]  # x, height, width
    shapes = [rounded(tx, y0 - th, tx + tw, y0 + 8, 0) for tx, th, tw in towers]
    shapes += [polygon([(tx, y0 - th), (tx + tw / 2, y0 - th - tw * 1.3), (tx + tw, y0 - th)]) for tx, th, tw in towers[:3]]
    return coverage(w, h, *shapes, ss=2).filter(ImageFilter.GaussianBlur(0.7))


INK = (8, 10, 14)


def scrim(kind):
    if kind == "top":
        return gradient(120, [(0, INK + (150,)), (1, INK + (0,))], across=4)
    if kind == "bottom":
        return gradient(350, [(0, INK + (0,)), (0.45, INK + (120,)), (1, INK + (235,))], across=4)
    return gradient(900, [(0, INK + (200,)), (0.62, INK + (150,)), (1, INK + (0,))], vertical=False, across=4)


def logo_wordmark():
    body, tail = wordmark(2, 6)
    img = paint(blank(232, 40), coverage(232, 40, *body), "white")
    return paint(img, coverage(232, 40, *tail), "accent")


def logo_mark(size=18):
    t = size * 0.2
    c = (size - 1) / 2
    img = paint(blank(size, size), coverage(size, size, arc(c, c, c - t / 2 - 0.5, 0, 360, t)), "white")
    return paint(img, coverage(size, size, polylines([[(size * 0.6, size * 0.6), (size * 0.93, size * 0.93)]], t)), "accent")


def channel_logo(which):
    ink = 0xCCFFFFFF
    if which == 1:  # hexagon and three bars
        hexagon = [(20 + 14 * math.cos(math.pi / 3 * k + math.pi / 6), 20 + 14 * math.sin(math.pi / 3 * k + math.pi / 6))
                   for k in range(7)]
        bars = [[(42, 14), (86, 14)], [(42, 20), (78, 20)], [(42, 26), (70, 26)]]
        return paint(blank(96, 40), coverage(96, 40, polylines([hexagon], 2.0), polylines(bars, 2.0)), ink)
    img = paint(blank(40, 40), rounded_border(40, 40, (2, 2, 38, 38), 6, 2), ink)  # rounded square and shield
    shield = [(20, 10), (28, 13), (28, 21), (20, 30), (12, 21), (12, 13), (20, 10)]
    return paint(img, coverage(40, 40, polylines([shield], 2.0)), ink)


def caption_button(kind, state):
    img = blank(40, 30)
    if state != "normal":
        if kind == "close":
            plate = "close_hot" if state == "hot" else "close_pushed"
        else:
            plate = 0x1FFFFFFF if state == "hot" else 0x14FFFFFF
        paint(img, coverage(40, 30, rounded(0, 0, 40, 30, 0)), plate)
    if kind == "settings":
        glyph = ring(40, 30, gear(20, 15), disc(17.4, 12.4, 22.6, 17.6))
    else:
        glyph = coverage(40, 30, rounded(15, 14.5, 25, 15.75, 0) if kind == "min" else cross(20, 15, 9, 1.5))
    return paint(img, glyph, "white" if state != "normal" else 0xE6FFFFFF)


def game_button(state):
    w, h = 64, 72
    body = coverage(w, h, rounded(0, 0, w, h, 4))
    img = blank(w, h)
    if state == "disabled":
        paint(img, body, "btn_disabled_dark")
        return paint(img, rounded_border(w, h, (0, 0, w, h), 4, 1), 0x1AFFFFFF)
    top, bottom = {"normal": ("accent_hot", "accent"), "hot": (0xFFFAD27A, "accent_hot"),
                   "pushed": ("accent_pushed", "accent_pushed")}[state]
    fill = gradient(h, [(0, rgba(top)), (1, rgba(bottom))], across=w)
    fill.putalpha(body)
    img.alpha_composite(fill)
    if state != "pushed":  # one pixel of light along the top edge
        paint(img, ImageChops.subtract(body, coverage(w, h, rounded(0, 1, w, h + 4, 4))), 0x66FFFFFF)
    return img


def ghost_button(state):
    fill = {"normal": 0x00FFFFFF, "hot": 0x1FFFFFFF, "pushed": 0x14FFFFFF, "disabled": 0x00FFFFFF}[state]
    border = {"normal": 0x59FFFFFF, "hot": 0x80FFFFFF, "pushed": 0x59FFFFFF, "disabled": 0x26FFFFFF}[state]
    return plain_button(48, 32, fill, border)


def round_button(size, glyph, state):
    fade = 0.4 if state == "disabled" else 1.0
    c = size / 2
    img = blank(size, size)
    if state in ("hot", "pushed"):
        paint(img, coverage(size, size, disc(0, 0, size, size)), 0x33FFFFFF if state == "hot" else 0x1AFFFFFF)
    edge = ring(size, size, disc(0, 0, size, size), disc(1, 1, size - 1, size - 1))
    paint(img, edge, with_alpha("white", int((0x8C if state in ("hot", "pushed") else 0x66) * fade)))
    shapes = {"pause": pause_bars(c, c), "continue": play_triangle(c + 0.5, c), "download": download_arrow(c, c)}[glyph]
    return paint(img, coverage(size, size, *shapes), with_alpha("white", int(255 * fade)))


def dark_panel():
    img = paint(blank(16, 16), coverage(16, 16, rounded(0, 0, 16, 16, 4)), "panel")
    return paint(img, rounded_border(16, 16, (0, 0, 16, 16), 4, 1), 0x1FFFFFFF)


def done_icon():
    img = paint(blank(20, 20), coverage(20, 20, disc(0, 0, 20, 20)), "accent")
    return paint(img, coverage(20, 20, tick(10, 10.3, 9, 2.0)), "black")


def jump_button(name, hot):
    img = blank(48, 44)
    if hot:
        paint(img, coverage(48, 44, rounded(4, 2, 44, 42, 6)), 0x1FFFFFFF)
    return paint(img, coverage(48, 44, *jump_glyph(name, 24, 22)), "white" if hot else 0xB3FFFFFF)


# ---------------------------------------------------------------- dialogs
def settings_panel():
    """844 x 540 with its own 12 px shadow edging: card, tab column, footer band."""
    w, h = 844, 540
    img = blank(w, h)
    shade = Image.new("L", (w, h), 0)
    ImageDraw.Draw(shade).rounded_rectangle([12, 14, 831, 529], radius=8, fill=255)
    paint(img, shade.filter(ImageFilter.GaussianBlur(5)).point(lambda v: v * 120 // 255), (0, 0, 0, 255))
    card = coverage(w, h, rounded(12, 12, 832, 528, 8))
    paint(img, card, "white")
    paint(img, ImageChops.multiply(card, coverage(w, h, rounded(12, 12, 252, 528, 0), ss=1)), "paper_alt")
    paint(img, ImageChops.multiply(card, coverage(w, h, rounded(253, 456, 832, 528, 0), ss=1)), "paper_alt")
    paint(img, coverage(w, h, rounded(252, 12, 253, 528, 0), ss=1), "divider")
    return paint(img, coverage(w, h, rounded(253, 456, 832, 457, 0), ss=1), "divider")


def tab_indicator():
    return paint(blank(3, 24), coverage(3, 24, rounded(0, 0, 3, 24, 1.5)), "accent")


def popup_card():
    w, h = 318, 212
    img = paint(blank(w, h), coverage(w, h, rounded(0, 0, w, h, 6)), "panel_solid")
    return paint(img, rounded_border(w, h, (0, 0, w, h), 6, 1), 0x26FFFFFF)


def setup_header(art):
    img = art.crop((520, 318, 1300, 478)).resize((584, 120), Image.LANCZOS)
    img.alpha_composite(gradient(584, [(0, INK + (170,)), (0.6, INK + (60,)), (1, INK + (20,))], vertical=False, across=120))
    return img


def app_icon():
    """Ink Q on an amber rounded square, 256 px; the .ico carries 16 to 256."""
    n = 256
    img = paint(blank(n, n), coverage(n, n, rounded(8, 8, 248, 248, 56), ss=2), "accent")
    paint(img, coverage(n, n, arc(128, 124, 64, 0, 360, 30), ss=2), "black")
    return paint(img, coverage(n, n, polylines([[(150, 148), (196, 200)]], 30), ss=2), "black")


# ---------------------------------------------------------------- inventory
def inventory():
    """Archive path under themes/default -> drawing function."""
    items = {
        "public/bk_shadow.png": window_shadow,
        "public/icon_info.png": info_icon,
        "public/scroll_track.png": scroll_track,
        "public/hscroll_track.png": lambda: scroll_track().transpose(Image.Transpose.TRANSPOSE),
        "public/progress_track.png": lambda: progress_pill("track_dark"),
        "public/progress_fill.png": lambda: progress_pill("accent"),
        "public/progress_fill_white.png": lambda: progress_pill("white"),
        "main/bk_scrim_top.png": lambda: scrim("top"),
        "main/bk_scrim_left.png": lambda: scrim("left"),
        "main/bk_scrim_bottom.png": lambda: scrim("bottom"),
        "main/logo_quorvel.png": logo_wordmark,
        "main/logo_mark.png": logo_mark,
        "main/logo_vn_1.png": lambda: channel_logo(1),
        "main/logo_vn_2.png": lambda: channel_logo(2),
        "main/panel_dark.png": dark_panel,
        "main/icon_done.png": done_icon,
        "setting/bk_panel.png": settings_panel,
        "setting/tab_indicator.png": tab_indicator,
        "predlc/bk_popup.png": popup_card,
    }
    for s in BUTTON_STATES:
        items["public/btn_primary_%s.png" % s] = lambda s=s: plain_button(48, 40, PRIMARY_FILL[s])
        items["public/btn_secondary_%s.png" % s] = lambda s=s: plain_button(48, 40, *SECONDARY_LOOK[s])
        items["public/combo_%s.png" % s] = lambda s=s: field(s, 48, 36, chevron=True)
        items["main/btn_game_%s.png" % s] = lambda s=s: game_button(s)
        items["main/btn_ghost_%s.png" % s] = lambda s=s: ghost_button(s)
        for g in ("pause", "continue"):
            items["main/btn_dl_%s_%s.png" % (g, s)] = lambda g=g, s=s: round_button(28, g, s)
        for g in ("download", "pause", "continue"):
            items["main/btn_predlc_%s_%s.png" % (g, s)] = lambda g=g, s=s: round_button(36, g, s)
    for s in ("normal", "hot", "focused", "disabled"):
        items["public/field_%s.png" % s] = lambda s=s: field(s)
    for s in PRESS_STATES:
        items["public/btn_close_dark_%s.png" % s] = lambda s=s: close_button(False, s)
        items["public/btn_close_light_%s.png" % s] = lambda s=s: close_button(True, s)
        items["public/scroll_thumb_%s.png" % s] = lambda s=s: scroll_thumb(s)
        items["public/hscroll_thumb_%s.png" % s] = lambda s=s: scroll_thumb(s).transpose(Image.Transpose.TRANSPOSE)
        for k in ("settings", "min", "close"):
            items["main/cap_%s_%s.png" % (k, s)] = lambda k=k, s=s: caption_button(k, s)
    for s in CHECK_STATES:
        items["public/radio_%s.png" % s] = lambda s=s: mark_box(True, False, s)
        items["public/radio_sel_%s.png" % s] = lambda s=s: mark_box(True, True, s)
        items["public/check_%s.png" % s] = lambda s=s: mark_box(False, False, s)
        items["public/check_sel_%s.png" % s] = lambda s=s: mark_box(False, True, s)
    for name in JUMP_LINKS:
        items["main/jump/%s_normal.png" % name] = lambda n=name: jump_button(n, False)
        items["main/jump/%s_hot.png" % name] = lambda n=name: jump_button(n, True)
    return items


def save_png(img, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    img.save(tmp, format="PNG", compress_level=9)
    os.replace(tmp, path)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--global-xml", required=True)
    ap.add_argument("--out", required=True, help="folder that receives themes/default/<path>.png")
    ap.add_argument("--icon", help="the executable's .ico")
    args = ap.parse_args(argv)
    load_palette(args.global_xml)
    theme = os.path.join(args.out, "themes", "default")
    if os.path.isdir(theme):  # an image dropped from the inventory must not linger in the archive
        shutil.rmtree(theme)
    art = key_art()
    save_png(art, os.path.join(theme, "main", "bk_keyart.png"))
    save_png(setup_header(art), os.path.join(theme, "setup", "bk_header.png"))
    for rel, draw in sorted(inventory().items()):
        save_png(draw(), os.path.join(theme, rel))
    if args.icon:
        os.makedirs(os.path.dirname(os.path.abspath(args.icon)), exist_ok=True)
        tmp = args.icon + ".tmp"
        app_icon().save(tmp, format="ICO", sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (256, 256)])
        os.replace(tmp, args.icon)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
