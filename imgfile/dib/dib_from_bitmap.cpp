#include <new>
#include <vector>

#include "imgfile/codaxe.h"
#include "imgfile/dib/dib_encode.h"
#include "platform/core/cursor.h"

HGLOBAL DIBFromBitmap(HBITMAP bitmap, std::uint32_t compression, unsigned short bitsPerPixel,
                      HPALETTE palette) {
  using namespace codaxe::dib;
  if (!bitmap) return nullptr;
  const LogicalPalette& colours = palette ? *palette : pcore::stock_default_palette();
  const unsigned bits =
      bitsPerPixel ? bitsPerPixel : static_cast<unsigned>(bitmap->planes) * bitmap->bitsPixel;
  const Target target{bits, compression};
  const std::int64_t width = bitmap->width;
  const std::int64_t height = bitmap->height;
  if (!writable(target) || width < 1 || height < 1 ||
      bitmap->pixels.size() < static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height)) {
    return nullptr;
  }
  pcore::WaitCursor wait;
  try {
    TargetTable table = target_table(colours.entries, bits);
    if (bits <= 8 && table.entries.empty()) return nullptr;
    DibWriter writer(width, height, target, std::move(table.entries));
    if (!writer.begin()) return nullptr;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    // Device rows run top-down; DIB rows are written bottom-up.
    for (std::int64_t y = height - 1; y >= 0; --y) {
      const std::uint32_t* src = bitmap->pixels.data() + static_cast<std::size_t>(y * width);
      for (std::int64_t x = 0; x < width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(src[x]);
        row[3 * x + 1] = static_cast<std::uint8_t>(src[x] >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(src[x] >> 16);
      }
      writer.put_bgr(row.data());
    }
    return writer.finish();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
