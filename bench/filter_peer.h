// The interface through which filters_bench drives ImageMagick's filters in-process: the peer lives in a
// module of its own (see peers.h for why), holds one picture and runs one named filter on a copy of it.
#pragma once

extern "C" {

struct FilterPeer {
  const char* name;
  // Holds a picture of 3 bytes a pixel (blue, green, red), top row first.
  bool (*hold)(const unsigned char* bgr, int width, int height);
  // Runs one filter (the names in magick_filters_peer.cpp) on a copy of the held picture.
  bool (*run)(const char* filter);
};
}

#define FILTER_PEER_ENTRY "filter_peer"
#define FILTER_PEER_EXPORT extern "C" __attribute__((visibility("default"))) const FilterPeer* filter_peer()
