#include "display/device_context.h"

#include <new>
#include <vector>

#include "display/colour_mapper.h"

namespace draw {

namespace {

struct Screen {
  int bitsPerPixel = 32;
  LogicalPalette systemPalette = pcore::stock_default_palette();
};

Screen& screen() {
  static Screen s;
  return s;
}

bool same_entry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
  return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

}  // namespace

bool set_screen_bits_per_pixel(int bits) {
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  screen().bitsPerPixel = bits;
  return true;
}

int screen_bits_per_pixel() {
  return screen().bitsPerPixel;
}

const LogicalPalette& system_palette() {
  return screen().systemPalette;
}

const LogicalPalette& DeviceContext::selected_palette() const {
  return palette && !palette->entries.empty() ? *palette : pcore::stock_default_palette();
}

ColourMapper::ColourMapper(const DeviceContext& dc) {
  if (!dc.palette_device()) return;
  entries_ = &dc.selected_palette().entries;
  std::vector<RGBQUAD> table;
  table.reserve(entries_->size());
  for (const PALETTEENTRY& e : *entries_) table.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  nearest_.emplace(table);
}

}  // namespace draw

int SetStretchBltMode(HDC dc, int mode) {
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

int GetStretchBltMode(HDC dc) {
  return dc ? dc->stretchMode : 0;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!dc) return 0;
  switch (index) {
    case HORZRES:
      return dc->surface.width;
    case VERTRES:
      return dc->surface.height;
    case BITSPIXEL:
      return dc->bitsPerPixel;
    case PLANES:
      return 1;
    case SIZEPALETTE:
      return dc->palette_device() ? 256 : 0;
    default:
      return 0;
  }
}

HPALETTE CreatePalette(const PALETTEENTRY* entries, unsigned count) {
  if (!entries || count == 0 || count > 256) return nullptr;
  auto* palette = new (std::nothrow) LogicalPalette;
  if (palette) palette->entries.assign(entries, entries + count);
  return palette;
}

int DeleteObject(HPALETTE palette) {
  pcore::delete_palette(palette);
  return palette != nullptr;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, int forceBackground) {
  if (!dc) return nullptr;
  HPALETTE previous = dc->palette;
  dc->palette = palette;
  dc->paletteBackground = forceBackground != 0;
  return previous;
}

unsigned RealizePalette(HDC dc) {
  if (!dc || !dc->palette_device() || dc->paletteBackground) return 0;
  const std::vector<PALETTEENTRY>& wanted = dc->selected_palette().entries;
  std::vector<PALETTEENTRY>& system = draw::screen().systemPalette.entries;
  unsigned changed = 0;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (i >= system.size() || !draw::same_entry(system[i], wanted[i])) ++changed;
  }
  changed += system.size() > wanted.size() ? static_cast<unsigned>(system.size() - wanted.size()) : 0;
  system = wanted;
  return changed;
}

int UpdateColors(HDC dc) {
  if (!dc) return 0;
  if (!dc->palette_device()) return 1;
  draw::ColourMapper map(*dc);
  for (std::uint32_t& p : dc->surface.pixels) p = map(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
  return 1;
}

int SelectClipRgn(HDC dc, HRGN region) {
  if (!dc) return RGN_ERROR;
  if (!region) {
    dc->clip.reset();
    return SIMPLEREGION;
  }
  dc->clip = *region;
  return region->rects.empty() ? NULLREGION : region->rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
