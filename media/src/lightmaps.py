#!/usr/bin/python3
"""Turns the raw Cycles bakes (bake_*.npy: linear irradiance, alpha 1 where baked) into the
light map JPEGs the scene uses.

A light map is stored at half intensity: texel 128 leaves the diffuse colour as it is, because
the room's second texture stage doubles it. The whole set shares one exposure, so the lamp, the
window and the corners keep their balance across atlases; the brightest texel stays below 250.

usage: lightmaps.py BAKE_FOLDER OUT_FOLDER
"""
import glob
import os
import sys

import numpy as np
from PIL import Image

# Light maps are read as display values: a gentle curve lifts the bounce light in the corners.
GAMMA = 1.0 / 1.6
TOP = 240.0
# JPEG's ringing lifts a texel next to a sharp edge a few levels over what was stored; the saved
# file is read back and scaled until no channel reaches this.
CLIP = 250
# The exposure puts this percentile of the room shell's lit texels (the floor and wainscot in
# the lamp's pool) at KNEE; brighter ones (the table top under the bulb, the shade, whose glow
# would set the exposure if its atlas counted) roll off smoothly towards TOP instead of
# darkening the whole room.
SHELL = "lm_room.jpg"
PERCENTILE = 99.0
KNEE = 180.0
# Light that a few bounces more than the bake's would carry into the corners, as a share of the
# pool's level, in the lamp's colour: with the curve it keeps the darkest corner at about 8 % of
# the pool instead of black.
BOUNCE = 0.05
LAMP = np.array((1.0, 180 / 255, 110 / 255))
# The clock is the hero of every shot, but its hood stands above the shade's cut-off: its atlas
# gets a stronger share of that warm fill, as a film set would light its star, so the case and
# the dial read in every frame while the pool still falls on its lower half.
FILL = {"lm_clock.jpg": 0.16}
WASH = 0.33


def shoulder(x):
    over = np.maximum(x - KNEE, 0.0)
    span = TOP - KNEE
    return np.where(x < KNEE, np.maximum(x, 0.0), KNEE + span * (1 - np.exp(-over / span)))


def tone(rgb):
    """The shoulder on the brightest channel, the others scaled alike: the lamp's glow stays
    warm where a shoulder per channel would bleach it white."""
    peak = rgb.max(axis=-1, keepdims=True)
    return rgb * shoulder(peak) / np.maximum(peak, 1e-6)


def blur(values, mask, radius):
    """Gaussian blur that only averages baked texels, so islands do not bleed into the void."""
    sigma = max(radius / 2.0, 0.5)
    taps = np.arange(-radius, radius + 1)
    kernel = np.exp(-(taps ** 2) / (2 * sigma * sigma))
    kernel /= kernel.sum()

    def conv(a, axis):
        out = np.zeros_like(a)
        for k, w in zip(taps, kernel):
            out += w * np.roll(a, k, axis=axis)
        return out

    weight = conv(conv(mask, 0), 1)
    summed = conv(conv(values * mask[..., None], 0), 1)
    return summed / np.maximum(weight, 1e-6)[..., None]


def despeckle(values, mask):
    """A 3x3 median over baked texels: single bright samples vanish, edges of light stay."""
    stack = []
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            shifted = np.roll(np.roll(values, dy, 0), dx, 1)
            valid = np.roll(np.roll(mask, dy, 0), dx, 1) > 0
            stack.append(np.where(valid[..., None], shifted, np.nan))
    stack = np.stack(stack)
    # Texels with no baked neighbour keep their value (the median of nothing is undefined).
    empty = np.all(np.isnan(stack), axis=0)
    stack[:, empty] = 0.0
    med = np.nanmedian(stack, axis=0)
    return np.where(empty, values, med)


def dilate(values, mask, steps):
    """Spreads baked texels into empty ones so filtering at island edges finds no black."""
    values = values.copy()
    mask = mask.copy()
    for _ in range(steps):
        acc = np.zeros_like(values)
        cnt = np.zeros(mask.shape)
        for dy, dx in ((0, 1), (0, -1), (1, 0), (-1, 0)):
            acc += np.roll(np.roll(values * mask[..., None], dy, 0), dx, 1)
            cnt += np.roll(np.roll(mask, dy, 0), dx, 1)
        grow = (mask == 0) & (cnt > 0)
        values[grow] = acc[grow] / cnt[grow][:, None]
        mask = np.where(grow, 1.0, mask)
    return values


def save_below_clip(out, path):
    scale = 1.0
    while True:
        Image.fromarray(np.clip(out * scale, 0, 255).astype(np.uint8)).save(path, "JPEG",
                                                                            quality=90)
        top = np.asarray(Image.open(path)).max()
        if top < CLIP:
            return
        scale *= (CLIP - 3.0) / top


def main():
    if len(sys.argv) != 3:
        print("usage: lightmaps.py BAKE_FOLDER OUT_FOLDER", file=sys.stderr)
        return 2
    bakes = {}
    for path in sorted(glob.glob(os.path.join(sys.argv[1], "bake_*.npy"))):
        raw = np.load(path)
        # Blender stores images bottom row first.
        raw = raw[::-1, :, :]
        rgb = np.maximum(raw[..., :3].astype(float), 0.0)
        # A texel that no light reached at all lies inside other geometry (the plinth's top
        # under the trunk, a sill end in the wall): left out, and filled from its lit
        # neighbours, it no longer darkens the visible joint in a dashed line.
        mask = ((raw[..., 3] > 0.5) & (rgb.max(axis=2) > 0.0)).astype(float)
        rgb = despeckle(rgb, mask)
        # Wide enough to smooth the bake's noise where only bounce light arrives (the dial).
        radius = 3 if raw.shape[0] >= 1024 else 2
        rgb = blur(rgb, mask, radius)
        name = os.path.basename(path)[len("bake_"):-len(".npy")] + ".jpg"
        bakes[name] = (rgb, mask)
    if not bakes:
        print("no bakes found", file=sys.stderr)
        return 1
    if SHELL not in bakes:
        print("no bake of " + SHELL, file=sys.stderr)
        return 1
    rgb, mask = bakes[SHELL]
    pool = max(np.percentile(rgb[mask > 0].max(axis=1), PERCENTILE), 1e-6)
    display = {n: (rgb + FILL.get(n, BOUNCE) * pool * LAMP) ** GAMMA
               for n, (rgb, _) in bakes.items()}
    exposure = KNEE / pool ** GAMMA
    os.makedirs(sys.argv[2], exist_ok=True)
    for name, (_, mask) in bakes.items():
        out = tone(display[name] * exposure)
        # A third of the way to grey: the lamp's light stays warm, but dark red mahogany under
        # it does not turn into orange pine.
        out = out + (out.mean(axis=2, keepdims=True) - out) * WASH
        out = dilate(out, mask, 8)
        save_below_clip(out, os.path.join(sys.argv[2], name))
        lit = out[mask > 0].max(axis=1)
        print("%s: median %.0f, 5%% %.0f, max %.0f" % (name, np.median(lit),
                                                        np.percentile(lit, 5), lit.max()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
