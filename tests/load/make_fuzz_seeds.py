#!/usr/bin/env python3
"""Writes the small seed files of the BMP, ICO, JPEG and header-probe fuzzers.

Usage: make_fuzz_seeds.py VELDRIMON_TOOL   (run from anywhere; writes tests/fuzz/corpus/fuzz_*)
Every picture is built here byte by byte; the JPEG seeds are our own writer's output of them.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")


def dib(width, height, bits, pixels, palette=(), compression=0, masks=(), core=False):
    if core:
        head = struct.pack("<IHHHH", 12, width, height & 0xFFFF, 1, bits)
        pal = b"".join(bytes((b, g, r)) for r, g, b in palette)
    else:
        head = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, len(palette), 0)
        head += b"".join(struct.pack("<I", m) for m in masks)
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return head + pal + pixels


def bmp(*args, **kwargs):
    body = dib(*args, **kwargs)
    core = kwargs.get("core", False)
    header = 12 if core else 40
    palette = kwargs.get("palette", args[4] if len(args) > 4 else ())
    offset = 14 + header + 4 * len(kwargs.get("masks", ())) + len(palette) * (3 if core else 4)
    return b"BM" + struct.pack("<IIIxx", 14 + len(body), 0, offset)[:-2] + body


def rows(width, height, bits, seed):
    stride = (width * bits + 31) // 32 * 4
    return bytes((i * 37 + seed * 11) & 0xFF for i in range(stride * abs(height)))


def ramp(n):
    return [(i * 255 // max(n - 1, 1), (i * 7) & 0xFF, 255 - i * 255 // max(n - 1, 1))
            for i in range(n)]


def png(width, height):
    raw = b"".join(b"\0" + b"".join(bytes((x * 40 & 255, y * 40 & 255, 90, 255 if (x + y) % 3 else 0))
                                    for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def ico(entries):
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for w, h, bits, data in entries:
        out += struct.pack("<BBBBHHII", w & 255, h & 255, (1 << bits) if bits < 8 else 0, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(e[3] for e in entries)


def icon_entry(size, bits):
    palette = ramp(1 << bits) if bits <= 8 else ()
    mask = bytes((0x81 if y % 2 else 0x18) for y in range(((size + 31) // 32 * 4) * size))
    return (size, size, bits, dib(size, size * 2, bits, rows(size, size, bits, bits) + mask, palette))


def write(folder, name, data):
    path = os.path.join(ROOT, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def main():
    tool = sys.argv[1]
    bmps = {
        "bits1.bmp": bmp(13, 7, 1, rows(13, 7, 1, 1), ramp(2)),
        "bits4.bmp": bmp(11, 6, 4, rows(11, 6, 4, 2), ramp(16)),
        "bits8_topdown.bmp": bmp(9, -5, 8, rows(9, 5, 8, 3), ramp(256)),
        "bits24.bmp": bmp(7, 5, 24, rows(7, 5, 24, 4)),
        "bits32.bmp": bmp(6, 4, 32, rows(6, 4, 32, 5)),
        "bits16_565.bmp": bmp(10, 4, 16, rows(10, 4, 16, 6), compression=3,
                              masks=(0xF800, 0x07E0, 0x001F)),
        "core8.bmp": bmp(9, 6, 8, rows(9, 6, 8, 7), ramp(256), core=True),
        "rle8.bmp": bmp(8, 4, 8, bytes([4, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 3, 9, 0, 0, 8, 5,
                                        0, 0, 0, 1]), ramp(256), compression=1),
        "rle4.bmp": bmp(9, 3, 4, bytes([5, 0x12, 0, 3, 0xAB, 0xC0, 0, 0, 9, 0xF3, 0, 0, 0, 5, 0x45,
                                        0x67, 0x80, 0, 0, 1]), ramp(16), compression=2),
    }
    for name, data in bmps.items():
        write("fuzz_bmp", name, data)
    icos = {
        "bits4.ico": ico([icon_entry(16, 4)]),
        "bits8_and32.ico": ico([icon_entry(8, 8), icon_entry(16, 32)]),
        "bits24.ico": ico([icon_entry(16, 24)]),
        "png.ico": ico([(6, 6, 32, png(6, 6))]),
    }
    for name, data in icos.items():
        write("fuzz_ico", name, data)
    with tempfile.TemporaryDirectory() as tmp:
        jpegs = {}
        for name, quality in (("bits24.bmp", "75"), ("bits8_topdown.bmp", "40")):
            source = os.path.join(tmp, name)
            with open(source, "wb") as f:
                f.write(bmps[name])
            target = os.path.join(tmp, name + ".jpg")
            subprocess.run([tool, "convert", source, target, "--quality", quality], check=True)
            with open(target, "rb") as f:
                jpegs[name] = f.read()
        for mode, (name, data) in zip((0, 0x0B), jpegs.items()):
            write("fuzz_jpeg", name.replace(".bmp", ".jpg"), bytes([mode]) + data)
    # The header probe: the first byte picks the name the bytes go under (see fuzz_info.cpp).
    names = ["gif", "bmp", "pcx", "dcx", "pic", "tga", "png", "jpg", "emf", "wmf", "ico"]
    gif = (b"GIF89a" + struct.pack("<HHBBB", 10, 8, 0x81, 0, 0) + bytes(12) +
           b"!\xf9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x0c\x00\x09\x00\x40\x02\x02\x4c\x01\x00;")
    pcx = bytes([10, 5, 1, 8]) + struct.pack("<6H", 0, 0, 99, 49, 72, 72) + bytes(49) + b"\x03"
    pic = struct.pack("<5HB", 0x1234, 320, 200, 0, 0, 0x31) + bytes(6)
    emf = bytearray(100)
    emf[32:40] = struct.pack("<ii", 2540, 1270)
    emf[40:44] = b" EMF"
    wmf = struct.pack("<IH5H", 0x9AC6CDD7, 0, 0, 0, 1440, 720, 1440) + bytes(6)
    probes = {
        "gif": gif, "bmp": bmps["rle8.bmp"], "pcx": pcx + bytes(128 - len(pcx)), "pic": pic,
        "png": png(3, 2), "jpg": jpegs["bits24.bmp"], "emf": bytes(emf), "wmf": wmf,
        "ico": icos["bits8_and32.ico"],
        "dcx": struct.pack("<II", 0x3ADE68B1, 8) + pcx + bytes(128 - len(pcx)),
        "tga": bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 3, 0, 24, 0]) + bytes(36),
    }
    for kind, data in probes.items():
        write("fuzz_info", "probe_" + kind, bytes([names.index(kind)]) + data)


if __name__ == "__main__":
    main()
