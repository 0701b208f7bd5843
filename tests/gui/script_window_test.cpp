// The script window: composing steps from the registry, keeping them in a file, running them on the active
// image as one undo step and on a set of files that holds a damaged one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QSpinBox>
#include <filesystem>
#include <fstream>

#include "ivorel/windows/toolkit/parameter_form.h"
#include "ivorel/windows/toolkit/processing_toolkit.h"
#include "ivorel/windows/toolkit/script_window.h"
#include "tests/gui/gui_support.h"
#include "tests/support/codaxe_io.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

namespace {

// The frame with the script window behind its command, working on the frame's active image.
struct ScriptFixture {
  ScriptFixture() {
    CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg = ivorel::PopupCScriptDefinitionDlg;
    ivorel::SetToolkitImageSource([this]() -> ImageDescriptorAndDisplayObj* { return f.active(); });
  }
  ~ScriptFixture() {
    if (ivorel::ScriptWindow* w = ivorel::script_window()) delete w;
    CIMDIFrameWnd::lpfnPopupCScriptDefinitionDlg = nullptr;
    ivorel::SetToolkitImageSource(nullptr);
  }
  ivorel::ScriptWindow* open() {
    f.frame().ExecuteCommand(cmd::kScripting);
    settle();
    return ivorel::script_window();
  }
  FrameFixture f;
};

}  // namespace

TEST(ScriptWindow, ComposesStepsAndKeepsThemInAFile) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  testing_support::ScratchDir dir;
  ScriptFixture s;
  EXPECT_TRUE(s.f.frame().IsCommandEnabled(cmd::kScripting)) << "scripting needs no image";
  ivorel::ScriptWindow* w = s.open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Pictaro Script Definition");
  s.f.frame().ExecuteCommand(cmd::kScripting);
  EXPECT_EQ(ivorel::script_window(), w) << "a second command raises the same window";

  ASSERT_TRUE(w->SelectOperation("Blur"));
  auto* size = w->findChild<QSpinBox*>("w1");
  ASSERT_NE(size, nullptr);
  size->setValue(9);
  w->AddStep();
  ASSERT_TRUE(w->SelectOperation("FlipHorz"));
  w->AddStep();
  EXPECT_EQ(w->ScriptText(), "Blur:9\nFlipHorz\n");
  EXPECT_EQ(w->findChild<QListWidget*>("Steps")->count(), 2);

  const std::string path = dir.file("steps.txt");
  files.answers.push_back({path});
  EXPECT_TRUE(w->SaveScript(QString::fromStdString(path)));
  QString error;
  EXPECT_FALSE(w->SetScriptText("Blur:9\nBlur:0\n", &error));
  EXPECT_TRUE(error.startsWith("line 2")) << error.toStdString();
  EXPECT_EQ(w->Steps().size(), 2u) << "a refused text leaves the steps as they were";
  ASSERT_TRUE(w->SetScriptText(""));
  ASSERT_TRUE(w->LoadScript(QString::fromStdString(path)));
  EXPECT_EQ(w->ScriptText(), "Blur:9\nFlipHorz\n");
  // What the window saves, the command line runs.
  EXPECT_EQ(testing_support::run_command(std::string(IMGTOOLS_PATH) + " apply --script " + path + " " +
                                         sample("wheel-8bit.bmp") + " " + dir.file("out.bmp")),
            0);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(ScriptWindow, RunsOnTheActiveImageAsOneUndoStep) {
  ScriptedMessageBox boxes;
  ScriptFixture s;
  CMDIChildImageWnd* child = s.f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  const int width = child->image.width, height = child->image.height;
  const std::vector<unsigned char> before = pixels(child->image);
  ivorel::ScriptWindow* w = s.open();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->SetScriptText("# turn, blur and invert\nRotateCW\nBlur:5\nInvertPicHelper\n"));
  EXPECT_TRUE(w->RunOnActiveImage());
  EXPECT_EQ(child->image.width, height);
  EXPECT_EQ(child->image.height, width);
  EXPECT_TRUE(child->dirty);
  s.f.frame().UpdateCommandStates();
  ASSERT_TRUE(s.f.frame().IsCommandEnabled(cmd::kUndo));
  s.f.frame().ExecuteCommand(cmd::kUndo);
  EXPECT_EQ(child->image.width, width);
  ASSERT_EQ(child->image.imageSize, before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), child->image.imageData))
      << "one undo takes back every step";
  EXPECT_TRUE(boxes.texts.empty());

  // A step that declines the image stops the script and says which.
  ASSERT_TRUE(w->SetScriptText("FlipHorz\nPseudoColor\nFlipVert\n"));
  EXPECT_FALSE(w->RunOnActiveImage());
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("Step 2"), std::string::npos) << boxes.texts[0];
}

TEST(ScriptWindow, RunsOnFilesIntoAFolderPastADamagedOne) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  testing_support::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "out");
  std::vector<unsigned char> bytes = testing_support::read_file(sample("wheel-8bit.bmp"));
  bytes.resize(bytes.size() / 3);
  testing_support::write_file(dir.file("damaged.bmp"), bytes);
  ScriptFixture s;
  ivorel::ScriptWindow* w = s.open();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->SetScriptText("RotateCCW\n"));

  const QStringList inputs = {QString::fromStdString(sample("wheel-24bit.bmp")),
                              QString::fromStdString(dir.file("damaged.bmp")),
                              QString::fromStdString(sample("wheel-4bit.bmp"))};
  const ivorel::ScriptWindow::BatchReport report =
      w->RunOnFiles(inputs, QString::fromStdString(dir.file("out")));
  EXPECT_EQ(report.written, 2);
  ASSERT_EQ(report.failures.size(), 1);
  EXPECT_TRUE(report.failures[0].startsWith("damaged.bmp: ")) << report.failures[0].toStdString();
  EXPECT_FALSE(report.cancelled);
  testing_support::LoadedImage turned = testing_support::load_image(dir.file("out/wheel-4bit.bmp"));
  testing_support::LoadedImage original = testing_support::load_image(sample("wheel-4bit.bmp"));
  EXPECT_EQ(turned.width, original.height);
  EXPECT_EQ(turned.bits, 4);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out/damaged.bmp")));
  ASSERT_EQ(boxes.texts.size(), 1u) << "one summary, not a box per file: " << boxes.texts[0];
  EXPECT_NE(boxes.texts[0].find("damaged.bmp"), std::string::npos) << boxes.texts[0];

  // Into the files' own folder the originals are never replaced.
  const std::string copy = dir.file("copy.bmp");
  std::filesystem::copy_file(sample("wheel-8bit.bmp"), copy);
  const ivorel::ScriptWindow::BatchReport same =
      w->RunOnFiles({QString::fromStdString(copy)}, QString::fromStdString(dir.path().string()));
  EXPECT_EQ(same.written, 0);
  EXPECT_EQ(testing_support::read_file(copy), testing_support::read_file(sample("wheel-8bit.bmp")));
}
