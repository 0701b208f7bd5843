#include "imgtools/apply_inputs.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "imgtools/image_source.h"
#include "ivorel/operations/operation_registry.h"
#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/palette_apply.h"

namespace imgtools {

namespace {

bool parse_unsigned(const std::string& text, int base, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, value, base);
  return !text.empty() && ec == std::errc() && p == end;
}

// RRGGBB as a colour value with red in the low byte.
bool parse_colour(const std::string& text, std::uint32_t& colour) {
  std::uint32_t rgb = 0;
  if (text.size() != 6 || !parse_unsigned(text, 16, rgb)) return false;
  colour = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
  return true;
}

// The colour table of `path`: a JASC-PAL palette file, or the palette of an image file's first frame.
bool read_palette(const std::string& path, ivorel::ColourTable& table) {
  std::ifstream file(path, std::ios::binary);
  char head[8] = {};
  if (file.read(head, sizeof head) && std::string(head, sizeof head) == "JASC-PAL") {
    file.seekg(0);
    std::ostringstream text;
    text << file.rdbuf();
    int count = 0;
    std::string error;
    if (ivorel::parse_palette_text(text.str(), table, count, error)) return true;
    std::fprintf(stderr, "apply: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  const ImageSource source(path);
  if (!source.ok()) return false;
  const RawImage img = source.frame(0);
  if (!img.palette || img.colors == 0) {
    std::fprintf(stderr, "apply: %s is a true colour image and has no colour palette\n", path.c_str());
    return false;
  }
  table = ivorel::colour_table_of(img.palette, img.colors);
  return true;
}

}  // namespace

// The texture's first frame, described in place over the file's own pixels.
struct OperationInputs::Texture {
  explicit Texture(const std::string& path) : source(path) {
    if (!source.ok()) return;
    const RawImage img = source.frame(0);
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = img.width;
    d.height = img.height;
    d.bitsPerPixel = img.bits;
    d.colors = img.colors;
    d.imageSize = ivorel::row_bytes(img.width, img.bits) * img.height;
    d.imageData = img.pixels;
    if (img.palette) std::copy(img.palette, img.palette + 256, d.palette);
  }
  ImageSource source;
  ImageDescriptorAndDisplayObj object;
};

OperationInputs::OperationInputs() = default;

OperationInputs::~OperationInputs() {
  ivorel::set_random_seed(std::nullopt);
  ivorel::set_texture_source(nullptr);
  ivorel::set_operation_palette(std::nullopt);
}

int OperationInputs::take(Args& args) {
  std::uint32_t first = 0x000000, second = 0xFFFFFF;
  for (std::size_t i = 0; i < args.size();) {
    const std::string option = args[i];
    if (option != "--seed" && option != "--colours" && option != "--texture" && option != "--palette") {
      ++i;
      continue;
    }
    if (i + 1 >= args.size()) return usage_error("apply: " + option + " needs a value");
    const std::string value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    if (option == "--seed") {
      std::uint32_t seed = 0;
      if (!parse_unsigned(value, 10, seed))
        return usage_error("apply: --seed takes a number 0 ... 4294967295");
      ivorel::set_random_seed(seed);
    } else if (option == "--colours") {
      const std::size_t comma = value.find(',');
      if (comma == std::string::npos || !parse_colour(value.substr(0, comma), first) ||
          !parse_colour(value.substr(comma + 1), second)) {
        return usage_error("apply: --colours takes FIRST,SECOND as RRGGBB,RRGGBB");
      }
    } else if (option == "--palette") {
      ivorel::ColourTable table{};
      if (!read_palette(value, table)) return 1;
      ivorel::set_operation_palette(table);
    } else {
      texture_ = std::make_unique<Texture>(value);
      if (!texture_->source.ok()) return 1;
      ivorel::set_texture_source([t = &texture_->object](const ImageDescriptorAndDisplayObj*) { return t; });
    }
  }
  ivorel::set_first_colour(first);
  ivorel::set_second_colour(second);
  return 0;
}

std::string input_options(unsigned inputs) {
  std::string text;
  if (inputs & registry::kRandom) text += " --seed";
  if (inputs & registry::kColours) text += " --colours";
  if (inputs & registry::kTexture) text += " --texture";
  if (inputs & registry::kPalette) text += " --palette";
  return text.empty() ? text : text.substr(1);
}

}  // namespace imgtools
