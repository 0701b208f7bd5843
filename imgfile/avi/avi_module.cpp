// The FFmpeg half of the AVI reader, built as a module of its own (see avi_module.h).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imgfile/avi/avi_module.h"

namespace {

using codaxe::avi::Frame;
using codaxe::avi::Sink;

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
struct ScalerFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

// FFmpeg talks to standard error unless told otherwise; the reader says what matters itself.
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

class StreamReader {
 public:
  StreamReader(const std::string& path, Sink* sink) : path_(path), sink_(sink) {}

  // Frames of one stream to the sink; false when no more should be read (the sink said stop, or memory ran
  // out, recorded in `noMemory`).
  bool import_stream(int index);
  bool noMemory = false;

 private:
  bool take_frame(const AVFrame* frame);

  const std::string& path_;
  Sink* sink_;
  std::unique_ptr<SwsContext, ScalerFreer> scaler_;
  std::vector<unsigned char> converted_;
};

bool StreamReader::import_stream(int index) {
  // Each stream reads the file from its start: streams are interleaved, and there are seldom two.
  Input input = open_input(path_);
  if (!input) return false;
  const AVStream* stream = input->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return true;
  std::unique_ptr<AVCodecContext, DecoderFreer> decoder(avcodec_alloc_context3(codec));
  std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
  if (!decoder || !packet || !frame) {
    noMemory = true;
    return false;
  }
  if (avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    return true;
  }
  const std::int64_t length = stream->nb_frames > 0 ? stream->nb_frames : count_packets(path_, index);
  const std::int64_t step = length > kMostFrames ? (length + kMostFrames - 1) / kMostFrames : 1;
  // Played back as an animation, each frame taken stands for `step` frames of the video.
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  unsigned short delay = 0;
  if (rate.num > 0 && rate.den > 0) {
    delay = static_cast<unsigned short>(
        std::min<std::int64_t>(65535, (200 * step * rate.den / rate.num + 1) / 2));
  }
  sink_->begin_stream(delay);

  // A frame's position comes from its time stamp: a file whose capture dropped frames has empty chunks,
  // which count as positions and show the frame before them, as the platform's frame getter shows it. The
  // stamps count from the first frame's: with B-frames the decoder's delay shifts them all.
  std::int64_t start = AV_NOPTS_VALUE;
  const bool timed = rate.num > 0 && rate.den > 0;
  std::unique_ptr<AVFrame, FrameFreer> held(av_frame_alloc());
  if (!held) {
    noMemory = true;
    return false;
  }
  std::int64_t counted = 0;  // for frames without a time stamp
  std::int64_t wanted = 0;   // the next position taken
  bool more = true;
  const auto arrive = [&](AVFrame* decoded) {
    const std::int64_t stamp = decoded->best_effort_timestamp;
    if (start == AV_NOPTS_VALUE && stamp != AV_NOPTS_VALUE) start = stamp - counted;
    const std::int64_t position =
        timed && stamp != AV_NOPTS_VALUE
            ? av_rescale_q_rnd(stamp - start, stream->time_base, av_inv_q(rate), AV_ROUND_NEAR_INF)
            : counted;
    counted = std::max(counted, position) + 1;
    for (; more && wanted < std::min(position, length) && held->buf[0]; wanted += step) {
      more = take_frame(held.get());
    }
    if (wanted < position) wanted = (position + step - 1) / step * step;  // nothing to show before it
    if (more && wanted == position && position < length) {
      more = take_frame(decoded);
      wanted += step;
    }
    av_frame_unref(held.get());
    av_frame_move_ref(held.get(), decoded);
  };
  // Frames come out of the decoder in display order.
  const auto receive = [&] {
    while (more && wanted < length && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      arrive(frame.get());
    }
  };
  while (more && wanted < length && av_read_frame(input.get(), packet.get()) >= 0) {
    // A packet the decoder refuses is a frame that cannot be had: skipped.
    if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0) receive();
    av_packet_unref(packet.get());
  }
  if (avcodec_send_packet(decoder.get(), nullptr) >= 0) receive();
  // Dropped frames at the end show the last one.
  for (; more && wanted < length && held->buf[0]; wanted += step) more = take_frame(held.get());
  return more;
}

bool StreamReader::take_frame(const AVFrame* frame) {
  const int width = frame->width;
  const int height = frame->height;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return true;
  if (frame->format == AV_PIX_FMT_PAL8) {
    return sink_->take(Frame{width, height, 8, frame->data[0], frame->linesize[0],
                             reinterpret_cast<const std::uint32_t*>(frame->data[1])});
  }
  scaler_.reset(sws_getCachedContext(scaler_.release(), width, height,
                                     static_cast<AVPixelFormat>(frame->format), width, height,
                                     AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!scaler_) return true;
  const std::size_t stride = std::size_t{3} * static_cast<std::size_t>(width);
  try {
    converted_.resize(stride * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    noMemory = true;
    return false;
  }
  std::uint8_t* out[4] = {converted_.data(), nullptr, nullptr, nullptr};
  int outStride[4] = {static_cast<int>(stride), 0, 0, 0};
  sws_scale(scaler_.get(), frame->data, frame->linesize, 0, height, out, outStride);
  return sink_->take(
      Frame{width, height, 24, converted_.data(), static_cast<std::ptrdiff_t>(stride), nullptr});
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int codaxe_avi_read_v1(const char* path, Sink* sink) {
  silence_ffmpeg();
  const std::string name = path;
  Input input = open_input(name);
  if (!input) return codaxe::avi::kCannotOpen;
  const int streams = static_cast<int>(std::min<unsigned>(input->nb_streams, kMaxStreams));
  StreamReader reader(name, sink);
  int videoStreams = 0;
  for (int i = 0; i < streams; ++i) {
    if (input->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    ++videoStreams;
    if (!reader.import_stream(i)) break;
  }
  if (reader.noMemory) return codaxe::avi::kNoMemory;
  return videoStreams == 0 ? codaxe::avi::kNoVideo : codaxe::avi::kRead;
}
