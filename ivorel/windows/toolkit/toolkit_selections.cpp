// The toolkit's Apply on an image window with selections: as with the frame's own image commands, the
// selected objects that hold pixels take the operation, each with an undo snapshot of its own, and the
// picture under them is left alone.
#include "ivorel/windows/frame/draw_view.h"
#include "ivorel/windows/frame/mdi_child.h"
#include "ivorel/windows/toolkit/toolkit_operations.h"

namespace ivorel::toolkit {

bool apply_to_selections(const registry::Operation& op, const _IMAGE_PROC_DATA& words,
                         ImageDescriptorAndDisplayObj& image, Outcome& outcome) {
  auto* child = dynamic_cast<CMDIChildImageWnd*>(&image);
  CDrawView* view = child ? child->View() : nullptr;
  if (!view || !view->SelectionHasImage()) return false;
  // A selection that declines keeps the picture out of it too: the user pointed at the selection.
  outcome = Outcome::None;
  const bool took = view->ProcessSelectionImages(0, [&](SelectionImagePart& part) {
    const Outcome one = run_operation(op, words, part);
    if (outcome != Outcome::Ran) outcome = one;
    return one == Outcome::Ran;
  }) != 0;
  if (took) outcome = Outcome::Ran;
  child->ImageChanged();
  return true;
}

}  // namespace ivorel::toolkit
