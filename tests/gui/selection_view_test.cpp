// Selections in an image window driven with the mouse and the commands: drawing one, filling it from the
// image, moving it, combining it and undoing; image commands that go to a selection; the stores, the
// clipboard and the store file; the mask prompts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextEdit>
#include <QToolBar>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ivorel/operations/operation_registry.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/selection_commands.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_operations.h"
#include "platform/core/colour_chooser.h"
#include "platform/core/cursor.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace sel = ivorel::sel;

namespace {

// The 24-bit pixel at data x, y (rows stored bottom-up).
const unsigned char* at(const _IMAGEDESCRIPTOR& d, int x, int y) {
  return d.imageData + static_cast<std::size_t>(d.height - 1 - y) * ((d.width * 3 + 3) & ~3) + 3 * x;
}

}  // namespace

TEST(SelectionView, DragFillMoveCombineAndUndo) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const auto [child, view, R] = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(child->image.bitsPerPixel, 24);
  ASSERT_EQ(R.right - R.left, child->image.width);  // to scale, 100 %

  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kReplace));
  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 10, R.top + 12), QSize(40, 30));
  ASSERT_NE(o, nullptr);
  SelectionImagePart* part = o->ImagePart();
  ASSERT_TRUE(part && part->HasPixels());
  EXPECT_EQ(part->image.width, 40);
  EXPECT_EQ(part->image.height, 30);
  EXPECT_EQ(0, std::memcmp(at(part->image, 0, 0), at(child->image, 10, 12), 3));
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kCopyInto));  // it has pixels now
  EXPECT_TRUE(f.frame().IsCommandEnabled(sel::kReplace));

  // Pressing inside the selection moves it, whatever the tool.
  drag(view, QPoint(R.left + 20, R.top + 20), QPoint(R.left + 50, R.top + 45));
  EXPECT_EQ(o->Bounds().left - view->ClientToDoc(POINT{R.left, R.top}).x, 40);
  EXPECT_EQ(o->Bounds().top - view->ClientToDoc(POINT{R.left, R.top}).y, 37);
  EXPECT_EQ(view->Selection().size(), 1u);

  const std::vector<unsigned char> before = pixels(child->image);
  f.frame().ExecuteCommand(sel::kReplace);
  EXPECT_TRUE(child->dirty);
  for (int y = 0; y < 30; y += 7) {
    for (int x = 0; x < 40; x += 9) {
      EXPECT_EQ(0, std::memcmp(at(child->image, 40 + x, 37 + y), at(part->image, x, y), 3)) << x << "," << y;
    }
  }
  EXPECT_NE(pixels(child->image), before);
  ASSERT_TRUE(f.frame().IsCommandEnabled(ivorel::cmd::kUndo));
  f.frame().ExecuteCommand(ivorel::cmd::kUndo);
  EXPECT_EQ(pixels(child->image), before);
  // The selection stays where it was after the combine.
  EXPECT_EQ(view->GetDocument().Objects().size(), 1u);

  // Resizing by the bottom-right handle and combining scales the selection's pixels.
  const POINT corner = view->DocToClient(o->GetHandle(5));
  drag(view, QPoint(corner.x, corner.y), QPoint(corner.x + 40, corner.y + 30));
  EXPECT_EQ(o->Bounds().right - o->Bounds().left, 80);
  f.frame().ExecuteCommand(sel::kReplace);
  EXPECT_EQ(0, std::memcmp(at(child->image, 40 + 79, 37 + 59), at(part->image, 39, 29), 3));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(SelectionView, ImageCommandsGoToTheSelectionFirst) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const auto [child, view, R] = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(child, nullptr);
  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 5, R.top + 5), QSize(30, 20));
  ASSERT_NE(o, nullptr);
  const std::vector<unsigned char> image = pixels(child->image);
  const std::vector<unsigned char> selection = pixels(o->ImagePart()->image);

  f.frame().ExecuteCommand(ivorel::cmd::kMirrorVert);
  EXPECT_EQ(pixels(child->image), image);
  EXPECT_NE(pixels(o->ImagePart()->image), selection);
  EXPECT_EQ(0, std::memcmp(at(o->ImagePart()->image, 0, 0), at(child->image, 5 + 29, 5), 3));

  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kSelectionUndo));
  f.frame().ExecuteCommand(sel::kSelectionUndo);
  EXPECT_EQ(pixels(o->ImagePart()->image), selection);

  // Without a selection the image takes the command.
  f.frame().ExecuteCommand(sel::kClear);
  EXPECT_TRUE(view->GetDocument().Objects().empty());
  f.frame().ExecuteCommand(ivorel::cmd::kMirrorVert);
  EXPECT_NE(pixels(child->image), image);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(SelectionView, StoresClipboardAndTheStoreFile) {
  ScriptedMessageBox boxes;
  testing_support::ScratchDir dir;
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string savedData = oldData ? oldData : "";
  setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
  {
    FrameFixture f;
    const auto [child, view, R] = f.open_sample("wheel-8bit.bmp");
    ASSERT_NE(child, nullptr);
    f.frame().ExecuteCommand(sel::kToolEllipse);
    drag(view, QPoint(R.left + 4, R.top + 4), QPoint(R.left + 44, R.top + 34));
    ASSERT_EQ(view->Selection().size(), 1u);
    f.frame().ExecuteCommand(sel::kStoreToPaste);
    const SelectionImagePart* part = view->Selection().front()->ImagePart();
    ASSERT_TRUE(part->HasPixels());
    EXPECT_EQ(part->image.bitsPerPixel, 8);
    const int width = part->image.width;

    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(clip->hasImage());
    EXPECT_TRUE(clip->hasFormat("application/x-pictaro-image-selection-objects"));

    ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kPasteStored));
    f.frame().ExecuteCommand(sel::kPasteStored);
    f.frame().ExecuteCommand(sel::kPasteStored);
    EXPECT_EQ(view->GetDocument().Objects().size(), 3u);
    EXPECT_EQ(view->Selection().size(), 1u);
    const SelectionImagePart* pasted = view->Selection().front()->ImagePart();
    EXPECT_EQ(pixels(pasted->image), pixels(part->image));
    EXPECT_EQ(view->Selection().front()->Shape().kind, ivorel::ShapeKind::Ellipse);

    // Cut puts the objects in the reuse store and takes them out of the drawing.
    f.frame().ExecuteCommand(sel::kSelectAll);
    f.frame().ExecuteCommand(sel::kCut);
    EXPECT_TRUE(view->GetDocument().Objects().empty());
    f.frame().ExecuteCommand(sel::kReuse);
    EXPECT_EQ(view->GetDocument().Objects().size(), 3u);

    // Crop to a new window.
    const int windows = f.window_count();
    f.frame().ExecuteCommand(sel::kCropSelection);
    settle();
    EXPECT_EQ(f.window_count(), windows + 1);
    EXPECT_EQ(f.active()->image.width, width);
  }
  settle();
  // The paste store outlives the windows in the user's data folder.
  bool found = false;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.file("data"))) {
    if (e.path().filename() == "Pictaro.sel") found = std::filesystem::file_size(e.path()) > 792;
  }
  EXPECT_TRUE(found);
  if (oldData) {
    setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(SelectionView, MaskCommandsAskBeforeDeletingAndComposeWithBothMasks) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const auto [child, view, R] = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(child, nullptr);
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kMaskDelete));
  f.frame().ExecuteCommand(sel::kMaskShow);
  EXPECT_TRUE(child->alphaShown);
  f.frame().ExecuteCommand(sel::kMaskToggle);
  EXPECT_FALSE(child->alphaShown);
  ASSERT_TRUE(child->alpha.HasAlpha());

  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 8, R.top + 8), QSize(20, 20));
  ASSERT_NE(o, nullptr);
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kComposeBothMasks));  // the selection has no mask yet
  f.frame().ExecuteCommand(sel::kSelMaskShow);
  f.frame().ExecuteCommand(sel::kSelMaskHide);
  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kComposeBothMasks));
  // Both masks white: t = 510, each result (d x 255 + s x 255) / 510 = (d + s) / 2 = d where s = d.
  const std::vector<unsigned char> before = pixels(child->image);
  f.frame().ExecuteCommand(sel::kComposeBothMasks);
  EXPECT_EQ(pixels(child->image), before);

  boxes.answers = {pcore::kIdNo};
  f.frame().ExecuteCommand(sel::kMaskDelete);
  EXPECT_TRUE(child->alpha.HasAlpha());
  boxes.answers = {pcore::kIdYes};
  f.frame().ExecuteCommand(sel::kMaskDelete);
  EXPECT_FALSE(child->alpha.HasAlpha());
  ASSERT_EQ(boxes.captions.size(), 2u);
  EXPECT_EQ(boxes.captions[0], "Please confirm...");
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kComposeImageMask));

  // "More Image Combinations" brings up the combine bar and is greyed while it shows.
  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kMoreCombinations));
  f.frame().ExecuteCommand(sel::kMoreCombinations);
  EXPECT_TRUE(f.frame().ToolBar(161)->isVisible());
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kMoreCombinations));
}

