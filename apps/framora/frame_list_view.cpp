#include "apps/framora/frame_list_view.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "apps/framora/document/framora_doc.h"
#include "platform/core/message_box.h"

namespace framora {

namespace {

struct ColumnSpec {
  const char* title;
  int width;
  Qt::Alignment alignment;
};

constexpr ColumnSpec kColumns[kColumnCount] = {
    {"File Path", 150, Qt::AlignLeft}, {"Width", 50, Qt::AlignRight},   {"Height", 50, Qt::AlignRight},
    {"BPP", 35, Qt::AlignRight},       {"Delay", 40, Qt::AlignRight},   {"Dispose", 50, Qt::AlignLeft},
    {"Trans.", 45, Qt::AlignRight},    {"Comment", 280, Qt::AlignLeft},
};

}  // namespace

QString disposal_text(int disposal) {
  return QStringLiteral("%1-%2").arg(disposal).arg(QLatin1String(disposal_name(disposal)));
}

QStringList row_texts(const ImageFrame& frame) {
  return {QString::fromLocal8Bit(frame.path),
          QString::number(frame.width),
          QString::number(frame.height),
          QString::number(frame.bitsPerPixel),
          QString::number(frame.delay),
          disposal_text(frame.disposal),
          frame.transparent ? QStringLiteral("Y") : QStringLiteral("N"),
          frame.comment ? QString::fromLocal8Bit(frame.comment) : QString()};
}

QStringList dropped_files(const QMimeData* data) {
  QStringList paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

}  // namespace framora

using namespace framora;

CFramoraView::CFramoraView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("FrameList");
  setColumnCount(kColumnCount);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  QTreeWidgetItem* header = new QTreeWidgetItem;
  for (int c = 0; c < kColumnCount; ++c) {
    header->setText(c, kColumns[c].title);
    header->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
  }
  setHeaderItem(header);
  // The file name matters more than the folders before it; a disposal's name must not be cut.
  setTextElideMode(Qt::ElideLeft);
  for (int c = 0; c < kColumnCount; ++c) setColumnWidth(c, kColumns[c].width);
  setColumnWidth(kDispose,
                 std::max(kColumns[kDispose].width, fontMetrics().horizontalAdvance("0-No op") + 12));
  header->treeWidget()->header()->setStretchLastSection(true);

  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem*, QTreeWidgetItem*) { emit SelectionMoved(SelectedRow()); });
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { emit PropertiesRequested(indexOfTopLevelItem(item)); });
}

void CFramoraView::FillRow(QTreeWidgetItem* item, const ImageFrame& frame) {
  const QStringList texts = row_texts(frame);
  for (int c = 0; c < kColumnCount; ++c) {
    item->setText(c, texts[c]);
    item->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
  }
  // The path column is narrow; the whole path and comment show on hover.
  item->setToolTip(kPath, texts[kPath]);
  item->setToolTip(kComment, texts[kComment]);
}

void CFramoraView::OnUpdate(int hint) {
  const int frames = stack_ ? stack_->GetFrameNumber() : 0;
  if (hint < 0) {
    const QSignalBlocker quiet(this);
    clear();
    return;
  }
  if (hint > 0) {
    for (int i = std::max(0, frames - hint); i < frames; ++i) {
      if (ImageFrame* frame = stack_->GetFrameData(i)) {
        auto* item = new QTreeWidgetItem;
        FillRow(item, *frame);
        addTopLevelItem(item);
      }
    }
    return;
  }
  // A refresh also mends a row count that went out of step with the stack.
  while (topLevelItemCount() > frames) delete takeTopLevelItem(topLevelItemCount() - 1);
  while (topLevelItemCount() < frames) addTopLevelItem(new QTreeWidgetItem);
  for (int i = 0; i < frames; ++i) RefreshRow(i);
}

void CFramoraView::RefreshRow(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  ImageFrame* frame = stack_ ? stack_->GetFrameData(row) : nullptr;
  if (item && frame) FillRow(item, *frame);
}

int CFramoraView::SelectedRow() const {
  QTreeWidgetItem* item = currentItem();
  return item && item->isSelected() ? indexOfTopLevelItem(item) : -1;
}

void CFramoraView::SelectRow(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) {
    clearSelection();
    setCurrentItem(nullptr);
    emit SelectionMoved(-1);
    return;
  }
  setCurrentItem(item);
  item->setSelected(true);
  scrollToItem(item);
  emit SelectionMoved(row);
}

QString CFramoraView::CellText(int row, int column) const {
  QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(column) : QString();
}

int CFramoraView::RowAt(const QPoint& pos) const {
  QTreeWidgetItem* item = itemAt(pos);
  return item ? indexOfTopLevelItem(item) : -1;
}

void CFramoraView::mousePressEvent(QMouseEvent* event) {
  QTreeWidget::mousePressEvent(event);
  dragFrom_ = event->button() == Qt::LeftButton ? RowAt(event->position().toPoint()) : -1;
}

void CFramoraView::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ < 0 || !(event->buttons() & Qt::LeftButton)) {
    QTreeWidget::mouseMoveEvent(event);
    return;
  }
  // While dragging, the row under the pointer is the one highlighted: where the frame would go.
  const int over = RowAt(event->position().toPoint());
  if (over >= 0 && over != SelectedRow()) {
    const QSignalBlocker quiet(this);
    setCurrentItem(topLevelItem(over));
  }
}

void CFramoraView::mouseReleaseEvent(QMouseEvent* event) {
  const int from = dragFrom_;
  dragFrom_ = -1;
  if (from < 0 || event->button() != Qt::LeftButton) {
    QTreeWidget::mouseReleaseEvent(event);
    return;
  }
  const int to = RowAt(event->position().toPoint());
  if (to < 0 || to == from) {
    SelectRow(from);
    return;
  }
  const int answer = pcore::message_box().show(this, "Do you want to move the item?", "Please confirm...",
                                               pcore::MessageIcon::Question, pcore::MessageButtons::YesNo);
  if (answer == pcore::kIdYes) {
    emit MoveConfirmed(from, to);
  } else {
    SelectRow(from);
  }
}

void CFramoraView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CFramoraView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CFramoraView::dropEvent(QDropEvent* event) {
  const QStringList paths = dropped_files(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  emit FilesDropped(paths);
}
