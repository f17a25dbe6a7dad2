#!/usr/bin/env python3
"""Draws the artwork of Quillorn and Ravelet and writes it into the source tree.

Run from anywhere with Debian's python3 and python3-cairo installed:
    python3 tools/artwork/generate.py            # writes the committed files
    python3 tools/artwork/generate.py --preview DIR   # also PNG previews, 1x and 4x

The output is deterministic: the same inputs give the same bytes on every run.
See README.md beside this file for what is written where.
"""

import argparse
import math
import os
import sys
import zlib

import cairo

sys.dont_write_bytecode = True  # keep the source tree clean of __pycache__
import formats  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = "tools/artwork/generate.py"

# ---------------------------------------------------------------------------
# The colours of the whole set


def rgb(hex_text):
    value = int(hex_text.lstrip("#"), 16)
    return ((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0


INK = rgb("#1C3450")        # deep ink blue: outlines, the wordmark on light ground
NIGHT = rgb("#16283D")
TEAL = rgb("#2E6F7C")
PAPER = rgb("#F6F0E1")      # cream paper
PAPER_SHADE = rgb("#E3D7BC")
AMBER = rgb("#E9A23B")
AMBER_DARK = rgb("#B9741E")
WHITE = rgb("#FFFFFF")
MIST = rgb("#C9D8E2")
STEEL = rgb("#8FA6BA")
GREEN = rgb("#4E9A5E")
RED = rgb("#C4553F")
CLAY = rgb("#B5523B")       # Ravelet's thread
CLAY_DARK = rgb("#7E3526")
SAND = rgb("#EFE3CB")

# ---------------------------------------------------------------------------
# Rendering


def render(width, height, draw):
    """Runs `draw(ctx)` on a transparent surface; returns unpremultiplied
    (r, g, b, a) tuples row by row from the top."""
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    ctx = cairo.Context(surface)
    ctx.set_antialias(cairo.ANTIALIAS_GRAY)
    draw(ctx)
    surface.flush()
    data = surface.get_data()
    stride = surface.get_stride()
    pixels = []
    for y in range(height):
        row = data[y * stride:y * stride + width * 4]
        for x in range(width):
            b, g, r, a = row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]
            if 0 < a < 255:
                r, g, b = (min(255, (c * 255 + a // 2) // a) for c in (r, g, b))
            pixels.append((r, g, b, a))
    return pixels


def set_colour(ctx, colour, alpha=1.0):
    ctx.set_source_rgba(colour[0], colour[1], colour[2], alpha)


def set_gradient(ctx, line, start, end):
    """Makes a linear gradient from `start` to `end` along line = (x0, y0, x1, y1) the source."""
    gradient = cairo.LinearGradient(*line)
    gradient.add_color_stop_rgb(0, *start)
    gradient.add_color_stop_rgb(1, *end)
    ctx.set_source(gradient)


def rounded_rect(ctx, x, y, w, h, r):
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def fill_stroke(ctx, fill, stroke, width, fill_alpha=1.0):
    set_colour(ctx, fill, fill_alpha)
    ctx.fill_preserve()
    set_colour(ctx, stroke)
    ctx.set_line_width(width)
    ctx.stroke()


def text(ctx, words, x, y, size, colour, face="DejaVu Serif", slant=cairo.FONT_SLANT_NORMAL,
         weight=cairo.FONT_WEIGHT_NORMAL, anchor="centre", max_width=None, halo=None):
    """Draws `words` with its baseline at y, made smaller when it would be
    wider than max_width; anchor says whether x is the left end or the centre.
    A halo colour draws a soft rim around the letters first."""
    ctx.select_font_face(face, slant, weight)
    ctx.set_font_size(size)
    extents = ctx.text_extents(words)
    while max_width and extents.x_advance > max_width and size > 6:
        size -= 0.5
        ctx.set_font_size(size)
        extents = ctx.text_extents(words)
    left = x - extents.x_advance / 2 if anchor == "centre" else x
    if halo:
        ctx.move_to(left, y)
        ctx.text_path(words)
        set_colour(ctx, halo, 0.85)
        ctx.set_line_width(3.0)
        ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        ctx.stroke()
    ctx.move_to(left, y)
    set_colour(ctx, colour)
    ctx.show_text(words)
    return extents.x_advance


# ---------------------------------------------------------------------------
# Shared motifs


def quill(ctx, length, vane=WHITE, edge=INK, shaft=AMBER_DARK, line=1.0, notches=True):
    """A quill pen with its nib at the origin, pointing down the y axis; the
    feather reaches up to y = -length. Transform the context to place it."""
    L = length
    ctx.save()
    # The vane: wider on the left, curving to a point at the top.
    ctx.move_to(0, -0.20 * L)
    ctx.curve_to(-0.17 * L, -0.28 * L, -0.28 * L, -0.62 * L, -0.09 * L, -1.0 * L)
    ctx.curve_to(0.04 * L, -0.84 * L, 0.17 * L, -0.62 * L, 0.12 * L, -0.38 * L)
    ctx.curve_to(0.09 * L, -0.28 * L, 0.04 * L, -0.23 * L, 0, -0.20 * L)
    ctx.close_path()
    fill_stroke(ctx, vane, edge, line)
    if notches:
        set_colour(ctx, edge)
        ctx.set_line_width(line)
        for t, dx, dy in ((0.50, -0.19, 0.05), (0.72, -0.17, 0.05), (0.56, 0.145, 0.045)):
            ctx.move_to(dx * L, -t * L)
            ctx.line_to(dx * L * 0.55, -t * L + dy * L)
            ctx.stroke()
    # The shaft running up the vane.
    ctx.move_to(0, -0.10 * L)
    ctx.curve_to(-0.01 * L, -0.45 * L, -0.04 * L, -0.75 * L, -0.085 * L, -0.97 * L)
    set_colour(ctx, shaft)
    ctx.set_line_width(max(line, 0.035 * L))
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.stroke()
    # The nib.
    ctx.move_to(0, 0)
    ctx.line_to(-0.035 * L, -0.13 * L)
    ctx.line_to(0.035 * L, -0.13 * L)
    ctx.close_path()
    set_colour(ctx, edge)
    ctx.fill()
    ctx.restore()


def chain_link(ctx, cx, cy, length, thickness, angle, colour, edge, line=1.0):
    """One link of a chain: a stadium ring centred at cx, cy."""
    ctx.save()
    ctx.translate(cx, cy)
    ctx.rotate(angle)
    r = thickness * 1.6
    half = length / 2 - r
    for radius in (r + thickness / 2, r - thickness / 2):
        ctx.new_sub_path()
        ctx.arc(half, 0, radius, -math.pi / 2, math.pi / 2)
        ctx.arc(-half, 0, radius, math.pi / 2, 3 * math.pi / 2)
        ctx.close_path()
    ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    fill_stroke(ctx, colour, edge, line)
    ctx.restore()


def page(ctx, x, y, w, h, lines, fold=6.0, line_colour=STEEL, fill=WHITE, edge=INK, line=1.0):
    """A sheet of paper with its top-right corner folded and `lines` of text."""
    ctx.move_to(x, y)
    ctx.line_to(x + w - fold, y)
    ctx.line_to(x + w, y + fold)
    ctx.line_to(x + w, y + h)
    ctx.line_to(x, y + h)
    ctx.close_path()
    fill_stroke(ctx, fill, edge, line)
    ctx.move_to(x + w - fold, y)
    ctx.line_to(x + w - fold, y + fold)
    ctx.line_to(x + w, y + fold)
    set_colour(ctx, edge)
    ctx.set_line_width(line)
    ctx.stroke()
    set_colour(ctx, line_colour)
    ctx.set_line_width(max(1.0, line * 1.2))
    gap = (h - 10) / max(1, lines)
    for i in range(lines):
        ly = y + 8 + i * gap
        right = x + w - 5 - (fold if ly < y + fold + 2 else 0) - (6 if i % 3 == 2 else 0)
        ctx.move_to(x + 5, ly)
        ctx.line_to(right, ly)
        ctx.stroke()


def tick(ctx, x, y, size, colour, width):
    ctx.move_to(x - size * 0.5, y)
    ctx.line_to(x - size * 0.12, y + size * 0.4)
    ctx.line_to(x + size * 0.55, y - size * 0.45)
    set_colour(ctx, colour)
    ctx.set_line_width(width)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.stroke()


def cross(ctx, x, y, size, colour, width):
    for dx in (-1, 1):
        ctx.move_to(x - size / 2 * dx, y - size / 2)
        ctx.line_to(x + size / 2 * dx, y + size / 2)
    set_colour(ctx, colour)
    ctx.set_line_width(width)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.stroke()


def restore_arrow(ctx, cx, cy, radius, width, colour):
    """A circular arrow turning back (anticlockwise): restoring."""
    start, end = math.radians(-50), math.radians(235)
    ctx.new_path()
    ctx.arc(cx, cy, radius, start, end)
    set_colour(ctx, colour)
    ctx.set_line_width(width)
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)
    ctx.stroke()
    # The head at the start of the arc, pointing against the arc's direction.
    hx, hy = cx + radius * math.cos(start), cy + radius * math.sin(start)
    tangent = start - math.pi / 2
    size = width * 2.1
    ctx.move_to(hx + size * math.cos(tangent), hy + size * math.sin(tangent))
    ctx.line_to(hx + size * 0.95 * math.cos(start), hy + size * 0.95 * math.sin(start))
    ctx.line_to(hx - size * 0.95 * math.cos(start), hy - size * 0.95 * math.sin(start))
    ctx.close_path()
    ctx.fill()


# ---------------------------------------------------------------------------
# The page pictures: one frame for all seven, a motif each

STRIP_W, STRIP_H = 141, 299
MEDALLION = (70.5, 138.0, 50.0)  # centre x, centre y, radius


def motif_welcome(ctx):
    # A quill standing in an inkwell.
    ctx.save()
    ctx.translate(74, 150)
    ctx.rotate(math.radians(18))
    quill(ctx, 60, line=1.2)
    ctx.restore()
    ctx.move_to(56, 150)
    ctx.curve_to(46, 154, 44, 162, 45, 176)
    ctx.line_to(96, 176)
    ctx.curve_to(97, 162, 95, 154, 85, 150)
    ctx.close_path()
    fill_stroke(ctx, INK, NIGHT, 1.2)
    rounded_rect(ctx, 61, 143, 19, 9, 2)
    fill_stroke(ctx, TEAL, NIGHT, 1.2)
    set_colour(ctx, AMBER)
    ctx.rectangle(46, 163, 49.5, 4)
    ctx.fill()
    set_colour(ctx, WHITE, 0.5)
    ctx.move_to(51, 158)
    ctx.curve_to(52, 155, 54, 154, 57, 153)
    ctx.set_line_width(2.2)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.stroke()


def motif_files(ctx):
    # A folder holding two pages.
    ctx.move_to(34, 118)
    ctx.line_to(34, 110)
    ctx.line_to(56, 110)
    ctx.line_to(61, 116)
    ctx.line_to(104, 116)
    ctx.line_to(104, 170)
    ctx.line_to(34, 170)
    ctx.close_path()
    fill_stroke(ctx, AMBER_DARK, INK, 1.2)
    page(ctx, 44, 100, 40, 50, 5)
    page(ctx, 56, 106, 40, 50, 5)
    ctx.move_to(30, 132)
    ctx.line_to(108, 132)
    ctx.line_to(104, 170)
    ctx.line_to(34, 170)
    ctx.close_path()
    fill_stroke(ctx, AMBER, INK, 1.2)
    set_colour(ctx, WHITE, 0.35)
    ctx.rectangle(36, 136, 66, 2)
    ctx.fill()


def motif_options(ctx):
    # A card of three choices, two of them ticked, and a gear.
    rounded_rect(ctx, 34, 100, 64, 74, 5)
    fill_stroke(ctx, WHITE, INK, 1.2)
    for i, on in enumerate((True, False, True)):
        y = 114 + i * 21
        rounded_rect(ctx, 41, y - 6, 12, 12, 2)
        fill_stroke(ctx, AMBER if on else WHITE, INK, 1.2)
        if on:
            tick(ctx, 47, y, 8, INK, 2.0)
        set_colour(ctx, STEEL)
        ctx.set_line_width(2.2)
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        ctx.move_to(59, y)
        ctx.line_to(88 - (8 if i == 1 else 0), y)
        ctx.stroke()
    gear(ctx, 95, 160, 14, 10, TEAL, NIGHT)


def gear(ctx, cx, cy, outer, teeth, colour, edge):
    inner = outer * 0.74
    ctx.new_path()
    for i in range(teeth * 2):
        a0 = 2 * math.pi * i / (teeth * 2)
        a1 = 2 * math.pi * (i + 1) / (teeth * 2)
        r = outer if i % 2 == 0 else inner
        ctx.line_to(cx + r * math.cos(a0 + 0.06), cy + r * math.sin(a0 + 0.06))
        ctx.line_to(cx + r * math.cos(a1 - 0.06), cy + r * math.sin(a1 - 0.06))
    ctx.close_path()
    ctx.new_sub_path()
    ctx.arc(cx, cy, outer * 0.32, 0, 2 * math.pi)
    ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    fill_stroke(ctx, colour, edge, 1.2)
    ctx.set_fill_rule(cairo.FILL_RULE_WINDING)


def motif_search(ctx):
    # A magnifying glass over two links of a chain.
    chain_link(ctx, 52, 150, 36, 5.0, math.radians(-25), AMBER, INK, 1.1)
    chain_link(ctx, 80, 137, 36, 5.0, math.radians(-25), AMBER, INK, 1.1)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.move_to(88, 141)
    ctx.line_to(108, 164)
    set_colour(ctx, NIGHT)
    ctx.set_line_width(9)
    ctx.stroke()
    ctx.move_to(89, 142)
    ctx.line_to(106, 162)
    set_colour(ctx, AMBER_DARK)
    ctx.set_line_width(5)
    ctx.stroke()
    ctx.arc(72, 122, 22, 0, 2 * math.pi)
    set_colour(ctx, MIST, 0.55)
    ctx.fill_preserve()
    set_colour(ctx, INK)
    ctx.set_line_width(5)
    ctx.stroke()
    ctx.arc(72, 122, 15, math.radians(200), math.radians(250))
    set_colour(ctx, WHITE)
    ctx.set_line_width(3)
    ctx.stroke()


def motif_review(ctx):
    # A clipboard with ticked and crossed results.
    rounded_rect(ctx, 38, 100, 62, 78, 5)
    fill_stroke(ctx, AMBER_DARK, INK, 1.2)
    ctx.rectangle(44, 108, 50, 64)
    fill_stroke(ctx, WHITE, INK, 1.0)
    rounded_rect(ctx, 56, 95, 26, 11, 3)
    fill_stroke(ctx, STEEL, INK, 1.2)
    for i, good in enumerate((True, True, False, True)):
        y = 120 + i * 14
        if good:
            tick(ctx, 52, y, 8, GREEN, 2.2)
        else:
            cross(ctx, 52, y, 7, RED, 2.2)
        set_colour(ctx, STEEL)
        ctx.set_line_width(2.2)
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        ctx.move_to(61, y)
        ctx.line_to(86 - (7 if i == 2 else 0), y)
        ctx.stroke()


def motif_delete(ctx):
    # Scissors that have cut a chain in two.
    angle = math.radians(-18)
    chain_link(ctx, 44, 160, 28, 4.2, angle, AMBER, INK, 1.1)
    for side, (x, y) in ((1, (62, 154)), (-1, (86, 146))):
        ctx.save()
        ctx.translate(x, y)
        ctx.rotate(angle)
        half_link(ctx, side)
        ctx.restore()
    chain_link(ctx, 103, 139, 28, 4.2, angle, AMBER, INK, 1.1)
    scissors(ctx, 74, 118)


def half_link(ctx, side):
    """Half a chain link, open towards +x (side 1) or -x (side -1)."""
    ctx.save()
    ctx.scale(side, 1)
    r_out, r_in = 8.8, 4.6
    ctx.new_path()
    ctx.arc_negative(-2, 0, r_out, -math.pi / 2, math.pi / 2)
    ctx.line_to(6, r_out)
    ctx.line_to(6, r_in)
    ctx.arc(-2, 0, r_in, math.pi / 2, 3 * math.pi / 2)
    ctx.line_to(6, -r_in)
    ctx.line_to(6, -r_out)
    ctx.close_path()
    ctx.restore()
    fill_stroke(ctx, AMBER, INK, 1.1)


def scissors(ctx, cx, cy):
    """Open scissors with their pivot at cx, cy, blades pointing down."""
    ctx.save()
    ctx.translate(cx, cy)
    for side in (-1, 1):
        # The blade pointing down on this side and the handle it ends in on the other.
        ctx.save()
        ctx.rotate(math.radians(16 * side))
        ctx.move_to(-2.6, -3)
        ctx.curve_to(-3.2, 8, -1.5, 18, 0, 27)
        ctx.curve_to(2.4, 18, 3.2, 8, 2.6, -3)
        ctx.close_path()
        fill_stroke(ctx, MIST, INK, 1.1)
        ctx.restore()
        hx, hy = 13 * side, -19
        ctx.move_to(0, 0)
        ctx.line_to(hx * 0.55, hy * 0.55)
        set_colour(ctx, INK)
        ctx.set_line_width(4.2)
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        ctx.stroke()
        ctx.new_path()
        ctx.arc(hx, hy, 7.5, 0, 2 * math.pi)
        ctx.new_sub_path()
        ctx.arc(hx, hy, 4.0, 0, 2 * math.pi)
        ctx.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
        fill_stroke(ctx, RED, INK, 1.1)
        ctx.set_fill_rule(cairo.FILL_RULE_WINDING)
    ctx.arc(0, 0, 2.4, 0, 2 * math.pi)
    fill_stroke(ctx, STEEL, INK, 1.0)
    ctx.restore()


def motif_rewrite(ctx):
    # A page being written, its backup copy behind it.
    page(ctx, 34, 100, 44, 58, 6, line_colour=MIST, fill=PAPER_SHADE, edge=STEEL)
    page(ctx, 48, 112, 46, 60, 6)
    ctx.arc(45, 165, 11.5, 0, 2 * math.pi)
    fill_stroke(ctx, WHITE, TEAL, 1.2)
    restore_arrow(ctx, 45, 165, 6.5, 2.6, TEAL)
    ctx.save()
    ctx.translate(86, 158)
    ctx.rotate(math.radians(32))
    quill(ctx, 66, line=1.2)
    ctx.restore()


MOTIFS = [
    ("Welcome", motif_welcome),
    ("Files", motif_files),
    ("Options", motif_options),
    ("Search", motif_search),
    ("Review", motif_review),
    ("Deletion", motif_delete),
    ("Rewrite", motif_rewrite),
]


def strip_background(ctx):
    set_gradient(ctx, (0, 0, 0, STRIP_H), NIGHT, TEAL)
    ctx.paint()


def strip(step):
    """The page picture of a step, and which of its pixels are bare background."""
    name, motif = MOTIFS[step]

    def draw(ctx):
        strip_background(ctx)
        # The wordmark with a small quill.
        ctx.save()
        ctx.translate(27, 40)
        ctx.rotate(math.radians(28))
        quill(ctx, 26, vane=PAPER, edge=PAPER, shaft=AMBER, line=0.8, notches=False)
        ctx.restore()
        text(ctx, "Quillorn", 79, 35, 19, PAPER, slant=cairo.FONT_SLANT_ITALIC, weight=cairo.FONT_WEIGHT_BOLD)
        set_colour(ctx, AMBER)
        ctx.rectangle(38, 46, 82, 1.4)
        ctx.fill()
        # The medallion the motif sits in.
        cx, cy, r = MEDALLION
        ctx.arc(cx + 2, cy + 3, r + 1, 0, 2 * math.pi)
        set_colour(ctx, NIGHT, 0.45)
        ctx.fill()
        ctx.arc(cx, cy, r, 0, 2 * math.pi)
        set_colour(ctx, PAPER)
        ctx.fill_preserve()
        set_colour(ctx, AMBER)
        ctx.set_line_width(2.5)
        ctx.stroke()
        ctx.save()
        ctx.arc(cx, cy, r - 1.5, 0, 2 * math.pi)
        ctx.clip()
        motif(ctx)
        ctx.restore()
        # The page's word and where it stands among the seven.
        text(ctx, name, cx, 222, 15, PAPER, face="DejaVu Sans", weight=cairo.FONT_WEIGHT_BOLD)
        for i in range(7):
            x = cx + (i - 3) * 14
            ctx.arc(x, 258, 4.2 if i == step else 3.0, 0, 2 * math.pi)
            if i == step:
                set_colour(ctx, AMBER)
                ctx.fill()
            else:
                set_colour(ctx, MIST, 0.55)
                ctx.fill()
    pixels = render(STRIP_W, STRIP_H, draw)
    background = render(STRIP_W, STRIP_H, strip_background)
    return opaque_rgb(pixels), [p == b for p, b in zip(pixels, background)]


# ---------------------------------------------------------------------------
# The Welcome banner: a colour picture and the mask that lays it on the page

BANNER_W, BANNER_H = 280, 115


def banner(ctx):
    # The emblem: a medallion with a quill mending a chain.
    cx, cy, r = 56, 57, 46
    ctx.arc(cx + 2, cy + 3, r, 0, 2 * math.pi)
    set_colour(ctx, NIGHT, 0.30)
    ctx.fill()
    ctx.arc(cx, cy, r, 0, 2 * math.pi)
    set_gradient(ctx, (0, cy - r, 0, cy + r), NIGHT, TEAL)
    ctx.fill_preserve()
    set_colour(ctx, AMBER)
    ctx.set_line_width(3)
    ctx.stroke()
    chain_link(ctx, 40, 76, 30, 4.4, math.radians(-20), AMBER, NIGHT, 1.0)
    chain_link(ctx, 63, 68, 30, 4.4, math.radians(-20), AMBER, NIGHT, 1.0)
    ctx.save()
    ctx.translate(62, 86)
    ctx.rotate(math.radians(24))
    quill(ctx, 74, vane=PAPER, edge=NIGHT, shaft=AMBER_DARK, line=1.2)
    ctx.restore()
    # The name and what it does.
    text(ctx, "Quillorn", 112, 60, 36, INK, slant=cairo.FONT_SLANT_ITALIC, weight=cairo.FONT_WEIGHT_BOLD,
         anchor="left", max_width=160, halo=PAPER)
    set_colour(ctx, AMBER)
    ctx.rectangle(114, 70, 158, 2)
    ctx.fill()
    text(ctx, "mends the links of your site", 114, 88, 12, TEAL, face="DejaVu Sans", anchor="left",
         max_width=158)


# ---------------------------------------------------------------------------
# Icons


ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def tile(ctx, size, top, bottom):
    m = size * 0.04
    rounded_rect(ctx, m, m, size - 2 * m, size - 2 * m, size * 0.2)
    set_gradient(ctx, (0, 0, 0, size), top, bottom)
    ctx.fill()


def quillorn_icon(size):
    def draw(ctx):
        tile(ctx, size, NIGHT, TEAL)
        s = size / 64.0
        if size >= 32:
            chain_link(ctx, 19 * s, 44 * s, 18 * s, 3.0 * s, math.radians(-30), AMBER, NIGHT, max(0.6, 0.8 * s))
            chain_link(ctx, 31 * s, 37 * s, 18 * s, 3.0 * s, math.radians(-30), AMBER, NIGHT, max(0.6, 0.8 * s))
            ctx.translate(32 * s, 55 * s)
            ctx.rotate(math.radians(28))
            quill(ctx, 52 * s, vane=PAPER, edge=NIGHT, shaft=AMBER, line=max(0.7, 0.9 * s), notches=size >= 48)
        else:
            # Small sizes: the quill alone, larger and without outlines.
            ctx.translate(27 * s, 58 * s)
            ctx.rotate(math.radians(30))
            quill(ctx, 58 * s, vane=PAPER, edge=PAPER, shaft=AMBER, line=0.5, notches=False)
    return render(size, size, draw)


def ravelet_emblem(ctx, size):
    """Ravelet's icon drawn at `size` pixels from the context's origin: a page
    inside a circular arrow turning back."""
    tile(ctx, size, CLAY, CLAY_DARK)
    s = size / 64.0
    if size >= 24:
        page(ctx, 24 * s, 21 * s, 16 * s, 21 * s, 3 if size >= 48 else 0, fold=5 * s,
             line_colour=STEEL, fill=WHITE, edge=CLAY_DARK, line=max(0.6, 0.8 * s))
    restore_arrow(ctx, 32 * s, 32 * s, 21 * s, 5.0 * s, SAND)


def ravelet_icon(size):
    return render(size, size, lambda ctx: ravelet_emblem(ctx, size))


# ---------------------------------------------------------------------------
# The hand cursor shown over link texts (32 x 32, hot spot at the fingertip)

CURSOR_SIZE = 32


def fingertip(pixels, size):
    """The hot spot: the middle of the first row the cursor covers (alpha at
    least half), which is the tip of the pointing finger."""
    for y in range(size):
        covered = [x for x in range(size) if pixels[y * size + x][3] >= 128]
        if covered:
            return (covered[0] + covered[-1]) // 2, y
    raise ValueError("empty cursor")


def hand_cursor(ctx):
    ctx.translate(0.5, 0.5)
    ctx.move_to(10, 4)
    ctx.curve_to(10, 1, 14, 1, 14, 4)        # index fingertip
    ctx.line_to(14, 13)
    ctx.curve_to(14, 11, 18, 11, 18, 13.5)   # middle finger
    ctx.line_to(18, 14.5)
    ctx.curve_to(18, 12.5, 22, 12.5, 22, 15)  # ring finger
    ctx.line_to(22, 16)
    ctx.curve_to(22, 14, 26, 14, 26, 16.5)   # little finger
    ctx.line_to(26, 23)
    ctx.curve_to(26, 26, 24.5, 28, 23, 29)
    ctx.line_to(23, 30)
    ctx.line_to(12, 30)
    ctx.line_to(12, 29)
    ctx.curve_to(10, 27, 7, 23, 4.5, 19.5)   # the wrist side, down to the thumb
    ctx.curve_to(3, 17.5, 5.5, 15.5, 7.5, 17)
    ctx.line_to(10, 19.5)
    ctx.close_path()
    set_colour(ctx, WHITE)
    ctx.fill_preserve()
    set_colour(ctx, (0, 0, 0))
    ctx.set_line_width(1.0)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.stroke()
    ctx.set_line_width(0.9)
    for x, top in ((14, 13), (18, 14.5), (22, 16)):
        ctx.move_to(x, top)
        ctx.line_to(x, top + 4)
    ctx.stroke()


# ---------------------------------------------------------------------------
# Ravelet's banner bitmap (338 x 49, 256 colours)

RAVELET_W, RAVELET_H = 338, 49


def ravelet_banner(ctx):
    set_gradient(ctx, (0, 0, RAVELET_W, 0), SAND, PAPER)
    ctx.paint()
    # A ball of thread unravelling into a straight line that ends at a page.
    ctx.move_to(200, 34)
    x, amplitude = 206, 11.0
    for _ in range(4):
        ctx.curve_to(x + 2, 34 + amplitude, x + 12, 34 + amplitude, x + 11, 31)
        ctx.curve_to(x + 10, 31 - amplitude, x + 18, 31 - amplitude, x + 20, 31)
        x += 20
        amplitude *= 0.62
    ctx.line_to(298, 31)
    set_colour(ctx, CLAY)
    ctx.set_line_width(2.2)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.stroke()
    ctx.arc(194, 26, 13, 0, 2 * math.pi)
    fill_stroke(ctx, CLAY, CLAY_DARK, 1.2)
    ctx.save()
    ctx.arc(194, 26, 12.4, 0, 2 * math.pi)
    ctx.clip()
    set_colour(ctx, CLAY_DARK)
    ctx.set_line_width(1.2)
    for cx, cy, radii in ((182, 40, (9, 14, 19, 24)), (207, 40, (12, 18))):
        for r in radii:
            ctx.new_path()
            ctx.arc(cx, cy, r, 0, 2 * math.pi)
            ctx.stroke()
    ctx.restore()
    # The restored page at the thread's end.
    page(ctx, 300, 9, 20, 26, 3, fold=5, line_colour=STEEL, fill=WHITE, edge=CLAY_DARK, line=1.0)
    ctx.save()
    ctx.translate(4, 4)
    ravelet_emblem(ctx, 41)
    ctx.restore()
    text(ctx, "Ravelet", 54, 34, 27, CLAY_DARK, weight=cairo.FONT_WEIGHT_BOLD, anchor="left")


# ---------------------------------------------------------------------------
# Output


def opaque_rgb(pixels):
    return [(r, g, b) for r, g, b, _ in pixels]


BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def design_colours():
    return [tuple(int(round(c * 255)) for c in colour) for colour in
            (INK, NIGHT, TEAL, PAPER, PAPER_SHADE, AMBER, AMBER_DARK, WHITE, MIST, STEEL, GREEN, RED, CLAY,
             CLAY_DARK, SAND)]


def reduce(pixels, count, width=0, dithered=None, spread=12.0):
    """`count` colours for the pixels and the index of each. The set's own
    colours that the picture shows are kept exactly; pixels flagged in
    `dithered` (smooth gradients) weigh less and get an ordered dither so
    they do not band."""
    histogram = {}
    for i, colour in enumerate(pixels):
        histogram[colour] = histogram.get(colour, 0) + (1 if dithered and dithered[i] else 4)
    pinned = [c for c in design_colours() if c in histogram]
    rest = {c: w for c, w in histogram.items() if c not in pinned}
    palette = sorted(set(pinned + formats.median_cut(rest, count - len(pinned))))
    palette = formats.pad_palette(palette, count)
    indices = formats.indexed(pixels, palette)
    if dithered:
        for i, colour in enumerate(pixels):
            if dithered[i]:
                offset = (BAYER[(i // width) % 4][(i % width) % 4] / 16.0 - 0.47) * spread
                indices[i] = formats.nearest(palette, tuple(c + offset for c in colour))
    return palette, indices


def banner_pictures():
    """The mask (32 greys, blue byte = weight) and the colour picture (64
    colours, the drawing's own colours wherever the mask lets it show)."""
    pixels = render(BANNER_W, BANNER_H, banner)
    levels = [round(i * 255 / 31) for i in range(32)]
    mask_palette = [(v, v, v) for v in levels]
    mask = [min(range(32), key=lambda i: abs(levels[i] - a)) for _, _, _, a in pixels]
    histogram = {}
    for r, g, b, a in pixels:
        if a:
            histogram[(r, g, b)] = histogram.get((r, g, b), 0) + a
    palette = formats.pad_palette(formats.median_cut(histogram, 64), 64)
    colour, last = [], 0
    for r, g, b, a in pixels:
        last = formats.nearest(palette, (r, g, b)) if a else last
        colour.append(last)
    return (mask_palette, mask), (palette, colour), pixels


def write(path, data, written):
    full = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)
    written.append(path)


def hot_spot_header(path, program, namespace, hot_spot):
    x, y = hot_spot
    return (f"// Generated by {TOOL}; do not edit.\n"
            f"// The hot spot of {program}'s hand cursor ({path}), in pixels from its top left.\n"
            "#pragma once\n\n"
            f"namespace {namespace} {{\n"
            f"inline constexpr int kHandCursorHotSpotX = {x};\n"
            f"inline constexpr int kHandCursorHotSpotY = {y};\n"
            f"}}  // namespace {namespace}\n").encode()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR", help="also write PNG previews at 1x and 4x into DIR")
    args = parser.parse_args()

    written = []
    previews = {}
    checksums = []

    strip_ids = (136, 138, 139, 140, 141, 142, 143)
    for step, resource in enumerate(strip_ids):
        pixels, background = strip(step)
        palette, indices = reduce(pixels, 32, STRIP_W, background)
        write(f"wizard/resources/pictures/{resource}.gif", formats.gif(STRIP_W, STRIP_H, palette, indices), written)
        checksums.append((resource, indices))
        previews[f"{resource}"] = (STRIP_W, STRIP_H, [palette[i] + (255,) for i in indices])

    (mask_palette, mask), (colour_palette, colour), drawn = banner_pictures()
    write("wizard/resources/pictures/137.gif", formats.gif(BANNER_W, BANNER_H, mask_palette, mask), written)
    write("wizard/resources/pictures/144.gif", formats.gif(BANNER_W, BANNER_H, colour_palette, colour), written)
    checksums.append((137, mask))
    checksums.append((144, colour))
    face = (239, 239, 239)
    blended = []
    for m, c in zip(mask, colour):
        a = mask_palette[m][2] / 255.0
        blended.append(tuple(int(colour_palette[c][ch] * a + face[ch] * (1 - a)) for ch in range(3)) + (255,))
    previews["banner-on-face"] = (BANNER_W, BANNER_H, blended)

    for program, draw_icon, folder in (("wizard", quillorn_icon, "wizard/resources/icons"),
                                       ("restorer", ravelet_icon, "restorer/resources/icons")):
        for size in ICON_SIZES:
            pixels = draw_icon(size)
            name = "quillorn" if program == "wizard" else "ravelet"
            write(f"{folder}/{name}-{size}.png", formats.png(size, size, pixels), written)
            previews[f"{name}-icon-{size}"] = (size, size, pixels)

    cursor = render(CURSOR_SIZE, CURSOR_SIZE, hand_cursor)
    hot_spot = fingertip(cursor, CURSOR_SIZE)
    for folder, program, namespace in (("wizard/resources", "Quillorn", "quillorn::wizard_resources"),
                                       ("restorer/resources", "Ravelet", "quillorn::restorer_resources")):
        write(f"{folder}/cursors/hand.png", formats.png(CURSOR_SIZE, CURSOR_SIZE, cursor), written)
        write(f"{folder}/hand_cursor.h", hot_spot_header(f"{folder}/cursors/hand.png", program, namespace, hot_spot),
              written)
    previews["hand-cursor"] = (CURSOR_SIZE, CURSOR_SIZE, cursor)

    rav = opaque_rgb(render(RAVELET_W, RAVELET_H, ravelet_banner))
    palette, indices = reduce(rav, 256)
    write("restorer/resources/banner.bmp", formats.bmp8(RAVELET_W, RAVELET_H, palette, indices), written)
    previews["ravelet-banner"] = (RAVELET_W, RAVELET_H, [palette[i] + (255,) for i in indices])

    lines = [f"# Generated by {TOOL}; do not edit.",
             "# CRC-32 of each picture's colour indexes, row by row from the top, as the generator drew them."]
    lines += [f"{resource} {zlib.crc32(bytes(indices)):08x}" for resource, indices in sorted(checksums)]
    write("wizard/resources/pictures/indexes.crc32", ("\n".join(lines) + "\n").encode(), written)

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name, (w, h, pixels) in previews.items():
            for scale in (1, 4):
                big = [pixels[(y // scale) * w + x // scale] for y in range(h * scale) for x in range(w * scale)]
                with open(os.path.join(args.preview, f"{name}@{scale}x.png"), "wb") as f:
                    f.write(formats.png(w * scale, h * scale, [p if len(p) == 4 else p + (255,) for p in big]))
    for path in written:
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
