#include "ivorel/windows/page_image.h"

#include <algorithm>
#include <cstring>

#include "display/display.h"
#include "imgfile/fixed_palette.h"
#include "platform/core/cursor.h"

namespace ivorel {

PageSetup& page_setup() {
  static PageSetup setup;
  return setup;
}

namespace {
PrintHost* installed_host = nullptr;
}

void install_print_host(PrintHost* host) {
  installed_host = host;
}

PrintHost* print_host() {
  return installed_host;
}

std::string printed_name(const char* imageName) {
  const std::string name = imageName ? imageName : "";
  const std::size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

PageSetup letter_paper() {
  return PageSetup{};
}

PageSetup a4_paper() {
  PageSetup setup;
  setup.paperWidth = 8268;    // 210 mm
  setup.paperHeight = 11693;  // 297 mm
  return setup;
}

RECT printable_rect(const PageSetup& setup) {
  return RECT{setup.left / 10, -(setup.top / 10), (setup.paperWidth - setup.right) / 10,
              -((setup.paperHeight - setup.bottom) / 10)};
}

int zoom_of_entry(int entry) {
  entry = std::clamp(entry, 0, kZoomEntries - 1);
  return entry < 7 ? -(1 << (7 - entry)) : 1 << (entry - 7);
}

int entry_of_zoom(int zoom) {
  for (int i = 0; i < kZoomEntries; ++i)
    if (zoom_of_entry(i) == zoom) return i;
  return -1;
}

std::string zoom_entry_text(int entry) {
  const int zoom = zoom_of_entry(entry);
  if (zoom >= 1) return std::to_string(zoom * 100) + "%";
  const double percent = 100.0 / -zoom;
  char text[32];
  std::snprintf(text, sizeof text, "1/%d (%g%%)", -zoom, percent);
  return text;
}

bool dib_rgb_rows(const BITMAPINFO* info, const void* bits, int first, int count, std::string& out) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int bpp = h.biBitCount;
  if (h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24))
    return false;
  const std::size_t width = static_cast<std::size_t>(h.biWidth);
  const long height = h.biHeight < 0 ? -static_cast<long>(h.biHeight) : h.biHeight;
  if (first < 0 || first > height) return false;
  const long last = count < 0 ? height : std::min<long>(height, static_cast<long>(first) + count);
  const std::size_t stride = dib_stride(width, bpp);
  const auto* table =
      reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const std::uint8_t*>(info) + h.biSize);
  const std::size_t entries = h.biClrUsed ? h.biClrUsed : (bpp < 24 ? std::size_t{1} << bpp : 0);
  out.assign(width * static_cast<std::size_t>(last - first) * 3, '\0');
  const auto* src = static_cast<const std::uint8_t*>(bits);
  char* dst = out.data();
  for (long y = first; y < last; ++y) {
    const std::uint8_t* row = src + static_cast<std::size_t>(h.biHeight > 0 ? height - 1 - y : y) * stride;
    for (std::size_t x = 0; x < width; ++x, dst += 3) {
      if (bpp == 24) {
        dst[0] = static_cast<char>(row[x * 3 + 2]);
        dst[1] = static_cast<char>(row[x * 3 + 1]);
        dst[2] = static_cast<char>(row[x * 3]);
        continue;
      }
      const std::size_t perByte = 8 / bpp;
      const unsigned shift = static_cast<unsigned>(8 - bpp * (1 + x % perByte));
      const std::size_t index = (row[x / perByte] >> shift) & ((1u << bpp) - 1);
      // An index past the table prints black, as a device given such a pixel would.
      const RGBQUAD c = index < entries ? table[index] : RGBQUAD{0, 0, 0, 0};
      dst[0] = static_cast<char>(c.rgbRed);
      dst[1] = static_cast<char>(c.rgbGreen);
      dst[2] = static_cast<char>(c.rgbBlue);
    }
  }
  return true;
}

}  // namespace ivorel

namespace {

using ivorel::PagePlacement;
using ivorel::PageSetup;

// Low-English and device order differ only in the sign of the vertical coordinates.
RECT flip_vertical(const RECT& r) {
  return RECT{r.left, -r.top, r.right, -r.bottom};
}

int rect_width(const RECT& r) {
  return r.right - r.left;
}
int rect_height(const RECT& r) {
  return r.bottom - r.top;
}

// Image extent in hundredths of an inch for the scale layout. The resolution makes it true size: 100 (or
// none) means one pixel per hundredth of an inch.
long scaled_extent(long pixels, int zoom, int resolution) {
  long size = zoom >= 1 ? pixels * zoom : pixels / -zoom;
  if (resolution != 0 && resolution != 100) size = size * 100 / resolution;
  return size;
}

}  // namespace

