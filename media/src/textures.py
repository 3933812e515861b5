#!/usr/bin/python3
"""Procedural textures of the clock room: wood, wallpaper, fabric, brass, the dial, the sky and
the painting. Every picture comes from a fixed seed, so a rerun gives the same files.

usage: textures.py OUT_FOLDER
"""
import math
import os
import sys

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

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
    """Straight grain along the picture's height: fibres of varying tone side by side, narrow
    darker growth lines that waver a little, and pores drawn out along the grain."""
    fibres = fractal(rng, w, h, 48, 2, 4)
    pores = fractal(rng, w, h, 256, 6, 2)
    sway = fractal(rng, w, h, 3, 2, 3)
    xs = np.linspace(0, 1, w)[None, :]
    phase = (xs * rings + (sway - 0.5) * 0.8 * stretch) % 1.0
    late = np.exp(-((phase - 0.5) ** 2) / 0.006)
    t = 0.5 + 0.9 * (fibres - 0.5) - 0.3 * late + 0.5 * (pores - 0.5)
    return colour_ramp(t, [(0.0, dark), (0.5, tuple((d + l) / 2 for d, l in zip(dark, light))),
                           (1.0, light)])


def mahogany(rng):
    # Averages #4A2516, the case's colour.
    rgb = wood_grain(rng, 512, 512, (44, 20, 11), (106, 54, 33), rings=11)
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


def leaf_points(cx, cy, length, width, angle, steps=16):
    """A pointed leaf from (cx, cy) along `angle` (radians, 0 = up), as a closed outline."""
    ca, sa = math.cos(angle), math.sin(angle)
    side = []
    for k in range(steps + 1):
        t = k / steps
        side.append((t * length, width * math.sin(math.pi * t) * (1 - 0.35 * t)))
    outline = side + [(x, -y) for x, y in reversed(side[1:-1])]
    return [(cx + y * ca + x * sa, cy - x * ca + y * sa) for x, y in outline]


def damask_motif(size):
    """One flower of the damask, mirrored about its upright centre line, on a size x size cell
    (0 ground, 255 satin)."""
    img = Image.new("L", (size, size), 0)
    d = ImageDraw.Draw(img)
    u = size / 100.0
    cx = size / 2

    def mirror(points):
        return [(2 * cx - x, y) for x, y in points]

    # The palmette: a flame-shaped body with a smaller flame cut into it and a bud on top.
    body = []
    for k in range(33):
        t = k / 32
        body.append((cx - 17 * u * math.sin(math.pi * t) ** 0.7 * (1.1 - 0.6 * t),
                     (78 - 58 * t) * u))
    d.polygon(body + mirror(list(reversed(body))), fill=255)
    inner = [(cx + (x - cx) * 0.55, 70 * u - (70 * u - y) * 0.7) for x, y in body]
    d.polygon(inner + mirror(list(reversed(inner))), fill=0)
    d.polygon(leaf_points(cx, 66 * u, 30 * u, 3.5 * u, 0.0), fill=255)
    d.ellipse((cx - 4 * u, 13 * u, cx + 4 * u, 21 * u), fill=255)
    d.line((cx, 78 * u, cx, 98 * u), fill=255, width=int(2.5 * u))
    # The left half's leaves in pairs up the stem, a curling scroll at the base and a dot; the
    # right half is their mirror image.
    for cy, length, width, angle in ((84, 24, 5.5, 1.25), (60, 20, 4.5, 0.95), (40, 16, 3.8, 0.7),
                                     (24, 11, 3.0, 0.5)):
        d.polygon(leaf_points(cx - 14 * u, cy * u, length * u, width * u, -angle), fill=255)
    d.arc((cx - 39 * u, 80 * u, cx - 21 * u, 98 * u), 90, 360, fill=255, width=int(2.2 * u))
    d.ellipse((cx - 40 * u, 48 * u, cx - 36 * u, 52 * u), fill=255)
    return ImageChops.lighter(img, img.transpose(Image.FLIP_LEFT_RIGHT))


