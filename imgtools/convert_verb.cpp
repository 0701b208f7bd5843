#include <charconv>
#include <cstdio>
#include <vector>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"

namespace imgtools {

namespace {

bool parse_number(const std::string& text, int low, int high, int& out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

ImgType image_type_for(unsigned colors) {
  if (colors == 0) return IT_TRUECOLOR;
  return colors <= 2 ? IT_BILEVEL : IT_PALETTE;
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
  CompandType outType = Compand::FileTypeFromName(out.c_str());
  if (outType == CT_NONE || outType == CT_AVI) {
    return usage_error("convert: " + out + " does not name a file type this tool writes");
  }

  ImageSource source(in);
  if (!source.ok()) return 1;
  if (frameIndex >= source.frame_count()) {
    std::fprintf(stderr, "%s: has no frame %d (%d frame%s)\n", in.c_str(), frameIndex, source.frame_count(),
                 source.frame_count() == 1 ? "" : "s");
    return 1;
  }

  // The writer gives the name its extension in place; OUT already has it, but the buffer needs the room.
  std::vector<char> name(out.begin(), out.end());
  name.resize(out.size() + 8, '\0');
  Compand writer;
  Compand::SetErrorMessageOutputStream(stderr);
  RawImage img = source.frame(frameIndex);
  bool keepFrames = source.frame_count() > 1 && multi_frame_format(outType);
  int ok = keepFrames ? writer.InitCompressor(outType, name.data(), source.stack())
                      : writer.InitCompressor(outType, name.data(), img.width, img.height, img.bits,
                                              img.colors, img.pixels, img.palette);
  if (!ok) {
    std::fprintf(stderr, "%s: %s files cannot be written yet\n", out.c_str(), type_name(outType));
    return 1;
  }
  if (quality >= 0) writer.SetCompressionQuality(static_cast<unsigned short>(quality));
  writer.SetImageType(image_type_for(img.colors));
  ok = keepFrames ? writer.SaveImageStack() : writer.DoCompression();
  if (!ok || writer.GetError() != 0) {
    std::fprintf(stderr, "\n%s: could not be written\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace imgtools
