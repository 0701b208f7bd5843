// The scanner engine: pages built from every kind of frame a scanner sends, and the engine's states over
// SANE's test device, whose pages must equal what SANE's own scanimage writes for the same options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "ivorel/acquire/ctwain.h"
#include "ivorel/acquire/page_assembler.h"
#include "ivorel/acquire/scan_session.h"
#include "ivorel/acquire/source_manager.h"
#include "ivorel/processing/packed_dib.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// ---- Pages from frames

// Sample `i` of one channel's row as 8 bits, written plainly; line art's 1 is black.
unsigned reference_sample(const std::vector<unsigned char>& row, int i, int depth) {
  if (depth == 1) return ((row[i / 8] >> (7 - i % 8)) & 1) ? 0 : 255;
  if (depth == 16) return row[2 * i + 1];  // little-endian host: the high byte is the second
  return row[i];
}

TEST(PageAssembler, EveryFrameKindBecomesTheDibItsSamplesDescribe) {
  struct Case {
    const char* name;
    std::vector<SANE_Frame> frames;
    int depth;
    int lines;  // -1: unknown, as a hand scanner sends
  };
  const Case cases[] = {
      {"grey 8", {SANE_FRAME_GRAY}, 8, 5},
      {"grey 16", {SANE_FRAME_GRAY}, 16, 5},
      {"line art", {SANE_FRAME_GRAY}, 1, 5},
      {"colour 8", {SANE_FRAME_RGB}, 8, 5},
      {"colour 16", {SANE_FRAME_RGB}, 16, 4},
      {"colour 1", {SANE_FRAME_RGB}, 1, 3},
      {"unknown length", {SANE_FRAME_GRAY}, 8, -1},
      {"three passes", {SANE_FRAME_RED, SANE_FRAME_GREEN, SANE_FRAME_BLUE}, 8, 5},
      {"three passes, blue first", {SANE_FRAME_BLUE, SANE_FRAME_RED, SANE_FRAME_GREEN}, 16, 3},
  };
  const int width = 13, padding = 3, sent_lines = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int channels = c.frames[0] == SANE_FRAME_RGB ? 3 : 1;
    const int row_bytes = (width * channels * c.depth + 7) / 8 + padding;  // devices may pad their lines
    scan::PageAssembler page(300);
    std::map<SANE_Frame, std::vector<std::vector<unsigned char>>> sent;
    std::string error;
    unsigned seed = 7;
    for (std::size_t f = 0; f < c.frames.size(); ++f) {
      SANE_Parameters p{c.frames[f], f + 1 == c.frames.size(), row_bytes, width, c.lines, c.depth};
      ASSERT_TRUE(page.begin_frame(p, error)) << error;
      const int lines = c.lines > 0 ? c.lines : sent_lines;
      for (int y = 0; y < lines; ++y) {
        std::vector<unsigned char> row(row_bytes);
        for (unsigned char& b : row) b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 16);
        sent[c.frames[f]].push_back(row);
        // Chunks that cut rows anywhere, as reads do.
        ASSERT_TRUE(page.add(row.data(), 5, error));
        ASSERT_TRUE(page.add(row.data() + 5, row.size() - 5, error));
      }
      page.end_frame();
    }
    ASSERT_TRUE(page.complete());
    pcore::OwnedBlock dib(page.finish(error));
    ASSERT_TRUE(dib.get()) << error;
    _IMAGEDESCRIPTOR d;
    ASSERT_TRUE(ivorel::image_from_packed_dib(dib.get(), {}, d));
    const int lines = c.lines > 0 ? c.lines : sent_lines;
    ASSERT_EQ(d.width, width);
    ASSERT_EQ(d.height, lines);
    EXPECT_EQ(d.xResolution, 300);
    const bool grey = c.frames[0] == SANE_FRAME_GRAY;
    ASSERT_EQ(d.bitsPerPixel, grey ? (c.depth == 1 ? 1 : 8) : 24);
    const RgbImage got = raw_to_rgb(d.imageData, d.palette, d.width, d.height, d.bitsPerPixel);
    for (int y = 0; y < lines; ++y)
      for (int x = 0; x < width; ++x)
        for (int ch = 0; ch < 3; ++ch) {
          unsigned want;
          if (grey)
            want = reference_sample(sent[SANE_FRAME_GRAY][y], x, c.depth);
          else if (channels == 3)
            want = reference_sample(sent[SANE_FRAME_RGB][y], 3 * x + ch, c.depth);
          else
            want = reference_sample(sent[ch == 0   ? SANE_FRAME_RED
                                         : ch == 1 ? SANE_FRAME_GREEN
                                                   : SANE_FRAME_BLUE][y],
                                    x, c.depth);
          ASSERT_EQ(got.rgb[(y * width + x) * 3 + ch], want) << "x " << x << " y " << y << " channel " << ch;
        }
    ivorel::free_image_block(d);
  }
}

