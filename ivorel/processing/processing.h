// Ivorel's processing engine: one short-lived processor per image operation, built on the image's
// ImageDescriptorAndDisplayObj, with its parameter block (_IMAGE_PROC_DATA) and two working-buffer schemes.
//
// A caller builds a processor around the image (the undo snapshot is taken then), calls one operation and
// destroys it. An operation reads its parameters from the attached block or, without one, asks through the
// parameter-dialog service (platform/core/dialogs.h); it works on the pixels in place, rebuilds the display
// object and marks the image modified. Public operations take no arguments and return nothing; whether one
// ran can be asked afterwards with LastOutcome().
//
// Working copies are module-wide: only one processor at a time may hold one. A second request is refused
// and reported, never allowed to overwrite the first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

#include "ivorel/windows/imagedescriptor.h"
#include "platform/core/resize_param.h"

// 21 positional 32-bit words; which words an operation reads, and which it reads as IEEE floats, belongs to
// the operation. Word 0 is not read by the point, colour, frame or geometry operations.
struct _IMAGE_PROC_DATA {
  std::int32_t words[21] = {};

  float GetFloat(int i) const {
    float f;
    std::memcpy(&f, &words[i], sizeof f);
    return f;
  }
  void SetFloat(int i, float f) { std::memcpy(&words[i], &f, sizeof f); }
};
static_assert(sizeof(_IMAGE_PROC_DATA) == 84);

// A 3 x 3 convolution kernel with its divisor.
struct KERNEL {
  int element[9] = {};
  int divisor = 1;
};

namespace ivorel {

// What the last operation of a processor did.
enum class Outcome {
  None,      // no operation called yet
  Ran,       // the image was processed (possibly into the same pixels)
  Declined,  // cancelled, or its parameters were out of range: nothing was touched
  Failed,    // memory was short, the depth is not supported or a working copy was already held
};

// The image-window property through which a processor reaches the undo store of the child window that
// holds the image: a COperationUndoRedo*.
inline constexpr const char kUndoStoreProperty[] = "IvorelUndoStore";

// Padded row length of `width` pixels at `bitsPerPixel` (unknown depths count as 8 bits).
std::uint32_t row_bytes(std::uint32_t width, int bitsPerPixel);

// The progress-cursor frame for row `current` of first ... last, or -1 when the cursor stays as it is.
int progress_frame(int first, int last, int current);

}  // namespace ivorel

// The resize factor of a scale position -1000 ... 1000 (shown as "%d %"): 100 doubles, -100 halves, and the
// ends are 20 and 1/20.
float ScaleFromPosition(int position);

class TProcessImage {
 public:
  using ErrorHandler = void (TProcessImage::*)(char* text, char* caption);

  explicit TProcessImage(ImageDescriptorAndDisplayObj* image);
  TProcessImage(const TProcessImage& other);
  TProcessImage& operator=(const TProcessImage& other);
  virtual ~TProcessImage();

  _IMAGE_PROC_DATA* SetImageProcData(_IMAGE_PROC_DATA* data);

  void SetErrorHandler(std::FILE* stream);
  void ErrorMessage(char* text, char* caption);
  void defTProcessImageErrorHandler(char* text, char* caption);
  void fileTProcessImageErrorHandler(char* text, char* caption);

  // Point and colour operations.
  void AdjustBrightnessContrast();
  void ConvertToGray();
  void HistogramEq();
  // 3 x 3 luminance median on the stored 24-bit pixels, leaving a black frame.
  void Despeckle();

  // Interactive crop: BeginCrop arms the image window's rubber band; EndCrop cuts the image to the
  // rectangle between two corners given in client coordinates of a window that shows the image to fit.
  void BeginCrop();
  void EndCrop(POINT& corner1, POINT& corner2);

  // Hands the image to the printer with the main frame's page layout (the print dialog, then the job);
  // nothing happens without an image or where no printing is installed (the command line).
  void PrintWrapper();

  // Geometry: mirrors, quarter turns and resizing of the stored image.
  void FlipHorz();
  void FlipVert();
  void RotateCW();
  void RotateCCW();
  void Resize();

