// The painting tools driven with synthetic mouse events at 1, 8 and 24 bits: pen, brush, line tool, flood
// fill and the colour picker paint what they should, keep the image's depth and palette and undo in one
// step; the polygon closes on its first vertex and by double click; a stroke ends whole when the view
// loses the mouse; the configuration and strength bars set the stamps and the tolerance.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <cstdlib>
#include <cstring>

#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/paint_bars.h"
#include "ivorel/windows/frame/paint_stamps.h"
#include "ivorel/windows/frame/selection_commands.h"
#include "ivorel/windows/paint_engine.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace sel = ivorel::sel;
namespace paint = ivorel::paint;

namespace {

std::uint32_t value_at(const _IMAGEDESCRIPTOR& d, int x, int y) {
  return paint::get_value(d, x, y);
}

// The pixel value a colour (0x00BBGGRR) takes in the image.
std::uint32_t painted(const _IMAGEDESCRIPTOR& d, std::uint32_t colour) {
  return paint::pixel_value(
      d, RGBCOLOR{static_cast<unsigned char>(colour), static_cast<unsigned char>(colour >> 8),
                  static_cast<unsigned char>(colour >> 16)});
}

class PaintTools : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ivorel::reset_stamps();
    paint::set_fixed_seed(true, 7);
    ivorel::set_flood_tolerance(0);
  }
  void TearDown() override {
    paint::set_fixed_seed(false);
    CDrawView::SetCurrentTool(ivorel::kToolSelect);
  }
};

}  // namespace

TEST_P(PaintTools, EachToolPaintsKeepsDepthAndUndoes) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const OpenedImage o = f.open_sample(GetParam());
  ASSERT_NE(o.child, nullptr);
  _IMAGEDESCRIPTOR& image = o.child->image;
  const int bits = image.bitsPerPixel;
  RGBCOLOR palette[256];
  std::memcpy(palette, image.palette, sizeof palette);
  const QPoint p0 = o.origin();

  struct Step {
    int command;
    std::function<void()> act;
    std::function<void(const std::vector<unsigned char>& before)> check;
  };
  const std::uint32_t red = 0x0000FF, blue = 0xFF0000;
  std::uint32_t fill = 0;
  const std::vector<Step> steps = {
      {sel::kToolPen,
       [&] {
         ivorel::set_stamp_settings(ivorel::StampKind::Pen, {3, red, ivorel::kStampSquare, 100});
         drag(o.view, p0 + QPoint(10, 10), p0 + QPoint(40, 10));
       },
       [&](const std::vector<unsigned char>&) {
         for (int x = 10; x <= 40; x += 5) EXPECT_EQ(value_at(image, x, 10), painted(image, red)) << x;
         EXPECT_EQ(value_at(image, 25, 9), painted(image, red));  // 3 wide
       }},
      {sel::kToolBrush,
       [&] {
         ivorel::set_stamp_settings(ivorel::StampKind::Brush, {10, blue, ivorel::kStampSquare, 100});
         click(o.view, p0 + QPoint(60, 60));
       },
       [&](const std::vector<unsigned char>& before) {
         // A click places exactly one 10 x 10 stamp centred on the point.
         const _IMAGEDESCRIPTOR copy = [&] {
           _IMAGEDESCRIPTOR d = image;
           d.imageData = const_cast<unsigned char*>(before.data());
           return d;
         }();
         int changedOutside = 0;
         for (int y = 0; y < image.height; ++y)
           for (int x = 0; x < image.width; ++x) {
             const bool in = x >= 55 && x < 65 && y >= 55 && y < 65;
             if (in) {
               EXPECT_EQ(value_at(image, x, y), painted(image, blue));
             } else {
               changedOutside += value_at(image, x, y) != value_at(copy, x, y);
             }
           }
         EXPECT_EQ(changedOutside, 0);
       }},
      {sel::kToolLineTool,
       [&] {
         ivorel::set_stamp_settings(ivorel::StampKind::Pen, {1, red, ivorel::kStampRound, 100});
         drag(o.view, p0 + QPoint(5, 70), p0 + QPoint(45, 90));
       },
       [&](const std::vector<unsigned char>&) {
         EXPECT_EQ(value_at(image, 5, 70), painted(image, red));
         EXPECT_EQ(value_at(image, 45, 90), painted(image, red));  // both ends
         EXPECT_EQ(value_at(image, 25, 80), painted(image, red));
       }},
      {sel::kToolFill,
       [&] {
         // The seed's opposite colour, so that every palette has an entry apart from the seed's.
         int index = 0;
         const RGBCOLOR seed = paint::get_pixel(image, 2, 2, index);
         fill =
             (255 - seed.red) | (255 - seed.green) << 8 | static_cast<std::uint32_t>(255 - seed.blue) << 16;
         ivorel::set_brush_colour(fill);
         click(o.view, p0 + QPoint(2, 2));
       },
       [&](const std::vector<unsigned char>& before) {
         EXPECT_EQ(value_at(image, 2, 2), painted(image, fill));
         EXPECT_NE(pixels(image), before);
       }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.command);
    f.frame().ExecuteCommand(s.command);
    EXPECT_EQ(CDrawView::CurrentTool(), ivorel::tool_of_command(s.command));
    const std::vector<unsigned char> before = pixels(image);
    s.act();
    EXPECT_FALSE(o.view->PaintStrokeActive());
    s.check(before);
    EXPECT_EQ(image.bitsPerPixel, bits);
    EXPECT_EQ(0, std::memcmp(palette, image.palette, sizeof palette));
    ASSERT_TRUE(f.frame().IsCommandEnabled(ivorel::cmd::kUndo));
    f.frame().ExecuteCommand(ivorel::cmd::kUndo);
    EXPECT_EQ(pixels(o.child->image), before);  // one step undoes the whole stroke
  }

  // The colour picker: left into the pen, right into the brush.
  f.frame().ExecuteCommand(sel::kToolPick);
  int index = 0;
  const RGBCOLOR c = paint::get_pixel(image, 30, 30, index);
  const std::uint32_t ref = c.red | c.green << 8 | static_cast<std::uint32_t>(c.blue) << 16;
  ivorel::set_pen_colour(0x123456);
  ivorel::set_brush_colour(0x654321);
  click(o.view, p0 + QPoint(30, 30));
  EXPECT_EQ(ivorel::pen_colour(), ref);
  EXPECT_EQ(ivorel::brush_colour(), 0x654321u);
  click(o.view, p0 + QPoint(30, 30), Qt::RightButton);
  EXPECT_EQ(ivorel::brush_colour(), ref);
}

