// Codaxe: reading and writing image files, multi-frame image stacks and packed-DIB helpers.
//
// The raw image every reader delivers and every writer takes: width and height (16-bit), 1, 4, 8 or 24 bits
// per pixel, rows bottom-up, each padded to 4 bytes; 24-bit pixels are blue, green, red; 1- and 4-bit pixels
// are packed from the most significant bits; the palette is 256 RGBCOLOR entries owned by the reader.
//
// Results: int 1 (non-zero) is success, 0 failure. A failing codec reports through the thread's error stream
// (Compand::SetErrorMessageOutputStream) or a message box, and keeps a negative number for Compand::GetError.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/core/device_bitmap.h"
#include "platform/core/dib_types.h"
#include "platform/core/memblock.h"

struct RGBCOLOR {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
};
static_assert(sizeof(RGBCOLOR) == 3);

enum CompandType : std::int32_t {
  CT_NONE = 0,
  CT_BMP = 2,
  CT_THM = 3,
  CT_DIB = 4,
  CT_RLE = 5,
  CT_TIF = 6,
  CT_GIF = 7,
  CT_JPG = 8,
  CT_PCX = 9,
  CT_TGA = 10,
  CT_AVI = 11,
  CT_PNG = 12,
};

enum ImgType : std::int32_t { IT_UNSET = 0, IT_BILEVEL = 1, IT_PALETTE = 2, IT_TRUECOLOR = 3 };

// Error numbers of GetError.
enum CodaxeError : int {
  CE_NONE = 0,
  CE_OPEN_READ = -1,
  CE_OPEN_WRITE = -2,
  CE_CLOSE = -3,
  CE_HEADER = -4,
  CE_DATA = -5,
  CE_WRITE = -8,
  CE_MEMORY = -11,
  CE_NOT_GIF = -13,
};

namespace codaxe {
struct CodedImage;
}

// One frame of a stack. Pixels are in the raw image layout; the frame owns its pixel block.
class ImageFrame {
 public:
  ImageFrame() = default;
  virtual ~ImageFrame();
  ImageFrame(const ImageFrame&) = delete;
  ImageFrame& operator=(const ImageFrame&) = delete;

  unsigned short width = 0;
  unsigned short height = 0;
  std::uint32_t imageSize = 0;
  unsigned short bitsPerPixel = 0;
  unsigned short colors = 0;
  HGLOBAL hPixels = nullptr;
  RGBCOLOR palette[256] = {};
  unsigned char* pixels = nullptr;
  std::int32_t left = 0;
  std::int32_t top = 0;
  char* comment = nullptr;   // not owned (ImageStack::SetFrameComment keeps texts in the stack's list)
  unsigned short delay = 0;  // hundredths of a second
  unsigned char disposal = 0;
  std::int32_t transparent = 0;
  unsigned char transparentIndex = 0;
  std::int32_t removed = 0;  // the pixel block could not be allocated; not counted
  char path[256] = {};
  // Where the GIF this frame was read from holds its coded data, so that saving the frame unchanged copies
  // that data instead of coding it again (imgfile/gif_coded.h); null for other frames.
  std::shared_ptr<const codaxe::CodedImage> coded;
};

namespace codaxe {
struct FrameList;
}  // namespace codaxe

// An ordered list of frames shared by every stack copied from one another; the list goes with the last one.
class ImageStack {
 public:
  ImageStack();
  virtual ~ImageStack();
  ImageStack(const ImageStack& other);
  ImageStack& operator=(const ImageStack& other);

  ImageStack& Clone(const ImageStack& src);
  int AddBlankFrame();
  int AppendImageFrame(const char* path, char* comment, unsigned char* pixels, RGBCOLOR* palette,
                       unsigned short width, unsigned short height, unsigned short bitsPerPixel,
                       unsigned short colors);
  ImageFrame* GetFrameData(int i) const;
  int GetFrameNumber() const;
  int RemoveFrame(int i);
  int SwapFrameData(int i, int j);
  int MoveFrameData(int from, int to);
  // Gives frame i a copy of `text` (null or empty: no comment) that the list keeps as long as it lives; 0 for
  // a bad index. A frame copied into another list keeps pointing at this list's text.
  int SetFrameComment(int i, const char* text);

