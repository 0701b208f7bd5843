// The draw objects and the drawing document: geometry, handles, hit-testing, cloning and z-order.
#include "ivorel/windows/draw_objects.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ivorel/processing/processing.h"

namespace {

bool duplicate_descriptor(const _IMAGEDESCRIPTOR& from, _IMAGEDESCRIPTOR& to) {
  to = from;
  to.hImageData = nullptr;
  to.imageData = nullptr;
  if (!from.hImageData) return true;
  HGLOBAL copy = pcore::duplicate_block(from.hImageData);
  auto* data = static_cast<unsigned char*>(GlobalLock(copy));
  if (!data) {
    GlobalFree(copy);
    return false;
  }
  to.hImageData = copy;
  to.imageData = data;
  return true;
}

}  // namespace

// ---- CDrawObj

RECT CDrawObj::Bounds() const {
  return ivorel::NormalizedRect(m_position);
}

namespace {

// A coordinate moved, held at the ends of its range: far-off stored objects must not wrap round.
std::int32_t moved(std::int32_t v, int d) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{v} + d, INT32_MIN, INT32_MAX));
}

}  // namespace

void CDrawObj::MoveBy(int dx, int dy) {
  m_position = {moved(m_position.left, dx), moved(m_position.top, dy), moved(m_position.right, dx),
                moved(m_position.bottom, dy)};
}

ivorel::SelectionShape CDrawObj::Shape() const {
  const RECT b = Bounds();
  ivorel::SelectionShape s;
  s.boxWidth = b.right - b.left;
  s.boxHeight = b.bottom - b.top;
  return s;
}

POINT CDrawObj::GetHandle(int handle) const {
  const RECT& r = m_position;
  const int cx = r.left + (r.right - r.left) / 2, cy = r.top + (r.bottom - r.top) / 2;
  switch (handle) {
    case 1:
      return {r.left, r.top};
    case 2:
      return {cx, r.top};
    case 3:
      return {r.right, r.top};
    case 4:
      return {r.right, cy};
    case 5:
      return {r.right, r.bottom};
    case 6:
      return {cx, r.bottom};
    case 7:
      return {r.left, r.bottom};
    default:
      return {r.left, cy};
  }
}

void CDrawObj::MoveHandleTo(int handle, POINT p) {
  RECT& r = m_position;
  if (handle == 1 || handle == 7 || handle == 8) r.left = p.x;
  if (handle == 3 || handle == 4 || handle == 5) r.right = p.x;
  if (handle == 1 || handle == 2 || handle == 3) r.top = p.y;
  if (handle == 5 || handle == 6 || handle == 7) r.bottom = p.y;
}

int CDrawObj::HitTest(POINT p, bool selected, int reach) const {
  if (selected) {
    for (int h = 1; h <= 8; ++h) {
      const POINT c = GetHandle(h);
      if (std::abs(p.x - c.x) <= reach && std::abs(p.y - c.y) <= reach) return h;
    }
  }
  const RECT b = Bounds();
  return p.x >= b.left && p.x < b.right && p.y >= b.top && p.y < b.bottom ? kHitBody : kHitNone;
}

// ---- CDrawRect and CDrawPoly

ivorel::SelectionShape CDrawRect::Shape() const {
  ivorel::SelectionShape s = CDrawObj::Shape();
  s.kind = m_nShape;
  s.roundX = m_roundness.x;
  s.roundY = m_roundness.y;
  return s;
}

CDrawPoly::CDrawPoly(const std::vector<POINT>& points) : m_points(points) {
  if (points.empty()) return;
  RECT r = {points[0].x, points[0].y, points[0].x, points[0].y};
  for (const POINT& p : points) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x + 1);
    r.bottom = std::max(r.bottom, p.y + 1);
  }
  m_position = r;
}

ivorel::SelectionShape CDrawPoly::Shape() const {
  ivorel::SelectionShape s = CDrawObj::Shape();
  s.kind = ivorel::ShapeKind::Polygon;
  const RECT b = Bounds();
  for (const POINT& p : m_points) s.points.push_back({p.x - b.left, p.y - b.top});
  return s;
}

