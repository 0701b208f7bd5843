// The "Palette Colors" window: shown and closed by its commands, the range check and luminance of the
// colour boxes, colours exchanged with the pen and brush, the Find Tool's question, and the edited palette
// applied to the image and to its selections by replacement and by matching, each undone again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <cstdlib>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/paint_stamps.h"
#include "ivorel/windows/frame/palette_colors.h"
#include "ivorel/windows/frame/selection_commands.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;
namespace sel = ivorel::sel;

namespace {

const char kNoEntry[] = "Please pick a color from the above color palette first!";
const char kRange[] = "Number should be in the range 0...255";
const char kTrueColour[] = "No active image, or the active image is a true color image";

CPaletteColors* palette_window() {
  return static_cast<CPaletteColors*>(CIMDIFrameWnd::m_pPaletteDialog);
}

CPaletteColors* show_palette(FrameFixture& f) {
  if (!palette_window()) f.frame().ExecuteCommand(cmd::kTogglePalette);
  settle();
  return palette_window();
}

QLineEdit* box(CPaletteColors* w, const char* name) {
  return w->findChild<QLineEdit*>(name);
}

// Types `text` into a box as a person would, after emptying it.
void type(QLineEdit* edit, const QString& text) {
  edit->clear();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
  }
}

bool same(const RGBCOLOR& a, const RGBCOLOR& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

int l100(const RGBCOLOR& c) {
  return (30 * c.red + 59 * c.green + 11 * c.blue) / 100;
}

// What the image's palette becomes: the table itself, or each entry matched to the table colour of nearest
// brightness (ends among the table's ends, the rest among its middle, ties to the lowest index).
std::vector<RGBCOLOR> reference(const _IMAGEDESCRIPTOR& image, const RGBCOLOR* table, bool match) {
  std::vector<RGBCOLOR> out(image.palette, image.palette + 256);
  for (int i = 0; i < 256; ++i) {
    if (!match) {
      out[i] = table[i];
      continue;
    }
    if (i >= image.colors) continue;
    const bool end = i < 10 || i >= 245;
    int best = -1;
    for (int j = 0; j < 256; ++j) {
      if ((j < 10 || j >= 245) != end) continue;
      if (best < 0 || std::abs(l100(table[j]) - l100(image.palette[i])) <
                          std::abs(l100(table[best]) - l100(image.palette[i])))
        best = j;
    }
    out[i] = table[best];
  }
  return out;
}

// The colour of the pixel at x, y of an 8-bit image (rows bottom-up).
RGBCOLOR colour_at(const _IMAGEDESCRIPTOR& d, int x, int y) {
  const int stride = (d.width + 3) & ~3;
  return d.palette[d.imageData[static_cast<std::size_t>(d.height - 1 - y) * stride + x]];
}

}  // namespace

