"""Files written byte by byte for layouts the peer programs do not write (RLE4, bit fields, 16-bit Targa,
colour-mapped Targa with an offset map, PCX bit planes), each with the picture the format's rules give."""

import struct


def lookup(indices, palette, width, height):
    """Palette indices (rows top-down) as a picture."""
    out = bytearray()
    for i in indices:
        out += bytes(palette[i])
    return (width, height, bytes(out))


def pattern_indices(width, height, colours):
    """Indices with long runs, short runs and single pixels, so that encoders use every kind of packet."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if x < width // 3:
                row.append((y // 2) % colours)
            elif x < 2 * width // 3:
                row.append((x * 7 + y * 3) % colours)
            else:
                row.append((y + 5) % colours)
        rows.append(row)
    return rows


def grey_palette(n):
    return [(i * 255 // (n - 1),) * 3 for i in range(n)]


def colour_palette(n):
    return [((i * 37) % 256, (i * 91 + 40) % 256, (255 - i * 53) % 256) for i in range(n)]


# ---------------------------------------------------------------- BMP

def _bmp_rle_row(row, bits, out):
    """Encodes one row: encoded runs for repeats, absolute runs (3 or more pixels) otherwise."""
    per = 2 if bits == 4 else 1
    x = 0
    n = len(row)
    while x < n:
        run = 1
        while x + run < n and run < 255 and row[x + run] == row[x]:
            run += 1
        if bits == 4 and run == 1 and x + 2 < n and row[x + 2] == row[x] and row[x + 1] != row[x]:
            # Alternating pair: the encoded run of two colours that RLE4 allows.
            alt = 2
            while x + alt < n and alt < 255 and row[x + alt] == row[x + alt % 2]:
                alt += 1
            out += bytes([alt, (row[x] << 4) | row[x + 1]])
            x += alt
            continue
        if run >= 2 or n - x < 3:
            value = row[x] if bits == 8 else (row[x] << 4) | row[x]
            out += bytes([run, value])
            x += run
            continue
        literal = 1
        while x + literal < n and literal < 255 and (
                x + literal + 1 >= n or row[x + literal] != row[x + literal + 1]):
            literal += 1
        if literal < 3:
            out += bytes([1, row[x] if bits == 8 else (row[x] << 4) | row[x]])
            x += 1
            continue
        data = bytearray()
        chunk = row[x:x + literal]
        if bits == 8:
            data += bytes(chunk)
        else:
            for i in range(0, literal, 2):
                hi = chunk[i]
                lo = chunk[i + 1] if i + 1 < literal else 0
                data.append((hi << 4) | lo)
        if len(data) % 2:
            data.append(0)
        out += bytes([0, literal]) + data
        x += literal
        del per


def bmp_rle(bits, width, height, palette, rows_top_down, delta=False):
    """An RLE8 or RLE4 bitmap. With delta, the first row skips its first three pixels by a delta (they stay
    index 0) and ends early with an end-of-line (the rest of the row stays index 0)."""
    data = bytearray()
    expected_rows = [list(r) for r in rows_top_down]
    bottom_up = list(reversed(rows_top_down))
    for y, row in enumerate(bottom_up):
        if delta and y == 0 and width > 6:
            data += bytes([0, 2, 3, 0])
            _bmp_rle_row(row[3:width - 2], bits, data)
            expected_rows[height - 1] = [0, 0, 0] + list(row[3:width - 2]) + [0, 0]
        else:
            _bmp_rle_row(row, bits, data)
        data += bytes([0, 0])
    data[-2:] = bytes([0, 1])
    compression = 1 if bits == 8 else 2
    table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data), 2835, 2835,
                       len(palette), 0)
    offset = 14 + 40 + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    flat = [i for r in expected_rows for i in r]
    return head + info + table + bytes(data), lookup(flat, palette, width, height)


def bmp_plain(width, height, bits, palette, rows_top_down, header=40, top_down=False, gap=0, used=None):
    """An uncompressed palette bitmap with a 12-, 40-, 108- or 124-byte header, optionally top-down, with
    `gap` bytes between the colour table and the pixels and `used` colours in the table."""
    stride = (width * bits + 31) // 32 * 4
    rows = rows_top_down if top_down else list(reversed(rows_top_down))
    pixels = bytearray()
    for row in rows:
        line = bytearray(stride)
        for x, v in enumerate(row):
            if bits == 8:
                line[x] = v
            else:
                per = 8 // bits
                line[x // per] |= v << (8 - bits * (x % per + 1))
        pixels += line
    used = len(palette) if used is None else used
    h = -height if top_down else height
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(bytes([b, g, r]) for r, g, b in palette[:used])
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, h, 1, bits, 0, len(pixels), 0, 0, used, 0)
        info += bytes(header - 40)
        table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette[:used])
    offset = 14 + len(info) + len(table) + gap
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    flat = [i for r in rows_top_down for i in r]
    return head + info + table + bytes(gap) + bytes(pixels), lookup(flat, palette, width, height)


def widen(field, size):
    if size >= 8:
        return field >> (size - 8)
    out = 0
    pos = 8 - size
    while pos > -size:
        out |= field << pos if pos >= 0 else field >> -pos
        pos -= size
    return out & 255


def _mask_shift(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    width = 0
    while mask & 1:
        mask >>= 1
        width += 1
    return shift, width


def bmp_bitfields(width, height, bits, masks, header=40, compression=3, top_down=False):
    """A 16- or 32-bit bitmap. Masks (red, green, blue) go after a 40-byte header, inside a larger one.
    The expected picture widens a narrow field by repeating its top bits below it (31 in 5 bits gives 255),
    as the display platform converts bit fields; a field wider than 8 bits keeps its top 8."""
    pixels = bytearray()
    expected = bytearray()
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height):
        row = bytearray()
        exp = bytearray()
        for x in range(width):
            value = 0
            colour = []
            for k, mask in enumerate(masks):
                shift, size = _mask_shift(mask)
                field = ((x * 13 + y * 7 + k * 50) * 5) % (1 << size) if size else 0
                value |= field << shift
                colour.append(widen(field, size))
            row += value.to_bytes(bits // 8, "little")
            exp += bytes(colour)
        row += bytes(stride - len(row))
        rows.append(bytes(row))
        expected += exp
    for row in (rows if top_down else reversed(rows)):
        pixels += row
    h = -height if top_down else height
    info = struct.pack("<IiiHHIIiiII", header, width, h, 1, bits, compression, len(pixels), 0, 0, 0, 0)
    mask_bytes = struct.pack("<III", *masks) if compression == 3 else b""
    if header == 40:
        info += mask_bytes
    else:
        extra = (mask_bytes or bytes(12)) + bytes(header - 52)
        info += extra
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + bytes(pixels), (width, height, bytes(expected))


# ---------------------------------------------------------------- Targa

def tga(image_type, width, height, depth, pixels_top_down, cmap=None, cmap_first=0, cmap_bits=24,
        top_origin=False, rle=False, ident=b"", attribute_bits=0):
    """A Targa file. pixels_top_down holds one value a pixel: an index, a grey level, a 15/16-bit word or
    a (r, g, b[, a]) tuple. Returns the file bytes (the expected picture is made by the caller)."""
    b = (depth + 1) // 8
    rows = pixels_top_down if top_origin else list(reversed(pixels_top_down))
    flat = bytearray()
    for row in rows:
        for v in row:
            if b == 1:
                flat.append(v)
            elif b == 2:
                flat += struct.pack("<H", v)
            elif b == 3:
                flat += bytes([v[2], v[1], v[0]])
            else:
                flat += bytes([v[2], v[1], v[0], v[3]])
    data = bytearray()
    if rle:
        # Packets run across row ends on purpose.
        n = len(flat) // b
        i = 0
        while i < n:
            run = 1
            while i + run < n and run < 128 and flat[(i + run) * b:(i + run + 1) * b] == flat[i * b:(i + 1) * b]:
                run += 1
            if run > 1:
                data.append(0x80 | (run - 1))
                data += flat[i * b:(i + 1) * b]
                i += run
                continue
            lit = 1
            while i + lit < n and lit < 128 and flat[(i + lit) * b:(i + lit + 1) * b] != flat[(i + lit - 1) * b:(i + lit) * b]:
                lit += 1
            data.append(lit - 1)
            data += flat[i * b:(i + lit) * b]
            i += lit
    else:
        data = flat
    cmap_bytes = bytearray()
    if cmap is not None:
        for entry in cmap:
            if cmap_bits in (15, 16):
                cmap_bytes += struct.pack("<H", entry)
            elif cmap_bits == 24:
                cmap_bytes += bytes([entry[2], entry[1], entry[0]])
            else:
                cmap_bytes += bytes([entry[2], entry[1], entry[0], 255])
    descriptor = (0x20 if top_origin else 0) | attribute_bits
    header = struct.pack("<BBBHHBHHHHBB", len(ident), 1 if cmap is not None else 0, image_type + (8 if rle else 0),
                         cmap_first, len(cmap) if cmap is not None else 0, cmap_bits if cmap is not None else 0,
                         0, 0, width, height, depth, descriptor)
    return header + ident + bytes(cmap_bytes) + bytes(data)


def word555(r5, g5, b5, a=0):
    return (a << 15) | (r5 << 10) | (g5 << 5) | b5


# ---------------------------------------------------------------- PCX

def pcx(width, height, bits, planes, values_top_down, palette16=None, palette256=None, version=5):
    """A run-length PCX file of `planes` planes of `bits` bits. values_top_down holds per pixel the plane
    values as one number (bit k of the number belongs to plane k for 1-bit planes) or, for 8-bit planes, a
    tuple of one value a plane."""
    per_line = (width * bits + 7) // 8
    per_line += per_line % 2
    encoded = bytearray()
    for row in values_top_down:
        line = bytearray()
        for p in range(planes):
            plane = bytearray(per_line)
            for x, v in enumerate(row):
                if bits == 8:
                    plane[x] = v[p] if isinstance(v, tuple) else v
                else:
                    sample = (v >> p) & 1 if planes > 1 else v
                    per = 8 // bits
                    plane[x // per] |= sample << (8 - bits * (x % per + 1))
            line += plane
        i = 0
        while i < len(line):
            run = 1
            while i + run < len(line) and run < 63 and line[i + run] == line[i]:
                run += 1
            if run > 1 or line[i] >= 0xC0:
                encoded += bytes([0xC0 | run, line[i]])
            else:
                encoded.append(line[i])
            i += run
    header = bytearray(128)
    struct.pack_into("<BBBBHHHHHH", header, 0, 10, version, 1, bits, 0, 0, width - 1, height - 1, 72, 72)
    if palette16:
        for i, c in enumerate(palette16[:16]):
            header[16 + 3 * i:19 + 3 * i] = bytes(c)
    header[65] = planes
    struct.pack_into("<HH", header, 66, per_line, 1)
    tail = b""
    if palette256:
        tail = b"\x0c" + b"".join(bytes(c) for c in palette256) + bytes(768 - 3 * len(palette256))
    return bytes(header) + bytes(encoded) + tail


# ---------------------------------------------------------------- GIF

def gif_lzw(indices, min_size, clear_when_full):
    """LZW codes of `indices`, packed least-significant bit first into sub-blocks. Without clear_when_full
    the table stays full and the encoder goes on with 12-bit codes (a "deferred clear"), which the format
    allows and some encoders do."""
    clear = 1 << min_size
    end = clear + 1
    width = min_size + 1
    table = {}
    next_code = end + 1
    bits = 0
    nbits = 0
    out = bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 255)
            bits >>= 8
            nbits -= 8

    emit(clear)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            emit(clear)
            table = {}
            next_code = end + 1
            width = min_size + 1
        prefix = k
    emit(prefix)
    emit(end)
    if nbits:
        out.append(bits & 255)
    blocks = bytearray()
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return bytes(blocks) + b"\0"


def gif(width, height, palette, indices, clear_when_full=True, extensions=b"", interlaced=False):
    """A one-image GIF89a with a global table, `extensions` (raw bytes) before the image."""
    if interlaced:
        order = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, height, step)]
        indices = [i for y in order for i in indices[y * width:(y + 1) * width]]
    size = max(1, (len(palette) - 1).bit_length())
    table = b"".join(bytes(c) for c in palette) + bytes(3 * ((1 << size) - len(palette)))
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | (size - 1), 0, 0) + table
    min_size = max(2, size)
    image = b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0x40 if interlaced else 0) + bytes([min_size])
    image += gif_lzw(indices, min_size, clear_when_full)
    return head + extensions + image + b"\x3b"
