// The commands of the drawing view: tools, selections, stores, combines and masks, with their menu texts
// and prompts. The frame makes their actions and asks the active view whether each is enabled.
#pragma once

#include <vector>

namespace ivorel {

namespace sel {
enum : int {
  kCombineHeavy = 802,
  kReplace = 801,
  kSubtract = 803,
  kGrid = 32769,
  kToolSelect = 32770,
  kToolRect = 32772,
  kToolRoundRect = 32773,
  kToolEllipse = 32774,
  kLineColour = 32775,
  kFillColour = 32776,
  kToFront = 32777,
  kToBack = 32778,
  kForward = 32779,
  kBackward = 32780,
  kToolPolygon = 32782,
  kShowObjects = 32784,
  kClearImageContent = 32803,
  kCropSelection = 32802,
  kTextInput = 32812,
  kEven = 32837,
  kLight = 32838,
  kMultiply = 32843,
  kDivide = 32844,
  kLighter = 32846,
  kDarker = 32847,
  kMatch = 32848,
  kBrighter = 32849,
  kFrameWithPen = 32850,
  kMoreCombinations = 32854,
  kDarkerThan = 32855,
  kTransparentCopy = 32856,
  kEdgeBlend = 32858,
  kTile = 32859,
  kSelectionUndo = 32876,
  kSelectWholeImage = 32881,
  kClone = 32886,
  kCut = 32890,
  kCopyInto = 32891,
  kPasteStored = 32892,
  kStoreToPaste = 32894,
  kMaskShow = 32901,
  kMaskHide = 32902,
  kMaskToggle = 32903,
  kMaskDelete = 32904,
  kMaskFromFile = 32905,
  kMaskSave = 32906,
  kSelMaskShow = 32909,
  kSelMaskHide = 32910,
  kSelMaskDelete = 32911,
  kComposeImageMask = 32912,
  kComposeSelectionMask = 32913,
  kComposeBothMasks = 32914,
  kSelMaskToggle = 32915,
  kSelectionRedo = 32916,
  kReuse = 32918,
  kClear = 57632,
  kSelectAll = 57642,
  // The painting tools.
  kToolLineTool = 32771,
  kToolPen = 32821,
  kToolBrush = 32822,
  kToolPick = 32823,
  kToolFill = 32824,
  kToolLineShape = 32826,
  kToolRectShape = 32827,
  kToolEllipseShape = 32828,
  kToolRoundRectShape = 32829,
  kToolFilledRect = 32834,
  kToolFilledRoundRect = 32835,
  kToolFilledEllipse = 32836,
};
}  // namespace sel

struct SelectionCommand {
  int id;
  const char* text;
  const char* prompt;  // status line, then after "\n" the tool tip
  int code;            // the combine code, or 0
};

const std::vector<SelectionCommand>& selection_commands();
// The drawing tool a tool command chooses, or -1 for other commands.
int tool_of_command(int id);
const SelectionCommand* find_selection_command(int id);

// The commands of the "Selection Operations" and "Mask Operation" bars and of the Selection menu (0: a
// separator).
const std::vector<int>& selection_operations_bar();
const std::vector<int>& mask_operations_bar();
const std::vector<int>& selection_menu();
// The painting tools of the "Painting" bar and the Paint menu.
const std::vector<int>& paint_tools_bar();

}  // namespace ivorel
