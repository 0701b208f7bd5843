#include <algorithm>
#include <cstring>
#include <vector>

#include "imgfile/byte_order.h"
#include "imgfile/pcx_codec.h"

namespace {

constexpr unsigned kLongestRun = 63;

// Runs of 2 to 63 equal bytes become (0xC0 | count, value); a single byte that would read as a count is
// written as a run of one. Returns the bytes written to `out`, which needs room for 2 * n.
std::size_t encode_runs(const unsigned char* in, std::size_t n, unsigned char* out) {
  unsigned char* o = out;
  for (std::size_t i = 0; i < n;) {
    const unsigned char v = in[i];
    std::size_t run = 1;
    while (run < kLongestRun && i + run < n && in[i + run] == v) ++run;
    if (run > 1 || v >= 0xC0) *o++ = static_cast<unsigned char>(0xC0 | run);
    *o++ = v;
    i += run;
  }
  return static_cast<std::size_t>(o - out);
}

}  // namespace

PcxWriter::PcxWriter(const std::string& path, unsigned short width, unsigned short height,
                     unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                     RGBCOLOR* palette)
    : ImageCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
  switch (bitsPerPixel) {
    case 1:
    case 4:
      bitsPerPlane_ = 1;
      planes_ = bitsPerPixel;
      break;
    case 8:
    case 24:
      bitsPerPlane_ = 8;
      planes_ = bitsPerPixel / 8;
      break;
    default:
      break;
  }
  bytesPerLine_ = (bitsPerPlane_ * width + 7) / 8;
}

int PcxWriter::Compress(unsigned short, ImgType) {
  if (planes_ == 0 || width_ == 0 || height_ == 0 || !sourcePixels_) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  if (!open_write(codaxe::MSG_OPEN) || !write_header()) {
    close_file();
    return 0;
  }
  const std::size_t stride = dib_stride(width_, bitsPerPixel_);
  const std::size_t lineBytes = std::size_t{planes_} * bytesPerLine_;
  std::vector<unsigned char> line(lineBytes);
  std::vector<unsigned char> coded(2 * lineBytes);
  bool ok = true;
  for (unsigned y = height_; ok && y-- > 0;) {
    split_planes(sourcePixels_ + y * stride, line.data());
    ok = write_bytes(coded.data(), encode_runs(line.data(), lineBytes, coded.data()));
  }
  // The palette after the data always has 256 entries: readers find it 769 bytes before the end.
  if (ok && colors_ >= 17) {
    unsigned char rgb[1 + 3 * 256] = {12};
    const unsigned n = sourcePalette_ ? std::min<unsigned>(colors_, 256) : 0;
    for (unsigned i = 0; i < n; ++i) {
      rgb[1 + 3 * i] = sourcePalette_[i].red;
      rgb[2 + 3 * i] = sourcePalette_[i].green;
      rgb[3 + 3 * i] = sourcePalette_[i].blue;
    }
    ok = write_bytes(rgb, sizeof rgb);
  }
  ok = close_file() && ok;
  return ok ? 1 : 0;
}

// Images of up to 16 colours carry their colours in the header's map, 8-bit ones included, which would
// otherwise lose their palette altogether.
bool PcxWriter::write_header() {
  unsigned char h[128] = {10, 5, 1};
  h[3] = static_cast<unsigned char>(bitsPerPlane_);
  codaxe::store_u16(h + 8, static_cast<std::uint16_t>(width_ - 1));
  codaxe::store_u16(h + 10, static_cast<std::uint16_t>(height_ - 1));
  const unsigned mapped = bitsPerPixel_ == 24 || !sourcePalette_ ? 0 : std::min(1u << bitsPerPixel_, 16u);
  if (bitsPerPixel_ != 8 || colors_ <= 16) {
    for (unsigned i = 0; i < mapped; ++i) {
      h[16 + 3 * i] = sourcePalette_[i].red;
      h[17 + 3 * i] = sourcePalette_[i].green;
      h[18 + 3 * i] = sourcePalette_[i].blue;
    }
  }
  h[65] = static_cast<unsigned char>(planes_);
  codaxe::store_u16(h + 66, static_cast<std::uint16_t>(bytesPerLine_));
  codaxe::store_u16(h + 68, 1);
  return write_bytes(h, sizeof h);
}

// 1- and 8-bit rows are one plane as stored; 24-bit rows split into red, green and blue planes; 4-bit rows
// into four bit planes, plane k holding bit k of each pixel, most significant pixel first.
void PcxWriter::split_planes(const unsigned char* row, unsigned char* line) const {
  if (planes_ == 1) {
    std::memcpy(line, row, bytesPerLine_);
    return;
  }
  if (bitsPerPlane_ == 8) {
    for (unsigned k = 0; k < 3; ++k) {
      const unsigned char* in = row + 2 - k;
      unsigned char* plane = line + std::size_t{k} * bytesPerLine_;
      for (std::size_t x = 0; x < width_; ++x) plane[x] = in[3 * x];
    }
    return;
  }
  std::memset(line, 0, std::size_t{planes_} * bytesPerLine_);
  for (std::size_t x = 0; x < width_; ++x) {
    const unsigned pixel = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    const auto bit = static_cast<unsigned char>(0x80 >> (x % 8));
    for (unsigned k = 0; k < 4; ++k) {
      if (pixel & (1u << k)) line[k * bytesPerLine_ + x / 8] |= bit;
    }
  }
}
