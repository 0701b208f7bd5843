// The frame as part of the desktop: icons from the icon theme with drawn ones where it has none, captions
// that lead with the file name, the recent files and the Open dialog's last folder kept across sessions.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <filesystem>

#include "ivorel/windows/frame/native_look.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
namespace cmd = ivorel::cmd;

TEST(NativeLook, ToolbarIconsComeFromTheThemeOrAreDrawn) {
  FrameFixture f;
  if (!QIcon::hasThemeIcon("document-open")) GTEST_SKIP() << "no icon theme installed";
  for (QAction* action : f.frame().ToolBar(128)->actions()) {
    if (action->isSeparator()) continue;
    const int id = action->data().toInt();
    const char* name = ivorel::command_icon_name(id);
    EXPECT_FALSE(action->icon().isNull()) << id;
    EXPECT_FALSE(action->toolTip().isEmpty()) << id;
    if (name && QIcon::hasThemeIcon(name)) {
      EXPECT_EQ(action->icon().name(), name) << id;
    }
  }
  EXPECT_EQ(f.frame().CommandAction(cmd::kRotateCW)->icon().name(), "object-rotate-right");
  EXPECT_EQ(f.frame().CommandAction(cmd::kRotateCW)->data().toInt(), cmd::kRotateCW);
  // A command the theme has nothing for keeps its drawn icon.
  EXPECT_FALSE(f.frame().CommandAction(cmd::kCrop)->icon().isNull());
  EXPECT_TRUE(f.frame().CommandAction(cmd::kCrop)->icon().name().isEmpty());
}

TEST(NativeLook, CaptionsLeadWithTheFileName) {
  const QString home = QDir::homePath();
  const struct {
    std::string name;
    QString title;
  } cases[] = {
      {"/srv/Images/Holiday/beach.bmp", "beach.bmp (/srv/Images/Holiday)"},
      {"/beach.bmp", "beach.bmp (/)"},
      {(home + "/pictures/a.gif").toStdString(), "a.gif (~/pictures)"},
      {"Untitled Image #3", "Untitled Image #3"},
      {"Duplicate of /srv/x.bmp", "Duplicate of x.bmp (/srv)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ivorel::image_window_title(c.name), c.title) << c.name;

  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-24bit.bmp"));
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(child->windowTitle().startsWith("wheel-24bit.bmp (")) << child->windowTitle().toStdString();
}

TEST(NativeLook, RecentFilesAndTheLastFolderOutliveTheFrame) {
  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  testing_support::ScratchDir dir;
  for (const QString& path : ivorel::recent_files()) ivorel::remove_recent_file(path);
  {
    FrameFixture f;
    files.answers.push_back({sample("wheel-8bit.bmp")});
    f.frame().CmFileOpen();
    ASSERT_EQ(f.window_count(), 1);
    f.open(sample("wheel-4bit.bmp"));
  }
  {
    // A file saved under a new name is listed too.
    FrameFixture f;
    CMDIChildImageWnd* child = f.open(sample("wheel-4bit.bmp"));
    ASSERT_NE(child, nullptr);
    files.answers.push_back({dir.file("saved.bmp")});
    f.frame().ExecuteCommand(cmd::kSaveAs);
  }
  ASSERT_FALSE(ivorel::recent_files().isEmpty());
  EXPECT_EQ(ivorel::recent_files().front().toStdString(), dir.file("saved.bmp"));
  ivorel::remove_recent_file(ivorel::recent_files().front());
  const QString samples = QFileInfo(QString::fromStdString(sample("wheel-8bit.bmp"))).absolutePath();
  EXPECT_EQ(ivorel::last_open_folder(), samples);
  QStringList recent = ivorel::recent_files();
  ASSERT_EQ(recent.size(), 2);
  EXPECT_TRUE(recent[0].endsWith("wheel-4bit.bmp")) << "newest first";
  for (int i = 0; i < 12; ++i)
    ivorel::add_recent_file(QString::fromStdString(dir.file(std::to_string(i) + ".bmp")));
  EXPECT_EQ(ivorel::recent_files().size(), ivorel::kRecentFileCount);

  FrameFixture f;
  files.answers.push_back({});
  f.frame().CmFileOpen();
  ASSERT_FALSE(files.requests.empty());
  EXPECT_EQ(QString::fromStdString(files.requests.back().initialName), samples)
      << "Open starts where it left";

  // The menu opens a listed file; one that has gone is said so and leaves the list.
  ivorel::add_recent_file(QString::fromStdString(sample("wheel-24bit.bmp")));
  auto* menu = f.frame().menuBar()->findChild<QMenu*>("RecentFiles");
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  ASSERT_GE(menu->actions().size(), 2);
  menu->actions()[0]->trigger();
  EXPECT_EQ(f.window_count(), 1);
  emit menu->aboutToShow();
  const QString gone = menu->actions()[1]->data().toString();
  EXPECT_TRUE(gone.endsWith("11.bmp")) << gone.toStdString();
  menu->actions()[1]->trigger();
  EXPECT_EQ(f.window_count(), 1);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("no longer exists"), std::string::npos);
  EXPECT_FALSE(ivorel::recent_files().contains(gone));
}
