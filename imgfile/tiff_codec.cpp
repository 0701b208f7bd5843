#include "imgfile/tiff_codec.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

#include "imgfile/raw_rows.h"
#include "imgfile/strip_workers.h"
#include "imgfile/tiff_lzw.h"

namespace {

// CCITT and LZW data can describe a blank page in a bit or so per row.
constexpr std::uint64_t kMaxExpansion = 4096;
// No real file has tiles anywhere near this; a hostile one could ask for gigabytes.
constexpr std::uint64_t kMaxTileBytes = std::uint64_t{256} << 20;
constexpr const char* kDefaultDescription = "Saved by the Codaxe image file library";

bool is_grey(unsigned photometric) {
  return photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
}

// Samples that carry colour for a photometric interpretation (any further one is alpha or unspecified).
unsigned colour_samples(unsigned photometric) {
  switch (photometric) {
    case PHOTOMETRIC_RGB:
      return 3;
    case PHOTOMETRIC_SEPARATED:
      return 4;
    default:
      return 1;
  }
}

bool same(const RGBCOLOR& c, unsigned char r, unsigned char g, unsigned char b) {
  return c.red == r && c.green == g && c.blue == b;
}

}  // namespace

TiffCodec::TiffCodec(const std::string& path) : ImageCodec(path) {}

TiffCodec::~TiffCodec() {
  close_tiff();
}

bool TiffCodec::open_tiff(const char* mode, int fd) {
  libraryText_.clear();
  // Nothing of libtiff's reaches standard error: every handle carries our own handlers, and the process-wide
  // ones are off for anything libtiff says outside a handle.
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    if (fd >= 0) ::close(fd);
    return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options, on_error, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, on_warning, this);
  tif_ = fd < 0 ? TIFFOpenExt(fileName_.c_str(), mode, options)
                : TIFFFdOpenExt(fd, fileName_.c_str(), mode, options);
  TIFFOpenOptionsFree(options);
  if (tif_) return true;
  if (fd >= 0) ::close(fd);
  return fail_tiff(codaxe::MSG_OPEN, CE_OPEN_WRITE);
}

void TiffCodec::close_tiff() {
  if (tif_) TIFFClose(tif_);
  tif_ = nullptr;
}

int TiffCodec::fail_tiff(int id, int error) {
  if (libraryText_.empty()) return fail(id, error);
  ReportText(libraryText_.c_str());
  libraryText_.clear();
  error_ = error;
  return 0;
}

int TiffCodec::on_error(tiff*, void* codec, const char* module, const char* format, va_list args) {
  auto* self = static_cast<TiffCodec*>(codec);
  // The first complaint names the cause; those after it are its consequences.
  if (self->libraryText_.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    self->libraryText_ = module && *module ? std::string(module) + ": " + text : text;
  }
  return 1;
}

int TiffCodec::on_warning(tiff*, void*, const char*, const char*, va_list) {
  // Unknown tags and the like: libtiff carries on, and so do we.
  return 1;
}

TiffReader::TiffReader(const std::string& path) : TiffCodec(path) {
  const int fd = open_read_descriptor();
  if (fd >= 0 && open_tiff("r", fd) && !read_directory()) close_tiff();
}

