// Reads each input as a JPEG file through Compand. libjpeg itself is fuzzed upstream; what is tried here is
// our glue: the error manager's long jumps, the early end of data, colour spaces, sizes against the file.
#include <cstddef>
#include <cstdint>

#include "fuzz/reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".jpg");
  harness.read(data, size);
  return 0;
}
