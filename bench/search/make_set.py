#!/usr/bin/env python3
"""Writes the look-alike benchmark set: COUNT JPEGs of 640 x 480 in 100 folders (fewer for a
small COUNT). One file in fifty belongs to a family of five: the q90 original, a q40 re-save, a
half-size copy, a copy 8 levels brighter and a grey copy. Every other file is a distinct picture.

    make_set.py OUT [--count N]      (COUNT in the environment works too; default 10000)
"""
import argparse
import os
import random

from PIL import Image, ImageDraw, ImageFilter


def picture(rng):
    # A coarse grid of saturated colours, smoothly enlarged, with a few soft shapes on top:
    # fields of colour like a photograph's, and prints that differ from picture to picture.
    small = Image.new("RGB", (5, 4))
    for y in range(4):
        for x in range(5):
            hue = rng.random()
            value = 0.35 + 0.65 * rng.random()
            small.putpixel((x, y), hsv(hue, 0.75 + 0.25 * rng.random(), value))
    im = small.resize((640, 480), Image.BICUBIC)
    draw = ImageDraw.Draw(im)
    for _ in range(rng.randint(2, 5)):
        x, y = rng.randint(-80, 600), rng.randint(-80, 440)
        r = rng.randint(40, 160)
        draw.ellipse((x, y, x + r, y + r), fill=hsv(rng.random(), 1.0, 0.4 + 0.6 * rng.random()))
    return im.filter(ImageFilter.GaussianBlur(3))


def hsv(h, s, v):
    i = int(h * 6) % 6
    f = h * 6 - int(h * 6)
    p, q, t = v * (1 - s), v * (1 - f * s), v * (1 - (1 - f) * s)
    r, g, b = [(v, t, p), (q, v, p), (p, v, t), (p, q, v), (t, p, v), (v, p, q)][i]
    return (int(r * 255), int(g * 255), int(b * 255))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--count", type=int, default=int(os.environ.get("COUNT", "10000")))
    args = ap.parse_args()
    rng = random.Random(1234)
    count = max(args.count, 50)
    families = count // 50
    distinct = count - 5 * families
    folders = max(1, min(100, count // 100))
    n = 0

    def place(name):
        nonlocal n
        folder = os.path.join(args.out, "f%03d" % (n % folders))
        os.makedirs(folder, exist_ok=True)
        n += 1
        return os.path.join(folder, name)

    brighter = lambda im: im.point(lambda v: min(255, v + 8))
    for k in range(families):
        im = picture(rng)
        im.save(place("fam%04d_a_q90.jpg" % k), quality=90)
        im.save(place("fam%04d_b_q40.jpg" % k), quality=40)
        im.resize((320, 240), Image.BOX).save(place("fam%04d_c_half.jpg" % k), quality=90)
        brighter(im).save(place("fam%04d_d_plus8.jpg" % k), quality=90)
        im.convert("L").save(place("fam%04d_e_grey.jpg" % k), quality=90)
    for k in range(distinct):
        picture(rng).save(place("pic%05d.jpg" % k), quality=90)
    print("wrote %d files (%d families of five, %d distinct) in %d folders under %s"
          % (n, families, distinct, folders, args.out))


if __name__ == "__main__":
    main()
