// Vexil on a virtual X server with a real window manager: captures of a window of known pixels drawn by
// another process, the pick, delays, Repeat Capture, the post-capture settings, the session-bus service
// and the capture keys.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

#include "apps/vexil/capture_keys.h"
#include "apps/vexil/capture_modes.h"
#include "apps/vexil/find_tool_view.h"
#include "apps/vexil/listener_table.h"
#include "apps/vexil/main_frame.h"
#include "apps/vexil/screen_grab.h"
#include "apps/vexil/vexil_service.h"
#include "apps/vexil/x11_windows.h"
#include "tests/gui/gui_support.h"

namespace vexil {

CMainFrame* g_frame = nullptr;
VexilService* g_service = nullptr;

// A program that asked to hear of captures.
class TestListener : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pixmoor.VexilListener")
 public:
  int heard = 0;
 public slots:
  void AfterCapture() { ++heard; }
};

namespace {

constexpr QSize kPatternSize(160, 120);
constexpr QPoint kPatternPlace(40, 60);

// Four flat quadrants and a one-pixel diagonal: a shift or mirror by one pixel changes the picture.
QImage pattern() {
  QImage image(kPatternSize, QImage::Format_RGB32);
  QPainter painter(&image);
  const int w = kPatternSize.width() / 2, h = kPatternSize.height() / 2;
  painter.fillRect(0, 0, w, h, QColor(230, 30, 20));
  painter.fillRect(w, 0, w, h, QColor(20, 200, 40));
  painter.fillRect(0, h, w, h, QColor(30, 40, 220));
  painter.fillRect(w, h, w, h, QColor(240, 220, 60));
  for (int i = 0; i < h; ++i) image.setPixel(i, i, qRgb(255, 255, 255));
  return image;
}

bool wait_for(const std::function<bool()>& done, int milliseconds = 8000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

void pause(int milliseconds) {
  wait_for([] { return false; }, milliseconds);
}

bool same_pixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// The window of known pixels, shown by a process of its own so that it is not one of Vexil's windows.
class PatternWindow {
 public:
  PatternWindow() {
    process_.start(QCoreApplication::applicationFilePath(), {"--pattern-window"});
    if (!process_.waitForStarted()) return;
    wait_for([this] { return process_.canReadLine(); });
    client = process_.readLine().trimmed().toULongLong();
    x11::describe(client, window);
  }
  ~PatternWindow() {
    process_.kill();
    process_.waitForFinished();
  }
  x11::WindowId client = 0;
  x11::TopLevel window;

 private:
  QProcess process_;
};

class VexilCapture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!x11::connected() || !capture_unavailable_reason().isEmpty()) return;
    pattern_ = new PatternWindow;
  }
  static void TearDownTestSuite() {
    delete pattern_;
    pattern_ = nullptr;
  }
  void SetUp() override {
    if (!pattern_ || !pattern_->client) GTEST_SKIP() << "no X server to capture from";
    frame().SetPostCaptureBits(0);
    frame().Panel()->SetDelayIndex(0);
    frame().Activate(true);
    frame().move(420, 320);
    frame().resize(300, 200);
    wait_for([] { return frame().isVisible(); });
  }
  static CMainFrame& frame() { return *g_frame; }

  // Runs a capture started by `start` to its end; the image held afterwards (null when it failed).
  static QImage capture(const std::function<void()>& start) {
    int after = 0;
    auto connection = QObject::connect(&frame(), &CMainFrame::AfterCapture, [&after] { ++after; });
    start();
    wait_for([&] { return after > 0 || !frame().CaptureRunning(); }, 20000);
    wait_for([&] { return after > 0; }, 1000);
    QObject::disconnect(connection);
    return after ? frame().Image().ToQImage() : QImage();
  }

  static QWidget* overlay() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == "PickOverlay" && widget->isVisible()) return widget;
    }
    return nullptr;
  }

  static void mouse(QWidget* target, QEvent::Type type, const QPoint& global) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(global - target->geometry().topLeft()), QPointF(global), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  // Arms a pick by its command and releases the Find Tool at a screen point.
  static QImage pick_at(int mode, const QPoint& point) {
    return capture([&] {
      frame().RunCommand(mode);
      ASSERT_TRUE(wait_for([] { return overlay() != nullptr; }));
      mouse(overlay(), QEvent::MouseMove, point);
      mouse(overlay(), QEvent::MouseButtonRelease, point);
    });
  }

  static QPoint pattern_centre() {
    return QPoint(pattern_->window.clientRect.x + 30, pattern_->window.clientRect.y + 30);
  }

  static PatternWindow* pattern_;
};

PatternWindow* VexilCapture::pattern_ = nullptr;

