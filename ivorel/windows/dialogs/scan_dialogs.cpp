#include "ivorel/windows/dialogs/scan_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ivorel/acquire/scan_session.h"
#include "ivorel/windows/frame/qimage_bridge.h"
#include "ivorel/processing/packed_dib.h"

namespace ivorel::dialogs {

using scan::ScanOption;

namespace {

QString unit_suffix(const ScanOption& o) {
  return o.unit.empty() ? QString() : QStringLiteral(" ") + QString::fromStdString(o.unit);
}

const char* const kAreaNames[4] = {"tl-x", "tl-y", "br-x", "br-y"};

}  // namespace

// The preview picture; a dragged rectangle becomes the scan area.
class ScanOptionsDialog::PreviewArea : public QLabel {
 public:
  explicit PreviewArea(ScanOptionsDialog* dialog) : dialog_(dialog) {
    setMinimumSize(220, 280);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setText(tr("Preview shows the whole\nscan area here"));
  }
  void ShowBand(const QRectF& fractions) {
    band_ = fractions;
    update();
  }
  void SetPicture(const QImage& picture) {
    picture_ = picture;
    band_ = QRectF();
    setText(QString());
    update();
  }

 protected:
  QRect PictureRect() const {
    if (picture_.isNull()) return {};
    const QSize fitted = picture_.size().scaled(contentsRect().size() - QSize(8, 8), Qt::KeepAspectRatio);
    return QRect(QPoint(0, 0), fitted)
        .translated(contentsRect().center() - QRect(QPoint(0, 0), fitted).center());
  }
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    const QRect r = PictureRect();
    painter.drawImage(r, picture_);
    if (!band_.isEmpty()) {
      painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
      painter.drawRect(QRectF(r.x() + band_.x() * r.width(), r.y() + band_.y() * r.height(),
                              band_.width() * r.width(), band_.height() * r.height()));
    }
  }
  QPointF Fraction(const QPoint& p) const {
    const QRect r = PictureRect();
    return {std::clamp((p.x() - r.x()) / double(std::max(1, r.width())), 0.0, 1.0),
            std::clamp((p.y() - r.y()) / double(std::max(1, r.height())), 0.0, 1.0)};
  }
  void mousePressEvent(QMouseEvent* e) override {
    start_ = Fraction(e->pos());
    band_ = QRectF(start_, start_);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    band_ = QRectF(start_, Fraction(e->pos())).normalized();
    update();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    band_ = QRectF(start_, Fraction(e->pos())).normalized();
    if (band_.width() > 0.01 && band_.height() > 0.01)
      dialog_->SetAreaFromPreview(band_.left(), band_.top(), band_.right(), band_.bottom());
    update();
  }

 private:
  ScanOptionsDialog* dialog_;
  QImage picture_;
  QPointF start_;
  QRectF band_;
};

ScanOptionsDialog::ScanOptionsDialog(scan::ScanSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setWindowTitle(tr("Scan with %1").arg(QString::fromStdString(session.device())));
  setObjectName(QStringLiteral("ScanOptionsDialog"));
  auto* columns = new QHBoxLayout;
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setMinimumWidth(440);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* holder = new QWidget;
  formHolder_ = new QVBoxLayout(holder);
  scroll->setWidget(holder);
  columns->addWidget(scroll, 1);
  auto* right = new QVBoxLayout;
  area_ = new PreviewArea(this);
  right->addWidget(area_, 1);
  auto* preview = new QPushButton(tr("&Preview"));
  preview->setObjectName(QStringLiteral("preview"));
  connect(preview, &QPushButton::clicked, this, &ScanOptionsDialog::Preview);
  right->addWidget(preview);
  columns->addLayout(right);
  status_ = new QLabel;
  status_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  QPushButton* scanButton = buttons->addButton(tr("&Scan"), QDialogButtonBox::AcceptRole);
  scanButton->setObjectName(QStringLiteral("scan"));
  scanButton->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  Rebuild();
  resize(820, 560);
}

ScanOptionsDialog::~ScanOptionsDialog() = default;

