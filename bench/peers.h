// The interface through which the bench programs drive another imaging library.
//
// Each peer lives in its own loadable module: Magick++ 6 and GraphicsMagick++ declare the same namespace and
// export hundreds of identically named symbols, so one process can hold both only if each is loaded with
// its own symbol scope.
#pragma once

extern "C" {

struct BenchPeer {
  const char* name;
  // Reads and decodes a file completely, then drops the image.
  bool (*read)(const char* path);
  // Holds the image of a file in the peer's own form, so that writing can be timed without the conversion
  // from our raw layout, which a user of the peer would not pay.
  bool (*hold)(const char* path);
  // Writes the held image in the format of the path's extension.
  bool (*write_held)(const char* path);
  void (*release)();
};
}

// Each module exports this as a function without arguments returning const BenchPeer*.
#define BENCH_PEER_ENTRY "bench_peer"
#define BENCH_PEER_EXPORT extern "C" __attribute__((visibility("default"))) const BenchPeer* bench_peer()
