#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_exif: Exif APP1 blocks (both byte orders, with and without the
camera's facts) and whole JPEG files carrying them, built byte by byte.
Usage: make_fuzz_seeds.py OUT_DIR SMALL_JPEG"""
import struct
import sys
from pathlib import Path


def ifd(order, entries, start):
    """One directory at offset `start`: entries are (tag, type, count, raw value bytes)."""
    data_at = start + 2 + 12 * len(entries) + 4
    head = struct.pack(order + "H", len(entries))
    data = b""
    for tag, typ, count, raw in entries:
        head += struct.pack(order + "HHI", tag, typ, count)
        if len(raw) <= 4:
            head += raw.ljust(4, b"\0")
        else:
            head += struct.pack(order + "I", data_at + len(data))
            data += raw + (b"\0" if len(raw) % 2 else b"")
    return head + struct.pack(order + "I", 0) + data


def block(orientation, facts, big):
    order = ">" if big else "<"
    asc = lambda t, s: (t, 2, len(s) + 1, s.encode() + b"\0")
    rat = lambda t, vs: (t, 5, len(vs), b"".join(struct.pack(order + "II", n, d) for n, d in vs))
    short = lambda t, v: (t, 3, 1, struct.pack(order + "H", v))
    ifd0 = []
    if facts:
        ifd0 += [asc(0x010F, "Veldrimon Optics"), asc(0x0110, "VX-100")]
    ifd0.append(short(0x0112, orientation))
    exif = [rat(0x829A, [(1, 250)]), rat(0x829D, [(28, 10)]), short(0x8827, 200),
            asc(0x9003, "2024:05:01 12:30:00"), rat(0x920A, [(42, 10)]), asc(0xA434, "Wide")]
    gps = [asc(1, "N"), rat(2, [(51, 1), (30, 1), (0, 1)]), asc(3, "W"),
           rat(4, [(0, 1), (7, 1), (12, 1)])]
    if facts:
        ifd0 += [(0x8769, 4, 1, b"\0" * 4), (0x8825, 4, 1, b"\0" * 4)]
        size0 = len(ifd(order, ifd0, 8))
        size_exif = len(ifd(order, exif, 8 + size0))
        ifd0[-2] = (0x8769, 4, 1, struct.pack(order + "I", 8 + size0))
        ifd0[-1] = (0x8825, 4, 1, struct.pack(order + "I", 8 + size0 + size_exif))
    tiff = (b"MM" if big else b"II") + struct.pack(order + "HI", 42, 8)
    tiff += ifd(order, ifd0, 8)
    if facts:
        tiff += ifd(order, exif, len(tiff))
        tiff += ifd(order, gps, len(tiff))
    return b"Exif\0\0" + tiff


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    jpeg = Path(sys.argv[2]).read_bytes()
    jpeg = jpeg[jpeg.find(b"\xff\xd8\xff"):]  # the JPEG decoder's seeds start with a mode byte
    assert jpeg[:2] == b"\xff\xd8"
    for orientation, facts, big in [(1, False, False), (6, True, False), (8, True, True),
                                    (3, False, True)]:
        b = block(orientation, facts, big)
        name = f"o{orientation}_{'facts' if facts else 'bare'}_{'mm' if big else 'ii'}"
        (out / (name + ".exif")).write_bytes(b)
        app1 = b"\xff\xe1" + struct.pack(">H", len(b) + 2) + b
        (out / (name + ".jpg")).write_bytes(jpeg[:2] + app1 + jpeg[2:])


if __name__ == "__main__":
    main()
