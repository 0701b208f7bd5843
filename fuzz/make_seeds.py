#!/usr/bin/env python3
"""Writes small seed files for a reader's fuzz target: fuzz/make_seeds.py pcx_reader|tga_reader FOLDER.

One file per layout the reader takes apart (depths, planes, colour maps, run-length packets, row order), each
a few hundred bytes, so that the fuzzer starts from every branch rather than discovering the formats."""
import struct
import sys
from pathlib import Path

W, H = 13, 7


def pixel(x, y):
    return ((x * 37 + y * 11) & 255, (x * 5 + y * 70) & 255, (x * y * 9) & 255)


def pcx_runs(data):
    out = bytearray()
    i = 0
    while i < len(data):
        n = 1
        while n < 63 and i + n < len(data) and data[i + n] == data[i]:
            n += 1
        if n > 1 or data[i] >= 0xC0:
            out.append(0xC0 | n)
        out.append(data[i])
        i += n
    return bytes(out)


def pcx(bits, planes, line_of, palette=None, header_map=b"", version=5):
    per_line = (W * bits + 7) // 8
    per_line += per_line % 2
    head = struct.pack("<BBBBHHHHHH", 10, version, 1, bits, 0, 0, W - 1, H - 1, 72, 72)
    head += header_map.ljust(48, b"\0") + struct.pack("<BBHH", 0, planes, per_line, 1)
    head = head.ljust(128, b"\0")
    body = b"".join(pcx_runs(b"".join(p.ljust(per_line, b"\0") for p in line_of(y))) for y in range(H))
    return head + body + (b"\x0c" + palette if palette else b"")


def bit_planes(planes, value):
    def line(y):
        out = []
        for k in range(planes):
            bits = [(value(x, y) >> k) & 1 for x in range(W)] + [0] * 8
            out.append(bytes(sum(bits[i + j] << (7 - j) for j in range(8)) for i in range(0, W, 8)))
        return out
    return line


def pcx_seeds():
    vga = bytes(c for i in range(16) for c in pixel(i, 3))
    grey = bytes(v for i in range(256) for v in (i, i, i))
    yield "mono.pcx", pcx(1, 1, bit_planes(1, lambda x, y: (x + y) & 1), header_map=b"\0\0\0\xff\xff\xff")
    yield "mono-v2.pcx", pcx(1, 1, bit_planes(1, lambda x, y: x > y), version=2)
    yield "planes4.pcx", pcx(1, 4, bit_planes(4, lambda x, y: (x * 3 + y) & 15), header_map=vga)
    yield "index8.pcx", pcx(8, 1, lambda y: [bytes(x * 19 + y & 255 for x in range(W))], palette=grey)
    yield "rgb.pcx", pcx(8, 3, lambda y: [bytes(pixel(x, y)[k] for x in range(W)) for k in range(3)])
    yield "rgba.pcx", pcx(8, 4, lambda y: [bytes((pixel(x, y) + (200,))[k] for x in range(W)) for k in range(4)])


def tga_rle(pixels, size):
    """Packets that run on across row ends: repeats where pixels repeat, literals elsewhere."""
    out = bytearray()
    i = 0
    while i < len(pixels):
        n = 1
        while n < 128 and i + n < len(pixels) and pixels[i + n] == pixels[i]:
            n += 1
        if n > 1:
            out += bytes([0x80 | (n - 1)]) + pixels[i]
        else:
            j = i
            while j < len(pixels) and j - i < 128 and (j + 1 >= len(pixels) or pixels[j + 1] != pixels[j]):
                j += 1
            j = max(j, i + 1)
            out += bytes([j - i - 1]) + b"".join(pixels[i:j])
            n = j - i
        i += n
    return bytes(out)


def tga(kind, depth, encode, rle=False, top=False, cmap=None, first=0, entry_bits=24, ident=b""):
    pixels = [encode(x, y // 2) for y in range(H) for x in range(W)]  # row pairs repeat: runs cross rows
    data = tga_rle(pixels, depth) if rle else b"".join(pixels)
    cmap = cmap or b""
    entries = len(cmap) // ((entry_bits + 1) // 8) if cmap else 0
    head = struct.pack("<BBBHHBHHHHBB", len(ident), 1 if cmap else 0, kind | (8 if rle else 0), first, entries,
                       entry_bits if cmap else 0, 0, 0, W, H, depth, 0x20 if top else 0)
    return head + ident + cmap + data


def rgb555(x, y):
    r, g, b = pixel(x, y)
    return struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)


def tga_seeds():
    bgr = lambda x, y: bytes(reversed(pixel(x, y)))
    map24 = bytes(c for i in range(256) for c in reversed(pixel(i, 5)))
    map16 = b"".join(rgb555(i, 2) for i in range(40))
    for rle in (False, True):
        s = "-rle" if rle else ""
        yield f"rgb24{s}.tga", tga(2, 24, bgr, rle)
        yield f"rgba32{s}.tga", tga(2, 32, lambda x, y: bgr(x, y) + b"\x80", rle, top=True)
        yield f"rgb16{s}.tga", tga(2, 16, rgb555, rle)
        yield f"mapped{s}.tga", tga(1, 8, lambda x, y: bytes([x * 7 + y & 255]), rle, cmap=map24, ident=b"seed")
        yield f"grey{s}.tga", tga(3, 8, lambda x, y: bytes([pixel(x, y)[0]]), rle, top=True)
        yield f"greyalpha{s}.tga", tga(3, 16, lambda x, y: bytes([pixel(x, y)[1], 255]), rle)
    yield "mapped15.tga", tga(1, 8, lambda x, y: bytes([x + y]), cmap=map16, first=3, entry_bits=15)
    yield "rgb15.tga", tga(2, 15, rgb555, True, top=True)


def main(target, folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    seeds = {"pcx_reader": pcx_seeds, "tga_reader": tga_seeds}[target]
    for name, data in seeds():
        (folder / f"seed-{name}").write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
