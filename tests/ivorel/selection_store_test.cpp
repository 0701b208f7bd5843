// Selections written to a store and read back, damaged stores, the store file, the image under an empty
// selection and the fitting of pasted selections.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "ivorel/windows/draw_objects.h"
#include "processing_support.h"

namespace {

using namespace ivorel;

_IMAGEDESCRIPTOR random_descriptor(int w, int h, int bits, std::mt19937& rng) {
  _IMAGEDESCRIPTOR d;
  d.width = static_cast<unsigned short>(w);
  d.height = static_cast<unsigned short>(h);
  d.xResolution = d.yResolution = 96;
  d.bitsPerPixel = static_cast<unsigned short>(bits);
  d.colors = static_cast<unsigned short>(bits == 24 ? 0 : 1 << bits);
  d.imageSize = row_bytes(w, bits) * h;
  d.hImageData = GlobalAlloc(d.imageSize);
  d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
  for (std::uint32_t i = 0; i < d.imageSize; ++i) d.imageData[i] = static_cast<unsigned char>(rng());
  for (auto& c : d.palette)
    c = {static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng()),
         static_cast<unsigned char>(rng())};
  return d;
}

bool same_descriptor(const _IMAGEDESCRIPTOR& a, const _IMAGEDESCRIPTOR& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
         a.colors == b.colors && a.imageSize == b.imageSize &&
         (a.imageData == nullptr) == (b.imageData == nullptr) &&
         (!a.imageData || std::memcmp(a.imageData, b.imageData, a.imageSize) == 0) &&
         std::memcmp(a.palette, b.palette, sizeof a.palette) == 0;
}

// Objects of every class and depth, with and without mask (shown or not) and text, written and read back:
// the same objects, and writing them again gives the same bytes.
TEST(SelectionStore, RoundTripsEveryClassAndDepth) {
  std::mt19937 rng(5);
  std::vector<std::unique_ptr<CDrawObj>> objects;
  int variant = 0;
  for (int bits : {1, 4, 8, 24}) {
    for (int extras = 0; extras < 4; ++extras, ++variant) {
      std::unique_ptr<CDrawObj> o;
      if (variant % 3 == 0) {
        o = std::make_unique<CDrawRectWithImage>(RECT{variant, 2, 40 + variant, 30}, ShapeKind::Ellipse);
      } else if (variant % 3 == 1) {
        o = std::make_unique<CDrawPolyWithImage>(std::vector<POINT>{{1, 1}, {30, 4}, {12, 25}});
      } else {
        o = std::make_unique<CDrawObjWithImage>(RECT{3, 4, 20, 22});
      }
      o->m_logpen.colour = 0x123456u + variant;
      SelectionImagePart* part = o->ImagePart();
      part->AdoptImage(random_descriptor(9 + variant, 7, bits, rng));
      if (extras & 1) {
        part->alpha.descriptor = random_descriptor(9 + variant, 7, 24, rng);
        if (extras & 2) part->SwitchDisplayData();
      }
      if (extras & 2) {
        part->text.text = std::string("<p>Caption \xC3\xA9</p>");
        part->text.hasCharFormat = true;
        part->text.charFormat[4] = 9;
        part->text.windowOpen = extras == 3;
      }
      objects.push_back(std::move(o));
    }
  }
  objects.push_back(std::make_unique<CDrawRectWithImage>(RECT{0, 0, 5, 5}, ShapeKind::Rectangle));  // empty
  std::vector<const CDrawObj*> list;
  for (auto& o : objects) list.push_back(o.get());
  const std::vector<unsigned char> bytes = write_selection_store(list);

  std::vector<std::unique_ptr<CDrawObj>> back;
  ASSERT_TRUE(read_selection_store(bytes, back));
  ASSERT_EQ(back.size(), objects.size());
  for (std::size_t i = 0; i < back.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back[i]->GetClassId(), objects[i]->GetClassId());
    EXPECT_EQ(0, std::memcmp(&back[i]->m_position, &objects[i]->m_position, sizeof(RECT)));
    EXPECT_EQ(back[i]->m_logpen.colour, objects[i]->m_logpen.colour);
    const SelectionImagePart *a = back[i]->ImagePart(), *b = objects[i]->ImagePart();
    EXPECT_TRUE(same_descriptor(a->Pixels(), b->Pixels()));
    EXPECT_TRUE(same_descriptor(a->Mask(), b->Mask()));
    EXPECT_EQ(a->alphaShown, b->alphaShown);
    EXPECT_EQ(a->text.text, b->text.text);
    EXPECT_EQ(a->text.windowOpen, b->text.windowOpen);
  }
  std::vector<const CDrawObj*> again;
  for (auto& o : back) again.push_back(o.get());
  EXPECT_EQ(write_selection_store(again), bytes);
}