def damask(rng):
    """Tone-on-tone green damask: a mirrored palmette with leaves and scrolls in a half-drop
    repeat, satin lighter than the ground and woven in fine lines, each shape edged darker. No
    blotches larger than a thread, so the repeat reads as the pattern, not as a tiled picture."""
    w = h = 512
    cell = damask_motif(1024)
    sheet = Image.new("L", (2 * 1024, 2 * 1024), 0)
    # Every other row shifted by half a flower.
    for row in range(2):
        for col in range(-1, 3):
            x = col * 1024 + (512 if row % 2 else 0)
            sheet.paste(cell, (x, row * 1024), cell)
    motif = np.asarray(sheet.resize((w, h), Image.LANCZOS), float) / 255.0
    outline = np.clip(motif * (1 - motif) * 4, 0, 1)
    ys = np.arange(h)[:, None]
    weave = 0.5 + 0.5 * np.cos(ys * math.pi * 0.5)
    threads = fractal(rng, w, h, 256, 256, 2)
    base = np.array((18, 42, 31), float)
    satin = np.array((38, 72, 52), float)
    rgb = base * (1 - motif[..., None]) + satin * motif[..., None]
    rgb *= (1 - 0.12 * motif * weave)[..., None]
    rgb *= (1 - 0.35 * outline)[..., None]
    rgb *= (0.92 + 0.16 * threads)[..., None]
    return to_image(rgb)


def wainscot(rng):
    w = h = 512
    rgb = wood_grain(rng, w, h, (40, 18, 10), (98, 50, 30), rings=8)
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


def polished_brass(rng):
    """A polished brass ball as seen from the front, lit by the lamp from the upper left: the
    fittings and the pendulum look their colour up by their surface normal (u, v = 0.5 + 0.5 *
    its x and z), so every curved part carries the same soft gleam and bright highlight."""
    size = 256
    ys, xs = np.mgrid[0:size, 0:size].astype(float)
    nx = (xs + 0.5) / size * 2 - 1
    nz = 1 - (ys + 0.5) / size * 2
    r2 = nx * nx + nz * nz
    # Past the rim the normal stays on it: faces seen edge-on take the rim's colour.
    scale = np.where(r2 > 0.999, 0.9995 / np.sqrt(np.maximum(r2, 1e-9)), 1.0)
    nx, nz = nx * scale, nz * scale
    ny = -np.sqrt(np.maximum(1 - nx * nx - nz * nz, 0.0))
    light = np.array((-0.55, -0.65, 0.52))
    light /= np.linalg.norm(light)
    half = light + np.array((0.0, -1.0, 0.0))
    half /= np.linalg.norm(half)
    diffuse = np.maximum(nx * light[0] + ny * light[1] + nz * light[2], 0.0)
    specular = np.maximum(nx * half[0] + ny * half[1] + nz * half[2], 0.0)
    # Polished metal mirrors the room: a dark warm ground, a broad glow towards the lamp, a
    # small hot highlight, and a faint cold rim from the window on the right.
    ground = np.array((72, 46, 14), float)
    body = np.array((210, 160, 62), float)
    hot = np.array((255, 244, 206), float)
    cold = np.array((120, 130, 150), float)
    rim = np.clip((nx - 0.55) / 0.4, 0, 1) * np.clip(1 - np.abs(nz) * 1.4, 0, 1)
    rgb = ground + (body - ground) * (0.15 + 0.85 * diffuse[..., None] ** 1.3)
    glow = specular ** 10
    rgb = rgb + (hot - rgb) * np.clip(0.5 * glow + 1.5 * specular ** 60, 0, 1)[..., None]
    rgb = rgb + (cold - rgb) * (0.35 * rim)[..., None]
    grain = fractal(rng, size, size, 32, 32, 2)
    rgb *= (0.96 + 0.08 * grain)[..., None]
    return to_image(rgb)


def blued_steel(rng):
    """Heat-blued steel of the hands: deep blue, a little lighter along a soft sheen."""
    size = 128
    ys, xs = np.mgrid[0:size, 0:size] / float(size)
    sheen = np.exp(-((xs - ys) ** 2) / 0.02)
    t = 0.25 * fractal(rng, size, size, 16, 16, 2) + 0.55 * sheen
    return to_image(colour_ramp(t, [(0.0, (10, 12, 30)), (0.5, (28, 38, 86)),
                                    (1.0, (70, 96, 160))]))


def door_glass(rng):
    """The trunk door's pane, blended at a small factor: nearly black, so the pendulum behind it
    stays clear, with two faint slanting reflections and a cold edge where the window catches it."""
    w, h = 128, 256
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    u, v = xs / w, ys / h
    t = 0.04 + 0.5 * np.exp(-((u + 0.45 * v - 0.55) ** 2) / 0.002)
    t += 0.3 * np.exp(-((u + 0.45 * v - 0.72) ** 2) / 0.0008)
    t += 0.25 * np.clip(1 - (1 - u) / 0.04, 0, 1)
    t *= 0.9 + 0.1 * fractal(rng, w, h, 4, 8, 3)
    return to_image(colour_ramp(t, [(0.0, (8, 9, 12)), (0.4, (110, 118, 134)),
                                    (1.0, (220, 228, 240))]))


