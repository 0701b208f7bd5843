#include <algorithm>
#include <cstring>
#include <vector>

#include "imgfile/byte_order.h"
#include "imgfile/byte_source.h"
#include "imgfile/pcx_codec.h"
#include "imgfile/plausible_size.h"

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr int kPaletteMarker = 12;

// Run-length decoding across line ends: a run that a writer let spill into the next plane or line goes on
// there.
class RunDecoder {
 public:
  explicit RunDecoder(codaxe::ByteSource& source) : source_(source) {}

  // Fills up to n bytes; fewer only at the end of the data.
  std::size_t fill(unsigned char* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      if (run_ > 0) {
        std::size_t take = std::min<std::size_t>(run_, n - done);
        std::memset(out + done, value_, take);
        run_ -= static_cast<unsigned>(take);
        done += take;
        continue;
      }
      int b = source_.next();
      if (b < 0) break;
      if (b < 0xC0) {
        out[done++] = static_cast<unsigned char>(b);
        continue;
      }
      int v = source_.next();
      if (v < 0) break;
      run_ = static_cast<unsigned>(b) & 0x3F;
      value_ = static_cast<unsigned char>(v);
    }
    return done;
  }

 private:
  codaxe::ByteSource& source_;
  unsigned run_ = 0;
  unsigned char value_ = 0;
};

int brightness(const RGBCOLOR& c) {
  return (11 * c.red + 16 * c.green + 5 * c.blue) / 32;
}

}  // namespace

PcxReader::PcxReader(const std::string& path) : ImageCodec(path) {
  if (!open_read()) return;
  if (!read_header()) close_file();
}

bool PcxReader::read_header() {
  unsigned char h[kHeaderBytes];
  if (file_size() < kHeaderBytes) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  if (!read_bytes(h, sizeof h)) return false;
  if (h[0] != 10 || h[1] > 5) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  encoding_ = h[2];
  bitsPerPlane_ = h[3];
  planes_ = h[65];
  bytesPerLine_ = codaxe::load_u16(h + 66);
  for (int i = 0; i < 16; ++i) headerMap_[i] = RGBCOLOR{h[16 + 3 * i], h[17 + 3 * i], h[18 + 3 * i]};
  const long width = long{codaxe::load_u16(h + 8)} - codaxe::load_u16(h + 4) + 1;
  const long height = long{codaxe::load_u16(h + 10)} - codaxe::load_u16(h + 6) + 1;
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF || planes_ == 0 || bytesPerLine_ == 0) {
    return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }
  const unsigned depth = bitsPerPlane_ * planes_;
  const unsigned bits = true_colour() ? 24 : std::max(depth, 8u);
  const unsigned colors = true_colour() || depth > 8 ? 0 : 1u << depth;
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height),
                  static_cast<unsigned short>(bits), static_cast<unsigned short>(colors));
  // Runs of up to 63 bytes in two: a file can hold no more than that, however it is cut.
  const std::uint64_t lineBytes = std::uint64_t{planes_} * bytesPerLine_;
  const std::uint64_t claimed = std::max(lineBytes, dib_stride(width_, bits)) * height_;
  if (!codaxe::plausible_image_size(claimed, file_size() - kHeaderBytes, 2, 63)) {
    return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }
  return true;
}

int PcxReader::Expand() {
  if (error_ != 0) return 0;  // the header was refused, and said so, at construction
  if (encoding_ != 1 || !(true_colour() || palette_image())) {
    close_file();
    return fail(codaxe::MSG_CHANNELS, CE_DATA);
  }
  const unsigned short bits = true_colour() ? 24 : 8;
  if (!AllocateImage(dib_stride(width_, bits), height_)) {
    close_file();
    return 0;
  }
  imageSize_ = static_cast<std::uint32_t>(dib_stride(width_, bits) * height_);
  codaxe::ByteSource source([this](unsigned char* p, std::size_t n) { return read_some(p, n); });
  decode_lines(source);
  if (true_colour()) {
    set_description(width_, height_, 24, 0);
  } else {
    read_palette(source);
    set_description(width_, height_, 8, 256);
  }
  close_file();
  return 1;
}

