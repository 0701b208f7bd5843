// The LZW decoder against a straightforward one that walks prefix chains onto a stack, and the encoder
// through both.
#include "imgfile/gif_lzw.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/imgfile/gif_test_files.h"

using codaxe::LzwStatus;
using gif_test::Bytes;
using gif_test::pack_codes;

namespace {

struct Decoded {
  LzwStatus status;
  Bytes pixels;
};

// The textbook decoder: prefix and suffix tables, strings expanded backwards onto a stack.
Decoded reference_decode(const Bytes& data, int m, std::size_t count) {
  std::vector<int> prefix(4096, -1), suffix(4096, 0);
  const int clear = 1 << m, end = clear + 1;
  int width = m + 1, next = clear + 2, previous = -1;
  std::size_t bitPos = 0;
  Decoded out{LzwStatus::Complete, {}};
  auto first_of = [&](int code) {
    while (code >= clear) code = prefix[code];
    return code;
  };
  while (out.pixels.size() < count) {
    if (bitPos + width > data.size() * 8) return {LzwStatus::ShortData, out.pixels};
    int code = 0;
    for (int i = 0; i < width; ++i, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
    if (code == clear) {
      width = m + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) break;
    Bytes string;
    if (code < next && code != clear + 1) {
      for (int c = code;; c = prefix[c]) {
        string.insert(string.begin(), static_cast<unsigned char>(c < clear ? c : suffix[c]));
        if (c < clear) break;
      }
    } else if (code == next && previous >= 0) {
      for (int c = previous;; c = prefix[c]) {
        string.insert(string.begin(), static_cast<unsigned char>(c < clear ? c : suffix[c]));
        if (c < clear) break;
      }
      string.push_back(string.front());
    } else {
      out.status = LzwStatus::BadCode;
      return out;
    }
    if (previous >= 0 && next < 4096) {
      prefix[next] = previous;
      suffix[next] = first_of(code == next ? previous : code);
      ++next;
    }
    if (next >= (1 << width) && width < 12) ++width;
    previous = code;
    for (unsigned char p : string) {
      if (out.pixels.size() < count) out.pixels.push_back(p);
    }
  }
  return out;
}

Decoded fast_decode(const Bytes& data, int m, std::size_t count) {
  Bytes out(count + 8, 0);
  codaxe::LzwResult r = codaxe::lzw_decode(data.data(), data.size(), m, out.data(), count);
  out.resize(r.pixels);
  return {r.status, out};
}

// The encoder's sub-blocks joined back into one stream.
Bytes encode(const Bytes& pixels, int m) {
  Bytes blocks;
  codaxe::LzwEncoder().encode(pixels.data(), pixels.size(), m, blocks);
  Bytes data;
  for (std::size_t at = 0; at < blocks.size(); at += blocks[at] + 1) {
    EXPECT_LE(blocks[at], 254);
    data.insert(data.end(), blocks.begin() + at + 1, blocks.begin() + at + 1 + blocks[at]);
  }
  return data;
}

// The encoder as first written: an open-addressing table of 5003 entries probed from (pixel << 4) ^ prefix,
// stepping back by 5003 - probe. Returns the joined data, without sub-block lengths.
Bytes reference_encode(const Bytes& pixels, int m) {
  std::vector<int> keys(5003, -1), codes(5003, 0);
  const int clear = 1 << m;
  int width = m + 1, limit = (1 << width) - 1, next = clear + 2;
  bool clearing = false;
  Bytes out;
  std::uint32_t bits = 0;
  int count = 0;
  auto put = [&](int code) {
    bits |= static_cast<std::uint32_t>(code) << count;
    for (count += width; count >= 8; count -= 8, bits >>= 8) out.push_back(static_cast<unsigned char>(bits));
    if (clearing) {
      width = m + 1;
      limit = (1 << width) - 1;
      clearing = false;
    } else if (next > limit) {
      ++width;
      limit = width == 12 ? 4096 : (1 << width) - 1;
    }
  };
  clearing = true;
  put(clear);
  int prefix = pixels[0];
  for (std::size_t k = 1; k < pixels.size(); ++k) {
    const int key = (pixels[k] << 12) + prefix;
    int i = (pixels[k] << 4) ^ prefix;
    const int step = i == 0 ? 1 : 5003 - i;
    while (keys[i] >= 0 && keys[i] != key) i = (i - step + 5003) % 5003;
    if (keys[i] == key) {
      prefix = codes[i];
      continue;
    }
    put(prefix);
    prefix = pixels[k];
    if (next < 4096) {
      keys[i] = key;
      codes[i] = next++;
    } else {
      std::fill(keys.begin(), keys.end(), -1);
      next = clear + 2;
      clearing = true;
      put(clear);
    }
  }
  put(prefix);
  put(clear + 1);
  if (count > 0) out.push_back(static_cast<unsigned char>(bits));
  return out;
}

// Stretches of noise, which fill the table and force clear codes, between runs, which make long strings.
Bytes noise_and_runs(std::mt19937& random, std::size_t count, int m, std::size_t stretch) {
  Bytes pixels(count);
  for (std::size_t i = 0; i < count; ++i) {
    pixels[i] = static_cast<unsigned char>(i % (2 * stretch) < stretch ? random() % (1 << m)
                                                                       : (i / (stretch / 5)) % (1 << m));
  }
  return pixels;
}

}  // namespace

TEST(GifLzw, EncoderGivesTheSameBytesAsTheTextbookOne) {
  std::mt19937 random(3);
  for (int m = 2; m <= 8; ++m) {
    for (std::size_t count : {1u, 5u, 9000u, 120000u}) {
      const Bytes pixels = noise_and_runs(random, count, m, 2500);
      ASSERT_EQ(encode(pixels, m), reference_encode(pixels, m)) << "m " << m << " count " << count;
    }
    // Short repeating patterns, whose strings the encoder follows two pixels at a time, across table resets.
    for (std::size_t period : {2u, 3u, 7u, 61u}) {
      Bytes pixels(200000);
      for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i % period + i / 40000) % (1u << m));
      ASSERT_EQ(encode(pixels, m), reference_encode(pixels, m)) << "m " << m << " period " << period;
    }
  }
}

