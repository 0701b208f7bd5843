// The processing toolkit: its tabs come from the operation registry, it opens on the tab a command names,
// the preview runs the operation on a reduced copy and follows the words, and Apply changes the image
// through the processor, so that the undo store can take it back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedWidget>

#include "display/window.h"
#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/preview_image.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/toolkit_window.h"
#include "tests/gui/dialog_harness.h"
#include "tests/ivorel/processing_support.h"

using namespace testing_support;
using ivorel::toolkit::ToolkitWindow;

namespace {

class ImageWindow : public draw::MemoryWindow {
 public:
  ImageWindow() : MemoryWindow(64, 64) {}
  std::string class_name() const override { return "IMAGEWINDOW"; }
  void update() override { ++updates; }
  int updates = 0;
};

std::vector<unsigned char> gradient(int width, int height) {
  std::vector<unsigned char> pixels(ivorel::row_bytes(width, 24) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char* p = pixels.data() + y * ivorel::row_bytes(width, 24) + 3 * x;
      p[0] = static_cast<unsigned char>(x);
      p[1] = static_cast<unsigned char>(y);
      p[2] = static_cast<unsigned char>(x + y);
    }
  return pixels;
}

// A 24-bit picture shown in an image window with its undo store, as the frame keeps one.
struct WindowedImage {
  WindowedImage() : image(300, 200, 24, 0, gradient(300, 200)) {
    image.object.window = &handle;
    window.set_property(ivorel::kUndoStoreProperty, &undo);
    ivorel::SetToolkitImageSource([this] { return &image.object; });
  }
  ~WindowedImage() { ivorel::SetToolkitImageSource(nullptr); }

  TestImage image;
  ImageWindow window;
  HWND handle = &window;
  COperationUndoRedo undo{image.object, image.object.menuUpdate};
};

// The tab picker and the pages it switches between.
QListWidget* tab_list(const QWidget& toolkit) {
  return toolkit.findChild<QListWidget*>("tabs");
}
QStackedWidget* tab_pages(const QWidget& toolkit) {
  return toolkit.findChild<QStackedWidget*>("tabPages");
}
QString current_tab(const QWidget& toolkit) {
  QListWidgetItem* item = tab_list(toolkit)->currentItem();
  EXPECT_EQ(tab_pages(toolkit)->currentIndex(), tab_list(toolkit)->currentRow())
      << "the page follows the picker";
  return item ? item->text() : QString();
}

}  // namespace

TEST(ProcessingToolkit, OneTabPerRegistryTabWithItsOperations) {
  std::vector<std::string> expected;
  for (const registry::Operation& op : registry::operations())
    if (*op.tab && std::find(expected.begin(), expected.end(), op.tab) == expected.end())
      expected.push_back(op.tab);
  ASSERT_FALSE(expected.empty());
  ToolkitWindow toolkit("Image Processing", nullptr);
  QListWidget* tabs = tab_list(toolkit);
  QStackedWidget* pages = tab_pages(toolkit);
  ASSERT_NE(tabs, nullptr);
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(tabs->count(), static_cast<int>(expected.size()));
  ASSERT_EQ(pages->count(), tabs->count());
  const std::vector<ivorel::toolkit::Tab> declared = ivorel::toolkit::toolkit_tabs();
  for (int i = 0; i < tabs->count(); ++i) {
    // The user reads titles, never the cut tab names or the members' names.
    EXPECT_EQ(tabs->item(i)->text().toStdString(), ivorel::toolkit::tab_title(declared[i]));
    auto* list = pages->widget(i)->findChild<QListWidget*>("operations");
    QStringList names;
    for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
    for (const registry::Operation& op : registry::operations()) {
      ASSERT_NE(op.title, nullptr) << op.name;
      EXPECT_EQ(names.contains(op.title), op.tab == expected[i]) << op.name;
    }
  }
  // Every declared word has its control with the word's range and default.
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentRow(i);  // as a click on the picker does
    ASSERT_EQ(current_tab(toolkit).toStdString(), ivorel::toolkit::tab_title(declared[i]));
    ivorel::toolkit::ParameterForm* form = toolkit.current_form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->operation().tab, expected[i]);
    EXPECT_TRUE(pages->currentWidget()->isAncestorOf(form));
    ivorel::toolkit::reset_words(form->operation());
    form->reset();
    for (const registry::ParameterWord& w : form->operation().words) {
      QWidget* spin = form->word_control(w.index);
      ASSERT_NE(spin, nullptr) << form->operation().name << " w" << w.index;
      // A choice is a check box (no/yes) or a list of its labels, showing the default.
      if (w.choices && QString(w.choices) == "No|Yes") {
        auto* box = qobject_cast<QCheckBox*>(spin);
        ASSERT_NE(box, nullptr) << form->operation().name << " w" << w.index;
        EXPECT_EQ(box->isChecked(), w.fallback != w.low);
      } else if (w.choices) {
        auto* choice = qobject_cast<QComboBox*>(spin);
        ASSERT_NE(choice, nullptr) << form->operation().name << " w" << w.index;
        EXPECT_EQ(choice->count(), w.high - w.low + 1);
        EXPECT_EQ(choice->currentIndex(), w.fallback - w.low);
      } else if (auto* integer = qobject_cast<QSpinBox*>(spin)) {
        EXPECT_EQ(integer->minimum(), w.low);
        EXPECT_EQ(integer->maximum(), w.high);
        EXPECT_EQ(integer->value(), w.fallback);
      }
    }
  }
}

