// fill: the editor's tolerant flood fill on a file, for scripts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/windows/paint_engine.h"

namespace imgtools {

namespace {

bool parse_colour(const std::string& text, RGBCOLOR& c) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (text.size() != 6 || *end) return false;
  c = {static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 8),
       static_cast<unsigned char>(v)};
  return true;
}

}  // namespace

int fill_verb(const Args& args) {
  std::vector<std::string> plain;
  long tolerance = 0;
  RGBCOLOR colour{192, 192, 192};  // the brush's own colour until told
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      plain.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) return usage_error("fill: " + a + " needs a value");
    const std::string& v = args[++i];
    if (a == "--tolerance") {
      char* end = nullptr;
      tolerance = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end || tolerance < 0 || tolerance > 10)
        return usage_error("fill: --tolerance takes 0 to 10");
    } else if (a == "--colour" || a == "--color") {
      if (!parse_colour(v, colour)) return usage_error("fill: --colour takes RRGGBB");
    } else if (a == "--colours" || a == "--colors") {
      // FIRST,SECOND as the other verbs take them: the fill paints with the second (the brush).
      const std::size_t comma = v.find(',');
      RGBCOLOR first;
      if (comma == std::string::npos || !parse_colour(v.substr(0, comma), first) ||
          !parse_colour(v.substr(comma + 1), colour))
        return usage_error("fill: --colours takes FIRST,SECOND as RRGGBB,RRGGBB");
    } else {
      return usage_error("fill: unknown option " + a);
    }
  }
  if (plain.size() != 3) return usage_error("fill: needs X,Y IN OUT");
  char* end = nullptr;
  const long x = std::strtol(plain[0].c_str(), &end, 10);
  const char* second = *end == ',' ? end + 1 : nullptr;
  const long y = second ? std::strtol(second, &end, 10) : 0;
  if (!second || end == second || *end) return usage_error("fill: the seed is X,Y");
  const CompandType outType = writable_type(plain[2]);
  if (outType == CT_NONE)
    return usage_error("fill: " + plain[2] + " does not name a file type this tool writes");
  _IMAGEDESCRIPTOR d;
  if (!load_descriptor(plain[1], d)) return 1;
  if (x < 0 || y < 0 || x >= d.width || y >= d.height) {
    ivorel::free_image_block(d);
    return usage_error("fill: the seed lies outside the image");
  }
  const ivorel::paint::FillResult r = ivorel::paint::flood_fill(d, static_cast<int>(x), static_cast<int>(y),
                                                                colour, static_cast<int>(tolerance));
  std::printf("%lld pixels filled\n", r.pixels);
  const RawImage out{d.width, d.height, d.bitsPerPixel, d.colors, d.imageData, d.palette};
  const int status = save_image(plain[2], outType, out);
  ivorel::free_image_block(d);
  return status;
}

}  // namespace imgtools
