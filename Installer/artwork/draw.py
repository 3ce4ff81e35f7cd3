#!/usr/bin/python3
"""Draws every picture of the setup wizard and lists them in a resource script.

    draw.py OUTDIR    writes the pictures and OUTDIR/artwork.rc (absolute paths)
    draw.py --list    prints the names of the picture files, one a line

Each picture is drawn at SCALE times its size in pixel coordinates and reduced at the end,
so that curves, strokes and text come out smooth. What is written depends on the picture's
kind:

    WINDOW  24-bit BMP; exact magenta (255, 0, 255) where the window is cut away, with a hard
            edge: the window region is built from exact magenta.
    ALPHA   32-bit BMP with premultiplied alpha, for pieces blended over other things.
    MASKED  24-bit BMP for image lists whose mask colour is magenta; hard edges.
    CURSOR  32 x 32 .cur with alpha and an AND mask.

Needs Debian's python3-pil and the DejaVu fonts (fonts-dejavu-core).
"""

import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

SCALE = 4

WINDOW, ALPHA, MASKED, CURSOR = "window", "alpha", "masked", "cursor"

# Colours (R, G, B).
MAGENTA = (255, 0, 255)
BRAND = (0, 78, 152)  # the colour of the wizard's texts
BRAND_DARK = (0, 50, 104)
BRAND_LIGHT = (46, 132, 214)
BODY = (246, 248, 251)
FRAME = (238, 238, 238)  # the section frames painted over the wizard's picture
FRAME_EDGE = (212, 218, 226)
EDGE = (150, 164, 184)
GREEN = (38, 158, 74)
GREEN_LIGHT = (92, 196, 112)
SLATE = (98, 114, 138)
SLATE_LIGHT = (146, 160, 182)
FOLDER_BACK = (226, 160, 40)
FOLDER_FRONT_TOP = (255, 216, 110)
FOLDER_FRONT_BOTTOM = (246, 186, 60)
FOLDER_EDGE = (196, 132, 24)
CHECK_MARGIN = (240, 239, 241)  # the check box control's background
COMBO_FACE = (207, 207, 207)  # the combo strip's caption label
COMBO_OUTLINE = (128, 128, 128)
WHITE = (255, 255, 255)

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def font(path, size):
    """A DejaVu font at size pixels, scaled for drawing."""
    if not os.path.exists(path):
        sys.exit(f"draw.py: {path} is missing (Debian package fonts-dejavu-core)")
    return ImageFont.truetype(path, round(size * SCALE))


def rgba(colour, alpha=255):
    """The colour with an alpha; a colour that has one keeps it."""
    return tuple(colour) if len(colour) == 4 else tuple(colour) + (alpha,)


