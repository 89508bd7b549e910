#!/usr/bin/env python3
"""Writes two 2000 x 1072 photographs for the colour-reduction benchmark, deterministic:

  landscape.png  a noise-free landscape: a deep sky gradient with a sun glow, hazy hills, a lake
                 mirroring the sky and a meadow of fine texture, the kind of picture where a poor
                 palette shows as banding in the sky;
  portrait.png   a low-key portrait-like scene: a dark warm background with a vignette, soft skin
                 shading, dark hair with fine strands and a saturated red cloth.

Usage: make_photos.py OUT_DIR
"""
import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

W, H = 2000, 1072


def solid(c):
    return Image.new("RGB", (W, H), c)


def vertical(top, bottom, y0=0, y1=H):
    """A vertical gradient from `top` at y0 to `bottom` at y1 (clamped outside)."""
    mask = Image.new("L", (1, H))
    mask.putdata([max(0, min(255, round((y - y0) * 255 / max(1, y1 - y0)))) for y in range(H)])
    return Image.composite(solid(bottom), solid(top), mask.resize((W, H)))


def radial(cx, cy, radius, power=1.0):
    """An 'L' mask 255 at (cx, cy) falling to 0 at `radius`."""
    small = Image.new("L", (W // 4, H // 4))
    data = []
    for y in range(H // 4):
        for x in range(W // 4):
            d = math.hypot(x * 4 - cx, y * 4 - cy) / radius
            data.append(round(255 * max(0.0, 1.0 - d) ** power))
    small.putdata(data)
    return small.resize((W, H), Image.BICUBIC)


def texture(rng, step, amplitude):
    """Fine texture: a seeded random field at 1/step resolution, smoothly upscaled, centred on 128."""
    tw, th = W // step + 1, H // step + 1
    field = Image.frombytes("L", (tw, th), bytes(rng.randrange(256) for _ in range(tw * th)))
    field = field.resize((W, H), Image.BICUBIC)
    lut = [max(0, min(255, round(128 + (v - 128) * amplitude / 128))) for v in range(256)]
    return field.point(lut)


def add_texture(img, tex, mask=None):
    rgb = Image.merge("RGB", (tex, tex, tex))
    textured = ImageChops.add(img, rgb, scale=1.0, offset=-128)
    return textured if mask is None else Image.composite(textured, img, mask)


def landscape(rng):
    img = vertical((28, 74, 160), (214, 222, 232), 0, 560)
    img = Image.composite(solid((255, 236, 196)), img, radial(1450, 300, 520, 1.6))
    # Two ranges of hills, the far one hazy.
    for base, amp, colour, haze in ((520, 70, (96, 118, 150), 6), (600, 90, (58, 92, 60), 2)):
        mask = Image.new("L", (W, H))
        d = ImageDraw.Draw(mask)
        phase = rng.random() * 6.28
        pts = [(x, base - amp * (0.6 * math.sin(x / 260 + phase) + 0.4 * math.sin(x / 97 + 2 * phase)))
               for x in range(0, W + 20, 20)]
        d.polygon(pts + [(W, H), (0, H)], fill=255)
        mask = mask.filter(ImageFilter.GaussianBlur(haze))
        body = vertical(colour, tuple(max(0, c - 40) for c in colour), base - amp, base + 120)
        img = Image.composite(body, img, mask)
    # A lake mirroring the sky, darker, below the hills.
    lake = Image.new("L", (W, H))
    ImageDraw.Draw(lake).ellipse([200, 660, 1500, 900], fill=255)
    lake = lake.filter(ImageFilter.GaussianBlur(8))
    mirror = img.transpose(Image.FLIP_TOP_BOTTOM).point(lambda v: v * 3 // 4)
    img = Image.composite(mirror, img, lake)
    # A meadow of fine texture in front.
    meadow = Image.new("L", (W, H))
    ImageDraw.Draw(meadow).polygon([(0, 820), (700, 760), (1400, 880), (W, 800), (W, H), (0, H)],
                                   fill=255)
    meadow = meadow.filter(ImageFilter.GaussianBlur(4))
    grass = vertical((118, 150, 58), (52, 84, 30), 760, H)
    img = Image.composite(add_texture(grass, texture(rng, 2, 40)), img, meadow)
    return add_texture(img, texture(rng, 3, 6)).filter(ImageFilter.GaussianBlur(0.7))


def portrait(rng):
    img = vertical((58, 40, 32), (20, 14, 12))
    img = Image.composite(img, solid((6, 4, 4)), radial(1000, 500, 1300, 0.7))
    # Soft skin shading: a lit ellipse over a shadowed one.
    face = Image.new("L", (W, H))
    ImageDraw.Draw(face).ellipse([720, 160, 1240, 860], fill=255)
    face = face.filter(ImageFilter.GaussianBlur(14))
    skin = Image.composite(solid((238, 196, 168)), solid((132, 78, 58)), radial(900, 380, 620, 1.2))
    img = Image.composite(skin, img, face)
    # Dark hair of fine strands.
    hair = Image.new("L", (W, H))
    d = ImageDraw.Draw(hair)
    d.ellipse([660, 40, 1300, 420], fill=255)
    for _ in range(900):
        x = rng.randrange(640, 1320)
        d.line([(x, rng.randrange(40, 200)), (x + rng.randrange(-60, 60), rng.randrange(300, 720))],
               fill=rng.randrange(120, 256), width=2)
    hair = hair.filter(ImageFilter.GaussianBlur(1.5))
    hair_col = add_texture(vertical((74, 46, 30), (30, 18, 12), 40, 720), texture(rng, 2, 30))
    img = Image.composite(hair_col, img, hair.point(lambda v: v * 7 // 8))
    # A saturated red cloth with folds.
    cloth = Image.new("L", (W, H))
    ImageDraw.Draw(cloth).polygon([(380, H), (760, 820), (1260, 820), (1640, H)], fill=255)
    cloth = cloth.filter(ImageFilter.GaussianBlur(6))
    folds = Image.new("L", (W, 1))
    folds.putdata([round(128 + 110 * math.sin(x / 37.0) * math.sin(x / 151.0)) for x in range(W)])
    red = Image.composite(solid((214, 30, 42)), solid((92, 8, 18)), folds.resize((W, H)))
    img = Image.composite(red, img, cloth)
    return add_texture(img, texture(rng, 3, 5)).filter(ImageFilter.GaussianBlur(0.8))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    landscape(random.Random(7)).save(os.path.join(out, "landscape.png"), compress_level=3)
    portrait(random.Random(11)).save(os.path.join(out, "portrait.png"), compress_level=3)


if __name__ == "__main__":
    main()
