// What the saved file holds: the colour tables each policy gives, every frame in its own colours, the
// transparent entry, the frame comments, the screen, one-frame saves, the browser page, and frames written
// with the coded data they were read with.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "apps/framora/document/framora_doc.h"
#include "imgfile/fixed_palette.h"
#include "tests/framora_document/gif_layout.h"
#include "tests/imgfile/gif_test_files.h"
#include "tests/support/codaxe_io.h"

namespace {

using framora::CFramoraDoc;
using framora::ColourPolicy;
using framora::Status;
using framora_test::read_gif_layout;
using testing_support::RawPicture;
using testing_support::RgbImage;
using testing_support::ScratchDir;

void add(CFramoraDoc& doc, const RawPicture& p, const std::string& path = "p") {
  ASSERT_EQ(doc.AddRawImage(p.pixels.data(), p.palette.data(), p.width, p.height, p.bits, p.colors, path), 1);
}

RgbImage rgb_of(const ImageFrame& f) {
  return testing_support::raw_to_rgb(f.pixels, f.palette, f.width, f.height, f.bitsPerPixel);
}

// Every frame of a GIF as our reader gives it back, in colour.
std::vector<RgbImage> frames_of(const std::string& path) {
  Compand c;
  std::vector<RgbImage> out;
  if (!c.InitExpander(path.c_str()) || !c.DoExpansion()) return out;
  for (int i = 0; const ImageFrame* f = c.GetImageStack()->GetFrameData(i); ++i) out.push_back(rgb_of(*f));
  c.DisposeOfImage();
  return out;
}

// How many images gifsicle says carry a local table, or -1 without gifsicle.
int gifsicle_local_tables(const std::string& path, const ScratchDir& dir) {
  if (testing_support::run_command("command -v gifsicle >/dev/null 2>&1") != 0) return -1;
  const std::string info = dir.file("info.txt");
  testing_support::run_command("gifsicle --info " + path + " > " + info);
  const auto bytes = testing_support::read_file(info);
  const std::string text(bytes.begin(), bytes.end());
  int n = 0;
  for (std::size_t at = 0; (at = text.find("local color table", at)) != std::string::npos; ++at) ++n;
  return n;
}

TEST(FramoraSave, ColourPoliciesInTheWrittenFile) {
  ScratchDir dir;
  // Frames 0 and 1 share a palette, frame 2 has another, frame 3 is true colour.
  const RawPicture a = testing_support::make_picture(12, 9, 8, 1);
  const RawPicture b = testing_support::make_picture(12, 9, 8, 2);
  const RawPicture rgb = testing_support::make_picture(12, 9, 24, 3);
  RawPicture fileSource = testing_support::make_picture(4, 4, 4, 7);
  std::string paletteFile = dir.file("palette.bmp");
  ASSERT_EQ(testing_support::save_image(CT_BMP, paletteFile, fileSource), 1);

  const struct {
    const char* name;
    ColourPolicy policy;
    std::vector<bool> local;  // which frames carry a table of their own
    bool ownColours;          // every frame read back exactly as it was
  } cases[] = {
      {"global", ColourPolicy::KeepPalettes, {false, false, true, true}, true},
      {"local", ColourPolicy::LocalTables, {false, true, true, true}, true},
      {"fixed", ColourPolicy::FixedPalette, {false, false, false, false}, false},
      {"frame 2", ColourPolicy::FramePalette, {false, false, false, false}, false},
      {"file", ColourPolicy::FilePalette, {false, false, false, false}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CFramoraDoc doc;
    add(doc, a);
    add(doc, a);
    add(doc, b);
    add(doc, rgb);
    ASSERT_EQ(doc.SetColourPolicy(c.policy, 2, paletteFile), Status::Ok);
    const std::string out = dir.file(std::string(c.name) + ".gif");
    ASSERT_EQ(doc.Save(out), Status::Ok);
    const auto layout = read_gif_layout(out);
    ASSERT_TRUE(layout.ok);
    ASSERT_EQ(layout.frames.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(layout.frames[i].localTable, c.local[i]) << "frame " << i;
    const int oracle = gifsicle_local_tables(out, dir);
    if (oracle >= 0) {
      EXPECT_EQ(oracle, static_cast<int>(std::count(c.local.begin(), c.local.end(), true)));
    }

    const auto back = frames_of(out);
    ASSERT_EQ(back.size(), 4u);
    if (c.ownColours) {
      // True colour is written dithered onto the fixed palette: as a single GIF of that frame shows it.
      ASSERT_EQ(doc.SaveFrame(3, dir.file("alone.gif")), Status::Ok);
      const auto alone = frames_of(dir.file("alone.gif"));
      for (int i = 0; i < 3; ++i) EXPECT_EQ(back[i].rgb, rgb_of(*doc.GetFrame(i)).rgb) << "frame " << i;
      ASSERT_EQ(alone.size(), 1u);
      EXPECT_EQ(back[3].rgb, alone[0].rgb);
    } else {
      // One palette for all: each frame keeps its picture, in that palette's colours.
      const ImageFrame* f0 = doc.GetFrame(0);
      std::set<std::uint32_t> allowed;
      for (int k = 0; k < f0->colors; ++k)
        allowed.insert(f0->palette[k].red << 16 | f0->palette[k].green << 8 | f0->palette[k].blue);
      for (int i = 0; i < 4; ++i) {
        const ImageFrame* f = doc.GetFrame(i);
        EXPECT_EQ(f->bitsPerPixel, 8);
        EXPECT_EQ(std::memcmp(f->palette, f0->palette, sizeof f->palette), 0);
        EXPECT_EQ(back[i].rgb, rgb_of(*f).rgb);
        for (std::size_t k = 0; k < back[i].rgb.size(); k += 3)
          ASSERT_TRUE(allowed.count(back[i].rgb[k] << 16 | back[i].rgb[k + 1] << 8 | back[i].rgb[k + 2]));
      }
    }
  }
}

// A palette image brought onto another palette keeps its picture: each pixel takes the nearest colour (no
// dithering asked), never the colour that happens to sit at its old index.
TEST(FramoraSave, MappingToAPaletteKeepsThePicture) {
  RawPicture p = testing_support::make_picture(16, 4, 8, 4);
  for (std::size_t k = 0; k < p.pixels.size(); ++k) p.pixels[k] = static_cast<unsigned char>(k % 16);
  // Target: the same sixteen colours in reverse order, then black.
  RawPicture target = p;
  for (int i = 0; i < 256; ++i) target.palette[i] = i < 16 ? p.palette[15 - i] : RGBCOLOR{0, 0, 0};
  target.colors = 16;
  CFramoraDoc doc;
  add(doc, target);
  add(doc, p);
  doc.SetTransparency(1, 5);
  ASSERT_EQ(doc.SetColourPolicy(ColourPolicy::FramePalette, 0, {}, framora::PaletteMapping::Nearest),
            Status::Ok);
  const ImageFrame* f = doc.GetFrame(1);
  EXPECT_EQ(rgb_of(*f).rgb, testing_support::raw_to_rgb(p.pixels.data(), p.palette.data(), 16, 4, 8).rgb);
  EXPECT_EQ(f->transparentIndex, 10);
}

TEST(FramoraSave, SoundBehaviourOfTheSavedAnimation) {
  ScratchDir dir;
  // A GIF with a global table opened first, then frames of other palettes and of true colour.
  RawPicture gifFrame = testing_support::make_picture(10, 8, 8, 6);
  CFramoraDoc maker;
  add(maker, gifFrame);
  add(maker, gifFrame);
  maker.SetColourPolicy(ColourPolicy::KeepPalettes);
  ASSERT_EQ(maker.Save(dir.file("first.gif")), Status::Ok);

  CFramoraDoc doc;
  ASSERT_EQ(doc.AddFile(dir.file("first.gif")), 2);
  ASSERT_EQ(doc.GetStack().GetbGCT(), 1);
  add(doc, testing_support::make_picture(10, 8, 8, 7), "other.bmp");
  add(doc, testing_support::make_picture(10, 8, 24, 8), "rgb.bmp");

  // Frame 1's palette holds its transparent colour twice: entry 3 and entry 200 (which the pixels use for
  // opaque pixels). Compacting the table merges them; the transparent entry must stay apart.
  ImageFrame* f1 = const_cast<ImageFrame*>(doc.GetFrame(1));
  f1->palette[200] = f1->palette[3];
  for (std::size_t k = 0; k < f1->imageSize; k += 7)
    f1->pixels[k] = static_cast<unsigned char>(k % 2 ? 3 : 200);
  ASSERT_EQ(doc.SetTransparency(1, 3), Status::Ok);
  ASSERT_EQ(doc.SetComment(2, "frame two's words"), Status::Ok);
  ASSERT_EQ(doc.SetPosition(3, 30, 40), Status::Ok);
  ASSERT_EQ(doc.SetLoopCount(3), Status::Ok);
  const std::string out = dir.file("out.gif");
  ASSERT_EQ(doc.Save(out), Status::Ok);

  const auto layout = read_gif_layout(out);
  ASSERT_TRUE(layout.ok);
  ASSERT_EQ(layout.frames.size(), 4u);
  // The screen holds frame 3 at (30, 40).
  EXPECT_EQ(layout.screenWidth, 40);
  EXPECT_EQ(layout.screenHeight, 48);
  EXPECT_EQ(layout.loopCount, 3);
  EXPECT_EQ(layout.frames[2].commentAfter, "frame two's words");
  EXPECT_NE(layout.frames[1].commentAfter.find(" frame 1, from "), std::string::npos);

  // Every frame in its own colours, though the animation began with a GIF's global table.
  const auto back = frames_of(out);
  ASSERT_EQ(back.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(back[i].rgb, rgb_of(*doc.GetFrame(i)).rgb) << "frame " << i;
  EXPECT_TRUE(layout.frames[2].localTable);
  EXPECT_TRUE(layout.frames[3].localTable);

  // Exactly the pixels that were transparent are transparent in the file.
  Compand c;
  ASSERT_TRUE(c.InitExpander(out.c_str()) && c.DoExpansion());
  const ImageFrame* read = c.GetImageStack()->GetFrameData(1);
  ASSERT_TRUE(read->transparent);
  EXPECT_EQ(read->transparentIndex, layout.frames[1].transparentIndex);
  const std::size_t stride = dib_stride(10, 8);
  for (std::size_t y = 0; y < 8; ++y) {
    for (std::size_t x = 0; x < 10; ++x) {
      const std::size_t k = y * stride + x;
      ASSERT_EQ(read->pixels[k] == read->transparentIndex, f1->pixels[k] == 3) << "pixel " << x << "," << y;
    }
  }
  c.DisposeOfImage();
}

TEST(FramoraSave, OneFrameAndOtherFormats) {
  ScratchDir dir;
  CFramoraDoc doc;
  EXPECT_EQ(doc.Save(dir.file("empty.gif")), Status::NothingToWrite);
  const RawPicture p = testing_support::make_picture(7, 5, 8, 2);
  add(doc, p);
  std::string written;
  ASSERT_EQ(doc.Save(dir.file("noext"), &written), Status::Ok);
  EXPECT_EQ(written, dir.file("noext.gif"));
  const auto head = testing_support::read_file(written);
  EXPECT_EQ(std::string(head.begin(), head.begin() + 6), "GIF89a");
  EXPECT_FALSE(doc.IsModified());
  // A single frame keeps all that was set for it, as a frame of an animation does.
  ASSERT_EQ(doc.SetFrameSettings(0, {35, 1, true, 4, 3, 2}, "only one"), Status::Ok);
  ASSERT_EQ(doc.Save(written), Status::Ok);
  CFramoraDoc back;
  ASSERT_EQ(back.AddFile(written), 1);
  const framora::FrameProperties kept = back.GetFrameProperties(0);
  EXPECT_EQ(kept.delay, 35);
  EXPECT_EQ(kept.disposal, 1);
  EXPECT_TRUE(kept.transparent);
  EXPECT_EQ(back.GetFrame(0)->palette[kept.transparentIndex].red, p.palette[4].red);
  EXPECT_EQ(kept.left, 3);
  EXPECT_EQ(kept.top, 2);
  EXPECT_EQ(back.GetFrameComment(0), "only one");
  EXPECT_EQ(rgb_of(*back.GetFrame(0)).rgb, rgb_of(*doc.GetFrame(0)).rgb);

  add(doc, testing_support::make_picture(7, 5, 24, 3));
  for (const char* name : {"frame.bmp", "frame.png", "frame.tif"}) {
    ASSERT_EQ(doc.SaveFrame(1, dir.file(name)), Status::Ok) << name;
    testing_support::LoadedImage back = testing_support::load_image(dir.file(name));
    EXPECT_EQ(back.rgb().rgb, rgb_of(*doc.GetFrame(1)).rgb) << name;
  }
  EXPECT_EQ(doc.SaveFrame(0, dir.file("nowhere/x.bmp")), Status::WriteFailed);
}

TEST(FramoraSave, BrowserTestPageShowsTheAnimation) {
  ScratchDir dir;
  CFramoraDoc doc;
  add(doc, testing_support::make_picture(6, 6, 8, 1));
  add(doc, testing_support::make_picture(6, 6, 8, 2));
  std::string page;
  ASSERT_EQ(doc.WriteBrowserTest(dir.path().string(), &page), Status::Ok);
  EXPECT_EQ(page, dir.file("Framora_Test.htm"));
  const auto bytes = testing_support::read_file(page);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind("<HTML>\n<HEAD><TITLE>Framora Test</TITLE></HEAD>\n<BODY>\n<H1 align=center>Framora "
                       "Testing</H1>\n<hr size=2 width=\"80%\">\n<IMG SRC=\"Framora_Test.gif\" "
                       "ALT=\"Framora_Test.gif\">\n",
                       0),
            0u);
  EXPECT_NE(text.find("</BODY>\n</HTML>\n"), std::string::npos);
  EXPECT_EQ(read_gif_layout(dir.file("Framora_Test.gif")).frames.size(), 2u);
  EXPECT_EQ(doc.WriteBrowserTest(dir.file("missing-folder")), Status::WriteFailed);
}

}  // namespace

namespace {

// Five frames of 8 x 6 showing what GIF files hold: a global table of 16 entries coded at 5 bits, an
// interlaced frame with a transparent entry, a local table of 8 coded at 8 bits, a frame coded at 6 bits,
// and one whose pixels reach beyond its table. Each is coded as our writer would not code it, so that a
// copy of its data is told apart from a fresh coding.
gif_test::Bytes varied_gif() {
  auto picture = [](int seed, int colours) {
    gif_test::Bytes b(48);
    for (std::size_t k = 0; k < b.size(); ++k)
      b[k] = static_cast<unsigned char>((k * 7 + seed * (k / 8)) % colours);
    return b;
  };
  gif_test::GifFile file(8, 6, 4);
  file.control(0, 10).descriptor(0, 0, 8, 6).pixels(picture(1, 16), 5);
  file.control(1, 20, 3).image(0, 0, 8, 6, picture(2, 16), true);
  file.control(0, 30).image(0, 0, 8, 6, picture(3, 8), false, 3);
  file.control(0, 40).descriptor(0, 0, 8, 6).pixels(picture(4, 16), 6);
  gif_test::Bytes beyond = picture(5, 16);
  beyond[5] = 20;
  file.control(0, 50).image(0, 0, 8, 6, beyond);
  return file.trailer().bytes();
}

// The frame of the source file a document frame came from, by its "Slide" number.
int origin(const CFramoraDoc& doc, int i) {
  const std::string path = doc.GetFramePath(i);
  return std::stoi(path.substr(path.rfind(' ') + 1)) - 1;
}

}  // namespace

// Frames nobody changed are written with their file's coded data, byte for byte; every other frame is coded
// afresh; and either way each frame reads back as the document holds it.
TEST(FramoraSave, UnchangedFramesKeepTheirCodedData) {
  ScratchDir dir;
  const struct {
    const char* name;
    std::function<void(CFramoraDoc&, const std::string& source)> edit;
    std::function<bool(int from)> copied;  // for the frame that came from frame `from` of the file
  } cases[] = {
      {"re-timed and reordered",
       [](CFramoraDoc& d, const std::string&) {
         for (int i = 0; i < 5; ++i) d.SetDelay(i, 3);
         d.MoveFrame(0, 4);
         d.MoveFrame(2, 0);
         d.SetTransparency(1, 6);
         d.SetPosition(2, 1, 1);
       },
       [](int from) { return from != 4; }},
      {"local tables",
       [](CFramoraDoc& d, const std::string&) { d.SetColourPolicy(ColourPolicy::LocalTables); },
       [](int from) { return from != 4; }},
      {"one frame's pixels changed",
       [](CFramoraDoc& d, const std::string&) { const_cast<ImageFrame*>(d.GetFrame(1))->pixels[9] ^= 1; },
       [](int from) { return from != 4 && from != 1; }},
      {"one frame's palette changed",
       [](CFramoraDoc& d, const std::string&) {
         const_cast<ImageFrame*>(d.GetFrame(2))->palette[1].red ^= 1;
       },
       [](int from) { return from != 4 && from != 2; }},
      {"every palette replaced",
       [](CFramoraDoc& d, const std::string&) { d.SetColourPolicy(ColourPolicy::FixedPalette); },
       [](int) { return false; }},
      {"file changed since",
       [](CFramoraDoc&, const std::string& source) {
         auto bytes = testing_support::read_file(source);
         bytes[85] ^= 0x55;  // inside the first image's data: header, table, control, descriptor, 6 bytes on
         testing_support::write_file(source, bytes);
       },
       [](int from) { return from != 4 && from != 0; }},
      {"file gone", [](CFramoraDoc&, const std::string& source) { std::remove(source.c_str()); },
       [](int) { return false; }},
      {"a file opened after another",
       [](CFramoraDoc& d, const std::string& source) {
         CFramoraDoc bmpMaker;
         ASSERT_EQ(bmpMaker.AddRawImage(d.GetFrame(0)->pixels, d.GetFrame(0)->palette, 8, 6, 8, 256), 1);
         d.New();
         ASSERT_EQ(bmpMaker.SaveFrame(0, source + ".bmp"), Status::Ok);
         ASSERT_EQ(d.AddFile(source + ".bmp"), 1);
         ASSERT_EQ(d.AddFile(source), 5);
         d.DeleteFrame(0);
       },
       [](int from) { return from != 4; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = dir.file(std::string(c.name) + ".gif");
    testing_support::write_file(source, varied_gif());
    const auto sourceLayout = read_gif_layout(source);
    ASSERT_EQ(sourceLayout.frames.size(), 5u);
    CFramoraDoc doc;
    ASSERT_EQ(doc.AddFile(source), 5);
    c.edit(doc, source);
    const std::string out = dir.file(std::string(c.name) + ".out.gif");
    ASSERT_EQ(doc.Save(out), Status::Ok);
    const auto layout = read_gif_layout(out);
    const auto back = frames_of(out);
    ASSERT_EQ(back.size(), 5u);
    ASSERT_EQ(layout.frames.size(), 5u);
    Compand read;
    ASSERT_TRUE(read.InitExpander(out.c_str()) && read.DoExpansion());
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      const int from = origin(doc, i);
      EXPECT_EQ(layout.frames[i].data == sourceLayout.frames[from].data, c.copied(from));
      EXPECT_EQ(back[i].rgb, rgb_of(*doc.GetFrame(i)).rgb);
      EXPECT_EQ(layout.frames[i].delay, doc.GetFrame(i)->delay);
      // Exactly the pixels that are transparent in the document are transparent in the file.
      const ImageFrame* want = doc.GetFrame(i);
      const ImageFrame* got = read.GetImageStack()->GetFrameData(i);
      ASSERT_EQ(got->transparent, want->transparent);
      for (std::size_t k = 0; want->transparent && k < want->imageSize; ++k) {
        ASSERT_EQ(got->pixels[k] == got->transparentIndex, want->pixels[k] == want->transparentIndex) << k;
      }
    }
    read.DisposeOfImage();
  }
}
