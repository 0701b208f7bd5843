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

RandomRun::RandomRun(unsigned seed) {
  // The library's seeding: a Lehmer sequence in 31 bits, from the seed taken as a signed 32-bit value.
  std::int32_t word = static_cast<std::int32_t>(seed == 0 ? 1 : seed);
  state_[0] = static_cast<std::uint32_t>(word);
  for (int i = 1; i < 31; ++i) {
    const long hi = word / 127773, lo = word % 127773;
    word = static_cast<std::int32_t>(16807 * lo - 2836 * hi);
    if (word < 0) word += 2147483647;
    state_[i] = static_cast<std::uint32_t>(word);
  }
  for (int i = 0; i < 310; ++i) draw15();
}

RandomRun random_run() {
  return RandomRun(fixedSeed ? *fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void set_texture_source(TextureSource source) {
  textureSource = std::move(source);
}

ImageDescriptorAndDisplayObj* operation_texture(const ImageDescriptorAndDisplayObj* target) {
  return textureSource ? textureSource(target) : nullptr;
}

}  // namespace ivorel
