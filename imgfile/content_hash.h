// A fast 64-bit fingerprint of a block of bytes, to tell whether data is still what it was without keeping a
// copy of it. Not for security: it only has to make an accidental match vanishingly unlikely.
#pragma once

#include <cstddef>
#include <cstdint>

namespace codaxe {

std::uint64_t content_hash(const void* data, std::size_t size, std::uint64_t seed = 0);

}  // namespace codaxe
