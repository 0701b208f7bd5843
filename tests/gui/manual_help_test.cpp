// The manual from the program: Help > Manual and F1 start the desktop's browser on the installed page, or
// on the section that the focused window declares.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "ivorel/windows/frame/manual_help.h"
#include "ivorel/windows/toolkit/script_window.h"
#include "platform/core/program_start.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

class RecordedStarts : public pcore::ProgramStartService {
 public:
  RecordedStarts() {
    init_library();
    pcore::install_program_start(this);
  }
  ~RecordedStarts() override { pcore::install_program_start(nullptr); }
  bool start(const std::string& program, const std::vector<std::string>& arguments) override {
    started.push_back(program + (arguments.empty() ? "" : " " + arguments.front()));
    return true;
  }
  std::vector<std::string> started;
};

void press_f1(QWidget* target) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
}

}  // namespace

TEST(ManualHelp, HelpAndF1OpenTheInstalledPageAndSection) {
  ScriptedMessageBox boxes;
  RecordedStarts starts;
  FrameFixture f;
  const QString folder = ivorel::help::manual_folder();
  ASSERT_FALSE(folder.isEmpty()) << "the build copies the manual beside the programs";
  EXPECT_TRUE(folder.endsWith("share/doc/pictaro/manual")) << folder.toStdString();

  f.frame().ExecuteCommand(cmd::kHelp);
  ASSERT_EQ(starts.started.size(), 1u);
  EXPECT_EQ(starts.started[0], "xdg-open file://" + folder.toStdString() + "/index.html");

  ivorel::help::declare_section(&f.frame(), "pictaro.html");
  f.frame().ExecuteCommand(cmd::kHelp);
  ASSERT_EQ(starts.started.size(), 2u);
  EXPECT_EQ(starts.started[1], "xdg-open file://" + folder.toStdString() + "/pictaro.html");

  // F1 in a dialog opens the section that describes it, from any control inside it.
  ivorel::ScriptWindow script;
  script.show();
  script.activateWindow();
  settle();
  ASSERT_EQ(QApplication::activeWindow(), &script) << "the frame's own F1 is for the frame only";
  QWidget* inner = script.findChild<QWidget*>("Steps");
  ASSERT_NE(inner, nullptr);
  press_f1(inner);
  ASSERT_EQ(starts.started.size(), 3u);
  EXPECT_EQ(starts.started[2], "xdg-open file://" + folder.toStdString() + "/pictaro.html#scripting");
  EXPECT_TRUE(boxes.texts.empty());

  // A page that is not installed is said so, and nothing starts.
  EXPECT_FALSE(ivorel::help::open_manual("nosuchpage.html", &f.frame()));
  EXPECT_EQ(starts.started.size(), 3u);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("not installed"), std::string::npos);
}
