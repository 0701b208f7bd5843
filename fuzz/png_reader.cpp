// Reads each input as a PNG file through Compand. libpng itself is fuzzed upstream; what is tried here is
// our glue: the long jumps out of our input callback, depth and colour-type mapping, 2-bit widening, sizes
// against the file.
#include <cstddef>
#include <cstdint>

#include "fuzz/reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".png");
  harness.read(data, size);
  return 0;
}
