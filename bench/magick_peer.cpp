// ImageMagick 6 through Magick++. Files are read and written as image lists, so that every frame of an
// animation counts, as it would for a user converting one.
#include <Magick++.h>

#include <exception>
#include <list>

#include "bench/peers.h"

namespace {

std::list<Magick::Image> held;

void init() {
  static const bool done = [] {
    Magick::InitializeMagick(nullptr);
    return true;
  }();
  (void)done;
}

bool read(const char* path) {
  try {
    std::list<Magick::Image> images;
    Magick::readImages(&images, path);
    return !images.empty() && images.front().columns() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

bool hold(const char* path) {
  try {
    held.clear();
    Magick::readImages(&held, path);
    return !held.empty();
  } catch (const std::exception&) {
    return false;
  }
}

bool write_held(const char* path) {
  if (held.empty()) return false;
  try {
    Magick::writeImages(held.begin(), held.end(), path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void release() {
  held.clear();
}

const BenchPeer peer{"ImageMagick", read, hold, write_held, release};

}  // namespace

BENCH_PEER_EXPORT {
  init();
  return &peer;
}
