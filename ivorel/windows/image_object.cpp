// ImageDescriptorAndDisplayObj: switching between the image and its mask, each with its own remembered view.
#include <new>

#include "ivorel/windows/imagedescriptor.h"

namespace ivorel {

_MENUUPDATE fresh_menu_update(unsigned short bitsPerPixel) {
  _MENUUPDATE menu;
  for (int i = 0; i < 20; i += 2) menu.item[i] = 1;
  menu.item[_MENUUPDATE::kScaleChecked] = 1;
  menu.item[_MENUUPDATE::kNormalChecked] = 1;
  menu.item[_MENUUPDATE::kBitsPerPixel] = bitsPerPixel;
  return menu;
}

unsigned short displayed_extent(short zoom, unsigned short size) {
  if (zoom >= 0) return static_cast<unsigned short>(size * zoom);
  return static_cast<unsigned short>(size / -zoom);
}

}  // namespace ivorel

ImageDescriptorAndDisplayObj::ImageDescriptorAndDisplayObj() {
  otherImage = image;
  menuUpdateAlpha = ivorel::fresh_menu_update(24);
}

ImageDescriptorAndDisplayObj::~ImageDescriptorAndDisplayObj() {
  if (alphaShown) {
    // The mask is the current descriptor, whose block its owner releases; the image's block is ours.
    ivorel::free_image_block(otherImage);
    alpha.descriptor.hImageData = nullptr;
    alpha.descriptor.imageData = nullptr;
  }
  image = _IMAGEDESCRIPTOR{};
  menuUpdate = _MENUUPDATE{};
  menuUpdateAlpha = _MENUUPDATE{};
  window = nullptr;
  delete display;
  display = nullptr;
  alpha.DestroyAlpha();
}

void ImageDescriptorAndDisplayObj::RebuildDisplayObj(int switching) {
  int clip = 1;
  if (display) {
    clip = display->IsClipMode();
    view.zoom = display->GetZoom();
  }
  if (switching) {
    if (alphaShown) {
      viewAlpha = view;
      view = viewImage;
      clip = menuUpdateImage.item[_MENUUPDATE::kScaleChecked];
    } else {
      viewImage = view;
      view = viewAlpha;
      clip = menuUpdateAlpha.item[_MENUUPDATE::kScaleChecked];
    }
  }
  delete display;
  display = new (std::nothrow) Display;
  if (!display) return;
  // The count must name the depth the pixels have (a descriptor may hold 8-bit pixels with 16 colours).
  display->InitForDisplay(image.width, image.height,
                          draw::colours_for_display(image.bitsPerPixel, image.colors), image.imageData,
                          image.palette, 1);
  if (clip) {
    display->SetClipMode();
  } else {
    display->SetStretchMode();
  }
  display->SetZoom(view.zoom);
}

int ImageDescriptorAndDisplayObj::SwitchDisplayData() {
  const bool toImage = alphaShown != 0;
  if (toImage) {
    alpha.descriptor = image;
    menuUpdateAlpha = menuUpdate;
    image = otherImage;
    menuUpdate = menuUpdateImage;
  } else {
    if (!alpha.HasAlpha() && image.width != 0 && image.height != 0 && !alpha.CreateDefaultAlpha(*this))
      return 0;
    otherImage = image;
    menuUpdateImage = menuUpdate;
    image = alpha.descriptor;
    menuUpdate = menuUpdateAlpha;
  }
  if (image.width == 0 || image.height == 0) {
    delete display;
    display = nullptr;
    image = _IMAGEDESCRIPTOR{};
  } else {
    RebuildDisplayObj(1);
  }
  if (window && *window) {
    SendMenuUpdateToClient();
    if (toImage) {
      SetImageCursor();
    } else {
      SetAlphaCursor();
    }
    InvalidateRect(*window, nullptr, 1);
  }
  alphaShown = !alphaShown;
  return 1;
}
