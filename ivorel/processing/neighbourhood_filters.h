// The pixel loops of the neighbourhood filters, on plain buffers so that the processors and the tests share
// them. Effect buffers hold 3 bytes a pixel, `imageWidth` pixels a row, top row first; a rectangle of
// them is what the processors' workers are given, already clamped to the image. Each loop calls `progress`
// with its rows (0 ... last row) from the calling thread only; the work itself may run on several cores.
#pragma once

#include <cstddef>
#include <functional>

#include "ivorel/processing/processing.h"

namespace ivorel {

struct PixelRect {
  int left, top, width, height;
};

using RowProgress = std::function<void(int row)>;

// The fixed-kernel filter in place on padded 24-bit rows: every byte of the interior becomes the kernel's
// weighted sum of its neighbours (divided by the divisor, mixed with the byte itself by strength / 10,
// clamped); the outermost rows and columns and the row padding become 0. False when memory is short (the
// image is untouched then).
bool convolve_kernel(unsigned char* image, std::size_t stride, int width, int height, const KERNEL& kernel,
                     int strength, const RowProgress& progress);

// Mean of the size x size window (size odd) of `source`, cut to the rectangle, into `destination`.
bool box_blur(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
              int size, const RowProgress& progress);

// Value sharpening through the hexcone model, strength 0 ... 10; the rectangle's border is left alone.
bool sharpen_value(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                   int strength, const RowProgress& progress);

// Gradient edge strength (mode 1: averaged with the picture) of the rectangle's interior; its border
// turns black in mode 0 and keeps the picture in mode 1.
void gradient_edges(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                    int mode, const RowProgress& progress);

// Stretches pixels so that their brightest luminance, (11 x byte 0 + 16 x byte 1 + 5 x byte 2) / 32,
// becomes 255 (nothing when it is 0).
void stretch_to_brightest(unsigned char* pixels, std::size_t count);

// Adds the relief of `angle` (0 ... 7) of the source's interior to the destination.
void emboss_relief(const unsigned char* source, unsigned char* destination, int imageWidth, PixelRect rect,
                   int angle, const RowProgress& progress);

// The number of samples a motion blur of `length` takes in the direction (rowStep, columnStep).
int motion_blur_samples(int rowStep, int columnStep, unsigned char length);
// Motion blur in place, in reading order, over `samples` samples with falling weights.
void motion_blur(unsigned char* pixels, int imageWidth, int imageHeight, PixelRect rect, int rowStep,
                 int columnStep, int samples, const RowProgress& progress);

}  // namespace ivorel
