// Printing from the editor with a scripted printer: the layout dialog's rules and words, the printer
// commands' enabling, pages printed equal to pages previewed, refusals, cancelling, and the print hand-off
// of processors.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/dialogs/print_layout_dialog.h"
#include "ivorel/windows/frame/print_op.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

// Presses Cancel in the "Printing" box at the job's next look at the event queue.
void cancel_printing_soon() {
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "107" && w->isVisible()) w->findChild<QAbstractButton*>("2")->click();
  });
}

// A printer that draws each page into an image at one pixel per hundredth of an inch.
class ScriptedPrinter : public ivorel::PrintService {
 public:
  ScriptedPrinter() {
    init_library();
    ivorel::install_print_service(this);
  }
  ~ScriptedPrinter() override { ivorel::install_print_service(nullptr); }

  class Target : public ivorel::PrintTarget {
   public:
    Target(ScriptedPrinter& owner, const ivorel::PageSetup& setup) : owner_(owner), setup_(setup) {}
    QPainter* BeginPage() override {
      owner_.pages.emplace_back(setup_.paperWidth / 10, setup_.paperHeight / 10, QImage::Format_RGB32);
      owner_.pages.back().fill(Qt::white);
      painter_.begin(&owner_.pages.back());
      if (owner_.cancelDuringPage) cancel_printing_soon();
      return &painter_;
    }
    bool EndPage() override { return painter_.end(); }
    bool Finish() override { return ++owner_.finished, true; }
    void Abort() override {
      if (painter_.isActive()) painter_.end();
      ++owner_.aborted;
    }
    QString PrinterName() const override { return "scripted"; }
    QString Port() const override { return "memory"; }

   private:
    ScriptedPrinter& owner_;
    ivorel::PageSetup setup_;
    QPainter painter_;
  };

  QStringList Printers() override { return printers; }
  bool ChoosePrinter(QWidget*, ivorel::PrinterChoice& choice) override {
    ++dialogs;
    choice.printer = "scripted";
    return choose;
  }
  bool PageSetupDialog(QWidget*, ivorel::PageSetup& setup) override {
    setup = pageSetup;
    return true;
  }
  std::unique_ptr<ivorel::PrintTarget> StartDoc(const ivorel::PrinterChoice&, const QString& name,
                                                const ivorel::PageSetup& setup, QString*) override {
    documents.append(name);
    return std::make_unique<Target>(*this, setup);
  }

  QStringList printers{ivorel::kPdfPrinter};
  bool choose = true;
  bool cancelDuringPage = false;
  ivorel::PageSetup pageSetup = ivorel::letter_paper();
  int dialogs = 0, finished = 0, aborted = 0;
  QStringList documents;
  std::vector<QImage> pages;
};

// Keeps the process-wide page set-up and the frame's layout from leaking into other tests.
struct PageSetupGuard {
  ivorel::PageSetup saved = ivorel::page_setup();
  ~PageSetupGuard() { ivorel::page_setup() = saved; }
};

_PrintImageLayout_STRUCT& frame_layout(CIMDIFrameWnd& frame) {
  _PrintImageLayout_STRUCT* layout = nullptr;
  PrintOp* op = nullptr;
  frame.GetPrintParameters(layout, op);
  return *layout;
}

}  // namespace

