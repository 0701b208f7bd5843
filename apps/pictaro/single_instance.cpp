#include "apps/pictaro/single_instance.h"

#include <unistd.h>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcessEnvironment>

namespace pictaro {

QString instance_name() {
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  QString display = env.value("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = env.value("DISPLAY");
  if (display.isEmpty()) display = env.value("QT_QPA_PLATFORM", "none");
  display.replace('/', '_').replace(':', '_');
  return QString("pictaro-%1-%2").arg(getuid()).arg(display);
}

// Each path on a line of its own, UTF-8; a file name cannot contain a line break that we would split.
bool hand_over_to_running_instance(const QString& name, const QStringList& files, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  QByteArray message;
  for (const QString& f : files) message += f.toUtf8() + '\n';
  message += '\n';  // the end of the list
  socket.write(message);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

InstanceServer::InstanceServer(const QString& name, std::function<void(const QStringList&)> open,
                               QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), open_(std::move(open)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name)) {
    // A socket left behind by an instance that did not end cleanly.
    QLocalServer::removeServer(name);
    server_->listen(name);
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      auto buffer = std::make_shared<QByteArray>();
      auto deliver = [this, socket, buffer] {
        *buffer += socket->readAll();
        if (!buffer->endsWith("\n\n") && *buffer != "\n") return;
        QStringList files;
        for (const QByteArray& line : buffer->split('\n'))
          if (!line.isEmpty()) files << QString::fromUtf8(line);
        buffer->clear();
        socket->disconnectFromServer();
        open_(files);
      };
      connect(socket, &QLocalSocket::readyRead, this, deliver);
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

bool InstanceServer::listening() const {
  return server_->isListening();
}

}  // namespace pictaro