TEST(PaletteWindow, ItsCommandsShowAndCloseItAndItShowsTheActivePalette) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kTogglePalette));
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kColorize)) << "434 needs an image";
  CMDIChildImageWnd* child = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(child, nullptr);
  ASSERT_GT(child->image.colors, 0);
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kColorize));

  for (int command : {cmd::kTogglePalette, cmd::kColorize}) {
    f.frame().ExecuteCommand(command);
    settle();
    CPaletteColors* w = palette_window();
    ASSERT_NE(w, nullptr) << command;
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Palette Colors");
    EXPECT_TRUE(f.frame().IsCommandChecked(cmd::kTogglePalette));
    EXPECT_EQ(w->EntryCount(), child->image.colors);
    EXPECT_EQ(w->SelectedIndex(), -1);
    EXPECT_EQ(w->findChild<QLabel*>("Total")->text(), QString("Total: %1 entries").arg(child->image.colors));
    EXPECT_TRUE(box(w, "Red")->text().isEmpty());

    w->SelectEntry(5);
    EXPECT_EQ(w->findChild<QLabel*>("Index")->text(), " Index: 5");
    EXPECT_EQ(box(w, "Green")->text().toInt(), child->image.palette[5].green);
    EXPECT_EQ(w->findChild<QLabel*>("Luminance")->text().toInt(), l100(child->image.palette[5]));

    f.frame().ExecuteCommand(command);
    settle();
    EXPECT_EQ(palette_window(), nullptr) << "closing destroys it";
    EXPECT_FALSE(f.frame().IsCommandChecked(cmd::kTogglePalette));
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(PaletteWindow, BoxesCheckTheirRangeAndTheLuminanceFollowsThem) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  w->SelectEntry(0);

  type(box(w, "Red"), "256");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], kRange);
  EXPECT_EQ(boxes.captions[0], "Error");
  EXPECT_EQ(box(w, "Red")->text(), "25") << "the last good value comes back";

  struct Case {
    const char *red, *green, *blue;
    int luminance;
  };
  const Case cases[] = {{"255", "255", "255", 255}, {"255", "0", "0", 76}, {"0", "255", "0", 150},
                        {"0", "0", "255", 28},      {"1", "1", "1", 1},    {"99", "0", "99", 40}};
  for (const Case& c : cases) {
    type(box(w, "Red"), c.red);
    type(box(w, "Green"), c.green);
    type(box(w, "Blue"), c.blue);
    EXPECT_EQ(w->Luminance(), c.luminance) << c.red << " " << c.green << " " << c.blue;
    EXPECT_EQ(w->findChild<QLabel*>("Luminance")->text().toInt(), c.luminance);
  }
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(PaletteWindow, SetAndPickColourNeedAnEntryAndExchangeWithPenAndBrush) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  ivorel::reset_stamps();
  using S = CPaletteColors::SetSource;
  using P = CPaletteColors::PickTarget;

  // Without a selected entry each one says so and changes nothing.
  const RGBCOLOR first = w->Entry(0);
  EXPECT_FALSE(w->SetColor(S::Pen));
  EXPECT_FALSE(w->SetColor(S::Brush));
  EXPECT_FALSE(w->SetColor(S::Typed));
  EXPECT_FALSE(w->PickColor(P::Pen));
  EXPECT_FALSE(w->PickColor(P::Brush));
  ASSERT_EQ(boxes.texts.size(), 5u);
  for (std::size_t i = 0; i < boxes.texts.size(); ++i) {
    EXPECT_EQ(boxes.texts[i], kNoEntry);
    EXPECT_EQ(boxes.captions[i], "No palette color is selected...");
  }
  EXPECT_TRUE(same(w->Entry(0), first));
  EXPECT_EQ(ivorel::pen_colour(), 0u);
  boxes.texts.clear();

  w->SelectEntry(7);
  ivorel::set_pen_colour(0x102030);  // red 0x30, green 0x20, blue 0x10
  ivorel::set_brush_colour(0xA0B0C0);
  ASSERT_TRUE(w->SetColor(S::Pen));
  EXPECT_TRUE(same(w->Entry(7), RGBCOLOR{0x30, 0x20, 0x10}));
  EXPECT_EQ(box(w, "Red")->text(), "48");
  ASSERT_TRUE(w->SetColor(S::Brush));
  EXPECT_TRUE(same(w->Entry(7), RGBCOLOR{0xC0, 0xB0, 0xA0}));
  type(box(w, "Red"), "1");
  type(box(w, "Green"), "2");
  type(box(w, "Blue"), "3");
  ASSERT_TRUE(w->SetColor(S::Typed));
  EXPECT_TRUE(same(w->Entry(7), RGBCOLOR{1, 2, 3}));

  ASSERT_TRUE(w->PickColor(P::Pen));
  EXPECT_EQ(ivorel::pen_colour(), 0x030201u);
  EXPECT_EQ(ivorel::first_colour(), 0x030201u) << "the fills read the pen colour";
  w->SelectEntry(8);
  ASSERT_TRUE(w->PickColor(P::Brush));
  const RGBCOLOR e = w->Entry(8);
  EXPECT_EQ(ivorel::brush_colour(), static_cast<std::uint32_t>(e.red | e.green << 8 | e.blue << 16));
  EXPECT_EQ(ivorel::second_colour(), ivorel::brush_colour());
  EXPECT_TRUE(boxes.texts.empty());
  ivorel::reset_stamps();
}

