// Small pieces shared by the operations: byte clamping, the two luminance weightings, and asking for
// parameters when no block is attached.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "display/window.h"
#include "imgfile/codaxe.h"
#include "ivorel/processing/processing.h"
#include "platform/core/dialogs.h"
#include "platform/core/message_box.h"

namespace ivorel {

inline unsigned char clamp_byte(std::int64_t v) {
  return static_cast<unsigned char>(std::clamp<std::int64_t>(v, 0, 255));
}

// Luminance with weights 5, 16, 11 (byte order) and 11, 16, 5 (palette order) in 32nds.
inline int l32_bytes(const unsigned char* p) {
  return (5 * p[0] + 16 * p[1] + 11 * p[2]) >> 5;
}
inline int l32_entry(const RGBCOLOR& c) {
  return (11 * c.red + 16 * c.green + 5 * c.blue) >> 5;
}
// Luminance with weights 11, 59, 30 (byte order) and 30, 59, 11 (palette order) in hundredths.
inline int l100_bytes(const unsigned char* p) {
  return (11 * p[0] + 59 * p[1] + 30 * p[2]) / 100;
}
inline int l100_entry(const RGBCOLOR& c) {
  return (30 * c.red + 59 * c.green + 11 * c.blue) / 100;
}

// Clamps a rectangle to the image; false when nothing is left.
inline bool clamp_rect(int imageWidth, int imageHeight, int& left, int& top, int& width, int& height) {
  const int right = std::min(left + width, imageWidth);
  const int bottom = std::min(top + height, imageHeight);
  left = std::max(left, 0);
  top = std::max(top, 0);
  width = right - left;
  height = bottom - top;
  return width > 0 && height > 0;
}

// A new zero-filled pixel block of `size` bytes, locked at `data`; null (and `data` null) when memory is
// short or the size does not fit a descriptor's 32-bit image size.
inline HGLOBAL new_pixel_block(std::uint64_t size, unsigned char*& data) {
  data = nullptr;
  if (size > 0xFFFFFFFFu) return nullptr;
  HGLOBAL block = GlobalAlloc(size);
  data = static_cast<unsigned char*>(GlobalLock(block));
  if (!data) GlobalFree(block);
  return data ? block : nullptr;
}

// Runs the dialog of `request` for the window `owner`; true on OK.
inline bool ask_parameters(pcore::ParameterRequest& request, const void* owner) {
  request.owner = owner;
  return pcore::run_parameter_dialog(request) == pcore::kIdOk;
}

// The parameters of an effect as its prompt shows them: integer words 1 ... 3 and real words 4 and 5 (IEEE
// floats in the block). A field without a value is left out of the prompt and not read.
struct EffectWords {
  std::optional<std::int32_t> integers[3];
  std::optional<float> reals[2];
};

// Reads the words the fields name from the block, or asks for them with the fields' values as presets
// and repaints the owner after OK; false when the prompt was cancelled.
inline bool effect_parameters(const _IMAGE_PROC_DATA* block, HWND owner, EffectWords& words) {
  if (block) {
    for (int i = 0; i < 3; ++i)
      if (words.integers[i]) words.integers[i] = block->words[1 + i];
    for (int i = 0; i < 2; ++i)
      if (words.reals[i]) words.reals[i] = block->GetFloat(4 + i);
    return true;
  }
  pcore::ParameterRequest request;
  for (int i = 0; i < 3; ++i) request.integers[i] = words.integers[i];
  for (int i = 0; i < 2; ++i) request.reals[i] = words.reals[i];
  if (!ask_parameters(request, owner)) return false;
  for (int i = 0; i < 3; ++i)
    if (words.integers[i]) words.integers[i] = request.integers[i].value_or(*words.integers[i]);
  for (int i = 0; i < 2; ++i)
    if (words.reals[i]) words.reals[i] = request.reals[i].value_or(*words.reals[i]);
  UpdateWindow(owner);
  return true;
}

// Integer words 1 ... count (at most 3) with `values` as the presets; false when the prompt was cancelled.
inline bool integer_parameters(const _IMAGE_PROC_DATA* block, HWND owner, int count, int* values) {
  EffectWords words;
  for (int i = 0; i < count; ++i) words.integers[i] = values[i];
  if (!effect_parameters(block, owner, words)) return false;
  for (int i = 0; i < count; ++i) values[i] = *words.integers[i];
  return true;
}

}  // namespace ivorel
