// Depth changes and the clipboard through the frame: the commands' enabling, their dialogs, undo, and images
// that other programs put on the clipboard, including damaged ones. Under an X server the copy and paste
// also cross to another X client (xclip).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

#include "ivorel/windows/dialogs/bits_per_pixel_dialog.h"
#include "tests/gui/dialog_harness.h"
#include "tests/gui/gui_support.h"

using namespace gui_testing;
using testing_support::answer_next_modal;
using testing_support::press;
namespace cmd = ivorel::cmd;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

void offer(const char* mime, const QByteArray& bytes) {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(mime), bytes);
  QGuiApplication::clipboard()->setMimeData(data);
}

std::uint32_t crc32(const QByteArray& bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

// A PNG whose header claims a picture of width x height and holds no pixels.
QByteArray png_claiming(std::uint32_t width, std::uint32_t height) {
  auto be = [](std::uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
  };
  QByteArray chunk = QByteArray("IHDR") + be(width) + be(height) + QByteArray("\x08\x02\x00\x00\x00", 5);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + be(13) + chunk + be(crc32(chunk));
}

}  // namespace

TEST(FrameDepth, CommandsFollowTheDepthAndUndoBringsItBack) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kPromote));
  for (int id : {424, 425, 488, 489}) EXPECT_FALSE(f.frame().IsCommandEnabled(id)) << id;
  EXPECT_TRUE(f.frame().IsCommandEnabled(428));

  f.frame().ExecuteCommand(cmd::kPromote);
  EXPECT_EQ(child->image.bitsPerPixel, 24);
  EXPECT_EQ(child->menuUpdate.item[_MENUUPDATE::kBitsPerPixel], 24);
  EXPECT_TRUE(child->dirty);
  bool shown = false;
  for (QLabel* pane : f.frame().statusBar()->findChildren<QLabel*>())
    shown = shown || pane->text().contains(QStringLiteral(", 24bits,"));
  EXPECT_TRUE(shown) << "the status bar shows the new depth";
  EXPECT_FALSE(f.frame().IsCommandEnabled(cmd::kPromote));
  for (int id : {424, 425, 488, 489}) EXPECT_TRUE(f.frame().IsCommandEnabled(id)) << id;

  struct Step {
    int id;
    int bits;
    std::function<void(QWidget*)> dialog;
  };
  const Step steps[] = {
      {425, 8, nullptr},
      {488, 4, nullptr},
      {489, 1, nullptr},
      {424, 8, [](QWidget* d) { press(d, 1); }},  // Quantize, 256 colours
      {428, 4,
       [](QWidget* d) {
         testing_support::control<QRadioButton>(d, 104)->setChecked(true);
         press(d, 1);
       }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.id);
    f.frame().ExecuteCommand(cmd::kUndo);  // back to the promoted image
    if (child->image.bitsPerPixel != 24) f.frame().ExecuteCommand(cmd::kRedo);
    ASSERT_EQ(child->image.bitsPerPixel, 24);
    if (s.dialog) answer_next_modal(s.dialog);
    f.frame().ExecuteCommand(s.id);
    settle();
    EXPECT_EQ(child->image.bitsPerPixel, s.bits);
    EXPECT_EQ(child->menuUpdate.item[_MENUUPDATE::kBitsPerPixel], s.bits);
    f.frame().ExecuteCommand(cmd::kUndo);
    EXPECT_EQ(child->image.bitsPerPixel, 24);
    f.frame().ExecuteCommand(cmd::kRedo);
    EXPECT_EQ(child->image.bitsPerPixel, s.bits);
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(FrameDepth, PasteTakesOtherProgramsImagesAndRefusesDamagedOnes) {
  ScriptedMessageBox boxes;
  FrameFixture f;
  QImage picture(31, 17, QImage::Format_RGB32);
  picture.fill(QColor(200, 40, 10));
  struct Case {
    const char* mime;
    QByteArray bytes;
    int bits;  // 0: refused
  };
  const Case cases[] = {
      {"image/png", encoded(picture, "PNG"), 24},
      {"image/png", encoded(picture.convertToFormat(QImage::Format_Indexed8), "PNG"), 8},
      {"image/jpeg", encoded(picture, "JPEG"), 24},
      {"image/bmp", encoded(picture, "BMP"), 24},
      {"image/png", QByteArray("\x89PNG\r\n\x1a\n not really", 19), 0},
      {"image/png", png_claiming(60000, 60000), 0},
      {"image/bmp", QByteArray("BM") + QByteArray(60, '\x7f'), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mime + std::string(" ") + std::to_string(c.bits));
    offer(c.mime, c.bytes);
    f.frame().UpdateCommandStates();
    EXPECT_TRUE(f.frame().IsCommandEnabled(cmd::kPaste));
    const int windows = f.window_count();
    boxes.texts.clear();
    f.frame().ExecuteCommand(cmd::kPaste);
    settle();
    if (c.bits == 0) {
      EXPECT_EQ(f.window_count(), windows);
      ASSERT_EQ(boxes.texts.size(), 1u);
      EXPECT_NE(boxes.texts[0].find("can be pasted"), std::string::npos) << boxes.texts[0];
      continue;
    }
    ASSERT_EQ(f.window_count(), windows + 1);
    EXPECT_EQ(f.active()->image.width, 31);
    EXPECT_EQ(f.active()->image.bitsPerPixel, c.bits);
    EXPECT_TRUE(boxes.texts.empty());
  }
}

TEST(FrameDepth, CopyOffersPngAndBmp) {
  FrameFixture f;
  CMDIChildImageWnd* child = f.open(sample("wheel-8bit.bmp"));
  ASSERT_NE(child, nullptr);
  f.frame().ExecuteCommand(cmd::kCopy);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  for (const char* mime : {"image/png", "image/bmp"}) {
    const QImage image = QImage::fromData(data->data(QString::fromLatin1(mime)));
    EXPECT_EQ(image.size(), QSize(child->image.width, child->image.height)) << mime;
  }
}

// The other side of the X11 test: a Pictaro frame in a process of its own on the X server, which copies an
// image and serves it, or pastes what is there.
TEST(FrameDepth, X11Role) {
  const char* role = std::getenv("PICTARO_X11_ROLE");
  if (!role) GTEST_SKIP() << "run by X11ClipboardCrossesToOtherClients";
  ScriptedMessageBox boxes;
  FrameFixture f;
  if (std::string(role) == "copy") {
    ASSERT_NE(f.open(sample("wheel-24bit.bmp")), nullptr);
    f.frame().ExecuteCommand(cmd::kCopy);
    // Serve the selection until the other client has taken it.
    const QString done = QString::fromLocal8Bit(std::getenv("PICTARO_X11_DONE"));
    for (int i = 0; i < 300 && !QFile::exists(done); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(20);
    }
  } else {
    f.frame().UpdateCommandStates();
    ASSERT_TRUE(f.frame().IsCommandEnabled(cmd::kPaste));
    f.frame().ExecuteCommand(cmd::kPaste);
    settle();
    ASSERT_EQ(f.window_count(), 1);
    EXPECT_EQ(f.active()->image.width, 31);
    EXPECT_EQ(f.active()->image.height, 17);
    EXPECT_TRUE(boxes.texts.empty());
  }
}

TEST(FrameDepth, X11ClipboardCrossesToOtherClients) {
  const QString xvfb = QStandardPaths::findExecutable("Xvfb"),
                xclip = QStandardPaths::findExecutable("xclip");
  if (xvfb.isEmpty() || xclip.isEmpty()) GTEST_SKIP() << "needs Xvfb and xclip";
  QTemporaryDir dir;
  QProcess server;
  server.setProcessChannelMode(QProcess::SeparateChannels);
  // -displayfd 1: the server writes the display number it chose to its standard output.
  server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
  ASSERT_TRUE(server.waitForStarted());
  QByteArray number;
  while (!number.contains('\n') && server.waitForReadyRead(10000)) number += server.readAllStandardOutput();
  ASSERT_FALSE(number.trimmed().isEmpty());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", ":" + QString::fromLatin1(number.trimmed()));
  env.insert("QT_QPA_PLATFORM", "xcb");
  const QString done = dir.filePath("done");
  env.insert("PICTARO_X11_DONE", done);
  auto role = [&](const char* name) {
    auto* p = new QProcess;
    QProcessEnvironment e = env;
    e.insert("PICTARO_X11_ROLE", name);
    p->setProcessEnvironment(e);
    p->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=FrameDepth.X11Role"});
    return p;
  };
  auto run_xclip = [&](const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(xclip, args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput();
  };

  // Pictaro copies; xclip asks for PNG.
  std::unique_ptr<QProcess> copier(role("copy"));
  QByteArray png;
  for (int i = 0; i < 50 && png.isEmpty(); ++i) {
    QThread::msleep(200);
    png = run_xclip({"-selection", "clipboard", "-t", "image/png", "-o"});
  }
  QFile(done).open(QIODevice::WriteOnly);
  copier->waitForFinished(30000);
  const QImage pasted = QImage::fromData(png, "PNG");
  EXPECT_FALSE(pasted.isNull());
  EXPECT_EQ(pasted.size(), QImage(QString::fromStdString(sample("wheel-24bit.bmp"))).size());

  // xclip offers a PNG; Pictaro pastes it.
  QImage picture(31, 17, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  const QString offered = dir.filePath("offered.png");
  ASSERT_TRUE(picture.save(offered, "PNG"));
  QProcess offerer;
  offerer.setProcessEnvironment(env);
  // xclip serves the selection from a child of its own and returns.
  offerer.start(xclip, {"-selection", "clipboard", "-t", "image/png", "-i", offered});
  offerer.waitForFinished(10000);
  QThread::msleep(300);
  std::unique_ptr<QProcess> paster(role("paste"));
  ASSERT_TRUE(paster->waitForFinished(60000));
  EXPECT_EQ(paster->exitCode(), 0) << paster->readAllStandardOutput().toStdString();
  server.terminate();
  server.waitForFinished();
}

TEST(Screenshots, BitsPerPixelDialog) {
  if (!std::getenv("IVOREL_SCREENSHOT_DIR")) GTEST_SKIP() << "IVOREL_SCREENSHOT_DIR not set";
  int bits = 24;
  BitsPerPixelDialog dialog(nullptr, "/home/me/Pictures/harbour.jpg", 4000, 3000, 36000000, &bits);
  testing_support::control<QRadioButton>(&dialog, 108)->setChecked(true);
  dialog.show();
  dialog.adjustSize();
  const QString dir = QString::fromLocal8Bit(std::getenv("IVOREL_SCREENSHOT_DIR"));
  EXPECT_TRUE(dialog.grab().save(QDir(dir).filePath("bits-per-pixel.png")));
}
