#!/usr/bin/python3
"""Procedural textures of the clock room: wood, wallpaper, fabric, brass, the dial, the sky and
the painting. Every picture comes from a fixed seed, so a rerun gives the same files.

usage: textures.py OUT_FOLDER
"""
import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"


def value_noise(rng, w, h, cells_x, cells_y):
    """Smoothly interpolated random lattice, tiling in both directions."""
    grid = rng.random((cells_y, cells_x))
    ys = np.linspace(0, cells_y, h, endpoint=False)
    xs = np.linspace(0, cells_x, w, endpoint=False)
    y0 = np.floor(ys).astype(int)
    x0 = np.floor(xs).astype(int)
    fy = ys - y0
    fx = xs - x0
    fy = fy * fy * (3 - 2 * fy)
    fx = fx * fx * (3 - 2 * fx)
    y1 = (y0 + 1) % cells_y
    x1 = (x0 + 1) % cells_x
    a = grid[np.ix_(y0, x0)]
    b = grid[np.ix_(y0, x1)]
    c = grid[np.ix_(y1, x0)]
    d = grid[np.ix_(y1, x1)]
    top = a + (b - a) * fx[None, :]
    bottom = c + (d - c) * fx[None, :]
    return top + (bottom - top) * fy[:, None]


def fractal(rng, w, h, cx, cy, octaves=5, gain=0.5):
    total = np.zeros((h, w))
    amp = 1.0
    norm = 0.0
    for _ in range(octaves):
        total += amp * value_noise(rng, w, h, cx, cy)
        norm += amp
        amp *= gain
        cx *= 2
        cy *= 2
    return total / norm


def colour_ramp(t, stops):
    """Maps t in 0..1 through a list of (position, (r, g, b)) stops."""
    t = np.clip(t, 0, 1)
    out = np.zeros(t.shape + (3,))
    pos = [p for p, _ in stops]
    for ch in range(3):
        out[..., ch] = np.interp(t, pos, [c[ch] for _, c in stops])
    return out


def to_image(rgb):
    return Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8))


def save_jpeg(img, folder, name, quality=88):
    img.convert("RGB").save(os.path.join(folder, name), "JPEG", quality=quality, optimize=True)


def wood_grain(rng, w, h, dark, light, rings=9.0, stretch=1.0):
    """Grain running along the picture's height: warped rings plus fine pores."""
    warp = fractal(rng, w, h, 4, 2, 4)
    fine = fractal(rng, w, h, 64, 4, 3)
    xs = np.linspace(0, 1, w)[None, :]
    ring = np.sin((xs * rings + warp * 3.0 * stretch) * 2 * math.pi) * 0.5 + 0.5
    ring = ring ** 3
    t = 0.55 * ring + 0.3 * fine + 0.15 * warp
    return colour_ramp(t, [(0.0, dark), (0.6, tuple((d + l) / 2 for d, l in zip(dark, light))),
                           (1.0, light)])


def mahogany(rng):
    rgb = wood_grain(rng, 512, 512, (40, 17, 9), (112, 52, 30), rings=7)
    return to_image(rgb)


def oak_floor(rng):
    w = h = 1024
    boards = 8
    out = np.zeros((h, w, 3))
    bw = w // boards
    for i in range(boards):
        plank = wood_grain(rng, bw, h, (38, 26, 16), (92, 64, 40), rings=3 + rng.random() * 3)
        plank *= 0.85 + 0.3 * rng.random()
        # Butt joints at a random height in every board.
        joint = int(rng.random() * h)
        plank[max(joint - 2, 0):joint + 2, :, :] *= 0.35
        plank[:, :3, :] *= 0.4
        plank[:, -2:, :] *= 0.6
        out[:, i * bw:(i + 1) * bw, :] = plank
    return to_image(out)


