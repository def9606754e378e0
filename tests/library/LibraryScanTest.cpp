#include "FaultyFileSystem.h"
#include "LibraryFixture.h"

#include "model/CDomain.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace Orvanta::LibraryTest {
namespace {

namespace fs = std::filesystem;
using Library::CFindQuery;
using Library::CScanResult;
using Library::ItemKind;

ProjectSpec SmallProject(int seed) {
    ProjectSpec spec;
    spec.patches = {{"001 Glass Pad.p00", {1, 2}}, {"002 Bass.p00", {2, 0}}, {"003 Empty.p00", {0, 0}}};
    spec.waves = {{"001 Piano.wav", seed}, {"002 Sub Bass.wav", seed + 1}, {"003 Spare.wav", seed + 2}};
    return spec;
}

using LibraryScan = LibraryFixture;

TEST_F(LibraryScan, FindsProjectsAtAnyDepthWithTheirPatchesAndWaves) {
    const std::string a = MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    const std::string b = MakeProject(Watched() + "/deep/er/still/", "B.PRJ", SmallProject(5));
    // A ".prj" folder without Patch/ and Wave/ is not a project; one inside a project is not looked for.
    fs::create_directories(Watched() + "/NotOne.prj/Patch");
    MakeProject(a + "/Wave/", "Inner.prj", SmallProject(9));
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error)) << error;
    const CScanResult result = ScanAll();
    EXPECT_EQ(result.projects, 2U);
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{a, b}));
    const auto patch = library.Item(a, ItemKind::kPatch, 1);
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->name, "Glass Pad");
    EXPECT_EQ(patch->file, "001 Glass Pad.p00");
    EXPECT_EQ(patch->waves, (std::vector<int>{1, 2}));
    const auto wave = library.Item(b, ItemKind::kWave, 2);
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->name, "Sub Bass");
    EXPECT_EQ(wave->sampleRate, 44100);
    EXPECT_EQ(wave->channels, 1);
    EXPECT_EQ(wave->bits, 16);
    EXPECT_EQ(wave->frames, 106);
    EXPECT_EQ(wave->bytes, static_cast<std::int64_t>(44 + 106 * 2));
    EXPECT_EQ(wave->key.size(), 32U);
}

TEST_F(LibraryScan, RescanReadsOnlyChangedFilesAndDropsProjectsThatWentAway) {
    const std::string a = MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    const std::string b = MakeProject(Watched() + "/", "B.prj", SmallProject(2));
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    EXPECT_EQ(ScanAll().filesRead, 12U);
    const CScanResult unchanged = ScanAll();
    EXPECT_EQ(unchanged.filesRead, 0U);
    EXPECT_EQ(unchanged.projectsChanged, 0U);
    // One wave gets new content and a new size; one patch file is renamed; one project goes.
    TestSupport::ProjectBuilder::WriteBytes(a + "/Wave/002 Sub Bass.wav", WavBytes(300, 22050, 2, 4));
    fs::rename(a + "/Patch/003 Empty.p00", a + "/Patch/003 Renamed.p00");
    fs::remove_all(b);
    const CScanResult changed = ScanAll();
    EXPECT_EQ(changed.filesRead, 2U);
    EXPECT_EQ(changed.projectsDropped, 1U);
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{a}));
    EXPECT_EQ(library.Item(a, ItemKind::kWave, 2)->sampleRate, 22050);
    EXPECT_EQ(library.Item(a, ItemKind::kPatch, 3)->name, "Renamed");
}