class Sketch:
    """A picture drawn at SCALE times its size; coordinates are in pixels of the result.

    Boxes are (left, top, right, bottom) with right and bottom exclusive, as pixel edges.
    Every shape is painted through a coverage mask and blended over what is there.
    """

    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.size = (width, height)
        self.image = Image.new("RGBA", (width * SCALE, height * SCALE), rgba(background))

    # Coverage masks of shapes.

    def _mask(self):
        mask = Image.new("L", self.image.size, 0)
        return mask, ImageDraw.Draw(mask)

    @staticmethod
    def _box(box):
        x0, y0, x1, y1 = box
        return [round(x0 * SCALE), round(y0 * SCALE), round(x1 * SCALE) - 1,
                round(y1 * SCALE) - 1]

    @staticmethod
    def _points(points):
        return [(x * SCALE, y * SCALE) for x, y in points]

    def rect_mask(self, box, radius=0):
        mask, draw = self._mask()
        draw.rounded_rectangle(self._box(box), radius * SCALE, fill=255)
        return mask

    def ellipse_mask(self, box):
        mask, draw = self._mask()
        draw.ellipse(self._box(box), fill=255)
        return mask

    def polygon_mask(self, points):
        mask, draw = self._mask()
        draw.polygon(self._points(points), fill=255)
        return mask

    def line_mask(self, points, width):
        mask, draw = self._mask()
        draw.line(self._points(points), fill=255, width=round(width * SCALE), joint="curve")
        r = width / 2
        for x, y in (points[0], points[-1]):  # round caps
            draw.ellipse(self._box((x - r, y - r, x + r, y + r)), fill=255)
        return mask

    # Painting.

    def paint(self, mask, fill, clip=None):
        """Blends fill (a colour, with or without alpha, or a full-size picture) through mask."""
        if clip is not None:
            mask = ImageChops.multiply(mask, clip)
        box = mask.getbbox()
        if box is None:
            return
        if isinstance(fill, tuple):
            size = (box[2] - box[0], box[3] - box[1])
            layer = Image.new("RGBA", size, rgba(fill))
        else:
            layer = fill.crop(box)
        layer.putalpha(ImageChops.multiply(layer.getchannel("A"), mask.crop(box)))
        self.image.alpha_composite(layer, box[:2])

    def erase(self, mask):
        """Makes the masked part transparent."""
        alpha = ImageChops.subtract(self.image.getchannel("A"), mask)
        self.image.putalpha(alpha)

    def rect(self, box, fill, radius=0, clip=None):
        self.paint(self.rect_mask(box, radius), fill, clip)

    def ellipse(self, box, fill, clip=None):
        self.paint(self.ellipse_mask(box), fill, clip)

    def circle(self, cx, cy, r, fill, clip=None):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), fill, clip)

    def polygon(self, points, fill, clip=None):
        self.paint(self.polygon_mask(points), fill, clip)

    def line(self, points, fill, width, clip=None):
        self.paint(self.line_mask(points, width), fill, clip)

    def framed_rect(self, box, edge, face, radius=0):
        """A rounded rectangle with a one-pixel edge."""
        x0, y0, x1, y1 = box
        self.rect(box, edge, radius)
        self.rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1), face, max(radius - 1, 0))

    def gradient(self, top, bottom, horizontal=False):
        """A full-size picture shading from top to bottom (or left to right)."""
        width, height = self.image.size
        steps = width if horizontal else height
        strip = Image.new("RGBA", (steps, 1) if horizontal else (1, steps))
        for i in range(steps):
            t = i / max(steps - 1, 1)
            colour = tuple(round(a + (b - a) * t) for a, b in zip(rgba(top), rgba(bottom)))
            strip.putpixel((i, 0) if horizontal else (0, i), colour)
        return strip.resize(self.image.size, Image.NEAREST)

    def text(self, xy, string, typeface, fill, anchor="la"):
        mask, draw = self._mask()
        draw.text(self._points([xy])[0], string, font=typeface, fill=255, anchor=anchor)
        self.paint(mask, fill)

    # Results.

    def reduced(self):
        """The picture at its real size, straight (not premultiplied) RGBA."""
        small = self.image.convert("RGBa").resize(self.size, Image.BOX)
        return small.convert("RGBA")

    def coverage(self, mask):
        """How much of each real pixel a mask covers, 0..255."""
        return mask.resize(self.size, Image.BOX)


# Windows ---------------------------------------------------------------------------------

def cut_window(sketch, radius, edge=BRAND_DARK):
    """Gives the window a one-pixel edge and rounded corners, and cuts the corners away.

    A pixel at least half inside the outline belongs to the window. Outside the outline the
    sketch is first filled with the edge colour, so no edge pixel is blended with anything
    but the window's own colours.
    """
    width, height = sketch.size
    outline = sketch.rect_mask((0, 0, width, height), radius)
    inside = sketch.rect_mask((1, 1, width - 1, height - 1), radius - 1)
    sketch.paint(ImageChops.invert(inside), edge)
    picture = sketch.reduced().convert("RGB")
    covered = sketch.coverage(outline)
    cut = Image.new("RGB", sketch.size, MAGENTA)
    cut.paste(picture, mask=covered.point(lambda c: 255 if c >= 128 else 0))
    return cut


def wizard_window():
    """The wizard: a title band, the framed section area and a side panel."""
    width, height = 466, 299
    panel = 352
    s = Sketch(width, height, BODY)
    # Title band behind lblTitle (8, 24, 337 x 17): white bold text reads on the brand blue.
    s.rect((0, 0, panel, 46), s.gradient(BRAND_DARK, BRAND, horizontal=True))
    s.rect((0, 44, panel, 46), rgba(BRAND_LIGHT, 140))
    # The section frames (8, 48, 337 x 193) are painted flat over this; a hairline frames them.
    s.rect((7, 47, 346, 242), FRAME_EDGE)
    s.rect((8, 48, 345, 241), FRAME)
    side_panel(s, panel)
    return cut_window(s, radius=10)


