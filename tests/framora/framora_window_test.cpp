// Framora's window driven through its commands on Qt's offscreen platform: the frame list after each edit,
// the frame dialog, the previews and playback, the browser test, printing and saving.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include "apps/framora/animation_player.h"
#include "apps/framora/frame_dialogs.h"
#include "apps/framora/frame_list_view.h"
#include "apps/framora/main_frame.h"
#include "apps/framora/preview_pane.h"
#include "ivorel/windows/frame/print_service.h"
#include "platform/core/clipboard.h"
#include "platform/core/program_start.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
using namespace framora;

namespace {

class RecordingStarts : public pcore::ProgramStartService {
 public:
  RecordingStarts() { pcore::install_program_start(this); }
  ~RecordingStarts() override { pcore::install_program_start(nullptr); }
  bool start(const std::string& program, const std::vector<std::string>& arguments) override {
    started.push_back({program, arguments});
    return true;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

// Pages drawn into images; the printer is chosen without a dialog.
class PagePrinter : public ivorel::PrintService {
 public:
  PagePrinter() { ivorel::install_print_service(this); }
  ~PagePrinter() override { ivorel::install_print_service(nullptr); }
  class Target : public ivorel::PrintTarget {
   public:
    explicit Target(PagePrinter& owner) : owner_(owner) {}
    QPainter* BeginPage() override {
      owner_.pages.emplace_back(850, 1100, QImage::Format_RGB32);
      owner_.pages.back().fill(Qt::white);
      painter_.begin(&owner_.pages.back());
      return &painter_;
    }
    bool EndPage() override { return painter_.end(); }
    bool Finish() override { return ++owner_.finished, true; }
    void Abort() override {
      if (painter_.isActive()) painter_.end();
    }
    QString PrinterName() const override { return "pages"; }
    QString Port() const override { return "memory"; }

   private:
    PagePrinter& owner_;
    QPainter painter_;
  };
  QStringList Printers() override { return {ivorel::kPdfPrinter}; }
  bool ChoosePrinter(QWidget*, ivorel::PrinterChoice&) override { return true; }
  bool PageSetupDialog(QWidget*, ivorel::PageSetup&) override { return true; }
  std::unique_ptr<ivorel::PrintTarget> StartDoc(const ivorel::PrinterChoice&, const QString&,
                                                const ivorel::PageSetup&, QString*) override {
    return std::make_unique<Target>(*this);
  }
  std::vector<QImage> pages;
  int finished = 0;
};

// Runs the event loop until `done` holds or `ms` pass.
bool wait_for(const std::function<bool()>& done, int ms = 3000) {
  QEventLoop loop;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  tick.start(10);
  if (!done()) loop.exec();
  return done();
}

struct FramoraFixture : ::testing::Test {
  FramoraFixture() {
    init_library();
    pcore::install_clipboard(&clipboard);
    frame = std::make_unique<CMainFrame>();
    frame->resize(900, 600);
    frame->show();
    settle();
  }
  ~FramoraFixture() override {
    frame->Document().New();  // nothing left to ask about on close
    frame.reset();
    pcore::install_clipboard(nullptr);
  }
  CFramoraView& list() { return *frame->List(); }
  QStringList row(int r) {
    QStringList texts;
    for (int c = 0; c < kColumnCount; ++c) texts << list().CellText(r, c);
    return texts;
  }
  QString gif() { return QString::fromStdString(sample("wheel-turning.gif")); }
  QString bmp(const char* name) { return QString::fromStdString(sample(name)); }

  ScriptedMessageBox boxes;
  ScriptedFileDialog files;
  pcore::MemoryClipboard clipboard;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace

TEST(FramoraStatusBar, ClockReadsTheTwelveHourDialAndMemoryItsMegabytes) {
  EXPECT_EQ(clock_text(QTime(0, 5, 7)), "12:05:07 AM");
  EXPECT_EQ(clock_text(QTime(9, 30, 0)), "9:30:00 AM");
  EXPECT_EQ(clock_text(QTime(12, 0, 1)), "12:00:01 PM");
  EXPECT_EQ(clock_text(QTime(23, 59, 59)), "11:59:59 PM");
  EXPECT_EQ(memory_text(2500000000LL), "Memory:2500Mb");
  EXPECT_EQ(memory_text(42000000), "Memory:  42Mb");
}

TEST_F(FramoraFixture, ListColumnsFollowAddMoveDeleteDuplicateAndUndo) {
  QStringList titles;
  for (int c = 0; c < kColumnCount; ++c) titles << list().headerItem()->text(c);
  EXPECT_EQ(titles,
            QStringList({"File Path", "Width", "Height", "BPP", "Delay", "Dispose", "Trans.", "Comment"}));

  ASSERT_EQ(frame->AddFiles({gif()}), 8);
  ASSERT_EQ(list().topLevelItemCount(), 8);
  EXPECT_EQ(row(0).mid(0, 7), QStringList({gif() + " Slide 1", "64", "64", "8", "10", "2-Bkgd", "Y"}));
  EXPECT_EQ(row(7)[kPath], gif() + " Slide 8");
  EXPECT_EQ(frame->StatusPane(0)->text(), "Total: 8");
  EXPECT_EQ(list().SelectedRow(), 0);

  ASSERT_EQ(frame->AddFiles({bmp("wheel-24bit.bmp")}), 1);
  EXPECT_EQ(row(8)[kPath], bmp("wheel-24bit.bmp"));
  EXPECT_EQ(row(8)[kBpp], "24");

  list().SelectRow(8);
  frame->RunCommand(kCmMoveUp);
  EXPECT_EQ(row(7)[kPath], bmp("wheel-24bit.bmp"));
  EXPECT_EQ(row(8)[kPath], gif() + " Slide 8");
  EXPECT_EQ(list().SelectedRow(), 7);

  frame->RunCommand(kCmDuplicate);
  ASSERT_EQ(list().topLevelItemCount(), 10);
  EXPECT_EQ(row(8), row(7));
  EXPECT_EQ(list().SelectedRow(), 8);

  list().SelectRow(0);
  frame->RunCommand(kCmDelete);
  ASSERT_EQ(list().topLevelItemCount(), 9);
  EXPECT_EQ(row(0)[kPath], gif() + " Slide 2");
  EXPECT_EQ(frame->StatusPane(0)->text(), "Total: 9");

  frame->RunCommand(kCmUndo);
  ASSERT_EQ(list().topLevelItemCount(), 10);
  EXPECT_EQ(row(0)[kPath], gif() + " Slide 1");
  EXPECT_EQ(list().SelectedRow(), 0);
  EXPECT_FALSE(frame->Action(kCmUndo)->isEnabled());

  // Cut asks first; No keeps the frame, Yes puts it on the clipboard and takes it out.
  boxes.answers = {pcore::kIdNo, pcore::kIdYes};
  frame->RunCommand(kCmCut);
  EXPECT_EQ(list().topLevelItemCount(), 10);
  frame->RunCommand(kCmCut);
  EXPECT_EQ(list().topLevelItemCount(), 9);
  EXPECT_EQ(boxes.texts.back(), "Do you want to cut the frame?");
  EXPECT_FALSE(clipboard.dib.empty());
  frame->RunCommand(kCmPaste);
  ASSERT_EQ(list().topLevelItemCount(), 10);
  EXPECT_EQ(row(9)[kPath], "Untitled");

  // New asks to save; No empties the list.
  boxes.answers = {pcore::kIdNo};
  frame->RunCommand(kCmNew);
  EXPECT_EQ(list().topLevelItemCount(), 0);
  EXPECT_EQ(boxes.texts.back(), "Do you want to save the current image stack?");
}

TEST_F(FramoraFixture, DraggingARowMovesTheFrameOnlyWhenTheUserAgrees) {
  ASSERT_EQ(frame->AddFiles({bmp("wheel-8bit.bmp"), bmp("wheel-24bit.bmp"), bmp("wheel-4bit.bmp")}), 3);
  auto drag = [&](int from, int to) {
    QWidget* viewport = list().viewport();
    const QPoint start = list().visualItemRect(list().topLevelItem(from)).center();
    const QPoint end = list().visualItemRect(list().topLevelItem(to)).center();
    QMouseEvent press(QEvent::MouseButtonPress, start, viewport->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, end, viewport->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, end, viewport->mapToGlobal(end), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QApplication::sendEvent(viewport, &move);
    QApplication::sendEvent(viewport, &release);
  };
  boxes.answers = {pcore::kIdNo, pcore::kIdYes};
  drag(0, 2);
  EXPECT_EQ(boxes.texts.back(), "Do you want to move the item?");
  EXPECT_EQ(row(0)[kPath].toStdString(), bmp("wheel-8bit.bmp").toStdString());
  EXPECT_EQ(list().SelectedRow(), 0);
  drag(0, 2);
  EXPECT_EQ(row(0)[kPath], bmp("wheel-24bit.bmp"));
  EXPECT_EQ(row(2)[kPath], bmp("wheel-8bit.bmp"));
  EXPECT_EQ(list().SelectedRow(), 2);
  EXPECT_EQ(frame->Document().GetFrame(2)->bitsPerPixel, 8);
}

TEST_F(FramoraFixture, FrameDialogSetsDelayAndDisposalAndLeavesTransparencyAlone) {
  ASSERT_EQ(frame->AddFiles({gif()}), 8);
  list().SelectRow(2);
  const QStringList before = row(2);
  const QString transparentBefore = row(2)[kTrans];
  testing_support::answer_next_modal([](QWidget* dialog) {
    QLineEdit* delay = dialog->findChild<QLineEdit*>("delay");
    delay->setText("5000");
    emit delay->textEdited("5000");
    dialog->findChild<QComboBox*>("disposal")->setCurrentIndex(1);
    dialog->findChild<QLineEdit*>("comment")->setText("turning");
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmFrameProperties);
  EXPECT_EQ(row(2)[kDelay], "2000");
  EXPECT_EQ(row(2)[kDispose], "1-Keep");
  EXPECT_EQ(row(2)[kTrans], transparentBefore);
  EXPECT_EQ(row(2)[kComment], "turning");
  EXPECT_EQ(row(1)[kDelay], "10");
  // Settings and comment were one edit: one Undo takes back both.
  frame->RunCommand(kCmUndo);
  EXPECT_EQ(row(2), before);
  EXPECT_FALSE(frame->Action(kCmUndo)->isEnabled());
  list().SelectRow(2);

  // A negative delay is stored as 0, and Cancel changes nothing.
  testing_support::answer_next_modal([](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("delay")->setText("-5");
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmFrameProperties);
  EXPECT_EQ(row(2)[kDelay], "0");
  testing_support::answer_next_modal([](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("delay")->setText("77");
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmFrameProperties);
  EXPECT_EQ(row(2)[kDelay], "0");
}

TEST_F(FramoraFixture, PalettePickerSelectsByCellAndInsistsOnAColour) {
  RGBCOLOR palette[256] = {};
  for (int i = 0; i < 256; ++i) palette[i] = {static_cast<unsigned char>(i), 100, 200};
  PalettePickerDialog picker(palette, 20, -1, frame.get());
  picker.resize(400, 300);
  picker.show();
  settle();
  QWidget* grid = picker.findChild<QWidget*>("paletteGrid");
  const int cw = grid->width() / 16, ch = grid->height() / 16;
  EXPECT_EQ(picker.IndexAt(QPoint(3 * cw + 1, ch + 1)), 19);
  EXPECT_EQ(picker.IndexAt(QPoint(4 * cw + 1, ch + 1)), -1);  // entry 20: beyond the colours
  picker.accept();
  EXPECT_EQ(boxes.texts.back(), "Please pick a color first!");
  EXPECT_EQ(boxes.captions.back(), "No palette color is selected...");
  EXPECT_TRUE(picker.isVisible());
  picker.Select(19);
  EXPECT_EQ(picker.findChild<QLabel*>("index")->text(), " Index: 19");
  EXPECT_EQ(picker.findChild<QLabel*>("brightness")->text(),
            QString::number((30 * 19 + 59 * 100 + 11 * 200) / 100));
  picker.accept();
  EXPECT_EQ(picker.result(), QDialog::Accepted);
}

TEST_F(FramoraFixture, PreviewsShowTheFramesAroundTheSelectionAndPlaybackFollowsTheDelays) {
  ASSERT_EQ(frame->AddFiles({gif(), bmp("wheel-24bit.bmp")}), 9);
  list().SelectRow(0);
  EXPECT_EQ(frame->Preview(0)->GetDisplay(), nullptr);
  EXPECT_NE(frame->Preview(1)->GetDisplay(), nullptr);
  EXPECT_NE(frame->Preview(2)->GetDisplay(), nullptr);
  list().SelectRow(8);
  EXPECT_NE(frame->Preview(0)->GetDisplay(), nullptr);
  EXPECT_EQ(frame->Preview(2)->GetDisplay(), nullptr);
  // The current pane draws the frame: more than the background shows.
  const QImage drawn = frame->Preview(1)->Rendered();
  QSet<QRgb> colours;
  for (int y = 0; y < drawn.height(); y += 4)
    for (int x = 0; x < drawn.width(); x += 4) colours.insert(drawn.pixel(x, y));
  EXPECT_GT(colours.size(), 4);

  frame->RunCommand(kCmOneFrameView);
  EXPECT_FALSE(frame->Preview(0)->isVisible());
  EXPECT_TRUE(frame->Preview(1)->isVisible());
  frame->RunCommand(kCmOneFrameView);
  EXPECT_TRUE(frame->Preview(2)->isVisible());

  frame->RunCommand(kCmPlay);
  ASSERT_TRUE(frame->Player().Playing());
  EXPECT_EQ(frame->Player().CurrentFrame(), 0);
  EXPECT_FALSE(frame->Preview(1)->Picture().isNull());
  // Frames of 10 hundredths: the second shows after a tenth of a second, the third after another.
  EXPECT_TRUE(wait_for([&] { return frame->Player().CurrentFrame() == 2; }, 2000));
  EXPECT_EQ(frame->Action(kCmPlay)->text(), "&Stop");
  frame->RunCommand(kCmPlay);
  EXPECT_FALSE(frame->Player().Playing());
  EXPECT_TRUE(frame->Preview(1)->Picture().isNull());
}

TEST(FramoraPlayer, DisposalsClearOrRestoreWhatTheFrameCovered) {
  ImageStack stack;
  unsigned char red[4 * 4] = {}, blue[4 * 2] = {};
  RGBCOLOR palette[256] = {};
  palette[0] = {255, 0, 0};
  palette[1] = {0, 0, 255};
  for (unsigned char& p : blue) p = 1;
  stack.AppendImageFrame("a", nullptr, red, palette, 4, 4, 8, 2);
  stack.AppendImageFrame("b", nullptr, blue, palette, 4, 2, 8, 2);
  stack.AppendImageFrame("c", nullptr, blue, palette, 4, 2, 8, 2);
  stack.AppendImageFrame("d", nullptr, blue, palette, 4, 1, 8, 2);
  stack.SetScreenWidth(4);
  stack.SetScreenHeight(4);
  stack.GetFrameData(0)->delay = 1;
  stack.GetFrameData(1)->disposal = 3;  // put back what it covered
  stack.GetFrameData(2)->disposal = 2;
  stack.GetFrameData(2)->top = 2;
  AnimationPlayer player;
  std::vector<QImage> shown;
  QObject::connect(&player, &AnimationPlayer::FrameShown,
                   [&](int, const QImage& c) { shown.push_back(c.copy()); });
  ASSERT_TRUE(player.Start(&stack));
  EXPECT_EQ(AnimationPlayer::ShownMilliseconds(1), 100);
  EXPECT_EQ(AnimationPlayer::ShownMilliseconds(25), 250);
  ASSERT_TRUE(wait_for([&] { return shown.size() >= 5; }, 3000));
  player.Stop();
  // b over the top of a; a whole again once b is gone, with c over its lower half; c's rows cleared under d;
  // the canvas empty again when the animation starts over.
  EXPECT_EQ(shown[1].pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(shown[1].pixel(0, 3), qRgb(255, 0, 0));
  EXPECT_EQ(shown[2].pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(shown[2].pixel(0, 3), qRgb(0, 0, 255));
  EXPECT_EQ(shown[3].pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(shown[3].pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(qAlpha(shown[3].pixel(0, 3)), 0);
  EXPECT_EQ(shown[4].pixel(0, 3), qRgb(255, 0, 0));
}

TEST_F(FramoraFixture, BrowserTestWritesThePageBesideTheAnimationAndOpensIt) {
  RecordingStarts starts;
  qputenv("BROWSER", "true");
  ASSERT_EQ(frame->AddFiles({gif()}), 8);
  frame->RunCommand(kCmBrowserTest);
  qunsetenv("BROWSER");
  const QString page = frame->LastTestPage();
  ASSERT_FALSE(page.isEmpty());
  QFile file(page);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.startsWith("<HTML>\n<HEAD><TITLE>Framora Test</TITLE></HEAD>")) << text.toStdString();
  EXPECT_TRUE(text.contains("<IMG SRC=\"Framora_Test.gif\" ALT=\"Framora_Test.gif\">"));
  const QString gifPath = QFileInfo(page).dir().filePath("Framora_Test.gif");
  Compand read;
  ASSERT_TRUE(read.InitExpander(gifPath.toLocal8Bit().constData()) && read.DoExpansion());
  EXPECT_EQ(read.GetImageStack()->GetFrameNumber(), 8);
  read.DisposeOfImage();
  ASSERT_EQ(starts.started.size(), 1u);
  EXPECT_EQ(starts.started[0].first, "xdg-open");
  EXPECT_EQ(starts.started[0].second, std::vector<std::string>{page.toStdString()});
  // Private to this user: nobody else can swap what the browser loads.
  EXPECT_EQ(QFileInfo(QFileInfo(page).absolutePath()).permissions() & (QFile::ReadOther | QFile::WriteOther),
            0);
}

TEST_F(FramoraFixture, SavesTheAnimationAndReadsItBackFrameByFrame) {
  QTemporaryDir folder;
  ASSERT_EQ(frame->AddFiles({gif(), bmp("wheel-8bit.bmp")}), 9);
  list().SelectRow(3);
  ASSERT_EQ(frame->Document().SetDelay(3, 55), Status::Ok);
  const QString name = folder.filePath("out");
  files.answers = {{name.toStdString()}};
  frame->RunCommand(kCmSaveAs);
  EXPECT_EQ(frame->SavedPath(), name + ".gif");
  EXPECT_TRUE(frame->windowTitle().startsWith("out.gif"));
  Compand read;
  ASSERT_TRUE(read.InitExpander((name + ".gif").toLocal8Bit().constData()) && read.DoExpansion());
  ImageStack* stack = read.GetImageStack();
  ASSERT_EQ(stack->GetFrameNumber(), 9);
  EXPECT_EQ(stack->GetFrameData(3)->delay, 55);
  EXPECT_EQ(stack->GetFrameData(8)->width, frame->Document().GetFrame(8)->width);
  read.DisposeOfImage();

  // A single frame in another type, from Save Frame As.
  files.answers = {{folder.filePath("frame.bmp").toStdString()}};
  frame->RunCommand(kCmSaveFrameAs);
  EXPECT_TRUE(QFileInfo(folder.filePath("frame.bmp")).isFile());
  EXPECT_EQ(frame->SavedPath(), name + ".gif");

  // An animation of one frame keeps what the frame dialog set.
  frame->Document().New();
  ASSERT_EQ(frame->AddFiles({bmp("wheel-8bit.bmp")}), 1);
  list().SelectRow(0);
  testing_support::answer_next_modal([](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("delay")->setText("25");
    dialog->findChild<QLineEdit*>("comment")->setText("still");
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmFrameProperties);
  files.answers = {{folder.filePath("one.gif").toStdString()}};
  frame->RunCommand(kCmSaveAs);
  Compand one;
  ASSERT_TRUE(one.InitExpander(folder.filePath("one.gif").toLocal8Bit().constData()) && one.DoExpansion());
  ASSERT_EQ(one.GetImageStack()->GetFrameNumber(), 1);
  EXPECT_EQ(one.GetImageStack()->GetFrameData(0)->delay, 25);
  EXPECT_STREQ(one.GetImageStack()->GetFrameData(0)->comment, "still");
  one.DisposeOfImage();
}

TEST_F(FramoraFixture, PrintsEachFrameOnAPageOfItsOwn) {
  PagePrinter printer;
  ASSERT_EQ(frame->AddFiles({bmp("wheel-8bit.bmp"), bmp("wheel-24bit.bmp"), bmp("wheel-4bit.bmp")}), 3);
  frame->RunCommand(kCmPrint);
  ASSERT_EQ(printer.pages.size(), 3u);
  EXPECT_EQ(printer.finished, 1);
  // Fitted to the page: most of the printable width is picture, not paper.
  int inked = 0;
  for (int x = 0; x < 850; ++x) inked += printer.pages[1].pixel(x, 550) != qRgb(255, 255, 255);
  EXPECT_GT(inked, 500);
}

TEST_F(FramoraFixture, ScreenDialogRefusesATrueColourFramesPalette) {
  ASSERT_EQ(frame->AddFiles({bmp("wheel-8bit.bmp"), bmp("wheel-24bit.bmp")}), 2);
  list().SelectRow(1);
  const QStringList before = row(0);
  testing_support::answer_next_modal([](QWidget* dialog) {
    dialog->findChild<QRadioButton*>("policy2")->setChecked(true);
    dialog->findChild<QSpinBox*>("paletteFrame")->setValue(1);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmScreen);
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts.back(), status_message(Status::TrueColourFrame));
  EXPECT_EQ(row(0), before);

  // The fixed palette makes every frame 8-bit.
  testing_support::answer_next_modal([](QWidget* dialog) {
    dialog->findChild<QRadioButton*>("policy1")->setChecked(true);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  frame->RunCommand(kCmScreen);
  EXPECT_EQ(row(1)[kBpp], "8");
}

TEST_F(FramoraFixture, AVideoIsReadBesideTheWindowWhichKeepsRunning) {
  if (testing_support::run_command("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
  QTemporaryDir folder;
  const std::string avi = folder.filePath("clip.avi").toStdString();
  ASSERT_EQ(testing_support::run_command("ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=25 "
                                         "-frames:v 60 -c:v mjpeg -y " +
                                         avi),
            0);
  int ticks = 0;
  QTimer heartbeat;
  QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
  heartbeat.start(0);
  ASSERT_EQ(frame->AddFiles({QString::fromStdString(avi)}), 60);
  heartbeat.stop();
  EXPECT_GT(ticks, 0);
  ASSERT_EQ(list().topLevelItemCount(), 60);
  EXPECT_EQ(row(59)[kPath], QString::fromStdString(avi) + " Slide 60");
  EXPECT_EQ(row(59)[kWidth], "320");
  EXPECT_EQ(row(0)[kDelay], "4");
}
