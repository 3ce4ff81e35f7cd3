#!/usr/bin/python3
"""Checks the pictures that draw.py wrote and shows them as the wizard will.

    preview.py --check ARTDIR        checks every file's format and size, and the cut-aways
    preview.py ARTDIR PREVIEW.png    checks, then composes a preview picture

The check reads the files back as the program will load them: BMP headers, bit depths,
premultiplied alpha, magenta only where a window is cut away, the check boxes' margin, the
cursor's hotspot and AND mask. The preview puts the pieces together at the windows' layout
positions (section frames filled, buttons from their caps, a check box, the bar, the combo
strip with a flag) and adds every piece enlarged four times.
"""

import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw  # noqa: E402  (the table of pictures)

MAGENTA = draw.MAGENTA
INK = draw.BRAND
GREY_TEXT = (128, 128, 128)


# Reading the files -----------------------------------------------------------------------

def read_bmp(path):
    """The picture of a BMP as written by draw.py, and its bit depth. Checks the headers."""
    data = open(path, "rb").read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (header, width, height, planes, bits, compression, image_size, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert magic == b"BM" and size == len(data), f"{path}: file header"
    assert header == 40 and offset == 54 and planes == 1 and used == 0, f"{path}: info header"
    assert compression == 0, f"{path}: not BI_RGB"
    assert height > 0, f"{path}: not bottom-up"
    assert bits in (24, 32), f"{path}: {bits} bits"
    stride = (width * bits // 8 + 3) & ~3
    assert image_size == stride * height == len(data) - offset, f"{path}: pixel data size"
    mode = "BGR" if bits == 24 else "BGRA"
    rows = [data[offset + (height - 1 - y) * stride:][:width * bits // 8] for y in range(height)]
    picture = Image.frombytes("RGB" if bits == 24 else "RGBA", (width, height), b"".join(rows),
                              "raw", mode)
    return picture, bits


def read_cur(path):
    """The colour picture (straight alpha), hotspot and AND mask of a one-image .cur."""
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind, count) == (0, 2, 1), f"{path}: not a one-image cursor"
    width, height, _, _, hx, hy, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    assert offset + size == len(data), f"{path}: directory entry"
    header, w, h2, planes, bits, compression = struct.unpack_from("<IiiHHI", data, offset)
    assert (header, w, h2, planes, bits, compression) == (40, width, 2 * height, 1, 32, 0)
    colour = offset + 40
    mask = colour + width * height * 4
    mask_stride = (width + 31) // 32 * 4
    assert mask + mask_stride * height == len(data), f"{path}: size"
    picture = Image.new("RGBA", (width, height))
    transparent = set()
    for y in range(height):
        row = height - 1 - y
        for x in range(width):
            b, g, r, a = data[colour + (row * width + x) * 4:][:4]
            picture.putpixel((x, y), (r, g, b, a))
            if data[mask + row * mask_stride + x // 8] & (0x80 >> (x % 8)):
                transparent.add((x, y))
    return picture, (hx, hy), transparent


# Checks ----------------------------------------------------------------------------------

def check_window(name, picture):
    """Magenta only in runs from the left and right edges of the corner rows."""
    width, height = picture.size
    corner = 12
    assert picture.getpixel((0, 0)) == MAGENTA, f"{name}: corners are not cut away"
    for y in range(height):
        row = [picture.getpixel((x, y)) == MAGENTA for x in range(width)]
        left = next(x for x in range(width + 1) if x == width or not row[x])
        right = next(x for x in range(width + 1) if x == width or not row[width - 1 - x])
        inner = row[left:width - right]
        assert not any(inner), f"{name}: magenta inside the window in row {y}"
        if corner <= y < height - corner:
            assert left == right == 0, f"{name}: cut-away in row {y}, away from the corners"
        assert left <= corner and right <= corner, f"{name}: row {y} cut too deep"


def check_masked(name, picture):
    """Some magenta around, and no pixel next to magenta blended with it."""
    width, height = picture.size
    assert any(p == MAGENTA for p in picture.getdata()), f"{name}: no magenta background"
    for y in range(height):
        for x in range(width):
            r, g, b = picture.getpixel((x, y))
            if (r, g, b) == MAGENTA:
                continue
            pinkish = r > 200 and b > 200 and g < 120
            assert not pinkish, f"{name}: pixel ({x}, {y}) {r, g, b} is blended with magenta"


def check_premultiplied(name, picture):
    for r, g, b, a in picture.getdata():
        assert max(r, g, b) <= a, f"{name}: colour exceeds alpha: not premultiplied"


def check_box(name, picture):
    width, height = picture.size
    for x in range(width):
        for y in (0, height - 1):
            for pixel in (picture.getpixel((x, y)), picture.getpixel((y, x))):
                assert pixel == draw.CHECK_MARGIN + (255,), f"{name}: margin is {pixel}"
    assert all(a == 255 for a in picture.getchannel("A").getdata()), f"{name}: not opaque"


def check_cursor(name, picture, hotspot, transparent):
    width, height = picture.size
    assert picture.getpixel(hotspot)[3] == 255, f"{name}: hotspot on a transparent pixel"
    assert all(picture.getpixel((hotspot[0], y))[3] < 128 for y in range(hotspot[1])), \
        f"{name}: hotspot is not at the top of the finger"
    for y in range(height):
        for x in range(width):
            r, g, b, a = picture.getpixel((x, y))
            assert ((x, y) in transparent) == (a < 128), f"{name}: AND mask at ({x}, {y})"
            if (x, y) in transparent:
                assert (r, g, b) == (0, 0, 0), f"{name}: colour under the AND mask"


def check(artdir):
    """Reads back every picture of the table; returns them by name (RGBA, straight alpha)."""
    pictures = {}
    artdir = os.path.abspath(artdir)
    rc = open(os.path.join(artdir, "artwork.rc")).read()
    for name, kind, size, _ in draw.PICTURES:
        path = os.path.join(artdir, draw.file_name(name, kind))
        assert f'\n{name} {"CURSOR" if kind == draw.CURSOR else "BITMAP"} "{path}"\n' in rc, \
            f"{name} is not in artwork.rc"
        if kind == draw.CURSOR:
            picture, hotspot, transparent = read_cur(path)
            assert picture.size == size, f"{name}: {picture.size}"
            check_cursor(name, picture, hotspot, transparent)
            pictures[name] = picture
            continue
        picture, bits = read_bmp(path)
        assert picture.size == size, f"{name}: {picture.size}, not {size}"
        if kind == draw.ALPHA:
            assert bits == 32, f"{name}: {bits} bits, not 32"
            check_premultiplied(name, picture)
            if name.startswith("CHECK_"):
                check_box(name, picture)
            picture = Image.frombytes("RGBa", picture.size, picture.tobytes()).convert("RGBA")
        else:
            assert bits == 24, f"{name}: {bits} bits, not 24"
            (check_window if kind == draw.WINDOW else check_masked)(name, picture)
            keyed = picture.convert("RGBA")
            keyed.putdata([(0, 0, 0, 0) if p[:3] == MAGENTA else p for p in keyed.getdata()])
            picture = keyed
        pictures[name] = picture
    return pictures


# Preview ---------------------------------------------------------------------------------

def text_font(size, bold=False):
    return ImageFont.truetype(draw.FONT_BOLD if bold else draw.FONT_PLAIN, size)


class Preview:
    def __init__(self, pictures, size):
        self.p = pictures
        self.image = Image.new("RGBA", size, (54, 60, 72, 255))
        self.pen = ImageDraw.Draw(self.image)

    def put(self, name, xy, size=None):
        picture = self.p[name]
        if size:
            picture = picture.resize(size, Image.NEAREST)
        self.image.alpha_composite(picture, tuple(round(v) for v in xy))

    def fill(self, box, colour):
        x, y, w, h = box
        self.pen.rectangle([x, y, x + w - 1, y + h - 1], fill=colour)

    def text(self, xy, string, colour, size=11, bold=False, width=None):
        words, line, lines = string.split(), "", []
        for word in words:
            trial = (line + " " + word).strip()
            if width and self.pen.textlength(trial, font=text_font(size, bold)) > width:
                lines.append(line)
                line = word
            else:
                line = trial
        lines.append(line)
        for i, one in enumerate(lines):
            self.pen.text((xy[0], xy[1] + i * (size + 3)), one, fill=colour,
                          font=text_font(size, bold))

    def button(self, xy, width, icon, caption, enabled=True):
        x, y = xy
        self.put("BOTON_LEFT", (x, y))
        self.put("BOTON_CENTER", (x + 8, y), (width - 17, 27))
        self.put("BOTON_RIGHT", (x + width - 9, y))
        self.put(icon if enabled else icon + "_OFF", (x + 11, y + 4))
        self.text((x + 35, y + 6), caption, (0, 0, 0) if enabled else (136, 136, 136))

    def check_box(self, xy, label, ticked=True):
        self.put("CHECK_ON" if ticked else "CHECK_OFF", xy)
        self.text((xy[0] + 24, xy[1] - 1), label, INK)

    def bar(self, xy, width, block_left):
        x, y = xy
        self.put("BARRA_LEFT", (x, y))
        self.put("BARRA_CENTER", (x + 6, y), (width - 12, 14))
        self.put("BARRA_RIGHT", (x + width - 6, y))
        self.put("BARRA_BLOCK", (x + block_left, y + 4))

    def combo(self, xy, width, flag, caption):
        x, y = xy
        self.put("COMBO_ARROW", (x + width - 17, y))
        self.pen.rectangle([x, y, x + width - 17, y + 16], outline=(128, 128, 128))
        self.fill((x + 5, y + 1, width - 22, 15), (207, 207, 207))
        self.text((x + 26, y + 2), caption, (0, 0, 0))
        self.put("COMBO_LEFT", (x, y))
        self.put(flag, (x + 8, y))

    def wizard(self, xy, section):
        x, y = xy
        self.put("FRMMAIN", (x, y))
        self.text((x + 8, y + 24), "Ostrevant Installer", (255, 255, 255), 14, bold=True)
        fx, fy = x + 8, y + 48
        self.fill((fx, fy, 337, 193), draw.FRAME)
        if section == 0:
            self.text((fx + 8, fy + 8), "Welcome. Choose the language of the installation "
                      "and press Next.", INK, width=321)
            self.combo((fx + 80, fy + 48), 177, "FLAG_ES", "Español")
            self.check_box((fx + 32, fy + 113), "Check for newer versions")
            self.check_box((fx + 32, fy + 129), "Create a desktop shortcut", ticked=False)
            self.text((x + 16, y + 240), "Press Next to continue.", INK)
            self.button((x + 14, y + 261), 104, "ICON_BACK", "Back", enabled=False)
            self.button((x + 123, y + 261), 104, "ICON_NEXT", "Next")
            self.button((x + 232, y + 261), 104, "ICON_CLOSE", "Close")
        else:
            self.text((fx + 8, fy + 8), "A newer version is available and is being "
                      "downloaded.", INK, width=321)
            self.put("UPDATE", (fx + 136, fy + 72))
            self.bar((fx + 16, fy + 128), 305, 120)
            self.text((fx + 16, fy + 144), "Downloading 102.cab ...", GREY_TEXT)
            self.text((x + 16, y + 240), "Please wait.", INK)
            self.button((x + 14, y + 261), 104, "ICON_BACK", "Back", enabled=False)
            self.button((x + 123, y + 261), 104, "ICON_NEXT", "Next", enabled=False)
            self.button((x + 232, y + 261), 104, "ICON_CLOSE", "Close", enabled=False)

    def folders(self, xy):
        x, y = xy
        self.put("FRMFOLDERS", (x, y))
        nodes = [(0, "TREE_REMOVABLE", "A:"), (0, "TREE_FIXED", "C:"),
                 (1, "TREE_FOLDER_OPEN", "Program Files"), (2, "TREE_FOLDER", "Common Files"),
                 (2, "TREE_FOLDER", "Ostrevant"), (1, "TREE_FOLDER", "Users"),
                 (0, "TREE_CD", "D: [DATA]")]
        for i, (level, icon, label) in enumerate(nodes):
            nx, ny = x + 22 + level * 19, y + 22 + i * 18
            self.put(icon, (nx, ny))
            self.text((nx + 20, ny + 1), label, (0, 0, 0))
        self.button((x + 16, y + 256), 128, "ICON_ACCEPT", "Accept")
        self.button((x + 152, y + 256), 128, "ICON_CLOSE", "Close")

    def dialog(self, xy):
        x, y = xy
        self.put("FRMDIALOG", (x, y))
        self.text((x + 16, y + 16), "The installation is not finished. Do you really want "
                  "to quit?", INK, width=265)
        self.button((x + 14, y + 66), 128, "ICON_YES", "Yes")
        self.button((x + 153, y + 66), 128, "ICON_NO", "No")

    def enlarged(self, xy, names, zoom=4):
        """Pieces at four times their size on a checkerboard, left to right."""
        x, y = xy
        for name in names:
            picture = self.p[name]
            w, h = picture.size[0] * zoom, picture.size[1] * zoom
            board = Image.new("RGBA", (w, h))
            for by in range(0, h, 8):
                for bx in range(0, w, 8):
                    shade = 214 if (bx // 8 + by // 8) % 2 else 244
                    board.paste((shade, shade, shade, 255), (bx, by, bx + 8, by + 8))
            board.alpha_composite(picture.resize((w, h), Image.NEAREST))
            self.image.paste(board, (x, y))
            x += w + 10


def compose(pictures, out):
    names = [name for name, _, _, _ in draw.PICTURES]
    icons = [n for n in names if n.startswith("ICON_")]
    rows = [["BOTON_LEFT", "BOTON_CENTER", "BOTON_RIGHT", "CHECK_OFF", "CHECK_ON", "COMBO_LEFT",
             "COMBO_ARROW", "BARRA_LEFT", "BARRA_CENTER", "BARRA_RIGHT", "BARRA_BLOCK"],
            icons[0::2], icons[1::2],
            [n for n in names if n.startswith("FLAG_")],
            [n for n in names if n.startswith("TREE_")]]
    p = Preview(pictures, (1000, 1150))
    p.wizard((20, 20), 0)
    p.wizard((506, 20), 5)
    p.folders((20, 340))
    p.dialog((340, 340))
    p.enlarged((660, 340), ["UPDATE", "HAND"])
    y = 660
    for row in rows:
        p.enlarged((20, y), row)
        y += max(pictures[n].size[1] for n in row) * 4 + 12
    p.image.convert("RGB").save(out)


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        check(argv[2])
        print(f"{len(draw.PICTURES)} pictures checked")
    elif len(argv) == 3:
        compose(check(argv[1]), argv[2])
    else:
        sys.exit("usage: preview.py --check ARTDIR | preview.py ARTDIR PREVIEW.png")


if __name__ == "__main__":
    main(sys.argv)
