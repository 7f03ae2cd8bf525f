#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>
#include <unistd.h>

namespace {
// A message larger than this is no list of paths from another start.
constexpr qint64 kMaxMessage = qint64(4) * 1024 * 1024;
constexpr char kTaken = 'K';
constexpr int kReceiveTimeoutMs = 5000;
} // namespace

QString TSingleInstance::LockName() {
    return QStringLiteral("tesorin.lock");
}

// Socket names live in one folder for all users, so the name carries the
// user as well as the data folder it stands for.
QString TSingleInstance::ServerName(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(canonical.isEmpty() ? folder : canonical),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return QStringLiteral("tesorin-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

TSingleInstance::TSingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder), lock_(folder + LockName()) {
    // Held for the whole run; only a dead holder makes a lock stale.
    lock_.setStaleLockTime(0);
    if (lock_.tryLock(0)) {
        role_ = TRole::First;
        Listen();
    } else if (lock_.error() == QLockFile::LockFailedError) {
        role_ = TRole::Second;
    }
}

TSingleInstance::~TSingleInstance() = default;

void TSingleInstance::Listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ServerName(folder_);
    // Holding the lock, any socket of that name is a dead program's.
    QLocalServer::removeServer(name);
    if (!server_->listen(name))
        qWarning("cannot listen for later starts: %s", qPrintable(server_->errorString()));
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Receive(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(kReceiveTimeoutMs, socket, &QLocalSocket::abort);
        }
    });
}

// The message: a 64-bit length, then the paths as a QDataStream string
// list. Anything else, or anything larger, ends the connection unread.
void TSingleInstance::Receive(QLocalSocket* socket) {
    QDataStream in(socket);
    in.startTransaction();
    qint64 size = 0;
    in >> size;
    if (size < 0 || size > kMaxMessage) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < size) {
        in.rollbackTransaction();
        return;
    }
    QStringList paths;
    in >> paths;
    if (!in.commitTransaction()) {
        socket->abort();
        return;
    }
    socket->write(&kTaken, 1);
    socket->flush();
    socket->disconnectFromServer();
    emit FilesArrived(paths);
}

bool TSingleInstance::HandOver(const QStringList& paths, int timeoutMs, QString* error) const {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(ServerName(folder_));
    QByteArray body;
    QDataStream bodyOut(&body, QIODevice::WriteOnly);
    bodyOut << paths;
    QByteArray message;
    QDataStream messageOut(&message, QIODevice::WriteOnly);
    messageOut << qint64(body.size());
    message += body;
    const auto fail = [&socket, error] {
        *error = socket.errorString();
        return false;
    };
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return fail();
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return fail();
    if (!socket.waitForReadyRead(int(deadline.remainingTime())))
        return fail();
    char answer = 0;
    if (socket.read(&answer, 1) != 1 || answer != kTaken)
        return fail();
    return true;
}
