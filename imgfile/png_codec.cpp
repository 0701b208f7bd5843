#include "imgfile/png_codec.h"

#include <png.h>

#include <algorithm>
#include <new>
#include <vector>

#include "imgfile/png_fast.h"
#include "imgfile/raw_rows.h"

namespace {

// Deflate gives back at most 1032 bytes for one; 2-bit pixels double in size on the way out.
constexpr std::uint64_t kMaxExpansion = 2 * 1032;
// Five bytes each: the name and a terminating zero.
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";

}  // namespace

struct PngCodec::Callbacks {
  static PngCodec* codec(png_structp png) { return static_cast<PngCodec*>(png_get_io_ptr(png)); }

  static void read(png_structp png, png_bytep data, png_size_t length) {
    // The codec has reported the short read; libpng only needs to stop.
    if (!codec(png)->read_bytes(data, length)) png_error(png, "read failed");
  }
  static void write(png_structp png, png_bytep data, png_size_t length) {
    if (!codec(png)->write_bytes(data, length)) png_error(png, "write failed");
  }
  static void flush(png_structp) {}

  // libpng's own complaints (bad CRC, bad chunk, broken compressed data) are the message of the failure,
  // unless the codec's file access failed first and has said so.
  [[noreturn]] static void error(png_structp png, png_const_charp text) {
    auto* self = static_cast<PngCodec*>(png_get_error_ptr(png));
    if (self->error_ == 0) {
      self->ReportText(text);
      self->error_ = self->mode_ == Mode::Writing ? CE_WRITE : self->pastHeader_ ? CE_DATA : CE_HEADER;
    }
    png_longjmp(png, 1);
  }
  static void warning(png_structp, png_const_charp) {}
};

PngCodec::PngCodec(const std::string& path) : ImageCodec(path) {}

PngCodec::PngCodec(const std::string& path, unsigned short width, unsigned short height,
                   unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                   RGBCOLOR* palette)
    : ImageCodec(path), sourcePixels_(pixels), sourcePalette_(palette), mode_(Mode::Writing) {
  set_description(width, height, bitsPerPixel, colors);
}

int PngCodec::Expand() {
  if (!open_read()) return 0;
  unsigned char signature[8];
  if (file_size() < sizeof signature || !read_bytes(signature, sizeof signature) ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    close_file();
    return error_ ? 0 : fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  }
  bool ok = decode_fast();
  if (!ok && error_ == 0 && seek(sizeof signature)) ok = decode();
  close_file();
  return ok ? 1 : 0;
}

bool PngCodec::decode_fast() {
  codaxe::png::Decoded info;
  codaxe::png::ImageData data;
  const codaxe::png::Source source{
      [this](unsigned char* p, std::size_t n) { return read_some(p, n) == n; },
      [this](std::uint64_t n) { return tell() + n <= file_size() && seek(tell() + n); }};
  if (!codaxe::png::read_image_data(source, file_size(), info, data)) return false;
  const std::uint64_t stride = dib_stride(info.width, info.bits);
  if (!believable_size(stride * info.height, file_size(), kMaxExpansion)) return false;
  if (!AllocateImage(stride, info.height)) return false;
  if (!codaxe::png::decode(data, info, image_)) {
    dispose_image();
    return false;
  }
  if (info.bits == 24) {
    fill_default_palette();
  } else {
    std::copy(info.palette, info.palette + info.colors, palette_);
  }
  set_description(static_cast<unsigned short>(info.width), static_cast<unsigned short>(info.height),
                  static_cast<unsigned short>(info.bits), static_cast<unsigned short>(info.colors));
  imageSize_ = static_cast<std::uint32_t>(stride * info.height);
  return true;
}

