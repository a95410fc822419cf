#!/usr/bin/env python3
"""Draws the program's artwork: the title bar, the dialog icon, the preview
frames, the calibration and sample pictures and the arrow pads of the
adjustment windows. Standard library only; writes PNG (zlib) and XPM (text)
next to this script. Run it again after changing a drawing and commit the
results.

Shapes are drawn from signed distance functions, which gives antialiased
edges. The program loads every picture as a pixmap with a one-bit mask, so
each picture is flattened onto the theme's window colour and keeps only a
binary transparency.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Colours shared with gtkthemes/gtkrc.
WINDOW_BG = (0xEE, 0xF1, 0xF5)
ACCENT = (0x2F, 0x5F, 0x96)
ACCENT_DARK = (0x1C, 0x3B, 0x63)


# ---- canvas -----------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0.0)):
        self.w = width
        self.h = height
        r, g, b, a = fill
        self.px = [[r, g, b, a] for _ in range(width * height)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        alpha = min(alpha, 1.0)
        p = self.px[y * self.w + x]
        out_a = alpha + p[3] * (1.0 - alpha)
        if out_a <= 0.0:
            return
        for i in range(3):
            p[i] = (colour[i] * alpha + p[i] * p[3] * (1.0 - alpha)) / out_a
        p[3] = out_a

    def shape(self, sdf, paint, opacity=1.0, bbox=None):
        """Fills where sdf(x, y) < 0; paint(x, y) gives the colour."""
        x0, y0, x1, y1 = bbox if bbox else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0) - 1), min(self.h, int(math.ceil(y1)) + 1)):
            for x in range(max(0, int(x0) - 1), min(self.w, int(math.ceil(x1)) + 1)):
                cx, cy = x + 0.5, y + 0.5
                cover = min(max(0.5 - sdf(cx, cy), 0.0), 1.0)
                if cover > 0.0:
                    self.blend(x, y, paint(cx, cy) if callable(paint) else paint, cover * opacity)

    def flattened(self, background=WINDOW_BG):
        """Pixels composited on `background`; transparent where alpha < 0.5."""
        out = []
        for r, g, b, a in self.px:
            if a < 0.5:
                out.append(None)
            else:
                out.append(tuple(int(round(c * a + bg * (1.0 - a))) for c, bg in zip((r, g, b), background)))
        return out


# ---- distance functions --------------------------------------------------------

def rounded_rect(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return sdf


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ring(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2.0


def polygon(points):
    """Convex polygon, points in either winding."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1] for i in range(n))
    sign = 1.0 if area > 0 else -1.0

    def sdf(x, y):
        worst = -1e9
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            length = math.hypot(ex, ey)
            # outward normal distance
            d = sign * ((x - ax) * ey - (y - ay) * ex) / length
            worst = max(worst, d)
        return worst
    return sdf


def segment(ax, ay, bx, by, width):
    def sdf(x, y):
        px, py = x - ax, y - ay
        ex, ey = bx - ax, by - ay
        t = max(0.0, min(1.0, (px * ex + py * ey) / (ex * ex + ey * ey)))
        return math.hypot(px - ex * t, py - ey * t) - width / 2.0
    return sdf


