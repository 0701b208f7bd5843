// Reads each input as a GIF file through Compand and walks every frame left in the stack, whether the read
// succeeded or not (frames decoded before a failure stay). Small files that read cleanly are then written
// back, as one image or as an animation, and read again: the frames must come back with the same colours,
// places and timing, which checks the writer and the reader against each other.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/reader_input.h"
#include "fuzz/silent_message_box.h"

namespace {

const fuzzing::InputFile* g_input = nullptr;
const fuzzing::InputFile* g_output = nullptr;
std::FILE* g_sink = nullptr;

constexpr std::uint64_t kRoundTripPixels = 1 << 16;

void walk_frames(const ImageStack& stack) {
  for (int i = 0; const ImageFrame* f = stack.GetFrameData(i); ++i) {
    if (f->removed) continue;
    if (f->imageSize != dib_stride(f->width, f->bitsPerPixel) * f->height) __builtin_trap();
    fuzzing::walk_raw_image(f->width, f->height, f->bitsPerPixel, f->colors, f->pixels, f->palette);
  }
}

bool same_colours(const ImageFrame& a, const ImageFrame& b) {
  if (a.width != b.width || a.height != b.height || a.bitsPerPixel != 8 || b.bitsPerPixel != 8) return false;
  const std::size_t stride = dib_stride(a.width, 8);
  for (std::size_t y = 0; y < a.height; ++y) {
    for (std::size_t x = 0; x < a.width; ++x) {
      const RGBCOLOR& p = a.palette[a.pixels[y * stride + x]];
      const RGBCOLOR& q = b.palette[b.pixels[y * stride + x]];
      if (p.red != q.red || p.green != q.green || p.blue != q.blue) return false;
    }
  }
  return true;
}

void round_trip(Compand& read) {
  ImageStack* stack = read.GetImageStack();
  const int frames = stack->GetFrameNumber();
  std::uint64_t pixels = 0;
  for (int i = 0; i < frames; ++i) {
    const ImageFrame* f = stack->GetFrameData(i);
    if (f->removed) return;
    pixels += std::uint64_t{f->width} * f->height;
  }
  if (pixels > kRoundTripPixels) return;
  char name[512];
  std::snprintf(name, sizeof name, "%s", g_output->path());
  Compand writer;
  Compand::SetErrorMessageOutputStream(g_sink);
  const bool animation = frames > 1;
  int ok = animation ? writer.InitCompressor(CT_GIF, name, stack) && writer.SaveImageStack()
                     : writer.InitCompressor(CT_GIF, name, read.GetWidth(), read.GetHeight(), 8, 256,
                                             read.GetDataPtr(), read.GetPalettePtr()) &&
                           writer.DoCompression();
  if (!ok) __builtin_trap();
  Compand again;
  Compand::SetErrorMessageOutputStream(g_sink);
  if (!again.InitExpander(name) || !again.DoExpansion()) __builtin_trap();
  ImageStack* back = again.GetImageStack();
  if (back->GetFrameNumber() != frames) __builtin_trap();
  for (int i = 0; i < frames; ++i) {
    const ImageFrame& a = *stack->GetFrameData(i);
    const ImageFrame& b = *back->GetFrameData(i);
    if (!same_colours(a, b)) __builtin_trap();
    if (animation && (a.left != b.left || a.top != b.top || a.delay != b.delay || a.disposal != b.disposal ||
                      a.transparent != b.transparent)) {
      __builtin_trap();
    }
  }
  again.DisposeOfImage();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::install_silent_message_box();
  static const fuzzing::InputFile input(".gif");
  static const fuzzing::InputFile output("-out.gif");
  g_input = &input;
  g_output = &output;
  g_sink = std::fopen("/dev/null", "w");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!g_input->write(data, size)) return 0;
  Compand c;
  Compand::SetErrorMessageOutputStream(g_sink);
  if (c.InitExpander(g_input->path())) {
    const int result = c.DoExpansion();
    if (ImageStack* stack = c.GetImageStack()) walk_frames(*stack);
    if (result) {
      fuzzing::walk_image(c);
      round_trip(c);
    }
  }
  c.DisposeOfImage();
  return 0;
}