TEST(GifLzw, RoundTripsEveryCodeSizeThroughTableResets) {
  std::mt19937 random(7);
  for (int m = 2; m <= 8; ++m) {
    for (std::size_t count : {1u, 2u, 100u, 70000u}) {
      const Bytes pixels = noise_and_runs(random, count, m, 1500);
      Bytes data = encode(pixels, m);
      SCOPED_TRACE("m " + std::to_string(m) + " count " + std::to_string(count));
      Decoded fast = fast_decode(data, m, count);
      EXPECT_EQ(fast.status, LzwStatus::Complete);
      EXPECT_EQ(fast.pixels, pixels);
      EXPECT_EQ(reference_decode(data, m, count).pixels, pixels);
    }
  }
}

TEST(GifLzw, EdgeCodes) {
  // m = 2: clear 4, end 5. "0 0" then code 6 while it is being defined (KwKwK): 0 0 0, then end.
  Decoded d = fast_decode(pack_codes({{4, 3}, {0, 3}, {6, 3}, {5, 3}}), 2, 10);
  EXPECT_EQ(d.status, LzwStatus::Complete);
  EXPECT_EQ(d.pixels, (Bytes{0, 0, 0}));

  // A code above the next free one names nothing: what came before is kept.
  d = fast_decode(pack_codes({{4, 3}, {1, 3}, {7, 3}}), 2, 10);
  EXPECT_EQ(d.status, LzwStatus::BadCode);
  EXPECT_EQ(d.pixels, (Bytes{1}));
  // So is a table code straight after a clear, and the code being defined with no string before it.
  EXPECT_EQ(fast_decode(pack_codes({{4, 3}, {6, 3}}), 2, 10).status, LzwStatus::BadCode);

  // Data that ends without the end code keeps every pixel it did give.
  d = fast_decode(pack_codes({{8, 4}, {1, 4}, {2, 4}, {3, 4}}), 3, 10);
  EXPECT_EQ(d.status, LzwStatus::ShortData);
  EXPECT_EQ(d.pixels, (Bytes{1, 2, 3}));

  // The image filling up ends the decoding, even in the middle of a string.
  d = fast_decode(pack_codes({{4, 3}, {3, 3}, {3, 3}, {6, 3}}), 2, 3);
  EXPECT_EQ(d.status, LzwStatus::Complete);
  EXPECT_EQ(d.pixels, (Bytes{3, 3, 3}));

  // Minimum code size 1 widens to 3 bits after the first code, as encoders do (clear 2, end 3).
  d = fast_decode(pack_codes({{2, 2}, {1, 2}, {0, 3}, {4, 3}, {3, 3}}), 1, 10);
  EXPECT_EQ(d.pixels, (Bytes{1, 0, 1, 0}));
}

TEST(GifLzw, FullTableStaysFrozenWithoutAClearCode) {
  // m = 8: fill the table to 4096 codes with literals, then keep sending 12-bit codes without a clear:
  // no entry may be added or changed, and the width must stay 12.
  Bytes data;
  std::uint64_t bits = 0;
  int count = 0, width = 9, next = 258;
  auto put = [&](int code, int w) {
    bits |= std::uint64_t(code) << count;
    count += w;
    while (count >= 8) {
      data.push_back(static_cast<unsigned char>(bits));
      bits >>= 8;
      count -= 8;
    }
  };
  put(256, 9);
  Bytes expected;
  for (int i = 0; next < 4096 || i < 3839; ++i) {
    put(i % 200, width);
    expected.push_back(static_cast<unsigned char>(i % 200));
    if (i > 0 && next < 4096) ++next;
    if (next >= (1 << width) && width < 12) ++width;
  }
  // Entry 258 is "0 1"; entry 4095 the last defined. Both read back unchanged at 12 bits.
  put(258, 12);
  put(4095, 12);
  put(258, 12);
  put(257, 12);
  while (count > 0) put(0, 1);
  const std::size_t total = expected.size() + 10;
  Decoded fast = fast_decode(data, 8, total);
  Decoded reference = reference_decode(data, 8, total);
  EXPECT_EQ(fast.status, LzwStatus::Complete);
  EXPECT_EQ(fast.pixels, reference.pixels);
  ASSERT_GE(fast.pixels.size(), expected.size() + 4);
  EXPECT_EQ(fast.pixels[expected.size()], 0);
  EXPECT_EQ(fast.pixels[expected.size() + 1], 1);
  EXPECT_EQ(fast.pixels.back(), 1);
}

TEST(GifLzw, AgreesWithTheTextbookDecoderOnGarbage) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 3000; ++trial) {
    const int m = 1 + trial % 8;
    Bytes data(random() % 400);
    for (auto& b : data) b = static_cast<unsigned char>(random());
    // Begin some streams with a valid clear code so that decoding gets going.
    if (!data.empty() && trial % 2) data[0] = static_cast<unsigned char>((1 << m) & 0xFF);
    const std::size_t count = random() % 3000;
    Decoded fast = fast_decode(data, m, count);
    Decoded reference = reference_decode(data, m, count);
    ASSERT_EQ(fast.pixels, reference.pixels) << "trial " << trial;
    ASSERT_EQ(fast.status, reference.status) << "trial " << trial;
  }
}
