// The pictures of the manual's Framora page, written when IVOREL_MANUAL_IMAGES names a folder (skipped
// otherwise; scripts/manual_screenshots.sh runs it into manual/images).
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <cstdlib>

#include "apps/framora/frame_dialogs.h"
#include "apps/framora/frame_list_view.h"
#include "apps/framora/main_frame.h"
#include "apps/framora/screen_dialog.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;

namespace {

void save(QWidget* widget, const char* name) {
  const QString folder = QString::fromLocal8Bit(std::getenv("IVOREL_MANUAL_IMAGES"));
  EXPECT_TRUE(widget->grab().save(QDir(folder).filePath(QString(name) + ".png"))) << name;
}

}  // namespace

TEST(ManualScreenshots, FramoraWindowAndDialogs) {
  if (!std::getenv("IVOREL_MANUAL_IMAGES")) GTEST_SKIP() << "IVOREL_MANUAL_IMAGES not set";
  ScriptedMessageBox boxes;
  CMainFrame frame;
  frame.resize(1000, 560);
  frame.show();
  frame.AddFiles({QString::fromStdString(sample("wheel-turning.gif")),
                  QString::fromStdString(sample("wheel-24bit.bmp"))});
  frame.Document().SetComment(0, "A wheel turning");
  frame.List()->OnUpdate(framora::kHintRefresh);
  frame.List()->SelectRow(3);
  settle();
  save(&frame, "framora-window");

  framora::FramePropertiesDialog frameDialog(frame.Document(), 3, &frame);
  frameDialog.show();
  settle();
  save(&frameDialog, "framora-frame-dialog");
  frameDialog.hide();

  framora::ScreenSettings settings;
  settings.properties = frame.Document().GetScreenProperties();
  framora::ScreenDialog screenDialog(settings, QSize(1920, 1080), &frame);
  screenDialog.show();
  settle();
  save(&screenDialog, "framora-screen-dialog");
  screenDialog.hide();
  frame.Document().New();
}