TEST(SelectionView, InPlaceTextStaysWithTheSelection) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const auto [child, view, R] = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(child, nullptr);
  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 10, R.top + 10), QSize(80, 40));
  ASSERT_NE(o, nullptr);
  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kTextInput));
  f.frame().ExecuteCommand(sel::kTextInput);
  QTextEdit* editor = view->TextEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->geometry().topLeft(), QPoint(R.left + 10, R.top + 10));
  editor->setPlainText("Caption");
  // The formatting keys reach the editor ahead of the frame's own Ctrl+I.
  for (Qt::Key k : {Qt::Key_B, Qt::Key_E}) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::ControlModifier);
    QCoreApplication::sendEvent(editor, &press);
  }
  EXPECT_EQ(editor->alignment(), Qt::AlignHCenter);
  EXPECT_TRUE(o->ImagePart()->text.windowOpen);
  f.frame().ExecuteCommand(sel::kTextInput);
  EXPECT_EQ(view->TextEditor(), nullptr);
  const SelectionText& t = o->ImagePart()->text;
  EXPECT_NE(t.text.find("Caption"), std::string::npos);
  EXPECT_FALSE(t.windowOpen);
  EXPECT_TRUE(t.hasCharFormat && t.hasParaFormat);
  EXPECT_EQ(t.paraFormat[24], 3);  // centred

  // The text travels with the selection through the stores.
  f.frame().ExecuteCommand(sel::kStoreToPaste);
  f.frame().ExecuteCommand(sel::kPasteStored);
  ASSERT_EQ(view->Selection().size(), 1u);
  EXPECT_EQ(view->Selection().front()->ImagePart()->text.text, t.text);
  EXPECT_TRUE(boxes.texts.empty());
}

