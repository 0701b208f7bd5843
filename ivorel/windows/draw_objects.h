// The drawing document of an image window: the floating objects over the image (plain outlines and
// selections that carry pixels of their own), their handles and hit-testing, the mapping between the
// view's, the window's and the image's coordinates, and the stored form of selections (the paste and reuse
// stores, the clipboard, the file kept between runs).
//
// Document coordinates are the view's logical coordinates: client coordinates moved by the scroll position.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ivorel/processing/combine.h"
#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/geometry.h"

// Pen and brush as their records lie in a store (style, width as x and y, colour 0x00BBGGRR; style,
// colour, hatch).
struct DrawPen {
  std::uint32_t style = 0;
  std::int32_t widthX = 1;
  std::int32_t widthY = 0;
  std::uint32_t colour = 0;
};
struct DrawBrush {
  std::uint32_t style = 1;  // hollow
  std::uint32_t colour = 0xFFFFFF;
  std::int32_t hatch = 0;
};

namespace ivorel {
class StoreWriter;
class StoreReader;
}  // namespace ivorel

class SelectionImagePart;

class CDrawObj {
 public:
  enum ClassId : std::uint16_t {
    kRect = 1,
    kPoly = 2,
    kObjWithImage = 3,
    kRectWithImage = 4,
    kPolyWithImage = 5,
  };
  // 0: none; 1 to 8: the handles clockwise from the top-left corner; 9: the object's body.
  enum : int { kHitNone = 0, kHitBody = 9 };

  CDrawObj() = default;
  explicit CDrawObj(const RECT& position) : m_position(position) {}
  virtual ~CDrawObj() = default;
  CDrawObj(const CDrawObj&) = default;
  CDrawObj& operator=(const CDrawObj&) = default;

  virtual ClassId GetClassId() const = 0;
  // A copy in place, with pixels, mask and text of its own; null when memory is short.
  virtual std::unique_ptr<CDrawObj> Clone() const = 0;
  // The outline over the object's position rectangle.
  virtual ivorel::SelectionShape Shape() const;
  virtual SelectionImagePart* ImagePart() { return nullptr; }
  const SelectionImagePart* ImagePart() const { return const_cast<CDrawObj*>(this)->ImagePart(); }

  RECT Bounds() const;  // normalised
  void MoveTo(const RECT& position) { m_position = position; }
  // Polygons move their points with the rectangle.
  virtual void MoveBy(int dx, int dy);
  // Moves a handle (1 to 8) to `point`; the rectangle may turn inside out until it is normalised.
  virtual void MoveHandleTo(int handle, POINT point);
  POINT GetHandle(int handle) const;
  // Which handle (when selected) or the body is under `point`; `reach` is the handles' half size.
  int HitTest(POINT point, bool selected, int reach) const;

  virtual bool Serialize(ivorel::StoreWriter& out) const;
  virtual bool Load(ivorel::StoreReader& in);

  RECT m_position = {0, 0, 0, 0};
  bool m_bPen = true;
  DrawPen m_logpen;
  bool m_bBrush = false;
  DrawBrush m_logbrush;
};

class CDrawRect : public CDrawObj {
 public:
  CDrawRect() = default;
  CDrawRect(const RECT& position, ivorel::ShapeKind kind) : CDrawObj(position), m_nShape(kind) {}
  ClassId GetClassId() const override { return kRect; }
  std::unique_ptr<CDrawObj> Clone() const override { return std::make_unique<CDrawRect>(*this); }
  ivorel::SelectionShape Shape() const override;
  bool Serialize(ivorel::StoreWriter& out) const override;
  bool Load(ivorel::StoreReader& in) override;

  ivorel::ShapeKind m_nShape = ivorel::ShapeKind::Rectangle;
  POINT m_roundness = {16, 16};
};

class CDrawPoly : public CDrawObj {
 public:
  CDrawPoly() = default;
  explicit CDrawPoly(const std::vector<POINT>& points);
  ClassId GetClassId() const override { return kPoly; }
  std::unique_ptr<CDrawObj> Clone() const override { return std::make_unique<CDrawPoly>(*this); }
  ivorel::SelectionShape Shape() const override;
  void MoveHandleTo(int handle, POINT point) override;
  void MoveBy(int dx, int dy) override;
  bool Serialize(ivorel::StoreWriter& out) const override;
  bool Load(ivorel::StoreReader& in) override;
  // The points follow the rectangle when it is moved or resized.
  void FitPointsTo(const RECT& from, const RECT& to);

  std::vector<POINT> m_points;  // document coordinates
};

// The in-place text of a selection: rich text kept as the editor's HTML, the character and paragraph format
// records of a store, and whether its editor was open.
struct SelectionText {
  static constexpr std::size_t kCharFormatBytes = 60;
  static constexpr std::size_t kParaFormatBytes = 156;
  std::string text;
  bool hasCharFormat = false;
  bool hasParaFormat = false;
  bool windowOpen = false;
  std::array<unsigned char, kCharFormatBytes> charFormat = {};
  std::array<unsigned char, kParaFormatBytes> paraFormat = {};
};

