#include "ivorel/windows/toolkit/toolkit_operations.h"

#include <algorithm>
#include <map>

#include "display/window.h"
#include "ivorel/processing/processing.h"

namespace ivorel::toolkit {

namespace {

std::map<const registry::Operation*, _IMAGE_PROC_DATA>& remembered_words() {
  static std::map<const registry::Operation*, _IMAGE_PROC_DATA> words;
  return words;
}

const registry::Operation* selected = nullptr;

}  // namespace

std::string tab_title(const Tab& tab) {
  static const std::map<std::string, std::string> kTitles = {
      {"Brit", "Brightness and Contrast"},
      {"Contrast Bal", "Contrast Balance"},
      {"Edge Det", "Edge Detection"},
      {"Edge Enhance", "Edge Enhancement"},
      {"Fish", "Fish Eye"},
      {"Grad", "Gradient Fill"},
      {"Enlarge", "Enlarge Canvas"},
      {"High Light", "Highlight"},
      {"High Pass", "High Pass Filter"},
      {"Low Pass", "Low Pass Filter"},
      {"Motion", "Motion Blur"},
      {"Pixel", "Pixelize"},
      {"Solar", "Solarize"},
      {"Gray", "Gray Image"},
      {"Gamma", "Gamma Correction"},
      {"Saturation", "Saturation and Hue"},
      {"Rotate", "Rotate by an Angle"},
      {"Oil Paint", "Oil Painting"},
      {"Points", "Edge Points"},
      {"Smooth", "Noise Trimmer"},
      {"Impression", "Impressionist"},
      {"Noise", "Salt and Pepper Noise"},
      {"Slicer", "Slice"},
      {"Ripples", "Ripple"},
  };
  const auto it = kTitles.find(tab.name);
  if (it != kTitles.end()) return it->second;
  // A tab of one operation is that operation.
  if (tab.operations.size() == 1 && tab.operations[0]->title) return tab.operations[0]->title;
  return tab.name;
}

std::vector<Tab> toolkit_tabs() {
  std::vector<Tab> tabs;
  for (const registry::Operation& op : registry::operations()) {
    if (!op.tab || !*op.tab) continue;
    auto it = std::find_if(tabs.begin(), tabs.end(), [&](const Tab& t) { return t.name == op.tab; });
    if (it == tabs.end()) it = tabs.insert(tabs.end(), Tab{op.tab, {}});
    it->operations.push_back(&op);
  }
  return tabs;
}

_IMAGE_PROC_DATA& words_of(const registry::Operation& op) {
  auto [it, added] = remembered_words().try_emplace(&op);
  if (added) reset_words(op);
  return it->second;
}

void reset_words(const registry::Operation& op) {
  std::string unused;
  registry::fill_block(op, "", remembered_words()[&op], unused);
}

const registry::Operation* selected_operation() {
  return selected;
}

void select_operation(const registry::Operation* op) {
  selected = op;
}

Outcome run_operation(const registry::Operation& op, const _IMAGE_PROC_DATA& words,
                      ImageDescriptorAndDisplayObj& image) {
  _IMAGE_PROC_DATA block = words;
  _IMAGE_PROC_DATA* own = image.procData;
  image.procData = &block;
  Outcome outcome;
  {
    TProcessImageEx processor(&image);
    op.run(processor);
    outcome = processor.LastOutcome();
  }
  image.procData = own;
  return outcome;
}

}  // namespace ivorel::toolkit

namespace ivorel::toolkit {

Outcome apply_selected(ImageDescriptorAndDisplayObj* image) {
  const registry::Operation* op = selected_operation();
  if (!image || !op) return Outcome::None;
  HWND window = image->window ? *image->window : nullptr;
  // The change is named in the undo history after the operation.
  auto* store = window ? static_cast<COperationUndoRedo*>(GetPropA(window, kUndoStoreProperty)) : nullptr;
  if (store) store->SetNextStepName(op->title ? op->title : op->name);
  Outcome outcome;
  if (!apply_to_selections(*op, words_of(*op), *image, outcome))
    outcome = run_operation(*op, words_of(*op), *image);
  if (store) store->SetNextStepName({});
  if (window) {
    window->invalidate(nullptr, true);
    window->update();
  }
  return outcome;
}

}  // namespace ivorel::toolkit
