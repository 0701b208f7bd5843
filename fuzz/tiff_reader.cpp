// Reads each input as a TIFF file through Compand. libtiff itself is fuzzed upstream; what is tried here is
// our glue: the directory checks, palettes and inverted bits, 2-bit widening, tiles and separate planes,
// sizes against the file, and libtiff's errors routed to the codec.
#include <cstddef>
#include <cstdint>

#include "fuzz/reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".tif");
  harness.read(data, size);
  return 0;
}