void ScanOptionsDialog::Apply(int index, const QString& text) {
  for (const ScanOption& o : session_.options()) {
    if (o.index != index) continue;
    status_->setText(session_.set(o, text.toStdString()) ? QString()
                                                         : QString::fromStdString(session_.error()));
  }
  // Setting one option can switch others on or off; the form is rebuilt once the signal has returned.
  QTimer::singleShot(0, this, &ScanOptionsDialog::Rebuild);
}

void ScanOptionsDialog::Rebuild() {
  delete form_;
  form_ = new QWidget;
  auto* outer = new QVBoxLayout(form_);
  outer->setContentsMargins(0, 0, 0, 0);
  QFormLayout* form = nullptr;
  const auto newGroup = [&](const QString& title) {
    auto* box = new QGroupBox(title);
    form = new QFormLayout(box);
    outer->addWidget(box);
  };
  for (const ScanOption& o : session_.options()) {
    if (o.kind == ScanOption::Kind::Group) {
      newGroup(QString::fromStdString(o.title));
      continue;
    }
    if (!form) newGroup(tr("Options"));
    if (!o.settable && !o.active) continue;
    const QString title = QString::fromStdString(o.title), value = QString::fromStdString(session_.value(o));
    const int index = o.index;
    QWidget* field = nullptr;
    if (o.kind == ScanOption::Kind::Bool) {
      auto* box = new QCheckBox(title);
      box->setChecked(value == QLatin1String("yes"));
      connect(box, &QCheckBox::toggled, this, [this, index](bool on) { Apply(index, on ? "yes" : "no"); });
      field = box;
    } else if (o.kind == ScanOption::Kind::Button) {
      auto* button = new QPushButton(title);
      connect(button, &QPushButton::clicked, this, [this, index] { Apply(index, QString()); });
      field = button;
    } else if (!o.strings.empty() || !o.numbers.empty()) {
      auto* list = new QComboBox;
      for (const std::string& s : o.strings) list->addItem(QString::fromStdString(s));
      for (double n : o.numbers) list->addItem(QString::number(n) + unit_suffix(o), QString::number(n));
      const int current = o.strings.empty() ? list->findData(value) : list->findText(value);
      list->setCurrentIndex(std::max(0, current));
      connect(list, &QComboBox::activated, this, [this, index, list](int i) {
        Apply(index, list->itemData(i).isValid() ? list->itemData(i).toString() : list->itemText(i));
      });
      field = list;
    } else if (o.kind == ScanOption::Kind::String) {
      auto* line = new QLineEdit(value);
      connect(line, &QLineEdit::editingFinished, this, [this, index, line] { Apply(index, line->text()); });
      field = line;
    } else {
      auto* number = new QDoubleSpinBox;
      // Fixed-point options stepping in whole units (most resolutions) read better without decimals.
      const bool whole =
          o.kind != ScanOption::Kind::Fixed || (o.ranged && o.quant >= 1 && std::floor(o.quant) == o.quant);
      number->setDecimals(whole ? 0 : 2);
      number->setRange(o.ranged ? o.min : -1e9, o.ranged ? o.max : 1e9);
      if (o.ranged && o.quant > 0) number->setSingleStep(o.quant);
      number->setSuffix(unit_suffix(o));
      number->setValue(value.toDouble());
      number->setKeyboardTracking(false);
      connect(number, &QDoubleSpinBox::valueChanged, this,
              [this, index](double v) { Apply(index, QString::number(v, 'g', 10)); });
      field = number;
    }
    field->setObjectName(QString::fromStdString(o.name));
    field->setToolTip(QString::fromStdString(o.description));
    field->setEnabled(o.active && o.settable);
    if (o.kind == ScanOption::Kind::Bool || o.kind == ScanOption::Kind::Button)
      form->addRow(field);
    else
      form->addRow(title + QLatin1Char(':'), field);
  }
  outer->addStretch(1);
  formHolder_->addWidget(form_);
}

void ScanOptionsDialog::SetAreaFromPreview(double left, double top, double right, double bottom) {
  const double fractions[4] = {left, top, right, bottom};
  area_->ShowBand(QRectF(QPointF(left, top), QPointF(right, bottom)));
  const std::vector<ScanOption> all = session_.options();
  // The area is a fraction of each axis's whole range: tl-x and br-x share the x range, as do the y pair.
  for (int k = 0; k < 4; ++k) {
    const ScanOption* o = session_.find(all, kAreaNames[k]);
    const ScanOption* axis = session_.find(all, kAreaNames[k % 2 + 2]);
    if (!o || !axis || !axis->ranged) continue;
    session_.set(*o, std::to_string(axis->min + fractions[k] * (axis->max - axis->min)));
  }
  Rebuild();
}