bool TiffReader::read_directory() {
  std::uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, compression = 1;
  std::uint32_t width = 0, height = 0;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_COMPRESSION, &compression);
  const bool hasPhotometric = TIFFGetField(tif_, TIFFTAG_PHOTOMETRIC, &photometric) == 1;
  TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height);
  if (bits > 8 && bits != 16) return fail(codaxe::MSG_BITS_PER_SAMPLE, CE_DATA);

  // libtiff decodes JPEG-compressed YCbCr to RGB when asked.
  const bool jpeg = compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG;
  if (hasPhotometric && photometric == PHOTOMETRIC_YCBCR && jpeg &&
      TIFFSetField(tif_, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) {
    photometric = PHOTOMETRIC_RGB;
  }
  // The Part's checks in its order: sample count, then the photometric interpretation, then whether the
  // two fit. One extra sample (alpha) is allowed: after RGB, or after 8- or 16-bit grey, where it is whole
  // bytes.
  const bool greyAlpha =
      samples == 2 && (bits == 8 || bits == 16) && (!hasPhotometric || is_grey(photometric));
  if (samples != 1 && samples != 3 && samples != 4 && !greyAlpha) return fail(codaxe::MSG_CHANNELS, CE_DATA);
  if (!hasPhotometric) return fail(codaxe::MSG_PHOTOMETRIC, CE_DATA);
  if (photometric == PHOTOMETRIC_MASK) return fail(codaxe::MSG_PHOTOMETRIC_MASK, CE_DATA);
  const bool separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
  std::uint16_t inks = INKSET_CMYK;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_INKSET, &inks);
  const bool cmyk = photometric == PHOTOMETRIC_SEPARATED && inks == INKSET_CMYK && !separate;
  if (!is_grey(photometric) && photometric != PHOTOMETRIC_PALETTE && photometric != PHOTOMETRIC_RGB &&
      !cmyk) {
    return fail(codaxe::MSG_PHOTOMETRIC, CE_DATA);
  }
  const unsigned colour = colour_samples(photometric);
  if (samples != colour && !(samples == colour + 1 && (photometric == PHOTOMETRIC_RGB || greyAlpha))) {
    return fail(codaxe::MSG_CHANNELS, CE_DATA);
  }
  // Sixteen-bit grey and RGB samples are narrowed to their high byte, as the PNG reader narrows them.
  const bool wide = bits == 16 && photometric != PHOTOMETRIC_PALETTE && !cmyk;
  if (colour == 1 ? bits != 1 && bits != 2 && bits != 4 && bits != 8 && !wide : bits != 8 && !wide) {
    return fail(codaxe::MSG_BAD_BITS, CE_DATA);
  }
  if (width == 0 || height == 0 || width > 65535 || height > 65535) {
    return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }

  layout_ = Layout{width,
                   height,
                   bits,
                   samples,
                   photometric,
                   separate,
                   TIFFIsTiled(tif_) != 0,
                   cmyk,
                   false,
                   static_cast<unsigned short>(colour > 1  ? 24
                                               : bits == 2 ? 4
                                               : wide      ? 8
                                                           : bits)};
  const unsigned colors = colour > 1 ? 0 : 1u << (wide ? 8 : bits);
  if (!take_palette(colors)) return false;

  rowLength_ = static_cast<std::uint32_t>(dib_stride(width, layout_.depth));
  const std::uint64_t imageBytes = std::uint64_t{rowLength_} * height;
  std::uint64_t fileBytes = 0;
  if (struct stat st; ::fstat(TIFFFileno(tif_), &st) == 0) fileBytes = static_cast<std::uint64_t>(st.st_size);
  if (!believable_size(imageBytes, fileBytes, kMaxExpansion)) return fail(codaxe::MSG_MEMORY, CE_MEMORY);

  // The bytes one stored row of one plane takes, which the buffer must hold whatever libtiff thinks.
  const unsigned perRow = separate ? 1 : samples;
  const std::size_t stored = (std::size_t{width} * bits * perRow + 7) / 8;
  scanlineBytes_ = std::max<std::size_t>(static_cast<std::size_t>(TIFFScanlineSize64(tif_)), stored);
  if (layout_.tiled) {
    const std::uint64_t tileBytes = TIFFTileSize64(tif_);
    std::uint32_t tileLength = 0;
    TIFFGetField(tif_, TIFFTAG_TILELENGTH, &tileLength);
    if (tileBytes == 0 || tileBytes > kMaxTileBytes || tileLength == 0) {
      return fail_tiff(codaxe::MSG_READ_HEADER, CE_HEADER);
    }
    bandRows_ = std::min(tileLength, height);
  }
  if (!AllocateImage(rowLength_, height)) return false;
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height), layout_.depth,
                  static_cast<unsigned short>(colors));
  imageSize_ = static_cast<std::uint32_t>(imageBytes);
  return true;
}