INSTANTIATE_TEST_SUITE_P(Depths, PaintTools,
                         ::testing::Values("wheel-1bit.bmp", "wheel-8bit.bmp", "wheel-24bit.bmp"));

TEST_F(PaintTools, PolygonClosesOnFirstVertexAndByDoubleClick) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const OpenedImage o = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(o.child, nullptr);
  const QPoint a = o.origin() + QPoint(10, 10), b = o.origin() + QPoint(60, 12),
               c = o.origin() + QPoint(30, 50);
  for (bool byDoubleClick : {false, true}) {
    SCOPED_TRACE(byDoubleClick);
    f.frame().ExecuteCommand(sel::kToolPolygon);
    const std::size_t objects = o.view->GetDocument().Objects().size();
    click(o.view, a);
    click(o.view, b);
    mouse(o.view->viewport(), QEvent::MouseMove, c, Qt::NoButton, Qt::NoButton);
    click(o.view, c);
    if (byDoubleClick) {
      mouse(o.view->viewport(), QEvent::MouseButtonDblClick, c, Qt::LeftButton);
      mouse(o.view->viewport(), QEvent::MouseButtonRelease, c, Qt::NoButton);
    } else {
      click(o.view, a);
    }
    settle();
    EXPECT_EQ(CDrawView::CurrentTool(), ivorel::kToolSelect);
    ASSERT_EQ(o.view->GetDocument().Objects().size(), objects + 1);
    auto* poly = dynamic_cast<CDrawPolyWithImage*>(o.view->GetDocument().Objects().back().get());
    ASSERT_NE(poly, nullptr);
    ASSERT_EQ(poly->m_points.size(), 3u);
    EXPECT_EQ(poly->m_points[1].x, o.view->ClientToDoc(POINT{b.x(), b.y()}).x);
  }
  // Closed at once on the first vertex: too few vertices, so no polygon stays.
  f.frame().ExecuteCommand(sel::kToolPolygon);
  const std::size_t objects = o.view->GetDocument().Objects().size();
  click(o.view, a);
  click(o.view, a);
  EXPECT_EQ(o.view->GetDocument().Objects().size(), objects);
}

