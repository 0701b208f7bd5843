// The drawing view's selections: painting them over the image, the mouse tools, the selection commands,
// the paste and reuse stores with the file kept between runs, the clipboard, combining and the masks.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMdiArea>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextEdit>
#include <QToolBar>
#include <algorithm>
#include <cstring>
#include <optional>

#include "ivorel/processing/drawing_colours.h"
#include "ivorel/processing/processing.h"
#include "ivorel/windows/frame/draw_tools.h"
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/image_template.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/frame/mdi_frame.h"
#include "ivorel/windows/frame/qimage_bridge.h"
#include "ivorel/windows/frame/selection_commands.h"
#include "platform/core/colour_chooser.h"
#include "platform/core/cursor.h"
#include "platform/core/file_dialogs.h"
#include "platform/core/message_box.h"

namespace {

using namespace ivorel;

// The selection clipboard format: the stored objects, beside a plain image for other programs.
constexpr char kSelectionMime[] = "application/x-pictaro-image-selection-objects";

int g_currentTool = kToolSelect;
bool g_showObjects = true;
std::vector<unsigned char> g_pasteStore;
std::vector<unsigned char> g_reuseStore;
bool g_pasteStoreRead = false;
bool g_pasteStoreChanged = false;

bool clipboard_has_selection() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data && data->hasFormat(kSelectionMime);
}

QString store_file_path() {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  return dir.isEmpty() ? QString() : dir + "/Pictaro.sel";
}

QPainterPath shape_path(const CDrawObj& o, const CDrawView& view) {
  const RECT r = view.DocToClient(o.Bounds());
  const QRectF box(r.left, r.top, r.right - r.left, r.bottom - r.top);
  QPainterPath path;
  const SelectionShape s = o.Shape();
  switch (s.kind) {
    case ShapeKind::Ellipse:
      path.addEllipse(box);
      break;
    case ShapeKind::RoundRect:
      path.addRoundedRect(box, s.roundX / 2.0, s.roundY / 2.0);
      break;
    case ShapeKind::Polygon: {
      QPolygonF poly;
      for (const POINT& p : s.points) poly << QPointF(r.left + p.x, r.top + p.y);
      path.addPolygon(poly);
      path.closeSubpath();
      break;
    }
    case ShapeKind::Line:
      path.moveTo(box.topLeft());
      path.lineTo(box.bottomRight());
      break;
    default:
      path.addRect(box);
  }
  return path;
}

QColor colour_of(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

bool confirm_mask_delete(const void* owner) {
  return pcore::message_box().show(
             owner,
             "Are you sure to delete the current alpha-mask data associated with the image? "
             "(An image without alpha-mask uses less resource.)",
             "Please confirm...", pcore::MessageIcon::Question,
             pcore::MessageButtons::YesNo) == pcore::kIdYes;
}

// An image file as a descriptor over a block of its own, unchanged (its own size, depth and palette).
bool load_image_file(const std::string& path, _IMAGEDESCRIPTOR& out) {
  Compand reader;
  if (!reader.InitExpander(path.c_str()) || !reader.DoExpansion()) return false;
  _IMAGEDESCRIPTOR d;
  d.width = reader.GetWidth();
  d.height = reader.GetHeight();
  d.bitsPerPixel = reader.GetBitsPerPixel();
  d.colors = reader.GetColors();
  d.xResolution = d.yResolution = 100;
  d.imageSize = row_bytes(d.width, d.bitsPerPixel) * d.height;
  HGLOBAL block = GlobalAlloc(d.imageSize);
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  if (!data || !reader.GetDataPtr()) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(data, reader.GetDataPtr(), d.imageSize);
  if (const RGBCOLOR* palette = reader.GetPalettePtr()) std::copy(palette, palette + 256, d.palette);
  d.hImageData = block;
  d.imageData = data;
  out = d;
  return true;
}

}  // namespace

// ---- Life of the stores

void CDrawView::LoadPasteStore() {
  if (g_pasteStoreRead) return;
  g_pasteStoreRead = true;
  const QString path = store_file_path();
  if (path.isEmpty()) return;
  std::vector<unsigned char> bytes = read_store_file(path.toStdString());
  // A damaged file costs the store only.
  std::vector<std::unique_ptr<CDrawObj>> check;
  if (!bytes.empty() && read_selection_store(bytes, check)) g_pasteStore = std::move(bytes);
}

