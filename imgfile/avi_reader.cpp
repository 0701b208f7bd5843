#include "imgfile/avi_reader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace {

std::mutex moduleLock;
std::string modulePath;  // empty: the default places
std::string loadedFrom;
codaxe::avi::ReadFunction readFunction = nullptr;

std::string default_module() {
  // Beside libcodaxe.so, wherever it was installed or built.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&default_module), &info) && info.dli_fname) {
    std::string self = info.dli_fname;
    const std::size_t slash = self.rfind('/');
    if (slash != std::string::npos) {
      std::string beside = self.substr(0, slash + 1) + "libcodaxe_avi.so";
      if (::access(beside.c_str(), R_OK) == 0) return beside;
    }
  }
  return "libcodaxe_avi.so";
}

// The module's entry point, loaded once per place; null when it or FFmpeg is missing.
codaxe::avi::ReadFunction load_module() {
  std::lock_guard<std::mutex> hold(moduleLock);
  const std::string path = modulePath.empty() ? default_module() : modulePath;
  if (readFunction && path == loadedFrom) return readFunction;
  readFunction = nullptr;
  loadedFrom = path;
  // Kept loaded for the life of the process: FFmpeg does not take well to being unloaded.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle) readFunction = reinterpret_cast<codaxe::avi::ReadFunction>(::dlsym(handle, CODAXE_AVI_ENTRY));
  return readFunction;
}

}  // namespace

AviReader::AviReader(const std::string& path) : ImageCodec(path) {}

void AviReader::set_module_path(const std::string& path) {
  std::lock_guard<std::mutex> hold(moduleLock);
  modulePath = path;
}

int AviReader::Expand() {
  // FFmpeg would wait on a pipe for ever: only regular files are handed to it.
  const int fd = open_read_descriptor();
  if (fd < 0) return 0;
  ::close(fd);
  const codaxe::avi::ReadFunction read = load_module();
  if (!read) return fail(codaxe::MSG_NO_VIDEO, CE_OPEN_READ);
  switch (read(fileName_.c_str(), this)) {
    case codaxe::avi::kCannotOpen:
      return fail(codaxe::MSG_OPEN, CE_OPEN_READ);
    case codaxe::avi::kNoVideo:
      return fail(codaxe::MSG_UNSUPPORTED, CE_DATA);
    case codaxe::avi::kNoMemory:
      fail(codaxe::MSG_MEMORY, CE_MEMORY);
      break;
    default:
      break;
  }
  if (error_ != 0) return framesTaken_ > 0 ? 1 : 0;
  if (framesTaken_ == 0) return fail(codaxe::MSG_READ_DATA, CE_DATA);
  return 1;
}

void AviReader::begin_stream(unsigned short delay) {
  delay_ = delay;
}

bool AviReader::take(const codaxe::avi::Frame& frame) {
  const int width = frame.width;
  const int height = frame.height;
  const unsigned short bits = frame.bits == 8 ? 8 : 24;
  const std::size_t stride = dib_stride(width, bits);
  const std::uint64_t bytes = std::uint64_t{stride} * height;
  // A hundred frames of the largest size would not fit in any memory; the stack stops at what one image may
  // take.
  if (bytes + bytesTaken_ > kMaxImageBytes) {
    fail(codaxe::MSG_MEMORY, CE_MEMORY);
    return false;
  }
  dispose_image();
  if (!AllocateImage(stride, height)) {
    error_ = 0;  // reported; the next frame may fit
    return true;
  }
  // The raw image is stored upside down.
  const std::size_t rowBytes = std::size_t{bits / 8u} * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    std::memcpy(image_ + std::size_t(height - 1 - y) * stride,
                frame.pixels + std::ptrdiff_t{y} * frame.stride, rowBytes);
  }
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t e = frame.palette[i];
      palette_[i] = RGBCOLOR{static_cast<unsigned char>(e >> 16), static_cast<unsigned char>(e >> 8),
                             static_cast<unsigned char>(e)};
    }
  } else {
    fill_default_palette();
  }
  const unsigned short colors = bits == 8 ? 256 : 0;
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height), bits, colors);
  imageSize_ = static_cast<std::uint32_t>(bytes);
  const int index =
      stack_.AppendImageFrame(nullptr, nullptr, image_, palette_, width_, height_, bits, colors);
  if (index < 0) return false;
  stack_.GetFrameData(index)->delay = delay_;
  ++framesTaken_;
  bytesTaken_ += bytes;
  return true;
}
