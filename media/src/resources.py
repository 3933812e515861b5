#!/usr/bin/python3
"""Makes the pictures built into the executable from renders of the room in our engine:
the loading picture (MEMFILE 186, 640x480 JPEG with the title), the preview (bitmap 173,
152x112), the settings dialog's picture (bitmap 155, 300x210) and the about box's (bitmap 141,
86x86), the bitmaps as 24-bit BMP.

usage: resources.py SHOTS_FOLDER RESOURCES_FOLDER
"""
import os
import sys

from PIL import Image, ImageDraw, ImageEnhance, ImageFilter, ImageFont

TITLE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"

# Source shot, and the crop in fractions of its width and height (left, top, right, bottom).
PICTURES = {
    "loading": ("c10_start.png", (0.06, 0.0, 0.94, 1.0), (640, 480)),
    "preview": ("c7_end.png", (0.24, 0.0, 0.72, 0.9), (152, 112)),
    "settings": ("c1_start.png", (0.0, 0.0, 1.0, 1.0), (300, 210)),
    "about": ("c3_middle.png", (0.30, 0.05, 0.70, 0.76), (86, 86)),
}


def crop(img, box, size):
    w, h = img.size
    l, t, r, b = box
    region = img.crop((int(l * w), int(t * h), int(r * w), int(b * h)))
    # Fit the crop to the target aspect by trimming, never stretching.
    aspect = size[0] / size[1]
    rw, rh = region.size
    if rw / rh > aspect:
        cut = int(rw - rh * aspect)
        region = region.crop((cut // 2, 0, rw - (cut - cut // 2), rh))
    else:
        cut = int(rh - rw / aspect)
        region = region.crop((0, cut // 2, rw, rh - (cut - cut // 2)))
    return region.resize(size, Image.LANCZOS)


def titled(img):
    """The title across the lower third, with a soft shadow so it reads on dark and light."""
    img = ImageEnhance.Brightness(img).enhance(1.1)
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    font = ImageFont.truetype(TITLE_FONT, 72)
    text = "Zorvane"
    draw = ImageDraw.Draw(layer)
    box = draw.textbbox((0, 0), text, font=font)
    x = (img.width - (box[2] - box[0])) // 2 - box[0]
    y = int(img.height * 0.72) - box[1]
    draw.text((x + 3, y + 3), text, font=font, fill=(0, 0, 0, 200))
    shadow = layer.filter(ImageFilter.GaussianBlur(4))
    draw = ImageDraw.Draw(shadow)
    draw.text((x, y), text, font=font, fill=(236, 214, 160, 255))
    return Image.alpha_composite(img.convert("RGBA"), shadow).convert("RGB")


def main():
    if len(sys.argv) != 3:
        print("usage: resources.py SHOTS_FOLDER RESOURCES_FOLDER", file=sys.stderr)
        return 2
    shots, out = sys.argv[1], sys.argv[2]
    pictures = {}
    for key, (name, box, size) in PICTURES.items():
        path = os.path.join(shots, name)
        if not os.path.exists(path):
            print("missing shot " + path, file=sys.stderr)
            return 1
        pictures[key] = crop(Image.open(path).convert("RGB"), box, size)
    titled(pictures["loading"]).save(os.path.join(out, "loading.jpg"), "JPEG", quality=90)
    pictures["preview"].save(os.path.join(out, "preview.bmp"), "BMP")
    pictures["settings"].save(os.path.join(out, "settings_picture.bmp"), "BMP")
    pictures["about"].save(os.path.join(out, "about_picture.bmp"), "BMP")
    return 0


if __name__ == "__main__":
    sys.exit(main())
