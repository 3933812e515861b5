"""Stores the room's large opaque textures as DXT1 DDS files with their whole mip chain.

The engine uploads such a file's blocks as they are: a texture then takes an eighth of the memory
of decoded texels on the graphics card. Left as JPEG: the light maps (smooth dark gradients that
565 colour would band, and the light tests read them), the dial (fine numerals, seen close), the
painting (the user's photo takes its place), the sky (faint rain streaks), the shade, the glass,
the door pane and the hands' blued steel (small, dark or tested by name).

usage: compress.py MEDIA_FOLDER
Reads NAME.jpg for each texture below, writes NAME.dds (a folder that already has the DDS, as
the 3:00 variant's copy does, only gets the renaming), renames the texture in clock.UDF (the
binary scene names a file as a length-prefixed string, once for each material that uses it; .jpg
and .dds are the same length, so nothing else in the file moves) and removes the JPEG.
"""

import struct
import sys
from pathlib import Path

import numpy as np
from PIL import Image

TEXTURES = [
    "oak_floor", "rug", "damask", "mahogany", "wainscot", "books",
    "brass", "brass_polished", "frame_paint", "gilt", "leather", "plaster",
]


def mip_chain(rgb):
    """Every level down to 1 x 1, each the 2 x 2 box average of the one above (an odd side
    drops its last row or column, as the level's size is rounded down)."""
    levels = [rgb]
    while levels[-1].shape[0] > 1 or levels[-1].shape[1] > 1:
        a = levels[-1]
        h, w = a.shape[:2]
        if h > 1:
            a = (a[0:h - 1:2] + a[1:h:2]) / 2
        if w > 1:
            a = (a[:, 0:w - 1:2] + a[:, 1:w:2]) / 2
        levels.append(a)
    return levels


def to565(c):
    q = np.rint(c / 255 * [31, 63, 31]).clip(0, [31, 63, 31]).astype(np.int64)
    return q[..., 0] << 11 | q[..., 1] << 5 | q[..., 2]


def from565(v):
    r, g, b = v >> 11 & 31, v >> 5 & 63, v & 31
    return np.stack([r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2], -1).astype(np.int64)


