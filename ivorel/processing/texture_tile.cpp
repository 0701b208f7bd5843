// Textures: the picture replaced by a second image repeated from its top-left corner.
#include <cstring>

#include "ivorel/processing/fills.h"
#include "ivorel/processing/operation_support.h"

using ivorel::Outcome;

namespace ivorel {

bool texture_tile(unsigned char* destination, int width, int height, const _IMAGEDESCRIPTOR& texture,
                  bool rgbOrder, const RowProgress& progress) {
  const int tw = texture.width, th = texture.height, depth = texture.bitsPerPixel;
  if (tw == 0 || th == 0 || !texture.imageData) return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;
  if (depth != 24 && texture.colors == 0) return false;
  const std::uint32_t stride = row_bytes(tw, depth);
  if (texture.imageSize < stride * static_cast<std::uint64_t>(th)) return false;
  // One texture row in the buffer's order, repeated across the picture's row.
  std::vector<unsigned char> row(3 * static_cast<std::size_t>(width));
  const int entries = std::min<int>(texture.colors, 256);
  for (int y = 0; y < height; ++y) {
    if (progress) progress(y);
    const unsigned char* in = texture.imageData + static_cast<std::size_t>(th - 1 - y % th) * stride;
    if (y == 0 || th > 1) {
      for (int x = 0; x < std::min(width, tw); ++x) {
        unsigned char* o = &row[3 * static_cast<std::size_t>(x)];
        unsigned char red, green, blue;
        if (depth == 24) {
          blue = in[3 * x], green = in[3 * x + 1], red = in[3 * x + 2];
        } else {
          const int bit = x * depth;
          const int index = (in[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
          // An index past the palette's entries has no colour: black.
          const RGBCOLOR c = index < entries ? texture.palette[index] : RGBCOLOR{0, 0, 0};
          red = c.red, green = c.green, blue = c.blue;
        }
        o[0] = rgbOrder ? red : blue;
        o[1] = green;
        o[2] = rgbOrder ? blue : red;
      }
      for (std::size_t i = 3 * static_cast<std::size_t>(tw); i < row.size(); ++i) row[i] = row[i - 3 * tw];
    }
    std::memcpy(destination + 3 * static_cast<std::size_t>(width) * y, row.data(), row.size());
  }
  return true;
}

}  // namespace ivorel

void TProcessImageEx::TextureTile(ImageDescriptorAndDisplayObj* texture) {
  int values[2] = {1, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  if (values[0] == 0 || !texture) return SetOutcome(Outcome::Declined);
  const _IMAGEDESCRIPTOR& t = texture->image;
  if (t.width == 0 || t.height == 0 || !t.imageData || (t.bitsPerPixel != 24 && t.colors == 0))
    return SetOutcome(Outcome::Declined);
  const bool rgbOrder = bitsPerPixel_ <= 8;
  RunEffect([&] {
    if (!ivorel::texture_tile(destination_, width_, height_, t, rgbOrder,
                              [this](int row) { ProgressCursor(0, height_ - 1, row, "TextureTile"); }))
      SetOutcome(Outcome::Failed);
  });
}

void TProcessImageEx::TextureMosaic(ImageDescriptorAndDisplayObj* texture) {
  if (!texture) return SetOutcome(Outcome::Declined);
  int values[2] = {0, 0};
  if (!ivorel::integer_parameters(procData_, window_, 2, values)) return SetOutcome(Outcome::Declined);
  RunEffect([&] {
    for (int y = 0; y < height_; ++y) ProgressCursor(0, height_ - 1, y, "TextureMosaic");
  });
}
