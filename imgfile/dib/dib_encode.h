// Writes new packed DIBs row by row, bottom-up, in any depth and compression the helpers produce.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imgfile/dib/nearest_colour.h"
#include "platform/core/device_bitmap.h"
#include "platform/core/memblock.h"

namespace codaxe::dib {

struct Target {
  unsigned bits = 0;
  std::uint32_t compression = BI_RGB;
};

// The (depth, compression) pairs that can be written.
bool writable(Target target);

struct TargetTable {
  std::vector<RGBQUAD> entries;
  bool fromPalette = false;  // entry i is palette entry i
};

// The colour table of a palette target: the palette itself when it fits the depth (the first 256 entries
// at 8 bits), else the depth's standard table. Empty for true-colour targets or an empty palette.
TargetTable target_table(std::span<const PALETTEENTRY> palette, unsigned bits);

class DibWriter {
 public:
  // `table` must hold 1 to 256 entries for palette targets.
  DibWriter(std::int64_t width, std::int64_t height, Target target, std::vector<RGBQUAD> table);
  void set_resolution(std::int32_t x, std::int32_t y);
  const std::vector<RGBQUAD>& table() const { return table_; }
  // The table entry nearest to a colour (palette targets).
  std::uint8_t nearest(const RGBQUAD& c) { return (*nearest_)(c.rgbBlue, c.rgbGreen, c.rgbRed); }

  // Uncompressed blocks are allocated whole up front; false when that memory cannot be had.
  bool begin();
  // Palette targets: `width` indices, each below table().size().
  void put_indices(const std::uint8_t* indices);
  // Any target: blue, green, red per pixel; palette targets map them to the nearest table entry.
  void put_bgr(const std::uint8_t* bgr);
  // The finished block, or nullptr when memory is short.
  HGLOBAL finish();

 private:
  bool palette_target() const { return target_.bits <= 8; }
  bool run_length() const { return target_.compression == BI_RLE8 || target_.compression == BI_RLE4; }
  std::uint64_t head_bytes() const;
  void write_head(unsigned char* block, std::uint64_t imageBytes) const;

  std::int64_t width_;
  std::int64_t height_;
  Target target_;
  std::vector<RGBQUAD> table_;
  std::int32_t xPelsPerMeter_ = 0;
  std::int32_t yPelsPerMeter_ = 0;
  std::uint64_t stride_;
  std::optional<NearestColour> nearest_;
  std::vector<std::uint8_t> indices_;
  std::vector<std::uint8_t> stream_;  // run-length targets
  pcore::OwnedBlock block_;           // uncompressed targets
  unsigned char* rows_ = nullptr;
  std::int64_t row_ = 0;
};

}  // namespace codaxe::dib
