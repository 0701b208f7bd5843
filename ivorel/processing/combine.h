// Putting a floating selection back onto its image: the region of the selection's shape, the per-channel
// combine arithmetic of every operation code, the transparent-colour key and the soft edge map.
//
// Colours are handled as red, green, blue whatever the depth, so a picture combines alike at 24 and at 8
// bits; a palette image takes back the nearest palette colour of each result.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imgfile/codaxe.h"
#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/geometry.h"

namespace ivorel {

enum CombineCode : int {
  kCombineCrop = 1,
  kCombineReplace = 2,
  kCombineHeavy = 3,
  kCombineEven = 4,
  kCombineLight = 5,
  kCombineSubtract = 6,
  kCombineMultiply = 7,
  kCombineDivide = 8,
  kCombineLighter = 9,
  kCombineDarker = 10,
  kCombineMatch = 11,
  kCombineBrighter = 12,
  kCombineDarkerThan = 13,
  kCombineEdgeBlend = 19,
  kCombineImageMask = 21,
  kCombineSelectionMask = 22,
  kCombineBothMasks = 23,
};

// The combine codes by the names scripts use; 0 for an unknown name. The transparent-colour copy is
// "transparent" (code 2 with the key on).
int combine_code_from_name(const char* name, bool& transparent);
// Every name, in the order of the codes, separated by ", ".
const char* combine_mode_names();

enum class ShapeKind : std::int16_t { Rectangle = 0, RoundRect = 1, Ellipse = 2, Line = 3, Polygon = 4 };

// A selection's outline within its bounding box of boxWidth x boxHeight units; polygon points and the
// corner roundness are in the same units, relative to the box's top-left corner.
struct SelectionShape {
  ShapeKind kind = ShapeKind::Rectangle;
  int boxWidth = 0;
  int boxHeight = 0;
  int roundX = 0;  // corner ellipse's width and height
  int roundY = 0;
  std::vector<POINT> points;
};

// The shape laid over width x height pixels: one byte a pixel, 1 where the pixel's centre lies inside
// (polygons filled even-odd), rows top to bottom. Empty when a side is not positive.
std::vector<unsigned char> shape_raster(const SelectionShape& shape, int width, int height);

// The soft edge of a selection of width x height pixels whose shape covers `raster` (rasterWidth x
// rasterHeight): 255 deep inside, falling over ten pixels towards the border, 0 outside. Empty when memory
// is short.
std::vector<unsigned char> build_edge_map(const std::vector<unsigned char>& raster, int rasterWidth,
                                          int rasterHeight, int width, int height);

// A mask of any depth as a 24-bit descriptor of width x height (nearest-neighbour scaled), in a new block;
// an empty descriptor when memory is short or the mask is empty.
_IMAGEDESCRIPTOR mask_as_24bit(const _IMAGEDESCRIPTOR& mask, int width, int height);

struct CombineRequest {
  int code = kCombineReplace;
  // Where the selection lies on the image, in image pixels (may reach beyond the image: it is clipped).
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  SelectionShape shape;  // laid over width x height
  bool transparent = false;
  RGBCOLOR key = {0, 0, 0};
  const _IMAGEDESCRIPTOR* imageMask = nullptr;          // 24-bit, the image's size (codes 21, 23)
  const _IMAGEDESCRIPTOR* selectionMask = nullptr;      // 24-bit, the selection's size (codes 22, 23)
  const std::vector<unsigned char>* edgeMap = nullptr;  // the selection's size (code 19); built when null
  std::function<void(int row, int rows)> progress;      // codes above 18, as the rows go by
};

// Combines `selection` into `image` in place. False, with the image untouched, when the code is not a
// combine, a needed mask is missing or of the wrong size, a depth is not 1, 4, 8 or 24 bits, or memory is
// short.
bool combine_selection(_IMAGEDESCRIPTOR& image, const _IMAGEDESCRIPTOR& selection,
                       const CombineRequest& request);

// Draws the outline of the request's shape (its border pixels) into `image` in `colour`, clipped to the
// image. False when nothing could be drawn (bad depth, memory short).
bool frame_selection(_IMAGEDESCRIPTOR& image, const CombineRequest& request, RGBCOLOR colour);

// The brightness the keep-matching, brighter and darker codes compare.
inline int combine_brightness(int r, int g, int b) {
  return (30 * r + 59 * g + 11 * b) / 100;
}

// The per-channel tolerance of the transparent key for a largest difference of `d`.
int transparent_tolerance(int d);

}  // namespace ivorel
