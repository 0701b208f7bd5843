#include "tests/framora_document/gif_layout.h"

#include "tests/support/test_support.h"

namespace framora_test {

namespace {

class Bytes {
 public:
  explicit Bytes(std::vector<unsigned char> b) : b_(std::move(b)) {}
  bool more(std::size_t n = 1) const { return at_ + n <= b_.size(); }
  int byte() { return more() ? b_[at_++] : -1; }
  int u16() {
    const int lo = byte(), hi = byte();
    return lo < 0 || hi < 0 ? -1 : lo | hi << 8;
  }
  void skip(std::size_t n) { at_ += n; }
  // The sub-blocks that follow, joined.
  std::string blocks() {
    std::string s;
    for (int n; (n = byte()) > 0 && more(n); skip(n)) s.append(reinterpret_cast<const char*>(&b_[at_]), n);
    return s;
  }

 private:
  std::vector<unsigned char> b_;
  std::size_t at_ = 0;
};

}  // namespace

GifLayout read_gif_layout(const std::string& path) {
  GifLayout g;
  Bytes in(testing_support::read_file(path));
  if (!in.more(13)) return g;
  in.skip(6);
  g.screenWidth = in.u16();
  g.screenHeight = in.u16();
  const int flags = in.byte();
  in.skip(2);
  g.globalTable = flags & 0x80;
  if (g.globalTable) {
    g.globalEntries = 2 << (flags & 7);
    in.skip(3 * g.globalEntries);
  }
  GifFrameLayout next;
  for (int b; (b = in.byte()) >= 0 && b != 0x3B;) {
    if (b == 0x2C) {
      next.left = in.u16();
      next.top = in.u16();
      next.width = in.u16();
      next.height = in.u16();
      const int f = in.byte();
      next.localTable = f & 0x80;
      next.tableEntries = next.localTable ? 2 << (f & 7) : g.globalEntries;
      next.interlaced = f & 0x40;
      if (next.localTable) in.skip(3 * next.tableEntries);
      next.data = std::string(1, static_cast<char>(in.byte()));
      next.data += in.blocks();
      g.frames.push_back(next);
      next = GifFrameLayout();
    } else if (b == 0x21) {
      const int label = in.byte();
      const std::string data = in.blocks();
      if (label == 0xF9 && data.size() >= 4) {
        next.transparent = data[0] & 1;
        next.disposal = (data[0] >> 2) & 7;
        next.delay = static_cast<unsigned char>(data[1]) | static_cast<unsigned char>(data[2]) << 8;
        next.transparentIndex = static_cast<unsigned char>(data[3]);
      } else if (label == 0xFE && !g.frames.empty() && g.frames.back().commentAfter.empty()) {
        g.frames.back().commentAfter = data;
      } else if (label == 0xFF && data.size() >= 14 && data.compare(0, 11, "NETSCAPE2.0") == 0) {
        g.loopCount = static_cast<unsigned char>(data[12]) | static_cast<unsigned char>(data[13]) << 8;
      }
    } else {
      return g;
    }
  }
  g.ok = true;
  return g;
}

}  // namespace framora_test
