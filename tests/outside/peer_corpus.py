#!/usr/bin/python3
"""Files other programs write, read as they read them; files we write, read by them as we read them.

The corpus is made at run time with whatever peers are installed (ImageMagick, Pillow, netpbm, libjpeg and
libtiff tools, gifsicle); a peer that is absent only shrinks it. Each file is read with `imgtools convert`
to a BMP and compared with the peer's own decoding, allowing only for what the library documents:
16-bit samples narrowed to 8 bits, alpha kept apart from the colours, 16-bit Targa colours widened by a
shift, a dim 24-bit PCX stretched to full brightness.

Usage: peer_corpus.py IMGTOOLS [--keep] [--only SUBSTRING]"""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import handmade  # noqa: E402
import peers  # noqa: E402
from peers import MAGICK, Image, have, must  # noqa: E402

W, H = 45, 29


def base_picture(width=W, height=H):
    """Gradients with hard edges, pure white and pure black, so that every channel and run length occurs."""
    im = Image.new("RGB", (width, height))
    px = im.load()
    for y in range(height):
        for x in range(width):
            r = x * 255 // max(1, width - 1)
            g = y * 255 // max(1, height - 1)
            b = (x * y * 7) % 256
            if (x // 8 + y // 6) % 3 == 0:
                r, g, b = 255 - g, r, 255 - b
            if x > width - 6 and y < 5:
                r, g, b = 255, 255, 255
            if x < 4 and y > height - 5:
                r, g, b = 0, 0, 0
            px[x, y] = (r, g, b)
    return im


def random_noise(width, height, seed=11):
    data = bytearray(random.Random(seed).getrandbits(8) for _ in range(3 * width * height))
    return Image.frombytes("RGB", (width, height), bytes(data))


def grey16(image):
    """A 16-bit grey picture whose low bytes are not the high ones, so that a narrowing must pick."""
    grey = image.convert("L")
    out = Image.new("I;16", grey.size)
    out.putdata([v * 256 + (255 - v) for v in grey.getdata()])
    return out


class Case:
    def __init__(self, name, path, expected=None, tolerance=0, bits=None, peer="pillow", frames=1,
                 decode_options=()):
        self.name = name
        self.path = path
        self.expected = expected  # a picture, or None to ask the peer
        self.tolerance = tolerance
        self.bits = bits  # the depth the library must deliver, when it is fixed
        self.peer = peer  # "pillow", "magick" or None (expected given)
        self.frames = frames
        self.decode_options = decode_options


class Corpus:
    def __init__(self, scratch, only):
        self.scratch = scratch
        self.only = only
        self.jobs = []
        self.cases = []
        self.unmade = []

    def wanted(self, name):
        return not self.only or self.only in name

    def file(self, name):
        return self.scratch.file(name)

    def add(self, name, maker, **kw):
        """Records a case whose file `maker(path)` makes (and may return the expected picture of)."""
        if self.wanted(name):
            self.jobs.append((name, maker, kw))

    def make_all(self):
        def make(job):
            name, maker, kw = job
            path = self.file(name)
            try:
                expected = maker(path)
            except Exception as e:  # a peer that cannot write this layout
                return f"{name}: {e}"[:200]
            if isinstance(expected, tuple):
                kw.setdefault("peer", None)
                kw["expected"] = expected
            return Case(name, path, **kw)
        for made in peers.parallel_map(make, self.jobs):
            (self.cases if isinstance(made, Case) else self.unmade).append(made)

    def magick(self, name, source, options, **kw):
        kw.setdefault("peer", "pillow")  # cheaper; ImageMagick where Pillow cannot
        self.add(name, lambda p: must([MAGICK, source, *options.split(), p]) and None, **kw)

    def pillow(self, name, image, mode, **save):
        def make(p):
            image.convert(mode).save(p, **save)
        self.add(name, make, peer="pillow", bits=save.pop("_bits", None))

    def raw(self, name, data_and_expected, **kw):
        data, expected = data_and_expected

        def make(p):
            with open(p, "wb") as f:
                f.write(data)
            return expected
        self.add(name, make, **kw)


def make_sources(scratch):
    base = base_picture()
    paths = {}
    paths["rgb"] = scratch.file("base.png")
    base.save(paths["rgb"])
    paths["ppm"] = scratch.file("base.ppm")
    base.save(paths["ppm"])
    paths["pal16"] = scratch.file("base16.png")
    base.quantize(16).save(paths["pal16"])
    paths["pgm"] = scratch.file("base.pgm")
    base.convert("L").save(paths["pgm"])
    paths["pbm"] = scratch.file("base.pbm")
    base.convert("1").save(paths["pbm"])
    paths["ppm16"] = scratch.file("base16.ppm")
    base.quantize(16).convert("RGB").save(paths["ppm16"])
    paths["ppm4"] = scratch.file("base4.ppm")
    base.quantize(4).convert("RGB").save(paths["ppm4"])
    return base, paths


def magick_variant(i, text, ext):
    """ImageMagick options ending in a format prefix ("-colors 16 BMP3:"): the options, the prefix and a file
    name made of both."""
    opts, fmt = text.rsplit(" ", 1) if " " in text else ("", text)
    name = f"im{i}-{(opts + fmt).replace(' ', '').replace('-', '').replace('=', '').replace(':', '')}.{ext}"
    return opts, fmt, name


def bmp_cases(c, base, src):
    for mode in ("1", "L", "P", "RGB", "RGBA"):
        c.pillow(f"pil-{mode}.bmp", base, mode)
    c.pillow("pil-P16.bmp", base.quantize(16), "P")
    if have(MAGICK):
        rgb = src["rgb"]
        for i, opts in enumerate([
                "-type bilevel BMP3:", "-colors 16 -type palette BMP3:", "-colors 200 -type palette BMP3:",
                "-colors 200 -type palette -compress RLE BMP3:", "-colors 16 -type palette -compress RLE BMP3:",
                "-type truecolor BMP3:", "-type truecolor BMP2:", "-colors 16 -type palette BMP2:",
                "-type truecolor BMP:", "-type truecoloralpha BMP:",
                "-type truecoloralpha BMP3:", "-define bmp:subtype=RGB565 BMP:",
                "-define bmp:subtype=RGB555 BMP:", "-define bmp:subtype=ARGB4444 -type truecoloralpha BMP:",
                "-define bmp:subtype=ARGB1555 -type truecoloralpha BMP:",
                "-define bmp:subtype=XRGB8888 BMP:", "-define bmp:subtype=ARGB8888 -type truecoloralpha BMP:",
                "-type grayscale BMP3:"]):
            opts, fmt, name = magick_variant(i, opts, "bmp")
            # Narrow bit fields are widened by repeating their top bits (5-bit 8 gives 66); Pillow scales
            # (65), and ImageMagick shifts 4-bit fields (15 gives 240).
            tolerance = 17 if "4444" in opts else 1 if "subtype=RGB5" in opts or "1555" in opts else 0
            c.add(name, lambda p, o=opts, f=fmt: must([MAGICK, rgb, *o.split(), f + p]) and None,
                  peer="pillow", tolerance=tolerance)
    if have("ppmtobmp"):
        for opts in (["-windows"], ["-os2"], ["-windows", "-bpp", "24"]):
            for key in ("ppm", "ppm16", "pbm"):
                name = f"netpbm-{key}{''.join(opts)}.bmp"

                def make(p, o=opts, k=key):
                    with open(p, "wb") as f:
                        f.write(must(["ppmtobmp", *o, src[k]]))
                c.add(name, make, peer="pillow")

    # Layouts the peers do not write.
    pal16 = handmade.colour_palette(16)
    pal256 = handmade.colour_palette(256)
    for width in (1, 2, 3, 7, 33):
        rows16 = handmade.pattern_indices(width, 9, 16)
        c.raw(f"hand-rle4-w{width}.bmp", handmade.bmp_rle(4, width, 9, pal16, rows16))
        rows = handmade.pattern_indices(width, 9, 256)
        c.raw(f"hand-rle8-w{width}.bmp", handmade.bmp_rle(8, width, 9, pal256, rows))
    rows = handmade.pattern_indices(21, 11, 16)
    c.raw("hand-rle4-delta.bmp", handmade.bmp_rle(4, 21, 11, pal16, rows, delta=True))
    c.raw("hand-rle8-delta.bmp", handmade.bmp_rle(8, 21, 11, pal256, rows, delta=True))
    c.raw("hand-8bit-topdown.bmp", handmade.bmp_plain(21, 11, 8, pal256, rows, top_down=True))
    c.raw("hand-4bit-topdown.bmp", handmade.bmp_plain(21, 11, 4, pal16, rows, top_down=True))
    c.raw("hand-8bit-used20.bmp",
          handmade.bmp_plain(21, 11, 8, pal256[:20], handmade.pattern_indices(21, 11, 20)))
    c.raw("hand-8bit-gap.bmp", handmade.bmp_plain(21, 11, 8, pal256, rows, gap=50))
    c.raw("hand-4bit-v4.bmp", handmade.bmp_plain(21, 11, 4, pal16, rows, header=108))
    c.raw("hand-4bit-v5.bmp", handmade.bmp_plain(21, 11, 4, pal16, rows, header=124))
    c.raw("hand-1bit-core.bmp",
          handmade.bmp_plain(21, 11, 1, [(200, 10, 10), (10, 200, 30)], handmade.pattern_indices(21, 11, 2),
                             header=12))
    c.raw("hand-8bit-core.bmp", handmade.bmp_plain(21, 11, 8, pal256, rows, header=12))
    for bits, masks in ((16, (0x7C00, 0x03E0, 0x001F)), (16, (0xF800, 0x07E0, 0x001F)),
                        (16, (0x0F00, 0x00F0, 0x000F)), (32, (0xFF0000, 0xFF00, 0xFF)),
                        (32, (0xFF, 0xFF00, 0xFF0000)), (32, (0x3FF00000, 0xFFC00, 0x3FF))):
        tag = f"{bits}-{masks[0]:x}-{masks[1]:x}-{masks[2]:x}"
        c.raw(f"hand-bitfields{tag}.bmp", handmade.bmp_bitfields(13, 7, bits, masks), bits=24)
        c.raw(f"hand-bitfields{tag}-v5-topdown.bmp",
              handmade.bmp_bitfields(13, 7, bits, masks, header=124, top_down=True), bits=24)
    c.raw("hand-16bit-rgb.bmp", handmade.bmp_bitfields(13, 7, 16, (0x7C00, 0x03E0, 0x1F), compression=0),
          bits=24)
    c.raw("hand-32bit-rgb.bmp", handmade.bmp_bitfields(13, 7, 32, (0xFF0000, 0xFF00, 0xFF), compression=0),
          bits=24)


def tga_cases(c, base, src):
    for mode in ("L", "P", "RGB", "RGBA"):
        for rle in (False, True):
            for orient in (-1, 1):
                save = {"orientation": orient}
                if rle:
                    save["compression"] = "tga_rle"
                c.pillow(f"pil-{mode}-{'rle' if rle else 'raw'}-{'top' if orient > 0 else 'bottom'}.tga",
                         base.quantize(200) if mode == "P" else base, mode, **save)
    if have(MAGICK):
        for i, opts in enumerate(["-type truecolor", "-compress RLE", "-type palette -colors 100",
                                  "-type palette -colors 100 -compress RLE", "-type grayscale",
                                  "-type grayscale -compress RLE", "-type truecoloralpha",
                                  "-type truecoloralpha -compress RLE", "-type bilevel"]):
            c.magick(f"im{i}{opts.replace(' ', '')}.tga", src["rgb"], opts, decode_options=("-auto-orient",))
    if have("pamtotga"):
        for opts in (["-cmap"], ["-cmap", "-norle"], ["-cmap16"], ["-rgb"], ["-rgb", "-norle"], ["-mono"],
                     ["-mono", "-norle"]):
            key = "ppm16" if "-cmap" in opts else "pgm" if "-mono" in opts else "ppm"

            def make(p, o=opts, k=key):
                with open(p, "wb") as f:
                    f.write(must(["pamtotga", *o, src[k]]))
            c.add(f"netpbm{''.join(opts)}.tga", make, peer="pillow")

    # 16-bit pixels and colour maps: the library widens a 5-bit channel v to v << 3.
    w, h = 19, 7
    words = [[handmade.word555((x * 3) % 32, (y * 5 + x) % 32, (31 - x) % 32, (x + y) % 2) for x in range(w)]
             for y in range(h)]

    def rgb555(v):
        return (((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3)

    expected16 = (w, h, b"".join(bytes(rgb555(v)) for row in words for v in row))
    for rle in (False, True):
        for top in (False, True):
            for attr in (0, 1):
                c.raw(f"hand-16bit-{'rle' if rle else 'raw'}-{'top' if top else 'bottom'}-a{attr}.tga",
                      (handmade.tga(2, w, h, 16, words, rle=rle, top_origin=top, attribute_bits=attr),
                       expected16), bits=24)
        c.raw(f"hand-15bit-{'rle' if rle else 'raw'}.tga",
              (handmade.tga(2, w, h, 15, words, rle=rle), expected16), bits=24)
    idx = handmade.pattern_indices(w, h, 40)
    cmap555 = [handmade.word555(i % 32, (i * 7) % 32, (i * 3) % 32) for i in range(40)]
    c.raw("hand-cmap16.tga", (handmade.tga(1, w, h, 8, idx, cmap=cmap555, cmap_bits=16),
                              handmade.lookup([i for r in idx for i in r], [rgb555(v) for v in cmap555], w, h)),
          bits=8)
    cmap24 = handmade.colour_palette(40)
    c.raw("hand-cmap24-rle-id.tga", (handmade.tga(1, w, h, 8, idx, cmap=cmap24, rle=True, ident=b"made by hand"),
                                     handmade.lookup([i for r in idx for i in r], cmap24, w, h)), bits=8)
    c.raw("hand-cmap32.tga", (handmade.tga(1, w, h, 8, idx, cmap=cmap24, cmap_bits=32),
                              handmade.lookup([i for r in idx for i in r], cmap24, w, h)), bits=8)
    # A map that starts at entry 10: indices 10 ... 49 name its entries 0 ... 39.
    shifted = [[i + 10 for i in r] for r in idx]
    c.raw("hand-cmap-first10.tga", (handmade.tga(1, w, h, 8, shifted, cmap=cmap24, cmap_first=10),
                                    handmade.lookup([i for r in idx for i in r], cmap24, w, h)), bits=8)
    rgba = [[((x * 13) % 256, (y * 40) % 256, (x * y) % 256, (x * 20) % 256) for x in range(w)] for y in range(h)]
    c.raw("hand-32bit-rle-top.tga",
          (handmade.tga(2, w, h, 32, rgba, rle=True, top_origin=True, attribute_bits=8),
           (w, h, b"".join(bytes(p[:3]) for row in rgba for p in row))), bits=24)
    grey = [[(x * 11 + y * 3) % 256 for x in range(w)] for y in range(h)]
    c.raw("hand-grey-rle.tga", (handmade.tga(3, w, h, 8, grey, rle=True),
                                (w, h, b"".join(bytes([v] * 3) for row in grey for v in row))), bits=8)


def pcx_cases(c, base, src):
    # A one-bit file whose header colours are equally bright (Pillow leaves them black) reads white on black
    # (0 white): the documented rule, which ImageMagick follows and Pillow does not.
    c.add("pil-1.pcx", lambda p: base.convert("1").save(p), peer="magick")
    for mode in ("L", "P", "RGB"):
        c.pillow(f"pil-{mode}.pcx", base, mode)
    if have(MAGICK):
        for i, opts in enumerate(["-type bilevel", "-type palette -colors 16", "-type palette -colors 200",
                                  "-type truecolor", "-type grayscale"]):
            c.magick(f"im{i}{opts.replace(' ', '')}.pcx", src["rgb"], opts)
    if have("ppmtopcx"):
        for opts, key in ((["-24bit"], "ppm"), (["-8bit"], "ppm16"), ([], "ppm16"), ([], "ppm4"),
                          (["-planes", "1"], "pbm"), (["-packed"], "ppm16"), (["-packed"], "ppm4"),
                          (["-planes", "2"], "ppm4"), (["-planes", "3"], "ppm16"), (["-planes", "4"], "ppm16")):
            def make(p, o=opts, k=key):
                with open(p, "wb") as f:
                    f.write(must(["ppmtopcx", *o, src[k]]))
            # ImageMagick reads any one-bit PCX as 0 white, whatever its header colours say.
            c.add(f"netpbm{''.join(opts)}-{key}.pcx", make, peer="pillow" if key == "pbm" else "magick")
    # Bit planes combine into indices; a dim true-colour file is delivered as stored (the old brightness
    # stretch changed every file's colours).
    w, h = 23, 9
    pal16 = handmade.colour_palette(16)
    for planes in (2, 3, 4):
        n = 1 << planes
        idx = handmade.pattern_indices(w, h, n)
        c.raw(f"hand-1bit-{planes}planes.pcx",
              (handmade.pcx(w, h, 1, planes, idx, palette16=pal16),
               handmade.lookup([i for r in idx for i in r], pal16, w, h)), bits=8)
    dim = [[((x * 9) % 200, (y * 20) % 180, (x + y) % 150) for x in range(w)] for y in range(h)]
    c.raw("hand-24bit-dim.pcx", (handmade.pcx(w, h, 8, 3, dim),
                                 (w, h, b"".join(bytes(p) for r in dim for p in r))), bits=24)


def gif_cases(c, base, src):
    # The code table full: cleared, or kept full with 12-bit codes (a deferred clear); extensions of every
    # kind before the image.
    w, h = 151, 97
    noise = random.Random(5)
    for colours in (256, 5, 2):
        pal = handmade.colour_palette(colours)
        idx = [noise.randrange(colours) if (x * y) % 7 else (x // 9) % colours for y in range(h) for x in range(w)]
        for full in (True, False):
            c.raw(f"hand-lzw-{colours}-{'cleared' if full else 'deferred'}.gif",
                  (handmade.gif(w, h, pal, idx, clear_when_full=full), handmade.lookup(idx, pal, w, h)), bits=8)
    pal = handmade.colour_palette(16)
    for height in (1, 2, 3, 5, 9, 17):
        idx = [(x + 3 * y) % 16 for y in range(height) for x in range(7)]
        c.raw(f"hand-interlaced-h{height}.gif", (handmade.gif(7, height, pal, idx, interlaced=True),
                                                 handmade.lookup(idx, pal, 7, height)), bits=8)
    idx = [i % 16 for i in range(40 * 30)]
    extensions = (b"\x21\xfe\x05hello\x00"  # comment
                  b"\x21\x01\x0c" + bytes(12) + b"\x02hi\x00"  # plain text
                  b"\x21\xff\x0bXMP DataXMP\x04<x/>\x00"  # application
                  b"\x21\xf9\x05\x00\x00\x00\x00\x00\x00"  # a graphic control block of the wrong size
                  b"\x21\x99\x02ab\x00")  # unknown label
    c.raw("hand-extensions.gif", (handmade.gif(40, 30, pal, idx, extensions=extensions),
                                  handmade.lookup(idx, pal, 40, 30)), bits=8)

    c.pillow("pil-P.gif", base.quantize(200), "P")
    c.pillow("pil-P-interlaced.gif", base.quantize(100), "P", interlace=1)
    c.pillow("pil-L.gif", base, "L")
    c.pillow("pil-1.gif", base, "1")
    if have(MAGICK):
        for i, opts in enumerate(["-colors 256", "-colors 5", "-interlace GIF", "-type bilevel",
                                  "-transparent white"]):
            c.magick(f"im{i}{opts.replace(' ', '')}.gif", src["rgb"], opts)

    def animation(p):
        frames = [base.rotate(a).quantize(64 if a else 32) for a in (0, 90, 180)]
        frames[1] = frames[1].crop((3, 2, 30, 20))
        frames[0].save(p, save_all=True, append_images=frames[1:], duration=[70, 120, 30], loop=3,
                       disposal=[1, 2, 3], transparency=5)
    c.add("pil-animated.gif", animation, peer="magick", frames=3)
    if have(MAGICK):
        c.add("im-animated-local.gif",
              lambda p: must([MAGICK, "-delay", "20", src["rgb"], "-dispose", "background", "(", src["rgb"],
                              "-rotate", "90", "-colors", "7", "-repage", "+5+3", ")", "-dispose", "previous",
                              "(", src["rgb"], "-crop", "20x10+0+0", "-colors", "3", "-interlace", "GIF", ")",
                              p]) and None, peer="magick", frames=3)


def jpeg_cases(c, base, src):
    c.pillow("pil-RGB.jpg", base, "RGB", quality=85)
    c.pillow("pil-L.jpg", base, "L")
    c.pillow("pil-RGB-progressive.jpg", base, "RGB", progressive=True)
    c.pillow("pil-RGB-444.jpg", base, "RGB", subsampling=0)
    c.pillow("pil-CMYK.jpg", base, "CMYK")
    exif = Image.Exif()
    exif[0x0112] = 6
    c.pillow("pil-exif-orientation6.jpg", base, "RGB", exif=exif)
    if have("cjpeg"):
        for opts in (["-progressive"], ["-grayscale"], ["-restart", "1"], ["-restart", "3B"], ["-optimize"],
                     ["-sample", "2x1"], ["-arithmetic"], ["-dct", "float"], ["-quality", "100"],
                     ["-rgb"]):
            def make(p, o=opts):
                with open(p, "wb") as f:
                    f.write(must(["cjpeg", *o, src["ppm"]]))
            c.add(f"cjpeg{''.join(opts)}.jpg", make, peer="pillow")
    if have(MAGICK):
        for i, opts in enumerate(["-colorspace CMYK", "-interlace JPEG", "-sampling-factor 4:2:2",
                                  "-type grayscale -interlace JPEG"]):
            c.magick(f"im{i}{opts.replace(' ', '')}.jpg", src["rgb"], opts, peer="pillow")


def tiff_cases(c, base, src):
    for mode in ("1", "L", "P", "RGB", "RGBA", "LA", "CMYK"):
        c.pillow(f"pil-{mode.replace(';', '')}.tif", base.quantize(60) if mode == "P" else base, mode,
                 compression="tiff_lzw")
    c.add("pil-I16.tif", lambda p: grey16(base).save(p), peer="magick", tolerance=1, bits=8)
    for comp in ("raw", "tiff_deflate", "tiff_adobe_deflate", "packbits", "jpeg", "group4"):
        if comp == "group4":
            c.pillow("pil-1-group4.tif", base, "1", compression="group4")
            c.pillow("pil-1-group3.tif", base, "1", compression="group3")
        else:
            c.pillow(f"pil-RGB-{comp}.tif", base, "RGB", compression=comp)
    if have(MAGICK):
        rgb = src["rgb"]
        for i, opts in enumerate([
                "-type bilevel", "-type bilevel -compress Group4", "-type bilevel -compress Fax",
                "-type palette -colors 16", "-type palette -colors 200", "-type grayscale -depth 4",
                "-type grayscale -depth 2", "-type grayscale", "-type grayscale -depth 16", "-depth 16",
                "-depth 16 -type truecoloralpha", "-type grayscale -define tiff:photometric=min-is-white",
                "-type bilevel -define tiff:photometric=min-is-white", "-compress LZW -define tiff:predictor=2",
                "-compress Zip -define tiff:predictor=2", "-depth 16 -compress LZW -define tiff:predictor=2",
                "-define tiff:tile-geometry=16x16", "-define tiff:tile-geometry=16x16 -compress JPEG",
                "-compress JPEG", "-type grayscale -compress JPEG", "-interlace Plane", "-endian MSB",
                "-endian MSB -depth 16", "-define tiff:rows-per-strip=1", "-colorspace CMYK",
                "-type truecoloralpha", "-type grayscale -alpha set -define tiff:alpha=unassociated",
                "-compress RLE"]):
            # Sixteen-bit samples and colour-map entries are narrowed to their high byte; ImageMagick
            # rounds.
            tol = 1 if "16" in opts or "palette" in opts else 0
            c.magick(f"im{i}{opts.replace(' ', '').replace(':', '').replace('=', '')}.tif", rgb, opts,
                     tolerance=tol)
        c.add("im-multipage.tif", lambda p: must([MAGICK, rgb, src["pal16"], "-adjoin", p]) and None,
              peer="pillow")
    if have("tiffcp"):
        plain = c.file("plain-for-tiffcp.tif")
        base.save(plain)
        grey = c.file("grey-for-tiffcp.tif")
        base.convert("L").save(grey)
        for opts, keys in ((["-c", "lzw:2"], "rgb grey"), (["-c", "zip:2"], "rgb"), (["-c", "packbits"], "grey"),
                           (["-c", "jpeg"], "rgb grey"), (["-c", "jpeg:r"], "rgb"),
                           (["-t", "-w", "16", "-l", "32", "-c", "lzw:2"], "rgb grey"),
                           (["-p", "separate", "-c", "lzw:2"], "rgb"), (["-s", "-r", "5"], "grey"),
                           (["-t", "-p", "separate"], "rgb"), (["-c", "lzma"], "rgb"), (["-c", "zstd"], "grey"),
                           (["-c", "webp"], "rgb")):
            for key, file in (("rgb", plain), ("grey", grey)):
                if key not in keys:
                    continue
                c.add(f"tiffcp{''.join(opts).replace(':', '')}-{key}.tif",
                      lambda p, o=opts, f=file: must(["tiffcp", *o, f, p]) and None, peer="pillow")
        c.add("tiffcp-multipage.tif", lambda p: must(["tiffcp", grey, plain, p]) and None, peer="pillow")
    if have("pnmtotiff"):
        for opts, key in ((["-minisblack"], "pgm"), (["-miniswhite"], "pgm"), (["-miniswhite"], "pbm"),
                          (["-lsb2msb"], "pbm"), (["-lzw", "-predictor", "2"], "ppm"), (["-truecolor"], "ppm16"),
                          ([], "ppm16"), (["-indexbits=1,2,4"], "ppm4"), (["-msb2lsb", "-g4"], "pbm")):
            def make(p, o=opts, k=key):
                with open(p, "wb") as f:
                    f.write(must(["pnmtotiff", *o, src[k]]))
            c.add(f"netpbm{''.join(opts).replace(',', '').replace('=', '')}-{key}.tif", make, peer="pillow")


def png_cases(c, base, src):
    for mode in ("1", "L", "LA", "P", "RGB", "RGBA"):
        c.pillow(f"pil-{mode.replace(';', '')}.png", base.quantize(60) if mode == "P" else base, mode)
    c.add("pil-I16.png", lambda p: grey16(base).save(p), peer="magick", tolerance=1)
    pal = base.quantize(16)
    pal.info["transparency"] = 3
    c.pillow("pil-P-bits4-trns.png", pal, "P", bits=4, transparency=3)
    if have(MAGICK):
        rgb = src["rgb"]
        for i, opts in enumerate([
                "PNG8:", "PNG24:", "PNG32:", "PNG48:", "PNG64:", "-interlace PNG PNG24:",
                "-interlace PNG PNG8:", "-type grayscale -define png:bit-depth=1 PNG:",
                "-type grayscale -define png:bit-depth=2 PNG:", "-type grayscale -define png:bit-depth=4 PNG:",
                "-type grayscale -depth 16 PNG:", "-colors 4 -define png:bit-depth=2 -define png:color-type=3 PNG:",
                "-colors 16 -define png:bit-depth=4 -define png:color-type=3 PNG:",
                "-transparent white PNG8:", "-transparent white -define png:color-type=2 PNG:",
                "-type grayscale -transparent black -define png:color-type=0 PNG:",
                "-type grayscalealpha PNG:", "-depth 16 -type grayscalealpha PNG:",
                "-interlace PNG -depth 16 PNG64:"]):
            opts, fmt, name = magick_variant(i, opts, "png")
            tol = 1 if "16" in opts or fmt in ("PNG48:", "PNG64:") else 0
            c.add(name, lambda p, o=opts, f=fmt: must([MAGICK, rgb, *o.split(), f + p]) and None,
                  peer="pillow", tolerance=tol)
    if have("pamtopng"):
        for key in ("ppm", "pgm", "pbm"):
            def make(p, k=key):
                with open(p, "wb") as f:
                    f.write(must(["pamtopng", src[k]]))
            c.add(f"netpbm-{key}.png", make, peer="pillow")


def large_cases(c, base, src):
    """Pictures big enough to fill a GIF's code table, spread over several strips, IDAT chunks and I/O
    buffers, with noise that defeats run-length coding."""
    big = base_picture(333, 251)
    noise = random_noise(333, 251)
    big.paste(noise.crop((0, 0, 160, 120)), (90, 60))
    path = c.file("large-source.png")
    big.save(path)
    c.pillow("large-P.gif", big.quantize(256), "P")
    c.pillow("large-P-interlaced.gif", big.quantize(31), "P", interlace=1)
    c.pillow("large-RGB.png", big, "RGB")
    c.pillow("large-P.pcx", big.quantize(256), "P")
    c.pillow("large-RGB.pcx", big, "RGB")
    c.pillow("large-RGB-rle.tga", big, "RGB", compression="tga_rle")
    c.pillow("large-RGB-lzw.tif", big, "RGB", compression="tiff_lzw")
    c.pillow("large-L-deflate.tif", big, "L", compression="tiff_adobe_deflate")
    c.pillow("large-RGB-progressive.jpg", big, "RGB", progressive=True)
    if have(MAGICK):
        for i, (opts, ext) in enumerate([("-colors 256", "gif"), ("-colors 2", "gif"), ("-interlace PNG", "png"),
                                         ("-colors 200 -compress RLE", "bmp"), ("-compress LZW", "tif"),
                                         ("-define tiff:tile-geometry=64x64 -compress Zip", "tif"),
                                         ("-depth 16 -compress LZW", "tif"), ("-compress RLE", "tga"),
                                         ("-type palette -colors 16", "pcx"), ("-depth 16", "png")]):
            tol = 1 if "16" in opts else 0
            c.magick(f"large-im{i}{opts.replace(' ', '').replace(':', '').replace('=', '')}.{ext}", path, opts,
                     tolerance=tol, decode_options=("-auto-orient",) if ext == "tga" else ())
    if have("gifsicle") and have(MAGICK):
        gif = c.file("large-for-gifsicle.gif")
        big.quantize(256).save(gif)
        for opts in (["-O3"], ["--colors", "16"], ["--interlace"], ["-O2"]):
            c.add(f"large-gifsicle{''.join(opts)}.gif", lambda p, o=opts: must(["gifsicle", *o, gif, "-o", p]) and None,
                  peer="magick")
    if have("cjpeg"):
        ppm = c.file("large.ppm")
        big.save(ppm)
        for opts in (["-restart", "2"], ["-progressive", "-restart", "1B"], ["-arithmetic"]):
            def make(p, o=opts):
                with open(p, "wb") as f:
                    f.write(must(["cjpeg", *o, ppm]))
            c.add(f"large-cjpeg{''.join(opts)}.jpg", make, peer="pillow")


def peer_reading(case, frame):
    """The expected picture, or the case's peer's reading (the other peer's when that one cannot)."""
    if case.expected is not None:
        return case.expected, "expected"
    order = ["pillow", "magick"] if case.peer == "pillow" else ["magick", "pillow"]
    why = []
    for peer in order:
        try:
            if peer == "pillow":
                picture = peers.pillow_decode(case.path, frame)
            else:
                picture = peers.magick_decode(case.path, frame if case.frames > 1 else None,
                                              case.decode_options)
            if picture is not None:
                return picture, "Pillow" if peer == "pillow" else "ImageMagick"
        except Exception as e:
            why.append(str(e)[:100])
    return None, "; ".join(why)


def info_lines(tools, paths):
    """`imgtools info` of many files in one run: {path: line}; a file it refuses has no line."""
    status, out, err = peers.run([tools.path, "info", *paths], timeout=60)
    lines = {}
    for line in out.decode("utf-8", "replace").splitlines():
        path, _, rest = line.partition(": ")
        lines[path] = rest
    return status, lines, err


def truncation_check(c, tools, failures):
    """Every corpus file cut short may be refused or read in part; it never crashes or hangs the reader."""
    cuts = []
    for case in c.cases:
        with open(case.path, "rb") as f:
            data = f.read()
        cut = case.path + ".cut" + os.path.splitext(case.path)[1]
        with open(cut, "wb") as f:
            f.write(data[:len(data) * 3 // 5])
        cuts.append((case.name, cut))
    status, _, _ = info_lines(tools, [cut for _, cut in cuts])
    if status in (0, 1):
        return
    for name, cut in cuts:  # find the files that did it
        status, _, err = tools.info(cut)
        if status not in (0, 1):
            failures.add(name, f"cut short, the reader ends with status {status}: {err.strip()[-200:]}")


def check_case(case, tools, info):
    """Our reading of one corpus file against its peer's: a list of discrepancies."""
    if info is None:
        status, _, err = tools.info(case.path)
        return [f"refused: {err.strip()[:300]}"]
    found = []
    if case.bits is not None and f" {case.bits}-bit " not in info:
        found.append(f"expected {case.bits}-bit, info says: {info.strip()}")
    if f" {case.frames} frame" not in info:
        found.append(f"expected {case.frames} frame(s), info says: {info.strip()}")
    for frame in range(case.frames):
        status, ours = tools.decode(case.path, frame)
        if status != 0:
            found.append(f"frame {frame} not converted: {ours}")
            continue
        theirs, who = peer_reading(case, frame)
        if theirs is None:
            print(f"note {case.name}: no peer reads it ({who})")
            continue
        diff = peers.compare(theirs, ours, case.tolerance)
        if diff:
            found.append(f"frame {frame} differs from {who}: {diff}")
    return found


def read_check(c, tools, failures):
    """Every corpus file, read by us and by its peer."""
    _, infos, _ = info_lines(tools, [case.path for case in c.cases])
    results = peers.parallel_map(lambda case: check_case(case, tools, infos.get(case.path)), c.cases)
    for case, found in zip(c.cases, results):
        failures.checked += 1
        for text in found:
            failures.add(case.name, text)


L8 = (0, 36, 73, 109, 146, 182, 219, 255)
L4 = (0, 85, 170, 255)


def dither_to_fixed_palette(picture):
    """True colour to the fixed display palette by the library's error diffusion: rows from the bottom of
    the picture, a quarter of the error (shifted, rounding down) to the pixel below, two quarters to the
    right, each sum clamped."""
    w, h, data = picture
    rows = [[list(data[3 * (y * w + x):3 * (y * w + x) + 3]) for x in range(w)] for y in range(h)]
    out = [None] * h
    order = list(range(h - 1, -1, -1))
    for k, y in enumerate(order):
        cur = [list(p) for p in rows[y]]
        nxt = [list(p) for p in (rows[order[k + 1]] if k + 1 < h else rows[y])]
        line = []
        for x in range(w):
            r, g, b = cur[x]
            blue = b // 85 + (1 if b % 85 > 43 else 0)
            pal = (L8[r >> 5], L8[g >> 5], L4[blue])
            errors = [(r - pal[0]) >> 2, (g - pal[1]) >> 2, (b - pal[2]) >> 2]
            for c in range(3):
                nxt[x][c] = min(255, max(0, nxt[x][c] + errors[c]))
                if x + 1 < w:
                    cur[x + 1][c] = min(255, max(0, cur[x + 1][c] + 2 * errors[c]))
            line.append(pal)
        if k + 1 < h:
            rows[order[k + 1]] = nxt
        out[y] = line
    return (w, h, b"".join(bytes(p) for line in out for p in line))


def write_one(scratch, tools, name, ext, path, expected):
    """One file of ours, read by the peers: a list of discrepancies."""
    found = []
    out = scratch.file(name)
    status, _, err = tools.convert(path, out, *(["--quality", "95"] if ext == "jpg" else []))
    if status != 0:
        return [f"not written: {err.strip()[:200]}"]
    status, back = tools.decode(out)
    if status != 0:
        return [f"we cannot read our own file: {back}"]
    # Lossy files must read as we read them. Our JPEG is libjpeg's defaults at the quality asked for, as
    # Pillow's is: both must decode alike. True colour is dithered into a GIF's fixed palette.
    lossy = ext == "jpg" or (ext == "gif" and name.startswith("ours-24"))
    if lossy:
        if ext == "jpg":
            theirs = scratch.file(name + "-pillow.jpg")
            rgb = Image.new("RGB", expected[:2])
            rgb.frombytes(expected[2])
            rgb.save(theirs, quality=95)
            diff = peers.compare(peers.pillow_decode(theirs), back)
            if diff:
                found.append(f"not what Pillow's JPEG of the same picture at the same quality gives: {diff}")
        if ext == "gif":
            diff = peers.compare(dither_to_fixed_palette(expected), back)
            if diff:
                found.append(f"not dithered to the fixed palette as the formulas say: {diff}")
        expected = back
    else:
        diff = peers.compare(expected, back)
        if diff:
            found.append(f"read back by us: {diff}")
    peer_path = out
    if ext in ("dib", "rle"):  # the peers know these only as BMP
        peer_path = scratch.file(name + ".bmp")
        os.link(out, peer_path)
    readings = []
    # ImageMagick reads a one-bit PCX as 0 white whatever its header colours say.
    if have(MAGICK) and not (ext == "pcx" and name.startswith("ours-1.")):
        readings.append(("ImageMagick", peers.magick_decode(peer_path)))
    readings.append(("Pillow", peers.pillow_decode(peer_path)))
    for who, theirs in readings:
        diff = peers.compare(expected, theirs)
        if diff:
            found.append(f"{who} reads: {diff}")
    return found


def write_check(scratch, tools, failures, base, only):
    """Our writer at every depth, read back by ImageMagick and Pillow as we read it."""
    sources = {}
    for bits, image in ((1, base.convert("1")), (4, base.quantize(16)), (8, base.quantize(200)), (24, base)):
        path = scratch.file(f"write-source-{bits}.bmp")
        image.save(path)
        status, picture = tools.decode(path)
        if status != 0:
            failures.add(path, "our own source not read")
            continue
        sources[bits] = (path, picture)
    jobs = []
    for ext in ("bmp", "dib", "rle", "gif", "pcx", "tga", "tif", "png", "jpg"):
        for bits, (path, expected) in sources.items():
            name = f"ours-{bits}.{ext}"
            if not only or only in name:
                jobs.append((name, ext, path, expected))
    for job, found in zip(jobs, peers.parallel_map(lambda j: write_one(scratch, tools, *j), jobs)):
        failures.checked += 1
        for text in found:
            failures.add(job[0], text)


def avi_check(scratch, tools, failures, only):
    """Videos made by ffmpeg: every stepth position of at most about a hundred, as ffmpeg shows them at a
    constant rate. A capture that dropped frames leaves empty chunks, which show the frame before them."""
    if not have("ffmpeg") or (only and only not in "video.avi"):
        return
    w, h = 32, 24
    videos = [("mjpeg", 250, []), ("rawvideo", 120, ["-pix_fmt", "pal8"]), ("mpeg4", 101, ["-bf", "2"]),
              ("ffv1", 60, [])]
    drop = "select='not(between(n,10,19)+between(n,100,104))'"
    for codec, count, extra in videos + [("mjpeg-dropped", 250, [])]:
        name = f"video-{codec}.avi"
        failures.checked += 1
        path = scratch.file(name)
        dropped = codec.endswith("-dropped")
        must(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", f"testsrc=size={w}x{h}:rate=25",
              "-frames:v", str(count), *(["-vf", drop, "-vsync", "passthrough"] if dropped else []),
              "-c:v", codec.replace("-dropped", ""), *extra, path])
        # A constant rate repeats the frame before each dropped one; it would also shift B-frames by one.
        raw = must(["ffmpeg", "-loglevel", "error", "-i", path, "-vsync", "cfr" if dropped else "passthrough",
                    "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], timeout=60)
        frame_bytes = 3 * w * h
        length = len(raw) // frame_bytes
        step = -(-length // 100) if length > 100 else 1
        taken = len(range(0, length, step))
        status, out, err = tools.info(path)
        if status != 0 or f" {taken} frames" not in out.decode():
            failures.add(name, f"{length} positions in steps of {step} are {taken} frames; info says: "
                               f"{(out.decode() or err).strip()}")
            continue
        for k in sorted({0, 1, taken // 2, taken - 1}):
            status, ours = tools.decode(path, k)
            if status != 0:
                failures.add(name, f"frame {k}: {ours}")
                continue
            theirs = (w, h, raw[k * step * frame_bytes:(k * step + 1) * frame_bytes])
            diff = peers.compare(theirs, ours)
            if diff:
                failures.add(name, f"frame {k} (position {k * step}) differs from ffmpeg's: {diff}")


def main():
    args = [a for a in sys.argv[1:]]
    keep = "--keep" in args
    only = None
    if "--only" in args:
        only = args[args.index("--only") + 1]
        del args[args.index("--only"):args.index("--only") + 2]
    args = [a for a in args if a != "--keep"]
    if len(args) != 1:
        print(__doc__)
        return 2
    scratch = peers.Scratch(keep)
    try:
        tools = peers.Imgtools(args[0], scratch)
        failures = peers.Failures()
        base, src = make_sources(scratch)
        corpus = Corpus(scratch, only)
        for maker in (bmp_cases, tga_cases, pcx_cases, gif_cases, jpeg_cases, tiff_cases, png_cases,
                      large_cases):
            maker(corpus, base, src)
        corpus.make_all()
        for note in corpus.unmade:
            print("not made (peer cannot write it): " + note)
        read_check(corpus, tools, failures)
        truncation_check(corpus, tools, failures)
        write_check(scratch, tools, failures, base, only)
        avi_check(scratch, tools, failures, only)
        return failures.finish("peer corpus")
    finally:
        scratch.close()


if __name__ == "__main__":
    peers.main_guard(main)