namespace {

// `at` on the line from `from0` to `from1` carried onto the line from `to0` to `to1`. A stored object may
// bring any coordinates: the arithmetic is wide enough for all of them, and the result stays a coordinate.
std::int32_t carry(std::int32_t at, std::int32_t from0, std::int32_t from1, std::int32_t to0,
                   std::int32_t to1) {
  const __int128 span = static_cast<__int128>(from1) - from0;
  if (span == 0) return to0;
  const __int128 v = to0 + (static_cast<__int128>(at) - from0) * (static_cast<__int128>(to1) - to0) / span;
  return static_cast<std::int32_t>(std::clamp<__int128>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

void CDrawPoly::FitPointsTo(const RECT& from, const RECT& to) {
  for (POINT& p : m_points) {
    p.x = carry(p.x, from.left, from.right, to.left, to.right);
    p.y = carry(p.y, from.top, from.bottom, to.top, to.bottom);
  }
}

void CDrawPoly::MoveBy(int dx, int dy) {
  CDrawObj::MoveBy(dx, dy);
  for (POINT& p : m_points) p = {moved(p.x, dx), moved(p.y, dy)};
}

void CDrawPoly::MoveHandleTo(int handle, POINT point) {
  const RECT before = m_position;
  CDrawObj::MoveHandleTo(handle, point);
  FitPointsTo(before, m_position);
}

// ---- The image part

SelectionImagePart::SelectionImagePart() {
  menuUpdate = ivorel::fresh_menu_update(24);
  menuUpdateImage = menuUpdate;
}

SelectionImagePart::~SelectionImagePart() {
  // The current descriptor is ours; the base frees the other one.
  ivorel::free_image_block(image);
}

void SelectionImagePart::AdoptImage(const _IMAGEDESCRIPTOR& pixels) {
  ClearImage();
  image = pixels;
  menuUpdate = ivorel::fresh_menu_update(pixels.bitsPerPixel);
  menuUpdateImage = menuUpdate;
  RebuildDisplayObj(0);
}

void SelectionImagePart::ClearImage() {
  if (alphaShown) {
    ivorel::free_image_block(otherImage);
    alpha.descriptor = image;
    image = _IMAGEDESCRIPTOR{};
    alphaShown = 0;
  }
  ivorel::free_image_block(image);
  image = _IMAGEDESCRIPTOR{};
  alpha.DestroyAlpha();
  delete display;
  display = nullptr;
  edgeMap.clear();
}

bool SelectionImagePart::CopyFrom(const SelectionImagePart& other) {
  ClearImage();
  _IMAGEDESCRIPTOR pixels, mask;
  if (!duplicate_descriptor(other.Pixels(), pixels)) return false;
  if (!duplicate_descriptor(other.Mask(), mask)) {
    ivorel::free_image_block(pixels);
    return false;
  }
  if (other.alphaShown) {
    image = mask;
    otherImage = pixels;
    alphaShown = 1;
  } else {
    image = pixels;
    alpha.descriptor = mask;
  }
  menuUpdate = other.menuUpdate;
  menuUpdateImage = other.menuUpdateImage;
  menuUpdateAlpha = other.menuUpdateAlpha;
  view = other.view;
  transparentColour = other.transparentColour;
  edgeMap = other.edgeMap;
  text = other.text;
  if (image.imageData) RebuildDisplayObj(0);
  return true;
}

std::unique_ptr<CDrawObj> CDrawObjWithImage::Clone() const {
  auto copy = std::make_unique<CDrawObjWithImage>();
  static_cast<CDrawObj&>(*copy) = *this;
  if (!copy->CopyFrom(*this)) return nullptr;
  return copy;
}

std::unique_ptr<CDrawObj> CDrawRectWithImage::Clone() const {
  auto copy = std::make_unique<CDrawRectWithImage>();
  static_cast<CDrawRect&>(*copy) = *this;
  if (!copy->CopyFrom(*this)) return nullptr;
  return copy;
}

std::unique_ptr<CDrawObj> CDrawPolyWithImage::Clone() const {
  auto copy = std::make_unique<CDrawPolyWithImage>();
  static_cast<CDrawPoly&>(*copy) = *this;
  if (!copy->CopyFrom(*this)) return nullptr;
  return copy;
}

// ---- CDrawDoc

int CDrawDoc::IndexOf(const CDrawObj* object) const {
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i].get() == object) return static_cast<int>(i);
  }
  return -1;
}

