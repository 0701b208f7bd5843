// ImageMagick and giflib as oracles: what they write we read as they do, frame by frame, and what we write
// they read with our frames, places, delays, disposal and transparency.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "tests/support/codaxe_io.h"
#include "tests/support/test_support.h"

#ifdef HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace testing_support;

namespace {

const std::string kSamples = std::string(SUITE_SOURCE_DIR) + "/samples/";

std::string command_output(const std::string& command) {
  std::string out;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

RgbImage frame_rgb(const ImageFrame& f) {
  return raw_to_rgb(f.pixels, f.palette, f.width, f.height, f.bitsPerPixel);
}

struct FrameFacts {
  int left, top, width, height, delay, disposal;
  bool operator==(const FrameFacts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const FrameFacts& f) {
  return os << f.width << "x" << f.height << "+" << f.left << "+" << f.top << " delay " << f.delay
            << " dispose " << f.disposal;
}

// What ImageMagick says of each frame; its disposal names in the GIF numbering.
std::vector<FrameFacts> imagemagick_facts(const std::string& path) {
  std::istringstream lines(command_output(std::string(IMAGEMAGICK_CONVERT) + " '" + path +
                                          "' -format '%X %Y %w %h %T %D\\n' info: 2>/dev/null"));
  std::vector<FrameFacts> out;
  int x, y, w, h, delay;
  std::string dispose;
  while (lines >> x >> y >> w >> h >> delay >> dispose) {
    int d = dispose == "None" ? 1 : dispose == "Background" ? 2 : dispose == "Previous" ? 3 : 0;
    out.push_back({x, y, w, h, delay, d});
  }
  return out;
}

std::vector<FrameFacts> our_facts(ImageStack& s) {
  std::vector<FrameFacts> out;
  for (int i = 0; const ImageFrame* f = s.GetFrameData(i); ++i) {
    out.push_back({f->left, f->top, f->width, f->height, f->delay, f->disposal});
  }
  return out;
}

// Every frame as ImageMagick decodes it, at the frame's own size, from one run that prints them all as PPM.
std::vector<RgbImage> imagemagick_frames(const std::string& path) {
  const std::string ppm = command_output(std::string(IMAGEMAGICK_CONVERT) + " '" + path +
                                         "' -alpha off -depth 8 ppm:- 2>/dev/null");
  std::vector<RgbImage> out;
  std::size_t at = 0;
  // Header fields are separated by white space and may be interleaved with comment lines (ImageMagick copies
  // GIF comments there).
  auto field = [&](int& value) {
    for (;;) {
      while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
      if (at < ppm.size() && ppm[at] == '#') {
        at = ppm.find('\n', at);
        continue;
      }
      break;
    }
    std::size_t used = 0;
    value = std::stoi(ppm.substr(at, 12), &used);
    at += used;
  };
  while (at + 2 < ppm.size() && ppm.compare(at, 2, "P6") == 0) {
    at += 2;
    RgbImage image;
    int maxValue = 0;
    field(image.width);
    field(image.height);
    field(maxValue);
    const std::size_t data = at + 1;
    const std::size_t bytes = std::size_t{3} * image.width * image.height;
    if (maxValue != 255 || data + bytes > ppm.size()) break;
    image.rgb.assign(ppm.begin() + data, ppm.begin() + data + bytes);
    out.push_back(std::move(image));
    at = data + bytes;
  }
  return out;
}

void expect_read_as_imagemagick_does(const std::string& path) {
  SCOPED_TRACE(path);
  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  ASSERT_EQ(c.DoExpansion(), 1) << c.GetError();
  ImageStack& s = *c.GetImageStack();
  EXPECT_EQ(our_facts(s), imagemagick_facts(path));
  const std::vector<RgbImage> theirs = imagemagick_frames(path);
  ASSERT_EQ(static_cast<int>(theirs.size()), s.GetFrameNumber());
  for (int i = 0; i < s.GetFrameNumber(); ++i) {
    EXPECT_EQ(max_channel_difference(frame_rgb(*s.GetFrameData(i)), theirs[i]), 0) << "frame " << i;
  }
}

}  // namespace

TEST(GifInterop, WeReadWhatImageMagickWritesAsItDoes) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  // One thread: its worker pool only spins on a busy test machine.
  ::setenv("MAGICK_THREAD_LIMIT", "1", 0);
  ScratchDir dir;
  const std::string wheel = kSamples + "wheel-24bit.bmp -resize 80x60";
  // Options, and the output format prefix.
  const std::pair<std::string, const char*> variants[] = {
      {wheel + " -colors 200", ""},
      {wheel + " -colors 16 -interlace GIF", ""},
      {wheel + " -monochrome", ""},
      {wheel + " -colors 7 -transparent white", ""},
      {wheel + " -colors 30", "GIF87:"},
      {"-dispose None -delay 7 ( " + wheel + " -colors 8 ) ( " + wheel +
           " -resize 40x30 -colors 4 -repage +20+10 ) -dispose Background -delay 33 ( " + wheel +
           " -resize 9x9 -colors 2 -repage +100+70 ) -loop 3",
       ""},
  };
  int i = 0;
  for (const auto& [options, format] : variants) {
    std::string out = dir.file("im" + std::to_string(i++) + ".gif");
    // Parentheses need escaping for the shell.
    std::string escaped;
    for (char ch : options) {
      if (ch == '(' || ch == ')') escaped += '\\';
      escaped += ch;
    }
    ASSERT_EQ(
        run_command(std::string(IMAGEMAGICK_CONVERT) + " " + escaped + " " + format + out + " 2>/dev/null"),
        0)
        << options;
    expect_read_as_imagemagick_does(out);
  }
  expect_read_as_imagemagick_does(kSamples + "wheel-turning.gif");
}

TEST(GifInterop, ImageMagickReadsOurAnimationsAsWeDo) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick absent";
  ScratchDir dir;
  ImageStack stack;
  for (int i = 0; i < 4; ++i) {
    RawPicture p = make_picture(static_cast<unsigned short>(12 + i), 9, i % 2 ? 4 : 8, i + 1);
    ASSERT_GE(stack.AppendImageFrame(nullptr, nullptr, p.pixels.data(), p.palette.data(), p.width, p.height,
                                     p.bits, p.colors),
              0);
    ImageFrame* f = stack.GetFrameData(i);
    f->left = 5 * i;
    f->top = i;
    f->delay = static_cast<unsigned short>(4 + i);
    f->disposal = static_cast<unsigned char>(i);
  }
  std::vector<char> name(256, '\0');
  std::snprintf(name.data(), name.size(), "%s", dir.file("ours.gif").c_str());
  Compand c;
  ASSERT_EQ(c.InitCompressor(CT_GIF, name.data(), &stack), 1);
  ASSERT_EQ(c.SaveImageStack(), 1);
  EXPECT_EQ(imagemagick_facts(name.data()), our_facts(stack));
  const std::vector<RgbImage> theirs = imagemagick_frames(name.data());
  ASSERT_EQ(theirs.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(max_channel_difference(frame_rgb(*stack.GetFrameData(i)), theirs[i]), 0) << i;
  }
}

