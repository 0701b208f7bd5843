#!/usr/bin/python3
"""`imgtools apply` against a reference written here from the published formulas: the seeded noise (the C
library's rand(), each draw its top 15 bits, taken from libc itself) and the rank and morphology filters.

The pictures are 24-bit, so the working buffer holds blue, green, red and the noise draws channel by channel
in that order, pixels in reading order from the top-left.

Usage: seeded_reference.py IMGTOOLS [--keep]"""

import ctypes
import ctypes.util
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import peers  # noqa: E402
from peers import Image  # noqa: E402

W, H = 23, 17


class CRand:
    """The C library's generator, through the C library."""

    def __init__(self, seed):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"))
        self.libc.srand(ctypes.c_uint(seed))

    def draw(self):
        return self.libc.rand() >> 16


def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else v


# Pixels are lists of [blue, green, red], rows top-down.

def salt_pepper(pixels, amount, kind, seed, first=(0, 0, 0), second=(255, 255, 255)):
    rng = CRand(seed)
    d = amount * 0.0025
    t = int(d * 16384)
    low, high = 16384 - t, 16384 + t
    divisor = 8 if d < 0.1 else 4 if d < 0.15 else 2 if d < 0.2 else 1
    pepper = first if kind == 1 else (0, 0, 0)
    salt = second if kind == 1 else (255, 255, 255)

    def exponential():
        u1 = rng.draw()
        rng.draw()
        e = min(255.0, -math.sqrt(800.0) * math.log(1.0 - u1 / 32767.1))
        return int(e + 0.5)

    def gaussian():
        s = rng.draw() + rng.draw() + rng.draw() + rng.draw()
        return s * 5.28596089837e-5 - 3.46410161514

    out = []
    for p in pixels:
        r = rng.draw()
        q = list(p)
        inside = low <= r < high
        if kind in (0, 1):
            if 16384 <= r < 16384 + t:
                q = [pepper[2], pepper[1], pepper[0]]
            elif 16384 - t <= r < 16384:
                q = [salt[2], salt[1], salt[0]]
        elif kind == 2:
            if inside:
                q = [clamp(p[c] + 127 * int(gaussian())) for c in range(3)]
        elif kind == 3:
            if inside:
                q = [min(255, p[c] + exponential()) for c in range(3)]
        else:
            q = [min(255, p[c] + exponential() // divisor) for c in range(3)]
        out.append(q)
    return out


def spread(pixels, a, b, seed):
    rng = CRand(seed)
    if b == 0:
        a = -a
    d = [list(p) for p in pixels]
    for y in range(H):
        for x in range(W):
            if a >= 0:
                lx, hx = max(0, x - a), min(W - 1, x + a)
                px = rng.draw() % (hx - lx + 1) + lx
                ly, hy = max(0, y - b), min(H - 1, y + b)
                py = rng.draw() % (hy - ly + 1) + ly
            else:
                r = -a
                lx, hx = max(0, x - r), min(W - 1, x + r)
                px = rng.draw() % (hx - lx + 1) + lx
                e = r - abs(px - x)
                ly, hy = max(0, y - e), min(H - 1, y + e)
                py = rng.draw() % (hy - ly + 1) + ly
            d[y * W + x], d[py * W + px] = d[py * W + px], d[y * W + x]
    return d


def melting(pixels, m, seed):
    rng = CRand(seed)
    s = [list(p) for p in pixels]

    def key(p):
        return (11 * p[2] + 16 * p[1] + 5 * p[0]) & ~31
    for _ in range(abs(m) * W * H):
        x = rng.draw() % W
        y = rng.draw() % (H - 1)
        while y + 1 < H:
            p, q = s[y * W + x], s[(y + 1) * W + x]
            if not (key(p) >= key(q) if m > 0 else key(p) <= key(q)):
                break
            s[y * W + x], s[(y + 1) * W + x] = q, p
            y += 1
    return s


def at(pixels, x, y):
    return pixels[y * W + x]


def median_filter(pixels, n):
    if n < 3:
        n = 3
    elif n % 2 == 0:
        n += 1
    r = n // 2
    out = []
    for y in range(H):
        for x in range(W):
            q = []
            for c in range(3):
                a = sorted(at(pixels, i, j)[c] for j in range(max(0, y - r), min(H, y + r + 1))
                           for i in range(max(0, x - r), min(W, x + r + 1)))
                k = len(a)
                q.append(a[k // 2] if k % 2 else (a[k // 2 - 1] + a[k // 2]) // 2)
            out.append(q)
    return out


def banded(pixels, r, compute):
    """D starts as S; the worker writes only where the whole window fits."""
    out = [list(p) for p in pixels]
    for y in range(r, H - r):
        for x in range(r, W - r):
            out[y * W + x] = compute(x, y)
    return out


def max_min(pixels, size, maximum):
    r = (size & 255) // 2
    pick = max if maximum else min

    def compute(x, y):
        return [pick(at(pixels, i, j)[c] for j in range(y - r, y + r + 1) for i in range(x - r, x + r + 1))
                for c in range(3)]
    return banded(pixels, r, compute)


def alpha_trimmed_mean(pixels, n, strength):
    if n % 2 == 0:
        n -= 1
    t = ((n * n - 1) * strength // 2) // 10
    r = n // 2

    def compute(x, y):
        q = []
        for c in range(3):
            a = sorted(at(pixels, i, j)[c] for j in range(y - r, y + r + 1) for i in range(x - r, x + r + 1))
            kept = a[t:n * n - t]
            count = n * n - 2 * t
            if count <= 0 or not kept:
                count = 1
            q.append(int(sum(kept) / count + 0.5))
        return q
    return banded(pixels, r, compute)


DIAMOND = [(dx, dy) for dy in range(-2, 3) for dx in range(-2, 3) if abs(dx) + abs(dy) <= 2]


def morphology(pixels, erode):
    pick = min if erode else max

    def compute(x, y):
        return [pick(at(pixels, x + dx, y + dy)[c] for dx, dy in DIAMOND) for c in range(3)]
    return banded(pixels, 2, compute)


def outline(pixels, mode):
    eroded = morphology(pixels, True)
    out = []
    for s, e in zip(pixels, eroded):
        out.append([(2 * s[c] - e[c]) // 2 if mode == 1 else s[c] - e[c] for c in range(3)])
    return out


def point_detector(pixels, mode):
    out = [list(p) for p in pixels]
    for y in range(0, H - 2):
        for x in range(0, W - 2):
            q = []
            for c in range(3):
                s = sum((8 if (i, j) == (1, 1) else -1) * at(pixels, x + i, y + j)[c]
                        for j in range(3) for i in range(3))
                s = clamp(s)
                q.append((s + at(pixels, x, y)[c]) // 2 if mode == 1 else s)
            out[y * W + x] = q
    return out


def picture_bgr(pixels):
    return (W, H, b"".join(bytes([p[2], p[1], p[0]]) for p in pixels))


def main():
    args = [a for a in sys.argv[1:] if a != "--keep"]
    if len(args) != 1:
        print(__doc__)
        return 2
    scratch = peers.Scratch("--keep" in sys.argv)
    failures = peers.Failures()
    try:
        rnd = random.Random(7)
        # Flat areas, edges and noise: medians of flat windows, rank ties and clamping all occur.
        pixels = []
        for y in range(H):
            for x in range(W):
                if x < 8:
                    pixels.append([40 + 10 * (y // 4), 200, 30 * (x // 3)])
                else:
                    pixels.append([rnd.randrange(256) for _ in range(3)])
        source = scratch.file("source.bmp")
        im = Image.new("RGB", (W, H))
        im.putdata([(p[2], p[1], p[0]) for p in pixels])
        im.save(source)

        cases = []
        for seed in (1, 0, 4242, 4294967295):
            for amount, kind in ((10, 0), (120, 0), (399, 0), (60, 1), (200, 2), (250, 3), (30, 4),
                                 (50, 4), (70, 4), (100, 4), (0, 0)):
                if seed != 1 and kind not in (0, 4):
                    continue
                cases.append((f"--seed {seed} SaltPepperNoise:{amount},{kind}",
                              ["--seed", str(seed), "--colours", "102030,F0E0D0"],
                              [f"SaltPepperNoise:{amount},{kind}"],
                              lambda a=amount, k=kind, s=seed: salt_pepper(
                                  pixels, a, k, s, (0x10, 0x20, 0x30), (0xF0, 0xE0, 0xD0))))
        for a, b in ((1, 5), (3, 0), (0, 2), (2, 2)):
            cases.append((f"Spread:{a},{b}", ["--seed", "77"], [f"Spread:{a},{b}"],
                          lambda a=a, b=b: spread(pixels, a, b, 77)))
        for m in (1, 3, -2):
            cases.append((f"Melting:{m}", ["--seed", "5"], [f"Melting:{m}"], lambda m=m: melting(pixels, m, 5)))
        for n in (0, 3, 4, 5, 7):
            cases.append((f"MedianFilter:{n}", [], [f"MedianFilter:{n}"], lambda n=n: median_filter(pixels, n)))
        for s in (0, 1, 3, 4, 5, 255):
            cases.append((f"Maximum:{s}", [], [f"Maximum:{s}"], lambda s=s: max_min(pixels, s, True)))
            cases.append((f"Minimum:{s}", [], [f"Minimum:{s}"], lambda s=s: max_min(pixels, s, False)))
        for n, a in ((3, 0), (3, 10), (4, 5), (5, 3), (7, 10), (1, 0)):
            cases.append((f"AlphaTrimedMean:{n},{a}", [], [f"AlphaTrimedMean:{n},{a}"],
                          lambda n=n, a=a: alpha_trimmed_mean(pixels, n, a)))
        cases.append(("Erosion", [], ["Erosion:0"], lambda: morphology(pixels, True)))
        cases.append(("Dilation", [], ["Dilation:0"], lambda: morphology(pixels, False)))
        for mode in (0, 1):
            cases.append((f"Outline:{mode}", [], [f"Outline:{mode},0"], lambda m=mode: outline(pixels, m)))
            cases.append((f"PointDetector:{mode}", [], [f"PointDetector:{mode},0"],
                          lambda m=mode: point_detector(pixels, m)))

        for i, (name, options, operations, reference) in enumerate(cases):
            failures.checked += 1
            out = scratch.file(f"out{i}.bmp")
            status, _, err = peers.run([args[0], "apply", *options, source, out, *operations])
            if status != 0:
                failures.add(name, f"imgtools apply failed ({status}): {err.strip()[:200]}")
                continue
            with Image.open(out) as got:
                ours = peers.picture_from(got)
            diff = peers.compare(picture_bgr(reference()), ours)
            if diff:
                failures.add(name, diff)
        return failures.finish("seeded noise and rank filters")
    finally:
        scratch.close()


if __name__ == "__main__":
    peers.main_guard(main)