TEST(PrintLayoutDialog, EnablesZoomAndPlacementByTheChoicesAndReturnsTheirWords) {
  struct Case {
    _PrintImageLayout_STRUCT start;
    int pressLayout;  // control id clicked, 0 none
    int toggleName;   // 1 clicks "Show file name"
    int pickPlace;    // kOnTop / kAtBottom clicked, 0 none
    int zoomEntry;    // -1 leaves the list
    bool zoomEnabled, placeEnabled;
    _PrintImageLayout_STRUCT want;
  };
  using D = CPrintLayoutDialog;
  const Case cases[] = {
      {{0, 1, 0}, 0, 0, 0, -1, false, false, {0, 1, 0}},
      {{0, 1, 0}, D::kScale, 0, 0, 5, true, false, {2, -4, 0}},
      {{2, 16, 0}, D::kStretch, 0, 0, -1, false, false, {1, 16, 0}},
      {{1, 1, 0}, 0, 1, 0, -1, false, true, {1, 1, 1}},
      {{1, 1, 0}, 0, 1, D::kAtBottom, -1, false, true, {1, 1, 2}},
      {{0, 1, 2}, 0, 1, 0, -1, false, false, {0, 1, 0}},
      {{2, 3, 1}, 0, 0, 0, -1, true, true, {2, 1, 1}},  // a zoom off the list shows as 100 %
  };
  for (const Case& c : cases) {
    CPrintLayoutDialog dialog(nullptr, c.start);
    if (c.pressLayout) dialog.findChild<QAbstractButton*>(QString::number(c.pressLayout))->click();
    if (c.toggleName) dialog.findChild<QAbstractButton*>(QString::number(D::kShowName))->click();
    if (c.pickPlace) dialog.findChild<QAbstractButton*>(QString::number(c.pickPlace))->click();
    auto* zoom = dialog.findChild<QComboBox*>(QString::number(D::kZoom));
    ASSERT_EQ(zoom->count(), ivorel::kZoomEntries);
    if (c.zoomEntry >= 0) zoom->setCurrentIndex(c.zoomEntry);
    EXPECT_EQ(zoom->isEnabled(), c.zoomEnabled) << c.start.layout << "," << c.pressLayout;
    EXPECT_EQ(dialog.findChild<QWidget*>(QString::number(D::kOnTop))->isEnabled(), c.placeEnabled);
    EXPECT_EQ(dialog.findChild<QWidget*>(QString::number(D::kAtBottom))->isEnabled(), c.placeEnabled);
    const _PrintImageLayout_STRUCT got = dialog.Result();
    EXPECT_EQ(got.layout, c.want.layout);
    EXPECT_EQ(got.zoom, c.want.zoom);
    EXPECT_EQ(got.caption, c.want.caption);
  }
}

TEST(Printing, PrinterCommandsFollowThePrinterAndTheImage) {
  ScriptedMessageBox boxes;
  {
    ScriptedPrinter printer;  // only the PDF file printer
    FrameFixture f;
    EXPECT_TRUE(boxes.texts.empty());
    for (int id : {cmd::kPrintSetup, cmd::kImageLayout}) EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;
    for (int id : {cmd::kPrintPreview, cmd::kPrint}) EXPECT_FALSE(f.frame().IsCommandEnabled(id)) << id;
    ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
    for (int id : {cmd::kPrintSetup, cmd::kImageLayout, cmd::kPrintPreview, cmd::kPrint})
      EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;
  }
  ScriptedPrinter none;
  none.printers.clear();
  FrameFixture f;
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "No Windows printer configured. All print functions will be disabled.");
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kPrint));
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kPrintSetup));
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kPrintPreview));
}

