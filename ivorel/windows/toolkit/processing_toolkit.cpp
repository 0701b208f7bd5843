#include "ivorel/windows/toolkit/processing_toolkit.h"

namespace ivorel {

namespace {
std::function<ImageDescriptorAndDisplayObj*()> image_source;
}

void SetToolkitImageSource(std::function<ImageDescriptorAndDisplayObj*()> source) {
  image_source = std::move(source);
}

void PopupImageProcessingParameterFrame(QWidget*, const char*) {}
void PopupImageProcessingPreviewDialog(QWidget*, const char*) {}
void ApplyImageProcessingFromUI(ImageDescriptorAndDisplayObj*, QWidget*) {}

}  // namespace ivorel
