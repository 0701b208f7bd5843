// Reads each input as a bitmap file through Compand, as a user opening a downloaded file would, and checks
// that whatever is delivered is a raw image its callers can walk without reading past its end.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/silent_message_box.h"
#include "imgfile/codaxe.h"

namespace {

std::string g_path;
std::FILE* g_sink = nullptr;

// tmpfs keeps the per-input write cheap; the pid keeps parallel jobs apart.
std::string pick_path() {
  std::string dir = "/dev/shm";
  if (::access(dir.c_str(), W_OK) != 0) {
    const char* tmp = std::getenv("TMPDIR");
    dir = tmp && *tmp ? tmp : "/tmp";
  }
  return dir + "/codaxe_fuzz_" + std::to_string(::getpid()) + ".bmp";
}

void remove_input() {
  std::remove(g_path.c_str());
}

bool write_input(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A run-length file of a few hundred bytes may declare 64 MB of pixels, which the reader accepts on purpose;
// expanding that under the sanitizers outlasts the per-input timeout and, after the first time, teaches
// nothing new (fuzz/findings/bmp_reader-timeout-rle4-13323x9216.bmp is such a file).
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

bool deliverable_depth(unsigned bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Touches every byte the raw image layout promises, so that a short pixel or palette block shows up under
// AddressSanitizer here rather than in some later filter.
void walk_image(const Compand& c) {
  const unsigned bits = c.GetBitsPerPixel();
  if (c.GetWidth() == 0 || c.GetHeight() == 0 || !deliverable_depth(bits) || !c.GetDataPtr())
    __builtin_trap();
  const std::uint64_t bytes = dib_stride(c.GetWidth(), bits) * c.GetHeight();
  const unsigned char* pixels = c.GetDataPtr();
  unsigned sum = 0;
  for (std::uint64_t i = 0; i < bytes; ++i) sum += pixels[i];
  if (const RGBCOLOR* palette = c.GetPalettePtr()) {
    for (int i = 0; i < 256; ++i) sum += palette[i].red + palette[i].green + palette[i].blue;
  }
  if (bits <= 8 && c.GetColors() > (1u << bits)) __builtin_trap();
  volatile unsigned keep = sum;
  (void)keep;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::install_silent_message_box();
  g_path = pick_path();
  g_sink = std::fopen("/dev/null", "w");
  std::atexit(remove_input);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (huge_run_length(data, size) || !write_input(data, size)) return 0;
  Compand c;
  Compand::SetErrorMessageOutputStream(g_sink);
  if (c.InitExpander(g_path.c_str()) && c.DoExpansion()) walk_image(c);
  c.DisposeOfImage();
  return 0;
}
