#include "imgfile/file_names.h"

#include <array>
#include <cctype>

namespace codaxe {

namespace {

struct Extension {
  std::string_view text;  // lower case, with the dot
  CompandType type;
};

// The first entry of each type is the one written when a name needs an extension.
constexpr std::array<Extension, 15> kExtensions{{
    {".bmp", CT_BMP},
    {".thm", CT_THM},
    {".dib", CT_DIB},
    {".rle", CT_RLE},
    {".tif", CT_TIF},
    {".tiff", CT_TIF},
    {".gif", CT_GIF},
    {".jpg", CT_JPG},
    {".jpeg", CT_JPG},
    {".jpe", CT_JPG},
    {".pcx", CT_PCX},
    {".tga", CT_TGA},
    {".avi", CT_AVI},
    {".png", CT_PNG},
    {"", CT_NONE},
}};

// Position of the last component's extension dot, or npos. A leading dot marks a hidden file, not an
// extension.
std::size_t extension_start(std::string_view name) {
  std::size_t slash = name.rfind('/');
  std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot <= base) return std::string_view::npos;
  return dot;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

}  // namespace

CompandType type_from_name(std::string_view name) {
  std::size_t dot = extension_start(name);
  if (dot == std::string_view::npos) return CT_NONE;
  std::string_view ext = name.substr(dot);
  for (const Extension& e : kExtensions) {
    if (!e.text.empty() && equal_ignoring_case(ext, e.text)) return e.type;
  }
  return CT_NONE;
}

std::string name_with_type(std::string_view name, CompandType type) {
  if (name.empty()) return {};
  const Extension* canonical = nullptr;
  for (const Extension& e : kExtensions) {
    if (e.type == type && !e.text.empty()) {
      canonical = &e;
      break;
    }
  }
  if (!canonical) return {};
  if (type_from_name(name) == type) return std::string(name);
  std::size_t dot = extension_start(name);
  std::string result(name.substr(0, dot));
  result += canonical->text;
  return result;
}

}  // namespace codaxe