TEST(Printing, PrintedPagesEqualPreviewedPages) {
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  PageSetupGuard guard;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
  const _PrintImageLayout_STRUCT layouts[] = {{0, 1, 0}, {1, 1, 2}, {2, -2, 1}, {2, 8, 0}};
  printer.pageSetup = ivorel::a4_paper();
  f.frame().ExecuteCommand(cmd::kPrintSetup);
  EXPECT_EQ(ivorel::page_setup().paperHeight, ivorel::a4_paper().paperHeight);
  for (const _PrintImageLayout_STRUCT& layout : layouts) {
    frame_layout(f.frame()) = layout;
    printer.pages.clear();
    f.frame().ExecuteCommand(cmd::kPrint);
    ASSERT_EQ(printer.pages.size(), 1u) << layout.layout;
    EXPECT_EQ(printer.finished, 2 * static_cast<int>(&layout - layouts) + 1);  // with the preview's prints

    f.frame().ExecuteCommand(cmd::kPrintPreview);
    EXPECT_TRUE(f.frame().InPrintPreview());
    EXPECT_FALSE(f.active()->isVisible());
    EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kOpen));
    EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kExit));
    _PrintImageLayout_STRUCT* unused = nullptr;
    PrintOp* op = nullptr;
    f.frame().GetPrintParameters(unused, op);
    ASSERT_NE(op->PreviewWindow(), nullptr);
    const QImage previewed = op->PreviewWindow()->RenderAt(1.0);
    EXPECT_TRUE(previewed == printer.pages[0])
        << layout.layout << "," << layout.zoom << "," << layout.caption;
    // Printing from the preview prints the same page again.
    op->PreviewWindow()->PrintFromPreview();
    ASSERT_EQ(printer.pages.size(), 2u);
    EXPECT_TRUE(printer.pages[1] == printer.pages[0]);
    // Leaving the program during the preview ends the preview instead.
    EXPECT_EQ(f.frame().CanClose(), 0);
    settle();
    EXPECT_FALSE(f.frame().InPrintPreview());
    EXPECT_EQ(op->PreviewWindow(), nullptr);
    EXPECT_TRUE(f.active()->isVisible());
    EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kPrint));
  }
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(printer.documents.value(0), "wheel-24bit.bmp");
}

TEST(Printing, RefusesAPageThatWouldComeOutEmpty) {
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  PageSetupGuard guard;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
  frame_layout(f.frame()) = {2, -128, 0};
  f.frame().ExecuteCommand(cmd::kPrint);
  ivorel::page_setup().left = 9000;
  frame_layout(f.frame()) = {0, 1, 0};
  f.frame().ExecuteCommand(cmd::kPrint);
  EXPECT_EQ(printer.dialogs, 0);
  EXPECT_TRUE(printer.documents.isEmpty());
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_NE(boxes.texts[0].find("too small"), std::string::npos) << boxes.texts[0];
  EXPECT_NE(boxes.texts[1].find("no printable area"), std::string::npos) << boxes.texts[1];
  EXPECT_EQ(boxes.captions[0], "Printer Error...");
}

TEST(Printing, CancelStopsTheJobAndThrowsTheDocumentAway) {
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  ASSERT_GT(child->image.height, 64);  // more than one band of rows
  printer.cancelDuringPage = true;
  _PrintImageLayout_STRUCT* layout = nullptr;
  PrintOp* op = nullptr;
  f.frame().GetPrintParameters(layout, op);
  PageImage page("Pictaro Layout Page", child->image, "wheel", {ivorel::kLayoutStretch, 1, 0});
  EXPECT_EQ(op->Print(page, &f.frame()), 0);
  EXPECT_EQ(printer.aborted, 1);
  EXPECT_EQ(printer.finished, 0);
  EXPECT_FALSE(op->Printing());
  EXPECT_TRUE(boxes.texts.empty());  // the user asked for it: no error box
  // The job's rows stopped after the first band: the top of the page has the image, the rest never came.
  const QImage& sheet = printer.pages.at(0);
  EXPECT_NE(sheet.pixel(60, 60), qRgb(255, 255, 255));
  EXPECT_EQ(sheet.pixel(60, 1000), qRgb(255, 255, 255));
}

TEST(Printing, ProcessorsHandTheImageToTheFramesPrinter) {
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-4bit.bmp"));
  ASSERT_NE(child, nullptr);
  frame_layout(f.frame()) = {1, 1, 2};
  TProcessImage(child).PrintWrapper();
  ASSERT_EQ(printer.pages.size(), 1u);
  EXPECT_EQ(printer.documents.value(0), "wheel-4bit.bmp");
  // Stretched above the name band at the bottom of the printable area.
  EXPECT_NE(printer.pages[0].pixel(60, 960), qRgb(255, 255, 255));
  EXPECT_EQ(printer.pages[0].pixel(60, 1040), qRgb(255, 255, 255));
}

