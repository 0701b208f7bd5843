// combine_bench: putting a 2000x2000 selection onto a 4000x3000 picture with the combine operations,
// against ImageMagick's `composite` with the matching -compose method. Both are timed end to end on the
// same files (imgtools combine against composite), and our combine alone against composite with
// ImageMagick's own read and write of those files subtracted. Also the edge map of a 2000x2000 ellipse.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imgfile/codaxe.h"
#include "ivorel/processing/combine.h"
#include "ivorel/processing/processing.h"

namespace {

const char kComposite[] = "/usr/bin/composite-im6.q16";
const char kConvert[] = "/usr/bin/convert-im6.q16";

double best_ms(int runs, const std::function<void()>& prepare, const std::function<bool()>& work) {
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    if (!work()) return -1;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (best < 0 || ms < best) best = ms;
  }
  return best;
}

_IMAGEDESCRIPTOR picture(int width, int height, std::uint32_t seed) {
  _IMAGEDESCRIPTOR d;
  d.width = static_cast<unsigned short>(width);
  d.height = static_cast<unsigned short>(height);
  d.bitsPerPixel = 24;
  d.xResolution = d.yResolution = 72;
  const std::uint32_t stride = ivorel::row_bytes(width, 24);
  d.imageSize = stride * height;
  d.hImageData = GlobalAlloc(d.imageSize);
  d.imageData = static_cast<unsigned char*>(GlobalLock(d.hImageData));
  std::uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      unsigned char* p = d.imageData + static_cast<std::size_t>(y) * stride + 3 * x;
      const int n = static_cast<int>(state >> 28);
      p[0] = static_cast<unsigned char>(std::min(255, x * 255 / width + n));
      p[1] = static_cast<unsigned char>(std::min(255, y * 255 / height + n));
      p[2] = static_cast<unsigned char>(((x + y) / 16) % 256);
    }
  }
  return d;
}

bool write_bmp(const std::string& path, const _IMAGEDESCRIPTOR& d) {
  std::vector<char> name(path.begin(), path.end());
  name.resize(path.size() + 8, '\0');
  Compand writer;
  return writer.InitCompressor(CT_BMP, name.data(), d.width, d.height, d.bitsPerPixel, d.colors, d.imageData,
                               const_cast<RGBCOLOR*>(d.palette)) &&
         writer.DoCompression();
}

bool run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("combine_bench." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string imagePath = (dir / "image.bmp").string(),
                    selectionPath = (dir / "selection.bmp").string();
  const std::string outPath = (dir / "out.bmp").string();

  _IMAGEDESCRIPTOR original = picture(4000, 3000, 1), selection = picture(2000, 2000, 2);
  _IMAGEDESCRIPTOR work = original;
  work.hImageData = GlobalAlloc(original.imageSize);
  work.imageData = static_cast<unsigned char*>(GlobalLock(work.hImageData));
  if (!write_bmp(imagePath, original) || !write_bmp(selectionPath, selection)) {
    std::fprintf(stderr, "combine_bench: could not write the pictures to %s\n", dir.c_str());
    return 1;
  }
  const auto reset = [&] { std::memcpy(work.imageData, original.imageData, original.imageSize); };

  struct Mode {
    const char* ours;
    const char* compose;
  } modes[] = {{"replace", "Copy"},      {"even", "Blend -define compose:args=50"},
               {"multiply", "Multiply"}, {"lighter", "Lighten"},
               {"darker", "Darken"},     {"subtract", "Minus_Src"}};

  const bool magick = std::filesystem::exists(kComposite);
  // ImageMagick's own read of both files and write of the result, subtracted from its composite time.
  double magickIo = -1;
  if (magick) {
    magickIo = best_ms(
        runs, [] {},
        [&] {
          return run(std::string(kConvert) + " " + imagePath + " " + selectionPath + " -delete 1 " + outPath);
        });
  }
  // The first runs of each program read cold files; neither is charged for that.
  run(std::string(IMGTOOLS_PATH) + " combine " + imagePath + " " + selectionPath + " " + outPath);
  if (magick) run(std::string(kComposite) + " " + selectionPath + " " + imagePath + " " + outPath);
  std::printf(
      "combine of a 2000x2000 selection at 1000,500 onto a 4000x3000 24-bit picture, best of %d (ms)\n",
      runs);
  std::printf("%-10s %10s %12s %14s %12s %10s %12s\n", "mode", "combine", "imgtools", "composite",
              "IM compose", "ratio e2e", "ratio core");
  for (const Mode& m : modes) {
    ivorel::CombineRequest rq;
    bool transparent = false;
    rq.code = ivorel::combine_code_from_name(m.ours, transparent);
    rq.left = 1000;
    rq.top = 500;
    rq.width = rq.height = 2000;
    const double core = best_ms(runs, reset, [&] { return ivorel::combine_selection(work, selection, rq); });
    const double tool = best_ms(
        runs, [] {},
        [&] {
          return run(std::string(IMGTOOLS_PATH) + " combine " + imagePath + " " + selectionPath + " " +
                     outPath + " --at 1000,500 --mode " + m.ours);
        });
    double theirs = -1;
    if (magick) {
      theirs = best_ms(
          runs, [] {},
          [&] {
            return run(std::string(kComposite) + " -compose " + m.compose + " -geometry +1000+500 " +
                       selectionPath + " " + imagePath + " " + outPath);
          });
    }
    const double theirsCore = theirs > 0 && magickIo > 0 ? std::max(0.1, theirs - magickIo) : -1;
    std::printf("%-10s %10.1f %12.1f %14.1f %12.1f %9.1fx %11.1fx\n", m.ours, core, tool, theirs, theirsCore,
                theirs > 0 ? theirs / tool : 0.0, theirsCore > 0 ? theirsCore / core : 0.0);
  }

  ivorel::CombineRequest ellipse;
  ellipse.code = ivorel::kCombineEdgeBlend;
  ellipse.left = 1000;
  ellipse.top = 500;
  ellipse.width = ellipse.height = 2000;
  ellipse.shape.kind = ivorel::ShapeKind::Ellipse;
  const double edge = best_ms(
      runs, [] {},
      [&] {
        const std::vector<unsigned char> raster = ivorel::shape_raster(ellipse.shape, 2000, 2000);
        return !ivorel::build_edge_map(raster, 2000, 2000, 2000, 2000).empty();
      });
  const double blend =
      best_ms(runs, reset, [&] { return ivorel::combine_selection(work, selection, ellipse); });
  std::printf("\nedge map of a 2000x2000 ellipse: %.1f ms; edge-blend combine with it: %.1f ms\n", edge,
              blend);

  ivorel::free_image_block(original);
  ivorel::free_image_block(selection);
  ivorel::free_image_block(work);
  std::filesystem::remove_all(dir);
  return 0;
}