bool TiffReader::take_palette(unsigned colors) {
  const unsigned photometric = layout_.photometric;
  if (colors == 0) {
    fill_default_palette();
    return true;
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tif_, TIFFTAG_COLORMAP, &red, &green, &blue)) {
      return fail(codaxe::MSG_PHOTOMETRIC, CE_DATA);
    }
    for (unsigned i = 0; i < colors; ++i) {
      palette_[i] =
          RGBCOLOR{static_cast<unsigned char>(red[i] >> 8), static_cast<unsigned char>(green[i] >> 8),
                   static_cast<unsigned char>(blue[i] >> 8)};
    }
    // A two-colour map of white and black keeps the promise of black at 0 by inverting the bits; other
    // colours cannot keep it without changing the picture, so they stay as mapped.
    if (colors == 2 && same(palette_[0], 255, 255, 255) && same(palette_[1], 0, 0, 0)) {
      layout_.invertBits = true;
    } else if (colors == 2 && !(same(palette_[0], 0, 0, 0) && same(palette_[1], 255, 255, 255))) {
      return true;
    }
  } else {
    // Ramps over colours - 1 steps, so that both ends are reached.
    for (unsigned i = 0; i < colors; ++i) {
      unsigned v = i * 255 / (colors - 1);
      if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
      palette_[i] = RGBCOLOR{static_cast<unsigned char>(v), static_cast<unsigned char>(v),
                             static_cast<unsigned char>(v)};
    }
    layout_.invertBits = colors == 2 && photometric == PHOTOMETRIC_MINISWHITE;
  }
  if (colors == 2) {
    palette_[0] = RGBCOLOR{0, 0, 0};
    palette_[1] = RGBCOLOR{255, 255, 255};
  }
  return true;
}

bool TiffReader::read_row(std::uint32_t row, unsigned plane, unsigned char* out) {
  if (!layout_.tiled) return TIFFReadScanline(tif_, out, row, static_cast<std::uint16_t>(plane)) >= 0;
  if (static_cast<int>(plane) != bandPlane_ || row < bandFirst_ || row >= bandFirst_ + bandRows_) {
    if (!load_band(row, plane)) return false;
  }
  std::memcpy(out, &band_[(row - bandFirst_) * scanlineBytes_], scanlineBytes_);
  return true;
}

bool TiffReader::load_band(std::uint32_t row, unsigned plane) {
  std::uint32_t tileWidth = 0, tileLength = 0;
  TIFFGetField(tif_, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif_, TIFFTAG_TILELENGTH, &tileLength);
  const std::size_t tileRowBytes = static_cast<std::size_t>(TIFFTileRowSize64(tif_));
  if (tileWidth == 0 || tileRowBytes == 0) return false;
  bandFirst_ = row - row % tileLength;
  bandPlane_ = -1;
  const std::uint32_t rows = std::min(bandRows_, layout_.height - bandFirst_);
  const unsigned perPixel = layout_.separatePlanes ? 1 : layout_.samples;
  for (std::uint32_t x = 0; x < layout_.width; x += tileWidth) {
    if (TIFFReadTile(tif_, tile_.data(), x, bandFirst_, 0, static_cast<std::uint16_t>(plane)) < 0)
      return false;
    // Tile widths are multiples of 16 pixels, so every tile starts on a byte.
    const std::size_t offset = std::size_t{x} * layout_.bitsPerSample * perPixel / 8;
    const std::size_t bytes = std::min(tileRowBytes, scanlineBytes_ - offset);
    for (std::uint32_t r = 0; r < rows; ++r) {
      std::memcpy(&band_[r * scanlineBytes_ + offset], &tile_[r * tileRowBytes], bytes);
    }
  }
  bandPlane_ = static_cast<int>(plane);
  return true;
}

