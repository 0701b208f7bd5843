// Times our writer and reader of one file format on a large image against the libraries a user would pick
// instead, loaded as modules (see peers.h). Each bench program names its formats and depths; this does the
// rest, so that every format is measured the same way.
//
// Files go to a scratch folder on tmpfs when there is one, so that the disk does not set the pace. Each
// available peer reads the very file we wrote, and writes an image it read from that file, so that every
// library starts from its own in-memory form of the same picture.
#pragma once

#include <initializer_list>
#include <string>

#include "imgfile/codaxe.h"

namespace bench {

struct Format {
  CompandType type;
  const char* extension;  // with the dot
  std::initializer_list<unsigned short> depths;
  // Gradients with a little noise instead of pure noise: compressed formats then see something like a
  // photograph rather than their worst case.
  bool photographic = false;
};

// Runs every format at every depth, best of `runs`, and prints one table; returns a process exit status.
int run_codec_bench(const char* program, int argc, char** argv, std::initializer_list<Format> formats);

}  // namespace bench
