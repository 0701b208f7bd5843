#include "apps/vexil/captured_image.h"

#include <QFile>

#include <algorithm>
#include <vector>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/windows/frame/qimage_bridge.h"
#include "platform/core/cursor.h"
#include "platform/core/dib_types.h"

namespace vexil {

CapturedImage::CapturedImage() : undo_(std::make_unique<COperationUndoRedo>(holder_, holder_.menuUpdate)) {}

CapturedImage::~CapturedImage() {
  ivorel::free_image_block(holder_.image);
}

void CapturedImage::Replace(const _IMAGEDESCRIPTOR& image) {
  if (HasImage()) undo_->SaveUndoData();
  ivorel::free_image_block(holder_.image);
  holder_.image = image;
  holder_.menuUpdate = ivorel::fresh_menu_update(image.bitsPerPixel);
}

bool CapturedImage::Adopt(const QImage& image) {
  _IMAGEDESCRIPTOR descriptor;
  if (!ivorel::descriptor_from_qimage(image, descriptor)) return false;
  Replace(descriptor);
  modified_ = true;
  return true;
}

bool CapturedImage::Open(const QString& path) {
  pcore::RestoringWaitCursor wait;
  const QByteArray name = QFile::encodeName(path);
  Compand reader;
  if (!reader.InitExpander(name.constData()) || !reader.DoExpansion()) return false;
  _IMAGEDESCRIPTOR loaded;
  loaded.width = reader.GetWidth();
  loaded.height = reader.GetHeight();
  loaded.bitsPerPixel = reader.GetBitsPerPixel();
  loaded.colors = reader.GetColors();
  loaded.xResolution = loaded.yResolution = 100;
  loaded.imageSize =
      static_cast<std::uint32_t>(dib_stride(loaded.width, loaded.bitsPerPixel) * loaded.height);
  if (loaded.imageSize == 0 || !reader.GetDataPtr()) return false;
  loaded.hImageData = GlobalAlloc(loaded.imageSize);
  if (!loaded.hImageData) return false;
  loaded.imageData = static_cast<unsigned char*>(GlobalLock(loaded.hImageData));
  std::copy_n(reader.GetDataPtr(), loaded.imageSize, loaded.imageData);
  if (const RGBCOLOR* palette = reader.GetPalettePtr()) std::copy(palette, palette + 256, loaded.palette);
  Replace(loaded);
  modified_ = false;
  return true;
}

bool CapturedImage::Save(const QString& path, int quality) const {
  if (!HasImage()) return false;
  pcore::RestoringWaitCursor wait;
  const _IMAGEDESCRIPTOR& image = holder_.image;
  const QByteArray encoded = QFile::encodeName(path);
  // InitCompressor may give the name its type's extension: room for it.
  std::vector<char> name(encoded.constData(), encoded.constData() + encoded.size() + 1);
  name.resize(name.size() + 5, '\0');
  Compand writer;
  RGBCOLOR palette[256];
  std::copy(std::begin(image.palette), std::end(image.palette), palette);
  if (!writer.InitCompressor(Compand::FileTypeFromName(name.data()), name.data(), image.width, image.height,
                             image.bitsPerPixel, image.colors, image.imageData, palette)) {
    return false;
  }
  writer.SetImageType(image.bitsPerPixel == 24  ? IT_TRUECOLOR
                      : image.bitsPerPixel == 1 ? IT_BILEVEL
                                                : IT_PALETTE);
  writer.SetCompressionQuality(static_cast<unsigned short>(quality));
  return writer.DoCompression() != 0;
}

void CapturedImage::Clear() {
  ivorel::free_image_block(holder_.image);
  holder_.image = {};
  // Nothing from before a clear comes back.
  undo_ = std::make_unique<COperationUndoRedo>(holder_, holder_.menuUpdate);
  modified_ = false;
}

bool CapturedImage::Apply(const ImageTool& tool) {
  const registry::Operation* operation = registry::find_operation(tool.operation);
  if (!operation || !HasImage()) return false;
  pcore::RestoringWaitCursor wait;
  undo_->SaveUndoData();
  _IMAGE_PROC_DATA block;
  if (tool.word >= 0) block.words[tool.word] = tool.value;
  TProcessImageEx processor(&holder_);
  processor.SetImageProcData(&block);
  operation->run(processor);
  if (processor.LastOutcome() != ivorel::Outcome::Ran) return false;
  modified_ = true;
  return true;
}

bool CapturedImage::Undo() {
  pcore::RestoringWaitCursor wait;
  return undo_->DoUndo() != 0;
}

bool CapturedImage::Redo() {
  pcore::RestoringWaitCursor wait;
  return undo_->DoRedo() != 0;
}

QImage CapturedImage::ToQImage() const {
  return HasImage() ? ivorel::qimage_from_descriptor(holder_.image) : QImage();
}

}  // namespace vexil