TEST_F(LibraryScan, KeepsTheProjectsOfAWatchedFolderThatCannotBeReached) {
    const std::string card = m_root / "card";
    const std::string a = MakeProject(card + "/", "A.prj", SmallProject(1));
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(card, error));
    ScanAll();
    fs::rename(card, m_root / "card-away");
    const CScanResult result = ScanAll();
    EXPECT_EQ(result.projectsDropped, 0U);
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{a}));
    ASSERT_EQ(result.notes.size(), 1U);
    // There but unreadable: an empty listing drops nothing either.
    fs::rename(m_root / "card-away", card);
    TestSupport::FaultyFileSystem faulty;
    faulty.FailOnPath(TestSupport::FaultyFileSystem::kList, card);
    faulty.FailOnPath(TestSupport::FaultyFileSystem::kQuery, card + "/");
    CDomain::Instance().SetFileSystem(&faulty);
    const CScanResult unreadable = ScanAll();
    CDomain::Instance().SetFileSystem(&NativeFileSystem());
    EXPECT_EQ(unreadable.projectsDropped, 0U);
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{a}));
    // The same for a folder inside a watched one.
    const std::string inner = MakeProject(card + "/sub/", "B.prj", SmallProject(2));
    ScanAll();
    TestSupport::FaultyFileSystem innerFaulty;
    innerFaulty.FailOnPath(TestSupport::FaultyFileSystem::kList, card + "/sub");
    innerFaulty.FailOnPath(TestSupport::FaultyFileSystem::kQuery, card + "/sub/");
    CDomain::Instance().SetFileSystem(&innerFaulty);
    const CScanResult innerUnreadable = ScanAll();
    CDomain::Instance().SetFileSystem(&NativeFileSystem());
    EXPECT_EQ(innerUnreadable.projectsDropped, 0U);
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{a, inner}));
}

TEST_F(LibraryScan, PatchFingerprintFollowsTheWavesItUsesNotTheirSlots) {
    ProjectSpec moved;
    moved.patches = {{"007 Pad Copy.p00", {5, 6}}};
    moved.waves = {{"005 P.wav", 1}, {"006 S.wav", 2}};
    const std::string a = MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    const std::string b = MakeProject(Watched() + "/", "B.prj", moved);
    ProjectSpec otherWaves = moved;
    otherWaves.waves = {{"005 P.wav", 1}, {"006 S.wav", 3}};
    const std::string c = MakeProject(Watched() + "/", "C.prj", otherWaves);
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    ScanAll();
    ASSERT_TRUE(library.Item(b, ItemKind::kPatch, 7));
    ASSERT_TRUE(library.Item(c, ItemKind::kPatch, 7));
    const std::string key = library.Item(a, ItemKind::kPatch, 1)->key;
    EXPECT_EQ(library.Item(b, ItemKind::kPatch, 7)->key, key);
    EXPECT_NE(library.Item(c, ItemKind::kPatch, 7)->key, key);
    // The copy in C takes the key once its second wave has the content of A's.
    TestSupport::ProjectBuilder::WriteBytes(c + "/Wave/006 S.wav", WavBytes(102, 44100, 1, 2));
    ScanAll();
    EXPECT_EQ(library.Item(c, ItemKind::kPatch, 7)->key, key);
}

TEST_F(LibraryScan, CancelKeepsWhatWasWrittenAndNothingHalfWritten) {
    MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    MakeProject(Watched() + "/", "B.prj", SmallProject(2));
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    std::atomic<bool> cancel{false};
    Library::CScanOptions options;
    options.cancel = &cancel;
    options.progress = [&cancel](const Library::CScanProgress& progress) {
        if (progress.projectsDone == 1) {
            cancel = true;
        }
    };
    const CScanResult result = library.Scan(options);
    EXPECT_EQ(result.outcome, CScanResult::Outcome::kCancelled);
    const auto dump = DumpItems(library);
    ASSERT_EQ(dump.size(), 1U);
    EXPECT_EQ(dump.begin()->second.size(), 6U);
}

TEST_F(LibraryScan, ASecondScanWhileOneRunsIsToldSo) {
    MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    Library::CLibrary second;
    std::vector<std::string> messages;
    ASSERT_TRUE(second.Open(CataloguePath(), messages, error)) << error;
    std::optional<CScanResult> inner;
    Library::CScanOptions options;
    options.progress = [&](const Library::CScanProgress&) {
        if (!inner) {
            inner = second.Scan();
        }
    };
    ScanAll(options);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->outcome, CScanResult::Outcome::kBusy);
    // Once the first has ended, the second may scan.
    EXPECT_EQ(second.Scan().outcome, CScanResult::Outcome::kDone);
}

