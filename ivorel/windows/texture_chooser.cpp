#include "ivorel/windows/texture_chooser.h"

#include <algorithm>
#include <memory>

#include "imgfile/codaxe.h"
#include "ivorel/processing/operation_inputs.h"
#include "ivorel/processing/processing.h"
#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/cursor.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace ivorel {

namespace {

// A texture read from a file: the reader keeps the pixels, the object describes them.
struct Texture {
  Compand reader;
  ImageDescriptorAndDisplayObj object;
};

std::unique_ptr<Texture> chosen;

std::unique_ptr<Texture> read_texture(const std::string& path) {
  auto t = std::make_unique<Texture>();
  pcore::RestoringWaitCursor wait;
  if (!t->reader.InitExpander(path.c_str()) || !t->reader.DoExpansion() || !t->reader.GetDataPtr())
    return nullptr;
  _IMAGEDESCRIPTOR& d = t->object.image;
  d.width = t->reader.GetWidth();
  d.height = t->reader.GetHeight();
  d.bitsPerPixel = t->reader.GetBitsPerPixel();
  d.colors = t->reader.GetColors();
  d.imageSize = row_bytes(d.width, d.bitsPerPixel) * d.height;
  d.imageData = t->reader.GetDataPtr();
  if (const RGBCOLOR* palette = t->reader.GetPalettePtr()) std::copy(palette, palette + 256, d.palette);
  return t;
}

ImageDescriptorAndDisplayObj* texture_for(const ImageDescriptorAndDisplayObj* target) {
  if (!target || !target->window) return chosen ? &chosen->object : nullptr;
  pcore::FileDialogRequest request;
  request.kind = pcore::FileDialogKind::Open;
  request.title = "Select a Texture Image";
  request.filters = {
      {"Image Files", "*.bmp;*.gif;*.dib;*.rle;*.tif;*.tiff;*.jpg;*.jpeg;*.jpe;*.tga;*.pcx;*.png"},
      {"All Files", "*.*"}};
  if (pcore::run_file_dialog(request) != pcore::kIdOk) return nullptr;
  std::unique_ptr<Texture> t = read_texture(request.path);
  if (!t) return nullptr;  // the reader has said why
  chosen = std::move(t);
  return &chosen->object;
}

}  // namespace

void install_texture_chooser() {
  set_texture_source(texture_for);
}

}  // namespace ivorel
