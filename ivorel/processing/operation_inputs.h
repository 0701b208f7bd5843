// What some operations take from outside their parameter words: the random generator's seed and the
// texture image. The editor leaves the seed to the clock and asks for a texture with the open dialog;
// scripts and `imgtools apply` fix both so that a run can be repeated.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class ImageDescriptorAndDisplayObj;

namespace ivorel {

// The generator the noise draws from: the C library's rand() sequence for a seed, that is its additive
// generator of degree 31 and separation 3, reproduced here so that the draws need neither the library's
// lock nor its shared state. Each draw is taken 15 bits wide, the high bits of the library's 31, so that the
// noise formulas see 0 ... 32767.
class RandomRun {
 public:
  explicit RandomRun(unsigned seed);
  int draw15() {
    const std::uint32_t v = state_[front_] += state_[rear_];
    front_ = front_ == 30 ? 0 : front_ + 1;
    rear_ = rear_ == 30 ? 0 : rear_ + 1;
    return static_cast<int>(v >> 17);
  }

 private:
  std::uint32_t state_[31];
  int front_ = 3, rear_ = 0;
};

// A fixed seed for every following run, or none to seed each run from the clock.
void set_random_seed(std::optional<unsigned> seed);
// The generator of one run, seeded.
RandomRun random_run();

// The texture for an operation on `target`, or null when none is chosen. The source decides whether to
// ask (the editor asks for an image in a window, and reuses its last choice for previews).
using TextureSource =
    std::function<ImageDescriptorAndDisplayObj*(const ImageDescriptorAndDisplayObj* target)>;
void set_texture_source(TextureSource source);
ImageDescriptorAndDisplayObj* operation_texture(const ImageDescriptorAndDisplayObj* target);

}  // namespace ivorel
