#include "ivorel/windows/toolkit/toolkit_window.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <string>

#include "ivorel/operations/registry_families.h"
#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/preview_image.h"

namespace ivorel::toolkit {

namespace {

// How soon after a change the preview runs (changes in between run it once), and how often the toolkit
// looks whether the active image changed under it.
constexpr int kPreviewDelayMs = 60;
constexpr int kWatchIntervalMs = 500;

QLabel* picture_label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setFixedSize(ToolkitWindow::kPreviewLimit + 4, ToolkitWindow::kPreviewLimit + 4);
  label->setFrameShape(QFrame::StyledPanel);
  label->setStyleSheet(QStringLiteral("QLabel { background: #d8d8d8; }"));
  return label;
}

bool same_pixels(const _IMAGEDESCRIPTOR& a, const _IMAGEDESCRIPTOR& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
         a.imageSize == b.imageSize && std::memcmp(a.imageData, b.imageData, a.imageSize) == 0 &&
         std::memcmp(a.palette, b.palette, sizeof a.palette) == 0;
}

}  // namespace

ToolkitWindow::ToolkitWindow(const QString& title, QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(title);
  help::declare_section(this, "pictaro.html#toolkit");
  setObjectName(QStringLiteral("ImageProcessingToolkit"));
  tabs_ = toolkit_tabs();
  pages_.resize(tabs_.size());

  tabPages_ = new QStackedWidget(this);
  tabPages_->setObjectName(QStringLiteral("tabPages"));
  tabPages_->setMinimumWidth(360);
  for (std::size_t i = 0; i < tabs_.size(); ++i) tabPages_->addWidget(build_page(tabs_[i], pages_[i]));
  tabList_ = build_tab_list();
  summary_ = new QLabel(this);
  summary_->setWordWrap(true);
  summary_->setObjectName(QStringLiteral("summary"));

  auto* preview = new QGroupBox(tr("Preview"), this);
  auto* pictures = new QGridLayout(preview);
  before_ = picture_label(preview, "before");
  after_ = picture_label(preview, "after");
  pictures->addWidget(new QLabel(tr("Original"), preview), 0, 0, Qt::AlignHCenter);
  pictures->addWidget(new QLabel(tr("Result"), preview), 0, 1, Qt::AlignHCenter);
  pictures->addWidget(before_, 1, 0);
  pictures->addWidget(after_, 1, 1);
  before_->installEventFilter(this);
  after_->installEventFilter(this);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  auto* buttons = new QDialogButtonBox(this);
  auto* defaults = buttons->addButton(tr("Defaults"), QDialogButtonBox::ResetRole);
  apply_ = buttons->addButton(QDialogButtonBox::Apply);
  auto* close = buttons->addButton(QDialogButtonBox::Close);
  apply_->setDefault(true);
  connect(defaults, &QPushButton::clicked, this, [this] {
    if (ParameterForm* form = current_form()) form->reset();
  });
  connect(apply_, &QPushButton::clicked, this, &ToolkitWindow::apply);
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto* middle = new QVBoxLayout;
  middle->addWidget(tabPages_, 1);
  middle->addWidget(summary_);
  auto* top = new QHBoxLayout;
  top->addWidget(tabList_);
  top->addLayout(middle, 1);
  top->addWidget(preview, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(buttons);
  layout->addLayout(bottom);

  previewTimer_ = new QTimer(this);
  previewTimer_->setSingleShot(true);
  previewTimer_->setInterval(kPreviewDelayMs);
  connect(previewTimer_, &QTimer::timeout, this, &ToolkitWindow::refresh_preview);
  watchTimer_ = new QTimer(this);
  watchTimer_->setInterval(kWatchIntervalMs);
  connect(watchTimer_, &QTimer::timeout, this, &ToolkitWindow::watch_image);
  connect(tabList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) tabPages_->setCurrentIndex(row);
    selection_changed();
  });

  if (tabs_.empty()) {
    summary_->setText(tr("No image operations are available."));
    apply_->setEnabled(false);
  }
  selection_changed();
}

ToolkitWindow::~ToolkitWindow() = default;

QWidget* ToolkitWindow::build_page(const Tab& tab, Page& page) {
  auto* widget = new QWidget(this);
  auto* layout = new QVBoxLayout(widget);
  page.list = new QListWidget(widget);
  page.list->setObjectName(QStringLiteral("operations"));
  page.forms = new QStackedWidget(widget);
  for (const registry::Operation* op : tab.operations) {
    auto* item = new QListWidgetItem(QString::fromUtf8(op->title ? op->title : op->name), page.list);
    item->setToolTip(QString::fromUtf8(op->summary));
    auto* form = new ParameterForm(*op, page.forms);
    page.forms->addWidget(form);
    page.formOf.push_back(form);
    connect(form, &ParameterForm::changed, this, &ToolkitWindow::schedule_preview);
  }
  // A tab with one operation needs no list to choose from.
  page.list->setVisible(tab.operations.size() > 1);
  page.list->setMaximumHeight(110);
  page.list->setCurrentRow(0);
  connect(page.list, &QListWidget::currentRowChanged, this, [this, &page](int row) {
    if (row >= 0) page.forms->setCurrentIndex(row);
    selection_changed();
  });
  layout->addWidget(page.list);
  layout->addWidget(page.forms);
  layout->addStretch();
  return widget;
}