  // Bilinear blend of four bytes (upper pair, lower pair) at the fractional part of x and y; 0 for null.
  static unsigned char bilinearcc(double x, double y, unsigned char* four);
  // bilinearcc on each of red, green and blue of four colours; black for null.
  static RGBCOLOR bilinear(double x, double y, RGBCOLOR* four);

  // Fixed 3 x 3 kernels with a strength control.
  void HighPass1();
  void HighPass2();
  void HighPass3();
  void LowPass1();
  void LowPass2();
  void LowPass3();
  void NorthEdges();
  void NorthEastEdges();
  void EastEdges();
  void SouthEastEdges();
  void SouthEdges();
  void SouthWestEdges();
  void WestEdges();
  void NorthWestEdges();

  // Colour depth changes. PromoteTo24BPP with a non-zero `quiet` leaves the display and the modified flag
  // alone (for masks and for operations that promote on their way).
  void PromoteTo24BPP(int quiet);
  void SetBPP();
  void Quantize();
  void Dither();
  void Dither14();

  // The whole image to and from the clipboard service (platform/core/clipboard.h) as a packed DIB; 1 on
  // success. ImageFromClipboard fills `out` with a pixel block of its own only when it succeeds.
  int ImageToClipboard();
  int ImageFromClipboard(_IMAGEDESCRIPTOR& out);

  ivorel::Outcome LastOutcome() const { return outcome_; }
  // The processor's own view of the image (kept in step with the image object's descriptor).
  unsigned short Width() const { return width_; }
  unsigned short Height() const { return height_; }
  unsigned short BitsPerPixel() const { return bitsPerPixel_; }
  unsigned short Colors() const { return colors_; }
  const RGBCOLOR* Palette() const { return palette_; }
  unsigned char* ImageData() const { return imageData_; }
  const std::int32_t* ContrastTable() const { return contrastTable_; }
  ImageDescriptorAndDisplayObj* Image() const { return image_; }

 protected:
  virtual int interpolate(double x, double y, RGBCOLOR& out);
  virtual int interpolate_bilinear(double x, double y, RGBCOLOR& out);

  int init24BitAlg();
  void exit24BitAlg();
  void BuildNewDisplayObject();
  static void Breath();
  // Advances the progress cursor for row `current` of first ... last; the name is not shown.
  void ProgressCursor(int first, int last, int current, const char* name);

  void doHistogramEq(int strength);
  void doDespeckle();
  int ConvoluteImage(KERNEL* kernel, int defaultStrength, char* text);
  int doConvoluteImage(KERNEL* kernel, int defaultStrength, char* text);

  int FlipImage(int horizontal);
  // Runs `work` on the image, promoted first when it has 1 or 4 bits, and brings it back.
  int AtStoredOrWorkingDepth(const std::function<int()>& work);
  int doFlipImage(int horizontal);
  int RotateImage(int direction);
  int doRotateImage(int direction);
  int doResize();
  // Puts a block of new dimensions in place of the pixels (of the working copy while one is held) and frees
  // the former block.
  void ReplacePixels(HGLOBAL block, unsigned char* data, std::uint32_t size, unsigned short width,
                     unsigned short height);
  void SetDimensions(unsigned short width, unsigned short height);
  // Ends a depth change: installs the new pixels with their depth, colour count and palette (all 256
  // entries), frees the former block, rebuilds the display and tells the menus.
  void InstallNewDepth(HGLOBAL block, unsigned char* data, std::uint32_t size, unsigned short bitsPerPixel,
                       unsigned short colours, const RGBCOLOR* palette);
  // The fixed-palette error diffusion of Dither and Dither14 to 1, 4 or 8 bits.
  void DitherTo(int depth);