PageImage::PageImage(const char* title, const _IMAGEDESCRIPTOR& image, const char* name,
                     const _PrintImageLayout_STRUCT& layout)
    : title_(title ? title : ""), name_(name ? name : ""), image_(image), layout_(layout) {
  // The pixels are copied so that the page never points into a block its image window may free.
  image_.hImageData = nullptr;
  image_.imageData = nullptr;
  const std::uint64_t stride = dib_stride(image.width, image.bitsPerPixel ? image.bitsPerPixel : 24);
  const std::uint64_t size = stride * image.height;
  if (image.imageData && size > 0) {
    pixels_.assign(image.imageData, image.imageData + size);
    image_.imageData = pixels_.data();
    image_.imageSize = static_cast<std::uint32_t>(size);
  }
  aspect_ = layout_.layout == ivorel::kLayoutBestFit ? 1 : 0;
}

PagePlacement PageImage::Placement(const PageSetup& setup) const {
  PagePlacement p;
  p.printable = flip_vertical(ivorel::printable_rect(setup));
  p.area = p.printable;
  if (rect_width(p.printable) <= 0 || rect_height(p.printable) <= 0) {
    p.problem = "The margins leave no printable area on the page.";
    return p;
  }
  if (!image_.imageData || image_.width == 0 || image_.height == 0) {
    p.problem = "There is no image to print.";
    return p;
  }
  // The caption band is kept free of the picture so that the name never covers part of it.
  if (layout_.caption == ivorel::kCaptionTop || layout_.caption == ivorel::kCaptionBottom) {
    p.hasCaption = true;
    if (layout_.caption == ivorel::kCaptionTop) {
      p.caption =
          RECT{p.printable.left, p.printable.top, p.printable.right, p.printable.top + ivorel::kCaptionBand};
      p.area.top = p.caption.bottom;
    } else {
      p.caption = RECT{p.printable.left, p.printable.bottom - ivorel::kCaptionBand, p.printable.right,
                       p.printable.bottom};
      p.area.bottom = p.caption.top;
    }
    if (rect_height(p.area) <= 0) {
      p.problem = "The margins leave no room for the image beside its name.";
      return p;
    }
  }
  switch (layout_.layout) {
    case ivorel::kLayoutStretch:
      p.image = p.area;
      break;
    case ivorel::kLayoutScale: {
      const int zoom = ivorel::entry_of_zoom(layout_.zoom) >= 0 ? layout_.zoom : 1;
      const long w = scaled_extent(image_.width, zoom, image_.xResolution);
      const long h = scaled_extent(image_.height, zoom, image_.yResolution);
      if (w <= 0 || h <= 0) {
        p.problem = "At this zoom the image is too small to print. Choose a larger zoom.";
        return p;
      }
      // Beyond this the page coordinates would overflow; such a picture is clipped to the page anyway.
      constexpr long kLimit = 1L << 24;
      p.image = RECT{p.area.left, p.area.top, static_cast<std::int32_t>(p.area.left + std::min(w, kLimit)),
                     static_cast<std::int32_t>(p.area.top + std::min(h, kLimit))};
      p.clipped = p.image.right > p.area.right || p.image.bottom > p.area.bottom;
      break;
    }
    default:
      p.keepAspect = 1;
      p.image = FitKeepingAspect(p.area, image_.width, image_.height);
      break;
  }
  return p;
}

int PageImage::DrawPage(ivorel::PageDevice& device, const PageSetup& setup, std::string* problem) const {
  const PagePlacement p = Placement(setup);
  if (!p.problem.empty()) {
    if (problem) *problem = p.problem;
    return 0;
  }
  device.SetClip(&p.area);
  const RECT rect = layout_.layout == ivorel::kLayoutScale ? p.image : p.area;
  const int drawn = PrintImage(device, image_, flip_vertical(rect), dither_, p.keepAspect);
  device.SetClip(nullptr);
  if (!drawn) {
    if (problem) *problem = "The printer did not take the image.";
    return 0;
  }
  if (p.hasCaption) device.Caption(p.caption, name_, ivorel::kCaptionPoints);
  return 1;
}