// A scan stopped before any of its writes leaves each project as catalogued before the scan or as
// the finished scan catalogues it, and never loses a mark. `kill`: the process dies there (SIGKILL,
// no rollback run); otherwise the scan is stopped there and its transaction rolled back.
class LibraryScanInterrupted : public LibraryFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(LibraryScanInterrupted, LeavesEveryProjectBeforeOrAfterAndKeepsTheMarks) {
    const bool kill = GetParam();
#if defined(_WIN32)
    if (kill) {
        GTEST_SKIP() << "needs fork";
    }
#endif
    const std::string a = MakeProject(Watched() + "/", "A.prj", SmallProject(1));
    const std::string b = MakeProject(Watched() + "/", "B.prj", SmallProject(2));
    const std::string c = MakeProject(Watched() + "/", "C.prj", SmallProject(3));
    std::string error;
    {
        auto& library = OpenCatalogue();
        ASSERT_TRUE(library.AddFolder(Watched(), error));
        ScanAll();
        ASSERT_TRUE(library.AddTags(a, ItemKind::kWave, 1, {"keys", "warm"}, error)) << error;
        ASSERT_TRUE(library.SetFavourite(b, ItemKind::kPatch, 2, true, error)) << error;
    }
    const auto before = DumpItems(*m_library);
    const auto marks = DumpMarks(*m_library);
    CloseCatalogue();
    const std::string pristine = m_root / "pristine.sqlite3";
    fs::copy_file(CataloguePath(), pristine);
    // Changes: a wave of A rewritten, a patch added to B, C gone, D new.
    TestSupport::ProjectBuilder::WriteBytes(a + "/Wave/003 Spare.wav", WavBytes(500, 48000, 2, 8));
    TestSupport::ProjectBuilder::WriteBytes(b + "/Patch/004 New.p00", TestSupport::ProjectBuilder::PatchFileBytes());
    fs::remove_all(c);
    MakeProject(Watched() + "/", "D.prj", SmallProject(4));
    OpenCatalogue();
    ScanAll();
    const auto after = DumpItems(*m_library);
    CloseCatalogue();
    ASSERT_NE(before, after);

    bool finished = false;
    int stops = 0;
    for (int stopAt = 1; !finished && stopAt < 500; ++stopAt) {
        fs::remove(CataloguePath());
        fs::copy_file(pristine, CataloguePath());
        if (kill) {
#if !defined(_WIN32)
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                Library::CLibrary library;
                std::vector<std::string> messages;
                std::string childError;
                if (!library.Open(CataloguePath(), messages, childError)) {
                    ::_exit(3);
                }
                int writes = 0;
                Library::CScanOptions options;
                options.beforeWrite = [&writes, stopAt] {
                    if (++writes == stopAt) {
                        ::raise(SIGKILL);
                    }
                    return true;
                };
                ::_exit(library.Scan(options).outcome == CScanResult::Outcome::kDone ? 0 : 4);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            ASSERT_TRUE(finished || (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) << status;
#endif
        } else {
            auto& library = OpenCatalogue();
            int writes = 0;
            Library::CScanOptions options;
            options.beforeWrite = [&writes, stopAt] { return ++writes != stopAt; };
            const CScanResult result = library.Scan(options);
            finished = result.outcome == CScanResult::Outcome::kDone;
            CloseCatalogue();
        }
        stops += finished ? 0 : 1;
        auto& library = OpenCatalogue();
        EXPECT_TRUE(m_messages.empty()) << "stopped at write " << stopAt << ": " << m_messages.front();
        const auto now = DumpItems(library);
        std::set<std::string> projects;
        for (const auto* state : {&before, &after, &now}) {
            for (const auto& entry : *state) {
                projects.insert(entry.first);
            }
        }
        for (const std::string& project : projects) {
            const auto rowsOf = [&project](const std::map<std::string, std::vector<std::string>>& state) {
                const auto found = state.find(project);
                return found == state.end() ? std::optional<std::vector<std::string>>() : found->second;
            };
            EXPECT_TRUE(rowsOf(now) == rowsOf(before) || rowsOf(now) == rowsOf(after))
                << project << " half written when stopped at write " << stopAt;
        }
        EXPECT_EQ(DumpMarks(library), marks) << "stopped at write " << stopAt;
        if (finished) {
            EXPECT_EQ(now, after);
        }
        // The name index agrees with the rows it indexes.
        EXPECT_NO_THROW(library.Database().Execute("INSERT INTO item_name(item_name) VALUES ('integrity-check')"))
            << "stopped at write " << stopAt;
        CloseCatalogue();
    }
    EXPECT_TRUE(finished);
    // Three projects written and one dropped: many places to stop at.
    EXPECT_GT(stops, 20);
}

INSTANTIATE_TEST_SUITE_P(StopOrKill, LibraryScanInterrupted, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Killed" : "Stopped";
                         });

