// What every reader target does with an input: write it to a file under the format's extension, read it
// through Compand as a user opening a downloaded file would, and check that whatever is delivered is a raw
// image its callers can walk without reading past its end.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/silent_message_box.h"
#include "imgfile/codaxe.h"

namespace fuzzing {

class ReaderHarness {
 public:
  // `extension` with its dot, such as ".bmp".
  explicit ReaderHarness(const char* extension) : path_(pick_path(extension)) {
    install_silent_message_box();
    sink_ = std::fopen("/dev/null", "w");
  }
  ~ReaderHarness() { std::remove(path_.c_str()); }

  void read(const std::uint8_t* data, std::size_t size) {
    if (!write_input(data, size)) return;
    Compand c;
    Compand::SetErrorMessageOutputStream(sink_);
    if (c.InitExpander(path_.c_str()) && c.DoExpansion()) walk_image(c);
    c.DisposeOfImage();
  }

 private:
  // tmpfs keeps the per-input write cheap; the pid keeps parallel jobs apart.
  static std::string pick_path(const char* extension) {
    std::string dir = "/dev/shm";
    if (::access(dir.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      dir = tmp && *tmp ? tmp : "/tmp";
    }
    return dir + "/codaxe_fuzz_" + std::to_string(::getpid()) + extension;
  }

  bool write_input(const std::uint8_t* data, std::size_t size) const {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
  }

  static bool deliverable_depth(unsigned bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

  // Touches every byte the raw image layout promises, so that a short pixel or palette block shows up under
  // AddressSanitizer here rather than in some later filter.
  static void walk_image(const Compand& c) {
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

  std::string path_;
  std::FILE* sink_ = nullptr;
};

}  // namespace fuzzing
