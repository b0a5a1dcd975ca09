#!/usr/bin/python3
"""Draws the 32 weather pictures b0.gif..b31.gif (50 x 46, GIF89a) that the program carries.

Run with Debian's Python and Pillow (python3-pil):  /usr/bin/python3 data/tools/icons/make_icons.py
Writes into data/icons/ (or the folder given as the first argument). The output is the same bytes
on every run: every shape is fixed, and the palette comes from a deterministic median cut.
"""

import io
import math
import os
import random
import sys

from PIL import Image, ImageDraw

WIDTH, HEIGHT = 50, 46
# Drawn this many times larger, then box-averaged down: cheap, exact antialiasing.
SCALE = 8
COLOURS = 64
# The archive finds its records by these markers, so no picture may contain them.
MARKERS = (b"/varnel_name/", b"/varnel_end/")

WHITE = (255, 255, 255)
SUN_FILL = ((255, 226, 92), (255, 164, 27))
SUN_EDGE = (232, 128, 0)
SUN_RAY = (255, 184, 20)
CLOUD_STYLES = {
    # top colour, bottom colour, outline
    "light": ((250, 252, 254), (208, 217, 227), (112, 127, 143)),
    "grey": ((205, 212, 220), (150, 161, 173), (84, 95, 108)),
    "dark": ((150, 160, 172), (90, 101, 115), (52, 61, 72)),
    "dust": ((238, 210, 160), (205, 160, 98), (150, 100, 45)),
    "darkdust": ((196, 146, 88), (140, 88, 40), (95, 55, 20)),
}
RAIN = (36, 118, 226)
RAIN_EDGE = (20, 84, 170)
RAIN_PALE = (168, 204, 248)
SNOW = (52, 128, 214)
SNOW_PALE = (128, 178, 234)
BOLT = (255, 214, 0)
BOLT_EDGE = (214, 120, 0)
HAIL = ((250, 253, 255), (170, 205, 240))
HAIL_EDGE = (60, 110, 170)
ICE = (200, 236, 250)
ICE_EDGE = (70, 150, 200)
FOG = (150, 160, 170)
SAND = (196, 146, 80)
SAND_DARK = (140, 88, 36)


def S(v):
    return v * SCALE


def box(cx, cy, r):
    return [S(cx - r), S(cy - r), S(cx + r), S(cy + r)]


def vertical_gradient(top, bottom, y0, y1):
    """A full-canvas image shading from top (at y0) to bottom (at y1), in picture pixels."""
    img = Image.new("RGB", (S(WIDTH), S(HEIGHT)))
    d = ImageDraw.Draw(img)
    for y in range(S(HEIGHT)):
        t = min(1.0, max(0.0, (y / SCALE - y0) / max(1e-6, y1 - y0)))
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        d.line([(0, y), (S(WIDTH), y)], fill=colour)
    return img


def cloud_parts(x0, y0, k):
    """Circles and a rounded base of one cloud; (x0, y0) is its top left, k its size factor."""
    circles = [(x0 + 11 * k, y0 + 12.5 * k, 7 * k), (x0 + 20 * k, y0 + 9 * k, 9 * k),
               (x0 + 29 * k, y0 + 13 * k, 6.5 * k)]
    base = (x0 + 4 * k, y0 + 12 * k, x0 + 35 * k, y0 + 19.5 * k)
    return circles, base


def cloud_mask(circles, base, grow):
    mask = Image.new("L", (S(WIDTH), S(HEIGHT)), 0)
    d = ImageDraw.Draw(mask)
    for cx, cy, r in circles:
        d.ellipse(box(cx, cy, r + grow), fill=255)
    x1, y1, x2, y2 = base
    radius = (y2 - y1) / 2 + grow
    d.rounded_rectangle([S(x1 - grow), S(y1 - grow), S(x2 + grow), S(y2 + grow)],
                        radius=S(radius), fill=255)
    return mask


def cloud(img, x0, y0, k=1.0, style="light"):
    """Paints a cloud about 36k wide and 21k high with its top left near (x0, y0)."""
    top, bottom, edge = CLOUD_STYLES[style]
    circles, base = cloud_parts(x0, y0, k)
    img.paste(edge, (0, 0), cloud_mask(circles, base, 1.15))
    img.paste(vertical_gradient(top, bottom, y0, y0 + 20 * k), (0, 0), cloud_mask(circles, base, 0))


