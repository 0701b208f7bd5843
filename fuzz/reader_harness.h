// What a plain reader's fuzz target does: writes the input to a file of the reader's type, reads it through
// Compand as a user opening a downloaded file would, and walks whatever is delivered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/reader_input.h"
#include "fuzz/silent_message_box.h"

namespace fuzzing {

class ReaderHarness {
 public:
  // `extension` picks the reader, as in ".bmp".
  explicit ReaderHarness(const char* extension) : input_(extension) {
    install_silent_message_box();
    sink_ = std::fopen("/dev/null", "w");
  }
  ~ReaderHarness() {
    if (sink_) std::fclose(sink_);
  }

  void read(const std::uint8_t* data, std::size_t size) {
    if (!input_.write(data, size)) return;
    Compand c;
    Compand::SetErrorMessageOutputStream(sink_);
    if (c.InitExpander(input_.path()) && c.DoExpansion()) walk_image(c);
    c.DisposeOfImage();
  }

 private:
  InputFile input_;
  std::FILE* sink_ = nullptr;
};

}  // namespace fuzzing