void TiffReader::narrow_samples(unsigned char* line, std::size_t count) const {
  if (layout_.bitsPerSample != 16) return;
  // libtiff hands samples over in the machine's byte order.
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t sample;
    std::memcpy(&sample, &line[2 * i], 2);
    line[i] = static_cast<unsigned char>(sample >> 8);
  }
}

bool TiffReader::lzw_strips_are_ours() const {
  std::uint16_t compression = COMPRESSION_NONE, predictor = PREDICTOR_NONE, fillOrder = FILLORDER_MSB2LSB;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_PREDICTOR, &predictor);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_FILLORDER, &fillOrder);
  const std::size_t stored = (std::size_t{layout_.width} * layout_.bitsPerSample * layout_.samples + 7) / 8;
  // Horizontal differencing of bytes is undone here; of wider samples, by libtiff.
  const bool differences = predictor == PREDICTOR_HORIZONTAL && layout_.bitsPerSample == 8;
  return compression == COMPRESSION_LZW && (predictor == PREDICTOR_NONE || differences) &&
         fillOrder == FILLORDER_MSB2LSB && !layout_.tiled && !layout_.separatePlanes &&
         static_cast<std::uint64_t>(TIFFScanlineSize64(tif_)) == stored && stored == scanlineBytes_;
}

// Whole strips through our own LZW decoder. Anything out of the ordinary (an old-style strip, a strip that
// is short, damaged or claims more bytes than the file has) returns false before or while rows are
// delivered, and the caller reads the file again through libtiff, which then says what is wrong.
bool TiffReader::read_lzw_strips(const std::function<void(std::uint32_t, unsigned char*)>& deliver) {
  std::uint32_t rowsPerStrip = layout_.height;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, layout_.height);
  const std::uint32_t strips = TIFFNumberOfStrips(tif_);
  if (strips != (layout_.height + rowsPerStrip - 1) / rowsPerStrip) return false;
  struct stat st;
  if (::fstat(TIFFFileno(tif_), &st) != 0) return false;
  const auto fileBytes = static_cast<std::uint64_t>(st.st_size);
  const std::size_t stripBytes = std::size_t{rowsPerStrip} * scanlineBytes_;
  std::uint16_t predictor = PREDICTOR_NONE;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_PREDICTOR, &predictor);
  const unsigned samples = predictor == PREDICTOR_HORIZONTAL ? layout_.samples : 0;
  // Small strips go a batch at a time to the workers; a file of a few huge strips is read one by one.
  const unsigned workers = stripBytes <= (1u << 20) ? codaxe::strip_workers() : 1;
  const auto batch = static_cast<std::uint32_t>(codaxe::strips_per_batch(stripBytes, workers));
  std::vector<std::vector<unsigned char>> raw(batch), decoded(workers);
  try {
    for (auto& buffer : decoded) buffer.resize(stripBytes + 8);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (std::uint32_t s0 = 0; s0 < strips; s0 += batch) {
    const std::uint32_t count = std::min(batch, strips - s0);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t rawBytes = TIFFRawStripSize64(tif_, s0 + i);
      if (rawBytes == 0 || rawBytes == static_cast<std::uint64_t>(-1) || rawBytes > fileBytes) return false;
      raw[i].resize(static_cast<std::size_t>(rawBytes));
      if (TIFFReadRawStrip(tif_, s0 + i, raw[i].data(), static_cast<tmsize_t>(rawBytes)) !=
          static_cast<tmsize_t>(rawBytes)) {
        return false;
      }
      if (codaxe::tiff_lzw_old_style(raw[i].data(), raw[i].size())) return false;
    }
    std::atomic<bool> ok{true};
    codaxe::for_each_strip(count, workers, [&](std::size_t i, unsigned worker) {
      const std::uint32_t first = (s0 + static_cast<std::uint32_t>(i)) * rowsPerStrip;
      const std::uint32_t rows = std::min(rowsPerStrip, layout_.height - first);
      const std::size_t bytes = std::size_t{rows} * scanlineBytes_;
      unsigned char* strip = decoded[worker].data();
      const codaxe::LzwResult result = codaxe::tiff_lzw_decode(raw[i].data(), raw[i].size(), strip, bytes);
      if (result.status != codaxe::LzwStatus::Complete || result.pixels != bytes) {
        ok = false;
        return;
      }
      for (std::uint32_t r = 0; r < rows; ++r) {
        unsigned char* line = strip + r * scanlineBytes_;
        if (samples) codaxe::add_left_neighbours(line, scanlineBytes_, samples);
        deliver(first + r, line);
      }
    });
    if (!ok) return false;
  }
  return true;
}

