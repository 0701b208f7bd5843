// A guard for readers of compressed formats, whose headers can claim far more pixels than the file holds.
#pragma once

#include <cstdint>

namespace codaxe {

// Whether a header's claim of `blockBytes` of pixels is believable for a file that holds `dataBytes` of
// encoded data, each `packetBytes` of which expand to at most `bytesPerPacket` bytes. A claim beyond that can
// only come from a hostile file or one cut to almost nothing, and is refused before anything is allocated.
// Small images always pass, so that a cut-short file of ordinary size still shows what it holds.
inline bool plausible_image_size(std::uint64_t blockBytes, std::uint64_t dataBytes, std::uint64_t packetBytes,
                                 std::uint64_t bytesPerPacket) {
  constexpr std::uint64_t kAlwaysPlausible = std::uint64_t{16} << 20;
  return blockBytes <= kAlwaysPlausible || (dataBytes / packetBytes + 1) * bytesPerPacket >= blockBytes;
}

}  // namespace codaxe
