// The logical screen and the colour-table policies.
//
// Giving every frame one palette maps each frame's pixels to that palette's colours. Only handing over the
// palette, as the pseudo-colour operation does, would leave the old indices pointing at other colours; the
// frames must still show their own pictures, only in the shared colours.
#include <algorithm>
#include <cstring>

#include "apps/framora/document/frame_copy.h"
#include "apps/framora/document/framora_doc.h"
#include "apps/framora/document/palette_mapping.h"
#include "imgfile/fixed_palette.h"

namespace framora {

ScreenProperties CFramoraDoc::GetScreenProperties() const {
  ScreenProperties p;
  p.width = stack_.GetScreenWidth();
  p.height = stack_.GetScreenHeight();
  p.background = stack_.GetbkColorIndex();
  p.policy = stack_.GetbGCT() ? ColourPolicy::KeepPalettes : ColourPolicy::LocalTables;
  return p;
}

namespace {

// The palette a policy gives every frame: its entries and how many of them count.
struct SharedPalette {
  RGBCOLOR entries[256] = {};
  int count = 0;
};

Status palette_of_file(const std::string& path, SharedPalette& out) {
  Compand file;
  if (!file.InitExpander(path.c_str()) || !file.DoExpansion()) {
    file.DisposeOfImage();
    return Status::Unreadable;
  }
  const int colours = file.GetColors();
  const bool trueColour = file.GetBitsPerPixel() == 24 || colours == 0;
  if (!trueColour) {
    std::memcpy(out.entries, file.GetPalettePtr(), sizeof out.entries);
    out.count = std::min(colours, 256);
  }
  file.DisposeOfImage();
  return trueColour ? Status::TrueColourFile : Status::Ok;
}

}  // namespace

Status CFramoraDoc::SetColourPolicy(ColourPolicy policy, int paletteFrame, const std::string& paletteFile,
                                    PaletteMapping mapping) {
  ScreenProperties p = GetScreenProperties();
  p.policy = policy;
  p.paletteFrame = paletteFrame;
  p.paletteFile = paletteFile;
  p.mapping = mapping;
  return SetScreenProperties(p);
}

Status CFramoraDoc::SetScreenProperties(const ScreenProperties& p) {
  if (p.width < 0 || p.height < 0 || p.width > kMaxCoordinate || p.height > kMaxCoordinate ||
      p.background < 0 || p.background > 255)
    return Status::BadValue;
  // Every check comes first, so that a palette that cannot be had changes nothing at all.
  SharedPalette shared;
  switch (p.policy) {
    case ColourPolicy::FixedPalette:
      std::copy(codaxe::fixed_palette().begin(), codaxe::fixed_palette().end(), shared.entries);
      shared.count = 256;
      break;
    case ColourPolicy::FramePalette: {
      const ImageFrame* f = frame(p.paletteFrame);
      if (!f) return Status::BadFrame;
      if (f->bitsPerPixel == 24 || f->colors == 0) return Status::TrueColourFrame;
      std::memcpy(shared.entries, f->palette, sizeof shared.entries);
      shared.count = std::min<int>(f->colors, 256);
      break;
    }
    case ColourPolicy::FilePalette:
      if (const Status s = palette_of_file(p.paletteFile, shared); s != Status::Ok) return s;
      break;
    case ColourPolicy::KeepPalettes:
    case ColourPolicy::LocalTables:
      break;
    default:
      return Status::BadValue;
  }

  if (shared.count > 0) {
    remember_snapshot();
  } else {
    const unsigned short width = stack_.GetScreenWidth(), height = stack_.GetScreenHeight();
    const unsigned char background = stack_.GetbkColorIndex();
    const int bGCT = stack_.GetbGCT();
    remember([=](CFramoraDoc& doc) {
      doc.stack_.SetScreenWidth(width);
      doc.stack_.SetScreenHeight(height);
      doc.stack_.SetbkColorIndex(background);
      doc.stack_.SetbGCT(bGCT);
    });
  }
  stack_.SetbkColorIndex(static_cast<unsigned char>(p.background));
  stack_.SetScreenWidth(static_cast<unsigned short>(p.width));
  stack_.SetScreenHeight(static_cast<unsigned short>(p.height));
  CoverFramesWithScreen();
  stack_.SetbGCT(p.policy == ColourPolicy::LocalTables ? 0 : 1);
  Status status = Status::Ok;
  if (shared.count > 0) status = give_palette(shared.entries, shared.count, p.mapping);
  update(kHintRefresh);
  return status;
}

Status CFramoraDoc::give_palette(const RGBCOLOR* palette, int count, PaletteMapping mapping) {
  DropPreviews();
  const auto& fixed = codaxe::fixed_palette();
  const bool fixedTarget =
      count == 256 &&
      std::equal(fixed.begin(), fixed.end(), palette, [](const RGBCOLOR& a, const RGBCOLOR& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
      });
  std::vector<unsigned char> rows;
  for (int i = 0; ImageFrame* f = frame(i); ++i) {
    const std::uint32_t size8 = dib_stride(f->width, 8) * f->height;
    if (f->bitsPerPixel == 24 && fixedTarget && mapping == PaletteMapping::Dither) {
      // The suite's own dither onto the fixed palette, byte for byte what the depth menu makes.
      rows.assign(size8, 0);
      codaxe::dither_to_fixed_palette(f->pixels, f->width, f->height, rows.data());
      if (!replace_pixels(*f, rows.data(), size8, 8, 256)) return Status::OutOfMemory;
      std::copy(fixed.begin(), fixed.end(), f->palette);
      continue;
    }
    if (f->bitsPerPixel != 24 && std::memcmp(f->palette, palette, sizeof f->palette) == 0) continue;
    MappedFrame mapped;
    if (!map_to_palette(*f, palette, count, mapping, mapped)) continue;
    if (!replace_pixels(*f, mapped.rows.data(), size8, 8, static_cast<unsigned short>(count)))
      return Status::OutOfMemory;
    std::memcpy(f->palette, palette, sizeof f->palette);
    if (f->transparent) f->transparentIndex = static_cast<unsigned char>(mapped.transparentIndex);
  }
  return Status::Ok;
}

}  // namespace framora
