# Reads a PBM, PGM or PPM of any depth on standard input and writes an 8-bit binary PPM: bits as black (1)
# and white (0), 16-bit samples by their high byte.
import sys

data = sys.stdin.buffer.read()
fields, pos = [], 0
while len(fields) < (3 if data[:2] == b"P4" else 4):
    while data[pos:pos + 1].isspace():
        pos += 1
    if data[pos:pos + 1] == b"#":
        pos = data.index(b"\n", pos) + 1
        continue
    end = pos
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
pixels = data[pos + 1:]
kind, width, height = fields[0], int(fields[1]), int(fields[2])
out = bytearray()
if kind == b"P4":
    stride = (width + 7) // 8
    for y in range(height):
        for x in range(width):
            v = 0 if pixels[y * stride + x // 8] >> (7 - x % 8) & 1 else 255
            out += bytes((v, v, v))
else:
    channels = 3 if kind == b"P6" else 1
    size = 2 if int(fields[3]) > 255 else 1
    for i in range(width * height):
        px = [pixels[(i * channels + j) * size] for j in range(channels)]
        out += bytes(px * 3 if channels == 1 else px)
sys.stdout.buffer.write(b"P6 %d %d 255\n" % (width, height) + bytes(out))
