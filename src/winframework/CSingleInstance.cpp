#include "winframework/CSingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

namespace Orvanta {

namespace {

constexpr char kMagic[] = "ORVANTA1";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 4;
// A sender that does not finish its message in this time is dropped.
constexpr int kReadTimeoutMs = 2000;
// A primary that does not accept a connection in this time counts as absent.
constexpr int kProbeTimeoutMs = 1000;

// Whether the lock file at `path` holds the details of a process (it exists and is readable).
bool NamesAProcess(const QString& path) {
    qint64 pid = 0;
    QString hostname;
    QString application;
    return QLockFile(path).getLockInfo(&pid, &hostname, &application);
}

quint32 ReadLength(const QByteArray& buffer) {
    const auto byte = [&buffer](qsizetype at) { return static_cast<quint32>(static_cast<unsigned char>(buffer[at])); };
    return (byte(kMagicSize) << 24) | (byte(kMagicSize + 1) << 16) | (byte(kMagicSize + 2) << 8) | byte(kMagicSize + 3);
}

} // namespace

CSingleInstance::CSingleInstance(const QString& name, const QString& runtimeFolder, QObject* parent)
    : QObject(parent), m_name(name), m_folder(runtimeFolder) {
    if (m_folder.isEmpty()) {
        m_folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
}

CSingleInstance::~CSingleInstance() {
    if (m_server != nullptr) {
        m_server->close();
    }
    if (m_lock) {
        m_lock->unlock();
    }
}

QString CSingleInstance::LockFilePath() const {
    return QDir(m_folder).filePath(m_name + QStringLiteral(".lock"));
}

QString CSingleInstance::ServerPath() const {
    return QDir(m_folder).filePath(m_name + QStringLiteral(".socket"));
}

bool CSingleInstance::BecomePrimary() {
    if (m_primary) {
        return true;
    }
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("No runtime folder for the single-instance lock.");
        return false;
    }
    m_lock = std::make_unique<QLockFile>(LockFilePath());
    // The lock lives as long as the process; only a dead owner makes it stale, never its age.
    m_lock->setStaleLockTime(0);
    bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError) {
        locked = TakeOverUnreadableLock();
    }
    if (!locked) {
        m_error = m_lock->error() == QLockFile::LockFailedError
                      ? QStringLiteral("Another instance is running.")
                      : QStringLiteral("The single-instance lock cannot be created.");
        m_lock.reset();
        return false;
    }
    // A socket file left by a crashed primary is ours to replace now that we hold the lock.
    QLocalServer::removeServer(ServerPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(kMaxPendingConnections);
    if (!m_server->listen(ServerPath())) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        m_lock->unlock();
        m_lock.reset();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    m_primary = true;
    return true;
}

bool CSingleInstance::IsPrimaryAnswering() const {
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    const bool answered = socket.waitForConnected(kProbeTimeoutMs);
    socket.abort();
    return answered;
}

bool CSingleInstance::TakeOverUnreadableLock() {
    // A lock file that names no process (empty, cut short, overwritten) never goes stale through
    // its owner's death, having no owner: it is stale once no primary answers on the socket.
    if (NamesAProcess(LockFilePath()) || IsPrimaryAnswering()) {
        return false;
    }
    // One process at a time removes it and takes the lock, and only while it still names nobody:
    // a process that took the lock in the meantime has written its details into it.
    QLockFile removal(LockFilePath() + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0) || NamesAProcess(LockFilePath())) {
        return false;
    }
    m_lock->removeStaleLockFile();
    return m_lock->tryLock(0);
}

bool CSingleInstance::SendToPrimary(const QString& projectPath, int timeoutMs) {
    QString path = projectPath;
    if (!path.isEmpty()) {
        path = QFileInfo(path).absoluteFilePath();
    }
    const QByteArray message = EncodeMessage(path);
    if (!DecodeMessage(message)) {
        m_error = QStringLiteral("The project path cannot be handed over.");
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(ServerPath());
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 100)))) {
            socket.write(message);
            bool written = true;
            while (written && socket.bytesToWrite() > 0) {
                written = socket.waitForBytesWritten(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 100)));
            }
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState) {
                socket.waitForDisconnected(1000);
            }
            if (written) {
                return true;
            }
        }
        if (deadline.hasExpired()) {
            m_error = socket.errorString();
            return false;
        }
        QThread::msleep(100);
    }
}

QByteArray CSingleInstance::EncodeMessage(const QString& projectPath) {
    const QByteArray path = projectPath.toUtf8();
    QByteArray message(kMagic, kMagicSize);
    const auto length = static_cast<quint32>(path.size());
    message.append(static_cast<char>((length >> 24) & 0xFFu));
    message.append(static_cast<char>((length >> 16) & 0xFFu));
    message.append(static_cast<char>((length >> 8) & 0xFFu));
    message.append(static_cast<char>(length & 0xFFu));
    message.append(path);
    return message;
}

bool CSingleInstance::IsMessageComplete(const QByteArray& buffer) {
    const qsizetype magicPart = std::min(buffer.size(), kMagicSize);
    if (buffer.left(magicPart) != QByteArray(kMagic, magicPart)) {
        return true; // can never become valid
    }
    if (buffer.size() < kHeaderSize) {
        return false;
    }
    const quint32 length = ReadLength(buffer);
    if (length > static_cast<quint32>(kMaxPathBytes)) {
        return true;
    }
    return buffer.size() >= kHeaderSize + static_cast<qsizetype>(length);
}

std::optional<QString> CSingleInstance::DecodeMessage(const QByteArray& message) {
    if (message.size() < kHeaderSize || !message.startsWith(QByteArray(kMagic, kMagicSize))) {
        return std::nullopt;
    }
    const quint32 length = ReadLength(message);
    if (length > static_cast<quint32>(kMaxPathBytes) ||
        message.size() != kHeaderSize + static_cast<qsizetype>(length)) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString path = decoder.decode(message.mid(kHeaderSize));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter) {
            return std::nullopt;
        }
    }
    if (!path.isEmpty() && !QDir::isAbsolutePath(path)) {
        return std::nullopt;
    }
    return path;
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setReadBufferSize(kHeaderSize + kMaxPathBytes);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, [this, socket] {
            emit MessageRejected();
            socket->abort();
            socket->deleteLater();
        });
        timer->start(kReadTimeoutMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) {
            OnReadyRead(socket);
        }
    }
}

void CSingleInstance::OnReadyRead(QLocalSocket* socket) {
    QByteArray buffer = socket->property("orvantaBuffer").toByteArray();
    buffer.append(socket->read(kHeaderSize + kMaxPathBytes + 1 - buffer.size()));
    if (!IsMessageComplete(buffer)) {
        socket->setProperty("orvantaBuffer", buffer);
        return;
    }
    // One message per connection: the rest, if any, is not read.
    const quint32 length = buffer.size() >= kHeaderSize ? ReadLength(buffer) : 0;
    const qsizetype wanted = kHeaderSize + static_cast<qsizetype>(std::min<quint32>(length, kMaxPathBytes));
    const std::optional<QString> path = DecodeMessage(buffer.left(wanted));
    socket->setProperty("orvantaBuffer", QVariant());
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer* timer : socket->findChildren<QTimer*>()) {
        timer->stop();
    }
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState) {
        socket->deleteLater();
    }
    if (path) {
        emit ActivationRequested(*path);
    } else {
        emit MessageRejected();
    }
}

} // namespace Orvanta
