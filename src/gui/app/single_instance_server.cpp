#include "gui/app/single_instance_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>
#include <memory>

#include "app/command_line.h"
#include "app/single_instance.h"

namespace sorvi {

namespace {
// A forwarded command line is small; anything longer is not one.
const qint64 kMaxPayload = 1 << 20;
}  // namespace

SingleInstanceServer::SingleInstanceServer(std::function<void()> on_raise,
                                           std::function<void(const std::vector<uint8_t>&)> on_command_line,
                                           QObject* parent)
    : QObject(parent),
      server_(new QLocalServer(this)),
      on_raise_(std::move(on_raise)),
      on_command_line_(std::move(on_command_line)) {
  connect(server_, &QLocalServer::newConnection, this, &SingleInstanceServer::accept);
}

bool SingleInstanceServer::listen() {
  const QString path = QString::fromLocal8Bit(single_instance_socket_path().c_str());
  QLocalSocket probe;
  probe.connectToServer(path);
  if (probe.waitForConnected(500)) {
    probe.disconnectFromServer();
    return false;  // another instance is alive and keeps the name
  }
  QLocalServer::removeServer(path);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  return server_->listen(path);
}

void SingleInstanceServer::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    // Answers the sender and hands the message on, once per connection:
    // when the whole command line has arrived (the sender waits for the
    // answer), or when the sender has finished (a bare request to raise
    // the window, or whatever part arrived).
    auto finish = [this, socket, buffer] {
      if (socket->property("sorvi_done").toBool()) return;
      socket->setProperty("sorvi_done", true);
      if (socket->bytesAvailable() > 0) buffer->append(socket->readAll());
      std::vector<uint8_t> payload;
      if (buffer->size() <= kMaxPayload) payload.assign(buffer->begin(), buffer->end());
      if (socket->state() == QLocalSocket::ConnectedState) {
        const char ack = 1;
        socket->write(&ack, 1);
        socket->flush();
        socket->disconnectFromServer();
      }
      socket->deleteLater();
      // Handle the message after the sender was answered, so a message box
      // shown here never keeps the second start waiting.
      QTimer::singleShot(0, this, [this, payload] {
        if (on_raise_) on_raise_();
        if (!payload.empty() && on_command_line_) on_command_line_(payload);
      });
    };
    connect(socket, &QLocalSocket::readyRead, this, [socket, buffer, finish] {
      buffer->append(socket->readAll());
      if (buffer->size() > kMaxPayload) {
        socket->abort();
        return;
      }
      std::vector<std::string> args;
      const std::vector<uint8_t> bytes(buffer->begin(), buffer->end());
      if (split_forwarded_command_line(bytes, &args)) finish();
    });
    connect(socket, &QLocalSocket::readChannelFinished, this, finish);
    connect(socket, &QLocalSocket::disconnected, this, finish);
  }
}

}  // namespace sorvi
