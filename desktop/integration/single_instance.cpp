#include "integration/single_instance.hpp"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <stdexcept>

namespace talewick::integration {
namespace {

// How long a second instance gives the first to take its request, and two instances starting at
// once give each other to settle who listens. Local sockets answer at once: these only bound a
// stuck peer.
constexpr int kPeerWaitMs = 2000;

QString withoutControlCharacters(const QString& text) {
  QString clean;
  clean.reserve(text.size());
  for (const QChar c : text) {
    if (c.category() != QChar::Other_Control) clean += c;
  }
  return clean;
}

}  // namespace

QString SingleInstance::defaultName() {
  return QStringLiteral("talewick-desktop-%1").arg(::getuid());
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent),
      path_(QDir::isAbsolutePath(name) ? name : QDir(QDir::tempPath()).filePath(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::Role SingleInstance::start(const QString& request) {
  // Two instances started together must not both find the socket dead and both listen: the
  // check and the listening happen under a lock (which a crashed holder does not keep).
  QLockFile starting(path_ + QStringLiteral(".lock"));
  starting.tryLock(kPeerWaitMs);
  if (forward(request)) return Role::forwarded;
  // Nobody answers: whatever is at the path was left by an instance that ended without closing.
  QLocalServer::removeServer(path_);
  if (!server_.listen(path_)) {
    throw std::runtime_error(
        QStringLiteral("%1: %2").arg(path_, server_.errorString()).toStdString());
  }
  return Role::first;
}

bool SingleInstance::forward(const QString& request) const {
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(kPeerWaitMs)) return false;
  socket.write(withoutControlCharacters(request).toUtf8() + '\n');
  // Written into the socket, the line waits there for the first instance to read it, even after
  // this one has gone.
  const bool written = socket.waitForBytesWritten(kPeerWaitMs) || socket.bytesToWrite() == 0;
  socket.disconnectFromServer();
  return written;
}

void SingleInstance::accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(*socket); });
    if (socket->bytesAvailable() > 0) read(*socket);
  }
}

void SingleInstance::read(QLocalSocket& socket) {
  if (!socket.canReadLine()) {
    // A peer that sends more than a request without ending it is cut off.
    if (socket.bytesAvailable() > MAX_REQUEST) socket.abort();
    return;
  }
  const QByteArray line = socket.readLine(MAX_REQUEST + 2);
  socket.disconnectFromServer();
  if (!line.endsWith('\n')) return;
  emit requested(withoutControlCharacters(QString::fromUtf8(line.chopped(1))));
}

}  // namespace talewick::integration
