// ImageWndFunctions: construction from a file, a descriptor and another window; names and titles; set-up
// and sizing; the close prompt; the private messages.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/cursor.h"
#include "tests/ivorel/window_support.h"
#include "tests/support/codaxe_io.h"

using testing_support::ChooserAnswer;
using testing_support::make_descriptor;
using testing_support::MemoryHost;
using testing_support::ScriptedFileDialogs;
using testing_support::ScriptedMessageBox;

TEST(ImageWindow, LoadsAFileAsANamedImageAtOneHundredDpi) {
  testing_support::ScratchDir dir;
  std::string path = dir.file("picture.bmp");
  testing_support::RawPicture picture = testing_support::make_picture(37, 21, 8, 3);
  picture.colors = 256;
  picture.palette[5] = RGBCOLOR{1, 2, 3};
  ASSERT_EQ(testing_support::save_image(CT_BMP, path, picture), 1);

  MemoryHost host(300, 200);
  ImageWndFunctions w(&host, path.c_str());
  ASSERT_EQ(w.HasImage(), 1);
  EXPECT_EQ(w.named, 1);
  EXPECT_EQ(w.dirty, 0);
  EXPECT_STREQ(w.name, path.c_str());
  EXPECT_EQ(w.image.width, 37);
  EXPECT_EQ(w.image.height, 21);
  EXPECT_EQ(w.image.bitsPerPixel, 8);
  EXPECT_EQ(w.image.xResolution, 100);
  EXPECT_EQ(w.image.yResolution, 100);
  EXPECT_EQ(w.image.imageSize, 40u * 21);
  EXPECT_EQ(w.image.palette[5].blue, 3);
  EXPECT_EQ(std::memcmp(w.image.imageData, picture.pixels.data(), w.image.imageSize), 0);
  EXPECT_EQ(w.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 8);
  EXPECT_EQ(w.menuUpdate.item[_MENUUPDATE::kScaleChecked], 1);
  EXPECT_EQ(w.menuUpdate.item[_MENUUPDATE::kNormalChecked], 1);
  ASSERT_NE(w.display, nullptr);
  EXPECT_EQ(w.display->IsClipMode(), 1);
  EXPECT_EQ(w.display->GetWidth(), 37);
  ASSERT_NE(w.window, nullptr);
  EXPECT_EQ(*w.window, &host);
  EXPECT_EQ(pcore::current_cursor(), pcore::CursorShape::Arrow);
}

TEST(ImageWindow, AFileThatCannotBeReadClosesItsWindowAtSetup) {
  ScriptedMessageBox boxes;
  MemoryHost host(300, 200);
  ImageWndFunctions w(&host, "/nonexistent/folder/picture.bmp");
  EXPECT_EQ(w.HasImage(), 0);
  w.SetupWindow();
  EXPECT_EQ(host.closeRequests, 1);
  EXPECT_EQ(host.resized.width, -1);
  // Nothing to save: the close asks nothing.
  EXPECT_EQ(w.CanClose(), 1);
  EXPECT_EQ(host.childrenClosed, 1);
}

TEST(ImageWindow, UntitledImagesAreNumberedAndDuplicatesAreNot) {
  ImageWndFunctions::UntitledImageNumber = 0;
  ImageWndFunctions first(nullptr, make_descriptor(10, 10, 24, 0));
  ImageWndFunctions second(nullptr, make_descriptor(12, 5, 8, 256, 2));
  ImageWndFunctions copy(nullptr, second);
  ImageWndFunctions third(nullptr, make_descriptor(3, 3, 1, 2));
  EXPECT_STREQ(first.name, "Untitled Image #1");
  EXPECT_STREQ(second.name, "Untitled Image #2");
  EXPECT_STREQ(copy.name, "Duplicate of Untitled Image #2");
  EXPECT_STREQ(third.name, "Untitled Image #3");
  EXPECT_EQ(first.dirty, 1);
  EXPECT_EQ(first.named, 0);
  EXPECT_EQ(first.HasImage(), 1);
  EXPECT_EQ(second.menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 8);

  // The duplicate has pixels of its own, and is neither modified nor named.
  EXPECT_EQ(copy.HasImage(), 1);
  EXPECT_EQ(copy.dirty, 0);
  EXPECT_EQ(copy.named, 0);
  EXPECT_NE(copy.image.hImageData, second.image.hImageData);
  ASSERT_EQ(copy.image.imageSize, second.image.imageSize);
  EXPECT_EQ(std::memcmp(copy.image.imageData, second.image.imageData, copy.image.imageSize), 0);
  second.image.imageData[0] ^= 0xFF;
  EXPECT_NE(copy.image.imageData[0], second.image.imageData[0]);
  EXPECT_EQ(copy.image.palette[9].green, 246);
}

