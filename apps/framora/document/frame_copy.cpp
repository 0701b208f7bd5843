#include "apps/framora/document/frame_copy.h"

#include <cstring>

namespace framora {

void copy_settings(const ImageFrame& from, ImageFrame& to) {
  to.left = from.left;
  to.top = from.top;
  to.comment = from.comment;
  to.delay = from.delay;
  to.disposal = from.disposal;
  to.transparent = from.transparent;
  to.transparentIndex = from.transparentIndex;
  to.coded = from.coded;
}

int append_copy(ImageStack& stack, const ImageFrame& f) {
  const int i = stack.AppendImageFrame(f.path, nullptr, f.pixels, const_cast<RGBCOLOR*>(f.palette), f.width,
                                       f.height, f.bitsPerPixel, f.colors);
  if (i < 0) {
    // A frame whose block could not be had stays in the list, marked removed; the document keeps none.
    const int last = stack.GetFrameNumber();
    if (ImageFrame* left = stack.GetFrameData(last); left && left->removed) stack.RemoveFrame(last);
    return -1;
  }
  copy_settings(f, *stack.GetFrameData(i));
  return i;
}

bool insert_copy(ImageStack& stack, const ImageFrame& f, int at) {
  const int i = append_copy(stack, f);
  return i >= 0 && stack.MoveFrameData(i, at);
}

bool copy_stack(const ImageStack& from, ImageStack& to) {
  ImageStack copy;
  for (int i = 0; const ImageFrame* f = from.GetFrameData(i); ++i) {
    if (append_copy(copy, *f) < 0) return false;
  }
  copy.SetScreenWidth(from.GetScreenWidth());
  copy.SetScreenHeight(from.GetScreenHeight());
  copy.SetbGCT(from.GetbGCT());
  copy.SetbkColorIndex(from.GetbkColorIndex());
  copy.SetLoopCount(from.GetLoopCount());
  to = copy;
  return true;
}

bool replace_pixels(ImageFrame& f, const unsigned char* rows, std::uint32_t size, unsigned short bitsPerPixel,
                    unsigned short colors) {
  HGLOBAL block = GlobalAlloc(size);
  if (!block) return false;
  auto* pixels = static_cast<unsigned char*>(GlobalLock(block));
  if (size) std::memcpy(pixels, rows, size);
  if (f.hPixels) {
    GlobalUnlock(f.hPixels);
    GlobalFree(f.hPixels);
  }
  f.hPixels = block;
  f.pixels = pixels;
  f.imageSize = size;
  f.bitsPerPixel = bitsPerPixel;
  f.colors = colors;
  return true;
}

}  // namespace framora