bool CDrawDoc::Contains(const CDrawObj* object) const {
  return IndexOf(object) >= 0;
}

void CDrawDoc::Add(std::unique_ptr<CDrawObj> object) {
  if (object) objects_.push_back(std::move(object));
}

std::unique_ptr<CDrawObj> CDrawDoc::Remove(const CDrawObj* object) {
  const int i = IndexOf(object);
  if (i < 0) return nullptr;
  std::unique_ptr<CDrawObj> out = std::move(objects_[i]);
  objects_.erase(objects_.begin() + i);
  return out;
}

CDrawObj* CDrawDoc::ObjectAt(POINT point) const {
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
    if ((*it)->HitTest(point, false, 0) == CDrawObj::kHitBody) return it->get();
  }
  return nullptr;
}

void CDrawDoc::BringToFront(const CDrawObj* object) {
  if (auto o = Remove(object)) objects_.push_back(std::move(o));
}

void CDrawDoc::SendToBack(const CDrawObj* object) {
  if (auto o = Remove(object)) objects_.insert(objects_.begin(), std::move(o));
}

void CDrawDoc::MoveForward(const CDrawObj* object) {
  const int i = IndexOf(object);
  if (i >= 0 && i + 1 < static_cast<int>(objects_.size())) std::swap(objects_[i], objects_[i + 1]);
}

void CDrawDoc::MoveBack(const CDrawObj* object) {
  const int i = IndexOf(object);
  if (i > 0) std::swap(objects_[i], objects_[i - 1]);
}

// ---- Mappings

namespace ivorel {

RECT NormalizedRect(const RECT& r) {
  return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
          std::max(r.top, r.bottom)};
}

POINT ImageDisplayToImageData(const ImagePlacement& at, POINT p) {
  const std::int64_t w = at.imageRect.right - at.imageRect.left, h = at.imageRect.bottom - at.imageRect.top;
  if (w == 0 || h == 0) return {0, 0};
  return {static_cast<std::int32_t>((p.x - at.imageRect.left) * static_cast<std::int64_t>(at.width) / w),
          static_cast<std::int32_t>((p.y - at.imageRect.top) * static_cast<std::int64_t>(at.height) / h)};
}

POINT ImageDataToImageDisplay(const ImagePlacement& at, POINT p) {
  if (at.width == 0 || at.height == 0) return {at.imageRect.left, at.imageRect.top};
  const std::int64_t w = at.imageRect.right - at.imageRect.left, h = at.imageRect.bottom - at.imageRect.top;
  return {static_cast<std::int32_t>(w * p.x / at.width + at.imageRect.left),
          static_cast<std::int32_t>(h * p.y / at.height + at.imageRect.top)};
}

