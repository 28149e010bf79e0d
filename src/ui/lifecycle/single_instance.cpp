#include "ui/lifecycle/single_instance.h"

#include "platform/linux/browser/peer_check.h"
#include "platform/linux/browser/runtime_dir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace norvane::ui {

namespace {

constexpr int connectLimitMs = 3000;
constexpr int replyLimitMs = 3000;

} // namespace

SingleInstance::SingleInstance(QString dir, QObject* parent) : QObject(parent), dir_(std::move(dir)) {}

SingleInstance::~SingleInstance()
{
    if (server_ != nullptr) {
        server_->close();
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

QString SingleInstance::defaultDirectory()
{
    std::string error;
    const auto dir = linux_browser::bridgeDirectory(error);
    return dir ? QString::fromStdString(*dir) : QString();
}

SingleInstance::Role SingleInstance::claim(const QString& request)
{
    std::string error;
    if (dir_.isEmpty() || !linux_browser::ensurePrivateDirectory(dir_.toStdString(), error)) {
        error_ = QStringLiteral("no private runtime folder: ") + QString::fromStdString(error);
        return Role::unavailable;
    }
    const QByteArray lockPath = QFile::encodeName(dir_ + QStringLiteral("/instance.lock"));
    lockFd_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        error_ = QStringLiteral("cannot open ") + QString::fromLocal8Bit(lockPath);
        return Role::unavailable;
    }
    // The lock decides alone, so two quick starts never both become primary.
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        return listen() ? Role::primary : Role::unavailable;
    }
    ::close(lockFd_);
    lockFd_ = -1;
    return forward(request) ? Role::forwarded : Role::failed;
}

bool SingleInstance::listen()
{
    const QString path = dir_ + QStringLiteral("/instance");
    QLocalServer::removeServer(path); // a socket left by a process that died
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        error_ = QStringLiteral("cannot listen on ") + path + QStringLiteral(": ") + server_->errorString();
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto peer = linux_browser::peerCredentials(static_cast<int>(socket->socketDescriptor()));
        if (!linux_browser::peerAllowed(peer, ::getuid())) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 256) {
                    socket->abort();
                }
                return;
            }
            const QString request = QString::fromUtf8(socket->readLine(256)).trimmed();
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            emit requested(request);
        });
    }
}

bool SingleInstance::forward(const QString& request)
{
    const QString path = dir_ + QStringLiteral("/instance");
    QElapsedTimer waited;
    waited.start();
    // The running instance may have the lock but not be listening yet.
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(path);
        if (socket.waitForConnected(500)) {
            break;
        }
        if (waited.elapsed() > connectLimitMs) {
            error_ = QStringLiteral("another Norvane holds the lock but does not answer on ") + path;
            return false;
        }
        QThread::msleep(50);
    }
    socket.write(request.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(replyLimitMs) || !socket.waitForReadyRead(replyLimitMs)) {
        error_ = QStringLiteral("the running Norvane did not answer");
        return false;
    }
    return socket.readLine().trimmed() == "ok";
}

} // namespace norvane::ui
