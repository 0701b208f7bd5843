#include "imgfile/jpeg_codec.h"

#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>

#include <algorithm>
#include <new>

#include "imgfile/raw_rows.h"

namespace {

// A progressive file may repeat scans without end, each one a pass over every block of the picture; real
// encoders use a dozen at most.
constexpr int kMaxScans = 100;
// Even a uniform picture costs libjpeg a few bits per 8x8 block and channel.
constexpr std::uint64_t kMaxExpansion = 1024;

// The tables libjpeg scales by quality (its jcparam.c), in natural order.
constexpr unsigned kBaseTables[2][DCTSIZE2] = {
    {16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
     69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
     81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99},
    {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
     99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99},
};

// The quality whose scaled standard tables come closest to the file's. Files from libjpeg and most
// cameras and editors scale those tables, and then the match is exact; others get the nearest quality.
int estimate_quality(const j_decompress_ptr cinfo) {
  const JQUANT_TBL* tables[2] = {cinfo->quant_tbl_ptrs[0], cinfo->quant_tbl_ptrs[1]};
  if (!tables[0]) return 0;
  int best = 0;
  std::uint64_t bestError = UINT64_MAX;
  for (int quality = 1; quality <= 100; ++quality) {
    const unsigned scale = quality < 50 ? 5000u / quality : 200u - 2u * quality;
    std::uint64_t error = 0;
    for (int t = 0; t < 2; ++t) {
      if (!tables[t]) continue;
      for (int i = 0; i < DCTSIZE2; ++i) {
        const unsigned scaled = std::clamp((kBaseTables[t][i] * scale + 50) / 100, 1u, 255u);
        const unsigned actual = tables[t]->quantval[i];
        error += actual > scaled ? actual - scaled : scaled - actual;
      }
    }
    // Ties go to the higher quality: its tables are the same, and nothing is lost by the choice.
    if (error <= bestError) {
      bestError = error;
      best = quality;
    }
  }
  return best;
}

}  // namespace

JpegCodec::JpegCodec(const std::string& path) : ImageCodec(path) {}

jpeg_error_mgr* JpegCodec::error_manager() {
  jpeg_std_error(&errors_.pub);
  errors_.pub.error_exit = error_exit;
  errors_.pub.emit_message = emit_message;
  errors_.pub.output_message = output_message;
  errors_.codec = this;
  return &errors_.pub;
}

void JpegCodec::error_exit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void JpegCodec::emit_message(j_common_ptr cinfo, int level) {
  if (level != -1) return;
  // At the end of the data libjpeg pads the rest of the picture with grey and carries on.
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) error_exit(cinfo);
  ++cinfo->err->num_warnings;
}

void JpegCodec::output_message(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  reinterpret_cast<ErrorManager*>(cinfo->err)->codec->ReportText(text);
}

void JpegCodec::watch_scans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans) return;
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  errors->codec->ReportError(codaxe::MSG_READ_DATA);
  std::longjmp(errors->jump, 1);
}

JpegReader::JpegReader(const std::string& path) : JpegCodec(path) {
  const int fd = open_read_descriptor();
  if (fd < 0) return;
  file_ = ::fdopen(fd, "rb");
  struct stat st;
  if (!file_ || ::fstat(fd, &st) != 0) {
    // Closing the stream closes the descriptor with it.
    if (file_) {
      std::fclose(file_);
    } else {
      ::close(fd);
    }
    file_ = nullptr;
    fail(codaxe::MSG_OPEN, CE_OPEN_READ);
    return;
  }
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  set_up();
}

JpegReader::~JpegReader() {
  abandon();
}

void JpegReader::abandon() {
  if (created_) jpeg_destroy_decompress(&cinfo_);
  created_ = false;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  ready_ = false;
}

void JpegReader::set_up() {
  cinfo_.err = error_manager();
  if (setjmp(errors_.jump)) {
    if (error_ == 0) error_ = CE_HEADER;
    abandon();
    return;
  }
  jpeg_create_decompress(&cinfo_);
  created_ = true;
  progress_.progress_monitor = watch_scans;
  cinfo_.progress = &progress_;
  jpeg_stdio_src(&cinfo_, file_);
  jpeg_read_header(&cinfo_, TRUE);
  sourceQuality_ = estimate_quality(&cinfo_);
  jpeg_calc_output_dimensions(&cinfo_);
  if (cinfo_.jpeg_color_space == JCS_GRAYSCALE) {
    cinfo_.out_color_space = JCS_GRAYSCALE;
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<unsigned char>(i);
      palette_[i] = RGBCOLOR{v, v, v};
    }
  } else {
    // libjpeg turns YCCK into CMYK but neither into RGB.
    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_RGB;
    fill_default_palette();
  }
  cinfo_.quantize_colors = FALSE;
  jpeg_calc_output_dimensions(&cinfo_);

  const int components = cinfo_.output_components;
  if (components != (cmyk_ ? 4 : 1) && components != 3) {
    fail(codaxe::MSG_UNSUPPORTED, CE_HEADER);
    abandon();
    return;
  }
  const unsigned short bits = components == 1 ? 8 : 24;
  const std::uint64_t width = cinfo_.output_width;
  const std::uint64_t height = cinfo_.output_height;
  rowLength_ = static_cast<std::uint32_t>((bits / 8 * width + 3) / 4 * 4);
  if (!believable_size(rowLength_ * height, fileSize_, kMaxExpansion)) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    abandon();
    return;
  }
  if (cmyk_) {
    cmykRow_.reset(new (std::nothrow) unsigned char[4 * width]);
    if (!cmykRow_) {
      fail(codaxe::MSG_MEMORY, CE_MEMORY);
      abandon();
      return;
    }
  }
  if (!AllocateImage(rowLength_, height)) {
    abandon();
    return;
  }
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height), bits,
                  bits == 8 ? 256 : 0);
  imageSize_ = static_cast<std::uint32_t>(rowLength_ * height);
  ready_ = true;
}

