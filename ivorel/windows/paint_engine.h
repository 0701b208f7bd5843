// Painting into an image in its own format: the stamps of the pen, brush and line tools, their strokes
// with spraying, single pixels, the tolerant flood fill and the copy of a 32-bit drawing surface back into
// the image. Palette images (1, 4, 8 bits) get palette indices (the nearest entry of the colour painted), so
// they keep their depth and palette. Coordinates are image pixels, top-down (row 0 is the top row).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ivorel/windows/imagedescriptor.h"

struct DeviceBitmap;

namespace ivorel::paint {

// The random numbers of the stamps: 0 to 32767, one generator for the process.
void seed_random(unsigned seed);
void seed_random_from_clock();
int random15();
// Tests fix the seed: while set, seed_random_from_clock uses it instead of the clock.
void set_fixed_seed(bool fixed, unsigned seed = 1);

// A stamp's shape: size x size cells, 1 where it paints, kept as runs per row.
struct StampMask {
  int size = 0;
  std::vector<unsigned char> cells;                    // size x size, row by row
  std::vector<std::vector<std::pair<int, int>>> runs;  // per row: [begin, end) columns
  int Count() const;
};

// Builds the stamp of `size` (1 to 100), `shape` (0 round, 1 square) and `opacity` (1 to 100): a round
// stamp below 5 pixels is square; below opacity 100 a stamp of at least 10 pixels is a random speckle of
// size^2 x opacity / 100 drawn points inside the shape.
StampMask build_stamp(int size, int shape, int opacity);

// The nearest palette entry by squared distance (the first of equals).
int nearest_index(const RGBCOLOR* palette, int count, RGBCOLOR colour);
// What a colour is as a pixel of `image`: 0x00RRGGBB for 24 bits, else the nearest palette index.
std::uint32_t pixel_value(const _IMAGEDESCRIPTOR& image, RGBCOLOR colour);
// The colour a pixel value shows in `image`.
RGBCOLOR value_colour(const _IMAGEDESCRIPTOR& image, std::uint32_t value);

std::size_t row_stride(const _IMAGEDESCRIPTOR& image);
bool inside(const _IMAGEDESCRIPTOR& image, int x, int y);
// The pixel at (x, y): its colour, and `index` its palette index (0 for 24 bits). (x, y) must be inside.
RGBCOLOR get_pixel(const _IMAGEDESCRIPTOR& image, int x, int y, int& index);
std::uint32_t get_value(const _IMAGEDESCRIPTOR& image, int x, int y);
void set_value(_IMAGEDESCRIPTOR& image, int x, int y, std::uint32_t value);

// An inclusive-exclusive rectangle of image pixels that grows to cover what was painted.
struct Touched {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  void Add(int l, int t, int r, int b);
};

// One stamp centred on (x, y), clipped to the image.
void place_stamp(_IMAGEDESCRIPTOR& image, const StampMask& stamp, int x, int y, std::uint32_t value,
                 Touched& touched);

// The points of the digital line from `a` to `b`, leaving out `b` (as the platform's line walk does).
void line_points(POINT a, POINT b, const std::function<void(int, int)>& visit);

// A stroke of stamps. A segment whose two points coincide places one stamp and resets the spraying counter;
// otherwise every point of the line from the first to the second point (leaving out the second) gets a
// stamp, and below opacity 100 only when the counter is a multiple of a random step 4 to 12; the counter
// runs on across segments and strokes.
class StampStroke {
 public:
  StampStroke(_IMAGEDESCRIPTOR& image, const StampMask& stamp, std::uint32_t value, bool spray, int& counter)
      : image_(image), stamp_(stamp), value_(value), spray_(spray), counter_(counter) {}
  void Segment(POINT from, POINT to);
  long long placed = 0;  // stamps placed so far
  // The straight line of the line tool: every point from `from` to `to`, both ends included.
  void Line(POINT from, POINT to);
  Touched touched;

 private:
  void Point(int x, int y);
  _IMAGEDESCRIPTOR& image_;
  const StampMask& stamp_;
  std::uint32_t value_;
  bool spray_;
  int& counter_;
};

// The flood fill at (x, y) with `fill` and a tolerance of 0 to 10 (tenths of the full threshold 10000 on
// the squared colour distance from the seed; 0 takes only the seed's exact colour). `ask` is called now
// and then during a long fill (after every 2000 segments) and stops the fill when it returns false.
// Returns the number of pixels filled; 0 when the seed lies outside or already has the fill colour.
struct FillResult {
  long long pixels = 0;
  Touched touched;
  bool stopped = false;
};
FillResult flood_fill(_IMAGEDESCRIPTOR& image, int x, int y, RGBCOLOR fill, int tolerance,
                      const std::function<bool()>& ask = {});

// Copies a top-down 32-bit surface of the image's size into the image, writing only the pixels that differ
// (palette images take the nearest entry). Returns the number of pixels written, -1 on a size mismatch.
long long surface_to_image(const DeviceBitmap& surface, _IMAGEDESCRIPTOR& image);
// The image as a top-down 32-bit surface.
void image_to_surface(const _IMAGEDESCRIPTOR& image, DeviceBitmap& surface);

}  // namespace ivorel::paint
