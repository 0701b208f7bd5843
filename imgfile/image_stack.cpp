// Frames are held through one list that every copied stack shares; the list counts its holders and goes,
// with its frames, when the last one lets go.
#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "imgfile/codaxe.h"
#include "platform/core/dib_types.h"

namespace codaxe {

struct FrameList {
  int refs = 1;
  std::vector<ImageFrame*> frames;
  unsigned short screenWidth = 0;
  unsigned short screenHeight = 0;
  int bGCT = 0;
  unsigned char background = 0;
  unsigned short loopCount = 0;
  std::deque<std::string> comments;  // never shrinks, so that every frame's pointer stays valid

  ~FrameList() {
    for (ImageFrame* f : frames) delete f;
  }
};

constexpr std::size_t kMaxFrames = 65535;

}  // namespace codaxe

ImageFrame::~ImageFrame() {
  if (hPixels) {
    GlobalUnlock(hPixels);
    GlobalFree(hPixels);
  }
}

ImageStack::ImageStack() : list_(new codaxe::FrameList) {}

ImageStack::~ImageStack() {
  Release();
}

ImageStack::ImageStack(const ImageStack& other) : list_(other.list_) {
  ++list_->refs;
}

ImageStack& ImageStack::operator=(const ImageStack& other) {
  if (list_ != other.list_) {
    ++other.list_->refs;
    Release();
    list_ = other.list_;
  }
  return *this;
}

void ImageStack::Release() {
  if (--list_->refs < 1) delete list_;
  list_ = nullptr;
}

ImageStack& ImageStack::Clone(const ImageStack& src) {
  // Holding src's list keeps it alive should src share our own list.
  codaxe::FrameList* from = src.list_;
  ++from->refs;
  Release();
  list_ = new codaxe::FrameList;
  for (ImageFrame* f : from->frames) {
    int i = AppendImageFrame(f->path, nullptr, f->pixels, f->palette, f->width, f->height, f->bitsPerPixel,
                             f->colors);
    if (ImageFrame* copy = GetFrameData(i)) {
      copy->delay = f->delay;
      copy->disposal = f->disposal;
      copy->transparent = f->transparent;
      copy->transparentIndex = f->transparentIndex;
    }
  }
  list_->screenWidth = from->screenWidth;
  list_->screenHeight = from->screenHeight;
  list_->bGCT = from->bGCT;
  list_->background = from->background;
  list_->loopCount = from->loopCount;
  if (--from->refs < 1) delete from;
  return *this;
}

int ImageStack::AddBlankFrame() {
  if (list_->frames.size() >= codaxe::kMaxFrames) return -1;
  auto* frame = new (std::nothrow) ImageFrame;
  if (!frame) return -1;
  // No exception may leave the library: a list that cannot grow is a frame that cannot be made.
  try {
    list_->frames.push_back(frame);
  } catch (const std::bad_alloc&) {
    delete frame;
    return -1;
  }
  return static_cast<int>(list_->frames.size()) - 1;
}

int ImageStack::AppendImageFrame(const char* path, char*, unsigned char* pixels, RGBCOLOR* palette,
                                 unsigned short width, unsigned short height, unsigned short bitsPerPixel,
                                 unsigned short colors) {
  int i = AddBlankFrame();
  if (i < 0) return -1;
  ImageFrame* f = list_->frames[i];
  if (path) {
    std::strncpy(f->path, path, sizeof f->path - 1);
  }
  f->width = width;
  f->height = height;
  f->bitsPerPixel = bitsPerPixel;
  f->colors = colors;
  const std::uint64_t size = dib_stride(width, bitsPerPixel) * height;
  f->imageSize = static_cast<std::uint32_t>(size);
  if (palette) std::memcpy(f->palette, palette, sizeof f->palette);
  // A 24-bit frame near the 16-bit size limits needs more than the 32-bit size field holds; a block cut to
  // that field would be shorter than the rows that callers walk.
  if (size == f->imageSize) f->hPixels = GlobalAlloc(f->imageSize);
  if (!f->hPixels) {
    f->removed = 1;
    return -1;
  }
  f->pixels = static_cast<unsigned char*>(GlobalLock(f->hPixels));
  if (pixels && f->imageSize) std::memcpy(f->pixels, pixels, f->imageSize);
  return i;
}

ImageFrame* ImageStack::GetFrameData(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= list_->frames.size()) return nullptr;
  return list_->frames[i];
}

int ImageStack::GetFrameNumber() const {
  return static_cast<int>(std::count_if(list_->frames.begin(), list_->frames.end(),
                                        [](const ImageFrame* f) { return !f->removed; }));
}

int ImageStack::RemoveFrame(int i) {
  if (!GetFrameData(i)) return -1;
  delete list_->frames[i];
  list_->frames.erase(list_->frames.begin() + i);
  return i;
}

int ImageStack::SwapFrameData(int i, int j) {
  if (!GetFrameData(i) || !GetFrameData(j)) return 0;
  std::swap(list_->frames[i], list_->frames[j]);
  return 1;
}

int ImageStack::MoveFrameData(int from, int to) {
  if (!GetFrameData(from) || !GetFrameData(to)) return 0;
  auto& v = list_->frames;
  if (from < to) {
    std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
  } else if (from > to) {
    std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
  }
  return 1;
}

int ImageStack::SetFrameComment(int i, const char* text) {
  ImageFrame* f = GetFrameData(i);
  if (!f) return 0;
  f->comment = nullptr;
  if (text && *text) {
    try {
      f->comment = list_->comments.emplace_back(text).data();
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  return 1;
}

unsigned short ImageStack::GetScreenWidth() const {
  return list_->screenWidth;
}
void ImageStack::SetScreenWidth(unsigned short w) {
  list_->screenWidth = w;
}
unsigned short ImageStack::GetScreenHeight() const {
  return list_->screenHeight;
}
void ImageStack::SetScreenHeight(unsigned short h) {
  list_->screenHeight = h;
}
int ImageStack::GetbGCT() const {
  return list_->bGCT;
}
void ImageStack::SetbGCT(int b) {
  list_->bGCT = b;
}
unsigned char ImageStack::GetbkColorIndex() const {
  return list_->background;
}
void ImageStack::SetbkColorIndex(unsigned char i) {
  list_->background = i;
}
unsigned short ImageStack::GetLoopCount() const {
  return list_->loopCount;
}
void ImageStack::SetLoopCount(unsigned short count) {
  list_->loopCount = count;
}
