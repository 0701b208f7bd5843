// The two whole-image steps of showing true colour on a palette screen: resizing to the painted size and
// dithering onto the fixed display palette (whose one implementation lives in Codaxe).
#include <cstring>
#include <vector>

#include "display/decimate.h"
#include "display/display.h"
#include "imgfile/fixed_palette.h"

namespace draw {

HGLOBAL decimate_24(const unsigned char* data, unsigned srcWidth, unsigned srcHeight, unsigned dstWidth,
                    unsigned dstHeight) {
  if (!data || srcWidth == 0 || srcHeight == 0) return nullptr;
  const std::size_t inStride = dib_stride(srcWidth, 24);
  const std::size_t outStride = dib_stride(dstWidth, 24);
  HGLOBAL block = GlobalAlloc(static_cast<std::size_t>(dstHeight) * outStride + 100);
  if (!block) return nullptr;
  pcore::BlockLock out(block);
  std::vector<std::size_t> sourceOffset(dstWidth);
  for (unsigned j = 0; j < dstWidth; ++j) {
    sourceOffset[j] = 3 * static_cast<std::size_t>(static_cast<std::uint64_t>(j) * srcWidth / dstWidth);
  }
  for (unsigned i = 0; i < dstHeight; ++i) {
    const unsigned char* in = data + static_cast<std::uint64_t>(i) * srcHeight / dstHeight * inStride;
    unsigned char* o = out.data() + i * outStride;
    for (unsigned j = 0; j < dstWidth; ++j, o += 3) std::memcpy(o, in + sourceOffset[j], 3);
  }
  return block;
}

}  // namespace draw

HGLOBAL DitherAnImage(unsigned char* data24, unsigned short width, unsigned short height) {
  if (!data24) return nullptr;
  HGLOBAL block = GlobalAlloc(dib_stride(width, 8) * height);
  if (!block) return nullptr;
  pcore::BlockLock out(block);
  codaxe::dither_to_fixed_palette(data24, width, height, out.data());
  return block;
}
