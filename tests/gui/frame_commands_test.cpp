// The frame driven through its command ids: enabling without and with images, view modes and zooms with
// their menu state, tiling and cascading, the toolkit popup, new images and duplicates.
#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "ivorel/windows/frame/draw_view.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(FrameCommands, WithoutAnImageOnlyTheFrameCommandsAreEnabled) {
  FrameFixture f;
  for (const ivorel::FrameCommand& c : ivorel::frame_commands()) {
    if (c.enable == ivorel::Enable::HasImage || c.enable == ivorel::Enable::ViewEntry ||
        c.enable == ivorel::Enable::CropFit || c.enable == ivorel::Enable::TrueColour ||
        c.enable == ivorel::Enable::Undo) {
      EXPECT_FALSE(f.frame().IsCommandEnabled(c.id)) << c.id;
    }
  }
  for (int id : {cmd::kExit, cmd::kEmptyClipboard, cmd::kDragDropOpen, cmd::kOpen, cmd::kFileNew})
    EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;
  // Without an image, printing and its preview are disabled, and no message says so at start; the page
  // set-up has the PDF printer at least. The scanner commands are enabled until their first use.
  for (int id : {cmd::kPrint, cmd::kPrintPreview}) EXPECT_FALSE(f.frame().IsCommandEnabled(id)) << id;
  for (int id : {cmd::kSelectScanner, cmd::kAcquire}) EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;
  // Every command of the table is an action of the frame, with its prompt as the status tip.
  for (const ivorel::FrameCommand& c : ivorel::frame_commands()) {
    QAction* action = f.frame().CommandAction(c.id);
    ASSERT_NE(action, nullptr) << c.id;
    EXPECT_EQ(action->data().toInt(), c.id);
    EXPECT_EQ(action->statusTip().toStdString(),
              std::string(c.prompt, ivorel::prompt_line_end(c.prompt) - c.prompt));
  }
}

TEST(FrameCommands, ZoomsAndViewModesFollowTheMenuState) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  CIMDIFrameWnd& frame = f.frame();
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewToScale));
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewNormal));
  EXPECT_FALSE(frame.IsCommandEnabled(cmd::kCrop));

  frame.ExecuteCommand(cmd::kViewZoom2X);
  EXPECT_EQ(child->view.zoom, 2);
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewZoom2X));
  EXPECT_FALSE(frame.IsCommandChecked(cmd::kViewNormal));
  EXPECT_TRUE(frame.CommandAction(cmd::kViewZoom2X)->isChecked());
  // Twice the image no longer fits the window: the scroll bars take over.
  EXPECT_GT(child->View()->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(child->View()->verticalScrollBar()->maximum(), 0);

  frame.ExecuteCommand(cmd::kViewZoomIn4X);
  EXPECT_EQ(child->view.zoom, -4);
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewZoomIn4X));
  EXPECT_FALSE(frame.IsCommandChecked(cmd::kViewZoom2X));

  frame.ExecuteCommand(cmd::kViewNormal);
  EXPECT_EQ(child->view.zoom, 1);
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewNormal));

  // To fit: zooms are disabled, crop is enabled.
  frame.ExecuteCommand(cmd::kViewToFit);
  EXPECT_EQ(child->view.viewMode, 2);
  EXPECT_TRUE(frame.IsCommandChecked(cmd::kViewToFit));
  EXPECT_FALSE(frame.IsCommandChecked(cmd::kViewToScale));
  for (int id : {cmd::kViewZoom2X, cmd::kViewZoom4X, cmd::kViewZoom8X, cmd::kViewZoomIn2X, cmd::kViewZoomIn8X,
                 cmd::kViewNormal})
    EXPECT_FALSE(frame.IsCommandEnabled(id)) << id;
  EXPECT_TRUE(frame.IsCommandEnabled(cmd::kCrop));
  // A disabled command does nothing, even when asked for directly.
  frame.ExecuteCommand(cmd::kViewZoom8X);
  EXPECT_EQ(child->view.zoom, 1);

  frame.ExecuteCommand(cmd::kViewToFitAspect);
  EXPECT_EQ(child->view.viewMode, 3);
  EXPECT_FALSE(frame.IsCommandEnabled(cmd::kCrop));
  frame.ExecuteCommand(cmd::kViewToScale);
  EXPECT_EQ(child->view.viewMode, 1);
  EXPECT_TRUE(frame.IsCommandEnabled(cmd::kViewZoom8X));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(FrameCommands, TilingFitsEveryWindowAndCascadeScalesThem) {
  FrameFixture f;
  CMDIChildImageWnd* a = f.open(sample("wheel-24bit.bmp"));
  CMDIChildImageWnd* b = f.open(sample("wheel-4bit.bmp"));
  ASSERT_TRUE(a && b);
  f.frame().ExecuteCommand(cmd::kTileVertical);
  settle();
  EXPECT_EQ(a->view.viewMode, 3);
  EXPECT_EQ(b->view.viewMode, 3);
  // Side by side, each the full height of the MDI area.
  const int areaHeight = f.frame().MdiArea()->viewport()->height();
  EXPECT_EQ(a->height(), areaHeight);
  EXPECT_EQ(b->height(), areaHeight);
  EXPECT_NE(a->x(), b->x());
  // The menus show the active window's state, not that of the window that answered last.
  EXPECT_TRUE(f.frame().IsCommandChecked(cmd::kViewToFitAspect));

  f.frame().ExecuteCommand(cmd::kTileHorizontal);
  settle();
  EXPECT_EQ(a->width(), f.frame().MdiArea()->viewport()->width());
  EXPECT_NE(a->y(), b->y());

  f.frame().ExecuteCommand(cmd::kCascade);
  settle();
  EXPECT_EQ(a->view.viewMode, 1);
  EXPECT_EQ(b->view.viewMode, 1);
  EXPECT_TRUE(f.frame().IsCommandChecked(cmd::kViewToScale));
}

