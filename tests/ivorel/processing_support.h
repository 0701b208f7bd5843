// Helpers of the processing tests: an image object filled from given pixels, scripted parameter dialogs and
// random pictures.
#pragma once

#include <cstring>
#include <deque>
#include <random>
#include <set>
#include <vector>

#include "ivorel/processing/processing.h"
#include "platform/core/dialogs.h"
#include "platform/core/message_box.h"

namespace testing_support {

// An image object owning its pixel block (the current one, whatever operations put there).
class TestImage {
 public:
  TestImage(int width, int height, int bits, int colours, const std::vector<unsigned char>& pixels = {}) {
    _IMAGEDESCRIPTOR& d = object.image;
    d.width = static_cast<unsigned short>(width);
    d.height = static_cast<unsigned short>(height);
    d.xResolution = d.yResolution = 72;
    d.bitsPerPixel = static_cast<unsigned short>(bits);
    d.colors = static_cast<unsigned short>(colours);
    d.imageSize = ivorel::row_bytes(width, bits) * height;
    d.hImageData = GlobalAlloc(d.imageSize);
    d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
    if (!pixels.empty())
      std::memcpy(d.imageData, pixels.data(), std::min<std::size_t>(pixels.size(), d.imageSize));
  }
  ~TestImage() { ivorel::free_image_block(object.image); }
  std::vector<unsigned char> pixels() const {
    return {object.image.imageData, object.image.imageData + object.image.imageSize};
  }
  std::uint32_t stride() const { return ivorel::row_bytes(object.image.width, object.image.bitsPerPixel); }
  // Distinct colours of the pixels in use (through the palette for palette images).
  std::set<std::uint32_t> colours_used() const;

  ImageDescriptorAndDisplayObj object;
};

inline std::set<std::uint32_t> TestImage::colours_used() const {
  const _IMAGEDESCRIPTOR& d = object.image;
  std::set<std::uint32_t> used;
  for (int y = 0; y < d.height; ++y) {
    const unsigned char* row = d.imageData + static_cast<std::size_t>(y) * stride();
    for (int x = 0; x < d.width; ++x) {
      if (d.bitsPerPixel == 24) {
        used.insert(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]);
        continue;
      }
      const int bit = x * d.bitsPerPixel;
      const int index = (row[bit / 8] >> (8 - d.bitsPerPixel - bit % 8)) & ((1 << d.bitsPerPixel) - 1);
      const RGBCOLOR& c = d.palette[index];
      used.insert(c.red << 16 | c.green << 8 | c.blue);
    }
  }
  return used;
}

// Answers parameter dialogs from a script: each entry is OK with its values or Cancel.
class ScriptedDialogs : public pcore::ParameterDialogService {
 public:
  struct Answer {
    bool ok = true;
    std::vector<int> integers;
  };
  ScriptedDialogs() { pcore::install_parameter_dialogs(this); }
  ~ScriptedDialogs() override { pcore::install_parameter_dialogs(nullptr); }
  int run(pcore::ParameterRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return pcore::kIdCancel;
    Answer a = answers.front();
    answers.pop_front();
    if (!a.ok) return pcore::kIdCancel;
    for (std::size_t i = 0; i < a.integers.size() && i < 3; ++i) request.integers[i] = a.integers[i];
    return pcore::kIdOk;
  }
  std::deque<Answer> answers;
  std::vector<pcore::ParameterRequest> requests;
};

inline std::vector<unsigned char> random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned char> v(n);
  for (auto& b : v) b = static_cast<unsigned char>(rng());
  return v;
}

// Runs one operation with a parameter block.
template <typename Op>
ivorel::Outcome run_with_block(TestImage& image, const _IMAGE_PROC_DATA& block, Op op) {
  _IMAGE_PROC_DATA data = block;
  image.object.procData = &data;
  TProcessImageEx processor(&image.object);
  op(processor);
  image.object.procData = nullptr;
  return processor.LastOutcome();
}

inline _IMAGE_PROC_DATA block_of(std::initializer_list<std::pair<int, int>> words) {
  _IMAGE_PROC_DATA b;
  for (auto [i, v] : words) b.words[i] = v;
  return b;
}

}  // namespace testing_support