#ifdef HAVE_GIFLIB

namespace {

struct GiflibFrame {
  FrameFacts facts;
  int transparent;  // -1 for none
  RgbImage rgb;
};

// giflib's own reading of a file: each image with its graphic control, as top-down RGB.
std::vector<GiflibFrame> giflib_read(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  std::vector<GiflibFrame> out;
  if (!gif) return out;
  if (DGifSlurp(gif) == GIF_OK) {
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      GraphicsControlBlock gcb{0, false, 0, NO_TRANSPARENT_COLOR};
      DGifSavedExtensionToGCB(gif, i, &gcb);
      const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
      GiflibFrame f{{image.ImageDesc.Left, image.ImageDesc.Top, image.ImageDesc.Width, image.ImageDesc.Height,
                     gcb.DelayTime, gcb.DisposalMode},
                    gcb.TransparentColor,
                    {image.ImageDesc.Width, image.ImageDesc.Height, {}}};
      for (int p = 0; p < image.ImageDesc.Width * image.ImageDesc.Height; ++p) {
        const int index = image.RasterBits[p];
        const GifColorType c = map && index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
        f.rgb.rgb.insert(f.rgb.rgb.end(), {c.Red, c.Green, c.Blue});
      }
      out.push_back(std::move(f));
    }
  }
  DGifCloseFile(gif, &error);
  return out;
}

