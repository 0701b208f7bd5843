#include "ivorel/windows/paint_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/core/device_bitmap.h"

namespace ivorel::paint {

namespace {

std::uint32_t g_seed = 1;
bool g_fixed = false;
unsigned g_fixedSeed = 1;

int distance2(RGBCOLOR a, RGBCOLOR b) {
  const int dr = a.red - b.red, dg = a.green - b.green, db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

bool same(RGBCOLOR a, RGBCOLOR b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

unsigned char* row_of(const _IMAGEDESCRIPTOR& image, int y) {
  return image.imageData + row_stride(image) * static_cast<std::size_t>(image.height - 1 - y);
}

// Writes `value` to columns [x0, x1) of one image row.
void fill_run(unsigned char* row, int bits, int x0, int x1, std::uint32_t value) {
  switch (bits) {
    case 24: {
      const auto b = static_cast<unsigned char>(value), g = static_cast<unsigned char>(value >> 8),
                 r = static_cast<unsigned char>(value >> 16);
      for (unsigned char* p = row + 3 * x0; p < row + 3 * x1; p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
      break;
    }
    case 8:
      std::memset(row + x0, static_cast<int>(value), static_cast<std::size_t>(x1 - x0));
      break;
    case 4:
      for (int x = x0; x < x1; ++x) {
        unsigned char& byte = row[x / 2];
        byte = x % 2 ? static_cast<unsigned char>((byte & 0xF0) | (value & 0x0F))
                     : static_cast<unsigned char>((byte & 0x0F) | (value & 0x0F) << 4);
      }
      break;
    default:
      for (int x = x0; x < x1; ++x) {
        const auto bit = static_cast<unsigned char>(0x80 >> (x % 8));
        row[x / 8] = static_cast<unsigned char>(value & 1 ? row[x / 8] | bit : row[x / 8] & ~bit);
      }
      break;
  }
}

}  // namespace

void seed_random(unsigned seed) {
  g_seed = seed;
}

void seed_random_from_clock() {
  if (g_fixed) {
    g_seed = g_fixedSeed;
    return;
  }
  g_seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
}

int random15() {
  g_seed = g_seed * 214013u + 2531011u;
  return static_cast<int>(g_seed >> 16 & 0x7FFF);
}

void set_fixed_seed(bool fixed, unsigned seed) {
  g_fixed = fixed;
  g_fixedSeed = seed;
}

int StampMask::Count() const {
  return static_cast<int>(std::count(cells.begin(), cells.end(), 1));
}

StampMask build_stamp(int size, int shape, int opacity) {
  size = std::clamp(size, 1, 100);
  opacity = std::clamp(opacity, 1, 100);
  if (shape == 0 && size < 5) shape = 1;
  StampMask m;
  m.size = size;
  std::vector<unsigned char> full(static_cast<std::size_t>(size) * size, 1);
  if (shape == 0) {
    // The ellipse through the cell centres of a size x size box.
    const double r = size / 2.0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const double dx = x + 0.5 - r, dy = y + 0.5 - r;
        full[static_cast<std::size_t>(y) * size + x] = dx * dx + dy * dy <= r * r;
      }
  }
  m.cells = full;
  if (opacity < 100 && size >= 10) {
    // A speckle: the first drawn point inside the shape replaces the whole shape.
    bool first = true;
    const int points = size * size * opacity / 100;
    for (int i = 0; i < points; ++i) {
      const int x = static_cast<int>(static_cast<long long>(random15()) * size / 32767);
      const int y = static_cast<int>(static_cast<long long>(random15()) * size / 32767);
      if (x >= size || y >= size || !full[static_cast<std::size_t>(y) * size + x]) continue;
      if (first) std::fill(m.cells.begin(), m.cells.end(), 0);
      first = false;
      m.cells[static_cast<std::size_t>(y) * size + x] = 1;
    }
  }
  m.runs.assign(static_cast<std::size_t>(size), {});
  for (int y = 0; y < size; ++y) {
    const unsigned char* row = &m.cells[static_cast<std::size_t>(y) * size];
    for (int x = 0; x < size;) {
      if (!row[x]) {
        ++x;
        continue;
      }
      const int begin = x;
      while (x < size && row[x]) ++x;
      m.runs[static_cast<std::size_t>(y)].emplace_back(begin, x);
    }
  }
  return m;
}

int nearest_index(const RGBCOLOR* palette, int count, RGBCOLOR colour) {
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < count; ++i) {
    const int d = distance2(palette[i], colour);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
      if (d == 0) break;
    }
  }
  return best;
}

static int palette_count(const _IMAGEDESCRIPTOR& image) {
  const int most = 1 << image.bitsPerPixel;
  return image.colors > 0 && image.colors <= most ? image.colors : most;
}

std::uint32_t pixel_value(const _IMAGEDESCRIPTOR& image, RGBCOLOR c) {
  if (image.bitsPerPixel == 24) return static_cast<std::uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
  return static_cast<std::uint32_t>(nearest_index(image.palette, palette_count(image), c));
}

RGBCOLOR value_colour(const _IMAGEDESCRIPTOR& image, std::uint32_t value) {
  if (image.bitsPerPixel == 24)
    return RGBCOLOR{static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 8),
                    static_cast<unsigned char>(value)};
  return image.palette[value & 0xFF];
}