TEST_F(VexilCapture, DesktopLeavesVexilOutAndHoldsThePattern) {
  const QRect own = frame().frameGeometry();
  const QImage desktop = capture([] { frame().RunCommand(kCaptureDesktop); });
  ASSERT_EQ(desktop.size(), desktop_rect().size());
  EXPECT_EQ(frame().windowTitle(), "Entire screen - Vexil");
  const QRect client = to_qrect(pattern_->window.clientRect);
  EXPECT_TRUE(same_pixels(desktop.copy(client), pattern()));
  // Vexil's window stood on the bare (black) root: the capture sees only the root there.
  EXPECT_EQ(desktop.pixel(own.center()) & 0xFFFFFF, 0u);
  EXPECT_TRUE(frame().isVisible());
  EXPECT_EQ(frame().ActiveView(), CMainFrame::kImageView);
}

TEST_F(VexilCapture, WindowWithFrameAndClientAreaThroughTheFindTool) {
  const x11::TopLevel& window = pattern_->window;
  ASSERT_GT(window.frameRect.width, window.clientRect.width) << "the manager put no frame around the window";
  const QImage client = pick_at(kCaptureClientArea, pattern_centre());
  EXPECT_TRUE(same_pixels(client, pattern()));
  EXPECT_EQ(frame().windowTitle(), "Pattern - Vexil");

  const QImage whole = pick_at(kCaptureWindow, pattern_centre());
  ASSERT_EQ(whole.size(), QSize(window.frameRect.width, window.frameRect.height));
  const QRect inside(window.clientRect.x - window.frameRect.x, window.clientRect.y - window.frameRect.y,
                     window.clientRect.width, window.clientRect.height);
  EXPECT_TRUE(same_pixels(whole.copy(inside), pattern()));

  // Over the bare desktop the pick takes the whole screen; Escape takes nothing and keeps the image.
  EXPECT_EQ(pick_at(kCaptureWindow, QPoint(5, 595)).size(), desktop_rect().size());
  frame().RunCommand(kCaptureClientArea);
  ASSERT_TRUE(wait_for([] { return overlay() != nullptr; }));
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(overlay(), &escape);
  EXPECT_TRUE(wait_for([] { return !frame().CaptureRunning() && frame().isVisible(); }));
  EXPECT_TRUE(frame().Image().HasImage());
}

// Repeating the capture of a window that has closed says so and keeps the image from before.
TEST_F(VexilCapture, RepeatOfAClosedWindowKeepsTheImage) {
  QImage kept;
  {
    PatternWindow doomed;
    ASSERT_NE(doomed.client, 0u);
    x11::raise(doomed.client);
    pause(300);
    kept =
        pick_at(kCaptureClientArea, QPoint(doomed.window.clientRect.x + 20, doomed.window.clientRect.y + 20));
    ASSERT_TRUE(same_pixels(kept, pattern()));
  }
  gui_testing::ScriptedMessageBox boxes;
  frame().RunCommand(kCmRepeatCapture);
  ASSERT_TRUE(wait_for([&] { return !boxes.texts.empty(); }));
  EXPECT_EQ(boxes.texts[0], "The window does not exist, it might have been closed!");
  EXPECT_EQ(boxes.captions[0], "Vexil");
  EXPECT_TRUE(same_pixels(frame().Image().ToQImage(), kept));
  EXPECT_TRUE(frame().isVisible());
}

TEST_F(VexilCapture, ActiveWindowIsTheLastOneUsedNotVexil) {
  x11::raise(pattern_->client);
  pause(300);
  frame().Activate(true);
  const QImage active = capture([] { frame().RunCommand(kCaptureActiveWindow); });
  const x11::TopLevel& window = pattern_->window;
  ASSERT_EQ(active.size(), QSize(window.frameRect.width, window.frameRect.height));
  EXPECT_EQ(frame().windowTitle(), "Active window - Vexil");
}

TEST_F(VexilCapture, RectangleAndItsRepeat) {
  const QPoint from = pattern_centre() + QPoint(70, 50), to = pattern_centre() - QPoint(20, 20);
  const QImage dragged = capture([&] {
    frame().RunCommand(kCaptureRectangle);
    ASSERT_TRUE(wait_for([] { return overlay() != nullptr; }));
    // Dragged from bottom-right to top-left.
    mouse(overlay(), QEvent::MouseButtonPress, from);
    mouse(overlay(), QEvent::MouseMove, to);
    mouse(overlay(), QEvent::MouseButtonRelease, to);
  });
  const QRect area = QRect(to, from);
  ASSERT_EQ(dragged.size(), area.size());
  EXPECT_TRUE(same_pixels(dragged,
                          pattern().copy(area.translated(-to_qrect(pattern_->window.clientRect).topLeft()))));
  EXPECT_EQ(frame().windowTitle(), "User selected portion - Vexil");
  const QImage repeated = capture([] { frame().RunCommand(kCmRepeatCapture); });
  EXPECT_TRUE(same_pixels(repeated, dragged));
}

