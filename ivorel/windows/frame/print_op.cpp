#include "ivorel/windows/frame/print_op.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/print_preview.h"
#include "platform/core/message_box.h"

namespace {

void printer_error(QWidget* owner, const QString& text, const char* caption = "Printer Error...") {
  pcore::message_box().show(owner, text.toStdString(), caption, pcore::MessageIcon::Error,
                            pcore::MessageButtons::Ok);
}

// "Printing": page number, document, printer and port, the rows of the band being drawn, and Cancel.
class PrintingDialog : public QDialog {
 public:
  PrintingDialog(QWidget* owner, const QString& document, const QString& printer, const QString& port)
      : QDialog(owner) {
    setObjectName("107");
    setWindowTitle(tr("Printing"));
    setWindowModality(Qt::ApplicationModal);
    auto* grid = new QGridLayout(this);
    page_ = new QLabel(this);
    page_->setObjectName("page");
    grid->addWidget(new QLabel(tr("Now printing page:"), this), 0, 0);
    grid->addWidget(page_, 0, 1);
    grid->addWidget(new QLabel(document, this), 1, 0, 1, 2);
    grid->addWidget(new QLabel(tr("on printer"), this), 2, 0);
    grid->addWidget(new QLabel(printer, this), 2, 1);
    grid->addWidget(new QLabel(tr("attached to port"), this), 3, 0);
    grid->addWidget(new QLabel(port, this), 3, 1);
    rows_ = new QProgressBar(this);
    rows_->setObjectName("rows");
    rows_->setFormat(tr("row %v of %m"));
    grid->addWidget(rows_, 4, 0, 1, 2);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("2");
    grid->addWidget(cancel, 5, 0, 1, 2, Qt::AlignCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
  }
  void SetPage(int page) { page_->setText(QString::number(page)); }
  void SetRows(int done, int total) {
    rows_->setMaximum(total);
    rows_->setValue(done);
  }
  bool Cancelled() const { return cancelled_; }

 protected:
  // Closing the box is a cancel, not a way to leave a job running unseen.
  void reject() override { cancelled_ = true; }

 private:
  QLabel* page_ = nullptr;
  QProgressBar* rows_ = nullptr;
  bool cancelled_ = false;
};

// PrintWrapper of every processor: the main frame's layout and settings when the program has an editor
// frame, the shared settings otherwise.
class FramePrintHost : public ivorel::PrintHost {
 public:
  FramePrintHost() { ivorel::install_print_host(this); }
  ~FramePrintHost() override {
    if (ivorel::print_host() == this) ivorel::install_print_host(nullptr);
  }
  _PrintImageLayout_STRUCT Layout() override {
    _PrintImageLayout_STRUCT* layout = nullptr;
    PrintOp* op = nullptr;
    if (CIMDIFrameWnd* frame = main_frame()) {
      frame->GetPrintParameters(layout, op);
      return *layout;
    }
    return {};
  }
  int Print(const PageImage& page) override {
    CIMDIFrameWnd* frame = main_frame();
    if (!frame) return PrintOp::Shared().Print(page, QApplication::activeWindow());
    _PrintImageLayout_STRUCT* layout = nullptr;
    PrintOp* op = nullptr;
    frame->GetPrintParameters(layout, op);
    return op->Print(page, frame);
  }

 private:
  static CIMDIFrameWnd* main_frame() {
    if (!qApp) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* frame = qobject_cast<CIMDIFrameWnd*>(w)) return frame;
    return nullptr;
  }
};

FramePrintHost frame_print_host;

}  // namespace

PrintOp::PrintOp() = default;

PrintOp::~PrintOp() {
  // The owner is going away: its preview goes too, without calling back into it.
  if (preview_) {
    preview_->SetEnded(nullptr);
    delete preview_.data();
  }
}

PrintOp& PrintOp::Shared() {
  static PrintOp op;
  return op;
}

int PrintOp::PrinterConfigured() const {
  return ivorel::print_service().Printers().isEmpty() ? 0 : 1;
}

int PrintOp::PrinterSetup(QWidget* parent) {
  return ivorel::print_service().PageSetupDialog(parent, ivorel::page_setup()) ? 1 : 0;
}

int PrintOp::ChoosePrinter(QWidget* parent) {
  return ivorel::print_service().ChoosePrinter(parent, choice_) ? 1 : 0;
}

int PrintOp::Print(const PageImage& page, QWidget* frame) {
  if (printing_) return 0;
  // A page that cannot print is refused before anyone picks a printer for it.
  const ivorel::PagePlacement placement = page.Placement(ivorel::page_setup());
  if (!placement.problem.empty()) {
    printer_error(frame, QString::fromStdString(placement.problem) + QStringLiteral(" Print job aborted."));
    return 0;
  }
  if (!ChoosePrinter(frame)) return 0;
  return PrintJob(page, frame);
}

int PrintOp::PrintJob(const PageImage& page, QWidget* frame) {
  if (printing_) return 0;
  const ivorel::PageSetup setup = ivorel::page_setup();
  const std::string& title = page.Name().empty() ? page.Title() : page.Name();
  if (!page.Image().imageData) {
    printer_error(frame, QStringLiteral("Invalid parameter(s). Print job aborted."));
    return 0;
  }
  QString error;
  std::unique_ptr<ivorel::PrintTarget> doc =
      ivorel::print_service().StartDoc(choice_, QString::fromStdString(title), setup, &error);
  if (!doc) {
    printer_error(frame, error.isEmpty() ? QStringLiteral("StartDoc failed. Print job aborted.") : error);
    return 0;
  }
  printing_ = true;
  PrintingDialog progress(frame, QString::fromStdString(title), doc->PrinterName(), doc->Port());
  progress.show();
  QApplication::processEvents();
  std::string problem;
  bool printed = false;
  for (page_ = 1; page_ <= page.Pages() && !progress.Cancelled(); ++page_) {
    progress.SetPage(page_);
    QPainter* painter = doc->BeginPage();
    if (!painter) {
      problem = "General printing error or user abort";
      break;
    }
    ivorel::PainterPage device(*painter, [&progress](int done, int total) {
      progress.SetRows(done, total);
      QApplication::processEvents();
      return !progress.Cancelled();
    });
    if (!page.DrawPage(device, setup, &problem) || !doc->EndPage()) {
      if (progress.Cancelled())
        problem.clear();
      else if (problem.empty())
        problem = "General printing error or user abort";
      break;
    }
    printed = page_ == page.Pages();
  }
  const bool cancelled = progress.Cancelled();
  if (printed && !cancelled && !doc->Finish()) {
    printed = false;
    problem = "General printing error or user abort";
  }
  if (!printed || cancelled) doc->Abort();
  progress.hide();
  page_ = 0;
  printing_ = false;
  if (!problem.empty() && !cancelled)
    printer_error(frame, QString::fromStdString(problem), "User Advisory - Printout Terminated");
  return printed && !cancelled ? 1 : 0;
}

void PrintOp::Preview(std::unique_ptr<PageImage> page, QWidget* frame, std::function<void()> ended) {
  ClosePreview();
  preview_ = new CPreviewImageWindow(std::move(page), *this, frame);
  preview_->SetEnded(std::move(ended));
  preview_->show();
  preview_->raise();
  preview_->activateWindow();
}

void PrintOp::ClosePreview() {
  if (preview_) preview_->close();
}
