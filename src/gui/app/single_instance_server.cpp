#include "gui/app/single_instance_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>

#include "app/command_line.h"
#include "app/single_instance.h"

namespace sorvi {

namespace {
// A sender has this long to deliver its whole message; a connection that
// is still incomplete then is dropped.
const int kMessageTimeLimitMs = 5000;
const char kTaken = 1;
const char kRefused = 0;
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
  // Only a private directory, and at the name nothing or a socket of our
  // own; anything else is left alone and the rule is not offered.
  const QString path = QString::fromLocal8Bit(single_instance_socket_path().c_str());
  if (!single_instance_directory_is_private()) return fail(QStringLiteral("the folder of %1 is not private").arg(path));
  const SocketPathState state = single_instance_socket_state();
  if (state == SocketPathState::Foreign) return fail(QStringLiteral("%1 is not a socket of this user").arg(path));
  if (state == SocketPathState::Ours) {
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500)) {
      probe.disconnectFromServer();
      return fail(QStringLiteral("another Sorvi window takes them"));  // it keeps the name
    }
    QLocalServer::removeServer(path);  // left by an instance that ended
  }
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) return fail(QStringLiteral("%1: %2").arg(path, server_->errorString()));
  failure_.clear();
  return true;
}

bool SingleInstanceServer::fail(const QString& why) {
  failure_ = why;
  return false;
}

void SingleInstanceServer::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    if (!peer_is_this_user(static_cast<int>(socket->socketDescriptor()))) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    auto buffer = std::make_shared<QByteArray>();
    auto done = std::make_shared<bool>(false);
    // Answers the sender once and ends the connection.
    auto answer = [socket, done](char reply) {
      *done = true;
      if (socket->state() == QLocalSocket::ConnectedState) {
        socket->write(&reply, 1);
        socket->flush();
        socket->disconnectFromServer();
      }
      socket->deleteLater();
    };
    // Answers and hands the message on: when the whole command line has
    // arrived (the sender waits for the answer), or when the sender has
    // finished (a bare request to raise the window, or whatever arrived).
    auto finish = [this, socket, buffer, done, answer] {
      if (*done) return;
      if (socket->bytesAvailable() > 0) buffer->append(socket->readAll());
      if (buffer->size() > static_cast<qint64>(kMaxForwardedCommandLine)) {
        answer(kRefused);
        return;
      }
      const std::vector<uint8_t> payload(buffer->begin(), buffer->end());
      answer(kTaken);
      // Handle the message after the sender was answered, so a message box
      // shown here never keeps the second start waiting.
      QTimer::singleShot(0, this, [this, payload] {
        if (on_raise_) on_raise_();
        if (!payload.empty() && on_command_line_) on_command_line_(payload);
      });
    };
    connect(socket, &QLocalSocket::readyRead, this, [socket, buffer, done, finish, answer] {
      if (*done) return;
      buffer->append(socket->readAll());
      if (buffer->size() > static_cast<qint64>(kMaxForwardedCommandLine)) {
        answer(kRefused);
        return;
      }
      std::vector<std::string> args;
      const std::vector<uint8_t> bytes(buffer->begin(), buffer->end());
      if (split_forwarded_command_line(bytes, &args)) finish();
    });
    connect(socket, &QLocalSocket::readChannelFinished, this, finish);
    connect(socket, &QLocalSocket::disconnected, this, finish);
    QTimer::singleShot(kMessageTimeLimitMs, socket, [socket, done] {
      if (*done) return;
      *done = true;
      socket->abort();
      socket->deleteLater();
    });
  }
}

}  // namespace sorvi
