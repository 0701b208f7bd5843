// Reads each input as a PCX file through Compand (the reader checks the header when it is made).
#include "fuzz/reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::ReaderHarness harness(".pcx");
  harness.read(data, size);
  return 0;
}