TEST(PageAssembler, RefusesWhatNoImageCanHold) {
  std::string error;
  SANE_Parameters unknown_kind{SANE_FRAME_GRAY, 1, 10, 10, 10, 8};
  const int nine = 9;  // no enumerator: written as the device's bytes would be
  std::memcpy(&unknown_kind.format, &nine, sizeof nine);
  const SANE_Parameters bad[] = {
      {SANE_FRAME_GRAY, 1, 70000, 70000, 10, 8},  // wider than any image record
      {SANE_FRAME_GRAY, 1, 10, 20, 10, 8},        // lines shorter than their pixels
      {SANE_FRAME_RGB, 1, 30, 10, 10, 12},        // a sample size no one reads
      {SANE_FRAME_GRAY, 1, 10, 10, -5, 8},        // a negative length
      unknown_kind,
  };
  for (const SANE_Parameters& p : bad) {
    scan::PageAssembler page;
    EXPECT_FALSE(page.begin_frame(p, error));
  }
  scan::PageAssembler passes;
  ASSERT_TRUE(passes.begin_frame({SANE_FRAME_RED, 0, 10, 10, 2, 8}, error));
  EXPECT_FALSE(passes.begin_frame({SANE_FRAME_RED, 0, 10, 10, 2, 8}, error)) << "the same colour twice";
  EXPECT_FALSE(passes.begin_frame({SANE_FRAME_GREEN, 0, 10, 11, 2, 8}, error)) << "another width";
  scan::PageAssembler empty;
  ASSERT_TRUE(empty.begin_frame({SANE_FRAME_GRAY, 1, 10, 10, 2, 8}, error));
  empty.end_frame();
  EXPECT_EQ(empty.finish(error), nullptr) << "no line arrived";
}

// ---- The engine over SANE's test device

// A private configuration that offers SANE's test backend alone.
class SaneTestDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    // SANE reads its configuration once a process, so every test of the process shares one folder.
    static const ScratchDir* config = [] {
      auto* dir = new ScratchDir;
      std::ofstream(dir->file("dll.conf")) << "test\n";
      std::ofstream(dir->file("test.conf")) << "number_of_devices 2\n";
      setenv("SANE_CONFIG_DIR", dir->path().c_str(), 1);
      return dir;
    }();
    (void)config;
    std::string why;
    if (!scan::source_manager_entry())
      GTEST_SKIP() << "SANE is not installed: " << scan::unavailable_reason();
    if (scan::list_sources(why).empty()) GTEST_SKIP() << "SANE's test backend is not installed: " << why;
    scan::set_default_source("test:0");
  }
};

class Recorder : public CTwain {
 public:
  std::vector<HGLOBAL> pages;
  std::vector<int> states;
  std::vector<TW_ERR> errors;
  ~Recorder() override {
    for (HGLOBAL p : pages) GlobalFree(p);
  }

 protected:
  void DibReceived(HGLOBAL bitmap) override { pages.push_back(bitmap); }
  void StateChange(int state) override { states.push_back(state); }
  void TwainError(TW_ERR e) override { errors.push_back(e); }
};

// A scanner interface whose answers the test sets.
struct ScriptedUi : scan::ScanInterface {
  bool scan = true;
  int cancel_after_lines = -1;
  int chosen = 1;
  std::function<void(scan::ScanSession&)> set_options;
  int configured = 0, progress_calls = 0;
  ScriptedUi() { scan::install_scan_interface(this); }
  ~ScriptedUi() override { scan::install_scan_interface(nullptr); }
  int choose_source(const std::vector<scan::SourceInfo>& sources, int, void*) override {
    return chosen < static_cast<int>(sources.size()) ? chosen : -1;
  }
  bool configure(scan::ScanSession& session, void*) override {
    ++configured;
    if (set_options) set_options(session);
    return scan;
  }
  bool progress(int done, int) override {
    ++progress_calls;
    return cancel_after_lines < 0 || done < cancel_after_lines;
  }
};

// Options in scanimage's spelling; the same list goes to both.
using Options = std::vector<std::pair<std::string, std::string>>;

