// render: draws an image with a Display into an image window's client area held in memory, and saves what the
// window would show. Thumbnails come out of it, and it makes the display's arithmetic checkable from outside.
#include <charconv>
#include <cstdio>
#include <vector>

#include "display/display.h"
#include "imgtools/image_source.h"
#include "imgtools/verbs.h"
#include "ivorel/windows/imagedescriptor.h"

namespace imgtools {

namespace {

constexpr int kLargestClient = 16384;

enum class ViewMode { Scale, Fit, Aspect };

struct RenderOptions {
  int width = 0;
  int height = 0;
  ViewMode mode = ViewMode::Scale;
  short zoom = 1;
  POINT scroll{0, 0};
  bool paletteDisplay = false;
  bool ditherInAdvance = true;
};

// "AxB" (or "A,B") with both numbers in [low, high].
bool parse_pair(const std::string& text, char separator, int low, int high, int& a, int& b) {
  const char* end = text.data() + text.size();
  auto first = std::from_chars(text.data(), end, a);
  if (first.ec != std::errc() || first.ptr == end || *first.ptr != separator) return false;
  auto second = std::from_chars(first.ptr + 1, end, b);
  return second.ec == std::errc() && second.ptr == end && a >= low && a <= high && b >= low && b <= high;
}

bool parse_zoom(const std::string& text, short& zoom) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  const int magnitude = value < 0 ? -value : value;
  if (magnitude < 1 || magnitude > 128 || (magnitude & (magnitude - 1)) != 0) return false;
  zoom = static_cast<short>(value);
  return true;
}

// The client area as a 24-bit raw image (bottom-up rows, blue, green, red).
std::vector<unsigned char> client_pixels(const DeviceBitmap& surface) {
  const std::size_t stride = dib_stride(surface.width, 24);
  std::vector<unsigned char> raw(stride * surface.height, 0);
  for (int y = 0; y < surface.height; ++y) {
    unsigned char* out = raw.data() + (surface.height - 1 - y) * stride;
    for (int x = 0; x < surface.width; ++x, out += 3) {
      const std::uint32_t p = surface.at(x, y);
      out[0] = p & 0xFF;
      out[1] = p >> 8 & 0xFF;
      out[2] = p >> 16 & 0xFF;
    }
  }
  return raw;
}

int save_client(const std::string& out, CompandType type, DeviceBitmap& surface) {
  std::vector<unsigned char> pixels = client_pixels(surface);
  std::vector<RGBCOLOR> palette(256);
  RawImage img{static_cast<unsigned short>(surface.width),
               static_cast<unsigned short>(surface.height),
               24,
               0,
               pixels.data(),
               palette.data()};
  return save_image(out, type, img);
}

// Paints as an image window does in each view mode; scroll positions are kept inside the scroll ranges.
int paint(Display& display, draw::MemoryWindow& window, const RenderOptions& o) {
  RECT client = window.client_rect();
  POINT origin{0, 0};
  switch (o.mode) {
    case ViewMode::Fit:
      display.SetStretchMode();
      return display.DisplayImage(&window, origin, client, 0);
    case ViewMode::Aspect:
      return display.DisplayImageWithAspect(&window, 0);
    case ViewMode::Scale:
      break;
  }
  display.SetClipMode();
  display.SetZoom(o.zoom);
  const int rangeX = std::max(0, ivorel::displayed_extent(o.zoom, display.GetWidth()) - client.right);
  const int rangeY = std::max(0, ivorel::displayed_extent(o.zoom, display.GetHeight()) - client.bottom);
  POINT scroll{std::min<int>(o.scroll.x, rangeX), std::min<int>(o.scroll.y, rangeY)};
  return display.DisplayImage(&window, scroll, client, 0);
}

}  // namespace

int render_verb(const Args& args) {
  RenderOptions o;
  Args files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takesValue = a == "--size" || a == "--mode" || a == "--zoom" || a == "--scroll";
    if (takesValue && i + 1 == args.size()) return usage_error("render: " + a + " needs a value");
    if (a == "--size") {
      if (!parse_pair(args[++i], 'x', 1, kLargestClient, o.width, o.height)) {
        return usage_error("render: bad value for --size (WxH, 1 to 16384 each): " + args[i]);
      }
    } else if (a == "--mode") {
      const std::string& m = args[++i];
      if (m == "scale") {
        o.mode = ViewMode::Scale;
      } else if (m == "fit") {
        o.mode = ViewMode::Fit;
      } else if (m == "aspect") {
        o.mode = ViewMode::Aspect;
      } else {
        return usage_error("render: bad value for --mode (scale, fit or aspect): " + m);
      }
    } else if (a == "--zoom") {
      if (!parse_zoom(args[++i], o.zoom)) {
        return usage_error("render: bad value for --zoom (1, 2, 4 ... 128 or -2, -4 ... -128): " + args[i]);
      }
    } else if (a == "--scroll") {
      int x = 0, y = 0;
      if (!parse_pair(args[++i], ',', 0, 1 << 30, x, y)) {
        return usage_error("render: bad value for --scroll (X,Y, not negative): " + args[i]);
      }
      o.scroll = POINT{x, y};
    } else if (a == "--palette-display") {
      o.paletteDisplay = true;
    } else if (a == "--no-dither-in-advance") {
      o.ditherInAdvance = false;
    } else if (a.starts_with("--")) {
      return usage_error("render: unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return usage_error("render: needs IN and OUT");
  if (o.width == 0) return usage_error("render: needs --size WxH");
  const std::string& in = files[0];
  const std::string& out = files[1];
  CompandType outType = writable_type(out);
  if (outType == CT_NONE) {
    return usage_error("render: " + out + " does not name a file type this tool writes");
  }

  ImageSource source(in);
  if (!source.ok()) return 1;
  RawImage img = source.frame(0);
  draw::set_screen_bits_per_pixel(o.paletteDisplay ? 8 : 32);
  draw::MemoryWindow window(o.width, o.height);
  Display display;
  if (!display.InitForDisplay(img.width, img.height, draw::colours_for_display(img.bits, img.colors),
                              img.pixels, img.palette, o.ditherInAdvance)) {
    std::fprintf(stderr, "%s: could not be prepared for display\n", in.c_str());
    return 1;
  }
  if (!paint(display, window, o)) {
    // What the window shows then is its background; say why rather than leave a black picture unexplained.
    std::fprintf(stderr, "%s: nothing painted%s\n", in.c_str(),
                 o.paletteDisplay && !o.ditherInAdvance && o.mode == ViewMode::Scale
                     ? " (true colour on a palette screen is shown to scale only when dithered in advance)"
                     : "");
  }
  return save_client(out, outType, window.surface());
}

}  // namespace imgtools