std::size_t row_stride(const _IMAGEDESCRIPTOR& image) {
  return (static_cast<std::size_t>(image.width) * image.bitsPerPixel + 31) / 32 * 4;
}

bool inside(const _IMAGEDESCRIPTOR& image, int x, int y) {
  return image.imageData && x >= 0 && y >= 0 && x < image.width && y < image.height;
}

std::uint32_t get_value(const _IMAGEDESCRIPTOR& image, int x, int y) {
  const unsigned char* row = row_of(image, y);
  switch (image.bitsPerPixel) {
    case 24:
      return static_cast<std::uint32_t>(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
    case 8:
      return row[x];
    case 4:
      return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
    default:
      return (row[x / 8] >> (7 - x % 8)) & 1;
  }
}

RGBCOLOR get_pixel(const _IMAGEDESCRIPTOR& image, int x, int y, int& index) {
  const std::uint32_t v = get_value(image, x, y);
  index = image.bitsPerPixel == 24 ? 0 : static_cast<int>(v);
  return value_colour(image, v);
}

void set_value(_IMAGEDESCRIPTOR& image, int x, int y, std::uint32_t value) {
  if (!inside(image, x, y)) return;
  fill_run(row_of(image, y), image.bitsPerPixel, x, x + 1, value);
}

void Touched::Add(int l, int t, int r, int b) {
  if (r <= l || b <= t) return;
  if (Empty()) {
    left = l, top = t, right = r, bottom = b;
    return;
  }
  left = std::min(left, l);
  top = std::min(top, t);
  right = std::max(right, r);
  bottom = std::max(bottom, b);
}

void place_stamp(_IMAGEDESCRIPTOR& image, const StampMask& stamp, int cx, int cy, std::uint32_t value,
                 Touched& touched) {
  if (!image.imageData || stamp.size <= 0) return;
  const int x0 = cx - stamp.size / 2, y0 = cy - stamp.size / 2;
  const int w = image.width, h = image.height;
  const int top = std::max(0, y0), bottom = std::min(h, y0 + stamp.size);
  const int left = std::max(0, x0), right = std::min(w, x0 + stamp.size);
  if (top >= bottom || left >= right) return;
  for (int y = top; y < bottom; ++y) {
    unsigned char* row = row_of(image, y);
    for (const auto& [b, e] : stamp.runs[static_cast<std::size_t>(y - y0)]) {
      const int from = std::max(left, x0 + b), to = std::min(right, x0 + e);
      if (from < to) fill_run(row, image.bitsPerPixel, from, to, value);
    }
  }
  touched.Add(left, top, right, bottom);
}

void line_points(POINT a, POINT b, const std::function<void(int, int)>& visit) {
  int x = a.x, y = a.y;
  const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  while (x != b.x || y != b.y) {
    visit(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void StampStroke::Point(int x, int y) {
  if (spray_) {
    if (counter_ == 0) seed_random_from_clock();
    const int step = 4 + random15() * 8 / 32767;
    const bool place = counter_ % step == 0;
    ++counter_;
    if (!place) return;
  }
  place_stamp(image_, stamp_, x, y, value_, touched);
  ++placed;
}

void StampStroke::Segment(POINT from, POINT to) {
  if (from.x == to.x && from.y == to.y) {
    counter_ = 0;
    place_stamp(image_, stamp_, from.x, from.y, value_, touched);
    ++placed;
    return;
  }
  line_points(from, to, [this](int x, int y) { Point(x, y); });
}

void StampStroke::Line(POINT from, POINT to) {
  Segment(from, to);
  if (from.x != to.x || from.y != to.y) Point(to.x, to.y);
}

FillResult flood_fill(_IMAGEDESCRIPTOR& image, int sx, int sy, RGBCOLOR fill, int tolerance,
                      const std::function<bool()>& ask) {
  FillResult result;
  if (!inside(image, sx, sy)) return result;
  const int bits = image.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return result;
  int seedIndex = 0;
  const RGBCOLOR seed = get_pixel(image, sx, sy, seedIndex);
  const std::uint32_t value = pixel_value(image, fill);
  if (same(value_colour(image, value), seed) || same(fill, seed)) return result;
  const int threshold = std::clamp(tolerance, 0, 10) * 1000;
  auto belongs = [&](RGBCOLOR c) { return threshold == 0 ? same(c, seed) : distance2(c, seed) < threshold; };

  const int w = image.width, h = image.height;
  // Each pixel is taken once: a fill colour within the tolerance of the seed would otherwise be found again.
  std::vector<unsigned char> done(static_cast<std::size_t>(w) * h, 0);
  bool paletteMatch[256] = {};
  if (bits != 24)
    for (int i = 0; i < 256; ++i) paletteMatch[i] = belongs(image.palette[i]);

  unsigned char* rowPtr = nullptr;
  unsigned char* doneRow = nullptr;
  auto select_row = [&](int y) {
    rowPtr = row_of(image, y);
    doneRow = &done[static_cast<std::size_t>(y) * w];
  };
  auto in = [&](int x) -> bool {
    if (doneRow[x]) return false;
    if (bits == 24) {
      const unsigned char* p = rowPtr + 3 * x;
      return belongs(RGBCOLOR{p[2], p[1], p[0]});
    }
    if (bits == 8) return paletteMatch[rowPtr[x]];
    if (bits == 4) return paletteMatch[(rowPtr[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
    return paletteMatch[(rowPtr[x / 8] >> (7 - x % 8)) & 1];
  };
  auto set_run = [&](int x0, int x1, int y) {
    if (x0 >= x1) return;
    fill_run(rowPtr, bits, x0, x1, value);
    std::memset(doneRow + x0, 1, static_cast<std::size_t>(x1 - x0));
    result.pixels += x1 - x0;
    result.touched.Add(x0, y, x1, y + 1);
  };

  struct Seg {
    int y, xl, xr, dy;
  };
  std::vector<Seg> stack;
  auto push = [&](int y, int xl, int xr, int dy) {
    if (y + dy >= 0 && y + dy < h) stack.push_back(Seg{y, xl, xr, dy});
  };
  push(sy, sx, sx, 1);
  push(sy + 1, sx, sx, -1);
  long long popped = 0;
  while (!stack.empty()) {
    const Seg s = stack.back();
    stack.pop_back();
    if (++popped % 2000 == 0 && ask && !ask()) {
      result.stopped = true;
      break;
    }
    const int y = s.y + s.dy, x1 = s.xl, x2 = s.xr, dy = s.dy;
    select_row(y);
    int x = x1;
    while (x >= 0 && in(x)) --x;
    set_run(x + 1, x1 + 1, y);
    int l = 0;
    bool skip = x >= x1;
    if (!skip) {
      l = x + 1;
      if (l < x1) push(y, l, x1 - 1, -dy);
      x = x1 + 1;
    }
    do {
      if (!skip) {
        const int start = x;
        while (x < w && in(x)) ++x;
        set_run(start, x, y);
        push(y, l, x - 1, dy);
        if (x > x2 + 1) push(y, x2 + 1, x - 1, -dy);
      }
      skip = false;
      for (++x; x <= x2 && !in(x); ++x) {
      }
      l = x;
    } while (x <= x2);
  }
  return result;
}

void image_to_surface(const _IMAGEDESCRIPTOR& image, DeviceBitmap& surface) {
  surface.width = image.width;
  surface.height = image.height;
  surface.pixels.assign(static_cast<std::size_t>(image.width) * image.height, 0);
  if (!image.imageData) return;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      int index = 0;
      const RGBCOLOR c = get_pixel(image, x, y, index);
      surface.at(x, y) = static_cast<std::uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
    }
}

long long surface_to_image(const DeviceBitmap& surface, _IMAGEDESCRIPTOR& image) {
  if (!image.imageData || surface.width != image.width || surface.height != image.height ||
      surface.pixels.size() != static_cast<std::size_t>(surface.width) * surface.height)
    return -1;
  long long written = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t s = surface.at(x, y) & 0xFFFFFF;
      int index = 0;
      const RGBCOLOR now = get_pixel(image, x, y, index);
      const RGBCOLOR want{static_cast<unsigned char>(s >> 16), static_cast<unsigned char>(s >> 8),
                          static_cast<unsigned char>(s)};
      if (same(now, want)) continue;
      const std::uint32_t v = pixel_value(image, want);
      if (v == get_value(image, x, y)) continue;
      set_value(image, x, y, v);
      ++written;
    }
  return written;
}

}  // namespace ivorel::paint
