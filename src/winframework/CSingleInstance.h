#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace Orvanta {

// One primary process per user. A lock file in the per-user runtime folder decides who is
// primary (a lock left by a crashed process is stale and taken over); the primary listens on a
// local socket in that folder, open to the same user only. A later start hands the primary the
// project it was asked to open (or nothing) and ends.
//
// Messages on the socket come from any process of the user and are checked before use: a fixed
// header, a length of at most kMaxPathBytes, valid UTF-8, no control characters, and an
// absolute path (or none). Anything else is dropped and the connection closed.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxPathBytes = 16 * 1024;
    static constexpr int kMaxPendingConnections = 8;

    // `name` names the lock and the socket inside `runtimeFolder` (empty: the user's runtime
    // folder, QStandardPaths::RuntimeLocation).
    explicit CSingleInstance(const QString& name, const QString& runtimeFolder = {}, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // Takes the lock and starts listening: true when this process is the primary one. False when
    // another live process holds the lock, or the folder or the socket cannot be used (see
    // ErrorText).
    bool BecomePrimary();
    [[nodiscard]] bool IsPrimary() const { return m_primary; }
    // For a later start: sends `projectPath` (made absolute; empty asks only to raise the window)
    // to the primary. Retries until `timeoutMs` passes, since the primary may still be starting.
    bool SendToPrimary(const QString& projectPath, int timeoutMs = 5000);

    [[nodiscard]] QString LockFilePath() const;
    [[nodiscard]] QString ServerPath() const;
    [[nodiscard]] const QString& ErrorText() const { return m_error; }

    // The message format: "ORVANTA1", a 4-byte big-endian length, then the path in UTF-8.
    static QByteArray EncodeMessage(const QString& projectPath);
    // A complete, valid message gives its path (possibly empty); anything else gives nothing.
    static std::optional<QString> DecodeMessage(const QByteArray& message);
    // True once `buffer` holds a whole message or proves it can never be valid.
    static bool IsMessageComplete(const QByteArray& buffer);

signals:
    // A later start asked the primary to raise its window and open `projectPath` (may be empty).
    void ActivationRequested(const QString& projectPath);
    // A message was refused (for tests and diagnostics).
    void MessageRejected();

private:
    // Whether a process accepts a connection on the socket.
    [[nodiscard]] bool IsPrimaryAnswering() const;
    // Takes the lock over from a lock file that names no process when no primary answers; true
    // when this process holds the lock then.
    bool TakeOverUnreadableLock();
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QString m_name;
    QString m_folder;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
};

} // namespace Orvanta