def side_panel(s, left):
    """The right-hand panel: brand blue, a clock with a tick badge, the product name."""
    width, height = s.size
    s.rect((left, 0, width, height), s.gradient(BRAND, BRAND_DARK))
    s.rect((left, 0, left + 1, height), BRAND_DARK)
    cx, cy = (left + width) / 2, 104
    for r, alpha in ((58, 14), (46, 20)):  # soft rings behind the clock
        s.circle(cx, cy, r, rgba(WHITE, alpha))
    clock(s, cx, cy, 33)
    bx, by = cx + 22, cy + 22
    badge(s, bx, by, 12, GREEN_LIGHT, GREEN, rim=WHITE, rim_width=2)
    s.line([(bx - 5, by), (bx - 1.5, by + 4), (bx + 5.5, by - 4)], WHITE, 2.6)
    s.text((cx, 186), "Ostrevant", font(FONT_BOLD, 15), WHITE, anchor="ms")
    s.text((cx, 204), "Installer", font(FONT_PLAIN, 11), rgba((190, 214, 240)), anchor="ms")


def clock(s, cx, cy, r):
    """A clock face: white dial, hour marks, hands at ten past ten."""
    badge(s, cx, cy, r, (250, 252, 255), (226, 236, 248), rim=WHITE, rim_width=3)
    for hour in range(12):
        a = math.radians(hour * 30)
        outer, inner = r - 6, r - (11 if hour % 3 == 0 else 8)
        s.line([(cx + outer * math.sin(a), cy - outer * math.cos(a)),
                (cx + inner * math.sin(a), cy - inner * math.cos(a))],
               BRAND if hour % 3 == 0 else SLATE_LIGHT, 2.2 if hour % 3 == 0 else 1.4)
    s.line([(cx, cy), (cx - 11, cy - 8)], BRAND_DARK, 3)  # hour hand
    s.line([(cx, cy), (cx + 13, cy - 15)], BRAND_DARK, 2.2)  # minute hand
    s.circle(cx, cy, 3, BRAND)


def dialog_frame(width, height):
    """The small windows: light body under a thin brand band."""
    s = Sketch(width, height, BODY)
    s.rect((0, 0, width, 6), s.gradient(BRAND_DARK, BRAND, horizontal=True))
    return s


def folders_window():
    """The folder chooser: the tree view (18, 18, 262 x 228) sits on a hairline frame."""
    s = dialog_frame(299, 300)
    s.rect((17, 17, 281, 247), FRAME_EDGE)
    s.rect((18, 18, 280, 246), WHITE)
    return cut_window(s, radius=8)


def question_window():
    """The yes/no dialog: the question (16, 16, 265 x 49) is written on the plain body."""
    return cut_window(dialog_frame(299, 107), radius=8)


# Buttons ---------------------------------------------------------------------------------

def button_strip():
    """A whole button 18 pixels wide; the caps and the middle are cut from it."""
    s = Sketch(18, 27)
    s.rect((0, 1, 18, 27), (20, 40, 70, 36), radius=6)  # shadow
    s.rect((0, 0, 18, 26), EDGE, radius=6)
    s.rect((1, 1, 17, 25), s.gradient(WHITE, (226, 232, 240)), radius=5)
    s.rect((2, 1, 16, 2), (255, 255, 255, 200))  # top highlight
    return s.reduced()


def button_left():
    return button_strip().crop((0, 0, 8, 27))


def button_center():
    return button_strip().crop((8, 0, 9, 27))


def button_right():
    return button_strip().crop((9, 0, 18, 27))


def badge(s, cx, cy, r, top, bottom, rim, rim_width=1):
    """A round badge: a rim, and inside it a disc shading from top to bottom."""
    s.circle(cx, cy, r, rim)
    s.circle(cx, cy, r - rim_width, s.gradient(top, bottom))


def round_badge(s, top, bottom):
    """The round coloured ground of a button icon."""
    badge(s, 9, 9, 8, top, bottom, rim=bottom)


def icon_next():
    s = Sketch(18, 18)
    round_badge(s, BRAND_LIGHT, BRAND)
    s.line([(5, 9), (12.5, 9)], WHITE, 2)
    s.line([(9, 5.5), (12.5, 9), (9, 12.5)], WHITE, 2)
    return s.reduced()


def icon_back():
    return icon_next().transpose(Image.FLIP_LEFT_RIGHT)


def icon_close():
    s = Sketch(18, 18)
    round_badge(s, SLATE_LIGHT, SLATE)
    s.line([(6, 6), (12, 12)], WHITE, 2)
    s.line([(12, 6), (6, 12)], WHITE, 2)
    return s.reduced()


def icon_accept():
    s = Sketch(18, 18)
    round_badge(s, GREEN_LIGHT, GREEN)
    s.line([(5, 9.5), (8, 12.2), (13, 6)], WHITE, 2)
    return s.reduced()


