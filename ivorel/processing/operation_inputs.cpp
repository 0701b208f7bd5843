#include "ivorel/processing/operation_inputs.h"

#include <ctime>
#include <utility>

namespace ivorel {

namespace {
std::optional<unsigned> fixedSeed;
TextureSource textureSource;
}  // namespace

void set_random_seed(std::optional<unsigned> seed) {
  fixedSeed = seed;
}

void seed_random_run() {
  std::srand(fixedSeed ? *fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void set_texture_source(TextureSource source) {
  textureSource = std::move(source);
}

ImageDescriptorAndDisplayObj* operation_texture(const ImageDescriptorAndDisplayObj* target) {
  return textureSource ? textureSource(target) : nullptr;
}

}  // namespace ivorel
