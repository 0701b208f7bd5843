#include "imgtools/image_source.h"

#include <sys/stat.h>

#include <cstdio>
#include <vector>

namespace imgtools {

ImageSource::ImageSource(const std::string& path) {
  Compand::SetErrorMessageOutputStream(stderr);
  type_ = Compand::FileTypeFromName(path.c_str());
  struct stat st;
  if (type_ == CT_NONE) {
    std::fprintf(stderr, "%s: not a file type this tool reads\n", path.c_str());
    return;
  }
  if (::stat(path.c_str(), &st) != 0) {
    std::fprintf(stderr, "%s: no such file\n", path.c_str());
    return;
  }
  if (!compand_.InitExpander(path.c_str())) {
    std::fprintf(stderr, "%s: %s files cannot be read yet\n", path.c_str(), type_name(type_));
    return;
  }
  ok_ = compand_.DoExpansion() != 0;
  if (!ok_) std::fprintf(stderr, "\n%s: could not be read\n", path.c_str());
}

ImageSource::~ImageSource() {
  compand_.DisposeOfImage();
}

int ImageSource::frame_count() const {
  ImageStack* s = stack();
  int n = s ? s->GetFrameNumber() : 0;
  return n > 0 ? n : 1;
}

const ImageFrame* ImageSource::frame_record(int i) const {
  ImageStack* s = stack();
  return s ? s->GetFrameData(i) : nullptr;
}

RawImage ImageSource::frame(int i) const {
  if (const ImageFrame* f = frame_record(i)) {
    return {f->width, f->height, f->bitsPerPixel, f->colors, f->pixels, const_cast<RGBCOLOR*>(f->palette)};
  }
  if (i != 0 || frame_record(0)) return {};
  return {compand_.GetWidth(),   compand_.GetHeight(),     compand_.GetBitsPerPixel(), compand_.GetColors(),
          compand_.GetDataPtr(), compand_.GetPalettePtr(), compand_.GetAlphaPtr()};
}

const char* type_name(CompandType type) {
  switch (type) {
    case CT_BMP:
      return "BMP";
    case CT_THM:
      return "THM";
    case CT_DIB:
      return "DIB";
    case CT_RLE:
      return "RLE";
    case CT_TIF:
      return "TIFF";
    case CT_GIF:
      return "GIF";
    case CT_JPG:
      return "JPEG";
    case CT_PCX:
      return "PCX";
    case CT_TGA:
      return "TGA";
    case CT_AVI:
      return "AVI";
    case CT_PNG:
      return "PNG";
    default:
      return "unknown";
  }
}

CompandType writable_type(const std::string& out) {
  CompandType type = Compand::FileTypeFromName(out.c_str());
  return type == CT_AVI ? CT_NONE : type;
}

int save_image(const std::string& out, CompandType type, const RawImage& img, ImageStack* frames,
               int quality) {
  // The writer gives the name its extension in place; OUT already has it, but the buffer needs the room.
  std::vector<char> name(out.begin(), out.end());
  name.resize(out.size() + 8, '\0');
  Compand writer;
  Compand::SetErrorMessageOutputStream(stderr);
  const int ready = frames ? writer.InitCompressor(type, name.data(), frames)
                           : writer.InitCompressor(type, name.data(), img.width, img.height, img.bits,
                                                   img.colors, img.pixels, img.palette);
  if (!ready) {
    std::fprintf(stderr, "%s: %s files cannot be written yet\n", out.c_str(), type_name(type));
    return 1;
  }
  writer.SetCompressionQuality(static_cast<unsigned short>(quality >= 0 ? quality : kDefaultQuality));
  if (!frames) writer.SetAlphaData(img.alpha);
  writer.SetImageType(img.colors == 0 ? IT_TRUECOLOR : img.colors <= 2 ? IT_BILEVEL : IT_PALETTE);
  const int written = frames ? writer.SaveImageStack() : writer.DoCompression();
  if (!written || writer.GetError() != 0) {
    std::fprintf(stderr, "\n%s: could not be written\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace imgtools
