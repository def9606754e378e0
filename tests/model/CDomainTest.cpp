#include "model/CDomain.h"
#include "model/CTernData.h"

#include "storage/CNativeFileSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace Orvanta {
namespace {

class DomainTest : public ::testing::Test {
protected:
    void SetUp() override { CDomain::Instance().ClearUndo(); }
    void TearDown() override {
        CDomain::Instance().ClearUndo();
        CDomain::Instance().ReleaseReporters();
        CDomain::Instance().SetFileSystem(nullptr);
    }
    CDomain& domain = CDomain::Instance();
};

TEST_F(DomainTest, UndoTogglesAcrossTwoRegisteredProjects) {
    CTernData a;
    CTernData b;
    a.m_patches[0].m_path = "a-before";
    b.m_waves[3].m_path = "b-before";
    ASSERT_TRUE(domain.SaveUndo(kUndoBoth, &a));
    ASSERT_TRUE(domain.SaveUndo(kUndoBoth, &b));
    a.m_patches[0].m_path = "a-after";
    b.m_waves[3].m_path = "b-after";

    EXPECT_FALSE(domain.IsUndone());
    domain.Undo();
    EXPECT_EQ(a.m_patches[0].m_path, "a-before");
    EXPECT_EQ(b.m_waves[3].m_path, "b-before");
    EXPECT_EQ(a.m_patches.size(), 512U);
    EXPECT_TRUE(domain.IsUndone()) << "the next Undo redoes";
    domain.Undo();
    EXPECT_EQ(a.m_patches[0].m_path, "a-after");
    EXPECT_EQ(b.m_waves[3].m_path, "b-after");
    EXPECT_TRUE(domain.HasUndo());
    EXPECT_FALSE(domain.IsUndone());
    domain.Undo();
    domain.ClearUndo();
    EXPECT_FALSE(domain.IsUndone()) << "a new change starts undone-free";
}

TEST_F(DomainTest, PatchesOnlyRegistrationLeavesWavesAlone) {
    CTernData a;
    ASSERT_TRUE(domain.SaveUndo(kUndoPatches, &a));
    a.m_patches[1].m_path = "new patch";
    a.m_waves[1].m_path = "new wave";
    domain.Undo();
    EXPECT_TRUE(a.m_patches[1].IsEmpty());
    EXPECT_EQ(a.m_waves[1].m_path, "new wave");
}

TEST_F(DomainTest, ThirdRegistrationIsRefusedAndChangesNothing) {
    CTernData a;
    CTernData b;
    CTernData c;
    EXPECT_TRUE(domain.SaveUndo(kUndoPatches, &a));
    EXPECT_TRUE(domain.SaveUndo(kUndoPatches, &b));
    EXPECT_FALSE(domain.SaveUndo(kUndoPatches, &c));
    EXPECT_FALSE(domain.IsUndoProject(&c));
    c.m_patches[0].m_path = "c";
    domain.Undo();
    EXPECT_EQ(c.m_patches[0].m_path, "c");
    EXPECT_FALSE(domain.SaveUndo(2, &a)) << "an unknown kind is refused too";
}

TEST_F(DomainTest, ClearUndoAndDestroyedContainerLeaveNothingToUndo) {
    CTernData a;
    ASSERT_TRUE(domain.SaveUndo(kUndoBoth, &a));
    a.m_patches[0].m_path = "x";
    domain.ClearUndo();
    EXPECT_FALSE(domain.HasUndo());
    domain.Undo();
    EXPECT_EQ(a.m_patches[0].m_path, "x");

    {
        CTernData gone;
        ASSERT_TRUE(domain.SaveUndo(kUndoBoth, &gone));
        EXPECT_TRUE(domain.IsUndoProject(&gone));
    }
    EXPECT_FALSE(domain.HasUndo()) << "destroying a registered project clears the undo state";
    domain.Undo(); // must not touch the destroyed container (the sanitizer build would report it)
}

class CountingReporter : public CTernTextOut {
public:
    explicit CountingReporter(int& destroyed) : m_destroyed(destroyed) {}
    ~CountingReporter() override { ++m_destroyed; }

private:
    int& m_destroyed;
};

TEST_F(DomainTest, SharedReporterIsReleasedExactlyOnce) {
    int destroyed = 0;
    auto shared = std::make_shared<CountingReporter>(destroyed);
    domain.SetReporter(0, shared);
    domain.SetReporter(1, shared);
    shared.reset();
    domain.SetReporter(0, std::make_shared<CTernTextOut>());
    EXPECT_EQ(destroyed, 0) << "slot 1 still holds it";
    domain.ReleaseReporters();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(domain.Reporter(0), nullptr);
    EXPECT_EQ(domain.Reporter(1), nullptr);
}

TEST_F(DomainTest, PendingErrorCodeTravelsThroughTheTextBuffer) {
    EXPECT_EQ(domain.PendingErrorCode(), 0);
    domain.SetReporter(1, std::make_shared<CTernTextOutBuffer>());
    domain.ReportToTextBuffer(2);
    EXPECT_EQ(domain.PendingErrorCode(), 2);
    domain.ReportToTextBuffer(0);
    EXPECT_EQ(domain.PendingErrorCode(), 0);
    EXPECT_EQ(domain.MessageReporter().Ask(kButtonsOkCancel, kAskDelete), 0) << "no message reporter: silent";
}

class HugeFileSystem : public CNativeFileSystem {
public:
    std::int64_t FileSize(const std::string& path) override {
        m_lastPath = path;
        return path.ends_with("huge") ? (std::int64_t{4} << 30) + 5 : CNativeFileSystem::FileSize(path);
    }
    CFileStamp Stamp(const std::string& path) override { return CFileStamp{FileSize(path), -1}; }
    std::string m_lastPath;
};

TEST_F(DomainTest, FileSizeIsSixtyFourBitAndZeroWhenUnknown) {
    EXPECT_EQ(domain.FileSize(""), 0);
    EXPECT_EQ(domain.FileSize("/no/such/folder/file.wav"), 0);

    const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "orvanta_filesize.bin";
    {
        std::ofstream out(file, std::ios::binary);
        out << std::string(1234, 'x');
    }
    EXPECT_EQ(domain.FileSize(file.generic_string()), 1234);
    std::filesystem::remove(file);

    HugeFileSystem huge;
    domain.SetFileSystem(&huge);
    EXPECT_EQ(domain.FileSize("/x/huge"), (std::int64_t{4} << 30) + 5) << "4 GB must not wrap";
    domain.SetSeparator("\\");
    EXPECT_EQ(domain.FileSize("/x/huge"), (std::int64_t{4} << 30) + 5);
    EXPECT_EQ(huge.m_lastPath, "\\x\\huge") << "the separator is applied before the file is opened";
    domain.SetSeparator("/");
}

TEST(CTernTextOut, IndentAppliesAtLineStarts) {
    CTernTextOutBuffer buffer;
    buffer.Indent(2);
    buffer.Write("a\nb");
    EXPECT_EQ(buffer.LastText(), "  a\n  b");
    buffer.Write("c\n");
    EXPECT_EQ(buffer.LastText(), "c\n") << "no indent where the previous text did not end a line";
    buffer.Write("d");
    EXPECT_EQ(buffer.LastText(), "  d");
    buffer.Indent(2);
    EXPECT_EQ(buffer.IndentText(), "    ");
    buffer.Indent(-100);
    EXPECT_EQ(buffer.IndentText(), "");
    buffer.Printf("\n%03d %s", 7, "Pad");
    EXPECT_EQ(buffer.LastText(), "\n007 Pad");
}

TEST(CTernTextOut, BufferKeepsLastCodeAndAnswersZero) {
    CTernTextOutBuffer buffer;
    buffer.Error(7);
    EXPECT_EQ(buffer.LastCode(), 7);
    buffer.Error(0);
    EXPECT_EQ(buffer.LastCode(), 0);
    EXPECT_EQ(buffer.Ask(kButtonsYesNoCancel, kAskDelete), 0);
    CTernTextOut base;
    EXPECT_EQ(base.Ask(kButtonsYesNo, kAskReplaceProject), 0);
    EXPECT_EQ(base.Reserved(1, 2), 0);
}

TEST(CTernTextOut, CodeTables) {
    EXPECT_STREQ(ErrorText(1), "This project could not be loaded.");
    EXPECT_STREQ(ErrorText(8), "Can't add wave; the total size of all waves would exceed 50 MB.");
    EXPECT_STREQ(ErrorText(3), "Undefined error.");
    EXPECT_STREQ(QuestionText(11), "Do you want to delete the last data, and then insert?");
    EXPECT_STREQ(QuestionText(99), "");
}

} // namespace
} // namespace Orvanta