  // Helpers of the operation frame.
  HWND WindowHandle() const { return window_; }
  void MarkDirty();
  void UpdateAfterDialog();
  void CopyPaletteToImage(int entries);
  // Reports a lack of memory with the caption every such message carries.
  void ReportNoMemory(const char* text);
  // Installs a new pixel block (locked) as the image, in the processor and the image object.
  void InstallBlock(HGLOBAL block, unsigned char* data, unsigned short bitsPerPixel, std::uint32_t size);
  // Back from a 24-bit result to the saved depth: reduces `pixels` (top row first, working byte order) into
  // the stored buffer `out` (bottom row first). 0 when memory is short; `out` is untouched then.
  int ReduceIntoStored(const unsigned char* pixels, std::size_t stride, unsigned char* out, int depth);
  void SetOutcome(ivorel::Outcome outcome) { outcome_ = outcome; }
  bool ClaimWorkingCopy();
  void ReleaseWorkingCopy();

  ImageDescriptorAndDisplayObj* image_ = nullptr;
  _IMAGE_PROC_DATA* procData_ = nullptr;
  std::int32_t contrastTable_[256] = {};
  std::int32_t brightness_ = 0;
  std::int32_t contrast_ = 0;
  unsigned short width_ = 0;
  unsigned short height_ = 0;
  unsigned short xResolution_ = 100;
  unsigned short yResolution_ = 100;
  std::uint32_t imageSize_ = 0;
  unsigned short bitsPerPixel_ = 0;
  unsigned short colors_ = 0;
  HGLOBAL hImageData_ = nullptr;
  RGBCOLOR palette_[256] = {};
  unsigned char* imageData_ = nullptr;
  HWND window_ = nullptr;
  std::uint32_t rowBytes8_ = 0;
  std::uint32_t rowBytes24_ = 0;
  std::uint32_t savedDepth_ = 0;
  ErrorHandler errorHandler_ = &TProcessImage::defTProcessImageErrorHandler;
  std::FILE* errorStream_ = nullptr;

 private:
  ivorel::Outcome outcome_ = ivorel::Outcome::None;
};

class TProcessImageEx : public TProcessImage {
 public:
  explicit TProcessImageEx(ImageDescriptorAndDisplayObj* image);
  // A copy made while buffers are held gets buffers of its own (or none when memory is short).
  TProcessImageEx(const TProcessImageEx& other);
  TProcessImageEx& operator=(const TProcessImageEx& other);
  ~TProcessImageEx() override;

  void InvertPicHelper();
  void InvertPic8(int mode);
  void InvertPic24(int mode);
  void GammaCorrection();
  void SaturationHue();
  void PseudoColor();
  void HighLight();

  // Geometry on the effect buffers, and canvas enlargement of the stored image.
  void FineRotate();
  void Shear();
  void EnlargeCanvas();

  // Neighbourhood filters.
  void HighPassHelper();
  void LowPassHelper();
  void EdgeEnhanceHelper();
  void Blur();
  void Sharpen();
  void EdgeDetect();
  void MotionBlur();

  // Artistic effects.
  void OilPaint();
  void Crystallize();
  void Pixelize();
  void LineArt();
  void Matte();
  void Slicer();
  void TinFoil();
  void Blend();

  // One of the three dithers by word 1 (0: 2 colours, 1: 16, 2: 256), for batch use; palette images are
  // promoted first, and an image already at or below the chosen depth is left alone.
  void DitherHelper();
  // Rank and morphology filters.
  void MedianFilter();
  void Maximum();
  void Minimum();
  void AlphaTrimedMean();
  void Erosion();
  void Dilation();
  void Outline();
  void PointDetector();

  // Fills, noise and textures; a texture stays owned by the caller and may be null.
  void GradientFill();
  void SaltPepperNoise();
  void TextureTile(ImageDescriptorAndDisplayObj* texture);
  void TextureMosaic(ImageDescriptorAndDisplayObj* texture);

  // Distortion effects.
  void FishEye();
  void Ripples();
  void Twist();
  void WhirlPinch();
  void RectangleWarp();
  void Melting();
  void Spread();

  // A new blank image from the new-image dialog (platform/core/new_image_dialog.h) into `out`, with a
  // pixel block of its own; 1 when an image was made, 0 when cancelled, a value was 0 or memory is short.
  int CreateEmptyImage(_IMAGEDESCRIPTOR& out);

