#include <sys/stat.h>

#include <cstring>

#include "imgfile/codaxe.h"
#include "imgfile/codec_factory.h"
#include "imgfile/file_names.h"
#include "platform/core/error_stream.h"

Compand::Compand() {
  pcore::set_thread_error_stream(nullptr);
}

Compand::~Compand() = default;

Compand::Compand(const Compand& other) = default;
Compand& Compand::operator=(const Compand& other) = default;

void Compand::DropCodec(bool dispose) {
  if (codec_ && dispose) DisposeOfImage();
  codec_.reset();
  mode_ = kIdle;
  compressionType_ = CT_NONE;
  pending_ = 0;
}

int Compand::InitExpander(const char* path) {
  DropCodec(true);
  if (!path) return 0;
  CompandType type = codaxe::type_from_name(path);
  if (type == CT_NONE) return 0;
  struct stat st;
  if (::stat(path, &st) != 0) return 0;
  // Thumbnails are plain bitmaps.
  if (type == CT_THM) type = CT_BMP;
  codec_ = codaxe::make_reader(type, path);
  if (!codec_) return 0;
  mode_ = kReading;
  compressionType_ = type;
  pending_ = 1;
  return 1;
}

int Compand::DoExpansion() {
  if (!pending_ || mode_ == kWriting || !codec_) return 0;
  int result = codec_->Expand();
  imageHeld_ = 1;
  pending_ = 0;
  return result;
}

int Compand::InitCompressor(CompandType type, char* name, unsigned short width, unsigned short height,
                            unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                            RGBCOLOR* palette) {
  DropCodec(false);
  if (!name) return 0;
  std::string fileName = codaxe::name_with_type(name, type);
  if (fileName.empty()) return 0;
  codec_ = codaxe::make_writer(type, fileName, width, height, bitsPerPixel, colors, pixels, palette);
  if (!codec_) return 0;
  // The caller's buffer ends up holding the name actually written.
  std::memcpy(name, fileName.c_str(), fileName.size() + 1);
  mode_ = kWriting;
  compressionType_ = type;
  pending_ = 1;
  return 1;
}

int Compand::InitCompressor(CompandType type, char* name, ImageStack* stack) {
  if (!stack) return 0;
  ImageFrame* first = stack->GetFrameData(0);
  if (!first) return 0;
  if (!InitCompressor(type, name, first->width, first->height, first->bitsPerPixel, first->colors,
                      first->pixels, first->palette)) {
    return 0;
  }
  *codec_->stack() = *stack;
  return 1;
}

int Compand::DoCompression() {
  if (!pending_ || mode_ == kReading || !codec_) return 0;
  pending_ = 0;
  codec_->set_write_alpha(alpha_);
  return codec_->Compress(compressionQuality_, imageType_);
}

int Compand::SaveImageStack() {
  if (!pending_ || mode_ == kReading || !codec_) return 0;
  pending_ = 0;
  return codec_->SaveStack(compressionQuality_, imageType_);
}

unsigned char* Compand::GetDataPtr() const {
  return codec_ ? codec_->data() : nullptr;
}
RGBCOLOR* Compand::GetPalettePtr() const {
  return codec_ ? codec_->palette() : nullptr;
}
unsigned short Compand::GetWidth() const {
  return codec_ ? codec_->width() : 0;
}
unsigned short Compand::GetHeight() const {
  return codec_ ? codec_->height() : 0;
}
unsigned short Compand::GetColors() const {
  return codec_ ? codec_->colors() : 0;
}
unsigned short Compand::GetBitsPerPixel() const {
  return codec_ ? codec_->bits_per_pixel() : 0;
}
int Compand::GetError() const {
  return codec_ ? codec_->error() : 0;
}
int Compand::GetSourceQuality() const {
  return codec_ ? codec_->source_quality() : 0;
}
const unsigned char* Compand::GetAlphaPtr() const {
  return codec_ ? codec_->alpha() : nullptr;
}
ImageStack* Compand::GetImageStack() const {
  return codec_ ? codec_->stack() : nullptr;
}

void Compand::DisposeOfImage() {
  if (imageHeld_ && codec_) {
    codec_->dispose_image();
    imageHeld_ = 0;
  }
}

CompandType Compand::FileTypeFromName(const char* name) {
  return name ? codaxe::type_from_name(name) : CT_NONE;
}

int Compand::FileNameFromType(char* name, CompandType type) {
  if (!name || type == CT_NONE) return 0;
  std::string result = codaxe::name_with_type(name, type);
  if (result.empty()) return 0;
  std::memcpy(name, result.c_str(), result.size() + 1);
  return 1;
}

int Compand::ReadImageDescription(char* text) {
  if (!pending_ || compressionType_ != CT_TIF || !codec_) return 0;
  pending_ = 0;
  return codec_->ReadDescription(text);
}

int Compand::SaveImageDescription(char* text) {
  if (!pending_ || compressionType_ != CT_TIF || !codec_) return 0;
  return codec_->SaveDescription(text);
}

void Compand::SetErrorMessageOutputStream(std::FILE* stream) {
  pcore::set_thread_error_stream(stream);
}