CDrawView::~CDrawView() {
  m_textEditor = nullptr;  // a child of the viewport, deleted with it
  m_selection.clear();
  if (!g_pasteStoreChanged || g_pasteStore.empty()) return;
  const QString path = store_file_path();
  if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) return;
  if (write_store_file(path.toStdString(), g_pasteStore)) g_pasteStoreChanged = false;
}

int CDrawView::CurrentTool() {
  return g_currentTool;
}

void CDrawView::SetCurrentTool(int tool) {
  g_currentTool = tool;
}

bool CDrawView::ShowObjects() {
  return g_showObjects;
}

// ---- Selection

bool CDrawView::IsSelected(const CDrawObj* object) const {
  return std::find(m_selection.begin(), m_selection.end(), object) != m_selection.end();
}

void CDrawView::Select(CDrawObj* object, bool add) {
  if (!add) {
    for (CDrawObj* o : m_selection) InvalObj(o);
    m_selection.clear();
  }
  if (object && !IsSelected(object)) {
    m_selection.push_back(object);
    InvalObj(object);
  }
}

void CDrawView::InvalObj(const CDrawObj* object) {
  if (!object) return;
  RECT r = DocToClient(object->Bounds());
  r = {r.left - 6, r.top - 6, r.right + 7, r.bottom + 7};
  invalidate(&r, true);
}

void CDrawView::SelectionChanged() {
  if (child_->Frame()) child_->Frame()->UpdateCommandStates();
}

void CDrawView::CloneSelection() {
  std::vector<CDrawObj*> clones;
  for (CDrawObj* o : m_selection) {
    std::unique_ptr<CDrawObj> copy = o->Clone();
    if (!copy) continue;
    clones.push_back(copy.get());
    m_document.Add(std::move(copy));
  }
  Select(nullptr, false);
  for (CDrawObj* c : clones) Select(c, true);
}

void CDrawView::DeleteSelection() {
  CloseTextEditor();
  for (CDrawObj* o : m_selection) {
    InvalObj(o);
    m_document.Remove(o);
  }
  m_selection.clear();
}

// ---- Coordinates: document = client moved by the scroll position

POINT CDrawView::ClientToDoc(POINT p) const {
  return {p.x + horizontalScrollBar()->value(), p.y + verticalScrollBar()->value()};
}