namespace {
std::vector<std::string> popped_tabs;
void record_popup(QWidget*, const char* tab) {
  popped_tabs.push_back(tab);
}
}  // namespace

TEST(FrameCommands, ToolkitCommandsOpenTheToolkitOnTheirTab) {
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  // Without a toolkit the commands have nothing to open.
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = nullptr;
  f.frame().UpdateCommandStates();
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kGray));
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kToolkit));

  popped_tabs.clear();
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = record_popup;
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kGray));
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kBrightness));
  f.frame().ExecuteCommand(cmd::kGray);
  f.frame().ExecuteCommand(cmd::kBrightness);
  f.frame().ExecuteCommand(cmd::kToolkit);
  EXPECT_EQ(popped_tabs, (std::vector<std::string>{"Gray", "Brit", CIMDIFrameWnd::kWantTheFirstTab}));
  EXPECT_EQ(CIMDIFrameWnd::m_strTabSel.toStdString(), CIMDIFrameWnd::kWantTheFirstTab);
  CIMDIFrameWnd::pPopupImageProcessingParameterFrame = nullptr;
}

TEST(FrameCommands, NewImagesAreUntitledAndDuplicatesNamedAfterTheirSource) {
  ScriptedNewImage dialog;
  dialog.answer.width = 50;
  dialog.answer.height = 30;
  dialog.answer.bitsPerPixel = 8;
  dialog.answer.background = 2;  // red
  FrameFixture f;
  const int before = ImageWndFunctions::UntitledImageNumber;
  f.frame().ExecuteCommand(cmd::kFileNew);
  settle();
  CMDIChildImageWnd* made = f.active();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(std::string(made->name), "Untitled Image #" + std::to_string(before + 1));
  EXPECT_EQ(made->image.width, 50);
  EXPECT_EQ(made->image.bitsPerPixel, 8);
  EXPECT_EQ(made->image.imageData[0], 224);  // red in the fixed palette
  EXPECT_TRUE(made->dirty);

  f.frame().ExecuteCommand(cmd::kDuplicate);
  settle();
  CMDIChildImageWnd* copy = f.active();
  ASSERT_NE(copy, made);
  EXPECT_EQ(std::string(copy->name), "Duplicate of Untitled Image #" + std::to_string(before + 1));
  EXPECT_EQ(ImageWndFunctions::UntitledImageNumber, before + 1);
  EXPECT_EQ(f.frame().GetChildCount(), 2);

  dialog.cancel = true;
  f.frame().ExecuteCommand(cmd::kFileNew);
  settle();
  EXPECT_EQ(f.window_count(), 2);
}

TEST(FrameCommands, UnknownFileTypesAreRefusedWithTheirMessage) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  EXPECT_EQ(f.open("/tmp/notes.txt"), nullptr);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Unsupported image file type. Please choose another.\n\n/tmp/notes.txt");
  EXPECT_EQ(boxes.captions[0], "User Advisory");
  EXPECT_EQ(f.window_count(), 0);
}

TEST(FrameCommands, AFileThatCannotBeReadLeavesNoWindow) {
  ScriptedMessageBox boxes;
  testing_support::ScratchDir dir;
  testing_support::write_file(dir.file("broken.bmp"), {'B', 'M', 1, 2, 3});
  FrameFixture f;
  f.open(dir.file("broken.bmp"));
  settle();
  EXPECT_EQ(f.window_count(), 0);
  EXPECT_EQ(f.frame().GetChildCount(), 0);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kSave));
}