int JpegReader::Expand() {
  if (!ready_) return 0;
  if (setjmp(errors_.jump)) {
    if (error_ == 0) error_ = CE_DATA;
    abandon();
    return 0;
  }
  jpeg_start_decompress(&cinfo_);
  while (cinfo_.output_scanline < cinfo_.output_height) {
    unsigned char* row = image_ + static_cast<std::size_t>(height_ - 1 - cinfo_.output_scanline) * rowLength_;
    JSAMPROW target = cmyk_ ? cmykRow_.get() : row;
    if (jpeg_read_scanlines(&cinfo_, &target, 1) != 1) {
      fail(codaxe::MSG_READ_DATA, CE_DATA);
      abandon();
      return 0;
    }
    if (cmyk_) {
      codaxe::cmyk_row_to_bgr(target, row, width_, cinfo_.saw_Adobe_marker);
    } else if (bitsPerPixel_ == 24) {
      codaxe::swap_red_blue(row, row, width_);
    }
  }
  jpeg_finish_decompress(&cinfo_);
  abandon();
  return 1;
}

JpegWriter::JpegWriter(const std::string& path, unsigned short width, unsigned short height,
                       unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                       RGBCOLOR* palette)
    : JpegCodec(path), sourcePixels_(pixels), sourcePalette_(palette) {
  set_description(width, height, bitsPerPixel, colors);
}

int JpegWriter::Compress(unsigned short quality, ImgType) {
  const unsigned bits = bitsPerPixel_;
  if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || width_ == 0 || height_ == 0 || !sourcePixels_ ||
      (bits < 24 && !sourcePalette_)) {
    return fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  }
  const std::size_t stride = dib_stride(width_, 24);
  const unsigned char* pixels = sourcePixels_;
  try {
    row_.resize(stride);
    if (bits < 24) {
      // Lossy compression works on colours, not indices.
      expanded_.resize(stride * height_);
      const std::size_t sourceStride = dib_stride(width_, bits);
      for (std::size_t y = 0; y < height_; ++y) {
        codaxe::palette_row_to_bgr(sourcePixels_ + y * sourceStride, width_, bits, sourcePalette_,
                                   &expanded_[y * stride]);
      }
      pixels = expanded_.data();
      set_description(width_, height_, 24, 0);
    }
  } catch (const std::bad_alloc&) {
    return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  }
  const bool ok = write_file(pixels, quality);
  expanded_ = {};
  return ok ? 1 : 0;
}

bool JpegWriter::write_file(const unsigned char* pixels, unsigned short quality) {
  cinfo_.err = error_manager();
  if (setjmp(errors_.jump)) {
    jpeg_destroy_compress(&cinfo_);
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    if (error_ == 0) error_ = CE_WRITE;
    finish_write(false);
    return false;
  }
  jpeg_create_compress(&cinfo_);
  stream_ = open_write_stream(codaxe::MSG_CLOSE);
  if (!stream_) {
    jpeg_destroy_compress(&cinfo_);
    return false;
  }
  jpeg_stdio_dest(&cinfo_, stream_);
  cinfo_.image_width = width_;
  cinfo_.image_height = height_;
  cinfo_.input_components = 3;
  cinfo_.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo_);
  jpeg_set_quality(&cinfo_, quality, TRUE);
  jpeg_start_compress(&cinfo_, TRUE);
  const std::size_t stride = dib_stride(width_, 24);
  while (cinfo_.next_scanline < cinfo_.image_height) {
    codaxe::swap_red_blue(pixels + (height_ - 1 - cinfo_.next_scanline) * stride, row_.data(), width_);
    JSAMPROW row = row_.data();
    jpeg_write_scanlines(&cinfo_, &row, 1);
  }
  jpeg_finish_compress(&cinfo_);
  // libjpeg flushed and checked the stream; only closing it is left to fail.
  const bool ok = std::fclose(stream_) == 0;
  stream_ = nullptr;
  jpeg_destroy_compress(&cinfo_);
  if (!ok) fail(codaxe::MSG_WRITE_DATA, CE_WRITE);
  return finish_write(ok);
}