TEST(ImageWindow, ADescriptorWithoutEnoughPixelsGivesNoImage) {
  _IMAGEDESCRIPTOR d = make_descriptor(10, 10, 24, 0);
  d.width = 200;  // the block holds 10 x 10 pixels only
  ImageWndFunctions w(nullptr, d);
  EXPECT_EQ(w.HasImage(), 0);
  EXPECT_EQ(w.dirty, 0);
  _IMAGEDESCRIPTOR none;
  none.width = 5;
  none.height = 5;
  none.bitsPerPixel = 8;
  ImageWndFunctions empty(nullptr, none);
  EXPECT_EQ(empty.HasImage(), 0);
  ImageWndFunctions copy(nullptr, empty);
  EXPECT_EQ(copy.HasImage(), 0);
}

TEST(ImageWindow, TitlesShortenLongPathsOnly) {
  EXPECT_EQ(ivorel::title_from_name("/home/a/pictures/x"), "/home/a/pictures/x");            // 18
  EXPECT_EQ(ivorel::title_from_name("/home/ab/pictures/xy"), "/ho.../xy");                   // 20
  EXPECT_EQ(ivorel::title_from_name("Untitled Image #1234567"), "Untitled Image #1234567");  // no folder
  EXPECT_EQ(ivorel::title_from_name("/srv/Images/Holiday/beach.bmp"), "/sr.../beach.bmp");
  EXPECT_EQ(ivorel::title_from_name("1234567890123456/89"), "1234567890123456/89");  // 19
  EXPECT_EQ(ivorel::title_from_name(nullptr), "");

  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(4, 4, 24, 0));
  w.SetupWindow();
  EXPECT_EQ(host.title, w.name);
  EXPECT_EQ(host.menuUpdates, 1);
}

TEST(ImageWindow, SetupSizesTheWindowToTheImageOrNineTenthsOfTheClientArea) {
  MemoryHost host(300, 200);
  ImageWndFunctions small(&host, make_descriptor(120, 90, 24, 0));
  small.SetupWindow();
  EXPECT_EQ(host.closeRequests, 0);
  EXPECT_EQ(host.resized.width, 120 + MemoryHost::kFrameX);
  EXPECT_EQ(host.resized.height, 90 + MemoryHost::kFrameY);

  // Shown scroll bars are no part of the frame.
  MemoryHost barred(300, 200);
  barred.bars[0].max = barred.bars[1].max = 50;
  ImageWndFunctions same(&barred, make_descriptor(120, 90, 24, 0));
  same.SetupWindow();
  EXPECT_EQ(barred.resized.width, 120 + MemoryHost::kFrameX);
  EXPECT_EQ(barred.resized.height, 90 + MemoryHost::kFrameY);

  MemoryHost wide(300, 200);
  wide.mdiClient = {801, 450};
  ImageWndFunctions big(&wide, make_descriptor(801, 449, 8, 256));
  big.SetupWindow();
  EXPECT_EQ(wide.resized.width, 720);  // 801 x 9 / 10
  // 449 rows fit the client, but not with the frame and the scroll bar the wide image needs: the window is
  // kept inside the client too, at nine tenths of it.
  EXPECT_EQ(wide.resized.height, 405);

  MemoryHost narrow(300, 200);
  narrow.mdiClient = {800, 600};
  ImageWndFunctions fits(&narrow, make_descriptor(640, 480, 24, 0));
  fits.SetupWindow();
  EXPECT_EQ(narrow.resized.width, 640 + MemoryHost::kFrameX);
  EXPECT_EQ(narrow.resized.height, 480 + MemoryHost::kFrameY);
}

