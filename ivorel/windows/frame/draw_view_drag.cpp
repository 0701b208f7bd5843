// Selections dragged out of one image window into another: the moving selection turns into a drag when the
// pointer leaves its window, carrying the selection's stored objects (and a plain image for other programs);
// an image window that takes the drop places the objects under the pointer. A move takes them out of the
// window they came from, a copy (Ctrl) leaves them there.
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QMimeData>

#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/qimage_bridge.h"

namespace {

constexpr char kSelectionMime[] = "application/x-pictaro-image-selection-objects";
// Where the pointer holds the dragged objects, "x,y" from their bounding box's top-left corner.
constexpr char kGrabMime[] = "application/x-pictaro-selection-grab";

CDrawView::DragRunner& drag_runner() {
  static CDrawView::DragRunner runner;
  return runner;
}

// The view that took the last drop, so that the source knows a move onto itself is no move away.
const CDrawView* g_dropTarget = nullptr;

Qt::DropAction run_desktop_drag(QWidget* source, QMimeData* data) {
  auto* drag = new QDrag(source);
  drag->setMimeData(data);
  if (data->hasImage()) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) drag->setPixmap(QPixmap::fromImage(image.scaled(96, 96, Qt::KeepAspectRatio)));
  }
  return drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

POINT grab_of(const QMimeData* data) {
  const QList<QByteArray> parts = data->data(kGrabMime).split(',');
  if (parts.size() != 2) return {0, 0};
  return {parts[0].toInt(), parts[1].toInt()};
}

}  // namespace

void CDrawView::SetDragRunner(DragRunner runner) {
  drag_runner() = std::move(runner);
}

QMimeData* CDrawView::SelectionMimeData(QPoint grabClient) const {
  std::vector<const CDrawObj*> list(m_selection.begin(), m_selection.end());
  auto* data = new QMimeData;
  const std::vector<unsigned char> bytes = ivorel::write_selection_store(list);
  data->setData(kSelectionMime,
                QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())));
  for (const CDrawObj* o : m_selection) {
    if (const SelectionImagePart* p = o->ImagePart(); p && p->HasPixels()) {
      data->setImageData(ivorel::qimage_from_descriptor(p->Pixels()));
      break;
    }
  }
  const RECT box = GetSelectionBoundingBox();
  const POINT grab = ClientToDoc(POINT{grabClient.x(), grabClient.y()});
  data->setData(kGrabMime,
                QByteArray::number(grab.x - box.left) + ',' + QByteArray::number(grab.y - box.top));
  return data;
}

void CDrawView::StartSelectionDrag(QPoint client) {
  ivorel::DrawTool::Find(CurrentTool()).Abandon();
  QMimeData* data = SelectionMimeData(client);
  g_dropTarget = nullptr;
  const Qt::DropAction done =
      drag_runner() ? drag_runner()(viewport(), data) : run_desktop_drag(viewport(), data);
  // The desktop's drag owns the data it carried; with a runner of tests it is ours to free.
  if (drag_runner()) delete data;
  if (done == Qt::MoveAction && g_dropTarget && g_dropTarget != this) DeleteSelection();
  g_dropTarget = nullptr;
  SelectionChanged();
}

void CDrawView::PlaceObjects(std::vector<std::unique_ptr<CDrawObj>> objects, POINT topLeft) {
  if (objects.empty()) return;
  RECT R;
  child_->GetImageRect(R);
  const RECT docR = ClientToDoc(R);
  // Objects from a larger picture (or a foreign store) come onto this image first, as a paste does.
  RECT box = {0, 0, 0, 0};
  for (std::size_t i = 0; i < objects.size(); ++i) {
    CDrawObj& o = *objects[i];
    const RECT before = o.Bounds();
    o.m_position = ivorel::fit_into_image_rect(o.m_position, docR);
    if (auto* poly = dynamic_cast<CDrawPoly*>(&o)) poly->FitPointsTo(before, o.m_position);
    const RECT b = o.Bounds();
    box = i == 0 ? b
                 : RECT{std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right),
                        std::max(box.bottom, b.bottom)};
  }
  // The group lands with the pointer where it held it, as far as the image lets it.
  const int x = std::max(docR.left, std::min(topLeft.x, docR.right - (box.right - box.left)));
  const int y = std::max(docR.top, std::min(topLeft.y, docR.bottom - (box.bottom - box.top)));
  Select(nullptr, false);
  for (auto& o : objects) {
    o->MoveBy(x - box.left, y - box.top);
    CDrawObj* raw = o.get();
    m_document.Add(std::move(o));
    Select(raw, true);
  }
}

void CDrawView::dragEnterEvent(QDragEnterEvent* event) {
  if (child_->HasImage() && event->mimeData()->hasFormat(kSelectionMime))
    event->acceptProposedAction();
  else
    event->ignore();
}

void CDrawView::dragMoveEvent(QDragMoveEvent* event) {
  if (child_->HasImage() && event->mimeData()->hasFormat(kSelectionMime))
    event->acceptProposedAction();
  else
    event->ignore();
}

void CDrawView::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!child_->HasImage() || !data->hasFormat(kSelectionMime)) return event->ignore();
  const QByteArray bytes = data->data(kSelectionMime);
  std::vector<std::unique_ptr<CDrawObj>> objects;
  if (!ivorel::read_selection_store(std::vector<unsigned char>(bytes.begin(), bytes.end()), objects) ||
      objects.empty())
    return event->ignore();
  const bool self = event->source() == viewport();
  // Onto its own window a drag is a move within it: the originals give way to the dropped objects.
  if (self) DeleteSelection();
  const POINT grab = grab_of(data);
  const POINT at =
      ClientToDoc(POINT{static_cast<int>(event->position().x()), static_cast<int>(event->position().y())});
  PlaceObjects(std::move(objects), POINT{at.x - grab.x, at.y - grab.y});
  event->setDropAction(self ? Qt::MoveAction : event->proposedAction());
  event->accept();
  g_dropTarget = this;
  if (CIMDIFrameWnd* frame = child_->Frame(); frame && frame->MdiArea())
    frame->MdiArea()->setActiveSubWindow(child_);
  setFocus();
  SelectionChanged();
}
