// Scanning in the editor over SANE's test device: a page acquired through the frame opens as a new image,
// the source's option dialog sets the device, and a machine without SANE is told so.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <cstdlib>
#include <fstream>

#include "ivorel/acquire/scan_session.h"
#include "ivorel/acquire/source_manager.h"
#include "ivorel/windows/dialogs/scan_dialogs.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

// SANE's test backend alone, in a configuration of the process's own; false when SANE is not here.
bool use_test_device() {
  static const bool ready = [] {
    auto* dir = new testing_support::ScratchDir;
    std::ofstream(dir->file("dll.conf")) << "test\n";
    setenv("SANE_CONFIG_DIR", dir->path().c_str(), 1);
    std::string why;
    return !scan::list_sources(why).empty();
  }();
  return ready;
}

struct ScriptedScanner : scan::ScanInterface {
  ScriptedScanner() { scan::install_scan_interface(this); }
  ~ScriptedScanner() override { scan::install_scan_interface(nullptr); }
  int choose_source(const std::vector<scan::SourceInfo>&, int current, void*) override { return current; }
  bool configure(scan::ScanSession& session, void*) override {
    session.set("resolution", "40");
    return true;
  }
  bool progress(int, int) override { return true; }
};

}  // namespace

TEST(FrameScanner, AcquiredPagesOpenAsNewImages) {
  if (!use_test_device()) GTEST_SKIP() << "SANE's test backend is not installed";
  ScriptedScanner scanner;
  ScriptedMessageBox boxes;
  FrameFixture f;
  f.frame().ExecuteCommand(cmd::kAcquire);
  settle();
  settle();
  ASSERT_EQ(f.window_count(), 1) << (boxes.texts.empty() ? "" : boxes.texts.front());
  // 80 x 100 mm at 40 dpi.
  EXPECT_EQ(f.active()->image.width, 125);
  EXPECT_EQ(f.active()->image.height, 157);
  EXPECT_EQ(f.active()->image.xResolution, 40);
  EXPECT_EQ(f.frame().State(), 3) << "the source closed, the manager stays open";
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kAcquire));
  f.frame().ExecuteCommand(cmd::kAcquire);
  settle();
  settle();
  EXPECT_EQ(f.window_count(), 2) << "a second acquisition from the open manager";
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(FrameScanner, TheOptionDialogSetsTheDeviceAndPreviewsTheArea) {
  if (!use_test_device()) GTEST_SKIP() << "SANE's test backend is not installed";
  init_library();
  scan::ScanSession session("test:0");
  ASSERT_TRUE(session.ok()) << session.error();
  ivorel::dialogs::ScanOptionsDialog dialog(session, nullptr);
  auto* resolution = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("resolution"));
  ASSERT_TRUE(resolution);
  resolution->setValue(120);
  settle();
  // Every change rebuilds the form from what the device now offers: fields are looked up afresh.
  auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("mode"));
  ASSERT_TRUE(mode);
  const auto value = [&](const char* name) {
    const std::vector<scan::ScanOption> all = session.options();
    return session.value(*session.find(all, name));
  };
  EXPECT_EQ(value("resolution"), "120");
  const int colour = mode->findText(QStringLiteral("Color"));
  ASSERT_GE(colour, 0);
  mode->setCurrentIndex(colour);
  emit mode->activated(colour);
  settle();
  EXPECT_EQ(value("mode"), "Color");
  // The form followed the device: the three-pass flag appears in colour mode.
  auto* threePass = dialog.findChild<QWidget*>(QStringLiteral("three-pass"));
  ASSERT_TRUE(threePass);
  EXPECT_TRUE(threePass->isEnabled());
  session.set("test-picture", "Color pattern");
  dialog.Preview();
  EXPECT_EQ(value("resolution"), "120") << "the preview puts the user's options back";
  dialog.SetAreaFromPreview(0.25, 0.5, 0.75, 1.0);
  if (const char* shots = std::getenv("IVOREL_SCREENSHOT_DIR")) {
    dialog.show();
    settle();
    EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/scan-options.png")));
  }
  EXPECT_EQ(value("tl-x"), "50");
  EXPECT_EQ(value("tl-y"), "100");
  EXPECT_EQ(value("br-x"), "150");
}

TEST(FrameScanner, WithoutScannerSoftwareTheCommandSaysSo) {
  // The library is looked for once a process; ctest runs each test in a process of its own.
  setenv("SUITE_SANE_LIBRARY", "/nonexistent/libsane.so.1", 1);
  if (scan::source_manager_entry()) GTEST_SKIP() << "SANE was loaded earlier in this process";
  ScriptedMessageBox boxes;
  FrameFixture f;
  f.frame().ExecuteCommand(cmd::kAcquire);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("No scanner software is installed"), std::string::npos) << boxes.texts[0];
  EXPECT_EQ(f.window_count(), 0);
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kAcquire)) << "nothing to scan with on this machine";
}