def icon_yes():
    """The same tick as Accept: both say yes."""
    return icon_accept()


def icon_no():
    s = Sketch(18, 18)
    round_badge(s, (236, 104, 96), (200, 52, 48))
    s.line([(6, 6), (12, 12)], WHITE, 2)
    s.line([(12, 6), (6, 12)], WHITE, 2)
    return s.reduced()


def draw_folder(s, box, open_with_sheet=False):
    """A yellow folder filling box; open, it shows a sheet of paper behind a tilted front."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    tab = (x0, y0, x0 + w * 0.45, y0 + h * 0.3)
    s.rect(tab, FOLDER_EDGE, radius=1.5)
    s.rect((x0, y0 + h * 0.15, x1, y1), FOLDER_EDGE, radius=1.5)
    s.rect((x0 + 1, y0 + h * 0.15 + 1, x1 - 1, y1 - 1), FOLDER_BACK, radius=1)
    if open_with_sheet:
        s.framed_rect((x0 + w * 0.18, y0 + h * 0.08, x1 - w * 0.14, y1 - h * 0.25),
                      (170, 176, 186), WHITE)
        for i in range(3):
            y = y0 + h * (0.28 + 0.15 * i)
            s.rect((x0 + w * 0.3, y, x1 - w * 0.26, y + 1), (176, 188, 204))
        fold = y0 + h * 0.42  # the top edge of the tilted front
        s.polygon([(x0, y1), (x0 + w * 0.16, fold), (x1, fold), (x1 - w * 0.12, y1)],
                  FOLDER_EDGE)
        s.polygon([(x0 + 1.2, y1 - 1), (x0 + w * 0.16 + 0.8, fold + 1), (x1 - 1.3, fold + 1),
                   (x1 - w * 0.12 - 0.6, y1 - 1)],
                  s.gradient(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM))
    else:
        s.framed_rect((x0, y0 + h * 0.3, x1, y1), FOLDER_EDGE,
                      s.gradient(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM), radius=1.5)


def icon_folder():
    s = Sketch(18, 18)
    draw_folder(s, (1, 2.5, 17, 16))
    return s.reduced()


def disabled(icon):
    """The greyed picture of a disabled button: lighter, no colour, same shape."""
    r, g, b, a = icon.split()
    grey = Image.merge("RGB", (r, g, b)).convert("L").point(lambda v: round(120 + v * 0.45))
    return Image.merge("RGBA", (grey, grey, grey, a))


# Activity bar ----------------------------------------------------------------------------

def bar_track():
    """The whole track 13 pixels wide; the ends and the middle are cut from it."""
    s = Sketch(13, 14)
    s.rect((0, 0, 13, 14), (158, 170, 188), radius=7)
    s.rect((1, 1, 12, 13), s.gradient((224, 229, 236), (252, 253, 254)), radius=6)
    return s.reduced()


def bar_left():
    return bar_track().crop((0, 0, 6, 14))


def bar_center():
    return bar_track().crop((6, 0, 7, 14))


def bar_right():
    return bar_track().crop((7, 0, 13, 14))


def bar_block():
    s = Sketch(10, 6)
    s.rect((0, 0, 10, 6), s.gradient(BRAND_LIGHT, BRAND), radius=3)
    return s.reduced()


# Check box -------------------------------------------------------------------------------

def check_box(ticked):
    """An opaque 13 x 13 box inside a one-pixel margin of the control's background colour."""
    s = Sketch(13, 13, CHECK_MARGIN)
    s.framed_rect((1, 1, 12, 12), (112, 128, 150), s.gradient(WHITE, (232, 237, 243)), radius=2)
    if ticked:
        s.line([(3.6, 6.6), (5.6, 8.8), (9.6, 3.8)], GREEN, 2)
    picture = s.reduced()
    for x in range(13):  # the margin exactly, whatever the rounding did
        for y in (0, 12):
            picture.putpixel((x, y), rgba(CHECK_MARGIN))
            picture.putpixel((y, x), rgba(CHECK_MARGIN))
    return picture


def check_off():
    return check_box(ticked=False)


def check_on():
    return check_box(ticked=True)


# Combo box -------------------------------------------------------------------------------

def combo_left():
    """Rounded left end of the grey caption strip with its grey outline, on the frame colour."""
    s = Sketch(10, 17, FRAME)
    s.framed_rect((0, 0, 10, 17), COMBO_OUTLINE, COMBO_FACE, radius=3)
    return s.reduced().crop((0, 0, 5, 17))