def frame_paint(rng):
    """The window's sashes and sill: old paint in a muted grey, so the weak cold light from
    outside leaves them dim instead of glowing white."""
    size = 256
    t = 0.6 * fractal(rng, size, size, 8, 32, 3) + 0.4 * fractal(rng, size, size, 64, 64, 2)
    return to_image(colour_ramp(t, [(0.0, (62, 62, 60)), (1.0, (84, 84, 80))]))


def velvet(rng):
    """Heavy curtain fabric; its alpha thins towards both side edges."""
    w = h = 512
    nap = fractal(rng, w, h, 96, 8, 3)
    wave = fractal(rng, w, h, 6, 2, 3)
    t = 0.6 * nap + 0.4 * wave
    rgb = colour_ramp(t, [(0.0, (52, 8, 14)), (0.6, (96, 18, 26)), (1.0, (128, 32, 38))])
    xs = np.linspace(0, 1, w)
    edge = np.minimum(xs, 1 - xs)
    # Opaque wherever the fabric lies doubled in its folds; only the last centimetre or two of
    # each edge thins, enough for a glint of the storm, never enough to show the sash behind.
    alpha = np.clip(0.9 + edge / 0.02 * 0.1, 0.9, 1.0)
    alpha = np.broadcast_to(alpha[None, :], (h, w))
    rgba = np.dstack([np.clip(rgb, 0, 255), alpha * 255]).astype(np.uint8)
    return Image.fromarray(rgba, "RGBA")


def rug(rng):
    """A worn Persian-style rug: a madder-red field of small flowers in a diamond lattice, an
    indigo medallion, guard stripes and a wide border with a running vine. Muted dyes, short
    pile, and worn patches where the ivory warp shows through."""
    w, h = 1024, 640
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    u = xs / w
    v = ys / h
    border = np.minimum(np.minimum(u, 1 - u) * w, np.minimum(v, 1 - v) * h)
    madder = np.array((104, 28, 26), float)
    dark_red = np.array((66, 16, 18), float)
    indigo = np.array((28, 32, 52), float)
    ivory = np.array((168, 148, 112), float)
    ochre = np.array((142, 98, 50), float)
    rgb = np.zeros((h, w, 3)) + madder
    # Field: a diamond lattice of thin dark lines with a small four-petalled flower in each.
    lu = ((u * 22) % 1.0) - 0.5
    lv = ((v * 14) % 1.0) - 0.5
    diamond = np.abs(lu) + np.abs(lv)
    rgb[np.abs(diamond - 0.5) < 0.035] = dark_red
    ang = np.arctan2(lv, lu)
    flower = np.hypot(lu, lv) < 0.12 + 0.08 * np.cos(ang * 4)
    rgb[flower] = ochre
    rgb[np.hypot(lu, lv) < 0.05] = indigo
    # Central medallion: lobed indigo with a red and an ivory heart.
    mu = (u - 0.5) * w / h
    mv = v - 0.5
    r = np.hypot(mu * 1.2, mv * 1.6)
    ang = np.arctan2(mv, mu)
    petal = 0.28 + 0.04 * np.cos(ang * 12)
    rgb[r < petal] = indigo
    rgb[(r < petal * 0.9) & (np.cos(ang * 12) * np.cos(r * 60) > 0.6)] = ochre
    rgb[r < petal * 0.62] = madder
    rgb[(r < petal * 0.62) & (np.abs(np.cos(ang * 6)) > 0.93)] = dark_red
    rgb[r < petal * 0.34] = ivory
    rgb[r < petal * 0.18] = indigo
    rgb[np.abs(r - petal) < 0.006] = ivory
    # Borders: outer guard, a wide indigo band with a running vine, inner guard.
    band = (border > 30) & (border < 86)
    rgb[band] = indigo
    along = np.where(np.minimum(u, 1 - u) * w < np.minimum(v, 1 - v) * h, v * h, u * w)
    vine = band & (np.abs((border - 58) - 16 * np.sin(along / 18.0)) < 3.5)
    rgb[vine] = ochre
    leaves = band & (np.hypot((along % 56.5) - 28, border - 58) < 7)
    rgb[leaves] = madder
    rgb[(border > 14) & (border < 24)] = ivory * 0.9
    rgb[(border > 90) & (border < 98)] = ivory * 0.9
    rgb[border < 10] = dark_red
    # Wear: short pile noise, faded dyes, and patches where the pile has gone to the warp.
    pile = fractal(rng, w, h, 200, 125, 2)
    fade = fractal(rng, w, h, 6, 4, 4)
    rgb *= (0.82 + 0.3 * pile)[..., None]
    grey = rgb.mean(axis=2, keepdims=True)
    rgb = rgb * 0.8 + grey * 0.2
    worn = np.clip((fade - 0.62) / 0.12, 0, 1)[..., None] * (0.5 + 0.5 * pile[..., None])
    rgb = rgb * (1 - 0.35 * worn) + ivory * 0.8 * 0.35 * worn
    return to_image(rgb)


