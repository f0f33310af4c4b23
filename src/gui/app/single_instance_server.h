// The running instance's end of the single-instance rule: listens on the
// local socket that a second start connects to, and takes its forwarded
// command line.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QLocalServer;

namespace sorvi {

class SingleInstanceServer : public QObject {
  Q_OBJECT
 public:
  // `on_raise` runs for every connection; `on_command_line` with the payload
  // of a connection that brought one, after the sender was answered.
  SingleInstanceServer(std::function<void()> on_raise,
                       std::function<void(const std::vector<uint8_t>&)> on_command_line,
                       QObject* parent = nullptr);
  // Starts listening unless another live instance already does.
  bool listen();
  // Why listen() did not listen.
  const QString& failure() const { return failure_; }

 private:
  void accept();
  bool fail(const QString& why);

  QString failure_;
  QLocalServer* server_;
  std::function<void()> on_raise_;
  std::function<void(const std::vector<uint8_t>&)> on_command_line_;
};

}  // namespace sorvi
