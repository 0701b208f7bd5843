#!/usr/bin/python3
"""OpenCV's medianBlur on the picture filters_bench uses (4000 x 3000, gradients with grain), for scale.

Prints the best of RUNS (default 3) in milliseconds for the windows 3 and 15; says so and exits when
python3-opencv is not installed.
"""
import sys
import time

try:
    import cv2
    import numpy as np
except ImportError:
    print("opencv_median: python3-opencv not installed, left out")
    sys.exit(0)

W, H = 4000, 3000
runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3

# Gradients with a grain of -16 ... 15 as in filters_bench; the grain's exact values matter little for
# timing, so a seeded generator stands in for its congruential one.
rng = np.random.default_rng(2024)
g = rng.integers(-16, 16, size=(H, W))
x = np.arange(W)[None, :]
y = np.arange(H)[:, None]
img = np.empty((H, W, 3), dtype=np.uint8)
img[:, :, 0] = np.clip(x * 255 // W + g, 0, 255)
img[:, :, 1] = np.clip((x + y) * 255 // (W + H) + g, 0, 255)
img[:, :, 2] = np.clip(y * 255 // H + g // 2, 0, 255)

print(f"opencv_median: {W}x{H} 24-bit, best of {runs}, OpenCV {cv2.__version__}, {cv2.getNumThreads()} threads")
for k in (3, 15):
    best = None
    for _ in range(runs):
        t = time.perf_counter()
        cv2.medianBlur(img, k)
        ms = (time.perf_counter() - t) * 1000
        best = ms if best is None or ms < best else best
    print(f"medianBlur {k:<3} {best:10.1f} ms")
