#include "apps/framora/frame_print.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "apps/framora/frame_image.h"
#include "ivorel/windows/frame/print_op.h"
#include "platform/core/message_box.h"

namespace framora {

namespace {

void print_error(QWidget* owner, const QString& text) {
  pcore::message_box().show(owner, text.toStdString(), "Printer Error...", pcore::MessageIcon::Error,
                            pcore::MessageButtons::Ok);
}

// The page window: one rendered page at a time.
class FramePreviewWindow : public QDialog {
 public:
  FramePreviewWindow(const ImageStack& stack, const PrintLayout& layout, QWidget* owner)
      : QDialog(owner), stack_(stack), layout_(layout) {
    setObjectName("FramePrintPreview");
    setWindowTitle(tr("Print Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    page_ = new QLabel(this);
    page_->setObjectName("page");
    page_->setAlignment(Qt::AlignCenter);
    number_ = new QLabel(this);
    number_->setObjectName("pageNumber");
    previous_ = new QPushButton(tr("&Previous"), this);
    next_ = new QPushButton(tr("&Next"), this);
    auto* print = new QPushButton(tr("P&rint..."), this);
    auto* close = new QPushButton(tr("&Close"), this);
    connect(previous_, &QPushButton::clicked, this, [this] { Show(current_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { Show(current_ + 1); });
    connect(print, &QPushButton::clicked, this, [this] { print_frames(stack_, layout_, this); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* bar = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(previous_), static_cast<QWidget*>(next_), static_cast<QWidget*>(number_),
          static_cast<QWidget*>(print), static_cast<QWidget*>(close)})
      bar->addWidget(w);
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(bar);
    layoutBox->addWidget(page_, 1);
    resize(520, 700);
    Show(1);
  }

 private:
  void Show(int page) {
    const int pages = stack_.GetFrameNumber();
    current_ = std::clamp(page, 1, std::max(1, pages));
    number_->setText(tr("Page %1 of %2").arg(current_).arg(pages));
    previous_->setEnabled(current_ > 1);
    next_->setEnabled(current_ < pages);
    std::unique_ptr<PageImage> image = frame_page(stack_, current_, layout_);
    if (!image) {
      page_->clear();
      return;
    }
    const ivorel::PageSetup setup = ivorel::page_setup();
    const double scale = 480.0 / std::max(1, setup.paperWidth / 10);
    std::string problem;
    const QImage rendered = ivorel::render_page(*image, setup, scale, &problem);
    if (rendered.isNull())
      page_->setText(QString::fromStdString(problem));
    else
      page_->setPixmap(QPixmap::fromImage(rendered));
  }

  const ImageStack& stack_;
  PrintLayout layout_;
  QLabel* page_;
  QLabel* number_;
  QPushButton* previous_;
  QPushButton* next_;
  int current_ = 1;
};

}  // namespace

_PrintImageLayout_STRUCT page_layout(const PrintLayout& layout) {
  _PrintImageLayout_STRUCT page;
  switch (layout.mode) {
    case kPrintStretch:
      page.layout = ivorel::kLayoutStretch;
      break;
    case kPrintZoom:
      page.layout = ivorel::kLayoutScale;
      page.zoom = layout.zoom;
      break;
    case kPrintNative:
      page.layout = ivorel::kLayoutScale;
      page.zoom = 1;
      break;
    default:
      page.layout = ivorel::kLayoutBestFit;
      break;
  }
  return page;
}

std::unique_ptr<PageImage> frame_page(const ImageStack& stack, int page, const PrintLayout& layout) {
  const ImageFrame* frame = stack.GetFrameData(page - 1);
  if (!frame || !frame->pixels) return nullptr;
  const _IMAGEDESCRIPTOR image = borrowed_descriptor(*frame);
  return std::make_unique<PageImage>("Framora", image, frame->path, page_layout(layout));
}

int print_frames(const ImageStack& stack, const PrintLayout& layout, QWidget* owner, bool choosePrinter) {
  const int pages = stack.GetFrameNumber();
  if (pages == 0) return 0;
  PrintOp& op = PrintOp::Shared();
  const ivorel::PageSetup setup = ivorel::page_setup();
  // A frame that cannot go on the page stops the job before a printer is chosen.
  for (int page = 1; page <= pages; ++page) {
    std::unique_ptr<PageImage> image = frame_page(stack, page, layout);
    const std::string problem = image ? image->Placement(setup).problem : "Invalid parameter(s).";
    if (!problem.empty()) {
      print_error(
          owner,
          QStringLiteral("Frame %1: %2 Print job aborted.").arg(page).arg(QString::fromStdString(problem)));
      return 0;
    }
  }
  if (choosePrinter && !op.ChoosePrinter(owner)) return 0;
  QString error;
  std::unique_ptr<ivorel::PrintTarget> doc =
      ivorel::print_service().StartDoc(op.Choice(), "Framora", setup, &error);
  if (!doc) {
    print_error(owner, error.isEmpty() ? QStringLiteral("StartDoc failed. Print job aborted.") : error);
    return 0;
  }
  QProgressDialog progress(QObject::tr("Printing frames on %1").arg(doc->PrinterName()),
                           QObject::tr("Cancel"), 0, pages, owner);
  progress.setObjectName("PrintProgress");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  int printed = 0;
  for (int page = 1; page <= pages && !progress.wasCanceled(); ++page) {
    progress.setValue(page - 1);
    progress.setLabelText(QObject::tr("Now printing page %1 of %2").arg(page).arg(pages));
    QApplication::processEvents();
    std::unique_ptr<PageImage> image = frame_page(stack, page, layout);
    QPainter* painter = doc->BeginPage();
    if (!painter || !image) break;
    ivorel::PainterPage device(*painter, [&progress](int, int) {
      QApplication::processEvents();
      return !progress.wasCanceled();
    });
    if (!image->DrawPage(device, setup) || !doc->EndPage()) break;
    ++printed;
  }
  const bool complete = printed == pages && !progress.wasCanceled();
  progress.setValue(pages);
  if (!complete || !doc->Finish()) {
    doc->Abort();
    if (!progress.wasCanceled()) print_error(owner, QStringLiteral("General printing error or user abort"));
    return 0;
  }
  return printed;
}

void preview_frames(const ImageStack& stack, const PrintLayout& layout, QWidget* owner) {
  auto* window = new FramePreviewWindow(stack, layout, owner);
  window->show();
}

PrintLayoutDialog::PrintLayoutDialog(const PrintLayout& layout, QWidget* parent) : QDialog(parent) {
  setObjectName("PrintLayout");
  setWindowTitle(tr("Page Setup"));
  auto* group = new QGroupBox(tr("Each frame on its page"), this);
  auto* groupLayout = new QVBoxLayout(group);
  mode_ = new QButtonGroup(this);
  const char* const kModes[] = {"&Fit to the page, keeping the aspect", "&Stretch to the page",
                                "&Zoom:", "&Native size (1:1)"};
  zoom_ = new QComboBox(this);
  zoom_->setObjectName("zoom");
  for (int entry = 0; entry < ivorel::kZoomEntries; ++entry)
    zoom_->addItem(QString::fromStdString(ivorel::zoom_entry_text(entry)), ivorel::zoom_of_entry(entry));
  const int entry = ivorel::entry_of_zoom(layout.zoom);
  zoom_->setCurrentIndex(entry >= 0 ? entry : ivorel::kZoomEntries / 2);
  for (int i = 0; i < 4; ++i) {
    auto* choice = new QRadioButton(tr(kModes[i]), group);
    choice->setObjectName(QStringLiteral("mode%1").arg(i));
    mode_->addButton(choice, i);
    if (i == kPrintZoom) {
      auto* row = new QHBoxLayout;
      row->addWidget(choice);
      row->addWidget(zoom_, 1);
      groupLayout->addLayout(row);
    } else {
      groupLayout->addWidget(choice);
    }
  }
  connect(mode_, &QButtonGroup::idToggled, this,
          [this](int, bool) { zoom_->setEnabled(mode_->checkedId() == kPrintZoom); });
  mode_->button(std::clamp(layout.mode, 0, 3))->setChecked(true);
  zoom_->setEnabled(layout.mode == kPrintZoom);
  auto* paper = new QPushButton(tr("&Paper..."), this);
  connect(paper, &QPushButton::clicked, this, [this] { PrintOp::Shared().PrinterSetup(this); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->addButton(paper, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* box = new QVBoxLayout(this);
  box->addWidget(group);
  box->addWidget(buttons);
}

PrintLayout PrintLayoutDialog::Layout() const {
  return {mode_->checkedId(), zoom_->currentData().toInt()};
}

}  // namespace framora
