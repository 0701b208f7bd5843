// paint_bench: the painting tools' engine. A 100-pixel round brush at opacity 80 dragged across a
// 6000x4000 picture (stamps a second, and how much of the picture each move repaints), and the flood fill
// of a 4000x3000 region against a plain scan-line fill of the same region and against ImageMagick's
// `-fuzz ... -draw 'color X,Y floodfill'` (its own read and write of the file subtracted).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ivorel/windows/paint_engine.h"

namespace paint = ivorel::paint;

namespace {

const char kConvert[] = "/usr/bin/convert-im6.q16";

double best_ms(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    work();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

struct Picture {
  std::vector<unsigned char> block;
  _IMAGEDESCRIPTOR d;
  Picture(int w, int h) {
    d.width = static_cast<unsigned short>(w);
    d.height = static_cast<unsigned short>(h);
    d.bitsPerPixel = 24;
    d.imageSize = static_cast<std::uint32_t>(paint::row_stride(d) * h);
    block.assign(d.imageSize, 0);
    d.imageData = block.data();
  }
  void Fill(unsigned char v) { std::fill(block.begin(), block.end(), v); }
};

// The plain scan-line fill of one exact 24-bit colour, straight on the bytes: the yardstick.
long long plain_fill(_IMAGEDESCRIPTOR& d, int sx, int sy, std::uint32_t value) {
  const std::size_t stride = paint::row_stride(d);
  auto px = [&](int x, int y) {
    return d.imageData + stride * static_cast<std::size_t>(d.height - 1 - y) + 3 * x;
  };
  unsigned char seed[3], fill[3] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16)};
  std::memcpy(seed, px(sx, sy), 3);
  if (std::memcmp(seed, fill, 3) == 0) return 0;
  auto match = [&](int x, int y) { return std::memcmp(px(x, y), seed, 3) == 0; };
  long long filled = 0;
  std::vector<std::pair<int, int>> stack{{sx, sy}};
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    if (!match(x, y)) continue;
    int l = x, r = x;
    while (l > 0 && match(l - 1, y)) --l;
    while (r + 1 < d.width && match(r + 1, y)) ++r;
    for (unsigned char *p = px(l, y), *e = px(r, y) + 3; p < e; p += 3) std::memcpy(p, fill, 3);
    filled += r - l + 1;
    for (int ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= d.height) continue;
      bool in = false;
      for (int i = l; i <= r; ++i) {
        const bool m = match(i, ny);
        if (m && !in) stack.emplace_back(i, ny);
        in = m;
      }
    }
  }
  return filled;
}

bool write_ppm(const std::string& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << p.d.width << " " << p.d.height << "\n255\n";
  std::vector<char> row(static_cast<std::size_t>(p.d.width) * 3);
  for (int y = 0; y < p.d.height; ++y) {
    for (int x = 0; x < p.d.width; ++x) {
      const std::uint32_t v = paint::get_value(p.d, x, y);
      row[3 * x] = static_cast<char>(v >> 16);
      row[3 * x + 1] = static_cast<char>(v >> 8);
      row[3 * x + 2] = static_cast<char>(v);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  // ---- The brush dragged across the picture.
  {
    Picture p(6000, 4000);
    p.Fill(255);
    paint::seed_random(1);
    const paint::StampMask stamp = paint::build_stamp(100, 0, 80);
    long long placed = 0, points = 0;
    double largestShare = 0;
    int counter = 0;
    const double ms = best_ms(
        runs, [&] { placed = points = 0; },
        [&] {
          // A wavy drag, one pointer move every 6 pixels, as a quick hand makes it.
          POINT last{0, 2000};
          for (int x = 6; x < 6000; x += 6) {
            const POINT next{x, 2000 + static_cast<int>(1500 * std::sin(x / 700.0))};
            paint::StampStroke stroke(p.d, stamp, 0xC0C0C0, true, counter);
            stroke.Segment(last, next);
            placed += stroke.placed;
            points += std::max(std::abs(next.x - last.x), std::abs(next.y - last.y));
            if (!stroke.touched.Empty()) {
              const double share = double(stroke.touched.right - stroke.touched.left) *
                                   (stroke.touched.bottom - stroke.touched.top) / (6000.0 * 4000.0);
              largestShare = std::max(largestShare, share);
            }
            last = next;
          }
        });
    // Every point stamped (the counter's spraying left out) measures the stamp itself.
    long long solid = 0;
    const double solidMs = best_ms(
        runs, [&] { solid = 0; },
        [&] {
          int c = 0;
          paint::StampStroke stroke(p.d, stamp, 0x808080, false, c);
          stroke.Segment(POINT{0, 1000}, POINT{6000, 3000});
          solid = stroke.placed;
        });
    std::printf("brush 100 px round, opacity 80, 6000x4000 picture:\n");
    std::printf(
        "  drag: %lld points, %lld sprayed stamps in %.1f ms; largest repaint per move %.3f %% of the "
        "picture\n",
        points, placed, ms, largestShare * 100);
    std::printf("  stamps per second: %.0f while spraying, %.0f with every point stamped (goal 2000)\n",
                placed * 1000.0 / ms, solid * 1000.0 / solidMs);
    std::printf("  sprayed drag: %.0f pointer points per second\n", points * 1000.0 / ms);
  }

  // ---- The flood fill.
  {
    Picture p(4000, 3000);
    const auto fresh = [&] { p.Fill(200); };
    long long ours = 0, plain = 0;
    const double oursMs = best_ms(runs, fresh, [&] {
      ours = paint::flood_fill(p.d, 2000, 1500, {255, 0, 0}, 10).pixels;
    });
    const double exactMs = best_ms(runs, fresh, [&] { paint::flood_fill(p.d, 2000, 1500, {255, 0, 0}, 0); });
    const double plainMs = best_ms(runs, fresh, [&] { plain = plain_fill(p.d, 2000, 1500, 0xFF0000); });
    std::printf("\nflood fill of a 4000x3000 region (%lld pixels; plain %lld):\n", ours, plain);
    std::printf(
        "  ours, tolerance 10: %.1f ms; tolerance 0: %.1f ms; plain scan-line fill: %.1f ms (ours / plain "
        "%.2f; goal within 3)\n",
        oursMs, exactMs, plainMs, oursMs / plainMs);
    if (access(kConvert, X_OK) == 0) {
      const std::string dir =
          std::filesystem::temp_directory_path() / ("paint_bench_" + std::to_string(getpid()));
      std::filesystem::create_directories(dir);
      fresh();
      write_ppm(dir + "/in.ppm", p);
      const std::string in = dir + "/in.ppm", out = dir + "/out.ppm";
      const double copyMs = best_ms(
          runs, [] {}, [&] { run(std::string(kConvert) + " " + in + " " + out); });
      const double fillMs = best_ms(
          runs, [] {},
          [&] {
            run(std::string(kConvert) + " " + in + " -fill red -fuzz 20% -draw 'color 2000,1500 floodfill' " +
                out);
          });
      const double imFill = std::max(0.1, fillMs - copyMs);
      std::printf(
          "  ImageMagick: %.1f ms with read and write, %.1f ms of it the fill; IM / ours %.2f (goal at "
          "least 2)\n",
          fillMs, imFill, imFill / oursMs);
      std::filesystem::remove_all(dir);
    } else {
      std::printf("  ImageMagick (%s) not installed: left out\n", kConvert);
    }
  }
  return 0;
}
