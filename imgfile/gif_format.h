// Block markers and field layouts of the GIF file format, shared by its reader and writer.
#pragma once

#include <array>
#include <cstddef>

namespace codaxe::gif {

constexpr int kImageSeparator = 0x2C;
constexpr int kExtensionIntroducer = 0x21;
constexpr int kTrailer = 0x3B;
constexpr int kGraphicControlLabel = 0xF9;
constexpr int kCommentLabel = 0xFE;
constexpr int kApplicationLabel = 0xFF;

// The comment that closes every file this suite writes: it names the writer, not a frame.
constexpr const char* kMakerText = "Made with the Pictaro image suite";

// Flags of the logical screen and image descriptors.
constexpr int kTableFlag = 0x80;
constexpr int kInterlaceFlag = 0x40;

// A colour table flagged with size field s holds 2^(s + 1) entries.
constexpr std::size_t table_entries(int flags) {
  return std::size_t{2} << (flags & 7);
}

struct InterlacePass {
  unsigned first;
  unsigned step;
};
constexpr std::array<InterlacePass, 4> kInterlacePasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};

}  // namespace codaxe::gif