TEST(Screenshots, PrintLayoutAndPreview) {
  const char* dir = std::getenv("IVOREL_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "IVOREL_SCREENSHOT_DIR not set";
  CPrintLayoutDialog dialog(nullptr, {ivorel::kLayoutScale, -2, ivorel::kCaptionBottom});
  dialog.show();
  dialog.adjustSize();
  EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/print-layout.png"));
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  FrameFixture f;
  ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
  frame_layout(f.frame()) = {ivorel::kLayoutBestFit, 1, ivorel::kCaptionTop};
  f.frame().ExecuteCommand(cmd::kPrintPreview);
  _PrintImageLayout_STRUCT* unused = nullptr;
  PrintOp* op = nullptr;
  f.frame().GetPrintParameters(unused, op);
  ASSERT_NE(op->PreviewWindow(), nullptr);
  op->PreviewWindow()->resize(520, 640);
  settle();
  EXPECT_TRUE(op->PreviewWindow()->grab().save(QString::fromLocal8Bit(dir) + "/print-preview.png"));
  f.frame().CanClose();
}

// The Qt printer writing a PDF file: poppler renders the same page as the command line's own PDF writer.
TEST(Printing, PdfPrinterMatchesTheCommandLinesPage) {
  if (testing_support::run_command("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  init_library();
  ScriptedMessageBox boxes;
  testing_support::ScratchDir dir;
  const std::string in = sample("wheel-8bit.bmp");
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(in);
  ASSERT_NE(child, nullptr);
  PrintOp op;
  op.SetChoice({ivorel::kPdfPrinter, QString::fromStdString(dir.file("qt.pdf")), 1});
  PageImage page("Pictaro Layout Page", child->image, "wheel-8bit.bmp", {ivorel::kLayoutScale, 2, 0});
  ASSERT_EQ(op.PrintJob(page, &f.frame()), 1);
  ASSERT_EQ(testing_support::run_command(std::string(IMGTOOLS_PATH) + " print --layout scale --zoom 2 " + in +
                                         " " + dir.file("cli.pdf")),
            0);
  testing_support::RgbImage qt, cli;
  ASSERT_TRUE(testing_support::command_decode("pdftoppm -r 50 " + dir.file("qt.pdf"), qt));
  ASSERT_TRUE(testing_support::command_decode("pdftoppm -r 50 " + dir.file("cli.pdf"), cli));
  ASSERT_EQ(qt.width, cli.width);
  ASSERT_EQ(qt.height, cli.height);
  // Edges may land half a pixel apart in the two renderers; the pictures must agree almost everywhere.
  int differing = 0;
  for (std::size_t i = 0; i < qt.rgb.size(); i += 3)
    differing += std::abs(qt.rgb[i] - cli.rgb[i]) + std::abs(qt.rgb[i + 1] - cli.rgb[i + 1]) > 60;
  EXPECT_LT(differing, static_cast<int>(qt.rgb.size() / 3 / 100));

  // A cancelled job leaves the file it would have replaced as it was.
  testing_support::write_file(dir.file("qt.pdf"), {'o', 'l', 'd'});
  cancel_printing_soon();
  EXPECT_EQ(op.PrintJob(page, &f.frame()), 0);
  EXPECT_EQ(testing_support::read_file(dir.file("qt.pdf")).size(), 3u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // nothing left aside
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(Printing, ClosingTheFrameDuringAPreviewTakesThePreviewAlong) {
  ScriptedMessageBox boxes;
  ScriptedPrinter printer;
  QPointer<CPreviewImageWindow> preview;
  {
    FrameFixture f;
    ASSERT_NE(f.open(sample("wheel-8bit.bmp")), nullptr);
    f.frame().ExecuteCommand(cmd::kPrintPreview);
    _PrintImageLayout_STRUCT* unused = nullptr;
    PrintOp* op = nullptr;
    f.frame().GetPrintParameters(unused, op);
    preview = op->PreviewWindow();
    ASSERT_NE(preview, nullptr);
  }
  settle();
  EXPECT_EQ(preview, nullptr);
}
