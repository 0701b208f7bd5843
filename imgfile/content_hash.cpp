// Four independent multiply-rotate lanes over 32-byte stripes, so that the processor keeps four products in
// flight, then a full avalanche of the lanes, the length and the tail; the well-tried 64-bit scheme of
// this kind, at several gigabytes a second.
#include "imgfile/content_hash.h"

#include <bit>
#include <cstring>

namespace codaxe {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ull;

std::uint64_t load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint64_t round(std::uint64_t lane, std::uint64_t input) {
  return std::rotl(lane + input * kPrime2, 31) * kPrime1;
}

std::uint64_t merge(std::uint64_t hash, std::uint64_t lane) {
  return (hash ^ round(0, lane)) * kPrime1 + kPrime4;
}

}  // namespace

std::uint64_t content_hash(const void* data, std::size_t size, std::uint64_t seed) {
  const auto* p = static_cast<const unsigned char*>(data);
  const unsigned char* const end = p + size;
  std::uint64_t hash;
  if (size >= 32) {
    std::uint64_t lane[4] = {seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1};
    for (; end - p >= 32; p += 32) {
      for (int k = 0; k < 4; ++k) lane[k] = round(lane[k], load64(p + 8 * k));
    }
    hash = std::rotl(lane[0], 1) + std::rotl(lane[1], 7) + std::rotl(lane[2], 12) + std::rotl(lane[3], 18);
    for (std::uint64_t l : lane) hash = merge(hash, l);
  } else {
    hash = seed + kPrime5;
  }
  hash += size;
  for (; end - p >= 8; p += 8) hash = std::rotl(hash ^ round(0, load64(p)), 27) * kPrime1 + kPrime4;
  if (end - p >= 4) {
    hash = std::rotl(hash ^ (load32(p) * kPrime1), 23) * kPrime2 + kPrime3;
    p += 4;
  }
  for (; p < end; ++p) hash = std::rotl(hash ^ (*p * kPrime5), 11) * kPrime1;
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  return hash ^ (hash >> 32);
}

}  // namespace codaxe
