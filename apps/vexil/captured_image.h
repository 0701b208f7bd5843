// The one image Vexil holds: a descriptor the processing engine works on in place, with its one-level undo
// store, read from and written to files through Codaxe.
#pragma once

#include <QImage>
#include <QString>

#include <memory>

#include "ivorel/windows/imagedescriptor.h"

namespace vexil {

// A quick image tool or post-capture action: the registry operation and the one parameter word it sets in
// an otherwise empty block (word -1: none).
struct ImageTool {
  const char* operation;
  int word;
  int value;
};

class CapturedImage {
 public:
  CapturedImage();
  ~CapturedImage();
  CapturedImage(const CapturedImage&) = delete;
  CapturedImage& operator=(const CapturedImage&) = delete;

  bool HasImage() const { return holder_.image.hImageData != nullptr; }
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Replaces the image (a new capture or file), keeping the one it replaces as the undo step: a capture
  // taken over unsaved work can be taken back. False, with nothing changed, for an empty image or short
  // memory.
  bool Adopt(const QImage& image);
  // Reads an image file; false (Codaxe has reported why) leaves the current image as it was.
  bool Open(const QString& path);
  // Writes the file in the type of its extension at the given JPEG quality; false when the write failed.
  bool Save(const QString& path, int quality) const;
  void Clear();

  // Runs the tool through the processing engine after saving undo data; false when it did not run.
  bool Apply(const ImageTool& tool);
  bool CanUndo() { return undo_->ICanUndo() != 0; }
  bool CanRedo() { return undo_->ICanRedo() != 0; }
  bool Undo();
  bool Redo();

  QImage ToQImage() const;
  const _IMAGEDESCRIPTOR& Descriptor() const { return holder_.image; }

 private:
  void Replace(const _IMAGEDESCRIPTOR& image);

  ImageDescriptorAndDisplayObj holder_;
  std::unique_ptr<COperationUndoRedo> undo_;
  bool modified_ = false;
};

}  // namespace vexil