def damask(rng):
    w = h = 512
    ys, xs = np.mgrid[0:h, 0:w] / float(w)
    # Mirror-symmetric motif repeated twice across the tile, offset every other row.
    u = (xs * 2) % 1.0
    v = (ys * 2) % 1.0
    shift = (np.floor(ys * 2) % 2) * 0.5
    u = (u + shift) % 1.0
    du = np.abs(u - 0.5) * 2
    dv = v - 0.5
    petal = np.cos(du * 4.5) * np.cos(dv * 7.0) + 0.55 * np.cos(np.hypot(du, dv) * 18.0)
    leaf = np.sin(du * 9 + np.sin(dv * 11) * 1.4) * np.cos(dv * 5)
    motif = np.clip((petal + 0.4 * leaf) - 0.55, 0, 1)
    motif = np.where(motif > 0.08, 1.0, motif / 0.08)
    noise = fractal(rng, w, h, 32, 32, 3)
    base = np.array((16, 40, 30), float)
    pattern = np.array((30, 60, 44), float)
    rgb = base[None, None, :] * (1 - motif[..., None]) + pattern[None, None, :] * motif[..., None]
    rgb *= (0.9 + 0.2 * noise)[..., None]
    return to_image(rgb)


def wainscot(rng):
    w = h = 512
    rgb = wood_grain(rng, w, h, (30, 14, 8), (86, 42, 24), rings=5)
    ys, xs = np.mgrid[0:h, 0:w] / float(w)
    # One raised panel per tile: a frame of stiles and a bevelled field.
    edge = np.minimum(np.minimum(xs, 1 - xs), np.minimum(ys, 1 - ys))
    shade = np.ones((h, w))
    shade[(edge > 0.10) & (edge < 0.13)] = 0.55
    bevel = (edge >= 0.13) & (edge < 0.19)
    light_side = (xs < ys) & (xs + ys < 1)
    shade[bevel & light_side] = 1.25
    shade[bevel & ~light_side] = 0.7
    shade[edge < 0.012] = 0.5
    return to_image(rgb * shade[..., None])


def brass(rng):
    w = h = 256
    streak = fractal(rng, w, h, 2, 64, 3)
    blot = fractal(rng, w, h, 6, 6, 4)
    t = 0.5 * streak + 0.5 * blot
    rgb = colour_ramp(t, [(0.0, (120, 92, 38)), (0.5, (181, 150, 66)), (1.0, (222, 190, 96))])
    return to_image(rgb)


def velvet(rng):
    """Heavy curtain fabric; its alpha thins towards both side edges."""
    w = h = 512
    nap = fractal(rng, w, h, 96, 8, 3)
    wave = fractal(rng, w, h, 6, 2, 3)
    t = 0.6 * nap + 0.4 * wave
    rgb = colour_ramp(t, [(0.0, (52, 8, 14)), (0.6, (96, 18, 26)), (1.0, (128, 32, 38))])
    xs = np.linspace(0, 1, w)
    edge = np.minimum(xs, 1 - xs)
    alpha = np.clip(0.55 + edge / 0.12 * 0.45, 0.55, 1.0)
    alpha = np.broadcast_to(alpha[None, :], (h, w))
    rgba = np.dstack([np.clip(rgb, 0, 255), alpha * 255]).astype(np.uint8)
    return Image.fromarray(rgba, "RGBA")


def rug(rng):
    w, h = 1024, 640
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    u = xs / w
    v = ys / h
    border = np.minimum(np.minimum(u, 1 - u) * w, np.minimum(v, 1 - v) * h)
    red = np.array((122, 22, 24), float)
    dark_red = np.array((78, 12, 16), float)
    navy = np.array((24, 28, 58), float)
    cream = np.array((196, 170, 126), float)
    gold = np.array((176, 120, 52), float)
    rgb = np.zeros((h, w, 3)) + red
    # Field: small repeated lozenges.
    lu = ((u * 18) % 1.0) - 0.5
    lv = ((v * 12) % 1.0) - 0.5
    lozenge = (np.abs(lu) + np.abs(lv)) < 0.22
    rgb[lozenge] = dark_red
    ring = (np.abs(lu) + np.abs(lv) > 0.22) & (np.abs(lu) + np.abs(lv) < 0.27)
    rgb[ring] = gold
    # Central medallion.
    mu = (u - 0.5) * w / h
    mv = v - 0.5
    r = np.hypot(mu * 1.2, mv * 1.6)
    ang = np.arctan2(mv, mu)
    petal = 0.28 + 0.05 * np.cos(ang * 8)
    rgb[r < petal] = navy
    rgb[(r < petal * 0.72)] = red
    rgb[(r < petal * 0.45)] = cream
    rgb[(r < petal * 0.25)] = navy
    rgb[np.abs(r - petal) < 0.008] = cream
    # Borders: outer guard, wide band with a running motif, inner guard.
    band = (border > 30) & (border < 86)
    rgb[band] = navy
    along = np.where(np.minimum(u, 1 - u) * w < np.minimum(v, 1 - v) * h, v * h, u * w)
    motif = band & (np.sin(along / 14.0) * np.sin(border / 9.0) > 0.25)
    rgb[motif] = gold
    rgb[(border > 14) & (border < 24)] = cream
    rgb[(border > 90) & (border < 98)] = cream
    rgb[border < 10] = dark_red
    # Wear: pile noise and faded patches.
    pile = fractal(rng, w, h, 128, 80, 2)
    fade = fractal(rng, w, h, 5, 3, 3)
    rgb *= (0.8 + 0.3 * pile)[..., None]
    rgb = rgb * (0.85 + 0.25 * fade[..., None]) + (fade[..., None] > 0.7) * 14
    return to_image(rgb)


