// Putting one image on a printed page: the layout settings the frame keeps, the page geometry, where the
// image and its caption go, and the drawing of both onto a page device. Everything here is Qt-free so that
// the editor's printer, its preview, the command line's PDF writer and the tests place pages identically.
//
// Units: page geometry is kept in thousandths of an inch; pages are laid out in hundredths of an inch. The
// layout arithmetic works in "low-English" coordinates (y grows upwards, the printable rectangle's top is
// negative); page devices receive device order (y grows downwards from the paper's top-left corner).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/device_bitmap.h"
#include "platform/core/dib_types.h"
#include "platform/core/geometry.h"

struct _PrintImageLayout_STRUCT {
  std::int32_t layout = 0;   // 0 best fit, 1 stretch to the page, 2 scale
  std::int32_t zoom = 1;     // layout 2: 1, 2, ..., 128 enlarge; -2, ..., -128 reduce
  std::int32_t caption = 0;  // 0 none, 1 the image name on top, 2 at the bottom
};

namespace ivorel {

enum PrintLayout : std::int32_t { kLayoutBestFit = 0, kLayoutStretch = 1, kLayoutScale = 2 };
enum PrintCaption : std::int32_t { kCaptionNone = 0, kCaptionTop = 1, kCaptionBottom = 2 };

// Paper and margins, thousandths of an inch.
struct PageSetup {
  int paperWidth = 8500;
  int paperHeight = 11000;
  int left = 500;
  int top = 500;
  int right = 500;
  int bottom = 500;
};

// The process-wide page set-up that the page set-up dialog edits.
PageSetup& page_setup();
PageSetup letter_paper();
PageSetup a4_paper();

// The printable rectangle in low-English hundredths (top = -(top margin / 10), bottom below it).
RECT printable_rect(const PageSetup& setup);

// The zoom list of the layout dialog: 15 entries, 1/128 ... 1 ... 128, entry 7 being 100 %.
inline constexpr int kZoomEntries = 15;
int zoom_of_entry(int entry);
// The entry showing `zoom`, or -1 when it is not one of the list's values.
int entry_of_zoom(int zoom);
// The text of an entry ("1/4 (25%)", "100%", "400%").
std::string zoom_entry_text(int entry);

// Height of a caption band: 0.8 inch.
inline constexpr int kCaptionBand = 80;
inline constexpr int kCaptionPoints = 12;

// A page being drawn, in hundredths of an inch, device order. Implementations: the printer and preview
// painters of the windows, the PDF writer, recording devices in tests.
class PageDevice {
 public:
  virtual ~PageDevice() = default;
  // Limits drawing to `clip` (null: the whole page).
  virtual void SetClip(const RECT* clip) = 0;
  // Draws the DIB stretched into `dest` by nearest pixel; returns the source rows drawn, or 0 when the
  // device refused or the drawing was cancelled.
  virtual int StretchDIB(const RECT& dest, const BITMAPINFO* info, const void* bits) = 0;
  // Black text of `points` points, centred in a white band.
  virtual void Caption(const RECT& band, const std::string& text, int points) = 0;
};

// Rows first ... first + count - 1 (counted from the top; count -1 for all the rest) of an uncompressed 1, 4,
// 8 or 24-bit DIB as RGB triples, the form pages take images in; false for any other DIB.
bool dib_rgb_rows(const BITMAPINFO* info, const void* bits, int first, int count, std::string& out);

// Where the parts of one page go (device order). `problem` is empty when the page can be printed.
struct PagePlacement {
  std::string problem;
  RECT printable{};
  RECT area{};  // handed to PrintImage: the printable rectangle less the caption band
  int keepAspect = 0;
  RECT image{};  // where the image lands after fitting; for scale it may pass the printable area
  bool clipped = false;
  bool hasCaption = false;
  RECT caption{};
};

}  // namespace ivorel

// The page layout object: one image with its name and layout, for one print or one preview. It keeps its
// own copy of the pixels, so the image may change or go away while a preview is open.
class PageImage {
 public:
  PageImage(const char* title, const _IMAGEDESCRIPTOR& image, const char* name,
            const _PrintImageLayout_STRUCT& layout);

  const std::string& Title() const { return title_; }
  const std::string& Name() const { return name_; }
  const _PrintImageLayout_STRUCT& Layout() const { return layout_; }
  const _IMAGEDESCRIPTOR& Image() const { return image_; }
  int Pages() const { return 1; }

  ivorel::PagePlacement Placement(const ivorel::PageSetup& setup) const;
  // Draws the page; 1 when the image was drawn whole or clipped as placed, 0 with `problem` set otherwise.
  int DrawPage(ivorel::PageDevice& device, const ivorel::PageSetup& setup,
               std::string* problem = nullptr) const;

  // Draws the image into `rect` (low-English) of the device; keepAspect fits it centred with its aspect.
  // 1 when the device drew every row of the image.
  static int PrintImage(ivorel::PageDevice& dc, const _IMAGEDESCRIPTOR& image, RECT rect, int dither,
                        int keepAspect);
  // The largest rectangle with the image's aspect that fits `area` (device order), centred in it.
  static RECT FitKeepingAspect(const RECT& area, int imageWidth, int imageHeight);
  // The palette for `count` entries (at most 256); null when count is 0. The caller deletes it.
  static HPALETTE CreateLogicalPalette(const RGBCOLOR* palette, int count);
  // A packed bitmap header with the colour table in the device's blue, green, red order.
  static std::vector<std::uint8_t> BitmapHeader(const _IMAGEDESCRIPTOR& image);

 private:
  std::string title_;
  std::string name_;
  _IMAGEDESCRIPTOR image_{};
  std::vector<unsigned char> pixels_;
  _PrintImageLayout_STRUCT layout_;
  int dither_ = 0;
  int aspect_ = 0;
};

namespace ivorel {

// How a processor's PrintWrapper reaches the printer: the windows library installs a host that prints
// with the main frame's layout and print settings. Without a host (the command line, headless tests)
// PrintWrapper prints nothing.
class PrintHost {
 public:
  virtual ~PrintHost() = default;
  virtual _PrintImageLayout_STRUCT Layout() = 0;
  // 1 when the page was printed.
  virtual int Print(const PageImage& page) = 0;
};

// The name a caption shows for an image name: the file name without its folder.
std::string printed_name(const char* imageName);

// The host stays owned by the caller; null removes it.
void install_print_host(PrintHost* host);
PrintHost* print_host();

}  // namespace ivorel