// The manual's picture of a selection being combined, written when IVOREL_SCREENSHOT_DIR names a folder.
TEST(SelectionView, Screenshot) {
  const char* dir = std::getenv("IVOREL_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "IVOREL_SCREENSHOT_DIR not set";
  FrameFixture f;
  f.frame().resize(1000, 700);
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  child->showMaximized();
  f.frame().ExecuteCommand(ivorel::cmd::kViewZoom4X);
  settle();
  CDrawView* view = child->View();
  RECT R;
  child->GetImageRect(R);
  f.frame().ExecuteCommand(sel::kToolEllipse);
  drag(view, QPoint(R.left + 100, R.top + 90), QPoint(R.left + 300, R.top + 250));
  f.frame().ExecuteCommand(sel::kCopyInto);
  f.frame().ExecuteCommand(ivorel::cmd::kMirrorVert);
  drag(view, QPoint(R.left + 200, R.top + 170), QPoint(R.left + 330, R.top + 200));
  f.frame().ExecuteCommand(sel::kMoreCombinations);
  f.frame().ExecuteCommand(sel::kEdgeBlend);
  settle();
  f.frame().grab().save(QString::fromLocal8Bit(dir) + "/pictaro-selections.png");
}

namespace {

// Answers the colour chooser with a fixed colour (or cancels) and keeps the titles it was asked with.
class ScriptedColour : public pcore::ColourChooserService {
 public:
  ScriptedColour() {
    init_library();
    pcore::install_colour_chooser(this);
  }
  ~ScriptedColour() override { pcore::install_colour_chooser(nullptr); }
  int run(pcore::ColourRequest& request) override {
    titles.push_back(request.title);
    if (cancel) return pcore::kIdCancel;
    request.colour = answer;
    return pcore::kIdOk;
  }
  std::uint32_t answer = 0;
  bool cancel = false;
  std::vector<std::string> titles;
};

class RecordingCursor : public pcore::CursorService {
 public:
  RecordingCursor() { pcore::install_cursor_service(this); }
  ~RecordingCursor() override { pcore::install_cursor_service(nullptr); }
  void set_cursor(pcore::CursorShape shape) override { last = shape; }
  void set_progress_cursor(int frame) override { frames.insert(frame); }
  std::set<int> frames;
  pcore::CursorShape last = pcore::CursorShape::Arrow;
};

// One image window on the 24-bit wheel, with its view and image rectangle R; no message box may show.
class SelectionViewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    child = f.open(sample("wheel-24bit.bmp"));
    ASSERT_NE(child, nullptr);
    view = child->View();
    child->GetImageRect(R);
  }
  void TearDown() override { EXPECT_TRUE(boxes.texts.empty()); }

  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = nullptr;
  CDrawView* view = nullptr;
  RECT R = {0, 0, 0, 0};
};

}  // namespace

