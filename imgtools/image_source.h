// Reading a file once for the verbs: the image, its frames and what the library said about it.
#pragma once

#include <string>

#include "imgfile/codaxe.h"

namespace imgtools {

// One image as the raw layout describes it; pointers stay owned by the Compand or the frame they came from.
struct RawImage {
  unsigned short width = 0;
  unsigned short height = 0;
  unsigned short bits = 0;
  unsigned short colors = 0;
  unsigned char* pixels = nullptr;
  RGBCOLOR* palette = nullptr;
  // Transparency, one byte a pixel (255 opaque), rows bottom-up; null when opaque.
  const unsigned char* alpha = nullptr;
};

class ImageSource {
 public:
  // Reads `path`; on failure prints why to standard error and ok() is false.
  explicit ImageSource(const std::string& path);
  ~ImageSource();
  bool ok() const { return ok_; }
  CompandType type() const { return type_; }
  // Frames of a multi-frame file; a single image counts as one frame.
  int frame_count() const;
  // Frame i (0 for a single image), or an image without pixels when there is no such frame.
  RawImage frame(int i) const;
  const ImageFrame* frame_record(int i) const;
  ImageStack* stack() const { return compand_.GetImageStack(); }
  // The quality a JPEG was compressed with (estimated); 0 for other files.
  int source_quality() const { return compand_.GetSourceQuality(); }

 private:
  Compand compand_;
  CompandType type_ = CT_NONE;
  bool ok_ = false;
};

const char* type_name(CompandType type);

// Writes one image in the format `type`; on failure says why on standard error and returns 1, else 0.
// Writes `img` to `out` (or, when `frames` is given, the whole stack to a multi-frame format), handing the
// quality to the writer when it is 0 or more, else kDefaultQuality; prints why on failure and returns the
// exit status.
int save_image(const std::string& out, CompandType type, const RawImage& img, ImageStack* frames = nullptr,
               int quality = -1);
// The type `out` is written as, or CT_NONE when no writer takes that name.
CompandType writable_type(const std::string& out);
// What lossy writers get when neither the user nor the file read says otherwise.
inline constexpr int kDefaultQuality = 90;

}  // namespace imgtools