// Writes a two-image file with giflib: a local table, an interlaced image and a transparent index.
bool giflib_write(const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  GifColorType colours[8];
  for (int i = 0; i < 8; ++i) {
    colours[i] = GifColorType{static_cast<GifByteType>(30 * i), static_cast<GifByteType>(255 - 20 * i),
                              static_cast<GifByteType>(i * i)};
  }
  ColorMapObject* global = GifMakeMapObject(8, colours);
  ColorMapObject* local = GifMakeMapObject(4, colours + 4);
  bool ok = EGifPutScreenDesc(gif, 30, 20, 8, 0, global) == GIF_OK;
  GraphicsControlBlock gcb{2, false, 12, 3};
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
  ok = ok && EGifPutImageDesc(gif, 2, 3, 17, 11, true, nullptr) == GIF_OK;
  // Interlaced: giflib takes the lines in the order they are stored.
  std::vector<GifPixelType> line(17);
  for (int pass = 0, starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2}; pass < 4; ++pass) {
    for (int y = starts[pass]; y < 11; y += steps[pass]) {
      for (int x = 0; x < 17; ++x) line[x] = static_cast<GifPixelType>((x + 3 * y) % 8);
      ok = ok && EGifPutLine(gif, line.data(), 17) == GIF_OK;
    }
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, 30, 20, false, local) == GIF_OK;
  line.resize(30);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) line[x] = static_cast<GifPixelType>((x * y) % 4);
    ok = ok && EGifPutLine(gif, line.data(), 30) == GIF_OK;
  }
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  GifFreeMapObject(global);
  GifFreeMapObject(local);
  return ok;
}

void expect_same_as_giflib(const std::string& path) {
  std::vector<GiflibFrame> theirs = giflib_read(path);
  Compand c;
  ASSERT_EQ(c.InitExpander(path.c_str()), 1);
  ASSERT_EQ(c.DoExpansion(), 1);
  ImageStack& s = *c.GetImageStack();
  ASSERT_EQ(s.GetFrameNumber(), static_cast<int>(theirs.size()));
  std::vector<FrameFacts> ours = our_facts(s);
  for (std::size_t i = 0; i < theirs.size(); ++i) {
    SCOPED_TRACE(i);
    const ImageFrame& f = *s.GetFrameData(static_cast<int>(i));
    EXPECT_EQ(ours[i], theirs[i].facts);
    EXPECT_EQ(f.transparent ? f.transparentIndex : -1, theirs[i].transparent);
    EXPECT_EQ(max_channel_difference(frame_rgb(f), theirs[i].rgb), 0);
  }
}

}  // namespace

TEST(GifInterop, WeReadWhatGiflibWritesAsItDoes) {
  ScratchDir dir;
  const std::string path = dir.file("giflib.gif");
  ASSERT_TRUE(giflib_write(path));
  expect_same_as_giflib(path);
}

TEST(GifInterop, GiflibReadsOurFilesAsWeDo) {
  ScratchDir dir;
  RecordingMessageBox boxes;
  // Our own conversions of the samples, one image each, and the animation saved again by us.
  for (const char* sample : {"wheel-1bit.bmp", "wheel-4bit.bmp", "wheel-8bit.bmp", "wheel-24bit.bmp"}) {
    std::string path = dir.file("s.gif");
    LoadedImage in = load_image(kSamples + sample);
    RawPicture p{in.width, in.height, in.bits, in.colors, in.pixels, in.palette};
    ASSERT_EQ(save_image(CT_GIF, path, p), 1);
    SCOPED_TRACE(sample);
    expect_same_as_giflib(path);
  }
  Compand source;
  ASSERT_EQ(source.InitExpander((kSamples + "wheel-turning.gif").c_str()), 1);
  ASSERT_EQ(source.DoExpansion(), 1);
  std::vector<char> name(256, '\0');
  std::snprintf(name.data(), name.size(), "%s", dir.file("again.gif").c_str());
  Compand writer;
  ASSERT_EQ(writer.InitCompressor(CT_GIF, name.data(), source.GetImageStack()), 1);
  ASSERT_EQ(writer.SaveImageStack(), 1);
  expect_same_as_giflib(name.data());
  std::vector<GiflibFrame> theirs = giflib_read(name.data());
  ASSERT_EQ(theirs.size(), 8u);
  EXPECT_EQ(theirs[5].facts.disposal, 2);
  EXPECT_GE(theirs[5].transparent, 0);
}

#endif
