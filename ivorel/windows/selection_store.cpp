// The stored form of draw objects: the paste and reuse stores, the clipboard's selection format and the
// store file kept between runs. Reading trusts nothing: every count, size and flag is checked against the
// bytes there, and a store that disagrees anywhere gives no objects at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "ivorel/processing/processing.h"
#include "ivorel/windows/descriptor_record.h"
#include "ivorel/windows/draw_objects.h"
#include "ivorel/windows/store_io.h"

namespace {

using ivorel::StoreReader;
using ivorel::StoreWriter;

constexpr std::uint32_t kMostObjects = 100000;
constexpr std::uint32_t kMostPoints = 1000000;
constexpr std::uint32_t kMostText = 64u << 20;

void write_descriptor(StoreWriter& out, const _IMAGEDESCRIPTOR& d) {
  unsigned char record[ivorel::kDescriptorRecordBytes];
  ivorel::store_descriptor_record(d, record);
  out.bytes(record, sizeof record);
  out.bytes(d.imageData, d.imageSize);
  out.bytes(d.palette, ivorel::kPaletteBytes);
}

// A descriptor record with its pixels in a new block, when its numbers describe a picture that the bytes
// there really hold.
bool read_descriptor(StoreReader& in, _IMAGEDESCRIPTOR& d) {
  unsigned char record[ivorel::kDescriptorRecordBytes];
  if (!in.bytes(record, sizeof record)) return false;
  _IMAGEDESCRIPTOR r = ivorel::load_descriptor_record(record);
  const int bits = r.bitsPerPixel;
  if (r.width == 0 || r.height == 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return false;
  if (r.colors > (bits == 24 ? 256 : 1 << bits)) return false;
  const std::uint64_t size = static_cast<std::uint64_t>(ivorel::row_bytes(r.width, bits)) * r.height;
  if (size != r.imageSize || size + ivorel::kPaletteBytes > in.remaining()) return false;
  HGLOBAL block = GlobalAlloc(r.imageSize);
  auto* data = static_cast<unsigned char*>(GlobalLock(block));
  if (!data) {
    GlobalFree(block);
    return false;
  }
  in.bytes(data, r.imageSize);
  // The palette's second copy is the one in force.
  in.bytes(r.palette, ivorel::kPaletteBytes);
  r.hImageData = block;
  r.imageData = data;
  d = r;
  return true;
}

void write_text(StoreWriter& out, const SelectionText& t) {
  if (t.text.empty() && !t.windowOpen) {
    out.u16(0);
    return;
  }
  const unsigned flags = (t.hasParaFormat ? 4 : 0) | (t.hasCharFormat ? 2 : 0) | (t.windowOpen ? 1 : 0);
  // A text without any flag would read back as no text at all.
  out.u16(flags ? flags : 1);
  if (t.hasParaFormat) out.bytes(t.paraFormat.data(), t.paraFormat.size());
  if (t.hasCharFormat) out.bytes(t.charFormat.data(), t.charFormat.size());
  out.u32(static_cast<std::uint32_t>(t.text.size()));
  out.bytes(t.text.data(), t.text.size());
}

bool read_text(StoreReader& in, SelectionText& t) {
  std::uint16_t flags;
  if (!in.u16(flags) || (flags & ~7u)) return false;
  t = SelectionText{};
  if (flags == 0) return true;
  t.windowOpen = flags & 1;
  t.hasParaFormat = flags & 4;
  t.hasCharFormat = flags & 2;
  if (t.hasParaFormat && !in.bytes(t.paraFormat.data(), t.paraFormat.size())) return false;
  if (t.hasCharFormat && !in.bytes(t.charFormat.data(), t.charFormat.size())) return false;
  std::uint32_t length;
  if (!in.u32(length) || length > kMostText || length > in.remaining()) return false;
  t.text.resize(length);
  return in.bytes(t.text.data(), length);
}

void write_image_part(StoreWriter& out, const SelectionImagePart& part) {
  const _IMAGEDESCRIPTOR& pixels = part.Pixels();
  out.u32(pixels.imageData ? 1 : 0);
  if (pixels.imageData) write_descriptor(out, pixels);
  write_text(out, part.text);
  const _IMAGEDESCRIPTOR& mask = part.Mask();
  out.u32(part.alphaShown ? 1 : 0);
  out.u32(mask.imageData ? 1 : 0);
  if (mask.imageData) write_descriptor(out, mask);
}

bool read_image_part(StoreReader& in, SelectionImagePart& part) {
  part.ClearImage();
  std::uint32_t hasImage;
  if (!in.u32(hasImage)) return false;
  _IMAGEDESCRIPTOR pixels;
  if (hasImage && !read_descriptor(in, pixels)) return false;
  part.image = pixels;
  if (!read_text(in, part.text)) return false;
  std::uint32_t shown, hasMask = 0;
  if (!in.u32(shown)) return false;
  if (shown <= 1) {
    if (!in.u32(hasMask) || hasMask > 1) return false;
    _IMAGEDESCRIPTOR mask;
    if (hasMask && !read_descriptor(in, mask)) return false;
    part.alpha.descriptor = mask;
  } else {
    shown = 0;  // an unknown word ends the mask record: the object shows its image
  }
  if (!part.image.imageData) shown = 0;
  part.menuUpdate = ivorel::fresh_menu_update(part.image.bitsPerPixel ? part.image.bitsPerPixel : 24);
  part.menuUpdateImage = part.menuUpdate;
  if (part.image.imageData) {
    part.RebuildDisplayObj(0);
    if (shown && part.alpha.HasAlpha()) part.SwitchDisplayData();
  }
  return true;
}

}  // namespace

// ---- Records of each class

bool CDrawObj::Serialize(StoreWriter& out) const {
  out.i32(m_position.left);
  out.i32(m_position.top);
  out.i32(m_position.right);
  out.i32(m_position.bottom);
  out.u16(m_bPen ? 1 : 0);
  out.u32(m_logpen.style);
  out.i32(m_logpen.widthX);
  out.i32(m_logpen.widthY);
  out.u32(m_logpen.colour);
  out.u16(m_bBrush ? 1 : 0);
  out.u32(m_logbrush.style);
  out.u32(m_logbrush.colour);
  out.i32(m_logbrush.hatch);
  return true;
}

bool CDrawObj::Load(StoreReader& in) {
  std::uint16_t pen, brush;
  return in.i32(m_position.left) && in.i32(m_position.top) && in.i32(m_position.right) &&
         in.i32(m_position.bottom) && in.u16(pen) && in.u32(m_logpen.style) && in.i32(m_logpen.widthX) &&
         in.i32(m_logpen.widthY) && in.u32(m_logpen.colour) && in.u16(brush) && in.u32(m_logbrush.style) &&
         in.u32(m_logbrush.colour) && in.i32(m_logbrush.hatch) &&
         (m_bPen = pen != 0, m_bBrush = brush != 0, true);
}

bool CDrawRect::Serialize(StoreWriter& out) const {
  CDrawObj::Serialize(out);
  out.u16(static_cast<std::uint16_t>(m_nShape));
  out.i32(m_roundness.x);
  out.i32(m_roundness.y);
  return true;
}

bool CDrawRect::Load(StoreReader& in) {
  std::uint16_t shape;
  if (!CDrawObj::Load(in) || !in.u16(shape) || shape > 3) return false;
  m_nShape = static_cast<ivorel::ShapeKind>(shape);
  return in.i32(m_roundness.x) && in.i32(m_roundness.y);
}

bool CDrawPoly::Serialize(StoreWriter& out) const {
  CDrawObj::Serialize(out);
  out.u32(static_cast<std::uint32_t>(m_points.size()));
  for (const POINT& p : m_points) {
    out.i32(p.x);
    out.i32(p.y);
  }
  return true;
}

bool CDrawPoly::Load(StoreReader& in) {
  std::uint32_t count;
  if (!CDrawObj::Load(in) || !in.u32(count) || count > kMostPoints || count > in.remaining() / 8)
    return false;
  m_points.resize(count);
  for (POINT& p : m_points) {
    if (!in.i32(p.x) || !in.i32(p.y)) return false;
  }
  // The outline lies within its rectangle; points beyond it (a damaged store) are held at its edges, so that
  // fitting and moving the rectangle keeps every point a coordinate.
  const RECT b = Bounds();
  for (POINT& p : m_points) p = {std::clamp(p.x, b.left, b.right), std::clamp(p.y, b.top, b.bottom)};
  return true;
}

bool CDrawObjWithImage::Serialize(StoreWriter& out) const {
  CDrawObj::Serialize(out);
  write_image_part(out, *this);
  return true;
}

bool CDrawObjWithImage::Load(StoreReader& in) {
  return CDrawObj::Load(in) && read_image_part(in, *this);
}

bool CDrawRectWithImage::Serialize(StoreWriter& out) const {
  CDrawRect::Serialize(out);
  write_image_part(out, *this);
  return true;
}

bool CDrawRectWithImage::Load(StoreReader& in) {
  return CDrawRect::Load(in) && read_image_part(in, *this);
}

bool CDrawPolyWithImage::Serialize(StoreWriter& out) const {
  CDrawPoly::Serialize(out);
  write_image_part(out, *this);
  return true;
}

bool CDrawPolyWithImage::Load(StoreReader& in) {
  return CDrawPoly::Load(in) && read_image_part(in, *this);
}

namespace ivorel {

namespace {

std::unique_ptr<CDrawObj> make_object(std::uint16_t id) {
  switch (id) {
    case CDrawObj::kRect:
      return std::make_unique<CDrawRect>();
    case CDrawObj::kPoly:
      return std::make_unique<CDrawPoly>();
    case CDrawObj::kObjWithImage:
      return std::make_unique<CDrawObjWithImage>();
    case CDrawObj::kRectWithImage:
      return std::make_unique<CDrawRectWithImage>();
    case CDrawObj::kPolyWithImage:
      return std::make_unique<CDrawPolyWithImage>();
    default:
      return nullptr;
  }
}

}  // namespace

std::vector<unsigned char> write_selection_store(const std::vector<const CDrawObj*>& objects) {
  StoreWriter out;
  out.u32(static_cast<std::uint32_t>(objects.size()));
  for (const CDrawObj* o : objects) {
    out.u16(o->GetClassId());
    o->Serialize(out);
  }
  return std::move(out.data());
}

bool read_selection_store(const std::vector<unsigned char>& bytes,
                          std::vector<std::unique_ptr<CDrawObj>>& out) {
  out.clear();
  StoreReader in(bytes.data(), bytes.size());
  std::uint32_t count;
  if (!in.u32(count) || count > kMostObjects) return false;
  std::vector<std::unique_ptr<CDrawObj>> objects;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t id;
    if (!in.u16(id)) return false;
    std::unique_ptr<CDrawObj> o = make_object(id);
    if (!o || !o->Load(in)) return false;
    objects.push_back(std::move(o));
  }
  out = std::move(objects);
  return true;
}

std::vector<unsigned char> read_store_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  f.seekg(0, std::ios::end);
  const std::streamoff size = f.tellg();
  // A store larger than any picture the suite handles is not ours.
  if (size <= 0 || size > (std::streamoff{1} << 31)) return {};
  f.seekg(0);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
  if (!f.read(reinterpret_cast<char*>(bytes.data()), size)) return {};
  return bytes;
}

bool write_store_file(const std::string& path, const std::vector<unsigned char>& bytes) {
  const std::string aside = path + ".part";
  const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool ok = done == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok || std::rename(aside.c_str(), path.c_str()) != 0) {
    std::remove(aside.c_str());
    return false;
  }
  return true;
}

}  // namespace ivorel