TEST_F(LibraryScan, CraftedProjectChangesAndReadsNothingOutsideTheWatchedFolder) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "no symbolic links here";
    }
    const std::string outside = m_root / "outside";
    const std::string secret = MakeProject(outside + "/", "Secret.prj", SmallProject(7));
    fs::create_directories(outside + "/loose");
    TestSupport::ProjectBuilder::WriteBytes(outside + "/loose/005 Stolen.p00",
                                            TestSupport::ProjectBuilder::PatchFileBytes());
    // Links out of the watched folder: to a folder holding a project, as a project, as a
    // project's Wave/, and as a patch file inside a project.
    fs::create_directory_symlink(outside, Watched() + "/link-out");
    fs::create_directory_symlink(secret, Watched() + "/Linked.prj");
    const std::string crafted = Watched() + "/x'); DROP TABLE item; -- 100% \"q\" \xff\xfe.prj";
    TestSupport::ProjectBuilder builder(Watched() + "/", "x'); DROP TABLE item; -- 100% \"q\" \xff\xfe.prj");
    builder.AddPatch("001 It's 100%.p00");
    builder.AddPatch("002 \xc3\x28 bad.p00");
    builder.AddPatch("003 a\"; --.p00");
    fs::create_symlink(outside + "/loose/005 Stolen.p00", crafted + "/Patch/005 Stolen.p00");
    const std::string linkedWaves = Watched() + "/Waves Linked.prj";
    fs::create_directories(linkedWaves + "/Patch");
    fs::create_directory_symlink(secret + "/Wave", linkedWaves + "/Wave");

    std::string refused;
    EXPECT_FALSE(OpenCatalogue().AddFolder(Watched() + "/link-out", refused));
    EXPECT_NE(refused.find("symbolic link"), std::string::npos) << refused;
    CloseCatalogue();
    TestSupport::FaultyFileSystem recording;
    CDomain::Instance().SetFileSystem(&recording);
    auto& library = OpenCatalogue();
    std::string error;
    ASSERT_TRUE(library.AddFolder(Watched(), error));
    const CScanResult result = ScanAll();
    EXPECT_EQ(library.Projects(), (std::vector<std::string>{crafted}));
    EXPECT_EQ(DumpItems(library)[crafted].size(), 3U);
    for (const std::string& path : recording.CalledPaths(TestSupport::FaultyFileSystem::kAnyOp)) {
        EXPECT_NE(path.rfind(outside, 0), 0U) << "looked at " << path;
        if (path.rfind(Watched(), 0) == 0) {
            EXPECT_FALSE(path.find("/Linked.prj/") != std::string::npos || path.find("/link-out/") != std::string::npos)
                << "went through a link: " << path;
        }
    }
    for (const std::string& path : recording.CalledPaths(TestSupport::FaultyFileSystem::kChanging)) {
        EXPECT_NE(path.rfind(Watched(), 0), 0U) << "changed " << path;
    }
    // The names are data: searching for them finds them and the tables are all there.
    EXPECT_EQ(Names(Q("it's")), (std::vector<std::string>{"patch 1 It's 100%"}));
    EXPECT_EQ(Names(Q("100%")), (std::vector<std::string>{"patch 1 It's 100%"}));
    EXPECT_EQ(Names(Q("%")), (std::vector<std::string>{"patch 1 It's 100%"}));
    EXPECT_EQ(Names(Q("a\";")), (std::vector<std::string>{"patch 3 a\"; --"}));
    EXPECT_EQ(Names(Q("\xc3\x28")).size(), 1U);
    EXPECT_EQ(library.ResolveProject(crafted), crafted);
    CloseCatalogue();
    CDomain::Instance().SetFileSystem(&NativeFileSystem());
    static_cast<void>(result);
}

} // namespace
} // namespace Orvanta::LibraryTest
