// One window per user. The first talewick-desktop listens on a local socket named after the user;
// a second one (started from the menu, by the browser for a talewick:// address, by a shortcut
// for quick-add) hands its request to the first and exits, so that the request lands in the
// window already open instead of in a second window over the same stores.
//
// A request is one line of text: a talewick:// address, "quick-add", or "" (just show the
// window). Control characters are dropped on arrival; a request over MAX_REQUEST bytes is
// ignored.
#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>

namespace talewick::integration {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    first,      // this process listens: it handles its own request, and `requested` the others'
    forwarded,  // another process had the socket and was handed the request: exit 0
  };
  static constexpr qsizetype MAX_REQUEST = 8192;

  // "talewick-desktop-<uid>".
  static QString defaultName();

  // `name` is a socket name (placed in the temporary folder) or an absolute path.
  explicit SingleInstance(const QString& name = defaultName(), QObject* parent = nullptr);

  // Hands `request` to the instance already listening, or becomes the one that listens. A socket
  // file that nobody answers on (left by a crash) is removed and taken over. Throws
  // std::runtime_error when the socket can be neither reached nor made.
  Role start(const QString& request);

  // Where the socket is.
  const QString& path() const { return path_; }

 signals:
  // In the first instance: a request another instance handed over.
  void requested(const QString& request);

 private:
  bool forward(const QString& request) const;
  void accept();
  void read(QLocalSocket& socket);

  QString path_;
  QLocalServer server_;
};

}  // namespace talewick::integration