def vertical_gradient(y0, y1, top, bottom):
    def paint(x, y):
        t = min(max((y - y0) / float(y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# ---- pixel font (5 x 8, row 6 is the baseline) ---------------------------------

GLYPHS = {
    'Q': [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#", "....."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####", "....."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#..", "....."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####.", "....."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", "....."],
    'G': [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###.", "....."],
    'i': ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###.", "....."],
    's': [".....", ".....", ".####", "#....", ".###.", "....#", "####.", "....."],
    'p': [".....", ".....", "####.", "#...#", "#...#", "####.", "#....", "#...."],
    'l': [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####", "....."],
    'y': [".....", ".....", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    't': ["..#..", "..#..", "#####", "..#..", "..#..", "..#.#", "...#.", "....."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", "....."],
    'h': ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#", "....."],
    'c': [".....", ".....", ".###.", "#....", "#....", "#...#", ".###.", "....."],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", "....."],
    'n': [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#", "....."],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###.", "....."],
    'f': ["..##.", ".#...", "####.", ".#...", ".#...", ".#...", ".#...", "....."],
    'd': ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", "....."],
}


def glyph_columns(ch):
    rows = GLYPHS[ch]
    used = [c for c in range(5) if any(r[c] == '#' for r in rows)]
    return (used[0], used[-1]) if used else (0, 2)


def text_width(text, scale):
    width = 0
    for ch in text:
        if ch == ' ':
            width += 3 * scale
            continue
        first, last = glyph_columns(ch)
        width += (last - first + 2) * scale
    return width - scale


def draw_text(canvas, text, x, y, scale, colour, opacity=1.0):
    for ch in text:
        if ch == ' ':
            x += 3 * scale
            continue
        first, last = glyph_columns(ch)
        for row, bits in enumerate(GLYPHS[ch]):
            for col in range(first, last + 1):
                if bits[col] == '#':
                    px = x + (col - first) * scale
                    py = y + row * scale
                    canvas.shape(rounded_rect(px, py, px + scale, py + scale, 0.0), colour, opacity,
                                 (px, py, px + scale, py + scale))
        x += (last - first + 2) * scale


# ---- writers --------------------------------------------------------------------

def write_png(name, width, height, pixels):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for p in pixels[y * width:(y + 1) * width]:
            raw.extend((0, 0, 0, 0) if p is None else (p[0], p[1], p[2], 255))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


XPM_CHARS = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@$%&*+-=:;<>"


def write_xpm(name, width, height, pixels, step=8):
    """XPM text; colours are rounded to multiples of `step` to bound the palette."""
    def quantise(p):
        if p is None:
            return None
        return tuple(min(255, int(round(c / float(step))) * step) for c in p)

    pixels = [quantise(p) for p in pixels]
    colours = sorted({p for p in pixels if p is not None})
    codes_needed = len(colours) + 1
    per_pixel = 1 if codes_needed <= len(XPM_CHARS) else 2

    def code(i):
        if per_pixel == 1:
            return XPM_CHARS[i]
        return XPM_CHARS[i // len(XPM_CHARS)] + XPM_CHARS[i % len(XPM_CHARS)]

    table = {None: " " * per_pixel}
    for i, c in enumerate(colours):
        table[c] = code(i + 1)
    ident = os.path.splitext(name)[0].replace("-", "_")
    lines = ['"%d %d %d %d",' % (width, height, len(colours) + 1, per_pixel)]
    lines.append('"%s c None",' % table[None])
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((table[c],) + c))
    for y in range(height):
        row = "".join(table[p] for p in pixels[y * width:(y + 1) * width])
        lines.append('"%s"%s' % (row, "," if y < height - 1 else ""))
    with open(os.path.join(HERE, name), "w") as f:
        f.write("/* XPM */\nstatic char *%s[] = {\n%s\n};\n" % (ident, "\n".join(lines)))


# ---- pictures --------------------------------------------------------------------

def draw_monitor_icon(c, x, y, w, h):
    """A small monitor for the title bar."""
    c.shape(rounded_rect(x, y, x + w, y + h * 0.78, 3), (0xF4, 0xF7, 0xFB))
    c.shape(rounded_rect(x + 3, y + 3, x + w - 3, y + h * 0.78 - 4, 1.5),
            vertical_gradient(y, y + h * 0.7, (0x6F, 0xC3, 0xF0), (0x25, 0x76, 0xC4)))
    c.shape(circle(x + w * 0.32, y + h * 0.30, h * 0.12), (0xFF, 0xE0, 0x7A), 0.9)
    c.shape(polygon([(x + 4, y + h * 0.74), (x + w * 0.45, y + h * 0.40), (x + w - 4, y + h * 0.74)]),
            (0x1E, 0x5A, 0x3A), 0.85)
    c.shape(polygon([(x + w * 0.42, y + h * 0.78), (x + w * 0.58, y + h * 0.78),
                     (x + w * 0.62, y + h * 0.92), (x + w * 0.38, y + h * 0.92)]), (0xC9, 0xD3, 0xE0))
    c.shape(rounded_rect(x + w * 0.22, y + h * 0.90, x + w * 0.78, y + h, 2), (0xF4, 0xF7, 0xFB))


def titlebar():
    w, h = 377, 61
    c = Canvas(w, h)
    c.shape(rounded_rect(0, 0, w, h, 9), vertical_gradient(0, h, (0x3C, 0x74, 0xB0), ACCENT_DARK))
    # a soft diagonal sheen
    c.shape(polygon([(150, 0), (250, 0), (190, h), (90, h)]), (0xFF, 0xFF, 0xFF), 0.07)
    c.shape(rounded_rect(1, 1, w - 1, h / 2.0, 8), (0xFF, 0xFF, 0xFF), 0.08)
    draw_monitor_icon(c, 14, 10, 46, 42)
    title = "QEV Display Utility"
    draw_text(c, title, 75, 12, 2, (0x0E, 0x22, 0x3C), 0.45)  # shadow
    draw_text(c, title, 74, 11, 2, (0xFF, 0xFF, 0xFF))
    draw_text(c, "Graphics control panel", 75, 39, 1, (0xC8, 0xDC, 0xF2))
    # red, green and blue discs: the three channels of a display
    for (cx, cy, colour) in ((322, 24, (0xFF, 0x4D, 0x4D)), (340, 24, (0x4D, 0xE0, 0x6B)),
                             (331, 39, (0x4D, 0x8D, 0xFF))):
        c.shape(circle(cx, cy, 11), colour, 0.72)
    write_png("titlebar.png", w, h, c.flattened())


def info_icon():
    s = 21
    c = Canvas(s, s)
    c.shape(circle(10.5, 10.5, 10.0), vertical_gradient(0, s, (0x5B, 0x91, 0xD0), ACCENT_DARK))
    c.shape(ring(10.5, 10.5, 9.4, 1.0), (0xFF, 0xFF, 0xFF), 0.25)
    c.shape(circle(10.5, 5.8, 1.7), (0xFF, 0xFF, 0xFF))
    c.shape(rounded_rect(9.0, 8.5, 12.0, 16.5, 0.8), (0xFF, 0xFF, 0xFF))
    write_xpm("info.xpm", s, s, c.flattened())


def screen_fill(x0, y0, x1, y1):
    return vertical_gradient(y0, y1, (0x35, 0x7D, 0xC8), (0x12, 0x2E, 0x58))


def computer():
    """Preview frame of the Gamma page: the screen is 157 x 117 at 10, 10."""
    w, h = 180, 170
    c = Canvas(w, h)
    c.shape(rounded_rect(0, 0, 177, 137, 6), vertical_gradient(0, 137, (0x4A, 0x52, 0x60), (0x25, 0x29, 0x31)))
    c.shape(rounded_rect(1, 1, 176, 136, 5.5), (0xFF, 0xFF, 0xFF), 0.06)
    c.shape(rounded_rect(10, 10, 167, 127, 0), screen_fill(10, 10, 167, 127))
    c.shape(circle(168, 131.5, 1.6), (0x5C, 0xE0, 0x7A))
    c.shape(polygon([(78, 137), (100, 137), (106, 156), (72, 156)]),
            vertical_gradient(137, 156, (0x2A, 0x2F, 0x38), (0x4A, 0x52, 0x60)))
    c.shape(rounded_rect(46, 154, 132, 166, 5), vertical_gradient(154, 166, (0x56, 0x5F, 0x6E), (0x2C, 0x31, 0x3A)))
    write_xpm("computer.xpm", w, h, c.flattened(), step=4)


def monitor():
    """Preview frame of the TV window: the screen is 140 x 105 at 10, 10."""
    w, h = 170, 150
    c = Canvas(w, h)
    silver = vertical_gradient(0, 125, (0xD5, 0xDC, 0xE5), (0x98, 0xA4, 0xB3))
    c.shape(rounded_rect(0, 0, 160, 125, 9), silver)
    c.shape(rounded_rect(7, 7, 153, 118, 3), (0x5E, 0x69, 0x78))
    c.shape(rounded_rect(10, 10, 150, 115, 0), screen_fill(10, 10, 150, 115))
    c.shape(circle(80, 120.5, 1.5), (0x3C, 0xB0, 0x5A))
    c.shape(segment(60, 126, 44, 146, 4), (0x8A, 0x96, 0xA6))
    c.shape(segment(100, 126, 116, 146, 4), (0x8A, 0x96, 0xA6))
    c.shape(rounded_rect(34, 144, 126, 149, 2.5), (0x7A, 0x86, 0x96))
    write_xpm("monitor.xpm", w, h, c.flattened(), step=4)


def calibration():
    """Calibration picture for the Gamma page (157 x 117 of it are shown)."""
    w, h = 160, 120
    c = Canvas(w, h, (0x80, 0x80, 0x80, 1.0))
    bars = [(191, 191, 191), (191, 191, 0), (0, 191, 191), (0, 191, 0),
            (191, 0, 191), (191, 0, 0), (0, 0, 191), (16, 16, 16)]
    bw = w / 8.0
    for i, colour in enumerate(bars):
        c.shape(rounded_rect(i * bw, 0, (i + 1) * bw, 40, 0), colour)
    # grey wedge in eleven steps, black to white
    sw = w / 11.0
    for i in range(11):
        v = int(round(255 * i / 10.0))
        c.shape(rounded_rect(i * sw, 88, (i + 1) * sw, 120, 0), (v, v, v))
    # fine stripes for the gamma match: alternate black and white lines beside 50% grey
    for y in range(44, 84):
        v = 0 if y % 2 else 255
        for x in range(4, 36):
            c.px[y * w + x] = [v, v, v, 1.0]
        for x in range(124, 156):
            c.px[y * w + x] = [v if x % 2 else 255 - v] * 3 + [1.0]
    c.shape(rounded_rect(36, 44, 52, 84, 0), (186, 186, 186))
    c.shape(rounded_rect(108, 44, 124, 84, 0), (186, 186, 186))
    # centre target
    c.shape(circle(80, 64, 20), (0x20, 0x20, 0x20))
    c.shape(ring(80, 64, 19, 1.4), (0xF0, 0xF0, 0xF0))
    c.shape(ring(80, 64, 11, 1.2), (0xF0, 0xF0, 0xF0))
    c.shape(segment(58, 64, 102, 64, 1.2), (0xF0, 0xF0, 0xF0))
    c.shape(segment(80, 42, 80, 86, 1.2), (0xF0, 0xF0, 0xF0))
    write_xpm("z7cal24.xpm", w, h, c.flattened(), step=4)


def tv_sample():
    """The picture that moves inside the TV window's preview."""
    w, h = 90, 75
    c = Canvas(w, h)
    c.shape(rounded_rect(0, 0, w, h, 0), vertical_gradient(0, 48, (0x4E, 0x9C, 0xE8), (0xC4, 0xE4, 0xFA)))
    c.shape(circle(67, 17, 8), (0xFF, 0xD8, 0x5A))
    c.shape(circle(67, 17, 11), (0xFF, 0xE8, 0x9A), 0.35)
    for cx, cy, r in ((20, 16, 5), (27, 14, 6), (34, 17, 4.5)):
        c.shape(circle(cx, cy, r), (0xFF, 0xFF, 0xFF), 0.9)
    c.shape(circle(18, 92, 52), (0x4E, 0x9A, 0x4A))
    c.shape(circle(80, 100, 56), (0x3A, 0x7E, 0x3C))
    c.shape(rounded_rect(0, 62, w, h, 0), vertical_gradient(62, 75, (0x2E, 0x6F, 0xB5), (0x1B, 0x45, 0x7A)))
    c.shape(rounded_rect(47, 40, 61, 52, 0), (0xF2, 0xEC, 0xDF))
    c.shape(polygon([(45, 41), (54, 33), (63, 41)]), (0xB8, 0x4A, 0x3A))
    c.shape(rounded_rect(52, 45, 56, 52, 0), (0x6A, 0x45, 0x2E))
    write_xpm("tvo_samp.xpm", w, h, c.flattened())


# ---- arrow pads ------------------------------------------------------------------

PAD_STATES = {
    "normal": dict(top=(0xF8, 0xFA, 0xFC), bottom=(0xD6, 0xDF, 0xEA), border=(0x86, 0x98, 0xB0),
                   arrow=ACCENT, shift=0),
    "press": dict(top=(0xC2, 0xD0, 0xE3), bottom=(0xE4, 0xEB, 0xF4), border=(0x5E, 0x74, 0x92),
                  arrow=ACCENT_DARK, shift=1),
    "disable": dict(top=(0xE8, 0xEA, 0xED), bottom=(0xE0, 0xE3, 0xE7), border=(0xBA, 0xC0, 0xC8),
                    arrow=(0xAE, 0xB5, 0xBE), shift=0),
}

# Direction -> (width, height, unit vector of the arrow).
PAD_SHAPES = {
    "Left": (35, 66, (-1, 0)),
    "Right": (35, 66, (1, 0)),
    "Up": (66, 35, (0, -1)),
    "Down": (66, 35, (0, 1)),
}


def pad_base(w, h, state):
    c = Canvas(w, h)
    c.shape(rounded_rect(0.5, 0.5, w - 0.5, h - 0.5, 6), state["border"])
    c.shape(rounded_rect(1.5, 1.5, w - 1.5, h - 1.5, 5), vertical_gradient(0, h, state["top"], state["bottom"]))
    if state["shift"] == 0:
        c.shape(rounded_rect(2, 2, w - 2, h / 2.0, 4.5), (0xFF, 0xFF, 0xFF), 0.35)
    return c


def arrow_points(cx, cy, direction, length, half_width):
    dx, dy = direction
    px, py = -dy, dx  # perpendicular
    tip = (cx + dx * length / 2.0, cy + dy * length / 2.0)
    base = (cx - dx * length / 2.0, cy - dy * length / 2.0)
    return [tip, (base[0] + px * half_width, base[1] + py * half_width),
            (base[0] - px * half_width, base[1] - py * half_width)]


def arrow_pad(kind, direction_name, state_name):
    w, h, direction = PAD_SHAPES[direction_name]
    state = PAD_STATES[state_name]
    c = pad_base(w, h, state)
    cx, cy = w / 2.0 + state["shift"], h / 2.0 + state["shift"]
    dx, dy = direction
    if kind == "Position":
        # one solid arrow: move the picture
        c.shape(polygon(arrow_points(cx, cy, direction, 14, 9)), state["arrow"])
    else:
        # arrow against a bar: stretch or shrink the picture
        ax, ay = cx - dx * 3, cy - dy * 3
        c.shape(polygon(arrow_points(ax, ay, direction, 11, 8)), state["arrow"])
        bx, by = cx + dx * 6.5, cy + dy * 6.5
        px, py = -dy, dx
        c.shape(segment(bx - px * 9, by - py * 9, bx + px * 9, by + py * 9, 2.6), state["arrow"])
    return c, w, h


def centre_pad(state_name):
    w, h = 33, 35
    state = PAD_STATES[state_name]
    c = pad_base(w, h, state)
    cx, cy = w / 2.0 + state["shift"], h / 2.0 + state["shift"]
    c.shape(ring(cx, cy, 8, 2.2), state["arrow"])
    c.shape(circle(cx, cy, 3.2), state["arrow"])
    return c, w, h


def pads():
    for kind in ("Size", "Position"):
        for direction in PAD_SHAPES:
            for state in PAD_STATES:
                c, w, h = arrow_pad(kind, direction, state)
                name = "TV_%s_%s_%s.png" % (kind, direction, state)
                if name == "TV_Position_Right_disable.png":
                    name = "TV_Position_Right_disabl.png"  # the name the windows load
                write_png(name, w, h, c.flattened())
    for state in ("normal", "press"):
        c, w, h = centre_pad(state)
        write_png("TV_Position_Center_%s.png" % state, w, h, c.flattened())


def main():
    titlebar()
    info_icon()
    computer()
    monitor()
    calibration()
    tv_sample()
    pads()


if __name__ == "__main__":
    main()
