#!/usr/bin/python3
"""Renders the two bitmap fonts of the saver from DejaVu (fonts-dejavu-core) with FreeType and
writes their font and charset files:

  sylfaen.fs, sylfaen_eng_14.css, sylfaen_eng_14.png
      the 14-pixel text font: codes 0 .. 255 of Windows-1251 on a grid of 14 x 14 cells, 18 a
      row, white with anti-aliased alpha on transparent white;
  64font.fs, 64font.css, font02.dds
      the digits of the clock and frame-rate texts: "0"-"9", "a", "m", "p", ".", ":" and " " in
      a 4 x 4 grid of 64-pixel cells of a 256 x 256 A8R8G8B8 texture, white with anti-aliased
      alpha on magenta, which the colour key 255, 0, 255 makes transparent.

Run: python3 media/src/fonts.py [output folder, default media/Media]
"""
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

DEJAVU = "/usr/share/fonts/truetype/dejavu"
TEXT_FONT = os.path.join(DEJAVU, "DejaVuSans.ttf")
DIGIT_FONT = os.path.join(DEJAVU, "DejaVuSansCondensed-Bold.ttf")

CELL14 = 14
PER_LINE14 = 18
SIZE14 = 12  # pixels per em: ascent and descent together fill the 14-pixel cell

CELL64 = 64
PER_LINE64 = 4
DIGITS = "0123456789amp.: "
SIZE64 = 62
# Horizontal scale of the digit glyphs, and of the wider "m"; padding either side of a glyph.
SQUASH = 0.72
M_SQUASH = 0.85
PAD64 = 2
# "m" is the widest glyph; its rectangle is fixed at 61 pixels from the cell's second column.
M_RECT_WIDTH = 61


def glyph_mask(font, char, width, height, baseline, x=0):
    """The anti-aliased coverage of one character, its origin at (x, baseline)."""
    mask = Image.new("L", (width, height), 0)
    if char.strip():
        ImageDraw.Draw(mask).text((x, baseline), char, fill=255, font=font, anchor="ls")
    return mask


