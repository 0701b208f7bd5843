// What some operations take from outside their parameter words: the random generator's seed and the
// texture image. The editor leaves the seed to the clock and asks for a texture with the open dialog;
// scripts and `imgtools apply` fix both so that a run can be repeated.
#pragma once

#include <cstdlib>
#include <functional>
#include <optional>

class ImageDescriptorAndDisplayObj;

namespace ivorel {

// The generator the noise draws from is the C library's; its draws are taken 15 bits wide, the high bits
// of the library's 31, so that the noise formulas see 0 ... 32767.
static_assert(RAND_MAX == 0x7FFFFFFF, "the 15-bit draws assume a 31-bit rand()");
inline int draw15() {
  return std::rand() >> 16;
}

// A fixed seed for every following run, or none to seed each run from the clock.
void set_random_seed(std::optional<unsigned> seed);
// Seeds the generator for one run.
void seed_random_run();

// The texture for an operation on `target`, or null when none is chosen. The source decides whether to
// ask (the editor asks for an image in a window, and reuses its last choice for previews).
using TextureSource =
    std::function<ImageDescriptorAndDisplayObj*(const ImageDescriptorAndDisplayObj* target)>;
void set_texture_source(TextureSource source);
ImageDescriptorAndDisplayObj* operation_texture(const ImageDescriptorAndDisplayObj* target);

}  // namespace ivorel