// Lines come top first and are stored bottom-up; 24-bit pixels go straight to blue, green, red order.
void PcxReader::decode_lines(codaxe::ByteSource& source) {
  RunDecoder runs(source);
  std::vector<unsigned char> line(std::size_t{planes_} * bytesPerLine_);
  const std::size_t stride = dib_stride(width_, bitsPerPixel_);
  for (unsigned y = 0; y < height_; ++y) {
    const std::size_t got = runs.fill(line.data(), line.size());
    std::memset(line.data() + got, 0, line.size() - got);
    unsigned char* row = image_ + (height_ - 1 - y) * stride;
    if (true_colour()) {
      spread_planes(line.data(), row);
    } else {
      combine_planes(line.data(), row);
    }
    if (got < line.size()) break;  // the data ended inside this line
  }
}

void PcxReader::combine_planes(const unsigned char* line, unsigned char* row) const {
  if (bitsPerPlane_ == 8) {
    std::memcpy(row, line, std::min<std::size_t>(width_, bytesPerLine_));
    return;
  }
  if (bitsPerPlane_ != 1) {
    // Packed pixels in a single plane.
    const unsigned per = 8 / bitsPerPlane_;
    const unsigned mask = (1u << bitsPerPlane_) - 1;
    const std::size_t n = std::min<std::size_t>(width_, std::size_t{bytesPerLine_} * per);
    for (std::size_t x = 0; x < n; ++x) {
      const unsigned shift = 8 - bitsPerPlane_ * (x % per + 1);
      row[x] = static_cast<unsigned char>((line[x / per] >> shift) & mask);
    }
    return;
  }
  const std::size_t bytes = std::min<std::size_t>((width_ + 7u) / 8, bytesPerLine_);
  for (unsigned k = 0; k < planes_; ++k) {
    const unsigned char* plane = line + std::size_t{k} * bytesPerLine_;
    for (std::size_t i = 0; i < bytes; ++i) {
      const unsigned byte = plane[i];
      if (byte == 0) continue;
      const std::size_t end = std::min<std::size_t>(8, width_ - 8 * i);
      for (std::size_t bit = 0; bit < end; ++bit) {
        row[8 * i + bit] |= static_cast<unsigned char>(((byte >> (7 - bit)) & 1) << k);
      }
    }
  }
}

// Planes are red, green, blue (and alpha, dropped); bytes beyond the width are padding.
void PcxReader::spread_planes(const unsigned char* line, unsigned char* row) const {
  const std::size_t n = std::min<std::size_t>(width_, bytesPerLine_);
  for (unsigned k = 0; k < 3; ++k) {
    const unsigned char* plane = line + std::size_t{k} * bytesPerLine_;
    unsigned char* out = row + 2 - k;
    for (std::size_t x = 0; x < n; ++x) out[3 * x] = plane[x];
  }
}

// More than 16 colours: the palette after the image data. A file without one falls back on the header's
// colour map, and when that is empty too, on a grey ramp, so that the picture is not all black.
void PcxReader::read_palette(codaxe::ByteSource& source) {
  const unsigned colors = colors_;
  bool found = false;
  if (colors > 16) {
    for (int b = source.next(); b >= 0; b = source.next()) {
      if (b == kPaletteMarker) {
        found = true;
        break;
      }
    }
  }
  if (found) {
    unsigned char rgb[3 * 256] = {};
    source.read(rgb, 3 * colors);
    for (unsigned i = 0; i < colors; ++i) palette_[i] = RGBCOLOR{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  } else {
    std::copy(headerMap_, headerMap_ + std::min(colors, 16u), palette_);
    const bool empty = std::all_of(headerMap_, headerMap_ + 16, [](const RGBCOLOR& c) {
      return c.red == 0 && c.green == 0 && c.blue == 0;
    });
    if (colors > 16 && empty) {
      for (unsigned i = 0; i < colors; ++i) {
        const auto grey = static_cast<unsigned char>(i * 255 / (colors - 1));
        palette_[i] = RGBCOLOR{grey, grey, grey};
      }
    }
  }
  if (colors == 2 && brightness(palette_[0]) == brightness(palette_[1])) {
    palette_[0] = RGBCOLOR{255, 255, 255};
    palette_[1] = RGBCOLOR{0, 0, 0};
  }
}
