// Little-endian fields of file formats, read and written byte by byte so that any alignment is safe.
#pragma once

#include <cstdint>

namespace codaxe {

inline std::uint16_t load_u16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t load_u32(const unsigned char* p) {
  return load_u16(p) | static_cast<std::uint32_t>(load_u16(p + 2)) << 16;
}

inline void store_u16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

inline void store_u32(unsigned char* p, std::uint32_t v) {
  store_u16(p, static_cast<std::uint16_t>(v));
  store_u16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace codaxe
