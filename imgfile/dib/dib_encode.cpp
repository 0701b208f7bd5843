#include "imgfile/dib/dib_encode.h"

#include <cstring>

#include "imgfile/dib/dib_layout.h"
#include "imgfile/dib/dib_rle.h"
#include "imgfile/standard_tables.h"

namespace codaxe::dib {
namespace {

// Red, green and blue masks written after the header of bit-field targets.
constexpr std::uint32_t kMasks16[3] = {0xF800, 0x07E0, 0x001F};
constexpr std::uint32_t kMasks32[3] = {0xFF0000, 0xFF00, 0xFF};

void pack_indices(const std::uint8_t* in, std::int64_t width, unsigned bits, unsigned char* out) {
  if (bits == 8) {
    std::memcpy(out, in, static_cast<std::size_t>(width));
    return;
  }
  const unsigned perByte = 8 / bits;
  for (std::int64_t x = 0; x < width; ++x) {
    unsigned slot = static_cast<unsigned>(x % perByte);
    out[x / perByte] |= static_cast<unsigned char>(in[x] << (8 - bits * (slot + 1)));
  }
}

void pack_bgr(const std::uint8_t* in, std::int64_t width, Target t, unsigned char* out) {
  if (t.bits == 24) {
    std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
    return;
  }
  for (std::int64_t x = 0; x < width; ++x, in += 3) {
    const unsigned b = in[0], g = in[1], r = in[2];
    if (t.bits == 32) {
      out[4 * x] = static_cast<unsigned char>(b);
      out[4 * x + 1] = static_cast<unsigned char>(g);
      out[4 * x + 2] = static_cast<unsigned char>(r);
      continue;
    }
    std::uint16_t v = t.compression == BI_BITFIELDS
                          ? static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
                          : static_cast<std::uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    std::memcpy(out + 2 * x, &v, sizeof v);
  }
}

}  // namespace

bool writable(Target t) {
  switch (t.bits) {
    case 1:
    case 24:
      return t.compression == BI_RGB;
    case 4:
      return t.compression == BI_RGB || t.compression == BI_RLE4;
    case 8:
      return t.compression == BI_RGB || t.compression == BI_RLE8;
    case 16:
    case 32:
      return t.compression == BI_RGB || t.compression == BI_BITFIELDS;
    default:
      return false;
  }
}

TargetTable target_table(std::span<const PALETTEENTRY> palette, unsigned bits) {
  if (bits > 8 || palette.empty()) return {};
  const std::size_t room = std::size_t{1} << bits;
  if (palette.size() <= room || bits == 8) {
    TargetTable table{{}, true};
    for (std::size_t i = 0; i < palette.size() && i < room; ++i) {
      table.entries.push_back(RGBQUAD{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0});
    }
    return table;
  }
  if (bits == 4) return {{std::begin(kSixteenColours), std::end(kSixteenColours)}, false};
  return {{std::begin(kBlackAndWhite), std::end(kBlackAndWhite)}, false};
}

DibWriter::DibWriter(std::int64_t width, std::int64_t height, Target target, std::vector<RGBQUAD> table)
    : width_(width),
      height_(height),
      target_(target),
      table_(std::move(table)),
      stride_(dib_stride(static_cast<std::uint64_t>(width), target.bits)) {
  if (palette_target()) {
    nearest_.emplace(table_);
    indices_.resize(static_cast<std::size_t>(width));
  }
}

void DibWriter::set_resolution(std::int32_t x, std::int32_t y) {
  xPelsPerMeter_ = x;
  yPelsPerMeter_ = y;
}

std::uint64_t DibWriter::head_bytes() const {
  return kInfoHeaderSize + (target_.compression == BI_BITFIELDS ? 12 : 0) + 4 * table_.size();
}

void DibWriter::write_head(unsigned char* block, std::uint64_t imageBytes) const {
  BITMAPINFOHEADER h{};
  h.biSize = kInfoHeaderSize;
  h.biWidth = static_cast<std::int32_t>(width_);
  h.biHeight = static_cast<std::int32_t>(height_);
  h.biPlanes = 1;
  h.biBitCount = static_cast<std::uint16_t>(target_.bits);
  h.biCompression = target_.compression;
  h.biSizeImage = static_cast<std::uint32_t>(imageBytes);
  h.biXPelsPerMeter = xPelsPerMeter_;
  h.biYPelsPerMeter = yPelsPerMeter_;
  h.biClrUsed = static_cast<std::uint32_t>(table_.size());
  std::memcpy(block, &h, sizeof h);
  unsigned char* p = block + sizeof h;
  if (target_.compression == BI_BITFIELDS) {
    std::memcpy(p, target_.bits == 16 ? kMasks16 : kMasks32, 12);
    p += 12;
  }
  if (!table_.empty()) std::memcpy(p, table_.data(), 4 * table_.size());
}

bool DibWriter::begin() {
  if (run_length()) return true;
  const std::uint64_t total = head_bytes() + stride_ * static_cast<std::uint64_t>(height_);
  if (total > SIZE_MAX) return false;
  block_.reset(GlobalAlloc(static_cast<std::size_t>(total)));
  if (!block_.get()) return false;
  rows_ = static_cast<unsigned char*>(GlobalLock(block_.get())) + head_bytes();
  return true;
}

void DibWriter::put_indices(const std::uint8_t* indices) {
  if (row_ >= height_) return;
  ++row_;
  if (run_length()) {
    encode_rle_row(indices, static_cast<std::size_t>(width_), target_.bits, stream_);
  } else {
    pack_indices(indices, width_, target_.bits, rows_ + static_cast<std::uint64_t>(row_ - 1) * stride_);
  }
}

void DibWriter::put_bgr(const std::uint8_t* bgr) {
  if (palette_target()) {
    nearest_->map_row(bgr, indices_.data(), indices_.size());
    put_indices(indices_.data());
    return;
  }
  if (row_ >= height_) return;
  pack_bgr(bgr, width_, target_, rows_ + static_cast<std::uint64_t>(row_++) * stride_);
}

HGLOBAL DibWriter::finish() {
  if (run_length()) {
    encode_rle_end(stream_);
    block_.reset(GlobalAlloc(static_cast<std::size_t>(head_bytes() + stream_.size())));
    if (!block_.get()) return nullptr;
    rows_ = static_cast<unsigned char*>(GlobalLock(block_.get())) + head_bytes();
    std::memcpy(rows_, stream_.data(), stream_.size());
  }
  if (!rows_) return nullptr;
  const std::uint64_t imageBytes =
      run_length() ? stream_.size() : stride_ * static_cast<std::uint64_t>(height_);
  write_head(rows_ - head_bytes(), imageBytes);
  GlobalUnlock(block_.get());
  rows_ = nullptr;
  return block_.release();
}

}  // namespace codaxe::dib