RECT ImageDisplayToImageData(const ImagePlacement& at, const RECT& r) {
  const POINT a = ImageDisplayToImageData(at, POINT{r.left, r.top});
  const POINT b = ImageDisplayToImageData(at, POINT{r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

RECT ImageDataToImageDisplay(const ImagePlacement& at, const RECT& r) {
  const POINT a = ImageDataToImageDisplay(at, POINT{r.left, r.top});
  const POINT b = ImageDataToImageDisplay(at, POINT{r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

_IMAGEDESCRIPTOR take_image_under(const _IMAGEDESCRIPTOR& image, const ImagePlacement& at,
                                  const RECT& clientRect, bool& noMemory) {
  noMemory = false;
  _IMAGEDESCRIPTOR out;
  if (!image.imageData || image.width == 0 || image.height == 0) return out;
  const RECT& R = at.imageRect;
  // Right and bottom edges are exclusive here as everywhere: the block is exactly the pixels the
  // selection's rectangle covers, so putting it back in place changes nothing.
  RECT c = NormalizedRect(clientRect);
  c.left = std::max(c.left, R.left);
  c.top = std::max(c.top, R.top);
  c.right = std::min(c.right, R.right);
  c.bottom = std::min(c.bottom, R.bottom);
  if (c.right <= c.left || c.bottom <= c.top) return out;
  RECT d = ImageDisplayToImageData(at, c);
  d.right = std::min<std::int32_t>(d.right, image.width);
  d.bottom = std::min<std::int32_t>(d.bottom, image.height);
  const int width = d.right - d.left, height = d.bottom - d.top;
  if (width < 4 || height < 4) return out;
  const int bits = image.bitsPerPixel;
  const std::uint32_t stride = row_bytes(static_cast<std::uint32_t>(width), bits);
  const std::uint32_t sourceStride = row_bytes(image.width, bits);
  const std::uint64_t size = static_cast<std::uint64_t>(stride) * height;
  HGLOBAL block = size <= UINT32_MAX ? GlobalAlloc(static_cast<std::size_t>(size)) : nullptr;
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    noMemory = true;
    return out;
  }
  for (int y = 0; y < height; ++y) {
    const unsigned char* src =
        image.imageData + static_cast<std::size_t>(image.height - 1 - (d.top + y)) * sourceStride;
    unsigned char* dst = data + static_cast<std::size_t>(height - 1 - y) * stride;
    if (bits == 24 || bits == 8) {
      const int bpp = bits / 8;
      std::memcpy(dst, src + static_cast<std::size_t>(d.left) * bpp, static_cast<std::size_t>(width) * bpp);
      continue;
    }
    // Packed pixels move one by one, since the block need not start on a byte.
    const int per = 8 / bits, mask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x) {
      const int sx = d.left + x;
      const int v = (src[sx / per] >> ((per - 1 - sx % per) * bits)) & mask;
      dst[x / per] = static_cast<unsigned char>(dst[x / per] | v << ((per - 1 - x % per) * bits));
    }
  }
  out = image;
  out.width = static_cast<unsigned short>(width);
  out.height = static_cast<unsigned short>(height);
  out.imageSize = static_cast<std::uint32_t>(size);
  out.hImageData = block;
  out.imageData = data;
  return out;
}

CombineRequest combine_request_for(const CDrawObj& object, const ImagePlacement& at, POINT docToClient) {
  CombineRequest rq;
  RECT client = object.Bounds();
  client.left += docToClient.x;
  client.right += docToClient.x;
  client.top += docToClient.y;
  client.bottom += docToClient.y;
  const RECT d = ImageDisplayToImageData(at, client);
  rq.left = d.left;
  rq.top = d.top;
  rq.width = std::max(1, d.right - d.left);
  rq.height = std::max(1, d.bottom - d.top);
  rq.shape = object.Shape();
  return rq;
}

RECT fit_into_image_rect(const RECT& object, const RECT& imageRect) {
  RECT o = NormalizedRect(object);
  const RECT R = NormalizedRect(imageRect);
  const auto extent = [](std::int32_t a, std::int32_t b) { return std::int64_t{b} - a; };
  if (extent(o.left, o.right) > extent(R.left, R.right)) {
    o.left = R.left;
    o.right = R.right;
  }
  if (extent(o.top, o.bottom) > extent(R.top, R.bottom)) {
    o.top = R.top;
    o.bottom = R.bottom;
  }
  const auto inside = [&](int x, int y) { return x >= R.left && x < R.right && y >= R.top && y < R.bottom; };
  const bool move =
      !inside(o.left, o.top) || (!inside(o.right, o.bottom) && o.bottom != R.bottom && o.right != R.right);
  if (move) {
    // Both extents are at most R's now, so the moved rectangle lies on R's coordinates.
    o = {R.left, R.top, static_cast<std::int32_t>(R.left + extent(o.left, o.right)),
         static_cast<std::int32_t>(R.top + extent(o.top, o.bottom))};
  }
  return o;
}

}  // namespace ivorel
