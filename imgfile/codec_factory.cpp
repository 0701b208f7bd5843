#include "imgfile/codec_factory.h"

#include "imgfile/avi_reader.h"
#include "imgfile/bmp_codec.h"
#include "imgfile/gif_reader.h"
#include "imgfile/gif_writer.h"
#include "imgfile/jpeg_codec.h"
#include "imgfile/pcx_codec.h"
#include "imgfile/png_codec.h"
#include "imgfile/tga_codec.h"
#include "imgfile/tiff_codec.h"

namespace codaxe {

std::shared_ptr<ImageCodec> make_reader(CompandType type, const std::string& path) {
  switch (type) {
    case CT_BMP:
    case CT_THM:
    case CT_DIB:
    case CT_RLE:
      return std::make_shared<BmpCodec>(path);
    case CT_GIF:
      return std::make_shared<GifReader>(path);
    case CT_PCX:
      return std::make_shared<PcxReader>(path);
    case CT_TGA:
      return std::make_shared<TgaReader>(path);
    case CT_JPG:
      return std::make_shared<JpegReader>(path);
    case CT_PNG:
      return std::make_shared<PngCodec>(path);
    case CT_TIF:
      return std::make_shared<TiffReader>(path);
    case CT_AVI:
      return std::make_shared<AviReader>(path);
    default:
      return nullptr;
  }
}

std::shared_ptr<ImageCodec> make_writer(CompandType type, const std::string& path, unsigned short width,
                                        unsigned short height, unsigned short bitsPerPixel,
                                        unsigned short colors, unsigned char* pixels, RGBCOLOR* palette) {
  switch (type) {
    case CT_BMP:
    case CT_THM:
    case CT_DIB:
    case CT_RLE:
      return std::make_shared<BmpCodec>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_GIF:
      return std::make_shared<GifWriter>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_PCX:
      return std::make_shared<PcxWriter>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_TGA:
      return std::make_shared<TgaWriter>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_JPG:
      return std::make_shared<JpegWriter>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_PNG:
      return std::make_shared<PngCodec>(path, width, height, bitsPerPixel, colors, pixels, palette);
    case CT_TIF:
      return std::make_shared<TiffWriter>(path, width, height, bitsPerPixel, colors, pixels, palette);
    default:
      return nullptr;
  }
}

}  // namespace codaxe
