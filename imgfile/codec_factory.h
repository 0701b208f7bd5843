// Which codec handles which file type.
#pragma once

#include <memory>
#include <string>

#include "imgfile/image_codec.h"

namespace codaxe {

// A reading codec for `type`, or null for a type no reader handles.
std::shared_ptr<ImageCodec> make_reader(CompandType type, const std::string& path);

// A writing codec that will write the caller's image (pointers kept, not copied) to `path`, or null.
std::shared_ptr<ImageCodec> make_writer(CompandType type, const std::string& path, unsigned short width,
                                        unsigned short height, unsigned short bitsPerPixel,
                                        unsigned short colors, unsigned char* pixels, RGBCOLOR* palette);

}  // namespace codaxe