def combo_arrow():
    """The drop button: brand blue under a white chevron, outlined like the strip."""
    s = Sketch(17, 17, COMBO_OUTLINE)
    s.rect((1, 1, 16, 16), s.gradient(BRAND_LIGHT, BRAND))
    s.line([(5, 6.8), (8.5, 10.3), (12, 6.8)], WHITE, 2)
    return s.reduced()


# Flags: 16 x 11 in the middle of 16 x 16, with a darker rim so light colours keep an edge ----

FLAG_TOP = 3


def flag(draw_design):
    """Draws a 16 x 11 flag with draw_design(sketch) and places it on a transparent square."""
    s = Sketch(16, 11)
    draw_design(s)
    design = s.reduced()
    for x in range(16):
        for y in range(11):
            if x in (0, 15) or y in (0, 10):
                r, g, b, a = design.getpixel((x, y))
                design.putpixel((x, y), (round(r * 0.78), round(g * 0.78), round(b * 0.78), a))
    square = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    square.paste(design, (0, FLAG_TOP))
    return square


def stripes(s, colours, sizes, vertical=False):
    """Bands of the given colours and sizes in pixels, from the top (or the left)."""
    at = 0
    for colour, size in zip(colours, sizes):
        s.rect((at, 0, at + size, 11) if vertical else (0, at, 16, at + size), colour)
        at += size


def flag_en():
    """United Kingdom: blue field, white and red saltires, white and red cross."""
    def design(s):
        blue, red = (1, 33, 105), (200, 16, 46)
        s.rect((0, 0, 16, 11), blue)
        s.line([(0, 0), (16, 11)], WHITE, 2.6)
        s.line([(0, 11), (16, 0)], WHITE, 2.6)
        s.line([(0, 0), (16, 11)], red, 0.9)
        s.line([(0, 11), (16, 0)], red, 0.9)
        s.rect((6, 0, 10, 11), WHITE)
        s.rect((0, 3.5, 16, 7.5), WHITE)
        s.rect((7, 0, 9, 11), red)
        s.rect((0, 4.5, 16, 6.5), red)
    return flag(design)


def flag_es():
    """Spain: red, yellow twice as wide, red; the arms as a small mark near the hoist."""
    def design(s):
        stripes(s, [(198, 11, 30), (255, 196, 0), (198, 11, 30)], [3, 5, 3])
        s.rect((3.5, 4, 6, 7), (173, 21, 25), radius=0.6)
    return flag(design)


def flag_pt():
    """Portugal: green at the hoist, red, the yellow sphere on the border."""
    def design(s):
        stripes(s, [(0, 102, 0), (218, 41, 28)], [6, 10], vertical=True)
        s.ellipse((3, 2.5, 9, 8.5), (255, 204, 0))
        s.ellipse((4.6, 4.1, 7.4, 6.9), WHITE)
        s.rect((5.3, 4.6, 6.7, 6.4), (218, 41, 28))
    return flag(design)


def flag_it():
    def design(s):
        stripes(s, [(0, 146, 70), (244, 245, 240), (206, 43, 55)], [5, 6, 5], vertical=True)
    return flag(design)


def flag_fr():
    def design(s):
        stripes(s, [(0, 35, 149), (244, 245, 240), (237, 41, 57)], [5, 6, 5], vertical=True)
    return flag(design)


def flag_esmx():
    """Mexico: green, white, red with the eagle's brown mark in the middle."""
    def design(s):
        stripes(s, [(0, 104, 71), (244, 245, 240), (206, 17, 38)], [5, 6, 5], vertical=True)
        s.ellipse((6.3, 3.3, 9.7, 6.9), (140, 90, 50))
        s.rect((6.5, 6.6, 9.5, 7.4), (0, 104, 71))
    return flag(design)


def flag_ca():
    """Catalonia: four red stripes on yellow."""
    def design(s):
        yellow, red = (252, 221, 9), (218, 18, 26)
        stripes(s, [yellow, red] * 4 + [yellow], [2, 1, 1, 1, 1, 1, 1, 1, 2])
    return flag(design)


def flag_nl():
    def design(s):
        stripes(s, [(174, 28, 40), (244, 245, 240), (33, 70, 139)], [4, 3, 4])
    return flag(design)