TEST(PaletteWindow, TheFindToolAsksBeforeReplacingALoadedPalette) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* eight = f.open(sample("wheel-8bit.bmp"));
  CMDIChildImageWnd* four = f.open(sample("wheel-4bit.bmp"));
  CMDIChildImageWnd* rgb = f.open(sample("wheel-24bit.bmp"));
  ASSERT_TRUE(eight && four && rgb);
  f.frame().MdiArea()->setActiveSubWindow(eight);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->EntryCount(), eight->image.colors);
  w->SelectEntry(3);

  // No keeps the palette, but the window under the finder becomes the active one.
  boxes.answers = {pcore::kIdNo};
  EXPECT_FALSE(w->FinderReleasedOver(four->View()->viewport()));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Do you want to overwrite the current palette?");
  EXPECT_EQ(boxes.captions[0], "Overwrite...");
  EXPECT_EQ(w->EntryCount(), eight->image.colors);
  EXPECT_EQ(f.active(), four);

  boxes.answers = {pcore::kIdYes};
  EXPECT_TRUE(w->FinderReleasedOver(four->View()->viewport()));
  EXPECT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(w->EntryCount(), 16);
  EXPECT_TRUE(same(w->Entry(15), four->image.palette[15]));
  EXPECT_EQ(w->SelectedIndex(), -1);

  // A true-colour image has nothing to show: it says so and the palette stays.
  EXPECT_FALSE(w->FinderReleasedOver(rgb->View()->viewport()));
  ASSERT_EQ(boxes.texts.size(), 3u);
  EXPECT_EQ(boxes.captions[2], "This is a true color image...");
  EXPECT_EQ(w->EntryCount(), 16);
  // Anything else under the finder is no image window.
  EXPECT_FALSE(w->FinderReleasedOver(w));
  EXPECT_FALSE(w->FinderReleasedOver(nullptr));

  // The drag itself: pressed in the finder, let go over the 8-bit window's view.
  f.frame().MdiArea()->setActiveSubWindow(four);
  QWidget* finder = w->findChild<QWidget*>("FindTool");
  ASSERT_NE(finder, nullptr);
  QWidget* target = eight->View()->viewport();
  const QPoint over = finder->mapFromGlobal(target->mapToGlobal(target->rect().center()));
  if (QApplication::widgetAt(target->mapToGlobal(target->rect().center())) != target)
    GTEST_SKIP() << "this platform does not tell which window is under a point";
  boxes.answers = {pcore::kIdYes};
  mouse(finder, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton);
  mouse(finder, QEvent::MouseButtonRelease, over, Qt::NoButton);
  EXPECT_EQ(w->EntryCount(), eight->image.colors);
  EXPECT_EQ(f.active(), eight);
}

TEST(PaletteWindow, ApplyNeedsAPaletteAndAPaletteImage) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* rgb = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(rgb, nullptr);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->EntryCount(), 0) << "a true-colour image shows no palette";
  EXPECT_FALSE(w->Apply(true, true));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Please pick a palette from the above color palette first!");
  EXPECT_EQ(boxes.captions[0], "No palette yet...");

  CMDIChildImageWnd* eight = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(eight, nullptr);
  ASSERT_TRUE(w->Refresh());
  f.frame().MdiArea()->setActiveSubWindow(rgb);
  const std::vector<unsigned char> before = pixels(rgb->image);
  for (bool match : {true, false}) {
    boxes.texts.clear();
    boxes.captions.clear();
    EXPECT_FALSE(w->Apply(true, match));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], kTrueColour);
    EXPECT_EQ(boxes.captions[0], "User Advisory...");
  }
  EXPECT_EQ(pixels(rgb->image), before);
  EXPECT_FALSE(rgb->dirty);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kUndo));
  boxes.texts.clear();
  EXPECT_FALSE(w->Refresh()) << "nothing to reload from a true-colour image";
  EXPECT_EQ(boxes.texts.at(0), kTrueColour);
}