def palette(v0, v1):
    """The four colours a decoder makes of two 565 endpoints (v0 > v1)."""
    c0, c1 = from565(v0), from565(v1)
    return np.stack([c0, c1, (2 * c0 + c1) // 3, (c0 + 2 * c1) // 3], -2)


def nearest(texels, v0, v1):
    pal = palette(v0, v1)
    error = ((texels[..., :, None, :] - pal[..., None, :, :]) ** 2).sum(-1)
    return error.argmin(-1), np.take_along_axis(error, error.argmin(-1)[..., None], -1)[..., 0]


def endpoints(texels):
    """Endpoints along each block's principal axis, the extremes of its texels' projections."""
    mean = texels.mean(-2, keepdims=True)
    d = texels - mean
    cov = np.einsum("...ki,...kj->...ij", d, d)
    axis = np.ones(texels.shape[:-2] + (3,))
    for _ in range(8):
        axis = np.einsum("...ij,...j->...i", cov, axis)
        axis /= np.maximum(np.linalg.norm(axis, axis=-1, keepdims=True), 1e-9)
    t = np.einsum("...ki,...i->...k", d, axis)
    lo = mean[..., 0, :] + axis * t.min(-1, keepdims=True)
    hi = mean[..., 0, :] + axis * t.max(-1, keepdims=True)
    return hi.clip(0, 255), lo.clip(0, 255)


def refine(texels, index, hi, lo):
    """Least-squares endpoints for the chosen indices (weights of hi: 1, 0, 2/3, 1/3)."""
    w = np.array([1.0, 0.0, 2 / 3, 1 / 3])[index]
    a, b, c = (w * w).sum(-1), (w * (1 - w)).sum(-1), ((1 - w) ** 2).sum(-1)
    x = np.einsum("...k,...ki->...i", w, texels)
    y = np.einsum("...k,...ki->...i", 1 - w, texels)
    det = a * c - b * b
    ok = np.abs(det) > 1e-6
    safe = np.where(ok, det, 1)[..., None]
    new_hi = (c[..., None] * x - b[..., None] * y) / safe
    new_lo = (a[..., None] * y - b[..., None] * x) / safe
    return (np.where(ok[..., None], new_hi, hi).clip(0, 255),
            np.where(ok[..., None], new_lo, lo).clip(0, 255))


def order(hi, lo):
    """565 endpoints with v0 > v1 (the four-colour mode); a flat block keeps v0 == v1 and index 0."""
    v0, v1 = to565(hi), to565(lo)
    swap = v0 < v1
    return np.where(swap, v1, v0), np.where(swap, v0, v1)


def encode(level):
    """DXT1 blocks of one level (h x w x 3, floats), edges repeated out to whole blocks."""
    h, w = level.shape[:2]
    ph, pw = -(-h // 4) * 4, -(-w // 4) * 4
    padded = np.pad(level, ((0, ph - h), (0, pw - w), (0, 0)), mode="edge")
    texels = padded.reshape(ph // 4, 4, pw // 4, 4, 3).swapaxes(1, 2).reshape(ph // 4, pw // 4, 16, 3)
    hi, lo = endpoints(texels)
    v0, v1 = order(hi, lo)
    index, error = nearest(texels, v0, v1)
    # One least-squares pass; kept only where it lowers the block's error.
    rhi, rlo = refine(texels, index, from565(v0).astype(float), from565(v1).astype(float))
    r0, r1 = order(rhi, rlo)
    rindex, rerror = nearest(texels, r0, r1)
    better = rerror.sum(-1) < error.sum(-1)
    v0, v1 = np.where(better, r0, v0), np.where(better, r1, v1)
    index = np.where(better[..., None], rindex, index)
    index = np.where((v0 == v1)[..., None], 0, index)
    bits = (index.astype(np.uint64) << (2 * np.arange(16, dtype=np.uint64))).sum(-1)
    out = np.zeros(v0.shape + (8,), np.uint8)
    out[..., 0], out[..., 1] = v0 & 255, v0 >> 8
    out[..., 2], out[..., 3] = v1 & 255, v1 >> 8
    for i in range(4):
        out[..., 4 + i] = (bits >> np.uint64(8 * i)) & np.uint64(255)
    return out.tobytes()


def dds(rgb):
    h, w = rgb.shape[:2]
    levels = [encode(level) for level in mip_chain(rgb)]
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000
    header = struct.pack("<4s7I44x", b"DDS ", 124, flags, h, w, len(levels[0]), 0, len(levels))
    pixel_format = struct.pack("<2I4s5I", 32, 0x4, b"DXT1", 0, 0, 0, 0, 0)
    caps = struct.pack("<4I4x", 0x1000 | 0x8 | 0x400000, 0, 0, 0)
    return header + pixel_format + caps + b"".join(levels)


def rename(scene, old, new):
    key = struct.pack("<I", len(old)) + old.encode()
    renamed = struct.pack("<I", len(new)) + new.encode()
    if (key not in scene and renamed not in scene) or len(old) != len(new):
        raise SystemExit(f"compress.py: clock.UDF names neither {old} nor {new}")
    return scene.replace(key, renamed)


def main():
    media = Path(sys.argv[1])
    scene = (media / "clock.UDF").read_bytes()
    for name in TEXTURES:
        source = media / f"{name}.jpg"
        if source.exists():
            picture = Image.open(source).convert("RGB")
            # The engine scales a texture to powers of two when it loads it, which a kept block
            # can't be: the file takes that size itself.
            size = tuple(1 << (side - 1).bit_length() for side in picture.size)
            if size != picture.size:
                picture = picture.resize(size, Image.BICUBIC)
            rgb = np.asarray(picture, dtype=np.float64)
            (media / f"{name}.dds").write_bytes(dds(rgb))
            source.unlink()
        elif not (media / f"{name}.dds").exists():
            raise SystemExit(f"compress.py: neither {name}.jpg nor {name}.dds in {media}")
        scene = rename(scene, f"{name}.jpg", f"{name}.dds")
    (media / "clock.UDF").write_bytes(scene)


if __name__ == "__main__":
    main()