def flag_hr():
    """Croatia: red, white, blue with the chequered shield."""
    def design(s):
        stripes(s, [(255, 0, 0), (244, 245, 240), (23, 23, 150)], [4, 3, 4])
        s.rect((5.5, 2.5, 10.5, 9), WHITE, radius=1)
        for row in range(4):
            for col in range(3):
                if (row + col) % 2 == 0:
                    x, y = 6 + col * 1.4, 3 + row * 1.4
                    s.rect((x, y, x + 1.4, y + 1.4), (230, 0, 0))
        s.rect((6, 8.6, 10, 9), (230, 0, 0))
    return flag(design)


# Folder tree icons -----------------------------------------------------------------------

def drive_body(s, box, led):
    """A grey drive case with a light top edge and a status light."""
    x0, y0, x1, y1 = box
    s.framed_rect(box, (92, 102, 118), s.gradient((226, 230, 236), (170, 178, 192)), radius=2)
    s.rect((x0 + 1.5, y0 + 1, x1 - 1.5, y0 + 1.6), (255, 255, 255, 150))
    s.ellipse((x1 - 4, y1 - 4, x1 - 2, y1 - 2), led)


def tree_removable():
    """A diskette going into its drive."""
    s = Sketch(16, 16)
    blue = (40, 96, 186)
    s.polygon([(3, 0), (12, 0), (13, 1), (13, 10), (3, 10)], (20, 60, 130))
    s.polygon([(3.8, 0.8), (11.7, 0.8), (12.2, 1.4), (12.2, 10), (3.8, 10)], blue)
    s.rect((6, 0.8, 10.5, 4), (200, 206, 214))  # shutter
    s.rect((8.8, 1.4, 9.8, 3.4), blue)
    s.rect((5, 6, 11, 10), WHITE)  # label
    drive_body(s, (1, 8.5, 15, 15.5), (70, 200, 90))
    s.rect((3.5, 10.5, 12.5, 11.5), (40, 44, 52))  # slot
    return s.reduced()


def tree_fixed():
    """A hard disk case seen a little from above."""
    s = Sketch(16, 16)
    s.polygon([(2.5, 3), (13.5, 3), (15.5, 6.5), (0.5, 6.5)], (92, 102, 118))
    s.polygon([(3, 4), (13, 4), (14.2, 6.5), (1.8, 6.5)], (232, 235, 240))
    drive_body(s, (0.5, 6, 15.5, 13.5), (70, 200, 90))
    s.rect((2.5, 9.5, 9, 10.5), (112, 122, 138))
    return s.reduced()


def tree_cd():
    """A compact disc with a faint rainbow sheen and its hole."""
    s = Sketch(16, 16)
    s.ellipse((0.5, 0.5, 15.5, 15.5), (120, 130, 146))
    s.ellipse((1.5, 1.5, 14.5, 14.5), s.gradient((240, 242, 246), (196, 202, 212)))
    disc = s.ellipse_mask((1.5, 1.5, 14.5, 14.5))
    s.polygon([(8, 8), (16, 1), (16, 7)], (120, 200, 255, 110), clip=disc)
    s.polygon([(8, 8), (0, 15), (0, 9)], (255, 150, 200, 110), clip=disc)
    s.polygon([(8, 8), (4, 0), (8, 0)], (255, 236, 140, 110), clip=disc)
    s.ellipse((5, 5, 11, 11), (150, 158, 172))
    s.ellipse((5.8, 5.8, 10.2, 10.2), (228, 231, 236))
    s.erase(s.ellipse_mask((6.8, 6.8, 9.2, 9.2)))
    return s.reduced()


def tree_folder():
    s = Sketch(16, 16)
    draw_folder(s, (0.5, 1.5, 15.5, 14.5))
    return s.reduced()


def tree_folder_open():
    s = Sketch(16, 16)
    draw_folder(s, (0.5, 1.5, 15.5, 14.5), open_with_sheet=True)
    return s.reduced()


# Update picture --------------------------------------------------------------------------

def update_picture():
    """A globe with a green download badge."""
    s = Sketch(46, 49)
    globe = (2, 3, 40, 41)
    s.ellipse(globe, BRAND_DARK)
    s.ellipse((3, 4, 39, 40), s.gradient((84, 160, 230), BRAND))
    inside = s.ellipse_mask((3, 4, 39, 40))
    mesh = (255, 255, 255, 120)
    s.paint(ImageChops.subtract(s.ellipse_mask((13, 3.5, 29, 40.5)),
                                s.ellipse_mask((14.3, 4.8, 27.7, 39.2))), mesh, clip=inside)
    s.line([(21, 3), (21, 41)], mesh, 1.3, clip=inside)
    for y in (12, 22, 32):
        s.line([(2, y), (40, y)], mesh, 1.3, clip=inside)
    s.ellipse((8, 7, 22, 15), (255, 255, 255, 40))  # shine
    bx, by = 33.5, 36.5
    badge(s, bx, by, 12, GREEN_LIGHT, GREEN, rim=WHITE, rim_width=2)
    s.line([(bx, by - 6), (bx, by + 5)], WHITE, 2.6)
    s.line([(bx - 5, by + 0.5), (bx, by + 5.5), (bx + 5, by + 0.5)], WHITE, 2.6)
    return s.reduced()


