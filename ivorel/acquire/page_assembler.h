// Builds the packed DIB of one scanned page from the frames a scanner sends: one grey or colour frame, or
// three single-colour frames of a three-pass scanner, with 1, 8 or 16 bits a sample. Grey becomes an 8-bit
// grey DIB (line art a 1-bit black-and-white one), colour a 24-bit DIB; 16-bit samples keep their high byte.
// Rows come top-down and leave bottom-up. Every count the scanner announces is checked before memory is
// taken, and a page of unknown length is bounded.
#pragma once

#include <sane/sane.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/core/memblock.h"

namespace scan {

class PageAssembler {
 public:
  explicit PageAssembler(int dotsPerInch = 0) : dpi_(dotsPerInch) {}

  // False (with `error`) for a frame the DIB cannot hold or one that does not fit the page's earlier frames.
  bool begin_frame(const SANE_Parameters& parameters, std::string& error);
  // The frame's bytes in the order they came, in chunks of any size.
  bool add(const unsigned char* data, std::size_t length, std::string& error);
  // True once the frame marked last has ended.
  bool complete() const { return complete_; }
  void end_frame();

  // Lines received of the current frame and the lines it announced (0 when unknown), for progress.
  int lines_done() const;
  int lines_expected() const { return frame_.lines > 0 ? frame_.lines : 0; }
  int frame_count() const { return static_cast<int>(planes_.size()); }

  // The page as a packed DIB owned by the caller, or null with `error` (no complete line, memory short).
  HGLOBAL finish(std::string& error) const;

  // The largest page taken: width and height are 16-bit in every image record downstream.
  static constexpr int kMaxSide = 65535;

 private:
  struct Plane {
    SANE_Frame kind;
    std::vector<unsigned char> bytes;
  };
  int width() const { return frame_.pixels_per_line; }
  int complete_lines() const;

  int dpi_;
  SANE_Parameters frame_{};
  std::vector<Plane> planes_;
  bool complete_ = false;
};

}  // namespace scan