RgbImage scanimage(const Options& options) {
  std::string command = "scanimage -d test:0";
  for (const auto& [name, value] : options) command += " --" + name + "='" + value + "'";
  // PNM of 1, 8 or 16 bits as 8-bit RGB, 16-bit samples by their high byte (what the engine keeps).
  command += " 2>/dev/null | " DEBIAN_PYTHON " " SUITE_SOURCE_DIR "/tests/support/pnm_to_ppm8.py";
  RgbImage out;
  if (!command_decode(command, out)) out = RgbImage{};
  return out;
}

RgbImage page_rgb(HGLOBAL dib) {
  _IMAGEDESCRIPTOR d;
  if (!ivorel::image_from_packed_dib(dib, {}, d)) return {};
  RgbImage out = raw_to_rgb(d.imageData, d.palette, d.width, d.height, d.bitsPerPixel);
  ivorel::free_image_block(d);
  return out;
}

TEST_F(SaneTestDevice, PagesEqualScanimageInEveryMode) {
  if (run_command("command -v scanimage >/dev/null") != 0) GTEST_SKIP() << "scanimage is not installed";
  // A device keeps its settings between openings, as real ones do: each case names every option it needs.
  const Options cases[] = {
      {{"mode", "Color"},
       {"depth", "8"},
       {"three-pass", "no"},
       {"resolution", "50"},
       {"test-picture", "Color pattern"}},
      {{"mode", "Gray"}, {"depth", "8"}, {"resolution", "75"}, {"test-picture", "Color pattern"}},
      {{"mode", "Gray"}, {"depth", "1"}, {"resolution", "60"}, {"test-picture", "Grid"}},
      {{"mode", "Color"},
       {"depth", "16"},
       {"three-pass", "no"},
       {"resolution", "40"},
       {"test-picture", "Color pattern"}},
      {{"mode", "Gray"}, {"depth", "16"}, {"resolution", "40"}, {"test-picture", "Color pattern"}},
      {{"mode", "Color"},
       {"depth", "8"},
       {"three-pass", "yes"},
       {"three-pass-order", "GBR"},
       {"resolution", "45"},
       {"test-picture", "Color pattern"}},
      {{"mode", "Color"},
       {"depth", "8"},
       {"three-pass", "no"},
       {"resolution", "30"},
       {"test-picture", "Grid"}},
  };
  ScriptedUi ui;
  for (const Options& options : cases) {
    std::string trace;
    for (const auto& [n, v] : options) trace += n + "=" + v + " ";
    SCOPED_TRACE(trace);
    ui.set_options = [&](scan::ScanSession& s) {
      for (const auto& [n, v] : options) ASSERT_TRUE(s.set(n, v)) << s.error();
    };
    Recorder engine;
    ASSERT_TRUE(engine.ModalAcquire(nullptr));
    ASSERT_EQ(engine.pages.size(), 1u);
    EXPECT_EQ(engine.State(), 1) << "ModalAcquire drops back to where it started";
    const RgbImage want = scanimage(options), got = page_rgb(engine.pages[0]);
    ASSERT_GT(want.width, 0);
    EXPECT_EQ(max_channel_difference(got, want), 0);
  }
}

