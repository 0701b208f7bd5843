#include "ivorel/windows/frame/selection_commands.h"

#include "ivorel/windows/frame/draw_tools.h"

namespace ivorel {

const std::vector<SelectionCommand>& selection_commands() {
  static const std::vector<SelectionCommand> commands = {
      {sel::kToolSelect, "&Pick and Move", "Selection tool\nSelection Tool/Normal Mode", 0},
      {sel::kToolRect, "&Rectangle Selection", "Choose rectangle drawing tool\nRectangle tool", 0},
      {sel::kToolRoundRect, "R&ounded Selection", "Choose rounded rectangle drawing tool\nRoundRect tool", 0},
      {sel::kToolEllipse, "&Ellipse Selection", "Choose ellipse drawing tool\nEllipse tool", 0},
      {sel::kToolPolygon, "Pol&ygon Selection", "Choose polygon drawing tool\nPolygon tool", 0},
      {sel::kSelectAll, "Select &All Selections", "Select all selections\nSelect All", 0},
      {sel::kSelectWholeImage, "Select &Whole Image", "Select whole image\nSelect whole image", 0},
      {sel::kClear, "&Delete Selection", "Remove the selected selections\nDelete", 0},
      {sel::kClone, "Cl&one Selection", "Clone the selection(s)\nClone the selection(s) on the spot", 0},
      {sel::kCut, "Cu&t Selection", "Cut image selection\nCut image selection", 0},
      {sel::kCopyInto, "&Copy Image into Selection",
       "Copy image into selection\nCopy image into empty selection", 0},
      {sel::kStoreToPaste, "&Store Selection to Paste",
       "Store image selection to paste\nStore image selection to paste", 0},
      {sel::kPasteStored, "&Paste Stored Selection",
       "Paste image selection from storage\nPaste image selection from storage", 0},
      {sel::kReuse, "&Reuse Last Cut/Copied Selection",
       "Reuse last cut/copied image selection\nReuse last cut/copied image selection", 0},
      {sel::kCropSelection, "Crop Selection to &New Window",
       "Crop Selection\nCreate new window based on selection", 1},
      {sel::kClearImageContent, "Clear Selection &Image Content",
       "Clear Selection Image Content\nClear image content", 0},
      {sel::kFrameWithPen, "&Frame Selection with Pen",
       "Frame Selection With Current Pen\nFrame selection using current pen", 0},
      {sel::kSelectionUndo, "&Undo in Selection",
       "Undo Last Change In Selection(s)\nUndo last change in selection ", 0},
      {sel::kSelectionRedo, "R&edo in Selection",
       "Redo Last Change In Selection(s)\nRedo last change in selection ", 0},
      {sel::kTextInput, "Te&xt in Selection", "Text Input\nIn place text input", 0},
      {sel::kToFront, "Bring to &Front", "Move object to front of drawing", 0},
      {sel::kToBack, "Send to &Back", "Move object to back of drawing", 0},
      {sel::kForward, "Move For&ward", "Move object to next position in z-order", 0},
      {sel::kBackward, "Move Bac&kward", "Move object to previous position in z-order", 0},
      {sel::kGrid, "&Gridlines", "Show or hide gridlines\nToggle Gridlines", 0},
      {sel::kLineColour, "&Line Color...", "Change the line or text color\nLine Color", 0},
      {sel::kFillColour, "F&ill Color...", "Change the fill or background color\nFill Color", 0},
      {sel::kShowObjects, "Show &Outlines", "Toggle OLE object indication", 0},
      {sel::kMoreCombinations, "&More Combinations", "More Image Combinations\nMore operations", 0},
      {sel::kReplace, "&Replace",
       "Replace image colors with colors in the selection\nReplace with selection image(s)", 2},
      {sel::kTransparentCopy, "Copy with &Transparent Colour",
       "Copy with transparent color (using current pen color as transparent color)\nComposite selection on "
       "image "
       "using current pen color as transparent color",
       2},
      {sel::kCombineHeavy, "Blend &Heavily",
       "Add image colors with colors in the selection\nBlend selection(s) "
       "heavily on image",
       3},
      {sel::kEven, "Blend &Evenly",
       "Add image colors with colors in the selection\nBlend image with selection(s) evenly", 4},
      {sel::kLight, "Blend &Lightly",
       "Add image colors with colors in the selection\nBlend image with selection(s) lightly", 5},
      {sel::kSubtract, "&Subtract",
       "Subtract image colors by colors in the selection\nSubtract selection from image", 6},
      {sel::kMultiply, "&Multiply",
       "Multiply image colors by colors in the selection\nMultiply selection with image", 7},
      {sel::kDivide, "&Divide",
       "Divide image colors by colors in the selection\nDivide image by selection(s)", 8},
      {sel::kLighter, "Keep &Brighter",
       "Keep the brighter color values in image and selection\nKeep the brighter "
       "color values between image and selection",
       9},
      {sel::kDarker, "Keep Dar&ker",
       "Keep the darker color values in image and selection\nKeep the darker color "
       "values between image and selection",
       10},
      {sel::kMatch, "Keep Matc&hing",
       "Keep colors that match\nKeep image colors that match colors in selection", 11},
      {sel::kBrighter, "Keep If B&righter",
       "Keep image colors if they are brighter than colors in selection\nKeep "
       "image color if it is brighter than selection color",
       12},
      {sel::kDarkerThan, "Keep If D&arker",
       "Keep image colors that are darker than colors in selection\nKeep image "
       "color if it is darker than selection color",
       13},
      {sel::kEdgeBlend, "Copy and Blend &Edge",
       "Copy and blend edge\nComposite selection on image with smooth edges", 19},
      {sel::kTile, "&Tile Selection", "Tile selection on image\nTile selection in image window", 0},
      {sel::kComposeImageMask, "Compose with &Image Mask",
       "Compose image and the selection using the image mask\nCompose image and the selection using the "
       "image mask",
       21},
      {sel::kComposeSelectionMask, "Compose with &Selection Mask",
       "Compose image and the selection using the selection mask\nCompose image and the selection using the "
       "selection mask",
       22},
      {sel::kComposeBothMasks, "Compose with &Both Masks",
       "Compose image and the selection using both image and selection masks\nCompose image and the "
       "selection "
       "using both image and selection masks",
       23},
      {sel::kMaskShow, "Show Image &Mask", "Show the full color alpha channel mask attached to this image",
       0},
      {sel::kMaskHide, "Show &Image", "Switch back to image itself", 0},
      {sel::kMaskToggle, "&Toggle Image/Mask", "Toggle image/mask display\nToggle image/mask display", 0},
      {sel::kMaskDelete, "&Delete Image Mask",
       "Delete mask data attached to the image\nDelete mask data associated "
       "with the image and compact memory resource",
       0},
      {sel::kMaskFromFile, "Mask from &File...",
       "Create mask data based on an image file\nCreate mask data based on an image file", 0},
      {sel::kMaskSave, "&Save Mask...", "Save mask to a file\nSave mask to a file", 0},
      {sel::kSelMaskShow, "Show Selection M&ask",
       "Show the full color alpha channel mask attached to the selection", 0},
      {sel::kSelMaskHide, "Show Selection Ima&ge", "Switch back to show image in the selection", 0},
      {sel::kSelMaskToggle, "Toggle Selection Image/Mas&k",
       "Toggle image/mask display for the selection\nToggle image/mask display for the selection", 0},
      {sel::kSelMaskDelete, "Delete Selection Mask&",
       "Delete mask data attached to the selection\nDelete mask data "
       "associated with the selection and compact memory resource",
       0},
      {sel::kToolLineShape, "&Line Selection", "Line\nLine", 0},
      {sel::kToolRectShape, "Rectan&gle", "Rectangle\nRectangle", 0},
      {sel::kToolRoundRectShape, "Round Rectangle", "Round rectangle\nRound Rectangle", 0},
      {sel::kToolEllipseShape, "Ellipse", "Ellipse\nEllipse", 0},
      {sel::kToolFilledRect, "Filled Rectangle", "Filled rectangle\nFilled Rectangle", 0},
      {sel::kToolFilledRoundRect, "Filled Round Rectangle", "Filled round rectangle\nFilled Round Rectangle",
       0},
      {sel::kToolFilledEllipse, "Filled Ellipse", "Filled ellipse\nFilled Ellipse", 0},
      {sel::kToolPen, "&Pen", "Pen\nPen", 0},
      {sel::kToolBrush, "&Brush", "Brush\nBrush", 0},
      {sel::kToolLineTool, "&Line Tool", "Choose line drawing tool\nLine tool using current pen", 0},
      {sel::kToolPick, "Pick &Colour",
       "Pick color from image\nPick color, pen = left mouse button, brush = right mouse button", 0},
      {sel::kToolFill, "&Flood Fill", "Flood fill\nFlood fill with current brush color", 0},
  };
  return commands;
}

int tool_of_command(int id) {
  switch (id) {
    case sel::kToolSelect:
      return kToolSelect;
    case sel::kToolRect:
      return kToolRectSelection;
    case sel::kToolRoundRect:
      return kToolRoundRectSelection;
    case sel::kToolEllipse:
      return kToolEllipseSelection;
    case sel::kToolPolygon:
      return kToolPolygon;
    case sel::kToolLineShape:
      return kToolLineSelection;
    case sel::kToolRectShape:
    case sel::kToolFilledRect:
      return kToolRectSelection;
    case sel::kToolRoundRectShape:
    case sel::kToolFilledRoundRect:
      return kToolRoundRectSelection;
    case sel::kToolEllipseShape:
    case sel::kToolFilledEllipse:
      return kToolEllipseSelection;
    case sel::kToolPen:
      return kToolPen;
    case sel::kToolBrush:
      return kToolBrush;
    case sel::kToolLineTool:
      return kToolLine;
    case sel::kToolPick:
      return kToolPick;
    case sel::kToolFill:
      return kToolFill;
    default:
      return -1;
  }
}

const SelectionCommand* find_selection_command(int id) {
  for (const SelectionCommand& c : selection_commands()) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const std::vector<int>& selection_operations_bar() {
  static const std::vector<int> ids = {sel::kReplace,
                                       sel::kTransparentCopy,
                                       sel::kCombineHeavy,
                                       sel::kEven,
                                       sel::kLight,
                                       0,
                                       sel::kSubtract,
                                       sel::kMultiply,
                                       sel::kDivide,
                                       0,
                                       sel::kLighter,
                                       sel::kDarker,
                                       sel::kMatch,
                                       sel::kBrighter,
                                       sel::kDarkerThan,
                                       0,
                                       sel::kEdgeBlend,
                                       sel::kTile,
                                       0,
                                       sel::kComposeImageMask,
                                       sel::kComposeSelectionMask,
                                       sel::kComposeBothMasks};
  return ids;
}

const std::vector<int>& mask_operations_bar() {
  static const std::vector<int> ids = {sel::kMaskShow,
                                       sel::kMaskHide,
                                       sel::kMaskToggle,
                                       sel::kMaskDelete,
                                       sel::kMaskFromFile,
                                       sel::kMaskSave,
                                       0,
                                       sel::kSelMaskShow,
                                       sel::kSelMaskHide,
                                       sel::kSelMaskToggle,
                                       sel::kSelMaskDelete};
  return ids;
}

const std::vector<int>& selection_menu() {
  static const std::vector<int> ids = {sel::kToolSelect,
                                       sel::kToolRect,
                                       sel::kToolRoundRect,
                                       sel::kToolEllipse,
                                       sel::kToolPolygon,
                                       0,
                                       sel::kSelectAll,
                                       sel::kSelectWholeImage,
                                       sel::kClear,
                                       sel::kClone,
                                       0,
                                       sel::kCut,
                                       sel::kCopyInto,
                                       sel::kStoreToPaste,
                                       sel::kPasteStored,
                                       sel::kReuse,
                                       sel::kCropSelection,
                                       0,
                                       sel::kClearImageContent,
                                       sel::kFrameWithPen,
                                       sel::kSelectionUndo,
                                       sel::kSelectionRedo,
                                       0,
                                       sel::kToFront,
                                       sel::kToBack,
                                       sel::kForward,
                                       sel::kBackward,
                                       0,
                                       sel::kLineColour,
                                       sel::kFillColour,
                                       0,
                                       sel::kMoreCombinations,
                                       sel::kGrid,
                                       sel::kShowObjects};
  return ids;
}

}  // namespace ivorel

namespace ivorel {

const std::vector<int>& paint_tools_bar() {
  static const std::vector<int> ids = {sel::kToolPen,  sel::kToolBrush,     sel::kToolLineTool,
                                       sel::kToolPick, sel::kToolFill,      0,
                                       sel::kToolLineShape, sel::kToolPolygon};
  return ids;
}

}  // namespace ivorel