RECT PageImage::FitKeepingAspect(const RECT& area, int imageWidth, int imageHeight) {
  const long areaW = rect_width(area), areaH = rect_height(area);
  if (imageWidth <= 0 || imageHeight <= 0 || areaW <= 0 || areaH <= 0) return area;
  long w, h;
  if (imageWidth < imageHeight) {
    // Portrait: the tallest height whose proportional width still fits. Solved directly rather than by
    // stepping down one unit at a time; the result is the same largest candidate.
    h = std::min(areaH, ((areaW + 1) * imageHeight - 1) / imageWidth);
    while (h > 0 && static_cast<long long>(imageWidth) * h / imageHeight > areaW) --h;
    w = static_cast<long long>(imageWidth) * h / imageHeight;
  } else {
    w = std::min(areaW, ((areaH + 1) * imageWidth - 1) / imageHeight);
    while (w > 0 && static_cast<long long>(imageHeight) * w / imageWidth > areaH) --w;
    h = static_cast<long long>(imageHeight) * w / imageWidth;
  }
  const long left = area.left + (areaW - w) / 2;
  const long top = area.top + (areaH - h) / 2;
  return RECT{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
              static_cast<std::int32_t>(left + w), static_cast<std::int32_t>(top + h)};
}

std::vector<std::uint8_t> PageImage::BitmapHeader(const _IMAGEDESCRIPTOR& image) {
  // The bit count follows the stored pixels: a colour count below the depth's (an 8-bit image of 16
  // colours) must not make the rows be read at the smaller depth.
  const bool trueColour = image.colors == 0 || image.bitsPerPixel >= 24;
  const int bits = trueColour ? 24 : image.bitsPerPixel;
  const int entries = trueColour ? 0 : std::min<int>(image.colors, 1 << bits);
  std::vector<std::uint8_t> block(sizeof(BITMAPINFOHEADER) + entries * sizeof(RGBQUAD));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = image.width;
  header.biHeight = image.height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bits);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<std::uint32_t>(dib_stride(image.width, bits) * image.height);
  header.biClrUsed = static_cast<std::uint32_t>(entries);
  std::memcpy(block.data(), &header, sizeof header);
  auto* table = reinterpret_cast<RGBQUAD*>(block.data() + sizeof header);
  for (int i = 0; i < entries; ++i)
    table[i] = RGBQUAD{image.palette[i].blue, image.palette[i].green, image.palette[i].red, 0};
  return block;
}

HPALETTE PageImage::CreateLogicalPalette(const RGBCOLOR* palette, int count) {
  if (!palette || count <= 0) return nullptr;
  count = std::min(count, 256);
  std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    entries[i] = PALETTEENTRY{palette[i].red, palette[i].green, palette[i].blue, 0};
  return CreatePalette(entries.data(), static_cast<unsigned>(count));
}

int PageImage::PrintImage(ivorel::PageDevice& dc, const _IMAGEDESCRIPTOR& image, RECT rect, int dither,
                          int keepAspect) {
  if (!image.imageData || image.width == 0 || image.height == 0) return 0;
  pcore::WaitCursor wait;
  _IMAGEDESCRIPTOR source = image;
  HGLOBAL dithered = nullptr;
  if (dither && image.bitsPerPixel == 24 && draw::screen_bits_per_pixel() <= 8) {
    dithered = DitherAnImage(image.imageData, image.width, image.height);
    if (dithered) {
      source.bitsPerPixel = 8;
      source.colors = 256;
      source.imageData = static_cast<unsigned char*>(GlobalLock(dithered));
      std::copy(codaxe::fixed_palette().begin(), codaxe::fixed_palette().end(), source.palette);
    }
  }
  const std::vector<std::uint8_t> header = BitmapHeader(source);
  RECT dest = flip_vertical(rect);
  if (keepAspect) dest = FitKeepingAspect(dest, image.width, image.height);
  // A device reports the source rows it drew; anything short of the whole image is a failed page.
  const int rows = dc.StretchDIB(dest, reinterpret_cast<const BITMAPINFO*>(header.data()), source.imageData);
  if (dithered) {
    GlobalUnlock(dithered);
    GlobalFree(dithered);
  }
  return rows == image.height ? 1 : 0;
}