TEST(ImageWindow, ClosePromptSavesDiscardsOrStays) {
  testing_support::ScratchDir dir;
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(16, 16, 24, 0));
  ASSERT_EQ(w.dirty, 1);
  const std::string expected = "Image window closing. Save \"" + std::string(w.name) + "\" before closing?";

  {  // Cancel: the window stays, nothing is asked of the chooser.
    ScriptedMessageBox boxes({pcore::kIdCancel});
    ScriptedFileDialogs choosers;
    EXPECT_EQ(w.CanClose(), 0);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], expected);
    EXPECT_EQ(boxes.captions[0], "User Advisory");
    EXPECT_EQ(boxes.icons[0], pcore::MessageIcon::Question);
    EXPECT_TRUE(choosers.requests.empty());
    EXPECT_EQ(host.childrenClosed, 0);
  }
  {  // Yes, but the save dialog is cancelled: the changes would be lost, so the window stays.
    ScriptedMessageBox boxes({pcore::kIdYes});
    ScriptedFileDialogs choosers({ChooserAnswer{}});
    EXPECT_EQ(w.CanClose(), 0);
    EXPECT_EQ(choosers.requests.size(), 1u);
    EXPECT_EQ(w.dirty, 1);
    EXPECT_EQ(host.childrenClosed, 0);
  }
  {  // Yes with a name: saved, then closed.
    ScriptedMessageBox boxes({pcore::kIdYes});
    ScriptedFileDialogs choosers({{true, dir.file("kept"), 1}});
    EXPECT_EQ(w.CanClose(), 1);
    EXPECT_EQ(host.childrenClosed, 1);
    EXPECT_EQ(w.dirty, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("kept.bmp")));
  }
  {  // No: closes without saving.
    ImageWndFunctions other(&host, make_descriptor(16, 16, 24, 0));
    ScriptedMessageBox boxes({pcore::kIdNo});
    ScriptedFileDialogs choosers;
    EXPECT_EQ(other.CanClose(), 1);
    EXPECT_TRUE(choosers.requests.empty());
    EXPECT_EQ(host.childrenClosed, 2);
    EXPECT_EQ(other.dirty, 1);
  }
  {  // A clean window closes without a question.
    ScriptedMessageBox boxes;
    EXPECT_EQ(w.CanClose(), 1);
    EXPECT_TRUE(boxes.texts.empty());
  }
}

TEST(ImageWindow, PrivateMessagesReachTheirHandlers) {
  MemoryHost host(100, 100);
  ImageWndFunctions w(&host, make_descriptor(40, 30, 24, 0));
  EXPECT_TRUE(ImageWndFunctions::IsImageWindowMessage(1124));
  EXPECT_FALSE(ImageWndFunctions::IsImageWindowMessage(1125));
  EXPECT_TRUE(ImageWndFunctions::IsImageWindowMessage(1138));
  EXPECT_FALSE(ImageWndFunctions::IsImageWindowMessage(1139));

  w.DispatchImageWindowMessage(1129, 0, 0, nullptr);
  EXPECT_EQ(w.view.viewMode, 2);
  w.DispatchImageWindowMessage(1130, 0, 0, nullptr);
  EXPECT_EQ(w.view.viewMode, 3);
  w.DispatchImageWindowMessage(1128, 0, 0, nullptr);
  EXPECT_EQ(w.view.viewMode, 1);
  const short zooms[] = {2, 4, 8, 0, -2, -4, -8};
  for (unsigned m = 1132; m <= 1138; ++m) {
    if (m == 1135) continue;
    w.DispatchImageWindowMessage(m, 0, 0, nullptr);
    EXPECT_EQ(w.view.zoom, zooms[m - 1132]) << m;
  }
  w.DispatchImageWindowMessage(1131, 0, 0, nullptr);
  EXPECT_EQ(w.view.zoom, 1);
  w.DispatchImageWindowMessage(1135, 0, 0, nullptr);
  EXPECT_EQ(host.informationShown, 1);
  EXPECT_EQ(w.DispatchImageWindowMessage(1125, 0, 0, nullptr), 0);

  // Another window's palette repaints this one without erasing; its own does not.
  MemoryHost other(10, 10);
  const int before = host.invalidations;
  w.DispatchImageWindowMessage(1124, 0, reinterpret_cast<std::intptr_t>(static_cast<HWND>(&other)), nullptr);
  EXPECT_EQ(host.invalidations, before + 1);
  EXPECT_FALSE(host.lastErase);
  w.EvPaletteChanged(0, &host);
  EXPECT_EQ(host.invalidations, before + 1);

  // Activation repaints only the window activated; both tell the frame the menu state.
  const int menus = host.menuUpdates;
  w.EvMDIActivate(&other, &host);
  EXPECT_EQ(host.invalidations, before + 1);
  w.EvMDIActivate(&host, &other);
  EXPECT_EQ(host.invalidations, before + 2);
  EXPECT_EQ(host.menuUpdates, menus + 2);
}
