#!/usr/bin/env python3
"""Draws the bundled sample images (our own pictures): BMP files, one RLE8, and an animated GIF."""
import math
import struct
import sys
from pathlib import Path

W, H = 160, 120


def picture(x, y):
    """A colour wheel over a gradient, with a ring: something to look at in every depth."""
    cx, cy = x - W / 2, y - H / 2
    r = math.hypot(cx, cy)
    a = (math.atan2(cy, cx) + math.pi) / (2 * math.pi)
    if r < 45:
        h = a * 6
        i, f = int(h) % 6, h - int(h)
        q, t = int(255 * (1 - f)), int(255 * f)
        rgb = [(255, t, 0), (q, 255, 0), (0, 255, t), (0, q, 255), (t, 0, 255), (255, 0, q)][i]
        k = r / 45
        return tuple(int(c * k + 255 * (1 - k)) for c in rgb)
    if 45 <= r < 50:
        return (20, 20, 20)
    g = int(255 * y / (H - 1))
    return (g, int(255 * x / (W - 1)), 255 - g)


def stride(bits):
    return (W * bits + 31) // 32 * 4


def bmp(bits, table, rows, compression=0):
    """rows: bottom-up list of bytes objects (already packed)."""
    data = b"".join(rows)
    offset = 14 + 40 + 4 * len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, compression, len(data), 2835, 2835, len(table), 0)
    return head + info + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table) + data


def nearest(table, rgb):
    return min(range(len(table)), key=lambda i: sum((a - b) ** 2 for a, b in zip(table[i], rgb)))


def indexed_rows(bits, table):
    rows = []
    for y in range(H - 1, -1, -1):
        idx = [nearest(table, picture(x, y)) for x in range(W)]
        per = 8 // bits
        out = bytearray()
        for i in range(0, W, per):
            v = 0
            for j in range(per):
                p = idx[i + j] if i + j < W else 0
                v = (v << bits) | p
            out.append(v)
        rows.append(bytes(out) + b"\0" * (stride(bits) - len(out)))
    return rows


def rle8(rows_idx):
    out = bytearray()
    for row in rows_idx:
        x = 0
        while x < len(row):
            n = 1
            while x + n < len(row) and n < 255 and row[x + n] == row[x]:
                n += 1
            if n >= 2:
                out += bytes((n, row[x]))
                x += n
                continue
            lit = [row[x]]
            x += 1
            while x < len(row) and len(lit) < 255 and not (x + 1 < len(row) and row[x] == row[x + 1]):
                lit.append(row[x])
                x += 1
            if len(lit) < 3:
                for v in lit:
                    out += bytes((1, v))
            else:
                out += bytes((0, len(lit))) + bytes(lit) + (b"\0" if len(lit) % 2 else b"")
        out += b"\0\0"
    out += b"\0\1"
    return out


def wheel_index(x, y, turn, size):
    """The colour wheel turned by `turn` of a full circle, in fixed-palette indices; None outside the ring."""
    cx, cy = x - size / 2, y - size / 2
    r = math.hypot(cx, cy) * 100 / size
    if r >= 50:
        return None
    if r >= 45:
        return 0
    a = ((math.atan2(cy, cx) + math.pi) / (2 * math.pi) + turn) % 1.0
    h = a * 6
    i, f = int(h) % 6, h - int(h)
    q, t = int(255 * (1 - f)), int(255 * f)
    rgb = [(255, t, 0), (q, 255, 0), (0, 255, t), (0, q, 255), (t, 0, 255), (255, 0, q)][i]
    k = r / 45
    red, green, blue = (int(c * k + 255 * (1 - k)) for c in rgb)
    return (red & 0xE0) | ((green >> 3) & 0x1C) | (blue // 85 + (1 if blue % 85 > 43 else 0))


def lzw(indices, m):
    """GIF LZW data for `indices` with minimum code size m, as sub-blocks with their terminator."""
    clear, end = 1 << m, (1 << m) + 1
    codes, width, table = [clear], m + 1, {}
    widths = [width]
    nxt, prefix = clear + 2, indices[0]
    for p in indices[1:]:
        if (prefix, p) in table:
            prefix = table[(prefix, p)]
            continue
        codes.append(prefix)
        widths.append(width)
        if nxt < 4096:
            table[(prefix, p)] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        else:
            codes.append(clear)
            widths.append(width)
            table, nxt, width = {}, clear + 2, m + 1
        prefix = p
    codes += [prefix, end]
    widths += [width, width]
    bits = count = 0
    data = bytearray()
    for c, w in zip(codes, widths):
        bits |= c << count
        count += w
        while count >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        data.append(bits)
    out = bytearray([m])
    for i in range(0, len(data), 255):
        out += bytes([len(data[i:i + 255])]) + data[i:i + 255]
    return bytes(out + b"\0")


def turning_wheel(fixed, size=64, frames=8):
    """The wheel turning over `frames` frames, 10/100 s each, outside the ring transparent, looping."""
    pictures = [[wheel_index(x, y, k / frames, size) for y in range(size) for x in range(size)]
                for k in range(frames)]
    used = {i for pic in pictures for i in pic if i is not None}
    clear = min(i for i in range(256) if i not in used)
    palette = list(fixed)
    palette[clear] = (0, 0, 0)
    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", size, size, 0xF7, clear, 0))
    out += b"".join(bytes(c) for c in palette)
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0"
    for pic in pictures:
        out += b"\x21\xF9\x04" + struct.pack("<BHB", (2 << 2) | 1, 10, clear) + b"\0"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, size, size, 0)
        out += lzw([clear if i is None else i for i in pic], 8)
    return bytes(out + b"\x3B")


def main(folder):
    folder = Path(folder)
    grey = [(0, 0, 0), (255, 255, 255)]
    vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
           (0, 255, 255), (255, 255, 255)]
    l8 = [0, 36, 73, 109, 146, 182, 219, 255]
    l4 = [0, 85, 170, 255]
    fixed = [(l8[i >> 5], l8[(i >> 2) & 7], l4[i & 3]) for i in range(256)]
    (folder / "wheel-1bit.bmp").write_bytes(bmp(1, grey, indexed_rows(1, grey)))
    (folder / "wheel-4bit.bmp").write_bytes(bmp(4, vga, indexed_rows(4, vga)))
    rows8 = indexed_rows(8, fixed)
    (folder / "wheel-8bit.bmp").write_bytes(bmp(8, fixed, rows8))
    rle = rle8([r[:W] for r in rows8])
    (folder / "wheel-rle8.bmp").write_bytes(bmp(8, fixed, [bytes(rle)], compression=1))
    rows24 = []
    for y in range(H - 1, -1, -1):
        row = b"".join(struct.pack("BBB", *reversed(picture(x, y))) for x in range(W))
        rows24.append(row + b"\0" * (stride(24) - len(row)))
    (folder / "wheel-24bit.bmp").write_bytes(bmp(24, [], rows24))
    (folder / "wheel-turning.gif").write_bytes(turning_wheel(fixed))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "samples")
