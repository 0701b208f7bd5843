// Reads each input as a bitmap file through Compand.
#include <cstdlib>

#include "fuzz/reader_harness.h"

namespace {

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A run-length file of a few hundred bytes may declare up to 16 MB of pixels, which the reader accepts on
// purpose; expanding that under the sanitizers outlasts the per-input timeout and, after the first time,
// teaches nothing new (fuzz/findings/bmp_reader-timeout-rle4-13323x9216.bmp is such a file).
bool huge_run_length(const std::uint8_t* data, std::size_t size) {
  constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;
  const std::size_t at = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
  // Headers shorter than 20 bytes have no compression field.
  if (size < at + 20 || le32(data + at) < 20) return false;
  const std::uint32_t compression = le32(data + at + 16);
  if (compression != BI_RLE8 && compression != BI_RLE4) return false;
  const std::int64_t width = static_cast<std::int32_t>(le32(data + at + 4));
  const std::int64_t height = static_cast<std::int32_t>(le32(data + at + 8));
  return std::abs(width) * std::abs(height) > kMaxPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".bmp");
  if (!huge_run_length(data, size)) harness.read(data, size);
  return 0;
}
