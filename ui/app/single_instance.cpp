#include "ui/app/single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include "ui/logic/handover.h"

namespace qv {

namespace {

QString CanonicalPath(const QString& path) {
  const QFileInfo file(path);
  const QString canonical = file.canonicalFilePath();
  if (!canonical.isEmpty()) return canonical;
  // The first start creates the file: its folder may exist already.
  const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? file.absoluteFilePath() : folder + '/' + file.fileName();
}

QString BasePath(const QString& settings_path) {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty())
    runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  const std::string key = HandoverKey(CanonicalPath(settings_path).toStdString());
  return QDir(runtime).filePath(QString::fromStdString(key));
}

std::string_view View(const QByteArray& bytes) {
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

QString TSingleInstance::SocketPath(const QString& settings_path) {
  return BasePath(settings_path) + ".socket";
}

TSingleInstance::TSingleInstance(const QString& settings_path, int read_limit_ms, QObject* parent)
    : QObject(parent),
      socket_path_(SocketPath(settings_path)),
      read_limit_ms_(read_limit_ms),
      lock_(BasePath(settings_path) + ".lock") {
  // A running copy's lock never ages; only a dead owner frees it.
  lock_.setStaleLockTime(0);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
}

TSingleInstance::~TSingleInstance() { server_.close(); }

bool TSingleInstance::Acquire() {
  if (!lock_.tryLock(0)) return false;
  QLocalServer::removeServer(socket_path_);
  return server_.listen(socket_path_);
}

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    // A peer that never finishes its message is dropped.
    QTimer::singleShot(read_limit_ms_, socket, [socket] { socket->abort(); });
  }
}

void TSingleInstance::Read(QLocalSocket* socket) {
  QByteArray received = socket->property("received").toByteArray();
  received += socket->read(static_cast<qint64>(kHandoverMaxBytes) - received.size() + 1);
  socket->setProperty("received", received);
  switch (ParseHandover(View(received))) {
    case THandoverMessage::kIncomplete:
      return;
    case THandoverMessage::kAnnounce:
      socket->write(kHandoverAnswer.data(), static_cast<qint64>(kHandoverAnswer.size()));
      socket->disconnectFromServer();
      emit viewRequested();
      return;
    default:
      socket->abort();
  }
}

bool TSingleInstance::HandOver(const QString& settings_path, int limit_ms) {
  QLocalSocket socket;
  socket.connectToServer(SocketPath(settings_path));
  if (!socket.waitForConnected(limit_ms)) return false;
  socket.write(kHandoverAnnounce.data(), static_cast<qint64>(kHandoverAnnounce.size()));
  if (!socket.waitForBytesWritten(limit_ms)) return false;
  QByteArray received;
  while (ParseHandover(View(received)) == THandoverMessage::kIncomplete) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(limit_ms)) return false;
    received += socket.read(static_cast<qint64>(kHandoverMaxBytes) - received.size());
  }
  return ParseHandover(View(received)) == THandoverMessage::kAnswer;
}

}  // namespace qv
