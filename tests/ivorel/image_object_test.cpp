// ImageDescriptorAndDisplayObj: the image/mask switch with its remembered view states, and Alpha3.
#include <gtest/gtest.h>

#include <cstring>

#include "ivorel/windows/imagedescriptor.h"

namespace {

// Fills the current descriptor with a new block, as an image window does after reading a file.
void adopt_image(_IMAGEDESCRIPTOR& image, unsigned short width, unsigned short height, unsigned short bits,
                 unsigned short colors) {
  image.width = width;
  image.height = height;
  image.xResolution = 100;
  image.yResolution = 72;
  image.bitsPerPixel = bits;
  image.colors = colors;
  image.imageSize = static_cast<std::uint32_t>(dib_stride(width, bits) * height);
  image.hImageData = GlobalAlloc(image.imageSize);
  image.imageData = static_cast<unsigned char*>(GlobalLock(image.hImageData));
  for (unsigned i = 0; i < 256; ++i) image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i), 7, 9};
}

// A window's overrides, counted.
class CountingImage : public ImageDescriptorAndDisplayObj {
 public:
  void SendMenuUpdateToClient() override { ++menuUpdates; }
  void SetImageCursor() override { ++imageCursors; }
  void SetAlphaCursor() override { ++alphaCursors; }
  int menuUpdates = 0, imageCursors = 0, alphaCursors = 0;
};

// The image window's part: it releases the current block (Part of the ownership rule).
struct OwnedImage : CountingImage {
  ~OwnedImage() override { ivorel::free_image_block(image); }
};

}  // namespace

TEST(ImageObject, DefaultConstructionAndMenuRecords) {
  ImageDescriptorAndDisplayObj o;
  EXPECT_EQ(o.display, nullptr);
  EXPECT_EQ(o.window, nullptr);
  EXPECT_EQ(o.alphaShown, 0);
  EXPECT_FALSE(o.alpha.HasAlpha());
  EXPECT_EQ(o.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 0);
  const _MENUUPDATE& mask = o.menuUpdateAlpha;
  EXPECT_EQ(mask.item[_MENUUPDATE::kBitsPerPixel], 24);
  for (int i = 0; i < 20; ++i) {
    const bool want = i % 2 == 0 || i == _MENUUPDATE::kScaleChecked || i == _MENUUPDATE::kNormalChecked;
    EXPECT_EQ(mask.item[i], want ? 1 : 0) << i;
  }
  EXPECT_EQ(o.viewAlpha.zoom, 1);
  EXPECT_EQ(o.viewAlpha.viewMode, 1);
  EXPECT_EQ(o.viewAlpha.preZoomViewMode, 0);
  EXPECT_EQ(o.viewAlpha.preZoomClip, 1);
}

TEST(ImageObject, FirstSwitchMakesAWhiteMaskOfTheImagesSize) {
  OwnedImage o;
  adopt_image(o.image, 640, 480, 8, 256);
  o.menuUpdate = ivorel::fresh_menu_update(8);
  o.RebuildDisplayObj(0);
  HGLOBAL imageBlock = o.image.hImageData;
  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.alphaShown, 1);
  EXPECT_EQ(o.image.width, 640);
  EXPECT_EQ(o.image.bitsPerPixel, 24);
  EXPECT_EQ(o.image.colors, 0);
  EXPECT_EQ(o.image.imageSize, 640u * 480 * 3);
  EXPECT_EQ(o.image.xResolution, 100);
  EXPECT_EQ(o.image.yResolution, 72);
  EXPECT_EQ(o.image.palette[200].red, 200);
  EXPECT_EQ(o.image.hImageData, o.alpha.descriptor.hImageData);
  EXPECT_EQ(GlobalSize(o.image.hImageData), 640u * 480 * 3);
  for (std::uint32_t i = 0; i < o.image.imageSize; ++i) ASSERT_EQ(o.image.imageData[i], 255) << i;
  EXPECT_EQ(o.otherImage.hImageData, imageBlock);
  EXPECT_EQ(o.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 24);
  ASSERT_NE(o.display, nullptr);
  EXPECT_EQ(o.display->GetBPP(), 24);

  // Back to the image: the same block, and the mask kept for the next switch.
  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.image.hImageData, imageBlock);
  EXPECT_EQ(o.image.bitsPerPixel, 8);
  EXPECT_TRUE(o.alpha.HasAlpha());
  EXPECT_EQ(o.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 8);
  EXPECT_EQ(o.display->GetBPP(), 8);
}

