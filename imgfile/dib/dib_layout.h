// A checked view of a packed DIB block: every offset and size in it has been verified against the block, so
// the readers built on it index without further bounds checks.
#pragma once

#include "imgfile/byte_order.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/core/dib_types.h"

namespace codaxe::dib {

// Whether pixels of this depth can be read at all, and whether the compression suits it.
bool known_depth(unsigned bits);
bool compression_fits(unsigned bits, std::uint32_t compression);

// Run-length data can describe a large image in a few bytes. Beyond a fixed ratio to the compressed size (or
// a floor for small files) it is taken to be hostile rather than a picture, and never expanded.
bool run_length_size_acceptable(std::uint64_t decodedBytes, std::uint64_t compressedBytes);

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int64_t kMaxDimension = 65535;

// Table entries a header implies: biClrUsed when given, else one per index of a palette depth.
std::uint64_t colour_count(unsigned bits, std::uint32_t clrUsed);

struct Masks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
};

// Pointers stay valid while the block's lock is held.
struct Layout {
  const unsigned char* base = nullptr;
  std::uint64_t blockSize = 0;
  bool core = false;
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive; see topDown
  bool topDown = false;
  unsigned bits = 0;
  std::uint32_t compression = BI_RGB;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  Masks masks;  // as stored for bit fields, else the depth's defaults (zero for palette depths)
  std::uint64_t colours = 0;
  const unsigned char* table = nullptr;
  unsigned entryBytes = 4;
  const unsigned char* pixels = nullptr;
  // Bytes after the table; for run-length data no more than biSizeImage when that is given.
  std::uint64_t pixelBytes = 0;
  std::uint64_t stride = 0;

  bool indexed() const { return bits <= 8; }
  bool run_length() const { return compression == BI_RLE8 || compression == BI_RLE4; }
  // Uncompressed rows are all inside the block.
  bool rows_present() const {
    return run_length() || stride * static_cast<std::uint64_t>(height) <= pixelBytes;
  }
  // Start of a row counted from the bottom of the image (uncompressed data only).
  const unsigned char* row(std::int64_t fromBottom) const {
    std::int64_t stored = topDown ? height - 1 - fromBottom : fromBottom;
    return pixels + static_cast<std::uint64_t>(stored) * stride;
  }
  // Index colours beyond the table are black.
  RGBQUAD colour(std::uint64_t index) const;
};

// Checks the header fields and that the masks and colour table lie inside the block; the pixel rows are
// checked separately (rows_present) because a palette can be read without them.
std::optional<Layout> parse_layout(const unsigned char* data, std::size_t size);

}  // namespace codaxe::dib
