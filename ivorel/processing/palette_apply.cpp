#include "ivorel/processing/palette_apply.h"

#include <algorithm>
#include <sstream>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

namespace {
std::optional<ColourTable> operationPalette;
}  // namespace

ColourTable colour_table_of(const RGBCOLOR* palette, int count) {
  ColourTable table{};
  if (!palette || count <= 0) return table;
  count = std::min(count, 256);
  for (int i = 0; i < 256; ++i) table[i] = palette[i % count];
  return table;
}

bool apply_colour_table(ImageDescriptorAndDisplayObj& target, const ColourTable& table, int mode) {
  _IMAGE_PROC_DATA block;
  block.words[1] = mode;
  RGBCOLOR colours[256];
  std::copy(table.begin(), table.end(), colours);
  target.procData = &block;
  bool ran = false;
  {
    TProcessImageEx processor(&target);
    TProcessImageEx::pPseudoColorPalette = colours;
    processor.PseudoColor();
    ran = processor.LastOutcome() == Outcome::Ran;
  }
  target.procData = nullptr;
  return ran;
}

void set_operation_palette(const std::optional<ColourTable>& table) {
  operationPalette = table;
}

RGBCOLOR* operation_palette() {
  return operationPalette ? operationPalette->data() : nullptr;
}

bool parse_palette_text(const std::string& text, ColourTable& table, int& count, std::string& error) {
  std::istringstream in(text);
  std::string magic, version;
  long n = 0;
  if (!(in >> magic >> version) || magic != "JASC-PAL") {
    error = "not a JASC-PAL palette file";
    return false;
  }
  if (!(in >> n) || n < 1 || n > 256) {
    error = "the palette's entry count must be 1 ... 256";
    return false;
  }
  RGBCOLOR entries[256] = {};
  for (long i = 0; i < n; ++i) {
    long c[3];
    for (long& v : c) {
      if (!(in >> v) || v < 0 || v > 255) {
        error = "entry " + std::to_string(i) + " is missing or outside 0 ... 255";
        return false;
      }
    }
    entries[i] = RGBCOLOR{static_cast<unsigned char>(c[0]), static_cast<unsigned char>(c[1]),
                          static_cast<unsigned char>(c[2])};
  }
  count = static_cast<int>(n);
  table = colour_table_of(entries, count);
  return true;
}

}  // namespace ivorel
