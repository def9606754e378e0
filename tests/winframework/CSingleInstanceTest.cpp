#include "QtTestSupport.h"

#include "winframework/CSingleInstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

const QString kName = QStringLiteral("orvanta-test");

TEST(SingleInstance, TheFirstIsPrimaryAndASecondIsNot) {
    QTemporaryDir folder;
    CSingleInstance first(kName, folder.path());
    ASSERT_TRUE(first.BecomePrimary());
    CSingleInstance second(kName, folder.path());
    EXPECT_FALSE(second.BecomePrimary());
    EXPECT_FALSE(second.IsPrimary());
}

TEST(SingleInstance, ALockLeftByACrashedProcessIsTakenOver) {
    QTemporaryDir folder;
    QProcess crashed;
    crashed.start(QStringLiteral(ORVANTA_INSTANCE_HELPER), {QStringLiteral("crash-primary"), folder.path()});
    ASSERT_TRUE(crashed.waitForFinished(10000));
    ASSERT_EQ(crashed.exitCode(), 0);

    CSingleInstance next(kName, folder.path());
    ASSERT_TRUE(QFile::exists(next.LockFilePath())); // the crash left its lock behind
    EXPECT_TRUE(next.BecomePrimary()) << next.ErrorText().toStdString();
}

// A lock file that names no process (empty, cut short, garbage) is stale once nothing answers on the
// socket, also beside the socket file of a crashed primary; it is kept while a primary answers.
TEST(SingleInstance, AnUnreadableLockIsStaleOnceNoProcessAnswers) {
    const struct {
        QByteArray contents;
        bool afterCrash;
    } cases[] = {
        {QByteArray(), false},
        {QByteArray("garbage"), false},
        {QByteArray("\xff\xfe\x00\n\n", 5), false},
        {QByteArray("0\norvanta\n\n"), false},
        {QByteArray("12x\n"), true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.contents.toHex().toStdString());
        QTemporaryDir folder;
        if (test.afterCrash) {
            QProcess crashed;
            crashed.start(QStringLiteral(ORVANTA_INSTANCE_HELPER), {QStringLiteral("crash-primary"), folder.path()});
            ASSERT_TRUE(crashed.waitForFinished(10000));
            ASSERT_EQ(crashed.exitCode(), 0);
        }
        CSingleInstance next(kName, folder.path());
        QFile lock(next.LockFilePath());
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        lock.write(test.contents);
        lock.close();
        EXPECT_TRUE(next.BecomePrimary()) << next.ErrorText().toStdString();
    }

    QTemporaryDir folder;
    CSingleInstance primary(kName, folder.path());
    ASSERT_TRUE(primary.BecomePrimary());
    QFile lock(primary.LockFilePath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.close();
    CSingleInstance later(kName, folder.path());
    EXPECT_FALSE(later.BecomePrimary());
    EXPECT_TRUE(QFile::exists(primary.LockFilePath()));
    EXPECT_TRUE(later.SendToPrimary(QString(), 2000)) << later.ErrorText().toStdString();
}

TEST(SingleInstance, ALaterStartHandsItsProjectToThePrimary) {
    QTemporaryDir folder;
    CSingleInstance primary(kName, folder.path());
    ASSERT_TRUE(primary.BecomePrimary());
    QSignalSpy requests(&primary, &CSingleInstance::ActivationRequested);

    CSingleInstance later(kName, folder.path());
    ASSERT_FALSE(later.BecomePrimary());
    ASSERT_TRUE(later.SendToPrimary(QStringLiteral("/data/My, Song.prj")));
    ASSERT_TRUE(requests.wait(5000));
    EXPECT_EQ(requests.front().front().toString(), QStringLiteral("/data/My, Song.prj"));

    ASSERT_TRUE(later.SendToPrimary(QString()));
    ASSERT_TRUE(requests.count() == 2 || requests.wait(5000));
    EXPECT_EQ(requests.at(1).front().toString(), QString());
}

TEST(SingleInstance, ASecondProcessReachesThePrimaryProcess) {
    QTemporaryDir folder;
    QProcess primary;
    primary.start(QStringLiteral(ORVANTA_INSTANCE_HELPER), {QStringLiteral("primary"), folder.path()});
    ASSERT_TRUE(primary.waitForReadyRead(10000));
    ASSERT_EQ(primary.readLine().trimmed(), QByteArray("ready"));

    CSingleInstance later(kName, folder.path());
    EXPECT_FALSE(later.BecomePrimary());
    ASSERT_TRUE(later.SendToPrimary(QStringLiteral("/data/B.prj")));
    ASSERT_TRUE(primary.waitForFinished(10000));
    EXPECT_EQ(primary.readAllStandardOutput().trimmed(), QByteArray("open:/data/B.prj"));
}

TEST(SingleInstance, MalformedMessagesAreRefused) {
    QTemporaryDir folder;
    CSingleInstance primary(kName, folder.path());
    ASSERT_TRUE(primary.BecomePrimary());
    QSignalSpy requests(&primary, &CSingleInstance::ActivationRequested);
    QSignalSpy rejected(&primary, &CSingleInstance::MessageRejected);

    QByteArray tooLong = CSingleInstance::EncodeMessage(QString());
    tooLong[11] = '\x7f'; // a length far beyond the limit
    const QList<QByteArray> attacks{
        QByteArray("GET / HTTP/1.0\r\n\r\n"),
        CSingleInstance::EncodeMessage(QStringLiteral("relative/path.prj")),
        CSingleInstance::EncodeMessage(QStringLiteral("/data/a\nb.prj")),
        tooLong,
    };
    for (const QByteArray& attack : attacks) {
        QLocalSocket socket;
        socket.connectToServer(primary.ServerPath());
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(attack);
        socket.waitForBytesWritten(2000);
        const qsizetype before = rejected.count();
        EXPECT_TRUE(QTest::qWaitFor([&] { return rejected.count() > before; }, 5000));
    }
    EXPECT_EQ(requests.count(), 0);
}

TEST(SingleInstance, MessageDecoding) {
    EXPECT_EQ(CSingleInstance::DecodeMessage(CSingleInstance::EncodeMessage(QStringLiteral("/ä/ö.prj"))),
              std::optional<QString>(QStringLiteral("/ä/ö.prj")));
    EXPECT_EQ(CSingleInstance::DecodeMessage(CSingleInstance::EncodeMessage(QString())),
              std::optional<QString>(QString()));

    QByteArray badUtf8 = CSingleInstance::EncodeMessage(QStringLiteral("/ab"));
    badUtf8[13] = '\xff';
    EXPECT_FALSE(CSingleInstance::DecodeMessage(badUtf8).has_value());

    QByteArray trailing = CSingleInstance::EncodeMessage(QStringLiteral("/a"));
    trailing.append('x');
    EXPECT_FALSE(CSingleInstance::DecodeMessage(trailing).has_value());

    const QByteArray message = CSingleInstance::EncodeMessage(QStringLiteral("/a.prj"));
    EXPECT_FALSE(CSingleInstance::IsMessageComplete(message.left(5)));
    EXPECT_FALSE(CSingleInstance::IsMessageComplete(message.left(message.size() - 1)));
    EXPECT_TRUE(CSingleInstance::IsMessageComplete(message));
    EXPECT_TRUE(CSingleInstance::IsMessageComplete(QByteArray("XRVANTA1")));
}

} // namespace
} // namespace Orvanta