TEST(ImageObject, ZoomAndViewStateAreRememberedForImageAndMask) {
  OwnedImage o;
  adopt_image(o.image, 30, 20, 24, 0);
  o.menuUpdate = ivorel::fresh_menu_update(24);
  o.RebuildDisplayObj(0);
  // Zoom to 400 %, as the view functions do.
  o.view.preZoomViewMode = 1;
  o.view.preZoomClip = 1;
  o.view.zoom = 4;
  o.display->SetZoom(4);
  o.menuUpdate.item[_MENUUPDATE::kNormalChecked] = 0;
  o.menuUpdate.item[11] = 1;
  const _MENUUPDATE before = o.menuUpdate;

  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.display->GetZoom(), 1);
  EXPECT_TRUE(o.display->IsClipMode());
  EXPECT_EQ(o.view.zoom, 1);
  EXPECT_EQ(o.view.preZoomViewMode, 0);
  // The mask is shown stretched to fit; that too is remembered.
  o.menuUpdate.item[_MENUUPDATE::kScaleChecked] = 0;
  o.view.viewMode = 2;
  o.display->SetStretchMode();

  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.display->GetZoom(), 4);
  EXPECT_TRUE(o.display->IsClipMode());
  EXPECT_EQ(o.view.zoom, 4);
  EXPECT_EQ(o.view.preZoomViewMode, 1);
  EXPECT_EQ(std::memcmp(&o.menuUpdate, &before, sizeof before), 0);

  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_FALSE(o.display->IsClipMode());
  EXPECT_EQ(o.view.viewMode, 2);
  ASSERT_EQ(o.SwitchDisplayData(), 1);
}

TEST(ImageObject, EmptyImagesGetNoDisplay) {
  ImageDescriptorAndDisplayObj o;
  o.RebuildDisplayObj(0);
  ASSERT_NE(o.display, nullptr);
  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.display, nullptr);
  EXPECT_FALSE(o.alpha.HasAlpha());
  EXPECT_EQ(o.image.width, 0);
  EXPECT_EQ(o.alphaShown, 1);
  ASSERT_EQ(o.SwitchDisplayData(), 1);
  EXPECT_EQ(o.alphaShown, 0);
}

TEST(ImageObject, OnlyAnAttachedWindowIsToldAndRedrawn) {
  CountingImage bare;
  adopt_image(bare.image, 4, 4, 24, 0);
  HGLOBAL block = bare.image.hImageData;
  bare.SwitchDisplayData();
  bare.SwitchDisplayData();
  EXPECT_EQ(bare.menuUpdates + bare.imageCursors + bare.alphaCursors, 0);

  OwnedImage shown;
  draw::MemoryWindow window(8, 8);
  HWND handle = &window;
  shown.window = &handle;
  adopt_image(shown.image, 4, 4, 24, 0);
  shown.SwitchDisplayData();
  EXPECT_EQ(shown.menuUpdates, 1);
  EXPECT_EQ(shown.alphaCursors, 1);
  EXPECT_EQ(window.invalidations(), 1);
  EXPECT_TRUE(window.last_erase());
  shown.SwitchDisplayData();
  EXPECT_EQ(shown.imageCursors, 1);
  EXPECT_EQ(window.invalidations(), 2);
  // Destroyed with the mask shown: the object frees the image, the owner the mask (the sanitizers check).
  shown.SwitchDisplayData();

  // A bare user releases the current block itself.
  ivorel::free_image_block(bare.image);
  (void)block;
}

TEST(Alpha3, DefaultMaskCopiesAndDestruction) {
  _IMAGEDESCRIPTOREXT image;
  image.image.width = 3;
  image.image.height = 2;
  image.image.bitsPerPixel = 1;
  image.image.colors = 2;
  Alpha3 mask;
  ASSERT_EQ(mask.CreateDefaultAlpha(image), 1);
  EXPECT_TRUE(mask.HasAlpha());
  EXPECT_EQ(mask.descriptor.imageSize, 24u);
  EXPECT_EQ(mask.descriptor.bitsPerPixel, 24);
  EXPECT_EQ(mask.descriptor.colors, 0);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(mask.descriptor.imageData[i], 255);
  HGLOBAL first = mask.descriptor.hImageData;
  EXPECT_EQ(mask.CreateDefaultAlpha(image), 1);
  EXPECT_EQ(mask.descriptor.hImageData, first) << "an existing mask is kept";

  Alpha3 copy(mask);
  EXPECT_NE(copy.descriptor.hImageData, first);
  EXPECT_EQ(std::memcmp(copy.descriptor.imageData, mask.descriptor.imageData, 24), 0);
  mask.DestroyAlpha();
  EXPECT_FALSE(mask.HasAlpha());
  EXPECT_EQ(mask.descriptor.width, 0);
  EXPECT_EQ(copy.descriptor.imageData[23], 255);
  mask = copy;
  EXPECT_TRUE(mask.HasAlpha());

  // A mask whose size would not fit the descriptor's 32-bit size field is refused.
  image.image.width = 65535;
  image.image.height = 65535;
  Alpha3 huge;
  EXPECT_EQ(huge.CreateDefaultAlpha(image), 0);
  EXPECT_FALSE(huge.HasAlpha());
}

TEST(ImageObject, DisplayedExtentWrapsLikeTheScrollRanges) {
  EXPECT_EQ(ivorel::displayed_extent(1, 640), 640);
  EXPECT_EQ(ivorel::displayed_extent(8, 640), 5120);
  EXPECT_EQ(ivorel::displayed_extent(-8, 645), 80);
  EXPECT_EQ(ivorel::displayed_extent(8, 10000), static_cast<unsigned short>(80000));
}