def sun(img, cx, cy, r, rays=True, fill=SUN_FILL, edge=SUN_EDGE, ray=SUN_RAY):
    d = ImageDraw.Draw(img)
    if rays:
        for i in range(8):
            a = math.pi / 4 * i + math.pi / 8
            inner, outer, half = r + 2.2, r + 2.2 + r * 0.62, 0.32
            pts = [(cx + inner * math.cos(a - half * 0.5), cy + inner * math.sin(a - half * 0.5)),
                   (cx + outer * math.cos(a), cy + outer * math.sin(a)),
                   (cx + inner * math.cos(a + half * 0.5), cy + inner * math.sin(a + half * 0.5))]
            d.polygon([(S(x), S(y)) for x, y in pts], fill=ray)
    d.ellipse(box(cx, cy, r + 1.1), fill=edge)
    # A radial shade: lighter towards the upper left.
    steps = 24
    for i in range(steps):
        t = i / (steps - 1)
        rr = r * (1 - t * 0.75)
        colour = tuple(round(b + (a - b) * t) for a, b in zip(fill[0], fill[1]))
        d.ellipse(box(cx - r * 0.2 * t, cy - r * 0.2 * t, rr), fill=colour)


def drop(img, cx, cy, r=1.9, h=7.0, pale=False):
    """A rain drop: its round end centred at (cx, cy), its tip h above, leaning with the wind."""
    d = ImageDraw.Draw(img)
    tx, ty = cx + h * 0.28, cy - h
    dist = math.hypot(tx - cx, ty - cy)
    toward = math.atan2(ty - cy, tx - cx)
    spread = math.acos(min(1.0, r / dist))
    pts = [(tx, ty)]
    steps = 28
    a0, a1 = toward + spread, toward + 2 * math.pi - spread
    for i in range(steps + 1):
        a = a0 + (a1 - a0) * i / steps
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    fill, edge = (RAIN_PALE, RAIN) if pale else (RAIN, RAIN_EDGE)
    d.polygon([(S(x), S(y)) for x, y in pts], fill=fill, outline=edge, width=round(S(0.6)))


def stroke(d, p, q, w, colour):
    d.line([(S(p[0]), S(p[1])), (S(q[0]), S(q[1]))], fill=colour, width=round(S(w)))
    for x, y in (p, q):
        d.ellipse(box(x, y, w / 2), fill=colour)


def flake(img, cx, cy, r=3.6, pale=False):
    """A six-armed snow flake with a small fork on every arm."""
    d = ImageDraw.Draw(img)
    colour = SNOW_PALE if pale else SNOW
    for i in range(6):
        a = math.pi / 3 * i + math.pi / 2
        end = (cx + r * math.cos(a), cy + r * math.sin(a))
        stroke(d, (cx, cy), end, 1.1, colour)
        fx, fy = cx + r * 0.55 * math.cos(a), cy + r * 0.55 * math.sin(a)
        for side in (-1, 1):
            b = a + side * 0.8
            stroke(d, (fx, fy), (fx + r * 0.38 * math.cos(b), fy + r * 0.38 * math.sin(b)), 0.9,
                   colour)


def hail(img, cx, cy, r=2.8):
    d = ImageDraw.Draw(img)
    d.ellipse(box(cx, cy, r), fill=HAIL_EDGE)
    # A solid ice ball: bluish, lit from the upper left.
    steps = 8
    for i in range(steps):
        t = i / (steps - 1)
        colour = tuple(round(b + (a - b) * t) for a, b in zip(HAIL[0], HAIL[1]))
        d.ellipse(box(cx - r * 0.25 * t, cy - r * 0.25 * t, (r - 0.7) * (1 - t * 0.7)), fill=colour)


def bolt(img, x, y, k=1.0):
    d = ImageDraw.Draw(img)
    shape = [(4, 0), (10.5, 0), (7, 6.5), (11, 6.5), (2.5, 19), (4.5, 10), (0.5, 10)]
    pts = [(S(x + px * k), S(y + py * k)) for px, py in shape]
    d.polygon(pts, fill=BOLT, outline=BOLT_EDGE, width=round(S(0.8)))


def fall(img, items, y_top=30.5, y_low=40.5, left=9.0, right=41.0):
    """Lays precipitation out in a zig-zag below a cloud: items alternate between two rows."""
    n = len(items)
    # Few items stay close together under the middle of the cloud.
    span = min(right - left, (n - 1) * 8.5)
    start = (left + right - span) / 2
    for i, item in enumerate(items):
        x = start if n == 1 else start + span * i / (n - 1)
        y = y_top if i % 2 == 0 else y_low
        item(img, x, y)


def rain_items(count, pale=0, heavy=False):
    r, h = (2.1, 8.0) if heavy else (1.8, 6.5)
    solid = [lambda im, x, y: drop(im, x, y + h / 2 - 1, r, h)] * count
    light = [lambda im, x, y: drop(im, x, y + h / 2 - 1, r, h, pale=True)] * pale
    return solid + light


