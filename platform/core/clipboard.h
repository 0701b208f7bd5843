// The system clipboard as the suite sees it: whole images travel as packed DIBs (40-byte header, colour
// table, bottom-up rows), and a palette image's palette may travel beside its DIB. The GUI installs the
// desktop's clipboard; without one, a clipboard private to the process stands in, so that headless programs
// and tests copy and paste like the editor does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/device_bitmap.h"
#include "platform/core/memblock.h"

namespace pcore {

class ClipboardService {
 public:
  virtual ~ClipboardService() = default;
  // Replaces the clipboard's content with a copy of the packed DIB and, when not empty, the palette.
  // False when the clipboard refused it (the previous content may be gone).
  virtual bool put_image(const unsigned char* dib, std::size_t bytes,
                         const std::vector<PALETTEENTRY>& palette) = 0;
  // Whether the clipboard offers an image in a form get_image may understand.
  virtual bool has_image() = 0;
  // The clipboard's image as a new packed DIB block (the caller's), or null. It is input from other
  // programs: the caller checks it like a file. Images that would not fit an image of the suite are
  // refused here before anything is allocated for them.
  virtual HGLOBAL get_image() = 0;
  // The palette that came with the image, empty when none did.
  virtual std::vector<PALETTEENTRY> palette() = 0;
  virtual void clear() = 0;
};

// A clipboard held in memory; also what tests script.
class MemoryClipboard : public ClipboardService {
 public:
  bool put_image(const unsigned char* dib, std::size_t bytes,
                 const std::vector<PALETTEENTRY>& palette) override;
  bool has_image() override { return !dib.empty(); }
  HGLOBAL get_image() override;
  std::vector<PALETTEENTRY> palette() override { return paletteEntries; }
  void clear() override;

  std::vector<unsigned char> dib;
  std::vector<PALETTEENTRY> paletteEntries;
  bool refuse = false;  // put_image fails while set
};

// The installed service, or the process's memory clipboard. The service stays owned by the caller;
// nullptr goes back to the memory clipboard.
ClipboardService& clipboard();
void install_clipboard(ClipboardService* service);

// The most pixels a clipboard image may bring: a suite image has 16-bit sides and a 32-bit pixel block.
bool clipboard_image_size_acceptable(std::int64_t width, std::int64_t height, int bitsPerPixel);

}  // namespace pcore
