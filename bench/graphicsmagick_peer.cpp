// GraphicsMagick through GraphicsMagick++.
#include <Magick++.h>

#include <exception>
#include <memory>

#include "bench/peers.h"

namespace {

std::unique_ptr<Magick::Image> held;

void init() {
  static const bool done = [] {
    Magick::InitializeMagick(nullptr);
    return true;
  }();
  (void)done;
}

bool read(const char* path) {
  try {
    Magick::Image image;
    image.read(path);
    return image.columns() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

bool hold(const char* path) {
  try {
    held = std::make_unique<Magick::Image>(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool write_held(const char* path) {
  if (!held) return false;
  try {
    held->write(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void release() {
  held.reset();
}

const BenchPeer peer{"GraphicsMagick", read, hold, write_held, release};

}  // namespace

BENCH_PEER_EXPORT {
  init();
  return &peer;
}