TEST_F(PaintTools, StrokeEndsWholeWhenTheMouseIsLost) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const OpenedImage o = f.open_sample("wheel-8bit.bmp");
  ASSERT_NE(o.child, nullptr);
  const std::vector<unsigned char> before = pixels(o.child->image);
  ivorel::set_stamp_settings(ivorel::StampKind::Pen, {4, 0x0000FF, ivorel::kStampSquare, 100});
  f.frame().ExecuteCommand(sel::kToolPen);
  mouse(o.view->viewport(), QEvent::MouseButtonPress, o.origin() + QPoint(10, 20), Qt::LeftButton);
  mouse(o.view->viewport(), QEvent::MouseMove, o.origin() + QPoint(50, 20), Qt::LeftButton);
  EXPECT_TRUE(o.view->PaintStrokeActive());
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(o.view, &out);
  EXPECT_FALSE(o.view->PaintStrokeActive());
  mouse(o.view->viewport(), QEvent::MouseButtonRelease, o.origin() + QPoint(50, 20), Qt::NoButton);
  EXPECT_EQ(value_at(o.child->image, 30, 20), painted(o.child->image, 0x0000FF));
  f.frame().ExecuteCommand(ivorel::cmd::kUndo);
  EXPECT_EQ(pixels(o.child->image), before);
}

TEST_F(PaintTools, ConfigurationAndStrengthBars) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open_sample("wheel-24bit.bmp").child, nullptr);
  QToolBar* config = f.frame().ToolBar(ivorel::kConfigBarId);
  QToolBar* strength = f.frame().ToolBar(ivorel::kStrengthBarId);
  ASSERT_TRUE(config && strength);
  EXPECT_FALSE(config->isVisible());
  f.frame().ExecuteCommand(ivorel::cmd::kToggleConfigBar);
  EXPECT_TRUE(config->isVisible());
  EXPECT_TRUE(f.frame().IsCommandChecked(ivorel::cmd::kToggleConfigBar));
  config->findChild<QSpinBox*>("PenSize")->setValue(12);
  config->findChild<QSpinBox*>("BrushOpacity")->setValue(55);
  config->findChild<QComboBox*>("PenShape")->setCurrentIndex(2);  // "Horizontal Bar": square
  EXPECT_EQ(ivorel::pen_stamp().size, 12);
  EXPECT_EQ(ivorel::pen_stamp().shape, ivorel::kStampSquare);
  EXPECT_EQ(ivorel::brush_stamp().opacity, 55);
  config->findChild<QComboBox*>("BrushShape")->setCurrentIndex(1);
  EXPECT_EQ(ivorel::brush_stamp().shape, ivorel::kStampRound);
  // Out of range is refused; a stamp changed elsewhere shows on the page.
  config->findChild<QSpinBox*>("PenSize")->setValue(500);
  EXPECT_EQ(ivorel::pen_stamp().size, 100);
  ivorel::set_stamp_size(ivorel::StampKind::Brush, 7);
  EXPECT_EQ(config->findChild<QSpinBox*>("BrushSize")->value(), 7);
  // The colour choice: the page's button opens a colour dialog whose choice becomes the stamp's colour.
  config->findChild<QPushButton*>("BrushColour")->click();
  settle();
  auto* dialog = config->findChild<QColorDialog*>("StampColourDialog");
  ASSERT_NE(dialog, nullptr);
  dialog->setCurrentColor(QColor(10, 20, 30));
  dialog->accept();
  settle();
  EXPECT_EQ(ivorel::brush_colour(), 0x1E140Au);

  f.frame().ExecuteCommand(sel::kToolFill);
  EXPECT_TRUE(strength->isVisible());
  EXPECT_EQ(strength->windowTitle(), "Floodfill Tolerance");
  EXPECT_EQ(strength->findChild<QLabel*>("StrengthLabel")->text(), "Tolerance");
  strength->findChild<QSlider*>("StrengthSlider")->setValue(10);
  EXPECT_EQ(ivorel::flood_tolerance(), 10);
  f.frame().ExecuteCommand(ivorel::cmd::kToggleStrengthBar);
  EXPECT_FALSE(strength->isVisible());
}