// Tiling fills the whole picture with the selection's pixels from the top-left corner; undo takes it back.
TEST_F(SelectionViewWindow, TileRepeatsTheSelectionOverTheImage) {
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kTile));
  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 30, R.top + 20), QSize(23, 17));
  ASSERT_NE(o, nullptr);
  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kTile));
  const _IMAGEDESCRIPTOR& tile = o->ImagePart()->image;
  const std::vector<unsigned char> before = pixels(child->image);
  f.frame().ExecuteCommand(sel::kTile);
  const _IMAGEDESCRIPTOR& image = child->image;
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x)
      wrong += std::memcmp(at(image, x, y), at(tile, x % 23, y % 17), 3) != 0;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(child->dirty);
  f.frame().ExecuteCommand(ivorel::cmd::kUndo);
  EXPECT_EQ(pixels(child->image), before);
  // Two selections: which one would be the tile is not clear, so the command waits for one.
  f.frame().ExecuteCommand(sel::kClone);
  f.frame().ExecuteCommand(sel::kSelectAll);
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kTile));
}

// The toolkit's Apply goes to the selected objects with pixels, each with an undo of its own, and leaves the
// picture alone; without such a selection it processes the picture.
TEST_F(SelectionViewWindow, ToolkitApplyGoesToTheSelections) {
  CDrawObj* a = draw_selection(f.frame(), view, QPoint(R.left + 5, R.top + 5), QSize(20, 12));
  CDrawObj* b = draw_selection(f.frame(), view, QPoint(R.left + 60, R.top + 40), QSize(15, 25));
  ASSERT_TRUE(a && b);
  f.frame().ExecuteCommand(sel::kSelectAll);
  const registry::Operation* invert = registry::find_operation("InvertPicHelper");
  ASSERT_NE(invert, nullptr);
  ivorel::toolkit::select_operation(invert);
  ivorel::toolkit::reset_words(*invert);
  const std::vector<unsigned char> image = pixels(child->image);
  const std::vector<unsigned char> pa = pixels(a->ImagePart()->image), pb = pixels(b->ImagePart()->image);

  ivorel::ApplyImageProcessingFromUI(child, nullptr);
  EXPECT_EQ(pixels(child->image), image);
  for (CDrawObj* o : {a, b}) {
    const _IMAGEDESCRIPTOR& d = o->ImagePart()->image;
    const unsigned char* p = at(d, 3, 2);
    const std::vector<unsigned char>& was = o == a ? pa : pb;
    const std::size_t offset = static_cast<std::size_t>(p - d.imageData);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(p[c], 255 - was[offset + c]);
  }
  ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kSelectionUndo));
  f.frame().ExecuteCommand(sel::kSelectionUndo);
  EXPECT_EQ(pixels(a->ImagePart()->image), pa);
  EXPECT_EQ(pixels(b->ImagePart()->image), pb);

  f.frame().ExecuteCommand(sel::kClear);
  ivorel::ApplyImageProcessingFromUI(child, nullptr);
  EXPECT_EQ(child->image.imageData[0], 255 - image[0]);
  ivorel::toolkit::select_operation(nullptr);
}

