// What every file-reader fuzz target needs: the input as a file the reader can open, and a walk over each
// image delivered, so that a block shorter than its header says shows up under AddressSanitizer here.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imgfile/codaxe.h"

namespace fuzzing {

// A file on tmpfs named with the pid (parallel jobs stay apart) and the reader's extension, removed at exit.
class InputFile {
 public:
  explicit InputFile(const char* extension) {
    std::string dir = "/dev/shm";
    if (::access(dir.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      dir = tmp && *tmp ? tmp : "/tmp";
    }
    path_ = dir + "/codaxe_fuzz_" + std::to_string(::getpid()) + extension;
  }
  ~InputFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }
  bool write(const std::uint8_t* data, std::size_t size) const {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
  }

 private:
  std::string path_;
};

inline bool deliverable_depth(unsigned bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Touches every byte the raw image layout promises and traps on a broken promise.
inline void walk_raw_image(unsigned width, unsigned height, unsigned bits, unsigned colors,
                           const unsigned char* pixels, const RGBCOLOR* palette) {
  if (width == 0 || height == 0 || !deliverable_depth(bits) || !pixels) __builtin_trap();
  const std::uint64_t bytes = dib_stride(width, bits) * height;
  unsigned sum = 0;
  for (std::uint64_t i = 0; i < bytes; ++i) sum += pixels[i];
  if (palette) {
    for (int i = 0; i < 256; ++i) sum += palette[i].red + palette[i].green + palette[i].blue;
  }
  if (bits <= 8 && colors > (1u << bits)) __builtin_trap();
  volatile unsigned keep = sum;
  (void)keep;
}

inline void walk_image(const Compand& c) {
  walk_raw_image(c.GetWidth(), c.GetHeight(), c.GetBitsPerPixel(), c.GetColors(), c.GetDataPtr(),
                 c.GetPalettePtr());
}

}  // namespace fuzzing