void ScanOptionsDialog::Preview() {
  // The preview reads the whole area at a low resolution, then puts every option back as the user left it.
  std::vector<std::pair<std::string, std::string>> saved;
  std::vector<ScanOption> all = session_.options();
  for (const char* name : {"resolution", "tl-x", "tl-y", "br-x", "br-y"})
    if (const ScanOption* o = session_.find(all, name)) saved.emplace_back(name, session_.value(*o));
  for (int k = 0; k < 4; ++k) {
    const ScanOption* o = session_.find(all, kAreaNames[k]);
    const ScanOption* axis = session_.find(all, kAreaNames[k % 2 + 2]);
    if (o && axis && axis->ranged) session_.set(*o, std::to_string(k < 2 ? axis->min : axis->max));
  }
  all = session_.options();
  if (const ScanOption* r = session_.find(all, "resolution")) {
    double low = 50;
    if (!r->numbers.empty()) low = *std::min_element(r->numbers.begin(), r->numbers.end());
    if (r->ranged) low = std::clamp(50.0, r->min, r->max);
    session_.set(*r, std::to_string(static_cast<int>(low)));
  }
  QtScanInterface progress;
  bool cancelled = false, empty = false;
  HGLOBAL dib = session_.scan_page([&](int done, int expected) { return progress.progress(done, expected); },
                                   cancelled, empty);
  progress.page_ended();
  session_.end_batch();
  for (const auto& [name, value] : saved) session_.set(name, value);
  _IMAGEDESCRIPTOR picture;
  if (dib && ivorel::image_from_packed_dib(dib, {}, picture)) {
    area_->SetPicture(ivorel::qimage_from_descriptor(picture));
    free_image_block(picture);
    status_->clear();
  } else if (!cancelled) {
    status_->setText(QString::fromStdString(session_.error()));
  }
  GlobalFree(dib);
  Rebuild();
}

QtScanInterface::QtScanInterface() = default;
QtScanInterface::~QtScanInterface() = default;

int QtScanInterface::choose_source(const std::vector<scan::SourceInfo>& sources, int current, void* parent) {
  QDialog dialog(static_cast<QWidget*>(parent) ? static_cast<QWidget*>(parent)
                                               : QApplication::activeWindow());
  dialog.setWindowTitle(QObject::tr("Select Source"));
  dialog.setObjectName(QStringLiteral("SelectSourceDialog"));
  auto* list = new QListWidget;
  for (const scan::SourceInfo& s : sources)
    list->addItem(QStringLiteral("%1 %2 (%3)")
                      .arg(QString::fromStdString(s.vendor), QString::fromStdString(s.model),
                           QString::fromStdString(s.name)));
  list->setCurrentRow(std::max(0, current));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QObject::tr("Sources:")));
  layout->addWidget(list);
  layout->addWidget(buttons);
  return dialog.exec() == QDialog::Accepted ? list->currentRow() : -1;
}

bool QtScanInterface::configure(scan::ScanSession& session, void* parent) {
  ScanOptionsDialog dialog(session, static_cast<QWidget*>(parent));
  return dialog.exec() == QDialog::Accepted;
}

bool QtScanInterface::progress(int done, int expected) {
  if (!progress_) {
    progress_ = std::make_unique<QProgressDialog>(QObject::tr("Scanning..."), QObject::tr("Cancel"), 0, 0,
                                                  QApplication::activeWindow());
    progress_->setWindowTitle(QObject::tr("Scanning"));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(300);
  }
  // Lines of a page of unknown length show as a busy bar.
  progress_->setMaximum(std::max(0, expected));
  if (expected > 0) progress_->setValue(std::min(done, expected - 1));
  QCoreApplication::processEvents();
  return !progress_->wasCanceled();
}

void QtScanInterface::page_ended() {
  progress_.reset();
}

}  // namespace ivorel::dialogs
