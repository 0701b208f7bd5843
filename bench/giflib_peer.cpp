// giflib: the whole file decoded into its saved images (DGifSlurp), and written back from them (EGifSpew).
#include <gif_lib.h>

#include "bench/peers.h"

namespace {

GifFileType* held = nullptr;

GifFileType* slurp(const char* path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path, &error);
  if (!gif) return nullptr;
  if (DGifSlurp(gif) != GIF_OK) {
    DGifCloseFile(gif, &error);
    return nullptr;
  }
  return gif;
}

bool read(const char* path) {
  GifFileType* gif = slurp(path);
  if (!gif) return false;
  int error = 0;
  DGifCloseFile(gif, &error);
  return true;
}

void release() {
  int error = 0;
  if (held) DGifCloseFile(held, &error);
  held = nullptr;
}

bool hold(const char* path) {
  release();
  held = slurp(path);
  return held != nullptr;
}

// EGifSpew writes what a writing handle holds and frees it, so the held images are copied into one first.
bool write_held(const char* path) {
  if (!held) return false;
  int error = 0;
  GifFileType* out = EGifOpenFileName(path, false, &error);
  if (!out) return false;
  out->SWidth = held->SWidth;
  out->SHeight = held->SHeight;
  out->SColorResolution = held->SColorResolution;
  out->SBackGroundColor = held->SBackGroundColor;
  out->SColorMap =
      held->SColorMap ? GifMakeMapObject(held->SColorMap->ColorCount, held->SColorMap->Colors) : nullptr;
  for (int i = 0; i < held->ImageCount; ++i) GifMakeSavedImage(out, &held->SavedImages[i]);
  return EGifSpew(out) == GIF_OK;
}

const BenchPeer peer{"giflib", read, hold, write_held, release};

}  // namespace

BENCH_PEER_EXPORT {
  return &peer;
}
