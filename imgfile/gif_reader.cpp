#include "imgfile/gif_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imgfile/byte_order.h"
#include "imgfile/gif_coded.h"
#include "imgfile/gif_format.h"
#include "imgfile/gif_lzw.h"

namespace {

// LZW yields at most about 2,730 pixels per byte of data (a 12-bit code for a string of up to 4,093
// pixels), so a file cannot honestly describe more pixels than this per byte it holds.
constexpr std::uint64_t kPixelsPerFileByte = 4096;
// Small enough to allocate without a second thought, large enough for any image a truncated file still
// means to show.
constexpr std::uint64_t kFreePixels = std::uint64_t{1} << 26;

}  // namespace

GifReader::GifReader(const std::string& path) : ImageCodec(path) {}

int GifReader::Expand() {
  if (!open_read()) {
    error_ = CE_OPEN_WRITE;
    return 0;
  }
  offset_ = 0;
  pixelBudget_ = std::max(kFreePixels, file_size() * kPixelsPerFileByte);
  bool ok = read_screen();
  Step step = ok ? Step::More : Step::Failed;
  while (step == Step::More) {
    const int introducer = take_byte();
    if (introducer == codaxe::gif::kImageSeparator) {
      step = read_image();
    } else if (introducer == codaxe::gif::kExtensionIntroducer) {
      step = read_extension();
    } else {
      // The trailer, the end of the file, or a byte that begins no block: the file ends here.
      step = Step::Done;
    }
  }
  close_file();
  attach_comments();
  if (stack_.GetFrameNumber() == 0) return 0;
  ok = deliver_last_frame() && (step == Step::Done || step == Step::Truncated);
  return ok ? 1 : 0;
}

bool GifReader::take(void* dest, std::size_t n) {
  if (n == 0) return true;
  if (offset_ + n > file_size()) return false;
  offset_ += n;
  return read_bytes(dest, n);
}

int GifReader::take_byte() {
  if (offset_ >= file_size()) return -1;
  ++offset_;
  return read_byte();
}

bool GifReader::read_screen() {
  unsigned char signature[6];
  if (!take(signature, sizeof signature)) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  if (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0) {
    return fail(codaxe::MSG_NOT_GIF, CE_NOT_GIF);
  }
  unsigned char screen[7];
  if (!take(screen, sizeof screen)) return fail(codaxe::MSG_READ_HEADER, CE_HEADER);
  const int flags = screen[4];
  // The stack keeps the logical screen so that saving it again places the frames as this file did.
  stack_.SetScreenWidth(codaxe::load_u16(screen));
  stack_.SetScreenHeight(codaxe::load_u16(screen + 2));
  if (flags & codaxe::gif::kTableFlag) {
    if (!read_colour_table(flags, globalTable_)) return fail(codaxe::MSG_READ_GCT, CE_DATA);
    hasGlobalTable_ = true;
    globalEntries_ = static_cast<unsigned>(codaxe::gif::table_entries(flags));
    std::memcpy(palette_, globalTable_, sizeof globalTable_);
    stack_.SetbkColorIndex(screen[5]);
    stack_.SetbGCT(1);
  }
  return true;
}

bool GifReader::read_colour_table(int flags, RGBCOLOR* table) {
  const std::size_t entries = codaxe::gif::table_entries(flags);
  std::memset(table, 0, 256 * sizeof(RGBCOLOR));
  return take(table, entries * sizeof(RGBCOLOR));
}