TEST(ProcessingToolkit, OpensOnTheNamedTabAndIsOneWindow) {
  ivorel::PopupImageProcessingParameterFrame(nullptr, "Gamma");
  auto windows = top_level_windows("Image Processing");
  ASSERT_EQ(windows.size(), 1);
  EXPECT_EQ(current_tab(*windows[0]), "Gamma Correction");
  ivorel::PopupImageProcessingParameterFrame(nullptr, "Want The First Tab");
  ASSERT_EQ(top_level_windows("Image Processing").size(), 1) << "raised, not opened again";
  EXPECT_EQ(tab_list(*windows[0])->currentRow(), 0);
  EXPECT_EQ(current_tab(*windows[0]), tab_list(*windows[0])->item(0)->text());
  ivorel::PopupImageProcessingParameterFrame(nullptr, "Invert");
  EXPECT_EQ(current_tab(*windows[0]), "Invert Colours");
  ivorel::PopupImageProcessingParameterFrame(nullptr, "No Such Tab");
  EXPECT_EQ(tab_list(*windows[0])->currentRow(), 0);
  ivorel::PopupImageProcessingPreviewDialog(nullptr, "Invert");
  auto previews = top_level_windows("Image Processing Preview");
  ASSERT_EQ(previews.size(), 1);
  EXPECT_EQ(current_tab(*previews[0]), "Invert Colours");
  windows[0]->close();
  previews[0]->close();
  EXPECT_TRUE(top_level_windows("Image Processing").isEmpty());
}

TEST(ProcessingToolkit, PreviewRunsOnAReducedCopyAndFollowsTheWords) {
  WindowedImage shown;
  const std::vector<unsigned char> original = shown.image.pixels();
  ToolkitWindow toolkit("Image Processing", nullptr);
  toolkit.select_tab("Brit");
  auto* brightness = qobject_cast<QSpinBox*>(toolkit.current_form()->word_control(1));
  ASSERT_NE(brightness, nullptr);
  brightness->setValue(0);
  toolkit.refresh_preview();
  const QImage unchanged = toolkit.preview_result();
  ASSERT_FALSE(unchanged.isNull());
  EXPECT_EQ(unchanged.width(), ToolkitWindow::kPreviewLimit);
  EXPECT_EQ(unchanged.height(), 170);
  brightness->setValue(120);
  toolkit.refresh_preview();
  const QImage brighter = toolkit.preview_result();
  EXPECT_NE(brighter, unchanged);
  EXPECT_GT(qRed(brighter.pixel(10, 10)), qRed(unchanged.pixel(10, 10)));
  EXPECT_EQ(shown.image.pixels(), original) << "the image itself is untouched";
  EXPECT_FALSE(shown.undo.ICanUndo()) << "a preview takes no undo snapshot";
  brightness->setValue(0);
}

TEST(ProcessingToolkit, ApplyChangesTheImageAndUndoTakesItBack) {
  WindowedImage shown;
  const std::vector<unsigned char> original = shown.image.pixels();
  ToolkitWindow toolkit("Image Processing", nullptr);
  toolkit.select_tab("Invert");
  ASSERT_STREQ(toolkit.current_form()->operation().name, "InvertPicHelper");
  toolkit.current_form()->reset();  // mode 0: invert everything
  ivorel::ApplyImageProcessingFromUI(&shown.image.object, &toolkit);
  const std::vector<unsigned char> inverted = shown.image.pixels();
  ASSERT_NE(inverted, original);
  EXPECT_EQ(inverted[0], 255 - original[0]);
  EXPECT_EQ(shown.image.object.procData, nullptr) << "the image's own block is restored";
  EXPECT_GT(shown.window.invalidations(), 0);
  EXPECT_GT(shown.window.updates, 0);
  ASSERT_TRUE(shown.undo.ICanUndo());
  ASSERT_EQ(shown.undo.DoUndo(), 1);
  EXPECT_EQ(shown.image.pixels(), original);
  ivorel::ApplyImageProcessingFromUI(nullptr, nullptr);  // no image: nothing happens
}

