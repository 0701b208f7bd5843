// The processing toolkit: the "Image Processing" window that offers every operation of the registry on its
// tab, with a control per parameter word, a live preview on a reduced copy of the active image, and Apply.
// The frame fills its function references with these.
#pragma once

#include <functional>

class QWidget;
class ImageDescriptorAndDisplayObj;

namespace ivorel {

// Where the toolkit finds the image it previews and applies to: the active image window's image, or null.
void SetToolkitImageSource(std::function<ImageDescriptorAndDisplayObj*()> source);

// Opens (or raises) the top-level window titled "Image Processing" on the tab named `tab`; "Want The First
// Tab", null or a name no tab has open the first tab.
void PopupImageProcessingParameterFrame(QWidget* parent, const char* tab);
// The same toolkit as a window titled "Image Processing Preview".
void PopupImageProcessingPreviewDialog(QWidget* parent, const char* tab);

// Applies the toolkit's selected operation with its current words to `image` (the processor takes the undo
// snapshot; no dialog opens), then repaints the image's window. Nothing happens without an image or a
// selected operation.
void ApplyImageProcessingFromUI(ImageDescriptorAndDisplayObj* image, QWidget* parent);

}  // namespace ivorel