// The image part of a selection: its pixels are the current descriptor (owned), its mask is the Alpha3, each
// with an undo store of its own.
class SelectionImagePart : public ImageDescriptorAndDisplayObj {
 public:
  SelectionImagePart();
  ~SelectionImagePart() override;
  // Deep copy of pixels, mask, text and flags; false when memory is short (this stays empty).
  bool CopyFrom(const SelectionImagePart& other);
  bool HasPixels() const { return image.imageData != nullptr; }
  // Takes ownership of a filled descriptor as the selection's pixels (the old ones are freed).
  void AdoptImage(const _IMAGEDESCRIPTOR& pixels);
  // Frees pixels, mask and display: an empty selection again.
  void ClearImage();
  // The pixels while the mask is shown, else the current descriptor.
  const _IMAGEDESCRIPTOR& Pixels() const { return alphaShown ? otherImage : image; }
  // The mask, wherever it is kept at the moment (empty descriptor when there is none).
  const _IMAGEDESCRIPTOR& Mask() const { return alphaShown ? image : alpha.descriptor; }

  COperationUndoRedo imageUndo{*this, menuUpdate};
  COperationUndoRedo maskUndo{*this, menuUpdateAlpha};
  bool transparentColour = false;
  std::vector<unsigned char> edgeMap;
  SelectionText text;
};

class CDrawObjWithImage : public CDrawObj, public SelectionImagePart {
 public:
  CDrawObjWithImage() = default;
  explicit CDrawObjWithImage(const RECT& position) : CDrawObj(position) {}
  ClassId GetClassId() const override { return kObjWithImage; }
  std::unique_ptr<CDrawObj> Clone() const override;
  SelectionImagePart* ImagePart() override { return this; }
  bool Serialize(ivorel::StoreWriter& out) const override;
  bool Load(ivorel::StoreReader& in) override;
};

class CDrawRectWithImage : public CDrawRect, public SelectionImagePart {
 public:
  CDrawRectWithImage() = default;
  CDrawRectWithImage(const RECT& position, ivorel::ShapeKind kind) : CDrawRect(position, kind) {}
  ClassId GetClassId() const override { return kRectWithImage; }
  std::unique_ptr<CDrawObj> Clone() const override;
  SelectionImagePart* ImagePart() override { return this; }
  bool Serialize(ivorel::StoreWriter& out) const override;
  bool Load(ivorel::StoreReader& in) override;
};

class CDrawPolyWithImage : public CDrawPoly, public SelectionImagePart {
 public:
  CDrawPolyWithImage() = default;
  explicit CDrawPolyWithImage(const std::vector<POINT>& points) : CDrawPoly(points) {}
  ClassId GetClassId() const override { return kPolyWithImage; }
  std::unique_ptr<CDrawObj> Clone() const override;
  SelectionImagePart* ImagePart() override { return this; }
  bool Serialize(ivorel::StoreWriter& out) const override;
  bool Load(ivorel::StoreReader& in) override;
};

// The drawing: its objects in drawing order (the last one frontmost), the page and the paper colour.
class CDrawDoc {
 public:
  void Add(std::unique_ptr<CDrawObj> object);
  // Takes the object out of the drawing and hands it back (null when it is not there).
  std::unique_ptr<CDrawObj> Remove(const CDrawObj* object);
  CDrawObj* ObjectAt(POINT point) const;
  void BringToFront(const CDrawObj* object);
  void SendToBack(const CDrawObj* object);
  void MoveForward(const CDrawObj* object);
  void MoveBack(const CDrawObj* object);
  bool Contains(const CDrawObj* object) const;
  const std::vector<std::unique_ptr<CDrawObj>>& Objects() const { return objects_; }
  void ComputePageSize(int width, int height) { m_size = {width, height}; }

  POINT m_size = {0, 0};
  int m_nMapMode = 1;  // text mode: one unit a pixel, y down
  std::uint32_t m_paperColor = 0xFFFFFF;

 private:
  int IndexOf(const CDrawObj* object) const;
  std::vector<std::unique_ptr<CDrawObj>> objects_;
};

namespace ivorel {

// Where the image lies in the window (R, client coordinates) and its size in pixels.
struct ImagePlacement {
  RECT imageRect = {0, 0, 0, 0};
  int width = 0;
  int height = 0;
};

POINT ImageDisplayToImageData(const ImagePlacement& at, POINT display);
POINT ImageDataToImageDisplay(const ImagePlacement& at, POINT data);
RECT ImageDisplayToImageData(const ImagePlacement& at, const RECT& display);
RECT ImageDataToImageDisplay(const ImagePlacement& at, const RECT& data);
RECT NormalizedRect(const RECT& r);

// A copy of the image block under `clientRect` (clipped to R; right and bottom exclusive), at the image's
// depth with its palette, in a new block: the image under an empty selection. Empty when the block would be
// narrower or lower than four pixels or memory is short (`noMemory` then set).
_IMAGEDESCRIPTOR take_image_under(const _IMAGEDESCRIPTOR& image, const ImagePlacement& at,
                                  const RECT& clientRect, bool& noMemory);

// The combine request of one object placed on an image: its rectangle and shape in image pixels.
CombineRequest combine_request_for(const CDrawObj& object, const ImagePlacement& at, POINT docToClient);

// Serialised objects: the count, then each object with its class.
std::vector<unsigned char> write_selection_store(const std::vector<const CDrawObj*>& objects);
// Every object of a store, or nothing at all when any count, size or flag disagrees with the bytes there.
bool read_selection_store(const std::vector<unsigned char>& bytes,
                          std::vector<std::unique_ptr<CDrawObj>>& out);

// Fits a read-back object's rectangle into the image rectangle (both in document coordinates).
RECT fit_into_image_rect(const RECT& object, const RECT& imageRect);

// The store file kept between runs: read whole (empty when missing or unreadable), written aside and renamed.
std::vector<unsigned char> read_store_file(const std::string& path);
bool write_store_file(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace ivorel