TEST(PaletteWindow, AnEditedPaletteAppliedByReplaceAndByMatchAndUndone) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(child, nullptr);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  const int count = w->EntryCount();
  ASSERT_GT(count, 20);
  // Edit two entries: one at the dark end, one in the middle.
  for (int index : {2, count / 2}) {
    w->SelectEntry(index);
    type(box(w, "Red"), "200");
    type(box(w, "Green"), "10");
    type(box(w, "Blue"), "90");
    ASSERT_TRUE(w->SetColor(CPaletteColors::SetSource::Typed));
  }
  RGBCOLOR table[256];
  for (int i = 0; i < 256; ++i) table[i] = w->Entry(i % count);

  const _IMAGEDESCRIPTOR original = child->image;
  const std::vector<unsigned char> indices = pixels(child->image);
  for (bool match : {false, true}) {
    const std::vector<RGBCOLOR> want = reference(original, table, match);
    ASSERT_TRUE(w->Apply(true, match)) << match;
    EXPECT_EQ(pixels(child->image), indices) << "only the palette changes";
    for (int i = 0; i < 256; ++i)
      ASSERT_TRUE(same(child->image.palette[i], want[i])) << "match " << match << " entry " << i;
    for (int y = 0; y < child->image.height; y += 13)
      for (int x = 0; x < child->image.width; x += 11) {
        const int index =
            indices[static_cast<std::size_t>(child->image.height - 1 - y) * ((child->image.width + 3) & ~3) +
                    x];
        ASSERT_TRUE(same(colour_at(child->image, x, y), want[index])) << x << "," << y;
      }
    EXPECT_TRUE(child->dirty);
    EXPECT_EQ(child->procData, nullptr) << "the parameter reference is cleared";

    ASSERT_TRUE(f.frame().IsCommandEnabled(cmd::kUndo));
    f.frame().ExecuteCommand(cmd::kUndo);
    for (int i = 0; i < 256; ++i)
      ASSERT_TRUE(same(child->image.palette[i], original.palette[i])) << "undo, entry " << i;
    EXPECT_EQ(pixels(child->image), indices);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(PaletteWindow, ApplyToSelectionsChangesOnlyThemAndTheirUndoBringsThemBack) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  const auto [child, view, R] = f.open_sample("wheel-8bit.bmp");
  ASSERT_NE(child, nullptr);
  CDrawObj* o = draw_selection(f.frame(), view, QPoint(R.left + 5, R.top + 5), QSize(30, 20));
  ASSERT_NE(o, nullptr);
  SelectionImagePart* part = o->ImagePart();
  ASSERT_TRUE(part && part->HasPixels());
  ASSERT_GT(part->image.colors, 0) << "the selection keeps the image's depth";

  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  w->SelectEntry(40);
  type(box(w, "Red"), "7");
  ASSERT_TRUE(w->SetColor(CPaletteColors::SetSource::Typed));
  RGBCOLOR table[256];
  for (int i = 0; i < 256; ++i) table[i] = w->Entry(i % w->EntryCount());

  const _IMAGEDESCRIPTOR image = child->image;
  const _IMAGEDESCRIPTOR selection = part->image;
  for (bool match : {false, true}) {
    const std::vector<RGBCOLOR> want = reference(selection, table, match);
    ASSERT_TRUE(w->Apply(false, match));
    for (int i = 0; i < part->image.colors; ++i)
      ASSERT_TRUE(same(part->image.palette[i], want[i])) << "match " << match << " entry " << i;
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(same(child->image.palette[i], image.palette[i]));
    ASSERT_TRUE(f.frame().IsCommandEnabled(sel::kSelectionUndo));
    f.frame().ExecuteCommand(sel::kSelectionUndo);
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(same(part->image.palette[i], selection.palette[i]));
  }
  EXPECT_TRUE(boxes.texts.empty());
}

// The manual's picture of the window (scripts/manual_screenshots.sh).
TEST(ManualScreenshots, PaletteColors) {
  const char* folder = std::getenv("IVOREL_MANUAL_IMAGES");
  if (!folder) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  CPaletteColors* w = show_palette(f);
  ASSERT_NE(w, nullptr);
  w->SelectEntry(42);
  settle();
  EXPECT_TRUE(w->grab().save(QString::fromLocal8Bit(folder) + "/pictaro-palette-colors.png"));
}