# Cursor ----------------------------------------------------------------------------------

HAND = [
    "    XX          ",
    "   X..X         ",
    "   X..X         ",
    "   X..X         ",
    "   X..X         ",
    "   X..XXX       ",
    "   X..X..XXX    ",
    "   X..X..X..X   ",
    "   X..X..X..XXX ",
    "   X..X..X..X..X",
    " XXX..X..X..X..X",
    "X..X...........X",
    "X..............X",
    "X..............X",
    " X.............X",
    " X.............X",
    "  X............X",
    "   X..........X ",
    "    X.........X ",
    "    X........X  ",
    "    X........X  ",
    "    XXXXXXXXXX  ",
]
HAND_AT = (6, 1)  # where the drawing's top-left corner lies in the cursor
HAND_HOTSPOT = (HAND_AT[0] + 4, HAND_AT[1])  # the tip of the pointing finger


def hand_cursor():
    """A pointing hand, black outline and white fill, with a soft shadow."""
    cursor = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    ox, oy = HAND_AT
    for y, row in enumerate(HAND):
        for x, cell in enumerate(row):
            if cell != " " and cursor.getpixel((ox + x + 1, oy + y + 1))[3] == 0:
                cursor.putpixel((ox + x + 1, oy + y + 1), (0, 0, 0, 70))
    for y, row in enumerate(HAND):
        for x, cell in enumerate(row):
            if cell != " ":
                cursor.putpixel((ox + x, oy + y), (0, 0, 0, 255) if cell == "X" else
                                (255, 255, 255, 255))
    return cursor


# The pictures, their resource names, kinds and sizes -------------------------------------

def with_disabled(name, draw_icon):
    """A button icon's two pictures: as drawn, and greyed for a disabled button."""
    return [("ICON_" + name, ALPHA, (18, 18), draw_icon),
            ("ICON_" + name + "_OFF", ALPHA, (18, 18), lambda: disabled(draw_icon()))]


PICTURES = [
    ("FRMMAIN", WINDOW, (466, 299), wizard_window),
    ("FRMFOLDERS", WINDOW, (299, 300), folders_window),
    ("FRMDIALOG", WINDOW, (299, 107), question_window),
    ("BOTON_LEFT", ALPHA, (8, 27), button_left),
    ("BOTON_CENTER", ALPHA, (1, 27), button_center),
    ("BOTON_RIGHT", ALPHA, (9, 27), button_right),
    *with_disabled("NEXT", icon_next),
    *with_disabled("BACK", icon_back),
    *with_disabled("CLOSE", icon_close),
    *with_disabled("FOLDER", icon_folder),
    *with_disabled("ACCEPT", icon_accept),
    *with_disabled("YES", icon_yes),
    *with_disabled("NO", icon_no),
    ("BARRA_BLOCK", ALPHA, (10, 6), bar_block),
    ("BARRA_LEFT", ALPHA, (6, 14), bar_left),
    ("BARRA_RIGHT", ALPHA, (6, 14), bar_right),
    ("BARRA_CENTER", ALPHA, (1, 14), bar_center),
    ("CHECK_OFF", ALPHA, (13, 13), check_off),
    ("CHECK_ON", ALPHA, (13, 13), check_on),
    ("COMBO_LEFT", ALPHA, (5, 17), combo_left),
    ("COMBO_ARROW", ALPHA, (17, 17), combo_arrow),
    # Flags in the order of the language list.
    ("FLAG_EN", MASKED, (16, 16), flag_en),
    ("FLAG_ES", MASKED, (16, 16), flag_es),
    ("FLAG_PT", MASKED, (16, 16), flag_pt),
    ("FLAG_IT", MASKED, (16, 16), flag_it),
    ("FLAG_FR", MASKED, (16, 16), flag_fr),
    ("FLAG_ESMX", MASKED, (16, 16), flag_esmx),
    ("FLAG_CA", MASKED, (16, 16), flag_ca),
    ("FLAG_NL", MASKED, (16, 16), flag_nl),
    ("FLAG_HR", MASKED, (16, 16), flag_hr),
    ("TREE_REMOVABLE", MASKED, (16, 16), tree_removable),
    ("TREE_FIXED", MASKED, (16, 16), tree_fixed),
    ("TREE_CD", MASKED, (16, 16), tree_cd),
    ("TREE_FOLDER", MASKED, (16, 16), tree_folder),
    ("TREE_FOLDER_OPEN", MASKED, (16, 16), tree_folder_open),
    ("UPDATE", ALPHA, (46, 49), update_picture),
    ("HAND", CURSOR, (32, 32), hand_cursor),
]


