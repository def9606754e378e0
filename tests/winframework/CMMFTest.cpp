#include "winframework/CMMF.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace Orvanta {
namespace {

QString UniqueName() {
    return QStringLiteral("orvanta-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(CMMF, TwoObjectsOfOneNameShareTheBytes) {
    const QString name = UniqueName();
    CMMF first;
    ASSERT_EQ(first.Create(name, 4), CMMF::Result::Created);
    CMMF second;
    ASSERT_EQ(second.Create(name, 4), CMMF::Result::Opened);

    const std::uint32_t value = 0xCAFE1234u;
    std::memcpy(first.Map(4), &value, sizeof value);
    std::uint32_t read = 0;
    std::memcpy(&read, second.Map(4), sizeof read);
    EXPECT_EQ(read, value);
}

TEST(CMMF, ANewBlockStartsZeroAndViewsStayInside) {
    CMMF block;
    ASSERT_EQ(block.Create(UniqueName(), 4), CMMF::Result::Created);
    EXPECT_EQ(block.Size() >= 4, true);
    std::uint32_t read = 1;
    std::memcpy(&read, block.Map(4), sizeof read);
    EXPECT_EQ(read, 0u);
    EXPECT_NE(block.Map(2, 2), nullptr);
    EXPECT_EQ(block.Map(block.Size() + 1), nullptr);
    EXPECT_EQ(block.Map(1, block.Size()), nullptr);

    CMMF unused;
    EXPECT_EQ(unused.Map(4), nullptr);
    EXPECT_EQ(unused.Create(UniqueName(), 0), CMMF::Result::Failed);
}

TEST(CMMF, TwoProcessesShareTheBytesWhileTheFirstRuns) {
    const QString name = UniqueName();
    QProcess writer;
    writer.start(QStringLiteral(ORVANTA_INSTANCE_HELPER), {QStringLiteral("mmf-write"), name, QStringLiteral("4711")});
    ASSERT_TRUE(writer.waitForReadyRead(10000));
    ASSERT_EQ(writer.readLine().trimmed(), QByteArray("ready"));

    QProcess reader;
    reader.start(QStringLiteral(ORVANTA_INSTANCE_HELPER), {QStringLiteral("mmf-read"), name});
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_EQ(reader.readAllStandardOutput().trimmed(), QByteArray("opened:4711"));

    writer.write("\n");
    writer.closeWriteChannel();
    ASSERT_TRUE(writer.waitForFinished(10000));
    EXPECT_EQ(writer.exitCode(), 0);
}

} // namespace
} // namespace Orvanta
