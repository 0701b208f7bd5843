#include "ivorel/windows/frame/print_service.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>

namespace ivorel {

namespace {

// Rows per band: small enough that Cancel answers at once, large enough that a band is one drawing call
// for most images.
constexpr int kBandRows = 64;

QRectF to_rectf(const RECT& r) {
  return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

PainterPage::PainterPage(QPainter& painter, RowProgress progress)
    : painter_(painter), progress_(std::move(progress)) {}

void PainterPage::SetClip(const RECT* clip) {
  if (clip)
    painter_.setClipRect(to_rectf(*clip));
  else
    painter_.setClipping(false);
}

int PainterPage::StretchDIB(const RECT& dest, const BITMAPINFO* info, const void* bits) {
  if (!info || !bits || dest.right <= dest.left || dest.bottom <= dest.top) return 0;
  const int width = info->bmiHeader.biWidth;
  const int height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
  const double rowHeight = static_cast<double>(dest.bottom - dest.top) / height;
  // Printers get the pixels as they are; a smoothed picture would differ from the preview and the PDF.
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  std::string rgb;
  for (int first = 0; first < height; first += kBandRows) {
    const int rows = std::min(kBandRows, height - first);
    if (!dib_rgb_rows(info, bits, first, rows, rgb)) return 0;
    const QImage band(reinterpret_cast<const uchar*>(rgb.data()), width, rows, width * 3,
                      QImage::Format_RGB888);
    painter_.drawImage(
        QRectF(dest.left, dest.top + first * rowHeight, dest.right - dest.left, rows * rowHeight), band);
    if (progress_ && !progress_(first + rows, height)) return 0;
  }
  return height;
}

void PainterPage::Caption(const RECT& band, const std::string& text, int points) {
  const QRectF box = to_rectf(band);
  painter_.fillRect(box, Qt::white);
  // Font sizes are whole pixels; drawn at a sixth of a unit, 12 points come to exactly 100 of them.
  constexpr double kFine = 6;
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(std::max(1, static_cast<int>(points * 100 * kFine / 72 + 0.5)));
  painter_.save();
  painter_.scale(1 / kFine, 1 / kFine);
  painter_.setFont(font);
  painter_.setPen(Qt::black);
  painter_.drawText(QRectF(box.x() * kFine, box.y() * kFine, box.width() * kFine, box.height() * kFine),
                    Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(text));
  painter_.restore();
}

QImage render_page(const PageImage& page, const PageSetup& setup, double scale, std::string* problem) {
  const ivorel::PagePlacement placement = page.Placement(setup);
  if (!placement.problem.empty()) {
    if (problem) *problem = placement.problem;
    return {};
  }
  QImage sheet(std::max(1, static_cast<int>(setup.paperWidth / 10 * scale + 0.5)),
               std::max(1, static_cast<int>(setup.paperHeight / 10 * scale + 0.5)), QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  painter.scale(scale, scale);
  PainterPage device(painter);
  if (!page.DrawPage(device, setup, problem)) return {};
  return sheet;
}

namespace {

void apply_setup(QPrinter& printer, const PageSetup& setup) {
  const QPageSize size(QSizeF(setup.paperWidth / 1000.0, setup.paperHeight / 1000.0), QPageSize::Inch);
  printer.setPageSize(size);
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setPageMargins(
      QMarginsF(setup.left / 1000.0, setup.top / 1000.0, setup.right / 1000.0, setup.bottom / 1000.0),
      QPageLayout::Inch);
}

void apply_choice(QPrinter& printer, const PrinterChoice& choice) {
  if (choice.printer == kPdfPrinter) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(choice.outputFile);
  } else {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(choice.printer);
  }
  printer.setCopyCount(std::max(1, choice.copies));
}

class QtPrintTarget : public PrintTarget {
 public:
  QtPrintTarget(const PrinterChoice& choice, const QString& name, const PageSetup& setup)
      : printer_(QPrinter::HighResolution), choice_(choice) {
    PrinterChoice aside = choice;
    // A PDF is written beside the file it replaces (behind any link) and renamed onto it when complete, so
    // a cancelled or failed job leaves an existing file as it was.
    if (choice.printer == kPdfPrinter) {
      target_ = QFileInfo(choice.outputFile).canonicalFilePath();
      if (target_.isEmpty()) target_ = choice.outputFile;
      aside.outputFile = target_ + QStringLiteral(".printing-%1").arg(QCoreApplication::applicationPid());
      partial_ = aside.outputFile;
    }
    apply_choice(printer_, aside);
    apply_setup(printer_, setup);
    // The page's own coordinates start at the paper's corner; the margins are already in the layout.
    printer_.setFullPage(true);
    printer_.setDocName(name);
  }
  bool Start() {
    if (!painter_.begin(&printer_)) return false;
    painter_.scale(printer_.resolution() / 100.0, printer_.resolution() / 100.0);
    return true;
  }
  QPainter* BeginPage() override {
    if (pages_++ > 0 && !printer_.newPage()) return nullptr;
    return &painter_;
  }
  bool EndPage() override { return painter_.isActive(); }
  bool Finish() override {
    if (!painter_.end()) return false;
    if (partial_.isEmpty()) return true;
    if (QFile::exists(target_)) QFile::setPermissions(partial_, QFile::permissions(target_));
    const bool renamed =
        std::rename(QFile::encodeName(partial_).constData(), QFile::encodeName(target_).constData()) == 0;
    if (!renamed) QFile::remove(partial_);
    partial_.clear();
    return renamed;
  }
  void Abort() override {
    printer_.abort();
    if (painter_.isActive()) painter_.end();
    if (!partial_.isEmpty()) QFile::remove(partial_);
    partial_.clear();
  }
  ~QtPrintTarget() override {
    if (!partial_.isEmpty()) Abort();
  }
  QString PrinterName() const override { return choice_.printer; }
  QString Port() const override {
    return choice_.printer == kPdfPrinter ? choice_.outputFile : QStringLiteral("CUPS");
  }

 private:
  QPrinter printer_;
  PrinterChoice choice_;
  QString target_;   // the PDF file being replaced
  QString partial_;  // the PDF being written, until it is complete
  QPainter painter_;
  int pages_ = 0;
};

class QtPrintService : public PrintService {
 public:
  QStringList Printers() override {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(kPdfPrinter);
    return names;
  }
  bool ChoosePrinter(QWidget* parent, PrinterChoice& choice) override {
    QPrinter printer(QPrinter::HighResolution);
    apply_choice(printer, choice);
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
      choice.printer = kPdfPrinter;
      choice.outputFile = printer.outputFileName();
    } else {
      choice.printer = printer.printerName();
    }
    choice.copies = printer.copyCount();
    return true;
  }
  bool PageSetupDialog(QWidget* parent, PageSetup& setup) override {
    QPrinter printer(QPrinter::HighResolution);
    apply_setup(printer, setup);
    QPageSetupDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QPageLayout layout = printer.pageLayout();
    const QSizeF paper = layout.fullRect(QPageLayout::Inch).size();
    const QMarginsF margins = layout.margins(QPageLayout::Inch);
    auto thousandths = [](double inches) { return static_cast<int>(inches * 1000 + 0.5); };
    setup.paperWidth = thousandths(paper.width());
    setup.paperHeight = thousandths(paper.height());
    setup.left = thousandths(margins.left());
    setup.top = thousandths(margins.top());
    setup.right = thousandths(margins.right());
    setup.bottom = thousandths(margins.bottom());
    return true;
  }
  std::unique_ptr<PrintTarget> StartDoc(const PrinterChoice& choice, const QString& name,
                                        const PageSetup& setup, QString* error) override {
    if (choice.printer == kPdfPrinter && choice.outputFile.isEmpty()) {
      if (error) *error = QStringLiteral("No file was named for the PDF.");
      return nullptr;
    }
    auto target = std::make_unique<QtPrintTarget>(choice, name, setup);
    if (!target->Start()) {
      if (error) *error = QStringLiteral("StartDoc failed. Print job aborted.");
      return nullptr;
    }
    return target;
  }
};

PrintService* installed = nullptr;

}  // namespace

void install_print_service(PrintService* service) {
  installed = service;
}

PrintService& print_service() {
  static QtPrintService qt;
  return installed ? *installed : qt;
}

}  // namespace ivorel
