#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <algorithm>

#include "platform/core/clipboard.h"
#include "platform/core/cursor.h"
#include "platform/core/message_box.h"
#include "platform/core/program_start.h"
#include "platform/core/responsive.h"
#include "platform/qt/qt_clipboard.h"

namespace pqt {

namespace {

QMessageBox::Icon box_icon(pcore::MessageIcon icon) {
  switch (icon) {
    case pcore::MessageIcon::Information:
      return QMessageBox::Information;
    case pcore::MessageIcon::Warning:
      return QMessageBox::Warning;
    case pcore::MessageIcon::Error:
      return QMessageBox::Critical;
    case pcore::MessageIcon::Question:
      return QMessageBox::Question;
    default:
      return QMessageBox::NoIcon;
  }
}

class QtMessageBox : public pcore::MessageBoxService {
 public:
  int show(const void*, const std::string& text, const std::string& caption, pcore::MessageIcon icon,
           pcore::MessageButtons buttons) override {
    QMessageBox box(box_icon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, dialog_parent());
    switch (buttons) {
      case pcore::MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case pcore::MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
      case pcore::MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
      case pcore::MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // A busy cursor left by the operation that reports must not hide the pointer over the box.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    switch (answer) {
      case QMessageBox::Yes:
        return pcore::kIdYes;
      case QMessageBox::No:
        return pcore::kIdNo;
      case QMessageBox::Cancel:
        return pcore::kIdCancel;
      default:
        return buttons == pcore::MessageButtons::OkCancel && answer != QMessageBox::Ok ? pcore::kIdCancel
                                                                                       : pcore::kIdOk;
    }
  }
};

// Cursors and the event pump belong to the window's thread: work run on another thread (a long file read)
// shows its progress there in its own way, and its calls here do nothing.
bool on_window_thread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Keeps at most one override cursor of ours on Qt's stack, so that unbalanced Wait/Arrow pairs never
// leave the application busy.
class QtCursor : public pcore::CursorService {
 public:
  void set_cursor(pcore::CursorShape shape) override {
    if (!on_window_thread()) return;
    if (shape == pcore::CursorShape::Wait) {
      show(Qt::WaitCursor);
    } else if (pushed_) {
      QApplication::restoreOverrideCursor();
      pushed_ = false;
    }
  }
  // Frame n of 10 fills n + 1 tenths of a pie beside the pointer, so that a long operation shows that it
  // moves on and roughly how far it has come.
  void set_progress_cursor(int frame) override {
    if (!on_window_thread()) return;
    frame = std::clamp(frame, 0, 9);
    if (progress_[frame].shape() != Qt::BitmapCursor) progress_[frame] = progress_cursor(frame);
    show(progress_[frame]);
  }

 private:
  static QCursor progress_cursor(int frame) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The pointer's tip stays at the hot spot, the pie beside it.
    const QPointF arrow[] = {{1, 1}, {1, 15}, {5, 11}, {8, 17}, {10, 16}, {7, 10}, {12, 10}};
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow, 7);
    const QRectF pie(14, 14, 16, 16);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(pie);
    p.setBrush(QColor(52, 101, 164));
    p.drawPie(pie, 90 * 16, -(frame + 1) * 36 * 16);
    return QCursor(pixmap, 1, 1);
  }
  void show(const QCursor& cursor) {
    if (pushed_)
      QApplication::changeOverrideCursor(cursor);
    else
      QApplication::setOverrideCursor(cursor);
    pushed_ = true;
  }
  QCursor progress_[10];
  bool pushed_ = false;
};

class QtEventPump : public pcore::EventPump {
 public:
  void pump() override {
    if (on_window_thread()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
};

class QtProgramStart : public pcore::ProgramStartService {
 public:
  bool start(const std::string& program, const std::vector<std::string>& arguments) override {
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), args);
  }
};

}  // namespace

void install_services() {
  static QtMessageBox boxes;
  static QtCursor cursor;
  static QtEventPump pump;
  static QtProgramStart programs;
  pcore::install_message_box(&boxes);
  pcore::install_cursor_service(&cursor);
  pcore::install_event_pump(&pump);
  pcore::install_program_start(&programs);
  pcore::install_clipboard(&qt_clipboard());
  install_colour_chooser();
}

std::unique_ptr<QSettings> profile() {
  return std::make_unique<QSettings>(kOrganisation, QCoreApplication::applicationName());
}

QWidget* dialog_parent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace pqt