def plaster(rng):
    w = h = 256
    t = fractal(rng, w, h, 16, 16, 4)
    rgb = colour_ramp(t, [(0.0, (196, 188, 170)), (1.0, (226, 220, 204))])
    return to_image(rgb)


def fabric(rng, dark, light, size=256):
    t = 0.5 * fractal(rng, size, size, 64, 64, 2) + 0.5 * fractal(rng, size, size, 8, 8, 3)
    return to_image(colour_ramp(t, [(0.0, dark), (1.0, light)]))


def shade_fabric(rng):
    size = 256
    weave = fractal(rng, size, size, 96, 96, 2)
    rgb = colour_ramp(weave, [(0.0, (214, 176, 120)), (1.0, (244, 214, 160))])
    return to_image(rgb)


def glass(rng):
    """Faint sheen of the dial glass: a soft diagonal highlight over a cool grey."""
    size = 128
    ys, xs = np.mgrid[0:size, 0:size] / float(size)
    streak = np.exp(-((xs + ys - 0.75) ** 2) / 0.01) * 0.8
    t = 0.15 + streak + 0.05 * fractal(rng, size, size, 8, 8, 2)
    return to_image(colour_ramp(t, [(0.0, (150, 158, 168)), (1.0, (245, 248, 250))]))


def books(rng):
    w, h = 512, 256
    img = Image.new("RGB", (w, h), (20, 12, 8))
    draw = ImageDraw.Draw(img)
    palette = [(92, 20, 18), (30, 48, 30), (24, 30, 62), (110, 70, 30), (60, 30, 40), (40, 36, 30)]
    for shelf in range(2):
        x = 0
        top = shelf * 128
        while x < w:
            bw = int(10 + rng.random() * 18)
            bh = int(90 + rng.random() * 34)
            col = palette[int(rng.random() * len(palette))]
            col = tuple(int(c * (0.8 + 0.4 * rng.random())) for c in col)
            draw.rectangle([x, top + 128 - bh, x + bw - 2, top + 127], fill=col)
            for band in (0.18, 0.8):
                yb = top + 128 - int(bh * band)
                draw.line([x + 1, yb, x + bw - 3, yb], fill=(170, 140, 70), width=2)
            x += bw
    return img.filter(ImageFilter.GaussianBlur(0.6))