GifReader::Step GifReader::read_image() {
  unsigned char descriptor[9];
  if (!take(descriptor, sizeof descriptor)) return truncated();
  const unsigned width = codaxe::load_u16(descriptor + 4);
  const unsigned height = codaxe::load_u16(descriptor + 6);
  const int flags = descriptor[8];
  unsigned tableEntries = 0;  // none: grey levels
  if (flags & codaxe::gif::kTableFlag) {
    tableEntries = static_cast<unsigned>(codaxe::gif::table_entries(flags));
    if (!read_colour_table(flags, palette_)) {
      fail(codaxe::MSG_READ_LCT, CE_DATA);
      return Step::Truncated;
    }
    stack_.SetbGCT(0);
  } else if (hasGlobalTable_) {
    tableEntries = globalEntries_;
    std::memcpy(palette_, globalTable_, sizeof globalTable_);
  } else {
    // Neither table: show the indices as grey levels, as other readers do.
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<unsigned char>(i);
      palette_[i] = RGBCOLOR{v, v, v};
    }
  }
  const std::uint64_t dataOffset = offset_;
  const int minCodeSize = take_byte();
  if (minCodeSize < 0) return truncated();
  const bool dataWhole = read_sub_blocks();
  const Control control = control_;
  control_ = Control{};
  // An image without pixels has nothing to show; its data has been passed over.
  if (width == 0 || height == 0) return dataWhole ? Step::More : Step::Done;
  if (minCodeSize < 1 || minCodeSize > 8) return fail_step(codaxe::MSG_CODE_EXPANSION, CE_DATA);

  const std::uint64_t pixels = std::uint64_t{width} * height;
  if (pixels > pixelBudget_) return fail_step(codaxe::MSG_READ_DATA, CE_DATA);
  pixelBudget_ -= pixels;
  // The decoder copies in 8-byte steps and may write up to 7 bytes past the last pixel.
  if (!decoded_.reserve(pixels + 8)) return fail_step(codaxe::MSG_MEMORY, CE_MEMORY);
  const codaxe::LzwResult result =
      codaxe::lzw_decode(data_.bytes, dataSize_, minCodeSize, decoded_.bytes, pixels);
  std::memset(decoded_.bytes + result.pixels, 0, pixels - result.pixels);

  attach_comments();
  const int index =
      stack_.AppendImageFrame(nullptr, nullptr, nullptr, palette_, static_cast<unsigned short>(width),
                              static_cast<unsigned short>(height), 8, 256);
  if (index < 0) return fail_step(codaxe::MSG_MEMORY, CE_MEMORY);
  ImageFrame* frame = stack_.GetFrameData(index);
  store_rows(frame->pixels, width, height, flags & codaxe::gif::kInterlaceFlag);
  frame->left = codaxe::load_u16(descriptor);
  frame->top = codaxe::load_u16(descriptor + 2);
  if (control.present) {
    frame->delay = control.delay;
    frame->disposal = control.disposal;
    frame->transparent = control.transparent ? 1 : 0;
    frame->transparentIndex = control.transparentIndex;
  }
  set_description(static_cast<unsigned short>(width), static_cast<unsigned short>(height), 8, 256);
  lastFrame_ = index;

  const bool interlaced = flags & codaxe::gif::kInterlaceFlag;
  if (dataWhole && result.status != codaxe::LzwStatus::BadCode && result.pixels == pixels && tableEntries > 0)
    remember_coded_data(*frame, dataOffset, minCodeSize, tableEntries, interlaced);
  if (result.status == codaxe::LzwStatus::BadCode) return fail_step(codaxe::MSG_CODE_EXPANSION, CE_DATA);
  if (!dataWhole) {
    // A file cut after the last pixel's data has lost nothing but its end.
    return result.pixels == pixels ? Step::Done : truncated();
  }
  return Step::More;
}

void GifReader::remember_coded_data(ImageFrame& frame, std::uint64_t offset, int minCodeSize,
                                    unsigned tableEntries, bool interlaced) {
  auto coded = std::make_shared<codaxe::CodedImage>();
  coded->path = fileName_;
  coded->fileSize = file_size();
  coded->offset = offset;
  coded->length = offset_ - offset;
  coded->dataHash = codaxe::coded_data_hash(minCodeSize, data_.bytes, dataSize_);
  coded->frameHash = codaxe::frame_hash(frame);
  coded->tableEntries = tableEntries;
  unsigned char top = 0;
  const std::size_t count = std::size_t{frame.width} * frame.height;
  for (std::size_t k = 0; k < count; ++k) top = std::max(top, decoded_.bytes[k]);
  coded->maxIndex = top;
  coded->interlaced = interlaced;
  frame.coded = std::move(coded);
}

// Picture row y goes to buffer row height - 1 - y; interlaced rows arrive in four passes.
void GifReader::store_rows(unsigned char* pixels, unsigned width, unsigned height, bool interlaced) const {
  const std::size_t stride = dib_stride(width, 8);
  const unsigned char* from = decoded_.bytes;
  auto put = [&](unsigned y) {
    std::memcpy(pixels + (height - 1 - y) * stride, from, width);
    from += width;
  };
  if (!interlaced) {
    for (unsigned y = 0; y < height; ++y) put(y);
    return;
  }
  for (const auto& pass : codaxe::gif::kInterlacePasses) {
    for (unsigned y = pass.first; y < height; y += pass.step) put(y);
  }
}

