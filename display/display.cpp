// Display: preparing the header, colour table and logical palette for an image, and the object's lifetime.
#include "display/display.h"

#include <algorithm>
#include <cstring>

#include "imgfile/fixed_palette.h"
#include "platform/core/cursor.h"
#include "platform/core/message_box.h"

namespace {

constexpr std::size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);

void release_locked(HGLOBAL& block, BITMAPINFO*& address) {
  if (block) GlobalUnlock(block);
  block = GlobalFree(block);
  address = nullptr;
}

unsigned short bits_for_colours(unsigned colors) {
  if (colors == 0) return 24;
  if (colors <= 2) return 1;
  return colors <= 16 ? 4 : 8;
}

}  // namespace

namespace draw {

unsigned short colours_for_display(unsigned short bitsPerPixel, unsigned short colors) {
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) return 0;
  return colors != 0 && bits_for_colours(colors) == bitsPerPixel
             ? colors
             : static_cast<unsigned short>(1u << bitsPerPixel);
}

}  // namespace draw

Display::Display() {
  paletteDevice_ = draw::screen_bits_per_pixel() == 8;
}

Display::~Display() {
  FreeBlocks();
}

Display::Display(const Display& other) {
  *this = other;
}

Display& Display::operator=(const Display& other) {
  if (this == &other) return *this;
  FreeBlocks();
  width_ = other.width_;
  height_ = other.height_;
  colors_ = other.colors_;
  bitsPerPixel_ = other.bitsPerPixel_;
  zoomExponent_ = other.zoomExponent_;
  data_ = other.data_;
  clipMode_ = other.clipMode_;
  paletteDevice_ = other.paletteDevice_;
  rowLength_ = other.rowLength_;
  ditherInAdvance_ = other.ditherInAdvance_;
  ditheredDisplay_ = other.ditheredDisplay_;
  // A copy that cannot get memory is left without blocks: it then paints nothing rather than sharing.
  dithered_ = pcore::duplicate_block(other.dithered_);
  hInfo_ = pcore::duplicate_block(other.hInfo_);
  info_ = static_cast<BITMAPINFO*>(GlobalLock(hInfo_));
  hInfo24_ = pcore::duplicate_block(other.hInfo24_);
  info24_ = static_cast<BITMAPINFO*>(GlobalLock(hInfo24_));
  if (other.palette_)
    palette_ = CreatePalette(other.palette_->entries.data(), other.palette_->entries.size());
  return *this;
}

void Display::FreeBlocks() {
  dithered_ = GlobalFree(dithered_);
  release_locked(hInfo_, info_);
  release_locked(hInfo24_, info24_);
  DeleteObject(palette_);
  palette_ = nullptr;
}

void Display::ErrorMessage(const char* text) {
  pcore::message_box().show(nullptr, text ? text : "", "Error", pcore::MessageIcon::Warning,
                            pcore::MessageButtons::Ok);
}

int Display::InitForDisplay(unsigned short width, unsigned short height, unsigned short colors,
                            unsigned char* data, RGBCOLOR* palette, int ditherInAdvance) {
  width_ = width;
  height_ = height;
  colors_ = colors;
  data_ = data;
  ditherInAdvance_ = ditherInAdvance;
  ditheredDisplay_ = 0;
  pcore::WaitCursor wait;
  // The 24-bit header describes the previous image's size; it is made again on demand.
  FreeBlocks();

  const unsigned entries = colors == 0 || colors > 16 ? 256 : colors;
  hInfo_ = GlobalAlloc(kHeaderBytes + 4 * entries);
  if (!hInfo_) {
    ErrorMessage("Out of memory");
    return 0;
  }
  info_ = static_cast<BITMAPINFO*>(GlobalLock(hInfo_));
  BITMAPINFOHEADER& h = info_->bmiHeader;
  h.biSize = kHeaderBytes;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  h.biBitCount = bits_for_colours(colors);
  RGBQUAD* table = info_->bmiColors;

  unsigned paletteEntries = std::min<unsigned>(colors, 256);
  if (colors == 0) {
    paletteEntries = 256;
    if (paletteDevice_) {
      ditheredDisplay_ = 1;
      h.biClrUsed = 256;
      const auto& fixed = codaxe::fixed_palette();
      for (unsigned i = 0; i < 256; ++i) table[i] = RGBQUAD{fixed[i].blue, fixed[i].green, fixed[i].red, 0};
      if (ditherInAdvance) {
        h.biBitCount = 8;
        dithered_ = DitherAnImage(data, width, height);
        if (!dithered_) {
          pcore::message_box().show(nullptr, "No memory to dither image", "", pcore::MessageIcon::None,
                                    pcore::MessageButtons::Ok);
          FreeBlocks();
          return 0;
        }
      }
    }
  } else {
    h.biClrUsed = paletteEntries;
    for (unsigned i = 0; palette && i < paletteEntries; ++i) {
      table[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
    }
  }

  rowLength_ = static_cast<std::uint32_t>(dib_stride(width, h.biBitCount));
  h.biSizeImage = rowLength_ * height;
  bitsPerPixel_ = static_cast<short>(h.biBitCount);

  if (!MakePalette(table, static_cast<unsigned short>(paletteEntries))) {
    ErrorMessage("Cannot create logical palette");
  }
  return 1;
}

int Display::MakePalette(RGBQUAD* table, unsigned short count) {
  DeleteObject(palette_);
  palette_ = nullptr;
  if (!table || count == 0) return 0;
  PALETTEENTRY entries[256];
  count = std::min<unsigned short>(count, 256);
  for (unsigned i = 0; i < count; ++i) {
    entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  palette_ = CreatePalette(entries, count);
  return palette_ != nullptr;
}

BITMAPINFO* Display::GetPtrToBITMAPINFO() {
  if (!dithered_) return info_;
  if (info24_) return info24_;
  hInfo24_ = GlobalAlloc(kHeaderBytes + 4 * 256);
  if (!hInfo24_) {
    ErrorMessage("Out of memory");
    return nullptr;
  }
  info24_ = static_cast<BITMAPINFO*>(GlobalLock(hInfo24_));
  std::memcpy(info24_, info_, std::min(GlobalSize(hInfo_), GlobalSize(hInfo24_)));
  BITMAPINFOHEADER& h = info24_->bmiHeader;
  h.biBitCount = 24;
  h.biClrUsed = 0;
  h.biSizeImage = static_cast<std::uint32_t>(height_ * dib_stride(width_, 24));
  return info24_;
}

void Display::SetZoom(short factor) {
  zoomExponent_ = 0;
  const int magnitude = factor < 0 ? -factor : factor;
  for (short e = 1; e <= 7; ++e) {
    if (magnitude == 1 << e) zoomExponent_ = factor < 0 ? -e : e;
  }
}

short Display::GetZoom() const {
  return static_cast<short>(zoomExponent_ >= 0 ? 1 << zoomExponent_ : -(1 << -zoomExponent_));
}

int Display::IsDisplayHwdTrueColor() const {
  return draw::screen_bits_per_pixel() > 8;
}

void Display::UpdateAllColors(HWND window) {
  if (!palette_) return;
  draw::WindowDC dc(window);
  if (!dc.get()) return;
  HPALETTE previous = SelectPalette(dc.get(), palette_, 0);
  if (RealizePalette(dc.get()) > 0) UpdateColors(dc.get());
  SelectPalette(dc.get(), previous, 0);
}