def file_name(name, kind):
    return name.lower() + (".cur" if kind == CURSOR else ".bmp")


# Writers ---------------------------------------------------------------------------------

def bmp_bytes(pixels, width, height, bits):
    """A BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, BI_RGB) of rows given top-down."""
    stride = (width * bits // 8 + 3) & ~3
    body = b"".join(row.ljust(stride, b"\0") for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(body), 3780, 3780,
                       0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + body


def rows(image, order):
    """Top-down rows of raw pixel bytes, the image's bands in the given order ("BGRA")."""
    bands = dict(zip(image.mode.upper(), image.split()))
    merged = Image.merge("RGBA" if len(order) == 4 else "RGB", [bands[c] for c in order])
    data, stride = merged.tobytes(), image.width * len(order)
    return [data[y * stride:(y + 1) * stride] for y in range(image.height)]


def window_bmp(picture):
    return bmp_bytes(rows(picture.convert("RGB"), "BGR"), *picture.size, 24)


def alpha_bmp(picture):
    """32-bit BGRA, colour premultiplied by alpha."""
    premultiplied = picture.convert("RGBa")
    return bmp_bytes(rows(premultiplied, "BGRA"), *picture.size, 32)


def masked_bmp(picture):
    """Magenta where the picture is less than half covered; elsewhere the picture over white.

    Edges stay hard against magenta: a pixel is either exactly magenta or no blend with it.
    Soft edges are blended with white, the folder tree's background.
    """
    solid = Image.new("RGBA", picture.size, rgba(WHITE))
    solid.alpha_composite(picture)
    out = Image.new("RGB", picture.size, MAGENTA)
    out.paste(solid.convert("RGB"), mask=picture.getchannel("A").point(
        lambda a: 255 if a >= 128 else 0))
    return window_bmp(out)


def cur_bytes(picture, hotspot):
    """A one-image .cur: 32-bit straight-alpha colour, then the AND mask (1 = transparent).

    Where the AND mask is set the colour is black, so systems that ignore alpha show the
    screen unchanged there.
    """
    width, height = picture.size
    mask_stride = (width + 31) // 32 * 4
    colour, mask = [], []
    for y in range(height):
        row, bits = bytearray(), bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = picture.getpixel((x, y))
            if a >= 128:
                row += bytes((b, g, r, a))
            else:
                row += bytes((0, 0, 0, a))
                bits[x // 8] |= 0x80 >> (x % 8)
        colour.append(bytes(row))
        mask.append(bytes(bits))
    body = b"".join(reversed(colour)) + b"".join(reversed(mask))
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(body), 0, 0, 0, 0)
    image = info + body
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, hotspot[0], hotspot[1], len(image),
                        6 + 16)
    return directory + entry + image


def encode(name, kind, size, picture):
    assert picture.size == size, f"{name} is {picture.size}, not {size}"
    if kind == WINDOW:
        return window_bmp(picture)
    if kind == ALPHA:
        return alpha_bmp(picture)
    if kind == MASKED:
        return masked_bmp(picture)
    return cur_bytes(picture, HAND_HOTSPOT)


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: draw.py OUTDIR | --list")
    if argv[1] == "--list":
        for name, kind, _, _ in PICTURES:
            print(file_name(name, kind))
        return
    outdir = os.path.abspath(argv[1])
    os.makedirs(outdir, exist_ok=True)
    script = ["// The wizard's pictures, drawn by draw.py at build time."]
    for name, kind, size, draw in PICTURES:
        path = os.path.join(outdir, file_name(name, kind))
        with open(path, "wb") as f:
            f.write(encode(name, kind, size, draw()))
        script.append(f'{name} {"CURSOR" if kind == CURSOR else "BITMAP"} "{path}"')
    with open(os.path.join(outdir, "artwork.rc"), "w") as f:
        f.write("\n".join(script) + "\n")


if __name__ == "__main__":
    main(sys.argv)
