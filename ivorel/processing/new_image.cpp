// A new blank image: size, depth and background from the new-image dialog, the palette of its depth, and
// every pixel the background colour.
#include <cstring>
#include <limits>

#include "imgfile/fixed_palette.h"
#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"
#include "platform/core/device_bitmap.h"
#include "platform/core/memblock.h"
#include "platform/core/message_box.h"
#include "platform/core/new_image_dialog.h"

namespace {

RGBCOLOR background_colour(int choice) {
  switch (choice) {
    case 1:
      return {255, 255, 255};
    case 2:
      return {255, 0, 0};
    case 3:
      return {0, 255, 0};
    case 4:
      return {0, 0, 255};
    default:
      return {0, 0, 0};
  }
}

// An exact match, else the entry nearest in summed squared differences; the lowest index wins ties.
int nearest_entry(const RGBCOLOR* palette, int count, RGBCOLOR c) {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (int i = 0; i < count; ++i) {
    const long dr = palette[i].red - c.red, dg = palette[i].green - c.green, db = palette[i].blue - c.blue;
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

void fill_palette(RGBCOLOR* palette, int bits, RGBCOLOR background) {
  if (bits == 1) {
    palette[0] = {0, 0, 0};
    const bool black = background.red == 0 && background.green == 0 && background.blue == 0;
    palette[1] = black ? RGBCOLOR{255, 255, 255} : background;
  } else if (bits == 4) {
    const auto& stock = pcore::stock_default_palette().entries;
    for (int i = 0; i < 16; ++i) {
      const PALETTEENTRY& e = stock[i < 8 ? i : i + 4];
      palette[i] = {e.peRed, e.peGreen, e.peBlue};
    }
  } else if (bits == 8) {
    const auto& fixed = codaxe::fixed_palette();
    std::memcpy(palette, fixed.data(), sizeof(RGBCOLOR) * 256);
  }
}

}  // namespace

int TProcessImageEx::CreateEmptyImage(_IMAGEDESCRIPTOR& out) {
  out = _IMAGEDESCRIPTOR{};
  pcore::NewImageRequest request;
  request.owner = WindowHandle();
  if (pcore::run_new_image_dialog(request) != pcore::kIdOk) return 0;
  if (request.width <= 0 || request.height <= 0 || request.xResolution <= 0 || request.yResolution <= 0)
    return 0;
  if (request.width > std::numeric_limits<unsigned short>::max() ||
      request.height > std::numeric_limits<unsigned short>::max() ||
      request.xResolution > std::numeric_limits<unsigned short>::max() ||
      request.yResolution > std::numeric_limits<unsigned short>::max())
    return 0;
  int bits = request.bitsPerPixel;
  if (bits <= 0 || bits > 24) bits = 24;
  // Depths the pixel layout has no room for (2, 16) are made as the next one it has.
  if (bits != 1 && bits != 4 && bits != 8) bits = bits < 8 ? (bits < 4 ? 4 : 8) : 24;

  const std::uint64_t stride = ivorel::row_bytes(static_cast<std::uint32_t>(request.width), bits);
  const std::uint64_t size = stride * static_cast<std::uint64_t>(request.height);
  if (size > std::numeric_limits<std::uint32_t>::max()) return 0;
  pcore::WaitCursor wait;
  HGLOBAL block = GlobalAlloc(static_cast<std::size_t>(size));
  if (!block) return 0;
  auto* pixels = static_cast<unsigned char*>(GlobalLock(block));

  const RGBCOLOR background = background_colour(request.background);
  out.width = static_cast<unsigned short>(request.width);
  out.height = static_cast<unsigned short>(request.height);
  out.xResolution = static_cast<unsigned short>(request.xResolution);
  out.yResolution = static_cast<unsigned short>(request.yResolution);
  out.imageSize = static_cast<std::uint32_t>(size);
  out.bitsPerPixel = static_cast<unsigned short>(bits);
  out.colors = bits == 24 ? 0 : static_cast<unsigned short>(1u << bits);
  out.hImageData = block;
  out.imageData = pixels;

  if (bits == 24) {
    for (std::uint64_t row = 0; row < static_cast<std::uint64_t>(request.height); ++row) {
      unsigned char* p = pixels + row * stride;
      for (int x = 0; x < request.width; ++x, p += 3) {
        p[0] = background.blue;
        p[1] = background.green;
        p[2] = background.red;
      }
    }
    return 1;
  }
  fill_palette(out.palette, bits, background);
  const int index = nearest_entry(out.palette, out.colors, background);
  unsigned char byte = 0;
  for (int shift = 0; shift < 8; shift += bits) byte |= static_cast<unsigned char>(index << shift);
  std::memset(pixels, byte, static_cast<std::size_t>(size));
  return 1;
}
