// The image information dialog of an image window, and the new-image dialog that asks for the size,
// depth and background of a blank image.
#pragma once

class CMDIChildImageWnd;

namespace ivorel {

// Modal; shows the image's size, colours and type, the system's memory and the description of a TIFF.
void ShowImageInfoDialog(CMDIChildImageWnd* child);

// Installs the Qt new-image dialog as the new-image service.
void install_new_image_dialog_qt();

}  // namespace ivorel