// Line and fill colours go to every selected object (a cancelled chooser changes nothing); an empty selection
// shows its fill; the outlines of objects not selected can be hidden in every window.
TEST_F(SelectionViewWindow, LineAndFillColoursAndShowingOutlines) {
  ScriptedColour colours;
  EXPECT_FALSE(f.frame().IsCommandEnabled(sel::kLineColour));
  f.frame().ExecuteCommand(sel::kToolRect);
  drag(view, QPoint(R.left + 10, R.top + 10), QPoint(R.left + 50, R.top + 40));
  drag(view, QPoint(R.left + 70, R.top + 10), QPoint(R.left + 110, R.top + 40));
  f.frame().ExecuteCommand(sel::kSelectAll);
  ASSERT_EQ(view->Selection().size(), 2u);

  struct Case {
    int command;
    bool cancel;
    std::uint32_t colour;
  };
  for (const Case& c : {Case{sel::kLineColour, false, 0x0000FFu}, Case{sel::kFillColour, true, 0x00FF00u},
                        Case{sel::kFillColour, false, 0xFF8000u}}) {
    colours.cancel = c.cancel;
    colours.answer = c.colour;
    f.frame().ExecuteCommand(c.command);
    for (const CDrawObj* o : view->Selection()) {
      if (c.command == sel::kLineColour) {
        EXPECT_EQ(o->m_logpen.colour, c.colour);
      } else {
        EXPECT_EQ(o->m_bBrush, !c.cancel);
        if (!c.cancel) {
          EXPECT_EQ(o->m_logbrush.colour, c.colour);
        }
      }
    }
  }
  EXPECT_EQ(colours.titles, (std::vector<std::string>{"Line Color", "Fill Color", "Fill Color"}));
  view->viewport()->repaint();
  settle();
  const QImage shown = view->viewport()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(R.left + 30, R.top + 25), QColor(0x00, 0x80, 0xFF));

  ASSERT_TRUE(f.frame().IsCommandChecked(sel::kShowObjects));
  f.frame().ExecuteCommand(sel::kShowObjects);
  EXPECT_FALSE(CDrawView::ShowObjects());
  EXPECT_FALSE(f.frame().IsCommandChecked(sel::kShowObjects));
  f.frame().ExecuteCommand(sel::kShowObjects);
  EXPECT_TRUE(CDrawView::ShowObjects());
}

// The soft-edge and mask combines advance the progress cursor through its frames and give the arrow back.
TEST_F(SelectionViewWindow, SlowCombinesShowProgress) {
  ASSERT_NE(draw_selection(f.frame(), view, QPoint(R.left + 5, R.top + 5), QSize(60, 60)), nullptr);
  RecordingCursor cursor;
  f.frame().ExecuteCommand(sel::kReplace);
  EXPECT_TRUE(cursor.frames.empty());
  f.frame().ExecuteCommand(sel::kEdgeBlend);
  EXPECT_TRUE(cursor.frames.count(0) && cursor.frames.count(9));
  EXPECT_GE(cursor.frames.size(), 8u);
  EXPECT_EQ(cursor.last, pcore::CursorShape::Arrow);
}

// A selection carried out of one image window and dropped on another lands there under the pointer; a move
// takes it out of the first window, a copy leaves it.
TEST_F(SelectionViewWindow, DragsSelectionsBetweenWindows) {
  CMDIChildImageWnd* from = child;
  CDrawObj* o = draw_selection(f.frame(), from->View(), QPoint(R.left + 10, R.top + 10), QSize(30, 20));
  ASSERT_NE(o, nullptr);
  const std::vector<unsigned char> lifted = pixels(o->ImagePart()->image);
  CMDIChildImageWnd* to = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(to, nullptr);
  RECT T;
  to->GetImageRect(T);

  for (const Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction}) {
    int dropped = 0;
    CDrawView::SetDragRunner([&](QWidget*, QMimeData* data) {
      EXPECT_TRUE(data->hasImage());
      // Qt hands a drop to the widget that took the drag's entry.
      QDragEnterEvent enter(QPoint(T.left + 50, T.top + 40), action, data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(to->View()->viewport(), &enter);
      EXPECT_TRUE(enter.isAccepted());
      QDropEvent drop(QPointF(T.left + 50, T.top + 40), action, data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(to->View()->viewport(), &drop);
      ++dropped;
      return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    });
    QWidget* viewport = from->View()->viewport();
    mouse(viewport, QEvent::MouseButtonPress, QPoint(R.left + 15, R.top + 12), Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, QPoint(R.left + 15, R.top + 12), Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, QPoint(viewport->width() + 20, R.top + 12), Qt::LeftButton);
    mouse(viewport, QEvent::MouseButtonRelease, QPoint(viewport->width() + 20, R.top + 12), Qt::NoButton);
    settle();
    CDrawView::SetDragRunner(nullptr);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(from->View()->GetDocument().Objects().size(), action == Qt::CopyAction ? 1u : 0u);
    ASSERT_EQ(to->View()->Selection().size(), 1u);
    const CDrawObj* landed = to->View()->Selection().front();
    // Held 5, 2 from its corner, it lands with that corner 5, 2 before the drop point.
    EXPECT_EQ(to->View()->DocToClient(landed->Bounds()).left, T.left + 45);
    EXPECT_EQ(to->View()->DocToClient(landed->Bounds()).top, T.top + 38);
    EXPECT_EQ(pixels(landed->ImagePart()->image), lifted);
  }
  EXPECT_EQ(to->View()->GetDocument().Objects().size(), 2u);
}