def dial(rng):
    size = 1024
    c = size / 2
    ys, xs = np.mgrid[0:size, 0:size].astype(float)
    r = np.hypot(xs - c, ys - c) / c
    aged = fractal(rng, size, size, 8, 8, 4)
    rgb = colour_ramp(aged, [(0.0, (222, 208, 176)), (1.0, (242, 234, 210))])
    # Brass ring round the edge, then the square plate's spandrels in brass too.
    ring = r > 0.95
    rgb[ring] = np.array((181, 150, 66)) * (0.8 + 0.4 * aged[ring])[:, None]
    img = to_image(rgb)
    draw = ImageDraw.Draw(img)
    ink = (26, 18, 12)
    # Minute track: two circles and a tick per minute, longer every five.
    for rr, width in ((0.90, 4), (0.82, 3)):
        draw.ellipse([c - rr * c, c - rr * c, c + rr * c, c + rr * c], outline=ink, width=width)
    for minute in range(60):
        a = minute / 60 * 2 * math.pi
        inner = 0.82 if minute % 5 == 0 else 0.855
        sx, sy = math.sin(a), -math.cos(a)
        draw.line([c + sx * inner * c, c + sy * inner * c, c + sx * 0.90 * c, c + sy * 0.90 * c],
                  fill=ink, width=7 if minute % 5 == 0 else 4)
    font = ImageFont.truetype(SERIF_BOLD, 92)
    numerals = ["XII", "I", "II", "III", "IIII", "V", "VI", "VII", "VIII", "IX", "X", "XI"]
    for hour, text in enumerate(numerals):
        a = hour / 12 * 2 * math.pi
        # Numerals radiate from the centre, their feet towards it, as on a longcase dial.
        glyph = Image.new("L", (360, 130), 0)
        gd = ImageDraw.Draw(glyph)
        box = gd.textbbox((0, 0), text, font=font)
        gd.text(((360 - (box[2] - box[0])) / 2 - box[0], (130 - (box[3] - box[1])) / 2 - box[1]),
                text, font=font, fill=255)
        glyph = glyph.rotate(-math.degrees(a), resample=Image.BICUBIC, expand=True)
        rr = 0.66 * c
        px = c + math.sin(a) * rr - glyph.width / 2
        py = c - math.cos(a) * rr - glyph.height / 2
        img.paste(Image.new("RGB", glyph.size, ink), (int(px), int(py)), glyph)
    # Maker's name under the centre and a small centre boss.
    small = ImageFont.truetype(SERIF, 40)
    text = "ZORVANE"
    box = draw.textbbox((0, 0), text, font=small)
    draw.text((c - (box[2] - box[0]) / 2, c + 0.30 * c), text, font=small, fill=ink)
    draw.ellipse([c - 22, c - 22, c + 22, c + 22], fill=(160, 130, 60), outline=ink, width=3)
    return img


def sky(rng):
    w, h = 1024, 512
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    v = ys / h
    clouds = fractal(rng, w, h, 6, 3, 6, 0.55)
    billow = np.abs(fractal(rng, w, h, 12, 6, 4) - 0.5) * 2
    lit = np.clip((clouds - 0.45) * 2.5, 0, 1) ** 1.5
    # Light from within the clouds: brighter patches towards the upper middle.
    glow = np.exp(-((xs / w - 0.6) ** 2 / 0.05 + (v - 0.35) ** 2 / 0.04))
    t = np.clip(0.35 * clouds + 0.7 * lit * (0.6 + glow) + 0.2 * billow * clouds, 0, 1)
    rgb = colour_ramp(t, [(0.0, (16, 18, 30)), (0.35, (40, 46, 66)), (0.6, (82, 90, 118)),
                          (0.85, (138, 146, 172)), (1.0, (196, 200, 220))])
    # Dark horizon: rolling hills with a few roofs and a church spire.
    hill = 0.72 + 0.05 * np.sin(xs[0] / w * 2 * math.pi * 2.3 + 1.0) + \
        0.03 * np.sin(xs[0] / w * 2 * math.pi * 5.1)
    roofs = np.zeros(w)
    x = 0
    while x < w:
        bw = int(20 + rng.random() * 50)
        if rng.random() < 0.5:
            peak = 0.02 + rng.random() * 0.03
            ramp = 1 - np.abs(np.linspace(-1, 1, min(bw, w - x)))
            roofs[x:x + bw] = np.maximum(roofs[x:x + bw], peak * (0.6 + 0.4 * ramp))
        x += bw + int(rng.random() * 60)
    spire = int(w * 0.32)
    roofs[spire - 3:spire + 3] = 0.12
    skyline = hill - roofs
    ground = v > skyline[None, :]
    rgb[ground] = np.array((6, 7, 10)) + 6 * fractal(rng, w, h, 64, 32, 2)[ground][:, None]
    # A few warm windows in the roofs.
    for _ in range(7):
        wx = int(rng.random() * w)
        wy = int((skyline[wx] + 0.025) * h)
        if wy < h - 4:
            rgb[wy:wy + 4, wx:wx + 3] = (150, 110, 50)
    # Faint rain streaks, slanting slightly.
    streaks = rng.random((h, w)) > 0.9975
    img = to_image(rgb)
    rain = Image.fromarray((streaks * 255).astype(np.uint8))
    rain = rain.filter(ImageFilter.Kernel((5, 5), [0, 0, 1, 0, 0] * 5, scale=1)).rotate(
        8, resample=Image.BILINEAR)
    rain = rain.filter(ImageFilter.BoxBlur(0.6)).point(lambda p: p * 0.35)
    img = Image.composite(Image.new("RGB", (w, h), (180, 190, 210)), img, rain)
    return img