void TiffReader::convert_row(const unsigned char* in, unsigned char* out) const {
  const std::size_t width = layout_.width;
  const unsigned samples = layout_.samples;
  if (layout_.cmyk) {
    codaxe::cmyk_row_to_bgr(in, out, width, false);
  } else if (layout_.depth == 24) {
    for (std::size_t x = 0; x < width; ++x, in += samples, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  } else if (samples == 2) {
    for (std::size_t x = 0; x < width; ++x) out[x] = in[2 * x];
  } else {
    const unsigned bits = layout_.bitsPerSample == 16 ? 8 : layout_.bitsPerSample;
    const std::size_t bytes = (width * bits + 7) / 8;
    std::memcpy(out, in, bytes);
    if (layout_.bitsPerSample == 2) codaxe::widen_2_to_4_bits(out, width);
    if (layout_.invertBits) {
      for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(~out[i]);
      // The bits beyond the last pixel stay clear.
      if (width % 8) out[bytes - 1] &= static_cast<unsigned char>(0xFF << (8 - width % 8));
    }
  }
}

int TiffReader::Expand() {
  if (error_ != 0 || !tif_) return 0;
  try {
    scanline_.resize(scanlineBytes_);
    if (layout_.tiled) {
      band_.resize(bandRows_ * scanlineBytes_);
      tile_.resize(static_cast<std::size_t>(TIFFTileSize64(tif_)));
    }
  } catch (const std::bad_alloc&) {
    close_tiff();
    return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  }
  const std::uint32_t height = layout_.height;
  bool ok = true;
  if (layout_.separatePlanes) {
    // Plane by plane, so that compressed strips are each decoded once; colour planes go to their byte of
    // each blue-green-red pixel (RGB only: CMYK in planes is refused), an alpha plane is skipped.
    const unsigned planes = colour_samples(layout_.photometric);
    for (unsigned plane = 0; plane < planes && ok; ++plane) {
      for (std::uint32_t row = 0; row < height && ok; ++row) {
        ok = read_row(row, plane, scanline_.data());
        if (!ok) break;
        narrow_samples(scanline_.data(), layout_.width);
        unsigned char* out = image_ + std::size_t{height - 1 - row} * rowLength_;
        if (planes == 1) {
          std::memcpy(out, scanline_.data(), layout_.width);
        } else {
          for (std::size_t x = 0; x < layout_.width; ++x) out[3 * x + 2 - plane] = scanline_[x];
        }
      }
    }
  } else {
    // An extra sample after the colours is the alpha channel.
    const unsigned samples = layout_.samples;
    const bool alpha = !layout_.cmyk && samples == colour_samples(layout_.photometric) + 1;
    if (alpha) alpha_.resize(std::size_t{layout_.width} * height);
    const auto deliver = [&](std::uint32_t row, unsigned char* line) {
      narrow_samples(line, std::size_t{layout_.width} * samples);
      convert_row(line, image_ + std::size_t{height - 1 - row} * rowLength_);
      if (alpha) {
        unsigned char* a = alpha_.data() + std::size_t{height - 1 - row} * layout_.width;
        for (std::size_t x = 0; x < layout_.width; ++x) a[x] = line[x * samples + samples - 1];
      }
    };
    if (!lzw_strips_are_ours() || !read_lzw_strips(deliver)) {
      for (std::uint32_t row = 0; row < height && ok; ++row) {
        ok = read_row(row, 0, scanline_.data());
        if (ok) deliver(row, scanline_.data());
      }
    }
    keep_alpha_if_used();
  }
  scanline_ = {};
  band_ = {};
  tile_ = {};
  if (!ok) fail_tiff(codaxe::MSG_READ_DATA, CE_DATA);
  close_tiff();
  return ok ? 1 : 0;
}

int TiffReader::ReadDescription(char* text) {
  if (!text) return 0;
  int length = 0;
  char* description = nullptr;
  if (tif_ && TIFFGetField(tif_, TIFFTAG_IMAGEDESCRIPTION, &description) == 1 && description) {
    const std::size_t n = strnlen(description, Compand::kImageDescriptionSize - 1);
    std::memcpy(text, description, n);
    text[n] = '\0';
    length = static_cast<int>(n);
  }
  close_tiff();
  return length;
}

TiffWriter::TiffWriter(const std::string& path, unsigned short width, unsigned short height,
                       unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                       RGBCOLOR* palette)
    : TiffCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
}