  unsigned short GetScreenWidth() const;
  void SetScreenWidth(unsigned short w);
  unsigned short GetScreenHeight() const;
  void SetScreenHeight(unsigned short h);
  int GetbGCT() const;
  void SetbGCT(int b);
  unsigned char GetbkColorIndex() const;
  void SetbkColorIndex(unsigned char i);
  // How often a GIF player repeats the animation; 0 (a new stack) is forever.
  unsigned short GetLoopCount() const;
  void SetLoopCount(unsigned short count);

 private:
  void Release();
  codaxe::FrameList* list_;
};

class ImageCodec;

// The front end for every file format: picks a codec by the file name's extension.
//
// Paths: the type comes from the final extension of the last path component, compared without regard to
// case (".jpeg"/".jpe" are JPG, ".tiff" is TIF). The caller's path is never changed, except that a writer
// gives the name in InitCompressor its type's extension: that buffer must have room for 4 more characters.
class Compand {
 public:
  Compand();
  virtual ~Compand();
  // A copy shares the codec; the codec goes with the last Compand that refers to it.
  Compand(const Compand& other);
  Compand& operator=(const Compand& other);

  int InitExpander(const char* path);
  int DoExpansion();
  int InitCompressor(CompandType type, char* name, unsigned short width, unsigned short height,
                     unsigned short bitsPerPixel, unsigned short colors, unsigned char* pixels,
                     RGBCOLOR* palette);
  int InitCompressor(CompandType type, char* name, ImageStack* stack);
  int DoCompression();
  int SaveImageStack();
  void SetCompressionQuality(unsigned short quality) { compressionQuality_ = quality; }
  void SetImageType(ImgType type) { imageType_ = type; }
  // The transparency of the image about to be written: one byte a pixel (255 opaque), rows bottom-up like
  // the pixels, `width` bytes each, or null. Writers that store transparency (PNG) keep it; the others
  // ignore it. The bytes must stay valid until DoCompression.
  void SetAlphaData(const unsigned char* alpha) { alpha_ = alpha; }
  CompandType GetCompressionType() const { return compressionType_; }

  unsigned char* GetDataPtr() const;
  RGBCOLOR* GetPalettePtr() const;
  unsigned short GetWidth() const;
  unsigned short GetHeight() const;
  unsigned short GetColors() const;
  unsigned short GetBitsPerPixel() const;
  int GetError() const;
  // The quality (1 ... 100) the image read was compressed with, estimated from its quantisation tables, so
  // that writing it again at that quality neither bloats it nor blurs it further; 0 for other files.
  int GetSourceQuality() const;
  // The transparency of the image read (PNG, TGA, TIFF), in the layout of SetAlphaData; null when the file
  // has none or every pixel is opaque.
  const unsigned char* GetAlphaPtr() const;
  ImageStack* GetImageStack() const;
  void DisposeOfImage();

  static CompandType FileTypeFromName(const char* name);
  // Gives `name` the extension of `type` (types 2 to 12); the buffer needs room for 4 more characters.
  static int FileNameFromType(char* name, CompandType type);

  // TIFF only. Copies the file's description into `text`, which must hold kImageDescriptionSize bytes (a
  // longer description is cut), and returns its length, 0 when there is none.
  int ReadImageDescription(char* text);
  static constexpr std::size_t kImageDescriptionSize = 4096;
  int SaveImageDescription(char* text);
  static void SetErrorMessageOutputStream(std::FILE* stream);

 private:
  enum Mode : std::int32_t { kIdle = 0, kWriting = 1, kReading = 2 };
  void DropCodec(bool dispose);

  Mode mode_ = kIdle;
  CompandType compressionType_ = CT_NONE;
  ImgType imageType_ = IT_UNSET;
  std::int32_t pending_ = 0;
  std::int32_t imageHeld_ = 0;
  unsigned short compressionQuality_ = 50;
  std::shared_ptr<ImageCodec> codec_;
  const unsigned char* alpha_ = nullptr;
};

// Packed-DIB helpers. A packed DIB is one block: the 40-byte header, three 32-bit masks for bit fields, the
// colour table and the pixel rows. Blocks returned belong to the caller (GlobalFree); a failing call reports
// nothing and leaves its input as it was.
int DIBInfo(HGLOBAL dib, BITMAPINFOHEADER* info);
HPALETTE CreateDIBPalette(HGLOBAL dib);
HGLOBAL DIBFromBitmap(HBITMAP bitmap, std::uint32_t compression, unsigned short bitsPerPixel,
                      HPALETTE palette);
// On success the input block has been freed.
HGLOBAL ChangeDIBFormat(HGLOBAL dib, unsigned short bitsPerPixel, std::uint32_t compression);
