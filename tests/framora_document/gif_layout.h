// What a GIF file says about each frame, read straight from its blocks: which colour table a frame uses,
// its control block, position and the comment that follows it. The library's reader keeps none of the
// table layout, and the tests must see exactly what other programs will.
#pragma once

#include <string>
#include <vector>

namespace framora_test {

struct GifFrameLayout {
  int left = 0, top = 0, width = 0, height = 0;
  bool localTable = false;
  int tableEntries = 0;  // of the table the frame uses
  bool transparent = false;
  int transparentIndex = 0;
  int delay = 0;
  int disposal = 0;
  std::string commentAfter;
  std::string data;  // the LZW minimum code size and the image's sub-blocks, joined
  bool interlaced = false;
};

struct GifLayout {
  bool ok = false;
  int screenWidth = 0, screenHeight = 0;
  bool globalTable = false;
  int globalEntries = 0;
  int loopCount = -1;  // -1 without the looping block
  std::vector<GifFrameLayout> frames;
};

GifLayout read_gif_layout(const std::string& path);

}  // namespace framora_test