TEST_F(VexilCapture, DelayCountsDownBeforeTheCopy) {
  frame().Panel()->SetDelayIndex(1);
  QElapsedTimer timer;
  bool counted = false;
  timer.start();
  const QImage image = capture([&] {
    frame().RunCommand(kCaptureDesktop);
    counted = wait_for([] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && label->isVisible() && label->text().contains("Capturing in")) return true;
      }
      return false;
    });
  });
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(counted);
  EXPECT_GE(timer.elapsed(), 2000);
}

// Each post-capture setting gives what its quick tool gives the plain capture; Copy To Clipboard hands
// over the plain capture.
TEST_F(VexilCapture, EachPostCaptureSettingMatchesItsTool) {
  const QImage plain = pick_at(kCaptureClientArea, pattern_centre());
  ASSERT_TRUE(same_pixels(plain, pattern()));
  for (const PostCaptureSetting& setting : kPostCaptureSettings) {
    SCOPED_TRACE(setting.text);
    frame().SetPostCaptureBits(setting.bit);
    const QImage processed = capture([] { frame().RunCommand(kCmRepeatCapture); });
    if (!setting.tool.operation) {
      EXPECT_TRUE(same_pixels(processed, plain));
      EXPECT_TRUE(same_pixels(QApplication::clipboard()->image(), plain));
      continue;
    }
    CapturedImage reference;
    ASSERT_TRUE(reference.Adopt(plain));
    ASSERT_TRUE(reference.Apply(setting.tool));
    EXPECT_TRUE(same_pixels(processed, reference.ToQImage()));
    // The undo store holds the plain capture.
    frame().RunCommand(kCmUndo);
    EXPECT_TRUE(same_pixels(frame().Image().ToQImage(), plain));
  }
}

// ---- The session bus ----

class VexilBus : public VexilCapture {
 protected:
  void SetUp() override {
    VexilCapture::SetUp();
    if (IsSkipped()) return;
    if (!g_service) GTEST_SKIP() << "no session bus";
  }
  // A call from another connection, answered while this process keeps serving.
  static QDBusMessage call(const QString& method, const QVariantList& arguments,
                           const QString& connection = "client") {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
    QDBusMessage message = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kServiceName, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = bus.asyncCall(message, 30000);
    wait_for([&] { return pending.isFinished(); }, 30000);
    return pending.reply();
  }
};

TEST_F(VexilBus, CaptureFlagsToggleAndQuality) {
  frame().SetPostCaptureBits(0x001);
  call("CaptureFlags", {uint(80), uint(0x041)});
  EXPECT_EQ(frame().PostCaptureBits(), 0u);
  EXPECT_EQ(frame().SaveQuality(), 80);
  call("CaptureFlags", {uint(0x10000), uint(0x041)});
  EXPECT_EQ(frame().PostCaptureBits(), 0x041u);
  EXPECT_EQ(frame().SaveQuality(), 80);
  EXPECT_TRUE(frame().Action(32778)->isChecked());
  frame().SetPostCaptureBits(0);
}

TEST_F(VexilBus, CaptureReturnsTheSavedFileAndTellsTwoListeners) {
  TestListener first, second;
  QStringList names;
  for (auto [listener, name] : {std::pair{&first, "listener1"}, std::pair{&second, "listener2"}}) {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    bus.registerObject(kListenerPath, listener, QDBusConnection::ExportAllSlots);
    names << bus.baseService();
  }
  // One listener that has gone away by the time of the capture.
  {
    QDBusConnection gone = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "gone");
    call("AddListener", {gone.baseService(), true});
    QDBusConnection::disconnectFromBus("gone");
  }
  for (const QString& name : names) call("AddListener", {name, true});
  const QDBusMessage reply = call("Capture", {QString("desktop"), uint(0)});
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  const QString path = reply.arguments().value(0).toString();
  CapturedImage saved;
  ASSERT_TRUE(saved.Open(path));
  EXPECT_TRUE(same_pixels(saved.ToQImage().copy(to_qrect(pattern_->window.clientRect)), pattern()));
  QFile::remove(path);
  EXPECT_TRUE(wait_for([&] { return first.heard == 1 && second.heard == 1; }));

  EXPECT_EQ(call("Capture", {QString("elsewhere"), uint(0)}).type(), QDBusMessage::ErrorMessage);
  for (const QString& name : names) call("AddListener", {name, false});
}

