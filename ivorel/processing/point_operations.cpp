// Point operations: brightness and contrast, conversion to gray, histogram equalisation and inversion.
// Palette images change through their palette where the operation allows it; otherwise through a working
// copy and the colour reduction on the way back.
#include <cmath>
#include <new>
#include <vector>

#include "ivorel/processing/operation_support.h"
#include "ivorel/processing/processing.h"
#include "platform/core/cursor.h"

using ivorel::clamp_byte;
using ivorel::Outcome;

void TProcessImage::AdjustBrightnessContrast() {
  std::fill(std::begin(contrastTable_), std::end(contrastTable_), 0);
  brightness_ = contrast_ = 0;
  int channel = 0;
  if (procData_) {
    brightness_ = procData_->words[1];
    contrast_ = procData_->words[2];
    channel = procData_->words[3];
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::BriteContrastAdjust;
    request.integers[0] = 0;
    request.integers[1] = 0;
    if (!ivorel::ask_parameters(request, window_)) return SetOutcome(Outcome::Declined);
    brightness_ = request.integers[0].value_or(0);
    contrast_ = request.integers[1].value_or(0);
    UpdateAfterDialog();
  }
  SetOutcome(Outcome::Ran);
  if (brightness_ == 0 && contrast_ == 0) return;
  if (contrast_ != 0) {
    for (int i = 0; i < 256; ++i)
      contrastTable_[i] = static_cast<std::int32_t>(std::sin(0.0245 * i - 3.14) * contrast_);
  }
  if (channel < 1 || channel > 3) channel = 0;
  const std::int64_t b = brightness_;
  pcore::WaitCursor wait;
  if (bitsPerPixel_ == 24) {
    if (!imageData_) return SetOutcome(Outcome::Failed);
    // Channels name colours; in stored pixels red is byte 2.
    const int byte = channel ? 3 - channel : 0;
    for (unsigned y = 0; y < height_; ++y) {
      ProgressCursor(0, height_ - 1, static_cast<int>(y), "AdjustBrightnessContrast");
      unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
      for (unsigned x = 0; x < width_; ++x, p += 3) {
        if (channel) {
          p[byte] = clamp_byte(p[byte] + contrastTable_[p[byte]] + b);
        } else {
          const std::int64_t o = contrastTable_[ivorel::l32_bytes(p)] + b;
          p[0] = clamp_byte(p[0] + o);
          p[1] = clamp_byte(p[1] + o);
          p[2] = clamp_byte(p[2] + o);
        }
      }
    }
  } else {
    for (int i = 0; i < std::min<int>(colors_, 256); ++i) {
      RGBCOLOR& c = palette_[i];
      unsigned char* component = channel == 1 ? &c.red : channel == 2 ? &c.green : &c.blue;
      if (channel) {
        *component = clamp_byte(*component + contrastTable_[*component] + b);
      } else {
        const std::int64_t o = contrastTable_[ivorel::l32_entry(c)] + b;
        c = RGBCOLOR{clamp_byte(c.red + o), clamp_byte(c.green + o), clamp_byte(c.blue + o)};
      }
    }
    CopyPaletteToImage(256);
  }
  BuildNewDisplayObject();
  MarkDirty();
}

void TProcessImage::ConvertToGray() {
  pcore::WaitCursor wait;
  if (bitsPerPixel_ == 24) {
    if (!imageData_) return SetOutcome(Outcome::Failed);
    const std::uint32_t size = rowBytes8_ * height_;
    HGLOBAL block = GlobalAlloc(size);
    if (!block) {
      ReportNoMemory("No memory available for image conversion to gray.");
      return SetOutcome(Outcome::Failed);
    }
    auto* gray = static_cast<unsigned char*>(GlobalLock(block));
    for (unsigned y = 0; y < height_; ++y) {
      ProgressCursor(0, height_ - 1, static_cast<int>(y), "ConvertToGray");
      const unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
      unsigned char* o = gray + static_cast<std::size_t>(y) * rowBytes8_;
      for (unsigned x = 0; x < width_; ++x, p += 3) o[x] = static_cast<unsigned char>(ivorel::l100_bytes(p));
    }
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<unsigned char>(i);
      palette_[i] = RGBCOLOR{v, v, v};
    }
    HGLOBAL old = hImageData_;
    InstallBlock(block, gray, 8, size);
    colors_ = 256;
    if (image_) image_->image.colors = 256;
    if (old) {
      GlobalUnlock(old);
      GlobalFree(old);
    }
  } else if (colors_ != 0) {
    for (int i = 0; i < std::min<int>(colors_, 256); ++i) {
      const auto v = static_cast<unsigned char>(ivorel::l100_entry(palette_[i]));
      palette_[i] = RGBCOLOR{v, v, v};
    }
  }
  SetOutcome(Outcome::Ran);
  CopyPaletteToImage(256);
  BuildNewDisplayObject();
  MarkDirty();
  if (image_) {
    // The menus show the depth the image now has (a 1- or 4-bit image keeps its own).
    image_->menuUpdate.item[_MENUUPDATE::kBitsPerPixel] = bitsPerPixel_;
    image_->SendMenuUpdateToClient();
  }
}