// Every shortened store, and stores with a count, size, depth or flag changed, give nothing at all.
TEST(SelectionStore, DamagedStoresGiveNothing) {
  std::mt19937 rng(9);
  CDrawRectWithImage o(RECT{0, 0, 10, 10}, ShapeKind::Rectangle);
  o.AdoptImage(random_descriptor(6, 5, 8, rng));
  o.alpha.descriptor = random_descriptor(6, 5, 24, rng);
  o.text.text.assign(1, 'x');
  const std::vector<unsigned char> bytes = write_selection_store({&o});
  std::vector<std::unique_ptr<CDrawObj>> out;
  for (std::size_t n = 0; n < bytes.size(); n += 7) {
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_FALSE(read_selection_store(cut, out)) << n;
    EXPECT_TRUE(out.empty());
  }
  // Offsets: count 0, class 4, shape kind 4+2+16+2+16+2+12 = 54, image record's width 4+2+60+4 = 70.
  struct Damage {
    std::size_t at;
    unsigned char value;
  } damages[] = {{0, 0xFF}, {3, 0x7F},    {4, 0x09},      {54, 0x07},
                 {70, 0},   {70 + 12, 3}, {70 + 8, 0xFF}, {70 + 9, 0xFF}};
  for (const Damage& d : damages) {
    std::vector<unsigned char> bad = bytes;
    bad[d.at] = d.value;
    EXPECT_FALSE(read_selection_store(bad, out)) << d.at;
  }
  std::vector<unsigned char> trailing = bytes;
  trailing.resize(bytes.size() + 4096);  // the block's slack past the objects does not matter
  EXPECT_TRUE(read_selection_store(trailing, out));
}

TEST(SelectionStore, FileIsReplacedWhole) {
  const auto dir = std::filesystem::temp_directory_path() / ("selstore" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "Pictaro.sel").string();
  EXPECT_TRUE(read_store_file(path).empty());
  const std::vector<unsigned char> a(10000, 3), b(20, 4);
  ASSERT_TRUE(write_store_file(path, a));
  ASSERT_TRUE(write_store_file(path, b));
  EXPECT_EQ(read_store_file(path), b);
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  EXPECT_FALSE(write_store_file((dir / "missing" / "x.sel").string(), b));
  std::filesystem::remove_all(dir);
}

