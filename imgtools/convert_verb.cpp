#include <charconv>
#include <cstdio>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"

namespace imgtools {

namespace {

bool parse_number(const std::string& text, int low, int high, int& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

bool multi_frame_format(CompandType type) {
  return type == CT_GIF;
}

}  // namespace

int convert_verb(const Args& args) {
  int quality = -1;
  int frameIndex = 0;
  Args files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--quality" || a == "--frame") {
      if (i + 1 == args.size()) return usage_error("convert: " + a + " needs a value");
      int& target = a == "--quality" ? quality : frameIndex;
      if (!parse_number(args[++i], 0, a == "--quality" ? 100 : 65534, target)) {
        return usage_error("convert: bad value for " + a + ": " + args[i]);
      }
    } else if (a.starts_with("--")) {
      return usage_error("convert: unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return usage_error("convert: needs IN and OUT");
  const std::string& in = files[0];
  const std::string& out = files[1];
  CompandType outType = writable_type(out);
  if (outType == CT_NONE) {
    return usage_error("convert: " + out + " does not name a file type this tool writes");
  }

  ImageSource source(in);
  if (!source.ok()) return 1;
  if (frameIndex >= source.frame_count()) {
    std::fprintf(stderr, "%s: has no frame %d (%d frame%s)\n", in.c_str(), frameIndex, source.frame_count(),
                 source.frame_count() == 1 ? "" : "s");
    return 1;
  }

  RawImage img = source.frame(frameIndex);
  const bool keepFrames = source.frame_count() > 1 && multi_frame_format(outType);
  // A JPEG written again keeps the quality it was made with: more would only bloat it, less blur it.
  if (quality < 0 && source.type() == CT_JPG && outType == CT_JPG && source.source_quality() > 0) {
    quality = source.source_quality();
  }
  return save_image(out, outType, img, keepFrames ? source.stack() : nullptr, quality);
}

}  // namespace imgtools