// The manual's picture of painting (written when IVOREL_MANUAL_IMAGES names a folder).
TEST(ManualScreenshots, PictaroPainting) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  FrameFixture f;
  f.frame().setWindowTitle("Pictaro");
  f.frame().resize(900, 600);
  ivorel::reset_stamps();
  const OpenedImage o = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(o.child, nullptr);
  o.child->showMaximized();
  f.frame().ExecuteCommand(ivorel::cmd::kViewZoom2X);
  settle();
  RECT R;
  o.child->GetImageRect(R);
  const QPoint p0(R.left, R.top);
  ivorel::set_stamp_settings(ivorel::StampKind::Pen, {4, 0x0000C0, ivorel::kStampRound, 100});
  f.frame().ExecuteCommand(sel::kToolPen);
  drag(o.view, p0 + QPoint(20, 200), p0 + QPoint(140, 150));
  ivorel::set_stamp_settings(ivorel::StampKind::Brush, {24, 0x30A030, ivorel::kStampRound, 80});
  f.frame().ExecuteCommand(sel::kToolBrush);
  for (int i = 0; i < 6; ++i) drag(o.view, p0 + QPoint(180, 40 + i * 6), p0 + QPoint(300, 80 + i * 6));
  f.frame().ExecuteCommand(sel::kToolFill);
  f.frame().ToolBar(ivorel::kStrengthBarId)->findChild<QSlider*>("StrengthSlider")->setValue(4);
  ivorel::set_brush_colour(0x00D0FF);
  click(o.view, p0 + QPoint(6, 6));
  f.frame().ExecuteCommand(ivorel::cmd::kToggleConfigBar);
  f.frame().ToolBar(ivorel::kConfigBarId)->findChild<QTabWidget*>("ConfigurationTabs")->setCurrentIndex(1);
  settle();
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(f.frame().grab().save(QDir(folder).filePath("pictaro-painting.png")));
  CDrawView::SetCurrentTool(ivorel::kToolSelect);
}

TEST_F(PaintTools, ShapeToolsStartSelectionsOnThePictureOnly) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const OpenedImage o = f.open_sample("wheel-24bit.bmp");
  ASSERT_NE(o.child, nullptr);
  const std::vector<unsigned char> before = pixels(o.child->image);
  const struct {
    int command;
    ivorel::ShapeKind kind;
  } cases[] = {{sel::kToolLineShape, ivorel::ShapeKind::Line},
               {sel::kToolRectShape, ivorel::ShapeKind::Rectangle},
               {sel::kToolFilledRoundRect, ivorel::ShapeKind::RoundRect},
               {sel::kToolFilledEllipse, ivorel::ShapeKind::Ellipse}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    f.frame().ExecuteCommand(c.command);
    const std::size_t objects = o.view->GetDocument().Objects().size();
    drag(o.view, o.origin() + QPoint(20, 30), o.origin() + QPoint(70, 60));
    ASSERT_EQ(o.view->GetDocument().Objects().size(), objects + 1);
    auto* made = dynamic_cast<CDrawRectWithImage*>(o.view->GetDocument().Objects().back().get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->m_nShape, c.kind);
    EXPECT_TRUE(o.view->IsSelected(made));
    // Outside the picture nothing starts.
    drag(o.view, o.origin() + QPoint(200, 200), o.origin() + QPoint(240, 240));
    EXPECT_EQ(o.view->GetDocument().Objects().size(), objects + 1);
    o.view->Select(made, false);
    f.frame().ExecuteCommand(sel::kClear);
  }
  EXPECT_EQ(pixels(o.child->image), before);  // shapes draw no pixels
}