void TProcessImage::HistogramEq() {
  int strength = 1;
  if (procData_) {
    strength = procData_->words[1];
  } else {
    pcore::ParameterRequest request;
    request.dialog = pcore::ParameterDialog::FilterControl;
    request.description =
        "Histogram equalization attempts to correct images that are either too bright or too dark.";
    request.integers[0] = strength;
    if (!ivorel::ask_parameters(request, window_)) return SetOutcome(Outcome::Declined);
    strength = request.integers[0].value_or(strength);
    UpdateAfterDialog();
  }
  doHistogramEq(strength);
}

void TProcessImage::doHistogramEq(int strength) {
  pcore::WaitCursor wait;
  if (!init24BitAlg()) return SetOutcome(Outcome::Failed);
  std::vector<std::uint64_t> histogram, sums;
  try {
    histogram.assign(256, 0);
    sums.assign(256, 0);
  } catch (const std::bad_alloc&) {
    ReleaseWorkingCopy();
    ReportNoMemory("No memory available for image histogram eq.");
    return SetOutcome(Outcome::Failed);
  }
  for (unsigned y = 0; y < height_; ++y) {
    const unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
    for (unsigned x = 0; x < width_; ++x, p += 3) ++histogram[p[1]];
  }
  std::uint64_t running = 0;
  for (int i = 0; i < 256; ++i) sums[i] = running += histogram[i];
  const std::uint64_t n = static_cast<std::uint64_t>(width_) * height_;
  std::int64_t shift[256];
  for (int g = 0; g < 256; ++g) {
    const auto target = static_cast<std::int64_t>(n ? sums[g] * 256 / n : 0);
    shift[g] = (target - g) * strength / 10;
  }
  for (unsigned y = 0; y < height_; ++y) {
    ProgressCursor(0, height_ - 1, static_cast<int>(y), "HistogramEq");
    unsigned char* p = imageData_ + static_cast<std::size_t>(y) * rowBytes24_;
    for (unsigned x = 0; x < width_; ++x, p += 3) {
      const std::int64_t d = shift[p[1]];
      p[0] = clamp_byte(p[0] + d);
      p[1] = clamp_byte(p[1] + d);
      p[2] = clamp_byte(p[2] + d);
    }
  }
  SetOutcome(Outcome::Ran);
  exit24BitAlg();
}

void TProcessImageEx::InvertPicHelper() {
  const int mode = procData_ ? procData_->words[4] : 0;
  if (bitsPerPixel_ == 8) {
    InvertPic8(mode);
  } else {
    InvertPic24(mode);
  }
}

bool TProcessImageEx::InversionThresholds(int mode, int& t1, int& t2, int& t3) {
  t1 = t2 = t3 = 0;
  if (mode != 1 && mode != 2 && mode != 3) return true;
  const int count = mode == 2 ? 3 : 1;
  int t[3] = {0, 0, 0};
  if (procData_) {
    for (int i = 0; i < count; ++i) t[i] = procData_->words[1 + i];
  } else {
    pcore::ParameterRequest request;
    for (int i = 0; i < count; ++i) request.integers[i] = count == 1 ? 128 : 0;
    if (!ivorel::ask_parameters(request, window_)) return false;
    for (int i = 0; i < count; ++i) t[i] = request.integers[i].value_or(0);
    UpdateAfterDialog();
  }
  for (int i = 0; i < count; ++i) {
    if (t[i] < 0 || t[i] > 256) return false;
  }
  t1 = t[0];
  t2 = count == 3 ? t[1] : t[0];
  t3 = count == 3 ? t[2] : t[0];
  return true;
}

void TProcessImageEx::InvertPic8(int mode) {
  int t1, t2, t3;
  if (!InversionThresholds(mode, t1, t2, t3)) return SetOutcome(Outcome::Declined);
  pcore::WaitCursor wait;
  const auto flip = [](unsigned char c, int t) { return c >= t ? static_cast<unsigned char>(255 - c) : c; };
  for (int i = 0; i < std::min<int>(colors_, 256); ++i) {
    RGBCOLOR& c = palette_[i];
    if (mode == 3) {
      const unsigned char v = ivorel::l32_entry(c) < t1 ? 0 : 255;
      c = RGBCOLOR{v, v, v};
    } else {
      c = RGBCOLOR{flip(c.red, t1), flip(c.green, t2), flip(c.blue, t3)};
    }
  }
  SetOutcome(Outcome::Ran);
  CopyPaletteToImage(256);
  BuildNewDisplayObject();
  MarkDirty();
}

void TProcessImageEx::InvertPic24(int mode) {
  int t1, t2, t3;
  if (!InversionThresholds(mode, t1, t2, t3)) return SetOutcome(Outcome::Declined);
  if (start24bitAlg() != 0) return SetOutcome(Outcome::Failed);
  doInvertPic24(0, 0, width_, height_, t1, t2, t3, mode);
  SetOutcome(Outcome::Ran);
  end24bitAlg();
}

void TProcessImageEx::doInvertPic24(int left, int top, int width, int height, int t1, int t2, int t3,
                                    int mode) {
  const auto flip = [](unsigned char c, int t) { return c >= t ? static_cast<unsigned char>(255 - c) : c; };
  ForEachEffectPixel(left, top, width, height, "InvertColor", [&](const unsigned char* s, unsigned char* d) {
    if (mode == 3) {
      d[0] = d[1] = d[2] = ivorel::l32_bytes(s) < t1 ? 0 : 255;
    } else {
      d[0] = flip(s[0], t3);
      d[1] = flip(s[1], t2);
      d[2] = flip(s[2], t1);
    }
  });
}