TEST_F(VexilBus, SecondStartActivatesTheFirst) {
  frame().Activate(false);
  ASSERT_TRUE(wait_for([] { return !frame().isVisible(); }));
  QProcess second;
  second.start(VEXIL_PATH, {});
  ASSERT_TRUE(wait_for([&] { return second.state() == QProcess::NotRunning; }, 15000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(wait_for([] { return frame().isVisible(); }));
}

// The command line goes through the running Vexil and writes the type its extension names; on Wayland it
// refuses instead of writing black.
TEST_F(VexilBus, CommandLineCaptureThroughTheRunningVexil) {
  const QString output = QDir::temp().filePath("vexil-command-line.tga");
  QFile::remove(output);
  QProcess command;
  command.start(VEXIL_PATH, {"--capture", "desktop", "--output", output});
  ASSERT_TRUE(wait_for([&] { return command.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(command.exitCode(), 0) << command.readAllStandardError().toStdString();
  EXPECT_EQ(Compand::FileTypeFromName(output.toUtf8().constData()), CT_TGA);
  CapturedImage written;
  ASSERT_TRUE(written.Open(output));
  EXPECT_TRUE(same_pixels(written.ToQImage().copy(to_qrect(pattern_->window.clientRect)), pattern()));
  QFile::remove(output);

  QProcess wayland;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("WAYLAND_DISPLAY", "wayland-0");
  environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
  wayland.setProcessEnvironment(environment);
  wayland.start(VEXIL_PATH, {"--capture", "desktop", "--output", output});
  ASSERT_TRUE(wayland.waitForFinished(20000));
  EXPECT_EQ(wayland.exitCode(), 1);
  EXPECT_TRUE(wayland.readAllStandardError().contains("needs an X11 session"));
  EXPECT_FALSE(QFile::exists(output));
}

TEST_F(VexilCapture, KeyAnotherProgramHoldsIsReportedWithTheWayOut) {
  x11::KeyGrabber other;
  ASSERT_TRUE(other.grab(1, "Ctrl+Shift+F9"));
  gui_testing::ScriptedMessageBox boxes;
  store_capture_keys(QKeySequence("Ctrl+Shift+F9"), QKeySequence("Ctrl+Shift+F10"));
  frame().GrabCaptureKeys();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("Ctrl+Shift+F9"), std::string::npos);
  EXPECT_EQ(boxes.texts[0].find("F10"), std::string::npos);
  EXPECT_NE(boxes.texts[0].find("Capture Keys"), std::string::npos);
  frame().GrabCaptureKeys();
  EXPECT_EQ(boxes.texts.size(), 1u) << "the same taken key is reported once";
  // Once the other program lets go, the key is Vexil's.
  other.release_all();
  frame().GrabCaptureKeys();
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_FALSE(other.grab(1, "Ctrl+Shift+F9"));
  store_capture_keys(QKeySequence("Print"), QKeySequence("Alt+Print"));
}

}  // namespace

// The listener table's rules, against a plain list that follows them literally.
TEST(VexilListeners, TableRules) {
  ListenerTable table;
  table.Add("a");
  table.Add("a");
  table.Add("b");
  EXPECT_EQ(table.Listeners(), (std::vector<std::string>{"a", "b"}));
  table.Remove("a");
  table.Remove("");
  table.Remove("never");
  EXPECT_EQ(table.HighWater(), 2);
  table.Add("c");  // into the freed slot 0
  EXPECT_EQ(table.Slot(0), "c");
  EXPECT_EQ(table.HighWater(), 2);
  for (int i = 2; i < ListenerTable::kSlots; ++i) table.Add(std::to_string(i));
  EXPECT_EQ(table.HighWater(), 256);
  table.Add("late");  // the 257th overwrites the last slot
  EXPECT_EQ(table.Slot(255), "late");
  EXPECT_EQ(table.Listeners().size(), 256u);
  table.Remove("late");
  table.Add("again");
  EXPECT_EQ(table.Slot(255), "again");
}

}  // namespace vexil

namespace {

int show_pattern_window(int argc, char** argv) {
  QApplication app(argc, argv);
  struct Pattern : QWidget {
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, vexil::pattern()); }
  } window;
  window.setWindowTitle("Pattern");
  window.setFixedSize(vexil::kPatternSize);
  window.move(vexil::kPatternPlace);
  window.show();
  QTimer::singleShot(500, &window, [&window] {
    std::printf("%llu\n", (unsigned long long)window.winId()), std::fflush(stdout);
  });
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--pattern-window") return show_pattern_window(argc, argv);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("MyPixmoorCompany");
  QApplication::setApplicationName("VexilTest");
  gui_testing::init_library();
  vexil::CMainFrame frame;
  vexil::g_frame = &frame;
  QDBusConnection bus = QDBusConnection::sessionBus();
  vexil::VexilService service(&frame, bus);
  if (service.Register()) vexil::g_service = &service;
  frame.show();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "vexil_capture_test.moc"