def snow_items(count, pale=0):
    return [lambda im, x, y: flake(im, x, y)] * count + \
        [lambda im, x, y: flake(im, x, y, pale=True)] * pale


def precip_cloud(img, style):
    cloud(img, 4.2, 1.5, 1.12, style)


def wind(d, x0, x1, y, curl, colour, w=1.6):
    """A wind streak from x0 to x1 that curls up and back at its right end."""
    stroke(d, (x0, y), (x1, y), w, colour)
    d.arc([S(x1 - curl), S(y - 2 * curl), S(x1 + curl), S(y)], start=180, end=450, fill=colour,
          width=round(S(w)))


def dust_dots(img, count, seed, area, colours, size=(0.7, 1.3), keep_out=None):
    """Scatters dust grains from a seeded generator, so the same grains every run."""
    rnd = random.Random(seed)
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = area
    i = 0
    while i < count:
        x, y = rnd.uniform(x0, x1), rnd.uniform(y0, y1)
        if keep_out and math.hypot(x - keep_out[0], y - keep_out[1]) < keep_out[2]:
            continue
        i += 1
        d.ellipse(box(x, y, rnd.uniform(*size)), fill=colours[i % len(colours)])


# ---- the 32 pictures; the number is the weather code of the forecast table ----

def draw_sunny(img):  # 0 晴
    sun(img, 25, 23, 10.5)


def draw_cloudy(img):  # 1 多云
    sun(img, 18, 15, 8.5)
    cloud(img, 9.5, 18, 1.05, "light")


def draw_overcast(img):  # 2 阴
    cloud(img, 12, 5, 0.95, "grey")
    cloud(img, 4, 17, 1.1, "grey")


def draw_shower(img):  # 3 阵雨
    sun(img, 15, 11, 7)
    cloud(img, 9, 6, 1.0, "light")
    fall(img, rain_items(3), left=14, right=36, y_top=33, y_low=40.5)


def draw_thunder_shower(img):  # 4 雷阵雨
    precip_cloud(img, "dark")
    bolt(img, 19.5, 20, 1.05)
    drop(img, 11, 36, 1.9, 7)
    drop(img, 37, 33, 1.9, 7)
    drop(img, 41, 43, 1.9, 7)


def draw_thunder_hail(img):  # 5 雷阵雨伴有冰雹
    precip_cloud(img, "dark")
    bolt(img, 19.5, 20, 1.05)
    hail(img, 10, 31)
    hail(img, 15, 41)
    hail(img, 38, 31)
    hail(img, 43, 41)
    drop(img, 31, 43, 1.7, 6)


def draw_sleet(img):  # 6 雨夹雪
    precip_cloud(img, "grey")
    items = rain_items(1) + snow_items(1) + rain_items(1) + snow_items(1)
    fall(img, items)


def rain(count, style, pale=0, heavy=False):
    def draw(img):
        precip_cloud(img, style)
        fall(img, rain_items(count, pale, heavy))
    return draw


def snow(count, style, pale=0):
    def draw(img):
        precip_cloud(img, style)
        fall(img, snow_items(count, pale))
    return draw


def draw_snow_shower(img):  # 13 阵雪
    sun(img, 15, 11, 7)
    cloud(img, 9, 6, 1.0, "light")
    fall(img, snow_items(3), left=15, right=37, y_top=33, y_low=41)


def draw_fog(img):  # 18 雾
    d = ImageDraw.Draw(img)
    for y, x0, x1 in ((9, 14, 40), (17, 7, 36), (25, 12, 44), (33, 6, 38), (41, 15, 41)):
        stroke(d, (x0, y), (x1, y), 3.2, FOG)


def draw_freezing_rain(img):  # 19 冻雨
    precip_cloud(img, "grey")
    fall(img, rain_items(3), left=13, right=37, y_top=29, y_low=33)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([S(7), S(38.5), S(43), S(41.5)], radius=S(1.5), fill=ICE, outline=ICE_EDGE,
                        width=round(S(0.7)))
    for x in (12, 20, 28, 36):
        pts = [(x - 1.5, 41.2), (x + 1.5, 41.2), (x, 45.6)]
        d.polygon([(S(px), S(py)) for px, py in pts], fill=ICE, outline=ICE_EDGE, width=round(S(0.6)))


