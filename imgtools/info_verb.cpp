#include <cstdio>

#include "imgtools/image_source.h"
#include "imgtools/verbs.h"

namespace imgtools {

namespace {

void print_frame(int i, const RawImage& img, const ImageFrame* record) {
  std::printf("  frame %d: %ux%u at %d,%d %u-bit delay %u disposal %u transparent ", i, img.width, img.height,
              record ? record->left : 0, record ? record->top : 0, img.bits, record ? record->delay : 0,
              record ? record->disposal : 0);
  if (record && record->transparent) {
    std::printf("%u\n", record->transparentIndex);
  } else {
    std::printf("none\n");
  }
}

}  // namespace

int info_verb(const Args& args) {
  bool frames = false;
  Args files;
  for (const std::string& a : args) {
    if (a == "--frames") {
      frames = true;
    } else if (a.starts_with("--")) {
      return usage_error("info: unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) return usage_error("info: no file given");
  int status = 0;
  for (const std::string& file : files) {
    ImageSource source(file);
    if (!source.ok()) {
      status = 1;
      continue;
    }
    RawImage first = source.frame(0);
    int n = source.frame_count();
    std::printf("%s: %s %ux%u %u-bit %u colours %d frame%s\n", file.c_str(), type_name(source.type()),
                first.width, first.height, first.bits, first.colors, n, n == 1 ? "" : "s");
    if (frames) {
      const ImageStack* stack = source.stack();
      if (stack && source.frame_record(0)) {
        std::printf("  screen %ux%u background %u %s colour table\n", stack->GetScreenWidth(),
                    stack->GetScreenHeight(), stack->GetbkColorIndex(),
                    stack->GetbGCT() ? "global" : "local");
      }
      for (int i = 0; i < n; ++i) print_frame(i, source.frame(i), source.frame_record(i));
    }
  }
  return status;
}

}  // namespace imgtools