QListWidget* ToolkitWindow::build_tab_list() {
  auto* list = new QListWidget(this);
  list->setObjectName(QStringLiteral("tabs"));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setUniformItemSizes(true);
  list->setSpacing(1);
  for (const Tab& tab : tabs_) new QListWidgetItem(QString::fromUtf8(tab_title(tab).c_str()), list);
  // Wide enough for the longest name beside a vertical scroll bar, so that no name is cut.
  const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  list->setFixedWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() + scrollBar + 12);
  list->setCurrentRow(0);
  return list;
}

void ToolkitWindow::select_tab(const char* request) {
  // "Tab|Operation:values": a command that names a kernel or a direction presets that operation's words,
  // in the syntax scripts use.
  const std::string text = request ? request : "";
  const std::size_t bar = text.find('|');
  const std::string tab = text.substr(0, bar);
  int index = 0;
  for (std::size_t i = 0; i < tabs_.size(); ++i)
    if (tabs_[i].name == tab) index = static_cast<int>(i);
  if (!tabs_.empty()) {
    tabList_->setCurrentRow(index);
    tabList_->scrollToItem(tabList_->item(index));
  }
  if (bar != std::string::npos && !tabs_.empty()) {
    const std::string preset = text.substr(bar + 1);
    const std::size_t colon = preset.find(':');
    const registry::Operation* op = registry::find_operation(preset.substr(0, colon));
    const Tab& shown = tabs_[static_cast<std::size_t>(index)];
    const auto at = std::find(shown.operations.begin(), shown.operations.end(), op);
    _IMAGE_PROC_DATA words;
    std::string error;
    if (op && at != shown.operations.end() &&
        registry::fill_block(*op, colon == std::string::npos ? "" : preset.substr(colon + 1), words, error)) {
      words_of(*op) = words;
      const int row = static_cast<int>(at - shown.operations.begin());
      select_operation_row(row);
      pages_[static_cast<std::size_t>(index)].formOf[static_cast<std::size_t>(row)]->show_words();
    }
  }
  selection_changed();
}

ParameterForm* ToolkitWindow::current_form() const {
  const int tab = tabList_->currentRow();
  if (tab < 0 || tab >= static_cast<int>(pages_.size())) return nullptr;
  const Page& page = pages_[tab];
  const int row = std::max(0, page.list->currentRow());
  return row < static_cast<int>(page.formOf.size()) ? page.formOf[row] : nullptr;
}

void ToolkitWindow::select_operation_row(int row) {
  const int tab = tabList_->currentRow();
  if (tab >= 0 && tab < static_cast<int>(pages_.size())) pages_[tab].list->setCurrentRow(row);
}

void ToolkitWindow::selection_changed() {
  ParameterForm* form = current_form();
  select_operation(form ? &form->operation() : nullptr);
  if (form) {
    summary_->setText(QStringLiteral("<b>%1</b>: %2")
                          .arg(QString::fromUtf8(form->operation().title ? form->operation().title
                                                                         : form->operation().name),
                               QString::fromUtf8(form->operation().summary).toHtmlEscaped()));
  }
  schedule_preview();
}

void ToolkitWindow::schedule_preview() {
  previewTimer_->start();
}