// The image under an empty selection: the block under the rectangle clipped to R, at the image's depth
// (packed pixels shifted to the block's start), nothing for a block under four pixels.
TEST(SelectionStore, ImageUnderAnEmptySelection) {
  std::mt19937 rng(3);
  for (int bits : {1, 4, 8, 24}) {
    _IMAGEDESCRIPTOR image = random_descriptor(20, 12, bits, rng);
    ImagePlacement at{{10, 10, 50, 34}, 20, 12};  // shown at twice its size
    bool noMemory = false;
    _IMAGEDESCRIPTOR block = take_image_under(image, at, RECT{0, 14, 21, 100}, noMemory);
    ASSERT_NE(block.imageData, nullptr) << bits;
    // Client 10..21, 14..34 (exclusive) -> data 0..5, 2..12.
    EXPECT_EQ(block.width, 5);
    EXPECT_EQ(block.height, 10);
    for (int y = 0; y < block.height; ++y) {
      for (int x = 0; x < block.width; ++x) {
        const auto at = [&](const _IMAGEDESCRIPTOR& d, int px, int py) {
          const unsigned char* row = d.imageData + (d.height - 1 - py) * row_bytes(d.width, bits);
          const int bit = px * bits;
          return bits == 24 ? row[3 * px] | row[3 * px + 1] << 8 | row[3 * px + 2] << 16
                            : (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
        };
        ASSERT_EQ(at(block, x, y), at(image, x, y + 2)) << bits << " " << x << "," << y;
      }
    }
    free_image_block(block);
    EXPECT_EQ(take_image_under(image, at, RECT{10, 10, 15, 40}, noMemory).imageData, nullptr);
    free_image_block(image);
  }
}

TEST(SelectionStore, PastedObjectsFitTheImageRectangle) {
  const RECT R{10, 10, 110, 60};
  struct Case {
    RECT in, want;
  } cases[] = {
      {{20, 20, 40, 30}, {20, 20, 40, 30}},    // inside: kept
      {{0, 0, 20, 20}, {10, 10, 30, 30}},      // top-left outside: moved to R's corner
      {{100, 50, 130, 70}, {10, 10, 40, 30}},  // bottom-right outside
      {{80, 40, 110, 60}, {80, 40, 110, 60}},  // touching R's right and bottom: kept
      {{5, 20, 300, 30}, {10, 20, 110, 30}},   // wider than R: takes its sides
      {{40, 30, 20, 20}, {20, 20, 40, 30}},    // inside out: normalised
  };
  for (const Case& c : cases) {
    const RECT got = fit_into_image_rect(c.in, R);
    EXPECT_EQ(std::vector<int>({got.left, got.top, got.right, got.bottom}),
              std::vector<int>({c.want.left, c.want.top, c.want.right, c.want.bottom}));
  }
  // A foreign store may name any coordinates: they come onto R without wrapping round.
  const RECT far = fit_into_image_rect(RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, R);
  EXPECT_EQ(std::vector<int>({far.left, far.top, far.right, far.bottom}),
            std::vector<int>({10, 10, 110, 60}));
  CDrawPolyWithImage poly(std::vector<POINT>{{INT32_MIN, 0}, {INT32_MAX - 1, 5}, {0, INT32_MAX - 1}});
  const RECT before = poly.Bounds();
  poly.m_position = fit_into_image_rect(poly.m_position, R);
  poly.FitPointsTo(before, poly.m_position);
  for (const POINT& p : poly.m_points) {
    EXPECT_TRUE(p.x >= 10 && p.x <= 110 && p.y >= 10 && p.y <= 60) << p.x << "," << p.y;
  }
  // A moved polygon takes its outline along.
  poly.MoveBy(3, -2);
  EXPECT_EQ(poly.Shape().points.front().x, poly.m_points.front().x - poly.Bounds().left);
  EXPECT_EQ(poly.m_points.front().x, 13);
}

// The fuzzing seeds are stores as the editor writes them: each reads and writes back byte for byte.
TEST(SelectionStore, FuzzSeedsRoundTrip) {
  int seen = 0;
  for (const auto& e : std::filesystem::directory_iterator(SUITE_SOURCE_DIR "/fuzz/selection_store_seeds")) {
    std::ifstream f(e.path(), std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)),
                                           std::istreambuf_iterator<char>());
    std::vector<std::unique_ptr<CDrawObj>> objects;
    ASSERT_TRUE(read_selection_store(bytes, objects)) << e.path();
    std::vector<const CDrawObj*> list;
    for (const auto& o : objects) list.push_back(o.get());
    EXPECT_EQ(write_selection_store(list), bytes) << e.path();
    ++seen;
  }
  EXPECT_GE(seen, 4);
}

// A polygon whose points stray beyond its rectangle (a damaged store) has them held at the rectangle's edges.
TEST(SelectionStore, PolygonPointsStayInTheirRectangle) {
  CDrawPolyWithImage poly(std::vector<POINT>{{0, 0}, {10, 2}, {4, 8}});
  poly.m_points[1] = {INT32_MIN + 3, INT32_MAX};
  const std::vector<unsigned char> bytes = write_selection_store({&poly});
  std::vector<std::unique_ptr<CDrawObj>> out;
  ASSERT_TRUE(read_selection_store(bytes, out));
  const auto& read = dynamic_cast<const CDrawPolyWithImage&>(*out.front());
  EXPECT_EQ(read.m_points[1].x, 0);
  EXPECT_EQ(read.m_points[1].y, 9);
}

}  // namespace