def gilt(rng):
    """Gold leaf over gesso: warm and bright where burnished, browner in the worn hollows."""
    size = 256
    burnish = fractal(rng, size, size, 6, 6, 4)
    leaf = fractal(rng, size, size, 64, 64, 2)
    t = 0.7 * burnish + 0.3 * leaf
    return to_image(colour_ramp(t, [(0.0, (112, 78, 30)), (0.45, (186, 146, 62)),
                                    (1.0, (232, 196, 112))]))


def plaster(rng):
    w = h = 256
    t = fractal(rng, w, h, 16, 16, 4)
    rgb = colour_ramp(t, [(0.0, (178, 170, 154)), (1.0, (198, 192, 178))])
    return to_image(rgb)


def fabric(rng, dark, light, size=256):
    t = 0.5 * fractal(rng, size, size, 64, 64, 2) + 0.5 * fractal(rng, size, size, 8, 8, 3)
    return to_image(colour_ramp(t, [(0.0, dark), (1.0, light)]))


def shade_fabric(rng):
    size = 256
    weave = fractal(rng, size, size, 96, 96, 2)
    # The bulb behind the fabric already makes the shade's light map the brightest in the room:
    # a fabric at about 60 % keeps light map times fabric below white, in the lamp's own warm
    # colour, so when the room's light winks the shade dims with it instead of staying clipped.
    rgb = colour_ramp(weave, [(0.0, (128, 106, 72)), (1.0, (146, 128, 96))])
    return to_image(rgb)


def glass(rng):
    """Faint sheen of the dial glass: a soft diagonal highlight over a cool grey."""
    size = 128
    ys, xs = np.mgrid[0:size, 0:size] / float(size)
    streak = np.exp(-((xs + ys - 0.75) ** 2) / 0.01) * 0.8
    # Dark where nothing reflects, so the blend leaves the dial and spandrels clear instead of
    # laying a milky film over them; only the highlight shows.
    t = 0.05 + streak
    return to_image(colour_ramp(t, [(0.0, (18, 20, 24)), (0.3, (60, 64, 72)),
                                    (1.0, (235, 240, 245))]))


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
    # The square plate's spandrels in darker, aged brass; a polished brass ring round the
    # chapter, bright where it catches the light from the upper left, edged by a dark line.
    spandrel = r > 0.985
    rgb[spandrel] = np.array((132, 100, 44)) * (0.75 + 0.4 * aged[spandrel])[:, None]
    ring = (r > 0.93) & (r <= 0.985)
    facing = np.cos(np.arctan2(ys - c, xs - c) + math.radians(135))
    shine = (0.75 + 0.45 * np.maximum(facing, 0) ** 2)[ring]
    rgb[ring] = np.minimum(np.array((204, 170, 70)) * shine[:, None], 255)
    rgb[np.abs(r - 0.93) < 0.004] = (60, 44, 20)
    rgb[np.abs(r - 0.985) < 0.004] = (60, 44, 20)
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
    # Faint rain streaks, slanting slightly: long thin lines (a texel is about 9 mm of the
    # plane), each fading in and out along its length, so they read as falling rain, not dots.
    img = to_image(rgb)
    rain = Image.new("L", (w, h), 0)
    draw = ImageDraw.Draw(rain)
    slant = math.tan(math.radians(8))
    for _ in range(1400):
        x0, y0 = rng.random() * w, rng.random() * h
        length = 20 + rng.random() * 50
        level = 25 + rng.random() * 45
        steps = 8
        for k in range(steps):
            a, b = k / steps, (k + 1) / steps
            fade = math.sin(math.pi * (a + b) / 2)
            draw.line([(x0 - slant * length * a, y0 + length * a),
                       (x0 - slant * length * b, y0 + length * b)], fill=int(level * fade))
    rain = rain.filter(ImageFilter.GaussianBlur(0.5))
    return Image.composite(Image.new("RGB", (w, h), (170, 180, 200)), img, rain)


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
        ("leather.jpg", lambda r: fabric(r, (88, 34, 24), (146, 68, 44))),
        ("blued.jpg", blued_steel),
        ("glass.jpg", glass), ("gilt.jpg", gilt),
        ("brass_polished.jpg", polished_brass), ("door_glass.jpg", door_glass),
        ("frame_paint.jpg", frame_paint),
    ]
    for seed, (name, maker) in enumerate(makers):
        save_jpeg(maker(np.random.default_rng(1000 + seed)), out, name)
    velvet(np.random.default_rng(999)).save(os.path.join(out, "velvet.png"), optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
