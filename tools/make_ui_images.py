#!/usr/bin/env python3
"""Draws the images and the two drag cursors of the main window into res/.

Run from the repository's top folder after changing a drawing; the files it
writes are committed, the build only copies them. Needs ImageMagick
(convert) and the DejaVu fonts. Shapes are drawn at four times their size
and scaled down, which smooths their edges.
"""
import os
import struct
import subprocess
import sys

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
BOOK = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
ACCENT = "#2f6fde"


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def drawn(path, width, height, commands, scale=4, background="none"):
    """Renders MVG `commands` (in coordinates `scale` times the final size)
    into a PNG of width x height."""
    convert("-size", f"{width * scale}x{height * scale}", f"xc:{background}",
            "-draw", commands, "-filter", "box", "-resize", f"{width}x{height}",
            "-define", "png:exclude-chunks=date,time", "-strip", f"PNG32:{path}")


def logo(path, size):
    s = size * 4
    r = s * 0.24
    drawn(path, size, size, f"""
        fill '{ACCENT}' roundrectangle 0,0 {s - 1},{s - 1} {r},{r}
        fill white font '{BOLD}' font-size {s * 1.05} gravity center
        text 0,{s * 0.14} '\u201c'
    """)


def bin_icon(path):
    # A waste bin: lid, handle and a body with three ribs, 16 x 16.
    drawn(path, 16, 16, """
        stroke '#7a8394' stroke-width 5 fill none stroke-linecap round stroke-linejoin round
        line 8,14 56,14
        polyline 24,14 24,6 40,6 40,14
        path 'M 13,22 L 17,58 L 47,58 L 51,22 Z'
        line 26,30 27,48
        line 38,30 37,48
    """)


def check(path, colour):
    drawn(path, 12, 12, f"""
        stroke '{colour}' stroke-width 7 fill none stroke-linecap round stroke-linejoin round
        polyline 8,26 19,37 40,12
    """)


def about_band(path):
    # The about box's head: a blue band with the mark, the name and a line.
    convert("-size", "64x256", "gradient:#3a7ae6-#22509f", "-rotate", "-90",
            "(", "-size", "160x160", "xc:none", "-draw",
            "fill white roundrectangle 0,0 159,159 38,38", "-fill", ACCENT, "-font", BOLD,
            "-pointsize", "170", "-gravity", "center", "-annotate", "+0+34", "\u201c",
            "-filter", "box", "-resize", "40x40", ")",
            "-gravity", "northwest", "-geometry", "+14+12", "-composite",
            "-fill", "white", "-font", BOLD, "-pointsize", "22", "-gravity", "northwest",
            "-annotate", "+66+11", "Parvela",
            "-fill", "#dbe6fb", "-font", BOOK, "-pointsize", "11",
            "-annotate", "+67+38", "Collect what you copy",
            "-define", "png:exclude-chunks=date,time", "-strip", f"PNG32:{path}")


# The arrow's tip sits at (1, 1) so that its white rim stays inside.
ARROW = "4,4 4,72 20,57 32,84 41,80 30,53 50,53"


def cursor_png(path, badge):
    """A 32 x 32 arrow pointer with `badge` (MVG, 128 x 128 coordinates)
    below and right of its tip, which is the hot spot."""
    drawn(path, 32, 32, f"""
        stroke white stroke-width 6 stroke-linejoin round fill black polygon {ARROW}
        {badge}
    """)


QUOTE_BADGE = f"""
    stroke '#5b6577' stroke-width 4 fill white roundrectangle 54,58 120,120 10,10
    stroke '{ACCENT}' stroke-width 7 stroke-linecap round
    line 68,78 106,78  line 68,92 106,92  line 68,106 92,106
"""
TAG_BADGE = f"""
    stroke white stroke-width 5 fill '{ACCENT}'
    path 'M 52,70 L 96,70 L 122,94 L 96,118 L 52,118 Z'
    stroke none fill white circle 94,94 100,94
"""


def write_cur(png, path, hot_x=1, hot_y=1):
    """Packs a 32 x 32 RGBA image into a Windows cursor file: one 32-bit
    image with its AND mask, and the hot spot in the directory entry."""
    rgba = subprocess.run(["convert", png, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    size = 32
    assert len(rgba) == size * size * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(range(size)):  # bottom-up
        bits = 0
        for col in range(size):
            r, g, b, a = rgba[(row * size + col) * 4:(row * size + col) * 4 + 4]
            xor += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
        mask += bits.to_bytes(4, "big")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


def main():
    logo(os.path.join(RES, "logo.png"), 22)
    bin_icon(os.path.join(RES, "bin.png"))
    check(os.path.join(RES, "check.png"), ACCENT)
    check(os.path.join(RES, "check-white.png"), "white")
    about_band(os.path.join(RES, "about.png"))
    for name, badge in (("dragquote", QUOTE_BADGE), ("dragtag", TAG_BADGE)):
        png = os.path.join(RES, f".{name}.png")
        cursor_png(png, badge)
        write_cur(png, os.path.join(RES, f"{name}.cur"))
        os.remove(png)
    return 0


if __name__ == "__main__":
    sys.exit(main())
