#include "imgfile/avi_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr int kMaxStreams = 25;
constexpr std::int64_t kMostFrames = 100;

struct InputCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct DecoderFreer {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

// FFmpeg talks to standard error unless told otherwise; the codec says what matters itself.
void silence_ffmpeg() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// Only the AVI demuxer: a file named .avi is read as an AVI, whatever else its bytes might pass for.
Input open_input(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), av_find_input_format("avi"), nullptr) < 0) return nullptr;
  Input input(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) return nullptr;
  return input;
}

// The frames of a stream whose header does not count them, counted from its packets.
std::int64_t count_packets(const std::string& path, int index) {
  Input input = open_input(path);
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  if (!input || !packet) return 0;
  std::int64_t n = 0;
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    n += packet->stream_index == index;
    av_packet_unref(packet.get());
  }
  return n;
}

}  // namespace

AviReader::AviReader(const std::string& path) : ImageCodec(path) {}

AviReader::~AviReader() {
  sws_freeContext(scaler_);
}

int AviReader::Expand() {
  silence_ffmpeg();
  Input input = open_input(fileName_);
  if (!input) return fail(codaxe::MSG_OPEN, CE_OPEN_READ);
  const int streams = static_cast<int>(std::min<unsigned>(input->nb_streams, kMaxStreams));
  int videoStreams = 0;
  for (int i = 0; i < streams; ++i) {
    if (input->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    ++videoStreams;
    if (!import_stream(i)) break;
  }
  if (error_ != 0) return framesTaken_ > 0 ? 1 : 0;
  if (videoStreams == 0) return fail(codaxe::MSG_UNSUPPORTED, CE_DATA);
  if (framesTaken_ == 0) return fail(codaxe::MSG_READ_DATA, CE_DATA);
  return 1;
}

bool AviReader::import_stream(int index) {
  // Each stream reads the file from its start: streams are interleaved, and there are seldom two.
  Input input = open_input(fileName_);
  if (!input) return false;
  const AVStream* stream = input->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return true;
  std::unique_ptr<AVCodecContext, DecoderFreer> decoder(avcodec_alloc_context3(codec));
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!decoder || !packet || !frame) return fail(codaxe::MSG_MEMORY, CE_MEMORY);
  if (avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    return true;
  }
  const std::int64_t length = stream->nb_frames > 0 ? stream->nb_frames : count_packets(fileName_, index);
  const std::int64_t step = length > kMostFrames ? (length + kMostFrames - 1) / kMostFrames : 1;
  // Played back as an animation, each frame taken stands for `step` frames of the video.
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  delay_ = 0;
  if (rate.num > 0 && rate.den > 0) {
    delay_ = static_cast<unsigned short>(
        std::min<std::int64_t>(65535, (200 * step * rate.den / rate.num + 1) / 2));
  }

  std::int64_t position = 0;
  bool more = true;
  // Frames come out of the decoder in display order; each one is the next position.
  auto receive = [&] {
    while (more && position < length && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      if (position % step == 0) more = take_frame(frame.get());
      ++position;
      av_frame_unref(frame.get());
    }
  };
  while (more && position < length && av_read_frame(input.get(), packet.get()) >= 0) {
    // A packet the decoder refuses is a frame that cannot be had: skipped.
    if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0) receive();
    av_packet_unref(packet.get());
  }
  if (avcodec_send_packet(decoder.get(), nullptr) >= 0) receive();
  return more;
}

bool AviReader::take_frame(const AVFrame* frame) {
  const int width = frame->width;
  const int height = frame->height;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return true;
  const bool paletted = frame->format == AV_PIX_FMT_PAL8;
  const unsigned short bits = paletted ? 8 : 24;
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
  if (paletted) {
    for (int y = 0; y < height; ++y) {
      std::memcpy(image_ + std::size_t(height - 1 - y) * stride,
                  frame->data[0] + std::ptrdiff_t{y} * frame->linesize[0], static_cast<std::size_t>(width));
    }
    // FFmpeg's palette entries are 32-bit values 0xAARRGGBB.
    const auto* entries = reinterpret_cast<const std::uint32_t*>(frame->data[1]);
    for (int i = 0; i < 256; ++i) {
      palette_[i] =
          RGBCOLOR{static_cast<unsigned char>(entries[i] >> 16), static_cast<unsigned char>(entries[i] >> 8),
                   static_cast<unsigned char>(entries[i])};
    }
  } else {
    scaler_ = sws_getCachedContext(scaler_, width, height, static_cast<AVPixelFormat>(frame->format), width,
                                   height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler_) return true;
    // Written from the bottom row up: the raw image is stored upside down.
    std::uint8_t* out[4] = {image_ + (height - 1) * stride, nullptr, nullptr, nullptr};
    int outStride[4] = {-static_cast<int>(stride), 0, 0, 0};
    sws_scale(scaler_, frame->data, frame->linesize, 0, height, out, outStride);
    fill_default_palette();
  }
  const unsigned short colors = paletted ? 256 : 0;
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
