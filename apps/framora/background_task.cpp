#include "apps/framora/background_task.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/core/message_box.h"

namespace framora {

namespace {

// Hands boxes asked for on the worker thread to the service installed for the window's thread.
class ForwardingMessageBox : public pcore::MessageBoxService {
 public:
  explicit ForwardingMessageBox(pcore::MessageBoxService& inner) : inner_(inner) {}
  int show(const void* owner, const std::string& text, const std::string& caption, pcore::MessageIcon icon,
           pcore::MessageButtons buttons) override {
    if (QThread::currentThread() == qApp->thread()) return inner_.show(owner, text, caption, icon, buttons);
    int answer = pcore::default_button(buttons);
    QMetaObject::invokeMethod(
        qApp, [&] { answer = inner_.show(owner, text, caption, icon, buttons); },
        Qt::BlockingQueuedConnection);
    return answer;
  }

 private:
  pcore::MessageBoxService& inner_;
};

}  // namespace

bool run_in_background(QWidget* owner, const QString& label, const std::function<bool()>& work) {
  pcore::MessageBoxService& previous = pcore::message_box();
  ForwardingMessageBox forwarding(previous);
  pcore::install_message_box(&forwarding);

  QProgressDialog progress(label, QString(), 0, 0, owner);
  progress.setObjectName("WorkProgress");
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(400);
  progress.setCancelButton(nullptr);

  std::atomic<bool> result{false};
  QEventLoop loop;
  std::thread worker([&] {
    result = work();
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  // The box is modal: no command can change the document while the worker reads or writes it.
  progress.setValue(0);
  loop.exec();
  worker.join();
  progress.reset();
  pcore::install_message_box(&previous);
  return result;
}

}  // namespace framora