def text_font(out):
    font = ImageFont.truetype(TEXT_FONT, SIZE14)
    ascent, descent = font.getmetrics()
    baseline = CELL14 - max(0, (CELL14 - ascent - descent) // 2) - descent
    rows = (256 + PER_LINE14 - 1) // PER_LINE14
    size = 256
    assert PER_LINE14 * CELL14 <= size and rows * CELL14 <= size
    coverage = Image.new("L", (size, size), 0)
    widths = []
    for code in range(256):
        try:
            char = bytes([code]).decode("cp1251")
        except UnicodeDecodeError:
            char = ""
        if code < 32 or code == 127 or not char:
            widths.append(0)
            continue
        advance = int(round(font.getlength(char)))
        widths.append(max(1, min(CELL14, advance)))
        row, column = divmod(code, PER_LINE14)
        cell = glyph_mask(font, char, CELL14, CELL14, baseline)
        coverage.paste(cell, (column * CELL14, row * CELL14))
    white = Image.new("L", (size, size), 255)
    png = Image.merge("RGBA", (white, white, white, coverage))
    png.save(os.path.join(out, "sylfaen_eng_14.png"), optimize=True)

    lines = [
        "// The 14-pixel text font: Windows-1251 codes 0 .. 255 on a grid of 14 x 14 cells.",
        'Name = "sylfaen_eng_14.png";',
        'Format = "D3DFMT_A8R8G8B8";',
        "CharsPerLine = %d;" % PER_LINE14,
        "CharWidth = %d;" % CELL14,
        "CharHeight = %d;" % CELL14,
        "StartChar = 0;",
        "EndChar = 255;",
    ]
    lines.append("Sizes = array(" + ", ".join(str(w) for w in widths) + ");")
    write_text(out, "sylfaen_eng_14.css", lines)
    write_text(out, "sylfaen.fs", [
        'Name = "Sylfaen";',
        "Styles[0].Size = 14;",
        'Styles[0].Charsets = array("sylfaen_eng_14.css");',
    ])
    return widths


def digit_font(out):
    font = ImageFont.truetype(DIGIT_FONT, SIZE64)
    # Digits and "p" share one baseline that leaves room for the descender of "p".
    _, p_top, _, p_bottom = font.getbbox("p", anchor="ls")
    baseline = CELL64 - 2 - p_bottom
    size = 256
    pixels = bytearray()
    coverage = Image.new("L", (size, size), 0)
    sizes = {}
    rects = {}
    for index, char in enumerate(DIGITS):
        row, column = divmod(index, PER_LINE64)
        x0, y0 = column * CELL64, row * CELL64
        if char == " ":
            rect_width = int(round(font.getlength(" ") * SQUASH))
            advance = rect_width
            glyph = Image.new("L", (rect_width, CELL64), 0)
        else:
            # Drawn full size, then narrowed so that a 12-hour text fits its window.
            left, _, right, _ = font.getbbox(char, anchor="ls")
            wide = glyph_mask(font, char, right - left, CELL64, baseline, -left)
            squash = M_SQUASH if char == "m" else SQUASH
            ink = max(1, int(round((right - left) * squash)))
            narrow = wide.resize((ink, CELL64), Image.LANCZOS)
            rect_width = M_RECT_WIDTH if char == "m" else ink + 2 * PAD64
            advance = M_RECT_WIDTH - 2 if char == "m" else rect_width
            glyph = Image.new("L", (rect_width, CELL64), 0)
            glyph.paste(narrow, ((rect_width - ink) // 2, 0))
        assert rect_width <= CELL64 - 1, (char, rect_width)
        coverage.paste(glyph, (x0 + 1, y0))
        sizes[char] = advance
        rects[char] = (x0 + 1, y0, x0 + rect_width, y0 + CELL64 - 1)
    assert rects["m"] == (193, 128, 253, 191), rects["m"]
    # White where the glyphs cover, keyed magenta elsewhere; B, G, R, A in memory.
    for y in range(size):
        for x in range(size):
            a = coverage.getpixel((x, y))
            pixels += bytes((255, 255, 255, a)) if a else bytes((255, 0, 255, 255))
    write_dds(os.path.join(out, "font02.dds"), size, size, bytes(pixels))

    def key(char):
        # A "." inside brackets would end the key's path component; such a character is
        # named by its code.
        return str(ord(char)) if char == "." else '"%s"' % char

    lines = [
        "// The clock and frame-rate digits: sixteen characters in a 4 x 4 grid of 64-pixel cells.",
        'Name = "font02.dds";',
        'Format = "D3DFMT_A8R8G8B8";',
        "ColorKey = array(255, 0, 255);",
        "CharsPerLine = %d;" % PER_LINE64,
        "CharWidth = %d;" % CELL64,
        "CharHeight = %d;" % CELL64,
        "StartChar = 0;",
        "EndChar = 255;",
    ]
    for char in DIGITS:
        lines.append("Sizes[%s] = %d;" % (key(char), sizes[char]))
    for char in DIGITS:
        lines.append("Rects[%s] = array(%d, %d, %d, %d);" % ((key(char),) + rects[char]))
    write_text(out, "64font.css", lines)
    write_text(out, "64font.fs", [
        'Name = "64font";',
        "Styles[0].Size = 64;",
        'Styles[0].Charsets = array("64font.css");',
    ])
    return sizes, rects


def write_dds(path, width, height, bgra):
    header = struct.pack(
        "<4s7I44x8I4I4x", b"DDS ", 124,
        0x1 | 0x2 | 0x4 | 0x8 | 0x1000,  # caps, height, width, pitch, pixel format
        height, width, width * 4, 0, 0,
        32, 0x1 | 0x40, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000,
        0x1000, 0, 0, 0)
    assert len(header) == 128
    with open(path, "wb") as f:
        f.write(header + bgra)


def write_text(out, name, lines):
    with open(os.path.join(out, name), "w", encoding="cp1251", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "Media")
    os.makedirs(out, exist_ok=True)
    text_font(out)
    sizes, rects = digit_font(out)
    print("digit advances:", sizes)


if __name__ == "__main__":
    main()
