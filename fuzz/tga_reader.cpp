// Reads each input as a Targa file through Compand.
#include "fuzz/reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".tga");
  harness.read(data, size);
  return 0;
}
