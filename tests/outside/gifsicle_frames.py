#!/usr/bin/python3
"""`imgtools frames` edits against gifsicle doing the same edits: both files are read back with
`gifsicle --info` (frame count, sizes, positions, delays, disposals, transparency, loop count, logical
screen) and frame by frame with ImageMagick (each frame's own pixels and transparency).

Where the file layout is ours by design, the check says so: the library writes a frame's comment after the
frame, which gifsicle counts as a comment before the next one.

Usage: gifsicle_frames.py IMGTOOLS SAMPLES_DIR [--keep]"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import handmade  # noqa: E402
import peers  # noqa: E402
from peers import MAGICK, have, must  # noqa: E402


def gif_info(path):
    """gifsicle's reading: the file's fields and one record a frame."""
    text = must(["gifsicle", "--info", path]).decode("utf-8", "replace")
    info = {"frames": [], "loop": None, "screen": None, "comments": {}}
    frame = None
    for line in text.splitlines():
        s = line.strip()
        m = re.match(r"logical screen (\d+)x(\d+)", s)
        if m:
            info["screen"] = (int(m.group(1)), int(m.group(2)))
        if s.startswith("loop "):
            info["loop"] = s
        m = re.match(r"\+ image #(\d+) (\d+)x(\d+)(.*)", s)
        if m:
            rest = m.group(4)
            pos = re.search(r"at (\d+),(\d+)", rest)
            frame = {"size": (int(m.group(2)), int(m.group(3))),
                     "at": (int(pos.group(1)), int(pos.group(2))) if pos else (0, 0),
                     "transparent": "transparent" in rest, "disposal": "none", "delay": "0.00s",
                     "interlaced": "interlaced" in rest}
            info["frames"].append(frame)
            continue
        if frame is not None:
            m = re.search(r"disposal (\w+)", s)
            if m:
                frame["disposal"] = m.group(1)
            m = re.search(r"delay (\S+)", s)
            if m:
                frame["delay"] = m.group(1)
    for m in re.finditer(r"\+ image #(\d+)[^\n]*\n(?:    [^\n]*\n)*?    comment ([^\n]*)", text):
        info["comments"][int(m.group(1))] = m.group(2)
    return info, text


def frames_rgba(path):
    """ImageMagick's reading of every frame's own pixels; transparent pixels as (0, 0, 0, 0)."""
    sizes = [tuple(map(int, line.split())) for line in
             must([MAGICK, path, "-format", "%w %h\n", "info:"]).decode().split("\n") if line.strip()]
    data = bytearray(must([MAGICK, path, "+repage", "-alpha", "on", "-depth", "8", "rgba:-"]))
    for i in range(0, len(data), 4):
        if data[i + 3] == 0:
            data[i:i + 4] = b"\0\0\0\0"
    frames = []
    at = 0
    for w, h in sizes:
        frames.append((w, h, bytes(data[at:at + 4 * w * h])))
        at += 4 * w * h
    return frames


def compare_files(name, ours, theirs, failures, skip_pixels=False):
    oi, otext = gif_info(ours)
    ti, ttext = gif_info(theirs)
    for key in ("screen", "loop"):
        if oi[key] != ti[key]:
            failures.add(name, f"{key}: ours {oi[key]}, gifsicle's {ti[key]}")
    if len(oi["frames"]) != len(ti["frames"]):
        failures.add(name, f"{len(oi['frames'])} frames, gifsicle made {len(ti['frames'])}")
        return oi
    pictures = None if skip_pixels else list(zip(frames_rgba(ours), frames_rgba(theirs)))
    for i, (a, b) in enumerate(zip(oi["frames"], ti["frames"])):
        for key in ("size", "at", "transparent", "disposal", "delay"):
            if a[key] != b[key]:
                failures.add(name, f"frame {i} {key}: ours {a[key]}, gifsicle's {b[key]}")
        if skip_pixels:
            continue
        pa, pb = pictures[i]
        if pa != pb:
            diff = sum(1 for k in range(0, min(len(pa[2]), len(pb[2])), 4) if pa[2][k:k + 4] != pb[2][k:k + 4])
            failures.add(name, f"frame {i} pixels differ from gifsicle's ({diff} pixels)")
    return oi


def fixed_palette():
    l8 = (0, 36, 73, 109, 146, 182, 219, 255)
    l4 = (0, 85, 170, 255)
    return [(l8[i >> 5], l8[(i >> 2) & 7], l4[i & 3]) for i in range(256)]


def main():
    args = [a for a in sys.argv[1:] if a != "--keep"]
    if len(args) != 2:
        print(__doc__)
        return 2
    if not have("gifsicle") or not have(MAGICK):
        print("gifsicle or ImageMagick absent: skipped")
        return peers.SKIPPED
    imgtools, samples = args
    scratch = peers.Scratch("--keep" in sys.argv)
    failures = peers.Failures()
    try:
        wheel = os.path.join(samples, "wheel-turning.gif")  # 8 frames, 64 x 64, delay 10, transparent 1
        # An animation of frames with their own sizes, places, tables and interlacing.
        mixed = scratch.file("mixed.gif")
        must([MAGICK, "-delay", "20", os.path.join(samples, "wheel-8bit.bmp"), "-resize", "50x40", "-colors", "40",
              "(", os.path.join(samples, "wheel-24bit.bmp"), "-resize", "30x20", "-colors", "7", "-repage",
              "+9+4", ")", "(", os.path.join(samples, "wheel-4bit.bmp"), "-resize", "20x30", "-colors", "5",
              "-interlace", "GIF", "-repage", "+2+6", ")", mixed])
        single = scratch.file("single.gif")
        must([MAGICK, os.path.join(samples, "wheel-8bit.bmp"), "-resize", "40x30", "-colors", "30", single])
        # Two entries of one colour, one of them transparent: merging them would make both transparent.
        twins = scratch.file("twins.gif")
        pal = handmade.colour_palette(16)
        pal[7] = pal[3]
        with open(twins, "wb") as f:
            f.write(handmade.gif(12, 8, pal, [(x + y) % 16 for y in range(8) for x in range(12)]))
        cases = [
            ("twin-colours", [twins, twins, "--transparent", "7"], ["--loopcount=forever", "-t", "7", twins, twins]),
            ("twin-colours-kept", [twins, twins, "--transparent", "1=3"],
             ["--loopcount=forever", twins, "-t", "3", twins]),
            ("delays", [wheel, "--delay", "7", "--delay", "2=40"],
             ["-d7", wheel, "#0-1", "-d40", "#2", "-d7", "#3-"]),
            ("disposals", [wheel, "--dispose", "1", "--dispose", "3=previous", "--dispose", "5=none"],
             ["-D", "asis", wheel, "#0-2", "-D", "previous", "#3", "-D", "asis", "#4", "-D", "none", "#5",
              "-D", "asis", "#6-"]),
            ("transparency", [wheel, "--transparent", "none", "--transparent", "5=0"],
             ["--no-transparent", wheel, "#0-4", "-t", "0", "#5", "--no-transparent", "#6-"]),
            ("transparency-more", [mixed, "--transparent", "2", "--transparent", "1=none"],
             ["-t", "2", mixed, "#0", "--no-transparent", "#1", "-t", "2", "#2"]),
            ("position", [wheel, "--position", "2=100,20", "--position", "0=3,1"],
             [wheel, "-p", "3,1", "#0", "-p", "0,0", "#1", "-p", "100,20", "#2", "-p", "0,0", "#3-"]),
            ("reorder", [wheel, "--delay", "0=1", "--delay", "7=8", "--move", "7:0", "--delete", "1",
                         "--duplicate", "0"],
             ["-d8", wheel, "#7", "#7", "-d10", "#1-6"]),
            ("move-forward", [wheel, "--move", "1:5", "--delete", "7"],
             [wheel, "#0", "#2-5", "#1", "#6"]),
            ("screen-loop", [wheel, "--screen", "300x200", "--loop", "5"],
             ["--logical-screen", "300x200", "--loopcount=5", wheel]),
            ("loop-forever", [mixed, "--loop", "0"], ["--loopcount=forever", mixed]),
            ("several-inputs", [single, mixed, single, "--delay", "15"],
             ["-d15", single, mixed, single]),
            ("mixed-kept", [mixed], [mixed]),
        ]
        for name, ours_args, their_args in cases:
            failures.checked += 1
            ours = scratch.file(f"{name}-ours.gif")
            theirs = scratch.file(f"{name}-gifsicle.gif")
            status, _, err = peers.run([imgtools, "frames", *ours_args, ours])
            if status != 0:
                failures.add(name, f"imgtools frames failed ({status}): {err.strip()[:200]}")
                continue
            must(["gifsicle", *their_args, "-o", theirs])
            compare_files(name, ours, theirs, failures)

        # A comment is written after its frame: gifsicle reads it as the next frame's (or the end comment).
        failures.checked += 1
        commented = scratch.file("comment.gif")
        status, _, err = peers.run([imgtools, "frames", wheel, "--comment", "3=fourth frame", commented])
        if status != 0:
            failures.add("comment", f"imgtools frames failed: {err.strip()[:200]}")
        else:
            info, text = gif_info(commented)
            if "fourth frame" not in info["comments"].get(4, ""):
                failures.add("comment", f"gifsicle does not see the comment before frame 4:\n{text}")

        # Colour policies leave every frame's colours as they were.
        for policy in (["--local-colours"], ["--global-colours"]):
            name = "policy" + policy[0]
            failures.checked += 1
            ours = scratch.file(f"{name}.gif")
            status, _, err = peers.run([imgtools, "frames", mixed, wheel, *policy, ours])
            if status != 0:
                failures.add(name, f"imgtools frames failed: {err.strip()[:200]}")
                continue
            theirs = scratch.file(f"{name}-gifsicle.gif")
            must(["gifsicle", mixed, wheel, "-o", theirs])
            compare_files(name, ours, theirs, failures)
            text = gif_info(ours)[1]
            locals_ = len(re.findall(r"local color table", text))
            if policy[0] == "--local-colours" and locals_ < 10:
                failures.add(name, f"only {locals_} of 11 frames have a local table")

        # One palette for every frame: the fixed palette, each pixel mapped to its nearest entry (summed
        # squared differences, the lowest index on a tie). gifsicle's --use-colormap is no reference here: it
        # maps (23, 230, 249) to (0, 219, 255) rather than to the nearer (36, 219, 255).
        own = [((i * 53) % 256, (i * 101 + 17) % 256, (255 - i * 37) % 256) for i in range(20)]
        pal_file = scratch.file("own.bmp")  # an image with a table of 20 colours
        with open(pal_file, "wb") as f:
            f.write(handmade.bmp_plain(4, 5, 8, own, [[(x + 4 * y) % 20 for x in range(4)] for y in range(5)])[0])
        for name, option, palette in (("fixed", "fixed", fixed_palette()), ("file", "file=" + pal_file, own)):
            failures.checked += 1
            ours = scratch.file(f"{name}-ours.gif")
            status, _, err = peers.run([imgtools, "frames", mixed, "--palette", option, "--nearest", ours])
            if status != 0:
                failures.add(name, f"imgtools frames failed: {err.strip()[:200]}")
                continue
            theirs = scratch.file(f"{name}-gifsicle.gif")
            must(["gifsicle", mixed, "-o", theirs])
            compare_files(name, ours, theirs, failures, skip_pixels=True)
            for i in range(3):
                w, h, source = peers.magick_decode(mixed, i)
                expected = bytearray()
                for k in range(0, len(source), 3):
                    c = source[k:k + 3]
                    best = min(range(len(palette)),
                               key=lambda e: (sum((a - b) ** 2 for a, b in zip(c, palette[e])), e))
                    expected += bytes(palette[best])
                diff = peers.compare((w, h, bytes(expected)), peers.magick_decode(ours, i))
                if diff:
                    failures.add(name, f"frame {i}: {diff}")
        return failures.finish("frames against gifsicle")
    finally:
        scratch.close()


if __name__ == "__main__":
    peers.main_guard(main)
