#!/usr/bin/python3
"""Draws the bitmaps of the parameter dialogs (our own pictures): the OK and Cancel button faces (up,
pressed, focused) and the brightness and contrast symbols above the two bars. Run with Debian's Python
(Pillow); the PNGs are committed beside the .qrc that lists them."""
import math
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

OUT = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "ivorel/resources")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
W, H = 84, 28
FACE, LIGHT, SHADOW, DARK = (236, 236, 236), (255, 255, 255), (160, 160, 160), (96, 96, 96)
FOCUS = (48, 112, 208)


def bevel(draw, sunken):
    top, bottom = (SHADOW, LIGHT) if sunken else (LIGHT, SHADOW)
    draw.rectangle([0, 0, W - 1, H - 1], fill=FACE, outline=DARK)
    draw.line([1, 1, W - 3, 1], fill=top)
    draw.line([1, 1, 1, H - 3], fill=top)
    draw.line([1, H - 2, W - 2, H - 2], fill=bottom)
    draw.line([W - 2, 1, W - 2, H - 2], fill=bottom)


def check(draw, x, y, colour):
    draw.line([(x, y + 7), (x + 4, y + 11), (x + 12, y + 1)], fill=colour, width=3, joint="curve")


def cross(draw, x, y, colour):
    draw.line([(x + 1, y + 1), (x + 11, y + 11)], fill=colour, width=3)
    draw.line([(x + 11, y + 1), (x + 1, y + 11)], fill=colour, width=3)


def button(symbol, colour, label, state):
    image = Image.new("RGB", (W, H), FACE)
    draw = ImageDraw.Draw(image)
    bevel(draw, state == "Down")
    shift = 1 if state == "Down" else 0
    font = ImageFont.truetype(FONT, 12)
    text_w = draw.textlength(label, font=font)
    left = int((W - (14 + 5 + text_w)) / 2) + shift
    symbol(draw, left, 8 + shift, colour)
    draw.text((left + 19, 7 + shift), label, font=font, fill=(24, 24, 24))
    if state == "Focus":
        draw.rectangle([3, 3, W - 4, H - 4], outline=FOCUS, width=1)
    return image


def sun(size=32):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    c = size / 2
    for k in range(8):
        a = k * math.pi / 4
        draw.line([(c + 9 * math.cos(a), c + 9 * math.sin(a)), (c + 14 * math.cos(a), c + 14 * math.sin(a))],
                  fill=(224, 160, 0), width=2)
    draw.ellipse([c - 6, c - 6, c + 6, c + 6], fill=(255, 208, 0), outline=(200, 130, 0))
    return image


def contrast(size=32):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    box = [3, 3, size - 4, size - 4]
    draw.ellipse(box, fill=(255, 255, 255), outline=(32, 32, 32), width=2)
    draw.pieslice(box, 90, 270, fill=(32, 32, 32))
    return image


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for state in ("Up", "Down", "Focus"):
        button(check, (24, 140, 48), "OK", state).save(OUT / f"Image1{state}.png")
        button(cross, (200, 40, 40), "Cancel", state).save(OUT / f"Image2{state}.png")
    sun().save(OUT / "1450.png")
    contrast().save(OUT / "1451.png")


if __name__ == "__main__":
    main()