void ToolkitWindow::refresh_preview() {
  previewTimer_->stop();
  ImageDescriptorAndDisplayObj* image = toolkit_image();
  source_ = image ? reduced_copy(image->image, kPreviewLimit) : nullptr;
  result_ = QImage();
  before_->clear();
  after_->clear();
  apply_->setEnabled(image && current_form());
  if (!image) {
    status_->setText(tr("No image window is active."));
    return;
  }
  if (!source_) {
    status_->setText(tr("This image cannot be previewed."));
    return;
  }
  ParameterForm* form = current_form();
  const bool local = form && previews_region(form->operation());
  const _IMAGEDESCRIPTOR& whole = image->image;
  if (regionCentre_.x() < 0 || regionCentre_.x() >= whole.width || regionCentre_.y() >= whole.height)
    regionCentre_ = QPoint(whole.width / 2, whole.height / 2);
  const QRect region = preview_region(whole, regionCentre_, kPreviewLimit);
  // A neighbourhood filter runs on the region with a margin of the pixels around it, as on the whole image,
  // and shows the region alone: what it shows is what Apply gives there.
  const QRect worked = local ? region.adjusted(-kRegionMargin, -kRegionMargin, kRegionMargin, kRegionMargin) &
                                   QRect(0, 0, whole.width, whole.height)
                             : QRect();
  std::unique_ptr<OwnedImage> shown = local ? region_copy(whole, region) : nullptr;
  before_->setPixmap(QPixmap::fromImage(to_qimage(shown ? shown->object.image : source_->object.image)));
  before_->setCursor(local ? Qt::OpenHandCursor : Qt::ArrowCursor);
  after_->setCursor(local ? Qt::OpenHandCursor : Qt::ArrowCursor);
  if (!form) return;
  // The operation runs on a copy, which stays as it is for the next run.
  std::unique_ptr<OwnedImage> work =
      local ? region_copy(whole, worked) : reduced_copy(source_->object.image, 1 << 16);
  if (!work) return;
  const Outcome outcome = run_operation(form->operation(), words_of(form->operation()), work->object);
  switch (outcome) {
    case Outcome::Ran: {
      result_ = to_qimage(work->object.image);
      if (local && result_.size() == worked.size())
        result_ = result_.copy(QRect(region.topLeft() - worked.topLeft(), region.size()));
      // A result larger than the box (an enlarged canvas) is shown whole, reduced to fit.
      const QSize box = after_->contentsRect().size();
      QImage fitted = result_;
      if (fitted.width() > box.width() || fitted.height() > box.height())
        fitted = fitted.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation);
      after_->setPixmap(QPixmap::fromImage(fitted));
      if (local) {
        status_->setText(tr("Preview at 100 %: %1 x %2 pixels from (%3, %4); drag it to move")
                             .arg(region.width())
                             .arg(region.height())
                             .arg(region.x())
                             .arg(region.y()));
      } else {
        status_->setText(whole.width > source_->object.image.width
                             ? tr("Preview of %1 x %2 pixels, reduced").arg(whole.width).arg(whole.height)
                             : tr("Preview of %1 x %2 pixels").arg(whole.width).arg(whole.height));
      }
      break;
    }
    case Outcome::Declined:
      status_->setText(tr("The operation does not accept these values."));
      break;
    default:
      status_->setText(tr("The operation cannot run on this image."));
      break;
  }
}

bool ToolkitWindow::previews_region(const registry::Operation& op) {
  // The neighbourhood filters: a pixel of their result depends on the pixels around it, at the image's own
  // scale, which a reduced copy does not have.
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const auto& family : {registry::filter_operations(), registry::rank_operations()})
      for (const registry::Operation& o : family) all.emplace_back(o.name);
    return all;
  }();
  return std::find(names.begin(), names.end(), op.name) != names.end();
}

void ToolkitWindow::move_region(QPoint by) {
  regionCentre_ -= by;
  if (ImageDescriptorAndDisplayObj* image = toolkit_image()) {
    // Kept where a region can be centred, so that a long drag does not need a long way back.
    const QRect region = preview_region(image->image, regionCentre_, kPreviewLimit);
    regionCentre_ = region.center();
  }
  schedule_preview();
}

bool ToolkitWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == before_ || watched == after_) {
    auto* label = static_cast<QLabel*>(watched);
    if (event->type() == QEvent::MouseButtonPress) {
      dragFrom_ = static_cast<QMouseEvent*>(event)->position().toPoint();
      dragging_ = label->cursor().shape() == Qt::OpenHandCursor;
      if (dragging_) label->setCursor(Qt::ClosedHandCursor);
    } else if (event->type() == QEvent::MouseMove && dragging_) {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      move_region(at - dragFrom_);
      dragFrom_ = at;
    } else if (event->type() == QEvent::MouseButtonRelease && dragging_) {
      dragging_ = false;
      label->setCursor(Qt::OpenHandCursor);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ToolkitWindow::watch_image() {
  ImageDescriptorAndDisplayObj* image = toolkit_image();
  if (!image) {
    if (source_ || apply_->isEnabled()) refresh_preview();
    return;
  }
  const std::unique_ptr<OwnedImage> now = reduced_copy(image->image, kPreviewLimit);
  if (!source_ || !now || !same_pixels(now->object.image, source_->object.image)) refresh_preview();
}

void ToolkitWindow::apply() {
  ImageDescriptorAndDisplayObj* image = toolkit_image();
  if (!image) return refresh_preview();
  const Outcome outcome = apply_selected(image);
  refresh_preview();
  if (outcome == Outcome::Declined) status_->setText(tr("The operation does not accept these values."));
  if (outcome == Outcome::Failed) status_->setText(tr("The operation could not run on this image."));
}

void ToolkitWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  watchTimer_->start();
  schedule_preview();
}

void ToolkitWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  watchTimer_->stop();
}

}  // namespace ivorel::toolkit
