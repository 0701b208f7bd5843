// combine: puts one image onto another as a selection would be combined in the editor, for scripts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/processing/combine.h"
#include "ivorel/processing/packed_dib.h"
#include "ivorel/processing/processing.h"

namespace imgtools {

namespace {

bool parse_pair(const std::string& text, char separator, long& a, long& b) {
  char* end = nullptr;
  a = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != separator) return false;
  const char* second = end + 1;
  b = std::strtol(second, &end, 10);
  return end != second && *end == '\0';
}

bool parse_shape(const std::string& text, ivorel::SelectionShape& shape) {
  if (text == "rect") {
    shape.kind = ivorel::ShapeKind::Rectangle;
  } else if (text == "ellipse") {
    shape.kind = ivorel::ShapeKind::Ellipse;
  } else if (text == "roundrect") {
    shape.kind = ivorel::ShapeKind::RoundRect;
  } else if (text.rfind("polygon:", 0) == 0) {
    shape.kind = ivorel::ShapeKind::Polygon;
    const char* p = text.c_str() + 8;
    while (*p) {
      char* end = nullptr;
      const long x = std::strtol(p, &end, 10);
      if (end == p || *end != ',') return false;
      p = end + 1;
      const long y = std::strtol(p, &end, 10);
      if (end == p || (*end != ',' && *end != '\0')) return false;
      shape.points.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
      p = *end ? end + 1 : end;
    }
    return shape.points.size() >= 3;
  } else {
    return false;
  }
  return true;
}

struct Owned {
  _IMAGEDESCRIPTOR d;
  ~Owned() { ivorel::free_image_block(d); }
};

}  // namespace

bool load_descriptor(const std::string& path, _IMAGEDESCRIPTOR& d) {
  ImageSource src(path);
  if (!src.ok()) return false;
  const RawImage img = src.frame(0);
  if (!img.pixels) return false;
  if (!ivorel::descriptor_from_raw(img.width, img.height, img.bits, img.colors, img.pixels, img.palette, 100,
                                   d)) {
    std::fprintf(stderr, "%s: no memory for the image\n", path.c_str());
    return false;
  }
  return true;
}

int combine_verb(const Args& args) {
  std::vector<std::string> files;
  ivorel::CombineRequest rq;
  long sizeW = 0, sizeH = 0;
  std::string imageMaskPath, selectionMaskPath;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      files.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) return usage_error("combine: " + a + " needs a value");
    const std::string& v = args[++i];
    long x, y;
    if (a == "--at") {
      if (!parse_pair(v, ',', x, y) || std::labs(x) > 1000000 || std::labs(y) > 1000000) {
        return usage_error("combine: --at takes X,Y");
      }
      rq.left = static_cast<int>(x);
      rq.top = static_cast<int>(y);
    } else if (a == "--size") {
      if (!parse_pair(v, 'x', sizeW, sizeH) || sizeW < 1 || sizeH < 1 || sizeW > 65535 || sizeH > 65535) {
        return usage_error("combine: --size takes WxH, each 1 to 65535");
      }
    } else if (a == "--shape") {
      if (!parse_shape(v, rq.shape)) {
        return usage_error("combine: --shape takes rect, ellipse, roundrect or polygon:X,Y,X,Y,X,Y...");
      }
    } else if (a == "--mode") {
      rq.code = ivorel::combine_code_from_name(v.c_str(), rq.transparent);
      if (!rq.code)
        return usage_error(std::string("combine: --mode is one of ") + ivorel::combine_mode_names());
    } else if (a == "--pen") {
      char* end = nullptr;
      const unsigned long c = std::strtoul(v.c_str(), &end, 16);
      if (v.size() != 6 || *end) return usage_error("combine: --pen takes RRGGBB");
      rq.key = {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                static_cast<unsigned char>(c)};
    } else if (a == "--image-mask") {
      imageMaskPath = v;
    } else if (a == "--selection-mask") {
      selectionMaskPath = v;
    } else {
      return usage_error("combine: unknown option " + a);
    }
  }
  if (files.size() != 3) return usage_error("combine: needs IMAGE SELECTION OUT");
  const CompandType outType = writable_type(files[2]);
  if (outType == CT_NONE)
    return usage_error("combine: " + files[2] + " does not name a file type this tool writes");
  const bool wantsImageMask = rq.code == ivorel::kCombineImageMask || rq.code == ivorel::kCombineBothMasks;
  const bool wantsSelectionMask =
      rq.code == ivorel::kCombineSelectionMask || rq.code == ivorel::kCombineBothMasks;
  if (wantsImageMask && imageMaskPath.empty())
    return usage_error("combine: this mode needs --image-mask FILE");
  if (wantsSelectionMask && selectionMaskPath.empty()) {
    return usage_error("combine: this mode needs --selection-mask FILE");
  }

  Owned image, selection, imageMask, selectionMask;
  if (!load_descriptor(files[0], image.d) || !load_descriptor(files[1], selection.d)) return 1;
  if (wantsImageMask) {
    Owned file;
    if (!load_descriptor(imageMaskPath, file.d)) return 1;
    imageMask.d = ivorel::mask_as_24bit(file.d, image.d.width, image.d.height);
    rq.imageMask = &imageMask.d;
  }
  if (wantsSelectionMask) {
    Owned file;
    if (!load_descriptor(selectionMaskPath, file.d)) return 1;
    selectionMask.d = ivorel::mask_as_24bit(file.d, selection.d.width, selection.d.height);
    rq.selectionMask = &selectionMask.d;
  }
  rq.width = sizeW ? static_cast<int>(sizeW) : selection.d.width;
  rq.height = sizeH ? static_cast<int>(sizeH) : selection.d.height;
  rq.shape.boxWidth = rq.width;
  rq.shape.boxHeight = rq.height;
  if (!ivorel::combine_selection(image.d, selection.d, rq)) {
    std::fprintf(
        stderr,
        "imgtools: combine: the images could not be combined (depth not supported or memory short)\n");
    return 1;
  }
  const RawImage out{image.d.width,  image.d.height,    image.d.bitsPerPixel,
                     image.d.colors, image.d.imageData, image.d.palette};
  return save_image(files[2], outType, out);
}

}  // namespace imgtools