TEST(ProcessingToolkit, ReducedCopyKeepsDepthPaletteAndOrientation) {
  const int width = 600, height = 10;
  std::vector<unsigned char> pixels(ivorel::row_bytes(width, 4) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char& b = pixels[y * ivorel::row_bytes(width, 4) + x / 2];
      b |= static_cast<unsigned char>((y == 0 ? 15 : x % 7) << (x % 2 ? 0 : 4));
    }
  TestImage image(width, height, 4, 16, pixels);
  for (int i = 0; i < 16; ++i)
    image.object.image.palette[i] = RGBCOLOR{static_cast<unsigned char>(i * 16), 0, 0};
  auto copy = ivorel::toolkit::reduced_copy(image.object.image, 256);
  ASSERT_NE(copy, nullptr);
  const _IMAGEDESCRIPTOR& d = copy->object.image;
  EXPECT_EQ(d.width, 256);
  EXPECT_EQ(d.height, 4);
  EXPECT_EQ(d.bitsPerPixel, 4);
  EXPECT_EQ(d.colors, 16);
  const QImage shown = ivorel::toolkit::to_qimage(d);
  for (int x = 0; x < 256; ++x) EXPECT_EQ(qRed(shown.pixel(x, 2)), (x * width / 256) % 7 * 16) << x;
  EXPECT_EQ(qRed(shown.pixel(5, 3)), 240) << "stored row 0 is the bottom row";
  _IMAGEDESCRIPTOR broken = image.object.image;
  broken.imageSize = 10;
  EXPECT_EQ(ivorel::toolkit::reduced_copy(broken, 256), nullptr) << "a size that does not fit is refused";
}

TEST(ProcessingToolkit, NeighbourhoodFiltersPreviewAtFullScaleAsApplyDoes) {
  WindowedImage shown;
  ToolkitWindow toolkit("Image Processing", nullptr);
  toolkit.select_tab("Blur");
  ASSERT_STREQ(toolkit.current_form()->operation().name, "Blur");
  ASSERT_TRUE(ToolkitWindow::previews_region(toolkit.current_form()->operation()));
  auto* size = qobject_cast<QSpinBox*>(toolkit.current_form()->word_control(1));
  ASSERT_NE(size, nullptr);
  size->setValue(51);
  toolkit.refresh_preview();
  const QImage preview = toolkit.preview_result();
  ASSERT_EQ(preview.size(), QSize(ToolkitWindow::kPreviewLimit, 200)) << "a region, not a reduced copy";
  const QRect region = ivorel::toolkit::preview_region(shown.image.object.image, QPoint(150, 100),
                                                       ToolkitWindow::kPreviewLimit);
  EXPECT_EQ(region, QRect(22, 0, 256, 200));

  // Dragging moves the region: the picture follows the pointer.
  toolkit.move_region(QPoint(40, 0));
  EXPECT_EQ(toolkit.region_centre(), QPoint(127, 99)) << "kept where a region fits";
  toolkit.move_region(QPoint(-40, 0));
  toolkit.refresh_preview();
  const QImage moved = toolkit.preview_result();
  EXPECT_NE(moved, preview);
  ivorel::ApplyImageProcessingFromUI(&shown.image.object, &toolkit);
  const QImage applied =
      ivorel::toolkit::to_qimage(shown.image.object.image)
          .copy(ivorel::toolkit::preview_region(shown.image.object.image, toolkit.region_centre(),
                                                ToolkitWindow::kPreviewLimit));
  EXPECT_EQ(moved, applied) << "Blur 51 previews exactly as Apply does";
  size->setValue(3);
}

TEST(ProcessingToolkit, EnlargeCanvasPreviewsTheLargerCanvas) {
  WindowedImage shown;
  ToolkitWindow toolkit("Image Processing", nullptr);
  toolkit.select_tab("Enlarge");
  ASSERT_NE(toolkit.current_form(), nullptr);
  EXPECT_FALSE(ToolkitWindow::previews_region(toolkit.current_form()->operation()));
  toolkit.refresh_preview();
  const QImage preview = toolkit.preview_result();
  ASSERT_FALSE(preview.isNull());
  EXPECT_EQ(preview.width(), ToolkitWindow::kPreviewLimit * 3 / 2)
      << "the reduced picture on a canvas 1.5 wide";
}
