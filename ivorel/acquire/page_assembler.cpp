#include "ivorel/acquire/page_assembler.h"

#include <algorithm>
#include <cstring>

#include "platform/core/dib_types.h"

namespace scan {

namespace {

bool single_colour(SANE_Frame f) {
  return f == SANE_FRAME_RED || f == SANE_FRAME_GREEN || f == SANE_FRAME_BLUE;
}

// Sample `i` of a row of one channel, as 8 bits. Line art marks black with 1.
unsigned sample(const unsigned char* row, int i, int depth) {
  switch (depth) {
    case 1:
      return (row[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255;
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * static_cast<std::size_t>(i), 2);  // the host's byte order, as SANE sends it
      return v >> 8;
    }
    default:
      return row[i];
  }
}

}  // namespace

bool PageAssembler::begin_frame(const SANE_Parameters& p, std::string& error) {
  if (complete_) {
    error = "The scanner sent a frame after the last one.";
    return false;
  }
  // The kind is read as a number first: a device may send a value no enumerator names.
  int kind;
  std::memcpy(&kind, &p.format, sizeof kind);
  const bool grey = kind == SANE_FRAME_GRAY, rgb = kind == SANE_FRAME_RGB;
  if (!grey && !rgb && kind != SANE_FRAME_RED && kind != SANE_FRAME_GREEN && kind != SANE_FRAME_BLUE) {
    error = "The scanner sends a kind of picture this program does not read.";
    return false;
  }
  if (p.depth != 1 && p.depth != 8 && p.depth != 16) {
    error = "The scanner sends " + std::to_string(p.depth) + "-bit samples; only 1, 8 and 16 are read.";
    return false;
  }
  const long long channels = rgb ? 3 : 1;
  const long long needed = (static_cast<long long>(p.pixels_per_line) * channels * p.depth + 7) / 8;
  if (p.pixels_per_line <= 0 || p.pixels_per_line > kMaxSide || p.bytes_per_line < needed ||
      p.lines > kMaxSide || p.lines == 0 || p.lines < -1) {
    error = "The scanner announced a page of a size this program cannot hold.";
    return false;
  }
  if (!planes_.empty()) {
    // The later passes of a three-pass scan must match the first and bring a colour not seen yet.
    const bool fits =
        single_colour(p.format) && single_colour(planes_.front().kind) &&
        p.pixels_per_line == frame_.pixels_per_line && p.depth == frame_.depth && p.lines == frame_.lines &&
        p.bytes_per_line == frame_.bytes_per_line &&
        std::none_of(planes_.begin(), planes_.end(), [&](const Plane& q) { return q.kind == p.format; });
    if (!fits) {
      error = "The scanner's colour passes do not fit together.";
      return false;
    }
  }
  frame_ = p;
  planes_.push_back({p.format, {}});
  if (p.lines > 0) planes_.back().bytes.reserve(static_cast<std::size_t>(p.bytes_per_line) * p.lines);
  return true;
}

bool PageAssembler::add(const unsigned char* data, std::size_t length, std::string& error) {
  if (planes_.empty()) {
    error = "The scanner sent data before announcing a frame.";
    return false;
  }
  std::vector<unsigned char>& bytes = planes_.back().bytes;
  const std::size_t limit = static_cast<std::size_t>(frame_.bytes_per_line) *
                            static_cast<std::size_t>(frame_.lines > 0 ? frame_.lines : kMaxSide);
  // Bytes past the announced page are dropped; a page of unknown length ends at the largest height.
  const std::size_t take = std::min(length, limit - std::min(limit, bytes.size()));
  bytes.insert(bytes.end(), data, data + take);
  return true;
}

void PageAssembler::end_frame() {
  if (frame_.last_frame || planes_.size() == 3) complete_ = true;
}

int PageAssembler::lines_done() const {
  if (planes_.empty() || frame_.bytes_per_line <= 0) return 0;
  return static_cast<int>(planes_.back().bytes.size() / static_cast<std::size_t>(frame_.bytes_per_line));
}

int PageAssembler::complete_lines() const {
  int lines = kMaxSide;
  for (const Plane& plane : planes_)
    lines = std::min<long long>(lines, plane.bytes.size() / static_cast<std::size_t>(frame_.bytes_per_line));
  return lines;
}

HGLOBAL PageAssembler::finish(std::string& error) const {
  if (planes_.empty() || (single_colour(planes_.front().kind) && planes_.size() != 3)) {
    error = "The scanner did not send a whole page.";
    return nullptr;
  }
  const int w = width(), h = complete_lines();
  if (h <= 0) {
    error = "The scanner sent no picture.";
    return nullptr;
  }
  const bool grey = planes_.front().kind == SANE_FRAME_GRAY;
  const int bits = grey ? (frame_.depth == 1 ? 1 : 8) : 24;
  const int colours = bits == 24 ? 0 : 1 << bits;
  const std::size_t stride = dib_stride(w, bits);
  const std::size_t header = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
  pcore::OwnedBlock block(GlobalAlloc(header + stride * h));
  pcore::BlockLock lock(block.get());
  if (!lock.data()) {
    error = "There is not enough memory for the scanned page.";
    return nullptr;
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = static_cast<std::uint16_t>(bits);
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<std::uint32_t>(stride * h);
  info.biXPelsPerMeter = info.biYPelsPerMeter = (dpi_ * 10000 + 127) / 254;
  info.biClrUsed = info.biClrImportant = static_cast<std::uint32_t>(colours);
  std::memcpy(lock.data(), &info, sizeof info);
  RGBQUAD* table = reinterpret_cast<RGBQUAD*>(lock.data() + sizeof info);
  for (int i = 0; i < colours; ++i) {
    const auto level = static_cast<std::uint8_t>(colours == 2 ? i * 255 : i);
    table[i] = {level, level, level, 0};
  }

  const std::size_t in_stride = static_cast<std::size_t>(frame_.bytes_per_line);
  for (int y = 0; y < h; ++y) {
    unsigned char* out = lock.data() + header + stride * static_cast<std::size_t>(h - 1 - y);
    if (bits == 1) {
      // Line art keeps its bits, turned so that 0 is black as in the DIB's colour table.
      const unsigned char* in = planes_[0].bytes.data() + in_stride * y;
      for (std::size_t i = 0; i < static_cast<std::size_t>((w + 7) / 8); ++i)
        out[i] = static_cast<unsigned char>(~in[i]);
      if (w % 8) out[w / 8] &= static_cast<unsigned char>(0xFF00 >> (w % 8));
    } else if (bits == 8) {
      const unsigned char* in = planes_[0].bytes.data() + in_stride * y;
      for (int x = 0; x < w; ++x) out[x] = static_cast<unsigned char>(sample(in, x, frame_.depth));
    } else if (planes_.size() == 1) {
      // One frame of interleaved red, green, blue samples.
      const unsigned char* in = planes_[0].bytes.data() + in_stride * y;
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c)
          out[3 * x + 2 - c] = static_cast<unsigned char>(sample(in, 3 * x + c, frame_.depth));
    } else {
      for (const Plane& plane : planes_) {
        const int offset = plane.kind == SANE_FRAME_BLUE ? 0 : plane.kind == SANE_FRAME_GREEN ? 1 : 2;
        const unsigned char* in = plane.bytes.data() + in_stride * y;
        for (int x = 0; x < w; ++x)
          out[3 * x + offset] = static_cast<unsigned char>(sample(in, x, frame_.depth));
      }
    }
  }
  return block.release();
}

}  // namespace scan
