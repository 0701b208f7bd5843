// Vexil, the screen-capture program. `vexil [FILE]` starts it (showing FILE when one is named); a second
// start hands over to the running one. `vexil --capture desktop|active [--delay N] --output FILE` captures
// without a window, through the running Vexil when there is one, and writes FILE in its extension's type.
#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdio>

#include "apps/vexil/capture_modes.h"
#include "apps/vexil/capture_runner.h"
#include "apps/vexil/captured_image.h"
#include "apps/vexil/main_frame.h"
#include "apps/vexil/vexil_service.h"
#include "ivorel/windows/frame/program_identity.h"
#include "platform/qt/qt_services.h"

namespace {

int fail(const QString& text, int status = 1) {
  std::fprintf(stderr, "vexil: %s\n", qPrintable(text));
  return status;
}

bool write_output(const QImage& image, const QString& output) {
  vexil::CapturedImage file;
  return file.Adopt(image) && file.Save(output, 50);
}

// A capture through the Vexil already running: its post-capture settings apply, its listeners hear of it.
int capture_through_running(QDBusConnection& bus, const QString& target, int delay, const QString& output) {
  QDBusInterface vexil(vexil::kServiceName, vexil::kObjectPath, vexil::kServiceName, bus);
  vexil.setTimeout((delay + 120) * 1000);
  const QDBusReply<QString> saved = vexil.call("Capture", target, uint(delay));
  if (!saved.isValid()) return fail(saved.error().message());
  vexil::CapturedImage image;
  if (!image.Open(saved.value())) return fail("cannot read the capture " + saved.value());
  if (!image.Save(output, 50)) return fail("cannot write " + output);
  QFile::remove(saved.value());
  return 0;
}

int capture_here(const QString& target, int delay, const QString& output) {
  vexil::CaptureRunner runner;
  vexil::CaptureResult result;
  QEventLoop loop;
  QObject::connect(&runner, &vexil::CaptureRunner::Finished, &loop, [&](const vexil::CaptureResult& r) {
    result = r;
    loop.quit();
  });
  runner.Start({vexil::mode_from_target(target), delay, 0, {}, {}});
  if (runner.Busy()) loop.exec();
  if (result.image.isNull()) return fail(result.error.isEmpty() ? "nothing was captured" : result.error);
  return write_output(result.image, output) ? 0 : fail("cannot write " + output);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const ivorel::ProgramIdentity program{"Vexil", "vexil", "Vexil screen capture"};
  QCommandLineParser parser;
  ivorel::BeginProgram(program, parser);
  QCommandLineOption capture("capture", "Capture without a window: desktop or active.", "target");
  QCommandLineOption delay("delay", "Wait this many seconds before capturing.", "seconds", "0");
  QCommandLineOption output("output", "The file to write the capture to (its extension gives the type).",
                            "file");
  parser.addOptions({capture, delay, output});
  parser.addPositionalArgument("file", "An image to show.", "[file]");
  parser.process(app);

  QDBusConnection bus = QDBusConnection::sessionBus();
  const bool running = bus.isConnected() && bus.interface()->isServiceRegistered(vexil::kServiceName).value();

  if (parser.isSet(capture)) {
    const QString target = parser.value(capture);
    bool ok = false;
    const int seconds = parser.value(delay).toInt(&ok);
    if (target != "desktop" && target != "active") return fail("--capture takes desktop or active", 2);
    if (!ok || seconds < 0 || seconds > 3600) return fail("--delay takes a number of seconds, 0 to 3600", 2);
    if (!parser.isSet(output)) return fail("--capture needs --output FILE", 2);
    pqt::install_services();
    if (running) return capture_through_running(bus, target, seconds, parser.value(output));
    return capture_here(target, seconds, parser.value(output));
  }

  if (running) {
    QDBusInterface(vexil::kServiceName, vexil::kObjectPath, vexil::kServiceName, bus).call("Activate", true);
    return 0;
  }

  ivorel::PrepareProgramWindows(program);

  vexil::CMainFrame frame;
  vexil::VexilService service(&frame, bus);
  // Two starts at the same moment: the one that loses the name hands over to the winner.
  if (bus.isConnected() && !service.Register()) {
    QDBusInterface(vexil::kServiceName, vexil::kObjectPath, vexil::kServiceName, bus).call("Activate", true);
    return 0;
  }
  if (!bus.isConnected()) fail("no session bus: other programs cannot reach this Vexil", 0);

  frame.LoadStartupPicture();
  const QStringList files = parser.positionalArguments();
  if (!files.isEmpty() && frame.OpenFile(files.first())) {
    frame.ShowImageView();
  } else if (!frame.HasStartupPicture()) {
    frame.ShowCapturePanel();
  }
  frame.show();
  QTimer::singleShot(0, &frame, [&frame] { frame.GrabCaptureKeys(); });
  return app.exec();
}