bool PngCodec::decode() {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, Callbacks::error, Callbacks::warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, this, Callbacks::read);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, 65535, 65535);
  // No ancillary chunk changes what we deliver, and libpng reads a text or profile chunk whole, whatever
  // length it claims (up to 2 GB): all of them are skipped unread.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                              static_cast<int>(sizeof kIgnoredChunks / 5));
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  png_set_strip_16(png);
  // An alpha channel is read with the colours, four bytes a pixel, and split off into the transparency.
  const bool alphaChannel = (type & PNG_COLOR_MASK_ALPHA) != 0;
  unsigned short bits = 24;
  unsigned colors = 0;
  // A palette image's transparency is a table of one alpha value per entry.
  png_bytep entryAlpha = nullptr;
  int entryAlphaCount = 0;
  if (type == PNG_COLOR_TYPE_PALETTE) {
    bits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    colors = std::min<unsigned>(static_cast<unsigned>(count), 1u << depth);
    for (unsigned i = 0; i < colors; ++i)
      palette_[i] = RGBCOLOR{entries[i].red, entries[i].green, entries[i].blue};
    if (png_get_valid(png, info, PNG_INFO_tRNS))
      png_get_tRNS(png, info, &entryAlpha, &entryAlphaCount, nullptr);
  } else if ((type & PNG_COLOR_MASK_COLOR) == 0) {
    const int greyDepth = std::min(depth, 8);
    bits = greyDepth == 1 ? 1 : greyDepth <= 4 ? 4 : 8;
    colors = 1u << greyDepth;
    for (unsigned i = 0; i < colors; ++i) {
      const auto v = static_cast<unsigned char>(i * 255 / (colors - 1));
      palette_[i] = RGBCOLOR{v, v, v};
    }
  } else {
    png_set_bgr(png);
    fill_default_palette();
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const std::uint64_t stride = dib_stride(width, bits);
  // With an alpha channel: grey or blue-green-red, then alpha.
  const unsigned channels = (type & PNG_COLOR_MASK_COLOR) ? 4 : 2;
  const std::uint64_t readStride = alphaChannel ? channels * std::uint64_t{width} : stride;
  if (png_get_rowbytes(png, info) > readStride) png_error(png, "unexpected row size");
  if (!believable_size(readStride * height, file_size(), kMaxExpansion)) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    png_longjmp(png, 1);
  }
  if (!AllocateImage(stride, height)) png_longjmp(png, 1);
  pastHeader_ = true;
  rows_.resize(height);
  if (alphaChannel) {
    withAlpha_.resize(readStride * height);
    alpha_.resize(std::uint64_t{width} * height);
    for (png_uint_32 y = 0; y < height; ++y) rows_[y] = withAlpha_.data() + (height - 1 - y) * readStride;
  } else {
    for (png_uint_32 y = 0; y < height; ++y) rows_[y] = image_ + (height - 1 - y) * stride;
  }
  png_read_image(png, rows_.data());
  if (depth == 2) {
    for (unsigned char* row : rows_) codaxe::widen_2_to_4_bits(row, width);
  }
  if (alphaChannel) {
    for (std::uint64_t y = 0; y < height; ++y) {
      const unsigned char* in = withAlpha_.data() + y * readStride;
      unsigned char* out = image_ + y * stride;
      unsigned char* a = alpha_.data() + y * width;
      for (std::uint64_t x = 0; x < width; ++x, in += channels) {
        std::copy(in, in + channels - 1, out + (channels - 1) * x);
        a[x] = in[channels - 1];
      }
    }
    withAlpha_ = {};
  } else if (entryAlpha && entryAlphaCount > 0) {
    alpha_.resize(std::uint64_t{width} * height);
    for (std::uint64_t y = 0; y < height; ++y) {
      for (std::uint64_t x = 0; x < width; ++x) {
        const unsigned index = codaxe::pixel_index(image_ + y * stride, x, bits);
        alpha_[y * width + x] = index < static_cast<unsigned>(entryAlphaCount) ? entryAlpha[index] : 255;
      }
    }
  }
  keep_alpha_if_used();
  rows_ = {};
  png_destroy_read_struct(&png, &info, nullptr);
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height), bits,
                  static_cast<unsigned short>(colors));
  imageSize_ = static_cast<std::uint32_t>(stride * height);
  return true;
}

unsigned PngCodec::palette_entries() const {
  const unsigned most = 1u << bitsPerPixel_;
  unsigned entries = std::min<unsigned>(colors_, most);
  if (entries == most) return entries;
  const std::size_t stride = dib_stride(width_, bitsPerPixel_);
  for (std::size_t y = 0; y < height_; ++y) {
    for (std::size_t x = 0; x < width_; ++x) {
      entries = std::max(entries, codaxe::pixel_index(sourcePixels_ + y * stride, x, bitsPerPixel_) + 1);
    }
  }
  return entries;
}

