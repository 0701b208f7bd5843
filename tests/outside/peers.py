"""What the outside checks share: running imgtools and the peer programs, decoding a file with a peer, and
comparing pictures. A picture here is (width, height, bytes): rows top-down, three bytes red, green, blue.

Peers that are not installed are skipped, not failed; a check with no peer at all exits with 77 (skipped)."""

import multiprocessing
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
MAGICK = "/usr/bin/convert-im6.q16"

try:
    from PIL import Image
except ImportError:  # the python3 on the path may not see Debian's Pillow
    Image = None


def have(program):
    return shutil.which(program) is not None or os.access(program, os.X_OK)


class Failures:
    """Collects discrepancies so that one run reports every one of them."""

    def __init__(self):
        self.items = []
        self.checked = 0

    def add(self, case, text):
        self.items.append(f"{case}: {text}")
        print(f"FAIL {case}: {text}", flush=True)

    def finish(self, what):
        print(f"{what}: {self.checked} checked, {len(self.items)} failed")
        for item in self.items:
            print("  " + item)
        return 1 if self.items else 0


def run(args, timeout=60, stdin=None):
    """Runs a command; returns (exit status, stdout bytes, stderr text). A hang is a failure, status -9."""
    try:
        p = subprocess.run(args, capture_output=True, timeout=timeout, input=stdin)
        return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return -9, b"", "timed out"


def must(args, **kw):
    status, out, err = run(args, **kw)
    if status != 0:
        raise RuntimeError(f"{' '.join(map(str, args))} failed ({status}): {err.strip()[:300]}")
    return out


class Scratch:
    def __init__(self, keep=False):
        self.path = tempfile.mkdtemp(prefix="outside-")
        self.keep = keep

    def file(self, name):
        return os.path.join(self.path, name)

    def close(self):
        if not self.keep:
            shutil.rmtree(self.path, ignore_errors=True)
        else:
            print("files kept in " + self.path)


def parse_ppm(data):
    """A binary PPM (P6, maxval 255) as a picture."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise RuntimeError("not an 8-bit PPM")
    w, h = int(fields[1]), int(fields[2])
    pos += 1
    return (w, h, bytes(data[pos:pos + 3 * w * h]))


def magick_decode(path, frame=None, options=()):
    """ImageMagick's reading of one frame (the frame's own pixels, not composed), colours without alpha."""
    source = path if frame is None else f"{path}[{frame}]"
    out = must([MAGICK, source, "+repage", *options, "-alpha", "off", "-depth", "8", "ppm:-"])
    return parse_ppm(out)


def pillow_decode(path, frame=0):
    """Pillow's reading as red, green, blue (alpha dropped, not composed); None for modes it cannot narrow
    exactly."""
    with Image.open(path) as im:
        if frame:
            im.seek(frame)
        if im.mode.startswith("I;16") or im.mode in ("I", "F"):
            return None
        rgb = im.convert("RGB")
        return (rgb.width, rgb.height, rgb.tobytes())


def picture_from(image):
    rgb = image.convert("RGB")
    return (rgb.width, rgb.height, rgb.tobytes())


def compare(expected, actual, tolerance=0):
    """None when equal within tolerance, else a description of the first and the largest difference."""
    ew, eh, ep = expected
    aw, ah, ap = actual
    if (ew, eh) != (aw, ah):
        return f"size {aw}x{ah}, expected {ew}x{eh}"
    if len(ep) != len(ap):
        return f"{len(ap)} bytes, expected {len(ep)}"
    if ep == ap:
        return None
    worst = 0
    first = None
    count = 0
    for i in range(len(ep)):
        d = abs(ep[i] - ap[i])
        if d > tolerance:
            count += 1
            if first is None:
                first = i
        worst = max(worst, d)
    if count == 0:
        return None
    p = first // 3
    x, y = p % ew, p // ew
    return (f"{count} channel values differ (largest {worst}); first at ({x},{y}): "
            f"{tuple(ap[3 * p:3 * p + 3])}, expected {tuple(ep[3 * p:3 * p + 3])}")


class Imgtools:
    def __init__(self, path, scratch):
        self.path = path
        self.scratch = scratch

    def info(self, path, frames=False):
        return run([self.path, "info", *(["--frames"] if frames else []), path])

    def decode(self, path, frame=0):
        """Our reading of a file, written out as a BMP and read back with Pillow. Returns (status, picture or
        error text)."""
        out = f"{path}.{frame}.ours.bmp"
        args = [self.path, "convert"] + (["--frame", str(frame)] if frame else []) + [path, out]
        status, _, err = run(args)
        if status != 0:
            return status, err.strip().replace("\n", " ")[:300]
        with Image.open(out) as im:
            return 0, picture_from(im)

    def convert(self, source, out, *options):
        return run([self.path, "convert", *options, source, out])


_work = None


def _run_one(i):
    function, items = _work
    return function(items[i])


def parallel_map(function, items, workers=4):
    """function over items in worker processes (forked, so closures and lambdas do); results in order.
    Processes, not threads: Pillow's libtiff path closes descriptors that another thread may be using."""
    global _work
    _work = (function, list(items))
    try:
        with multiprocessing.get_context("fork").Pool(workers) as pool:
            return pool.map(_run_one, range(len(_work[1])), chunksize=1)
    finally:
        _work = None


def main_guard(function):
    """Runs a check's main; a missing imgtools or Pillow skips it."""
    if Image is None:
        print("Pillow absent: skipped")
        sys.exit(SKIPPED)
    sys.exit(function())