  // The colour table of the next PseudoColor; null selects the built-in table. Reset by every call.
  static RGBCOLOR* pPseudoColorPalette;

 protected:
  int interpolate(double x, double y, RGBCOLOR& out) override;

  void doGammaCorrection(int left, int top, int width, int height, double gamma, int mode);
  void doSaturationHue(int factor, int hue, int luminance, int left, int top, int width, int height);
  void doHighLight(int left, int top, int width, int height, int centreX, int centreY);
  void doRotate(int left, int top, int width, int height, double angle, int keep);
  void doShear(int left, int top, int width, int height, int angle, int vertical);

  // Calls pixel(source, destination) for every pixel of a rectangle of the effect buffers, with the
  // progress step per row.
  template <typename PixelFn>
  void ForEachEffectPixel(int left, int top, int width, int height, const char* name, PixelFn pixel) {
    for (int y = top; y < top + height; ++y) {
      ProgressCursor(0, height_ - 1, y, name);
      const std::size_t start = 3 * (static_cast<std::size_t>(y) * width_ + left);
      const unsigned char* s = source_ + start;
      unsigned char* d = destination_ + start;
      for (int x = 0; x < width; ++x, s += 3, d += 3) pixel(s, d);
    }
  }

 private:
  int start24bitAlg();
  void end24bitAlg();
  // end24bitAlg after an effect that ran; after one that failed (LastOutcome Failed), drops the buffers and
  // leaves the stored image as it was.
  void EndEffect();
  // The frame of an effect once its parameters are known: the buffers, the worker, the way back.
  template <typename Worker>
  void RunEffect(Worker worker) {
    if (start24bitAlg() != 0) return SetOutcome(ivorel::Outcome::Failed);
    SetOutcome(ivorel::Outcome::Ran);
    worker();
    EndEffect();
  }
  void doInvertPic24(int left, int top, int width, int height, int t1, int t2, int t3, int mode);
  void doBlurConvolv(int left, int top, int width, int height, int size);
  void doSharpConvolv(int left, int top, int width, int height, int strength);
  void doEdgeConvolv(int left, int top, int width, int height, int mode);
  // The relief of one of eight directions added to the destination (the tin-foil effect's emboss).
  void doAngleConvolv(int left, int top, int width, int height, int angle);
  void doMotionBlur(int left, int top, int width, int height, int rowStep, int columnStep,
                    unsigned char length);
  void doMedianFilter(int left, int top, int width, int height, int size);
  void doMaxMin(int left, int top, int width, int height, unsigned char size, int maximum);
  void doAlphaTrimedMean(int left, int top, int width, int height, int size, int trim);
  void doErosion(const int element[5][5], int left, int top, int width, int height);
  void doDilation(const int element[5][5], int left, int top, int width, int height);
  void doOutline(const int element[5][5], int left, int top, int width, int height, int mode);
  void doPointDetector(const int kernel[3][3], int left, int top, int width, int height, int mode);
  // Workers of the distortion effects.
  void doFishEye(int left, int top, int width, int height, int cx, int cy, float strength, int mode);
  void doRipples(int left, int top, int width, int height, float amplitude, float frequency, int mode);
  void doTwist(int left, int top, int width, int height, unsigned char tiles, int mode);
  void doWhirlPinch(int left, int top, int width, int height, double whirl, double pinch, double radius);
  void doRectangleWarp(int left, int top, int right, int bottom, const int cornerX[4], const int cornerY[4]);
  void doMelting(int left, int top, int width, int height, int strength);
  void doSpread(int left, int top, int width, int height, int a, int b);
  // Histogram equalisation of strength 3 after an effect that ran, when `equalise` is non-zero.
  void EqualiseAfterEffect(int equalise);
  // Asks for the inversion thresholds of `mode`; false when the operation ends.
  bool InversionThresholds(int mode, int& t1, int& t2, int& t3);
  void FreeBuffers();
  void CopyBuffersFrom(const TProcessImageEx& other);

  unsigned char* source_ = nullptr;
  unsigned char* destination_ = nullptr;
};