int PngCodec::Compress(unsigned short, ImgType) {
  const unsigned bits = bitsPerPixel_;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || width_ == 0 || height_ == 0 || !sourcePixels_ ||
      (bits < 24 && !sourcePalette_)) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  // Transparency goes through libpng as an alpha channel; the opaque images, nearly all, take the fast way.
  if (writeAlpha_ && !std::all_of(writeAlpha_, writeAlpha_ + std::size_t{width_} * height_,
                                  [](unsigned char a) { return a == 255; })) {
    if (!open_write()) return 0;
    const bool ok = encode();
    return close_file() && ok ? 1 : 0;
  }
  const unsigned entries = bits == 24 ? 0 : palette_entries();
  if (!open_write()) return 0;
  const codaxe::png::EncodeResult result =
      codaxe::png::encode(sourcePixels_, width_, height_, bits, sourcePalette_, entries,
                          [this](const unsigned char* data, std::size_t n) { return write_bytes(data, n); });
  // A failed write has been reported by the file access; running out of memory is ours to tell.
  if (result == codaxe::png::EncodeResult::NoMemory) fail(codaxe::MSG_MEMORY, CE_MEMORY);
  return close_file() && result == codaxe::png::EncodeResult::Done ? 1 : 0;
}

bool PngCodec::encode() {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, this, Callbacks::error, Callbacks::warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  }
  const std::size_t stride = dib_stride(width_, bitsPerPixel_);
  // Transparency is written as an alpha channel beside the colours; an opaque image stays as it was.
  const bool withAlpha = writeAlpha_ && !std::all_of(writeAlpha_, writeAlpha_ + std::size_t{width_} * height_,
                                                     [](unsigned char a) { return a == 255; });
  rows_.resize(height_);
  if (withAlpha) {
    const std::size_t rgbaStride = 4 * std::size_t{width_};
    withAlpha_.resize(rgbaStride * height_);
    for (std::size_t y = 0; y < height_; ++y) {
      const unsigned char* in = sourcePixels_ + y * stride;
      const unsigned char* a = writeAlpha_ + y * width_;
      unsigned char* out = withAlpha_.data() + y * rgbaStride;
      for (std::size_t x = 0; x < width_; ++x, out += 4) {
        if (bitsPerPixel_ == 24) {
          out[0] = in[3 * x + 2];
          out[1] = in[3 * x + 1];
          out[2] = in[3 * x];
        } else {
          const RGBCOLOR& c = sourcePalette_[codaxe::pixel_index(in, x, bitsPerPixel_)];
          out[0] = c.red;
          out[1] = c.green;
          out[2] = c.blue;
        }
        out[3] = a[x];
      }
      rows_[height_ - 1 - y] = withAlpha_.data() + y * rgbaStride;
    }
  } else {
    for (std::size_t y = 0; y < height_; ++y) rows_[y] = sourcePixels_ + (height_ - 1 - y) * stride;
  }
  png_color entries[256];
  const unsigned count = bitsPerPixel_ == 24 || withAlpha ? 0 : palette_entries();
  for (unsigned i = 0; i < count; ++i) {
    entries[i] = png_color{sourcePalette_[i].red, sourcePalette_[i].green, sourcePalette_[i].blue};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    withAlpha_ = {};
    return false;
  }
  png_set_write_fn(png, this, Callbacks::write, Callbacks::flush);
  if (withAlpha) {
    png_set_IHDR(png, info, width_, height_, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  } else if (bitsPerPixel_ == 24) {
    png_set_IHDR(png, info, width_, height_, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  } else {
    png_set_IHDR(png, info, width_, height_, bitsPerPixel_, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, entries, static_cast<int>(count));
  }
  png_write_info(png, info);
  if (bitsPerPixel_ == 24 && !withAlpha) png_set_bgr(png);
  png_write_image(png, rows_.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  withAlpha_ = {};
  return true;
}