GifReader::Step GifReader::read_extension() {
  const int label = take_byte();
  if (label < 0) return Step::Done;
  if (label == codaxe::gif::kGraphicControlLabel) {
    const int size = take_byte();
    if (size < 0) return Step::Done;
    if (size == 4) {
      unsigned char block[4];
      if (!take(block, sizeof block)) return Step::Done;
      control_.present = true;
      control_.disposal = static_cast<unsigned char>((block[0] >> 2) & 7);
      control_.transparent = block[0] & 1;
      control_.delay = codaxe::load_u16(block + 1);
      control_.transparentIndex = block[3];
      return skip_sub_blocks() ? Step::More : Step::Done;
    }
    return skip_bytes(static_cast<std::size_t>(size)) && skip_sub_blocks() ? Step::More : Step::Done;
  }
  if (label == codaxe::gif::kApplicationLabel) return read_application() ? Step::More : Step::Done;
  if (label == codaxe::gif::kCommentLabel) return read_comment() ? Step::More : Step::Done;
  return skip_sub_blocks() ? Step::More : Step::Done;
}

// The looping extension keeps its repeat count in the stack, so that an animation saved again loops as
// often as it did; every other application block is passed over.
bool GifReader::read_application() {
  static constexpr unsigned char kLooping[12] = {11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  unsigned char head[12];
  const int size = take_byte();
  if (size < 0) return false;
  head[0] = static_cast<unsigned char>(size);
  if (size != 11) return skip_bytes(static_cast<std::size_t>(size)) && skip_sub_blocks();
  if (!take(head + 1, 11)) return false;
  if (std::memcmp(head, kLooping, sizeof kLooping) != 0) return skip_sub_blocks();
  const int length = take_byte();
  if (length < 0) return false;
  unsigned char data[255];
  if (!take(data, static_cast<std::size_t>(length))) return false;
  if (length >= 3 && data[0] == 1) stack_.SetLoopCount(codaxe::load_u16(data + 1));
  return length == 0 || skip_sub_blocks();
}

// A comment cut off by the end of the file is dropped: half a sentence is no frame's comment.
bool GifReader::read_comment() {
  std::string text;
  unsigned char block[255];
  for (;;) {
    const int n = take_byte();
    if (n < 0 || !take(block, static_cast<std::size_t>(n))) return false;
    if (n == 0) break;
    text.append(reinterpret_cast<const char*>(block), static_cast<std::size_t>(n));
  }
  // The frame's comment is a C string: it ends where the text has its first NUL.
  text.resize(strnlen(text.c_str(), text.size()));
  if (text.empty() || text == codaxe::gif::kMakerText) return true;
  if (!comments_.empty()) comments_ += '\n';
  comments_ += text;
  return true;
}

void GifReader::attach_comments() {
  if (lastFrame_ < 0 || comments_.empty()) return;
  stack_.SetFrameComment(lastFrame_, comments_.c_str());
  comments_.clear();
}

bool GifReader::skip_bytes(std::size_t n) {
  unsigned char scratch[255];
  return take(scratch, n);
}

bool GifReader::skip_sub_blocks() {
  for (;;) {
    const int n = take_byte();
    if (n <= 0) return n == 0;
    if (!skip_bytes(static_cast<std::size_t>(n))) return false;
  }
}

bool GifReader::read_sub_blocks() {
  dataSize_ = 0;
  // The data cannot be longer than the rest of the file; one allocation holds it, and every later image's.
  if (!data_.reserve(file_size() - offset_)) return false;
  for (;;) {
    const int n = take_byte();
    if (n <= 0) return n == 0;
    const std::size_t have = std::min<std::uint64_t>(static_cast<std::size_t>(n), file_size() - offset_);
    if (!take(data_.bytes + dataSize_, have)) return false;
    dataSize_ += have;
    if (have < static_cast<std::size_t>(n)) return false;
  }
}

bool GifReader::Scratch::reserve(std::size_t n) {
  if (n <= capacity) return true;
  delete[] bytes;
  bytes = new (std::nothrow) unsigned char[n];
  capacity = bytes ? n : 0;
  return bytes != nullptr;
}

GifReader::Scratch::~Scratch() {
  delete[] bytes;
}

// The codec's own pixel buffer holds the last image, as a single-image reader's would.
bool GifReader::deliver_last_frame() {
  const ImageFrame* frame = stack_.GetFrameData(lastFrame_);
  if (!frame) return false;
  dispose_image();
  if (!AllocateImage(dib_stride(frame->width, 8), frame->height)) return false;
  std::memcpy(image_, frame->pixels, frame->imageSize);
  std::memcpy(palette_, frame->palette, sizeof frame->palette);
  imageSize_ = frame->imageSize;
  set_description(frame->width, frame->height, 8, 256);
  return true;
}

GifReader::Step GifReader::fail_step(int message, int error) {
  fail(message, error);
  return Step::Failed;
}

GifReader::Step GifReader::truncated() {
  fail(codaxe::MSG_READ_DATA, CE_DATA);
  return Step::Truncated;
}