def draw_duststorm(img):  # 20 沙尘暴
    cloud(img, 6, 2, 1.05, "dust")
    d = ImageDraw.Draw(img)
    wind(d, 4, 30, 31, 3.2, SAND_DARK)
    wind(d, 12, 40, 39, 3.2, SAND_DARK)
    dust_dots(img, 14, 20, (4, 25, 46, 45), [SAND, SAND_DARK])


def draw_floating_dust(img):  # 29 浮尘
    sun(img, 25, 17, 8.5, rays=False, fill=((250, 232, 190), (236, 196, 128)), edge=(214, 168, 96))
    dust_dots(img, 24, 29, (3, 3, 47, 44), [SAND, SAND_DARK, (214, 170, 110)], (0.8, 1.4),
              keep_out=(25, 17, 11.5))


def draw_blowing_sand(img):  # 30 扬沙
    d = ImageDraw.Draw(img)
    wind(d, 5, 32, 14, 3.5, SAND)
    wind(d, 2, 40, 23, 3.5, SAND_DARK)
    wind(d, 9, 30, 32, 3.0, SAND)
    stroke(d, (3, 43), (47, 43), 1.6, SAND_DARK)
    dust_dots(img, 12, 30, (22, 27, 47, 41), [SAND_DARK, SAND], (0.7, 1.1))


def draw_severe_duststorm(img):  # 31 强沙尘暴
    cloud(img, 4.5, 1, 1.12, "darkdust")
    d = ImageDraw.Draw(img)
    wind(d, 2, 28, 29, 3.0, SAND_DARK, 1.8)
    wind(d, 8, 40, 36, 3.0, (110, 62, 20), 1.8)
    wind(d, 3, 30, 43, 2.6, SAND_DARK, 1.8)
    dust_dots(img, 16, 31, (3, 24, 47, 45), [SAND_DARK, (110, 62, 20), SAND], (0.8, 1.3))


PICTURES = {
    0: draw_sunny,
    1: draw_cloudy,
    2: draw_overcast,
    3: draw_shower,
    4: draw_thunder_shower,
    5: draw_thunder_hail,
    6: draw_sleet,
    7: rain(2, "light"),  # 小雨
    8: rain(3, "grey"),  # 中雨
    9: rain(4, "grey", heavy=True),  # 大雨
    10: rain(5, "dark", heavy=True),  # 暴雨
    11: rain(6, "dark", heavy=True),  # 大暴雨
    12: rain(7, "dark", heavy=True),  # 特大暴雨
    13: draw_snow_shower,
    14: snow(2, "light"),  # 小雪
    15: snow(3, "light"),  # 中雪
    16: snow(4, "grey"),  # 大雪
    17: snow(5, "dark"),  # 暴雪
    18: draw_fog,
    19: draw_freezing_rain,
    20: draw_duststorm,
    # "A to B": the drops of A, and one pale drop for the step up to B.
    21: rain(2, "light", pale=1),  # 小到中雨
    22: rain(3, "grey", pale=1, heavy=True),  # 中到大雨
    23: rain(4, "dark", pale=1, heavy=True),  # 大到暴雨
    24: rain(5, "dark", pale=1, heavy=True),  # 暴雨到大暴雨
    25: rain(6, "dark", pale=1, heavy=True),  # 大暴雨到特大暴雨
    26: snow(2, "light", pale=1),  # 小到中雪
    27: snow(3, "grey", pale=1),  # 中到大雪
    28: snow(4, "dark", pale=1),  # 大到暴雪
    29: draw_floating_dust,
    30: draw_blowing_sand,
    31: draw_severe_duststorm,
}


def render(code):
    big = Image.new("RGB", (S(WIDTH), S(HEIGHT)), WHITE)
    PICTURES[code](big)
    return big.reduce(SCALE)


def gif_bytes(picture):
    paletted = picture.quantize(colors=COLOURS, method=Image.Quantize.MEDIANCUT,
                                dither=Image.Dither.NONE)
    # The page around the picture is white: keep the background exactly white.
    palette = paletted.getpalette()
    corner = paletted.getpixel((0, 0))
    palette[corner * 3:corner * 3 + 3] = list(WHITE)
    paletted.putpalette(palette)
    out = io.BytesIO()
    paletted.save(out, "GIF", optimize=True)
    data = out.getvalue()
    # Pillow writes the older header when no 89a feature is used; the format is a superset.
    if data.startswith(b"GIF87a"):
        data = b"GIF89a" + data[6:]
    return data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "icons")
    os.makedirs(target, exist_ok=True)
    for code in range(32):
        data = gif_bytes(render(code))
        for marker in MARKERS:
            if marker in data:
                sys.exit(f"b{code}.gif would contain {marker!r}; change the drawing")
        with open(os.path.join(target, f"b{code}.gif"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
