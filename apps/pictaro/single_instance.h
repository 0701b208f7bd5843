// One Pictaro per desktop: the first instance listens on a local socket named after the user and the
// display; a later start hands its files to it and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;

namespace pictaro {

// The socket name of this user's Pictaro on this display.
QString instance_name();

// Sends the files to a running instance; true when one took them (this start then ends).
bool hand_over_to_running_instance(const QString& name, const QStringList& files, int timeoutMs = 1000);

// Listens for later starts; `open` receives each one's files (possibly none: the frame comes forward).
class InstanceServer : public QObject {
  Q_OBJECT

 public:
  InstanceServer(const QString& name, std::function<void(const QStringList&)> open,
                 QObject* parent = nullptr);
  bool listening() const;

 private:
  QLocalServer* server_;
  std::function<void(const QStringList&)> open_;
};

}  // namespace pictaro
