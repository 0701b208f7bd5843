// The interface through which geometry_bench drives a peer's own geometry functions in-process: the peer
// holds one picture in its native form and times nothing itself; each call makes and drops one result.
#pragma once

extern "C" {

struct GeometryPeer {
  const char* name;
  // Takes a width x height picture, top row first, three bytes per pixel (blue, green, red), unpadded.
  bool (*hold)(int width, int height, const unsigned char* bgr);
  // Runs one operation on the held picture: "flip", "flop", "rotate" (a = degrees), "resize" (a x b pixels)
  // or "shear" (a = degrees along x); false when the peer failed.
  bool (*run)(const char* operation, double a, double b);
  void (*release)();
};
}

#define GEOMETRY_PEER_ENTRY "geometry_peer"
#define GEOMETRY_PEER_EXPORT \
  extern "C" __attribute__((visibility("default"))) const GeometryPeer* geometry_peer()
