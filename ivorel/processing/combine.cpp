#include "ivorel/processing/combine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "ivorel/processing/processing.h"

namespace ivorel {

namespace {

struct ModeName {
  const char* name;
  int code;
  bool transparent;
};

constexpr ModeName kModes[] = {
    {"replace", kCombineReplace, false},
    {"transparent", kCombineReplace, true},
    {"heavy", kCombineHeavy, false},
    {"even", kCombineEven, false},
    {"light", kCombineLight, false},
    {"subtract", kCombineSubtract, false},
    {"multiply", kCombineMultiply, false},
    {"divide", kCombineDivide, false},
    {"lighter", kCombineLighter, false},
    {"darker", kCombineDarker, false},
    {"match", kCombineMatch, false},
    {"brighter", kCombineBrighter, false},
    {"darker-than", kCombineDarkerThan, false},
    {"edge-blend", kCombineEdgeBlend, false},
    {"image-mask", kCombineImageMask, false},
    {"selection-mask", kCombineSelectionMask, false},
    {"both-masks", kCombineBothMasks, false},
};

bool supported_depth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

bool usable(const _IMAGEDESCRIPTOR& d) {
  return d.imageData && d.width > 0 && d.height > 0 && supported_depth(d.bitsPerPixel) &&
         static_cast<std::uint64_t>(row_bytes(d.width, d.bitsPerPixel)) * d.height <= d.imageSize;
}

// Row `y` counted from the top of a bottom-up descriptor.
unsigned char* row_at(const _IMAGEDESCRIPTOR& d, int y) {
  return d.imageData + static_cast<std::size_t>(d.height - 1 - y) * row_bytes(d.width, d.bitsPerPixel);
}

int index_at(const unsigned char* row, int bits, int x) {
  switch (bits) {
    case 8:
      return row[x];
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void set_index(unsigned char* row, int bits, int x, int index) {
  switch (bits) {
    case 8:
      row[x] = static_cast<unsigned char>(index);
      break;
    case 4: {
      unsigned char& b = row[x >> 1];
      b = (x & 1) ? static_cast<unsigned char>((b & 0xF0) | (index & 0x0F))
                  : static_cast<unsigned char>((b & 0x0F) | (index << 4));
      break;
    }
    default: {
      unsigned char& b = row[x >> 3];
      const unsigned char bit = static_cast<unsigned char>(0x80 >> (x & 7));
      b = index & 1 ? (b | bit) : (b & ~bit);
    }
  }
}

// Pixel x of a row as red, green, blue.
RGBCOLOR colour_at(const _IMAGEDESCRIPTOR& d, const unsigned char* row, int x) {
  if (d.bitsPerPixel == 24) {
    const unsigned char* p = row + 3 * x;
    return {p[2], p[1], p[0]};
  }
  return d.palette[index_at(row, d.bitsPerPixel, x)];
}

// The nearest palette entry of a colour (the first of equals), remembered in a small direct-mapped cache
// since combined pictures repeat their colours.
class NearestColour {
 public:
  NearestColour(const RGBCOLOR* palette, int count) : palette_(palette), count_(count) {
    std::fill(std::begin(keys_), std::end(keys_), 0xFFFFFFFFu);
  }
  int operator()(RGBCOLOR c) {
    const std::uint32_t key = static_cast<std::uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
    const std::uint32_t slot = (key * 2654435761u) >> 20;
    if (keys_[slot] == key) return values_[slot];
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count_; ++i) {
      const long dr = c.red - palette_[i].red, dg = c.green - palette_[i].green,
                 db = c.blue - palette_[i].blue;
      const long distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance) {
        best = i;
        bestDistance = distance;
        if (distance == 0) break;
      }
    }
    keys_[slot] = key;
    values_[slot] = static_cast<unsigned char>(best);
    return best;
  }

 private:
  const RGBCOLOR* palette_;
  int count_;
  std::uint32_t keys_[4096];
  unsigned char values_[4096] = {};
};

int palette_count(const _IMAGEDESCRIPTOR& d) {
  const int full = 1 << d.bitsPerPixel;
  return d.colors > 0 && d.colors < full ? d.colors : full;
}

inline int channel(const RGBCOLOR& c, int i) {
  return i == 0 ? c.red : i == 1 ? c.green : c.blue;
}

inline unsigned char clamp_byte(long v) {
  return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// One channel of codes 2 to 10.
inline int channel_result(int code, int d, int s) {
  switch (code) {
    case kCombineReplace:
      return s;
    case kCombineHeavy:
      return (3 * s + d) / 4;
    case kCombineEven:
      return (d + s) / 2;
    case kCombineLight:
      return (3 * d + s) / 4;
    case kCombineSubtract:
      return d > s ? d - s : 0;
    case kCombineMultiply:
      return d * s / 255;
    case kCombineDivide:
      return s == 0 ? 255 : std::min(255, d * 255 / s);
    case kCombineLighter:
      return std::max(d, s);
    default:
      return std::min(d, s);
  }
}

// Codes 2 to 10 between two 24-bit pictures act on each byte alike, whatever its channel: one tight loop
// per code over the bytes of a row.
template <int Code>
void blend_row_24(unsigned char* dst, const unsigned char* src, const int* columns,
                  const unsigned char* inside, int count) {
  for (int i = 0; i < count; ++i) {
    if (!inside[i]) continue;
    unsigned char* d = dst + 3 * i;
    const unsigned char* s = src + 3 * columns[i];
    for (int c = 0; c < 3; ++c) d[c] = static_cast<unsigned char>(channel_result(Code, d[c], s[c]));
  }
}

using RowBlend = void (*)(unsigned char*, const unsigned char*, const int*, const unsigned char*, int);

RowBlend row_blend_24(int code) {
  switch (code) {
    case kCombineReplace:
      return blend_row_24<kCombineReplace>;
    case kCombineHeavy:
      return blend_row_24<kCombineHeavy>;
    case kCombineEven:
      return blend_row_24<kCombineEven>;
    case kCombineLight:
      return blend_row_24<kCombineLight>;
    case kCombineSubtract:
      return blend_row_24<kCombineSubtract>;
    case kCombineMultiply:
      return blend_row_24<kCombineMultiply>;
    case kCombineDivide:
      return blend_row_24<kCombineDivide>;
    case kCombineLighter:
      return blend_row_24<kCombineLighter>;
    case kCombineDarker:
      return blend_row_24<kCombineDarker>;
    default:
      return nullptr;
  }
}

}  // namespace

int combine_code_from_name(const char* name, bool& transparent) {
  for (const ModeName& m : kModes) {
    if (std::strcmp(m.name, name) == 0) {
      transparent = m.transparent;
      return m.code;
    }
  }
  return 0;
}

const char* combine_mode_names() {
  return "replace, transparent, heavy, even, light, subtract, multiply, divide, lighter, darker, match, "
         "brighter, darker-than, edge-blend, image-mask, selection-mask, both-masks";
}

int transparent_tolerance(int d) {
  const double f = d / 255.0;
  return static_cast<unsigned char>(static_cast<int>(d * 0.4 * f * f * f) + 1);
}

std::vector<unsigned char> shape_raster(const SelectionShape& shape, int width, int height) {
  std::vector<unsigned char> out;
  if (width <= 0 || height <= 0) return out;
  try {
    out.assign(static_cast<std::size_t>(width) * height, 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  const double bw = shape.boxWidth > 0 ? shape.boxWidth : width;
  const double bh = shape.boxHeight > 0 ? shape.boxHeight : height;
  const double sx = bw / width, sy = bh / height;
  switch (shape.kind) {
    case ShapeKind::Rectangle:
      std::fill(out.begin(), out.end(), 1);
      break;
    case ShapeKind::Line:
      break;
    case ShapeKind::Ellipse:
    case ShapeKind::RoundRect: {
      // An ellipse is a rounded rectangle whose corners are the whole box.
      const bool ellipse = shape.kind == ShapeKind::Ellipse;
      const double rx = ellipse ? bw / 2 : std::clamp(shape.roundX / 2.0, 0.0, bw / 2);
      const double ry = ellipse ? bh / 2 : std::clamp(shape.roundY / 2.0, 0.0, bh / 2);
      for (int y = 0; y < height; ++y) {
        const double py = (y + 0.5) * sy;
        // The horizontal reach of the corner arcs on this row.
        double inset = 0;
        const double cy = py < ry ? ry - py : py > bh - ry ? py - (bh - ry) : 0;
        if (cy > 0) {
          if (ry <= 0 || cy >= ry) continue;
          inset = rx - rx * std::sqrt(1 - (cy / ry) * (cy / ry));
        }
        // The row's pixels inside form one run: estimate its ends, then settle them with the exact test.
        const auto in = [&](int x) {
          const double px = (x + 0.5) * sx;
          return px >= inset && px <= bw - inset;
        };
        int from = std::clamp(static_cast<int>(std::floor(inset / sx - 0.5)), 0, width - 1);
        while (from < width && !in(from)) ++from;
        while (from > 0 && in(from - 1)) --from;
        int to = std::clamp(static_cast<int>(std::ceil((bw - inset) / sx - 0.5)), 0, width - 1);
        while (to >= 0 && !in(to)) --to;
        while (to + 1 < width && in(to + 1)) ++to;
        if (from <= to)
          std::memset(out.data() + static_cast<std::size_t>(y) * width + from, 1, to - from + 1);
      }
      break;
    }
    case ShapeKind::Polygon: {
      const auto& pts = shape.points;
      if (pts.size() < 3) break;
      std::vector<double> crossings;
      for (int y = 0; y < height; ++y) {
        const double py = (y + 0.5) * sy;
        crossings.clear();
        for (std::size_t i = 0; i < pts.size(); ++i) {
          const POINT a = pts[i], b = pts[(i + 1) % pts.size()];
          if ((a.y <= py) != (b.y <= py)) {
            crossings.push_back(a.x + (py - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
          }
        }
        std::sort(crossings.begin(), crossings.end());
        unsigned char* row = out.data() + static_cast<std::size_t>(y) * width;
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
          // Pixels whose centres lie between the two crossings.
          const int from = std::max(0, static_cast<int>(std::ceil(crossings[i] / sx - 0.5)));
          const int to = std::min(width - 1, static_cast<int>(std::floor(crossings[i + 1] / sx - 0.5)));
          for (int x = from; x <= to; ++x) row[x] = 1;
        }
      }
      break;
    }
  }
  return out;
}

std::vector<unsigned char> build_edge_map(const std::vector<unsigned char>& raster, int rasterWidth,
                                          int rasterHeight, int width, int height) {
  constexpr int kDiameter = 21;
  constexpr int c = kDiameter / 2;
  if (width <= 0 || height <= 0 || rasterWidth <= 0 || rasterHeight <= 0 ||
      raster.size() < static_cast<std::size_t>(rasterWidth) * rasterHeight) {
    return {};
  }
  std::vector<unsigned char> map;
  try {
    map.assign(static_cast<std::size_t>(width) * height, 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  if (rasterWidth == width && rasterHeight == height) {
    // Same size, the usual case: each raster byte (0 or 1) becomes 0 or 255.
    const unsigned char* src = raster.data();
    unsigned char* dst = map.data();
    for (std::size_t i = 0; i < map.size(); ++i) dst[i] = static_cast<unsigned char>(0 - src[i]);
  } else {
    const double sx = static_cast<double>(rasterWidth) / width,
                 sy = static_cast<double>(rasterHeight) / height;
    std::vector<int> columns(width);
    for (int x = 0; x < width; ++x) columns[x] = std::min(rasterWidth - 1, static_cast<int>(x * sx));
    for (int y = 0; y < height; ++y) {
      const unsigned char* src =
          raster.data() +
          static_cast<std::size_t>(std::min(rasterHeight - 1, static_cast<int>(y * sy))) * rasterWidth;
      unsigned char* dst = map.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) dst[x] = src[columns[x]] ? 255 : 0;
    }
  }
  // Border pixels are found on the map before any cone lowers it.
  std::vector<std::int64_t> border;
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = map.data() + static_cast<std::size_t>(y) * width;
    const std::int64_t first = static_cast<std::int64_t>(y) * width;
    if (y == 0 || y + 1 == height || width < 3) {
      for (int x = 0; x < width; ++x)
        if (row[x]) border.push_back(first + x);
      continue;
    }
    if (row[0]) border.push_back(first);
    const unsigned char *up = row - width, *down = row + width;
    for (int x = 1; x + 1 < width; ++x) {
      // Inside values are 255, so the four neighbours are all inside exactly when their AND is non-zero.
      if (row[x] && !(row[x - 1] & row[x + 1] & up[x] & down[x])) border.push_back(first + x);
    }
    if (row[width - 1]) border.push_back(first + width - 1);
  }
  // The cone as offsets of the linear index (as the map has always been laid out) with the value each
  // entry is lowered to; entries that would lower nothing are left out.
  struct Entry {
    std::int64_t offset;
    unsigned char value;
  };
  std::vector<Entry> cone;
  std::int64_t reach = 0;
  for (int dy = -c; dy <= c; ++dy) {
    for (int dx = -c; dx <= c; ++dx) {
      const int r2 = dx * dx + dy * dy;
      if (r2 > c * c) continue;
      const int e = std::clamp((c - static_cast<int>(std::sqrt(static_cast<double>(r2)))) * 255 / c, 0, 255);
      if (e == 0) continue;
      const std::int64_t offset = static_cast<std::int64_t>(dy) * width + dx;
      cone.push_back({offset, static_cast<unsigned char>(255 - e)});
      reach = std::max(reach, offset < 0 ? -offset : offset);
    }
  }
  const std::int64_t total = static_cast<std::int64_t>(width) * height;
  unsigned char* m = map.data();
  for (const std::int64_t centre : border) {
    if (centre >= reach && centre + reach < total) {
      for (const Entry& e : cone) {
        unsigned char& v = m[centre + e.offset];
        if (e.value < v) v = e.value;
      }
      continue;
    }
    for (const Entry& e : cone) {
      const std::int64_t i = centre + e.offset;
      if (i < 0 || i >= total) continue;
      if (e.value < m[i]) m[i] = e.value;
    }
  }
  return map;
}

_IMAGEDESCRIPTOR mask_as_24bit(const _IMAGEDESCRIPTOR& mask, int width, int height) {
  _IMAGEDESCRIPTOR out;
  if (!usable(mask) || width <= 0 || height <= 0 || width > 65535 || height > 65535) return out;
  const std::uint32_t stride = row_bytes(static_cast<std::uint32_t>(width), 24);
  const std::uint64_t size = static_cast<std::uint64_t>(stride) * height;
  if (size > UINT32_MAX) return out;
  HGLOBAL block = GlobalAlloc(static_cast<std::size_t>(size));
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return out;
  }
  out.width = static_cast<unsigned short>(width);
  out.height = static_cast<unsigned short>(height);
  out.xResolution = out.yResolution = 100;
  out.bitsPerPixel = 24;
  out.imageSize = static_cast<std::uint32_t>(size);
  out.hImageData = block;
  out.imageData = data;
  for (int y = 0; y < height; ++y) {
    const unsigned char* src =
        row_at(mask, static_cast<int>(static_cast<std::int64_t>(y) * mask.height / height));
    unsigned char* dst = row_at(out, y);
    for (int x = 0; x < width; ++x) {
      const RGBCOLOR c =
          colour_at(mask, src, static_cast<int>(static_cast<std::int64_t>(x) * mask.width / width));
      dst[3 * x] = c.blue;
      dst[3 * x + 1] = c.green;
      dst[3 * x + 2] = c.red;
    }
  }
  return out;
}

bool combine_selection(_IMAGEDESCRIPTOR& image, const _IMAGEDESCRIPTOR& selection, const CombineRequest& rq) {
  const int code = rq.code;
  if (code < kCombineReplace || code > kCombineBothMasks ||
      (code > kCombineDarkerThan && code != kCombineEdgeBlend && code < kCombineImageMask)) {
    return false;
  }
  if (!usable(image) || !usable(selection) || rq.width <= 0 || rq.height <= 0) return false;
  const bool wantsImageMask = code == kCombineImageMask || code == kCombineBothMasks;
  const bool wantsSelectionMask = code == kCombineSelectionMask || code == kCombineBothMasks;
  const auto fits = [](const _IMAGEDESCRIPTOR* m, const _IMAGEDESCRIPTOR& like) {
    return m && usable(*m) && m->bitsPerPixel == 24 && m->width == like.width && m->height == like.height;
  };
  if (wantsImageMask && !fits(rq.imageMask, image)) return false;
  if (wantsSelectionMask && !fits(rq.selectionMask, selection)) return false;

  // Only the part of the placed rectangle that lies on the image is visited.
  const int x0 = std::max(0, rq.left), y0 = std::max(0, rq.top);
  const int x1 =
      static_cast<int>(std::min<std::int64_t>(image.width, static_cast<std::int64_t>(rq.left) + rq.width));
  const int y1 =
      static_cast<int>(std::min<std::int64_t>(image.height, static_cast<std::int64_t>(rq.top) + rq.height));
  if (x0 >= x1 || y0 >= y1) return true;

  std::vector<unsigned char> region = shape_raster(rq.shape, rq.width, rq.height);
  if (region.empty()) return false;
  std::vector<unsigned char> ownEdge;
  const std::vector<unsigned char>* edge = nullptr;
  if (code == kCombineEdgeBlend) {
    edge = rq.edgeMap;
    if (!edge || edge->size() != static_cast<std::size_t>(selection.width) * selection.height) {
      ownEdge = build_edge_map(region, rq.width, rq.height, selection.width, selection.height);
      if (ownEdge.empty()) return false;
      edge = &ownEdge;
    }
  }

  // Nearest-neighbour sampling: source = destination / scale, truncated.
  const double scaleX = static_cast<double>(rq.width) / selection.width;
  const double scaleY = static_cast<double>(rq.height) / selection.height;
  std::vector<int> sourceColumn(x1 - x0);
  for (int x = x0; x < x1; ++x) {
    sourceColumn[x - x0] = std::min(selection.width - 1, static_cast<int>((x - rq.left) / scaleX));
  }

  int tol[4] = {256, 256, 256, 256};
  if (code == kCombineReplace && rq.transparent) {
    int most[4] = {0, 0, 0, 0};
    const int keyLight = combine_brightness(rq.key.red, rq.key.green, rq.key.blue);
    for (int y = 0; y < selection.height; ++y) {
      const unsigned char* row = row_at(selection, y);
      for (int x = 0; x < selection.width; ++x) {
        const RGBCOLOR s = colour_at(selection, row, x);
        for (int c = 0; c < 3; ++c) most[c] = std::max(most[c], std::abs(channel(s, c) - channel(rq.key, c)));
        most[3] = std::max(most[3], std::abs(combine_brightness(s.red, s.green, s.blue) - keyLight));
      }
    }
    for (int c = 0; c < 4; ++c) tol[c] = transparent_tolerance(most[c]);
  }
  const int keyLight = combine_brightness(rq.key.red, rq.key.green, rq.key.blue);

  const bool palette = image.bitsPerPixel != 24;
  NearestColour* nearest = nullptr;
  std::unique_ptr<NearestColour> nearestOwner;
  if (palette) {
    nearestOwner.reset(new (std::nothrow) NearestColour(image.palette, palette_count(image)));
    if (!nearestOwner) return false;
    nearest = nearestOwner.get();
  }

  const int rows = y1 - y0;
  const int step = rows / 9;
  const RowBlend fast =
      image.bitsPerPixel == 24 && selection.bitsPerPixel == 24 && !(code == kCombineReplace && rq.transparent)
          ? row_blend_24(code)
          : nullptr;
  if (fast) {
    for (int y = y0; y < y1; ++y) {
      const int ry = y - rq.top;
      const int sy = std::min(selection.height - 1, static_cast<int>(ry / scaleY));
      fast(row_at(image, y) + 3 * x0, row_at(selection, sy), sourceColumn.data(),
           region.data() + static_cast<std::size_t>(ry) * rq.width + (x0 - rq.left), x1 - x0);
    }
    return true;
  }
  if (code == kCombineEdgeBlend && image.bitsPerPixel == 24 && selection.bitsPerPixel == 24) {
    for (int y = y0; y < y1; ++y) {
      if (rq.progress && (step == 0 || (y - y0) % step == 0)) rq.progress(y - y0, rows);
      const int ry = y - rq.top;
      const int sy = std::min(selection.height - 1, static_cast<int>(ry / scaleY));
      const unsigned char* inside = region.data() + static_cast<std::size_t>(ry) * rq.width + (x0 - rq.left);
      const unsigned char* src = row_at(selection, sy);
      const unsigned char* weights = edge->data() + static_cast<std::size_t>(sy) * selection.width;
      unsigned char* dst = row_at(image, y) + 3 * x0;
      for (int i = 0; i < x1 - x0; ++i) {
        if (!inside[i]) continue;
        const int sx = sourceColumn[i], e = weights[sx];
        for (int c = 0; c < 3; ++c) {
          dst[3 * i + c] =
              static_cast<unsigned char>((src[3 * sx + c] * e + dst[3 * i + c] * (255 - e)) / 255);
        }
      }
    }
    return true;
  }
  for (int y = y0; y < y1; ++y) {
    if (code > 18 && rq.progress && (step == 0 || (y - y0) % step == 0)) rq.progress(y - y0, rows);
    const int ry = y - rq.top;
    const int sy = std::min(selection.height - 1, static_cast<int>(ry / scaleY));
    const unsigned char* inside = region.data() + static_cast<std::size_t>(ry) * rq.width;
    unsigned char* dstRow = row_at(image, y);
    const unsigned char* srcRow = row_at(selection, sy);
    const unsigned char* imageMaskRow = wantsImageMask ? row_at(*rq.imageMask, y) : nullptr;
    const unsigned char* selMaskRow = wantsSelectionMask ? row_at(*rq.selectionMask, sy) : nullptr;
    const unsigned char* edgeRow =
        edge ? edge->data() + static_cast<std::size_t>(sy) * selection.width : nullptr;
    for (int x = x0; x < x1; ++x) {
      if (!inside[x - rq.left]) continue;
      const int sx = sourceColumn[x - x0];
      const RGBCOLOR s = colour_at(selection, srcRow, sx);
      const RGBCOLOR d = colour_at(image, dstRow, x);
      if (code == kCombineReplace && rq.transparent) {
        if (std::abs(s.red - rq.key.red) <= tol[0] && std::abs(s.green - rq.key.green) <= tol[1] &&
            std::abs(s.blue - rq.key.blue) <= tol[2] &&
            std::abs(combine_brightness(s.red, s.green, s.blue) - keyLight) <= tol[3]) {
          continue;
        }
      }
      RGBCOLOR out;
      if (code >= kCombineMatch && code <= kCombineDarkerThan) {
        const int bd = combine_brightness(d.red, d.green, d.blue),
                  bs = combine_brightness(s.red, s.green, s.blue);
        const bool keep = code == kCombineMatch ? bd == bs : code == kCombineBrighter ? bd >= bs : bd < bs;
        out = keep ? d : RGBCOLOR{0, 0, 0};
      } else {
        int v[3];
        for (int c = 0; c < 3; ++c) {
          const int dc = channel(d, c), sc = channel(s, c);
          // Masks are read in the same red, green, blue order as the pixels.
          switch (code) {
            case kCombineEdgeBlend: {
              const int e = edgeRow[sx];
              v[c] = (sc * e + dc * (255 - e)) / 255;
              break;
            }
            case kCombineImageMask: {
              const int m = imageMaskRow[3 * x + 2 - c];
              v[c] = (dc * m + sc * (255 - m)) / 255;
              break;
            }
            case kCombineSelectionMask: {
              const int m = selMaskRow[3 * sx + 2 - c];
              v[c] = (sc * m + dc * (255 - m)) / 255;
              break;
            }
            case kCombineBothMasks: {
              const int mi = imageMaskRow[3 * x + 2 - c], ms = selMaskRow[3 * sx + 2 - c];
              int t = mi + ms;
              if (t < 1) t = 255;
              v[c] = std::min(255, (dc * mi + sc * ms) / t);
              break;
            }
            default:
              v[c] = channel_result(code, dc, sc);
          }
        }
        out = {clamp_byte(v[0]), clamp_byte(v[1]), clamp_byte(v[2])};
      }
      if (palette) {
        set_index(dstRow, image.bitsPerPixel, x, (*nearest)(out));
      } else {
        unsigned char* p = dstRow + 3 * x;
        p[0] = out.blue;
        p[1] = out.green;
        p[2] = out.red;
      }
    }
  }
  return true;
}

bool frame_selection(_IMAGEDESCRIPTOR& image, const CombineRequest& rq, RGBCOLOR colour) {
  if (!usable(image) || rq.width <= 0 || rq.height <= 0) return false;
  const std::vector<unsigned char> region = shape_raster(rq.shape, rq.width, rq.height);
  if (region.empty()) return false;
  const auto in = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < rq.width && y < rq.height &&
           region[static_cast<std::size_t>(y) * rq.width + x];
  };
  int index = 0;
  if (image.bitsPerPixel != 24) {
    NearestColour nearest(image.palette, palette_count(image));
    index = nearest(colour);
  }
  for (int y = std::max(0, -rq.top); y < rq.height && rq.top + y < image.height; ++y) {
    unsigned char* row = row_at(image, rq.top + y);
    for (int x = std::max(0, -rq.left); x < rq.width && rq.left + x < image.width; ++x) {
      if (!in(x, y) || (in(x - 1, y) && in(x + 1, y) && in(x, y - 1) && in(x, y + 1))) continue;
      const int ix = rq.left + x;
      if (image.bitsPerPixel == 24) {
        row[3 * ix] = colour.blue;
        row[3 * ix + 1] = colour.green;
        row[3 * ix + 2] = colour.red;
      } else {
        set_index(row, image.bitsPerPixel, ix, index);
      }
    }
  }
  return true;
}

}  // namespace ivorel