TEST_F(SaneTestDevice, StatesThroughAcquisitionsCancelsAndFailures) {
  ScriptedUi ui;
  Recorder engine;
  // The first acquisition climbs to 5; the page moves it through 6 and 7; the close request (which names
  // state 5 again) ends at 3.
  ASSERT_TRUE(engine.BeginAcquire(nullptr));
  EXPECT_EQ(engine.State(), 5);
  engine.ModalEventLoop();
  EXPECT_EQ(engine.pages.size(), 1u);
  EXPECT_EQ(engine.State(), 3);
  EXPECT_EQ(engine.states, (std::vector<int>{2, 3, 4, 5, 6, 7, 5, 5, 4, 3}));

  // A second acquisition starts from the open manager and opens the default source again.
  engine.states.clear();
  ASSERT_TRUE(engine.BeginAcquire(nullptr));
  engine.ModalEventLoop();
  EXPECT_EQ(engine.pages.size(), 2u);
  EXPECT_EQ(engine.states.front(), 4);

  // The user closes the option dialog: the source asks to be closed, no page.
  ui.scan = false;
  ASSERT_TRUE(engine.BeginAcquire(nullptr));
  engine.ModalEventLoop();
  EXPECT_EQ(engine.pages.size(), 2u);
  EXPECT_EQ(engine.State(), 3);

  // Cancel during the scan: the transfer still ends, and no page arrives.
  ui.scan = true;
  ui.cancel_after_lines = 3;
  ui.set_options = [](scan::ScanSession& s) { s.set("resolution", "300"); };
  ASSERT_TRUE(engine.BeginAcquire(nullptr));
  engine.ModalEventLoop();
  EXPECT_EQ(engine.pages.size(), 2u);
  EXPECT_EQ(engine.State(), 3);
  EXPECT_GT(ui.progress_calls, 0);

  // A device failing mid-scan: no page, the reason kept, and the engine not stuck in state 6.
  ui.cancel_after_lines = -1;
  ui.set_options = [](scan::ScanSession& s) { s.set("read-return-value", "SANE_STATUS_IO_ERROR"); };
  ASSERT_TRUE(engine.BeginAcquire(nullptr));
  engine.ModalEventLoop();
  EXPECT_EQ(engine.pages.size(), 2u);
  EXPECT_EQ(engine.State(), 3);
  EXPECT_NE(scan::last_error().find("I/O"), std::string::npos) << scan::last_error();

  // The user picks the second device; a vanished device cannot be opened and the engine says so.
  ui.set_options = nullptr;
  EXPECT_TRUE(engine.SelectSource(nullptr));
  EXPECT_EQ(scan::default_source(), "test:1");
  EXPECT_EQ(engine.State(), 3);
  scan::set_default_source("test:0");
  ASSERT_TRUE(engine.DropToState(1, nullptr));
  EXPECT_EQ(engine.State(), 1);
  EXPECT_TRUE(engine.errors.empty());
}

TEST_F(SaneTestDevice, SourceCallsOutOfTurnAreRefusedWithTheirCodes) {
  Recorder engine;
  EXPECT_EQ(engine.ConditionCode(), TWCC_SEQERROR) << "below state 3";
  EXPECT_FALSE(engine.OpenDefaultSource()) << "only from state 3";
  ASSERT_TRUE(engine.OpenSourceManager(nullptr));
  EXPECT_FALSE(engine.EnableSource(nullptr)) << "only from state 4";
  TW_USERINTERFACE ui{};
  EXPECT_FALSE(engine.DS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui)) << "no source is open";
  EXPECT_EQ(engine.ConditionCode(), TWCC_BADDEST);
  EXPECT_FALSE(engine.SM(DG_CONTROL, DAT_PARENT, MSG_OPENDS, nullptr));
  EXPECT_EQ(engine.ConditionCode(), TWCC_BADPROTOCOL);
  TW_IDENTITY first{}, next{};
  ASSERT_TRUE(engine.SM(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &first));
  ASSERT_TRUE(engine.SM(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &next));
  EXPECT_STREQ(first.ProductName, "test:0");
  EXPECT_STREQ(next.ProductName, "test:1");
  engine.SM(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &next);
  EXPECT_EQ(engine.ResultCode(), TWRC_ENDOFLIST);
  scan::set_default_source(
      "gone:0");  // a remembered scanner that is not there any more: the first one serves
  EXPECT_TRUE(engine.OpenDefaultSource());
  EXPECT_STREQ(CTwain::SourceIdentity().ProductName, "test:0");
  EXPECT_TRUE(engine.DropToState(1, nullptr));
}

TEST(Scanner, IdentityOfTheApplication) {
  Recorder engine;
  engine.RegisterApp(1, 0, 13, 1, "QMLCTwain32", "Quelmar", "Imaging Software Application",
                     "A product name longer than thirty-three characters");
  TW_IDENTITY seen{};
  static TW_IDENTITY* origin_seen = nullptr;
  scan::override_source_manager(
      [](TW_IDENTITY* origin, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) {
        origin_seen = origin;
        return TW_UINT16{TWRC_SUCCESS};
      });
  ASSERT_TRUE(engine.OpenSourceManager(nullptr));
  ASSERT_NE(origin_seen, nullptr);
  seen = *origin_seen;
  EXPECT_EQ(seen.ProtocolMajor, 1);
  EXPECT_EQ(seen.ProtocolMinor, 6);
  const TW_UINT32 groups = seen.SupportedGroups;  // the record is packed: no reference into it
  EXPECT_EQ(groups, 3u);
  EXPECT_EQ(seen.Version.Language, 13);
  EXPECT_STREQ(seen.Manufacturer, "Quelmar");
  EXPECT_EQ(std::strlen(seen.ProductName), 33u) << "cut to the record's field";
  EXPECT_TRUE(engine.DropToState(1, nullptr));
  scan::override_source_manager(nullptr);
}

}  // namespace
