// What the toolkit offers and remembers: the operations of the registry grouped by their toolkit tab, the
// words last set for each operation, the selected one, and running an operation with its words.
#pragma once

#include <string>
#include <vector>

#include "ivorel/operations/operation_registry.h"

namespace ivorel::toolkit {

struct Tab {
  std::string name;
  std::vector<const registry::Operation*> operations;
};

// One tab per tab name, in the order the registry first names them; operations without a tab are left out.
std::vector<Tab> toolkit_tabs();
// What the user reads for a tab: the tab names are cut short ("Brit"), so the words in full.
std::string tab_title(const Tab& tab);

// The words of `op` as the toolkit last set them (its defaults until then).
_IMAGE_PROC_DATA& words_of(const registry::Operation& op);
void reset_words(const registry::Operation& op);

// The operation Apply runs; null until the toolkit shows one.
const registry::Operation* selected_operation();
void select_operation(const registry::Operation* op);

// Runs `op` on `image` with `words` attached as its parameter block (so that no dialog opens), restoring the
// image's own block afterwards. The processor takes the undo snapshot when the image is in an image window.
Outcome run_operation(const registry::Operation& op, const _IMAGE_PROC_DATA& words,
                      ImageDescriptorAndDisplayObj& image);

}  // namespace ivorel::toolkit

namespace ivorel::toolkit {

// Runs the selected operation with its remembered words on `image`, then repaints the image's window.
// Outcome::None when there is no image or nothing is selected.
Outcome apply_selected(ImageDescriptorAndDisplayObj* image);

// When `image` is an image window whose selected objects hold pixels, runs `op` on each of them (each with an
// undo snapshot of its own) and not on the picture; false, with nothing done, otherwise.
bool apply_to_selections(const registry::Operation& op, const _IMAGE_PROC_DATA& words,
                         ImageDescriptorAndDisplayObj& image, Outcome& outcome);

}  // namespace ivorel::toolkit