RECT CDrawView::ClientToDoc(const RECT& r) const {
  const POINT a = ClientToDoc(POINT{r.left, r.top}), b = ClientToDoc(POINT{r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

POINT CDrawView::DocToClient(POINT p) const {
  return {p.x - horizontalScrollBar()->value(), p.y - verticalScrollBar()->value()};
}

RECT CDrawView::DocToClient(const RECT& r) const {
  const POINT a = DocToClient(POINT{r.left, r.top}), b = DocToClient(POINT{r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

ImagePlacement CDrawView::Placement() const {
  ImagePlacement at;
  child_->GetImageRect(at.imageRect);
  at.width = child_->image.width;
  at.height = child_->image.height;
  return at;
}

POINT CDrawView::ImageDisplayToImageData(POINT p) const {
  return ivorel::ImageDisplayToImageData(Placement(), p);
}

POINT CDrawView::ImageDataToImageDisplay(POINT p) const {
  return ivorel::ImageDataToImageDisplay(Placement(), p);
}

// ---- Queries

bool CDrawView::SelectionHasImage() const {
  return std::any_of(m_selection.begin(), m_selection.end(),
                     [](const CDrawObj* o) { return o->ImagePart() && o->ImagePart()->HasPixels(); });
}

bool CDrawView::SelectionHasImageAndAlpha() const {
  return std::any_of(m_selection.begin(), m_selection.end(), [](const CDrawObj* o) {
    const SelectionImagePart* p = o->ImagePart();
    return p && p->HasPixels() && p->Mask().imageData;
  });
}

bool CDrawView::SelectionIsShowingAlpha() const {
  return std::any_of(m_selection.begin(), m_selection.end(),
                     [](const CDrawObj* o) { return o->ImagePart() && o->ImagePart()->alphaShown; });
}

int CDrawView::GetSelectionImageDataArray(std::vector<_IMAGEDESCRIPTOR*>& list) const {
  for (CDrawObj* o : m_selection) {
    if (SelectionImagePart* p = o->ImagePart(); p && p->HasPixels()) list.push_back(&p->image);
  }
  return static_cast<int>(list.size());
}

RECT CDrawView::GetSelectionBoundingBox() const {
  RECT box = {0, 0, 0, 0};
  bool first = true;
  for (const CDrawObj* o : m_selection) {
    const RECT b = o->Bounds();
    box = first ? b
                : RECT{std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right),
                       std::max(box.bottom, b.bottom)};
    first = false;
  }
  return box;
}

int CDrawView::ProcessSelectionImages(int, const std::function<bool(SelectionImagePart&)>& run) {
  int took = 0;
  for (CDrawObj* o : m_selection) {
    SelectionImagePart* p = o->ImagePart();
    if (!p || !p->HasPixels()) continue;
    (p->alphaShown ? p->maskUndo : p->imageUndo).SaveUndoData();
    if (!run(*p)) continue;
    took = 1;
    p->RebuildDisplayObj(0);
    InvalObj(o);
  }
  return took;
}

// ---- Painting

void CDrawView::PaintObjects(QPainter& painter, const QRect& area) {
  painter.setClipRect(area);
  if (m_bGrid) {
    painter.setPen(QPen(QColor(128, 128, 128, 128), 0, Qt::DotLine));
    for (int x = 16 - horizontalScrollBar()->value() % 16; x < viewport()->width(); x += 16)
      painter.drawLine(x, 0, x, viewport()->height());
    for (int y = 16 - verticalScrollBar()->value() % 16; y < viewport()->height(); y += 16)
      painter.drawLine(0, y, viewport()->width(), y);
  }
  for (const auto& owned : m_document.Objects()) {
    const CDrawObj& o = *owned;
    const QPainterPath path = shape_path(o, *this);
    if (const SelectionImagePart* p = o.ImagePart(); p && p->HasPixels()) {
      painter.save();
      painter.setClipPath(path, Qt::IntersectClip);
      painter.drawImage(path.boundingRect(), qimage_from_descriptor(p->image));
      painter.restore();
    } else if (o.m_bBrush) {
      // An empty selection given a fill colour shows it (behind its text).
      painter.fillPath(path, colour_of(o.m_logbrush.colour));
    }
    PaintText(painter, o);
    const bool selected = IsSelected(&o);
    if (!g_showObjects && !selected) continue;
    // A marching-ants outline in the object's line colour reads on light and dark pictures alike.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPath(path);
    painter.setPen(QPen(o.m_bPen ? colour_of(o.m_logpen.colour) : QColor(Qt::black), 0, Qt::DashLine));
    painter.drawPath(path);
    if (!selected) continue;
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QColor(255, 255, 255));
    for (int h = 1; h <= 8; ++h) {
      const POINT c = DocToClient(o.GetHandle(h));
      painter.drawRect(c.x - 3, c.y - 3, 6, 6);
    }
  }
}

// ---- Stores and clipboard

bool CDrawView::FillEmptySelections() {
  const ImagePlacement at = Placement();
  for (CDrawObj* o : m_selection) {
    SelectionImagePart* p = o->ImagePart();
    if (!p || p->HasPixels()) continue;
    bool noMemory = false;
    const _IMAGEDESCRIPTOR block = take_image_under(child_->image, at, DocToClient(o->Bounds()), noMemory);
    if (noMemory) {
      pcore::message_box().show(child_->Handle(), "No memory available for image cropping", "User Advisory",
                                pcore::MessageIcon::Warning, pcore::MessageButtons::Ok);
      return false;
    }
    if (!block.imageData) {
      invalidate(nullptr, false);
      continue;
    }
    p->AdoptImage(block);
    InvalObj(o);
  }
  return true;
}

void CDrawView::WriteStore(std::vector<unsigned char>& store) {
  FillEmptySelections();
  std::vector<const CDrawObj*> list(m_selection.begin(), m_selection.end());
  store = write_selection_store(list);
}

void CDrawView::PutSelectionOnClipboard() {
  QApplication::clipboard()->setMimeData(SelectionMimeData(QPoint(0, 0)));
}

void CDrawView::PasteFrom(const std::vector<unsigned char>& store) {
  std::vector<std::unique_ptr<CDrawObj>> objects;
  if (!read_selection_store(store, objects)) return;
  Select(nullptr, false);
  RECT R;
  child_->GetImageRect(R);
  const RECT docR = ClientToDoc(R);
  for (auto& o : objects) {
    const RECT before = o->m_position;
    o->m_position = fit_into_image_rect(o->m_position, docR);
    if (auto* poly = dynamic_cast<CDrawPoly*>(o.get()))
      poly->FitPointsTo(NormalizedRect(before), o->m_position);
    CDrawObj* raw = o.get();
    m_document.Add(std::move(o));
    Select(raw, true);
  }
}

void CDrawView::CropSelectionToWindow() {
  CIMDIFrameWnd* frame = child_->Frame();
  if (!frame || !frame->DocTemplate()) return;
  for (CDrawObj* o : m_selection) {
    const SelectionImagePart* p = o->ImagePart();
    if (!p || !p->HasPixels()) continue;
    _IMAGEDESCRIPTOR copy = p->Pixels();
    copy.hImageData = pcore::duplicate_block(p->Pixels().hImageData);
    copy.imageData = nullptr;
    if (!copy.hImageData) return;
    frame->DocTemplate()->OpenFromDescriptor(copy, true);
    return;
  }
}

// ---- Combining

bool CDrawView::CombineSelections(int code, bool transparent) {
  if (code == kCombineCrop) {
    CropSelectionToWindow();
    return true;
  }
  if (!SelectionHasImage() || !child_->HasImage()) return false;
  if ((code >= kCombineImageMask) && child_->alphaShown) child_->SwitchDisplayData();
  child_->SaveUndoData();
  struct OwnedMask {
    _IMAGEDESCRIPTOR d;
    ~OwnedMask() { free_image_block(d); }
  } imageMask;
  if (code == kCombineImageMask || code == kCombineBothMasks) {
    imageMask.d = mask_as_24bit(child_->alpha.descriptor, child_->image.width, child_->image.height);
  }
  const ImagePlacement at = Placement();
  const POINT docToClient = DocToClient(POINT{0, 0});
  // The mask and edge combines are the slow ones: they show the progress cursor as the rows go by.
  std::optional<pcore::WaitCursor> busy;
  if (code >= kCombineEdgeBlend) busy.emplace();
  bool any = false;
  for (CDrawObj* o : m_selection) {
    SelectionImagePart* p = o->ImagePart();
    if (!p || !p->HasPixels()) continue;
    if (p->alphaShown && code >= kCombineSelectionMask) p->SwitchDisplayData();
    CombineRequest rq = combine_request_for(*o, at, docToClient);
    rq.code = code;
    rq.transparent = transparent || p->transparentColour;
    rq.key = colour_triple(first_colour());
    if (busy) {
      rq.progress = [](int row, int rows) {
        if (const int frame = progress_frame(0, rows - 1, row); frame >= 0) pcore::set_progress_cursor(frame);
      };
    }
    OwnedMask selectionMask;
    if (code == kCombineSelectionMask || code == kCombineBothMasks) {
      selectionMask.d = mask_as_24bit(p->Mask(), p->Pixels().width, p->Pixels().height);
      rq.selectionMask = &selectionMask.d;
    }
    rq.imageMask = imageMask.d.imageData ? &imageMask.d : nullptr;
    if (code == kCombineEdgeBlend) {
      p->edgeMap = build_edge_map(shape_raster(rq.shape, rq.width, rq.height), rq.width, rq.height,
                                  p->Pixels().width, p->Pixels().height);
      rq.edgeMap = &p->edgeMap;
    }
    any |= combine_selection(child_->image, p->Pixels(), rq);
  }
  if (any) {
    child_->RebuildDisplayObj(0);
    child_->MakeImageDirty();
    invalidate(nullptr, false);
    child_->ImageChanged();
  }
  return any;
}

bool CDrawView::SelectionPenFrame(CDrawObj& o) {
  SelectionImagePart* p = o.ImagePart();
  if (!p || !p->HasPixels()) return false;
  CombineRequest rq = combine_request_for(o, Placement(), DocToClient(POINT{0, 0}));
  return frame_selection(child_->image, rq, colour_triple(first_colour()));
}

void CDrawView::TileSelection() {
  SelectionImagePart* texture = m_selection.size() == 1 ? m_selection.front()->ImagePart() : nullptr;
  if (!texture || !texture->HasPixels() || !child_->HasImage()) return;
  // Inside an image window the processor takes the window's undo snapshot itself.
  _IMAGE_PROC_DATA words = {};
  words.words[1] = 64;
  words.words[2] = 0;
  {
    TProcessImageEx processor(child_);
    processor.SetImageProcData(&words);
    processor.TextureTile(texture);
  }
  texture->RebuildDisplayObj(0);
  if (texture->display) {
    texture->display->SetStretchMode();
    texture->display->SetZoom(1);
  }
  invalidate(nullptr, false);
  child_->ImageChanged();
}

void CDrawView::ChooseObjectColour(bool fill) {
  if (m_selection.empty()) return;
  const CDrawObj* first = m_selection.front();
  pcore::ColourRequest request;
  request.owner = child_->Handle();
  request.title = fill ? "Fill Color" : "Line Color";
  request.colour = fill ? first->m_logbrush.colour : first->m_logpen.colour;
  if (pcore::run_colour_chooser(request) != pcore::kIdOk) return;
  for (CDrawObj* o : m_selection) {
    if (fill) {
      o->m_bBrush = true;
      o->m_logbrush.style = 0;  // solid
      o->m_logbrush.colour = request.colour;
    } else {
      o->m_bPen = true;
      o->m_logpen.colour = request.colour;
    }
    InvalObj(o);
  }
  // The line colour is the text colour too: what is marked in the open editor, or what is typed next.
  if (!fill && m_textEditor) m_textEditor->setTextColor(colour_of(request.colour));
}

void CDrawView::ToggleShowObjects() {
  g_showObjects = !g_showObjects;
  CIMDIFrameWnd* frame = child_->Frame();
  if (!frame || !frame->MdiArea()) {
    viewport()->update();
    return;
  }
  for (QMdiSubWindow* w : frame->MdiArea()->subWindowList()) {
    if (auto* c = dynamic_cast<CMDIChildImageWnd*>(w); c && c->View()) c->View()->invalidate(nullptr, false);
  }
}

void CDrawView::FrameSelection() {
  if (!SelectionHasImage()) return;
  child_->SaveUndoData();
  bool any = false;
  for (CDrawObj* o : m_selection) any |= SelectionPenFrame(*o);
  if (any) {
    child_->RebuildDisplayObj(0);
    child_->MakeImageDirty();
    invalidate(nullptr, false);
    child_->ImageChanged();
  }
  g_currentTool = kToolSelect;
}

// ---- Commands

bool CDrawView::SelectionCommandEnabled(int id) const {
  const bool image = child_->HasImage();
  const bool any = !m_selection.empty();
  const bool pixels = SelectionHasImage();
  const CDrawObj* first = any ? m_selection.front() : nullptr;
  const SelectionImagePart* firstPart = first ? first->ImagePart() : nullptr;
  const bool onePixels = m_selection.size() == 1 && firstPart && firstPart->HasPixels();
  switch (id) {
    case sel::kToolSelect:
    case sel::kToolRect:
    case sel::kToolRoundRect:
    case sel::kToolEllipse:
    case sel::kToolPolygon:
    case sel::kToolLineShape:
    case sel::kToolRectShape:
    case sel::kToolRoundRectShape:
    case sel::kToolEllipseShape:
    case sel::kToolFilledRect:
    case sel::kToolFilledRoundRect:
    case sel::kToolFilledEllipse:
    case sel::kToolPen:
    case sel::kToolBrush:
    case sel::kToolLineTool:
    case sel::kToolPick:
    case sel::kToolFill:
    case sel::kSelectWholeImage:
    case sel::kGrid:
      return image;
    case sel::kSelectAll:
      return !m_document.Objects().empty();
    case sel::kClear:
    case sel::kCut:
    case sel::kStoreToPaste:
    case sel::kClone:
    case sel::kToFront:
    case sel::kToBack:
    case sel::kForward:
    case sel::kBackward:
    case sel::kClearImageContent:
    case sel::kLineColour:
    case sel::kFillColour:
      return any;
    case sel::kShowObjects:
      return image;
    case sel::kCopyInto:
      return any && !pixels;
    case sel::kTextInput:
      return m_textEditor != nullptr || (m_selection.size() == 1 && firstPart);
    case sel::kPasteStored:
      return image && (!g_pasteStore.empty() || clipboard_has_selection());
    case sel::kReuse:
      return image && !g_reuseStore.empty();
    case sel::kSelectionUndo:
    case sel::kSelectionRedo:
      return std::any_of(m_selection.begin(), m_selection.end(), [id](CDrawObj* o) {
        SelectionImagePart* p = o->ImagePart();
        if (!p || !p->HasPixels()) return false;
        COperationUndoRedo& store = p->alphaShown ? p->maskUndo : p->imageUndo;
        return (id == sel::kSelectionUndo ? store.ICanUndo() : store.ICanRedo()) != 0;
      });
    case sel::kTile:
      return image && onePixels;
    case sel::kMaskShow:
      return image && !child_->alphaShown;
    case sel::kMaskHide:
      return image && child_->alphaShown;
    case sel::kMaskToggle:
    case sel::kMaskFromFile:
      return image;
    case sel::kMaskDelete:
    case sel::kMaskSave:
      return image && (child_->alphaShown || child_->alpha.HasAlpha());
    case sel::kSelMaskShow:
      return firstPart && firstPart->HasPixels() && !firstPart->alphaShown;
    case sel::kSelMaskHide:
      return firstPart && firstPart->HasPixels() && firstPart->alphaShown;
    case sel::kSelMaskToggle:
      return firstPart && firstPart->HasPixels();
    case sel::kSelMaskDelete:
      return firstPart && firstPart->HasPixels() && firstPart->Mask().imageData;
    case sel::kComposeImageMask:
      return onePixels && (child_->alphaShown || child_->alpha.HasAlpha());
    case sel::kComposeSelectionMask:
      return onePixels && firstPart->Mask().imageData && !firstPart->alphaShown;
    case sel::kComposeBothMasks:
      return onePixels && firstPart->Mask().imageData && (child_->alphaShown || child_->alpha.HasAlpha());
    default:
      break;
  }
  const SelectionCommand* c = find_selection_command(id);
  if (c && c->code) return image && pixels;
  if (id == sel::kFrameWithPen) return image && pixels;
  return false;
}

void CDrawView::OnSelectionCommand(int id) {
  if (!SelectionCommandEnabled(id)) return;
  if (const int tool = tool_of_command(id); tool >= 0) {
    EndPaintStroke();
    g_currentTool = tool;
    UpdateToolCursor();
    return;
  }
  const SelectionCommand* command = find_selection_command(id);
  switch (id) {
    case sel::kSelectAll:
      for (const auto& o : m_document.Objects()) Select(o.get(), true);
      break;
    case sel::kClear:
      DeleteSelection();
      break;
    case sel::kSelectWholeImage: {
      RECT R;
      child_->GetImageRect(R);
      auto whole = std::make_unique<CDrawRectWithImage>(ClientToDoc(R), ShapeKind::Rectangle);
      CDrawObj* raw = whole.get();
      m_document.Add(std::move(whole));
      Select(raw, false);
      g_currentTool = kToolSelect;
      break;
    }
    case sel::kClone:
      CloneSelection();
      break;
    case sel::kTextInput:
      ToggleTextEditor();
      break;
    case sel::kCut:
      WriteStore(g_reuseStore);
      PutSelectionOnClipboard();
      DeleteSelection();
      break;
    case sel::kCopyInto:
      WriteStore(g_reuseStore);
      PutSelectionOnClipboard();
      break;
    case sel::kStoreToPaste:
      WriteStore(g_pasteStore);
      g_pasteStoreChanged = true;
      PutSelectionOnClipboard();
      break;
    case sel::kPasteStored:
      if (!g_pasteStore.empty()) {
        PasteFrom(g_pasteStore);
      } else if (clipboard_has_selection()) {
        const QByteArray bytes = QApplication::clipboard()->mimeData()->data(kSelectionMime);
        PasteFrom(std::vector<unsigned char>(bytes.begin(), bytes.end()));
      }
      break;
    case sel::kReuse:
      PasteFrom(g_reuseStore);
      break;
    case sel::kClearImageContent:
      for (CDrawObj* o : m_selection) {
        if (SelectionImagePart* p = o->ImagePart()) p->ClearImage();
        InvalObj(o);
      }
      break;
    case sel::kFrameWithPen:
      FrameSelection();
      break;
    case sel::kTile:
      TileSelection();
      break;
    case sel::kLineColour:
    case sel::kFillColour:
      ChooseObjectColour(id == sel::kFillColour);
      break;
    case sel::kShowObjects:
      ToggleShowObjects();
      break;
    case sel::kSelectionUndo:
    case sel::kSelectionRedo:
      for (CDrawObj* o : m_selection) {
        SelectionImagePart* p = o->ImagePart();
        if (!p || !p->HasPixels()) continue;
        COperationUndoRedo& store = p->alphaShown ? p->maskUndo : p->imageUndo;
        if (id == sel::kSelectionUndo ? store.DoUndo() : store.DoRedo()) p->RebuildDisplayObj(0);
        InvalObj(o);
      }
      break;
    case sel::kToFront:
      m_document.BringToFront(m_selection.front());
      InvalObj(m_selection.front());
      break;
    case sel::kToBack:
      m_document.SendToBack(m_selection.front());
      InvalObj(m_selection.front());
      break;
    case sel::kForward:
      m_document.MoveForward(m_selection.front());
      InvalObj(m_selection.front());
      break;
    case sel::kBackward:
      m_document.MoveBack(m_selection.front());
      InvalObj(m_selection.front());
      break;
    case sel::kGrid:
      m_bGrid = !m_bGrid;
      invalidate(nullptr, false);
      break;
    case sel::kMaskShow:
    case sel::kMaskHide:
    case sel::kMaskToggle:
      child_->SwitchDisplayData();
      child_->ImageChanged();
      break;
    case sel::kMaskDelete:
      if (confirm_mask_delete(child_->Handle())) {
        if (child_->alphaShown) child_->SwitchDisplayData();
        child_->alpha.DestroyAlpha();
        child_->ImageChanged();
      }
      break;
    case sel::kMaskFromFile: {
      pcore::FileDialogRequest request;
      request.kind = pcore::FileDialogKind::Open;
      request.owner = child_->Handle();
      request.title = "Mask";
      request.filters = {
          {"Image Files", "*.bmp;*.dib;*.rle;*.gif;*.pcx;*.tga;*.jpg;*.jpeg;*.tif;*.tiff;*.png"}};
      _IMAGEDESCRIPTOR mask;
      if (pcore::run_file_dialog(request) != pcore::kIdOk || !load_image_file(request.path, mask)) break;
      if (child_->alphaShown) {
        child_->SaveUndoData();
        free_image_block(child_->image);
        child_->image = mask;
        child_->alpha.descriptor = mask;
        child_->RebuildDisplayObj(0);
      } else {
        child_->alpha.DestroyAlpha();
        child_->alpha.descriptor = mask;
        child_->SwitchDisplayData();
      }
      child_->ImageChanged();
      invalidate(nullptr, true);
      break;
    }
    case sel::kMaskSave: {
      pcore::FileDialogRequest request;
      request.kind = pcore::FileDialogKind::Save;
      request.owner = child_->Handle();
      request.title = "Save Mask";
      request.filters = {{"Image Files", "*.bmp;*.png;*.tif;*.tga;*.pcx"}};
      if (pcore::run_file_dialog(request) != pcore::kIdOk) break;
      const _IMAGEDESCRIPTOR& mask = child_->alphaShown ? child_->image : child_->alpha.descriptor;
      std::vector<char> name(request.path.begin(), request.path.end());
      name.resize(request.path.size() + 8, '\0');
      Compand writer;
      CompandType type = Compand::FileTypeFromName(name.data());
      if (type == CT_NONE || type == CT_AVI) type = CT_BMP;
      if (!writer.InitCompressor(type, name.data(), mask.width, mask.height, mask.bitsPerPixel, mask.colors,
                                 mask.imageData, const_cast<RGBCOLOR*>(mask.palette)) ||
          !writer.DoCompression()) {
        pcore::message_box().show(child_->Handle(), "The mask could not be saved to " + request.path,
                                  "User Advisory", pcore::MessageIcon::Error, pcore::MessageButtons::Ok);
      }
      break;
    }
    case sel::kSelMaskShow:
    case sel::kSelMaskHide:
    case sel::kSelMaskToggle:
      m_selection.front()->ImagePart()->SwitchDisplayData();
      InvalObj(m_selection.front());
      break;
    case sel::kSelMaskDelete:
      if (confirm_mask_delete(child_->Handle())) {
        SelectionImagePart* p = m_selection.front()->ImagePart();
        if (p->alphaShown) p->SwitchDisplayData();
        p->alpha.DestroyAlpha();
        InvalObj(m_selection.front());
      }
      break;
    default:
      if (command && command->code) CombineSelections(command->code, id == sel::kTransparentCopy);
      break;
  }
  SelectionChanged();
}