int TiffWriter::SaveDescription(char* text) {
  description_ = text;
  return 1;
}

int TiffWriter::Compress(unsigned short, ImgType) {
  const unsigned bits = bitsPerPixel_;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || width_ == 0 || height_ == 0 || !sourcePixels_ ||
      (bits < 24 && !sourcePalette_)) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  const int fd = open_write_descriptor(codaxe::MSG_OPEN);
  if (fd < 0) return 0;
  if (!open_tiff("w", fd)) {
    finish_write(false);
    return 0;
  }
  const std::uint32_t rowLength =
      static_cast<std::uint32_t>(bits == 24 ? 3u * width_ : (width_ * bits + 7) / 8);
  bool ok = set_tags(rowLength) && write_rows(rowLength);
  if (ok) {
    TIFFFlushData(tif_);
    // The directory goes out here; TIFFClose would lose a failure to write it.
    ok = TIFFFlush(tif_) == 1 && !library_failed();
    if (!ok) fail_tiff(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  close_tiff();
  return finish_write(ok) ? 1 : 0;
}

bool TiffWriter::set_tags(std::uint32_t rowLength) {
  const unsigned bits = bitsPerPixel_;
  unsigned photometric = bits == 24 ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE;
  // Two colours other than black and white keep their colours in a map rather than turn black and white.
  if (bits == 1 && same(sourcePalette_[0], 0, 0, 0) && same(sourcePalette_[1], 255, 255, 255)) {
    photometric = PHOTOMETRIC_MINISBLACK;
  }
  const unsigned entries = std::min<unsigned>(bits == 1 ? 2 : colors_, 256);
  for (unsigned i = 0; i < 256; ++i) {
    const RGBCOLOR c = i < entries ? sourcePalette_[i] : RGBCOLOR{0, 0, 0};
    colorMap_[0][i] = static_cast<std::uint16_t>(c.red * 257);
    colorMap_[1][i] = static_cast<std::uint16_t>(c.green * 257);
    colorMap_[2][i] = static_cast<std::uint16_t>(c.blue * 257);
  }
  bool ok = TIFFSetField(tif_, TIFFTAG_IMAGEWIDTH, std::uint32_t{width_}) &&
            TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, std::uint32_t{height_}) &&
            TIFFSetField(tif_, TIFFTAG_BITSPERSAMPLE, bits == 24 ? 8 : bits) &&
            TIFFSetField(tif_, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tif_, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
            // Colour pixels as differences from their left neighbours, which LZW packs far tighter.
            TIFFSetField(tif_, TIFFTAG_PREDICTOR, bits == 24 ? PREDICTOR_HORIZONTAL : PREDICTOR_NONE) &&
            TIFFSetField(tif_, TIFFTAG_PHOTOMETRIC, photometric) &&
            TIFFSetField(tif_, TIFFTAG_IMAGEDESCRIPTION, description_ ? description_ : kDefaultDescription) &&
            TIFFSetField(tif_, TIFFTAG_SAMPLESPERPIXEL, bits == 24 ? 3 : 1) &&
            // Rows longer than 8 KB still need at least one to a strip.
            TIFFSetField(tif_, TIFFTAG_ROWSPERSTRIP, std::max<std::uint32_t>(1, 8192 / rowLength)) &&
            TIFFSetField(tif_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (ok && photometric == PHOTOMETRIC_PALETTE) {
    ok = TIFFSetField(tif_, TIFFTAG_COLORMAP, colorMap_[0], colorMap_[1], colorMap_[2]);
  }
  if (!ok) fail_tiff(codaxe::MSG_WRITE_HEADER, CE_WRITE);
  return ok;
}

// Strips through our own LZW encoder, a batch at a time shared among the workers, each strip written raw
// and in order.
bool TiffWriter::write_rows(std::uint32_t rowLength) {
  const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, 8192 / rowLength);
  const std::uint32_t strips = (height_ + rowsPerStrip - 1) / rowsPerStrip;
  const unsigned workers = codaxe::strip_workers();
  const auto batch =
      static_cast<std::uint32_t>(codaxe::strips_per_batch(std::size_t{rowsPerStrip} * rowLength, workers));
  std::vector<std::vector<unsigned char>> lines(workers);
  std::vector<codaxe::ScratchBuffer> coded;
  std::vector<std::size_t> codedSize(batch);
  std::vector<codaxe::TiffLzwEncoder> encoders;
  try {
    for (auto& buffer : lines) buffer.resize(std::size_t{rowsPerStrip} * rowLength);
    coded.resize(batch);
    encoders.resize(workers);
  } catch (const std::bad_alloc&) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    return false;
  }
  const std::size_t stride = dib_stride(width_, bitsPerPixel_);
  for (std::uint32_t s0 = 0; s0 < strips; s0 += batch) {
    const std::uint32_t count = std::min(batch, strips - s0);
    codaxe::for_each_strip(count, workers, [&](std::size_t i, unsigned worker) {
      const std::uint32_t first = (s0 + static_cast<std::uint32_t>(i)) * rowsPerStrip;
      const std::uint32_t rows = std::min<std::uint32_t>(rowsPerStrip, height_ - first);
      unsigned char* strip = lines[worker].data();
      for (std::uint32_t r = 0; r < rows; ++r) {
        const unsigned char* source = sourcePixels_ + (height_ - 1 - first - r) * stride;
        unsigned char* line = strip + std::size_t{r} * rowLength;
        if (bitsPerPixel_ == 24) {
          codaxe::swap_red_blue(source, line, width_);
          codaxe::subtract_left_neighbours(line, rowLength, 3);
        } else {
          std::memcpy(line, source, rowLength);
        }
      }
      codedSize[i] = encoders[worker].encode(strip, std::size_t{rows} * rowLength, coded[i]);
    });
    for (std::uint32_t i = 0; i < count; ++i) {
      if (codedSize[i] == 0) {
        fail(codaxe::MSG_MEMORY, CE_MEMORY);
        return false;
      }
      if (TIFFWriteRawStrip(tif_, s0 + i, coded[i].data(), static_cast<tmsize_t>(codedSize[i])) < 0) {
        fail_tiff(codaxe::MSG_WRITE_DATA, CE_WRITE);
        return false;
      }
    }
  }
  return true;
}