def painting(rng):
    """A landscape at dusk: sky gradient, sun glow, hills, a lake and trees, then brushwork."""
    w, h = 640, 480
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    u = xs / w
    v = ys / h
    sky_t = np.clip(v / 0.6, 0, 1)
    rgb = colour_ramp(sky_t, [(0.0, (40, 48, 92)), (0.45, (142, 92, 110)), (0.8, (232, 146, 78)),
                              (1.0, (250, 200, 120))])
    sun = np.exp(-((u - 0.62) ** 2 + (v - 0.52) ** 2) / 0.004)
    rgb += sun[..., None] * np.array((60, 50, 20))
    cloud = fractal(rng, w, h, 8, 12, 4)
    rgb += ((cloud - 0.5) * 60 * (v < 0.5))[..., None] * np.array((1.0, 0.8, 0.8))
    far = 0.55 + 0.05 * np.sin(u[0] * 7 + 1) + 0.03 * fractal(rng, w, 1, 16, 1, 3)[0]
    near = 0.66 + 0.06 * np.sin(u[0] * 4 + 2.5) + 0.04 * fractal(rng, w, 1, 12, 1, 3)[0]
    rgb[v > far[None, :]] = (78, 62, 86)
    lake = (v > 0.68) & (v < 0.82)
    reflect = np.clip(1 - (v - 0.68) / 0.14, 0, 1)
    rgb[lake] = (np.array((120, 84, 96)) + reflect[lake][:, None] * np.array((90, 60, 20)))
    hills = (v > near[None, :]) & ~lake
    rgb[hills] = (44, 46, 34)
    rgb[v >= 0.82] = (34, 36, 24)
    grass = fractal(rng, w, h, 40, 30, 3)
    rgb[v >= 0.82] += (grass[v >= 0.82] * 30)[:, None]
    img = to_image(rgb)
    draw = ImageDraw.Draw(img)
    for _ in range(14):
        tx = rng.random() * w
        if 0.35 * w < tx < 0.8 * w:
            continue
        base = h * (0.80 + rng.random() * 0.05)
        th = h * (0.18 + rng.random() * 0.12)
        draw.ellipse([tx - th * 0.28, base - th, tx + th * 0.28, base - th * 0.25],
                     fill=(24 + int(rng.random() * 10), 30, 20))
        draw.rectangle([tx - 3, base - th * 0.3, tx + 3, base], fill=(20, 16, 12))
    # Brushwork: strokes of local colour laid at random angles, then a mode filter.
    arr = np.asarray(img).astype(float)
    canvas = img.copy()
    cd = ImageDraw.Draw(canvas)
    for _ in range(9000):
        x = rng.random() * w
        y = rng.random() * h
        col = tuple(int(cc) for cc in arr[int(y), int(x)] * (0.92 + 0.16 * rng.random()))
        a = rng.random() * math.pi if y > 0.6 * h else (rng.random() - 0.5) * 0.6
        length = 4 + rng.random() * 9
        cd.line([x - math.cos(a) * length, y - math.sin(a) * length,
                 x + math.cos(a) * length, y + math.sin(a) * length], fill=col, width=3)
    canvas = canvas.filter(ImageFilter.ModeFilter(5)).filter(ImageFilter.SMOOTH)
    return canvas


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    makers = [
        ("mahogany.jpg", mahogany), ("oak_floor.jpg", oak_floor), ("damask.jpg", damask),
        ("wainscot.jpg", wainscot), ("brass.jpg", brass), ("rug.jpg", rug),
        ("plaster.jpg", plaster), ("dial.jpg", dial), ("sky.jpg", sky),
        ("painting.jpg", painting), ("books.jpg", books), ("shade.jpg", shade_fabric),
        ("leather.jpg", lambda r: fabric(r, (46, 22, 14), (90, 44, 26))),
        ("blued.jpg", lambda r: fabric(r, (12, 14, 26), (40, 48, 80), 64)),
        ("glass.jpg", glass),
    ]
    for seed, (name, maker) in enumerate(makers):
        save_jpeg(maker(np.random.default_rng(1000 + seed)), out, name)
    velvet(np.random.default_rng(999)).save(os.path.join(out, "velvet.png"), optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
