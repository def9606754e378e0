// The preview of a save: the same plan the save runs, described without changing anything. Seeded
// random edits of two real project folders (drags, deletions, renamings and undos, with strays and
// duplicates on disk) are previewed and then saved; the save must do exactly what the preview said.
// ORVANTA_RANDOM_SEED=n replays one sequence.

#include "SaveFixture.h"

#include "operations/DropOperations.h"
#include "operations/EditCommands.h"
#include "storage/SavePreview.h"
#include "storage/WaveImport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

namespace Orvanta::SaveTesting {
namespace {

using TestSupport::FolderSnapshot;
using TestSupport::TakeFolderSnapshot;

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr std::uint32_t kSequences = 120;
#else
constexpr std::uint32_t kSequences = 15;
#endif

// `path` (full) as a key of a snapshot of `folder`.
std::string Key(const std::string& folder, const std::string& path) {
    return path.rfind(folder, 0) == 0 ? path.substr(folder.size()) : "?" + path;
}

// Files of a snapshot (no folders, no links).
std::set<std::string> Files(const FolderSnapshot& snapshot) {
    std::set<std::string> files;
    for (const auto& [key, bytes] : snapshot) {
        if (!key.empty() && key.back() != '/' && key.front() != '@') {
            files.insert(key);
        }
    }
    return files;
}

// Saves `document` in place after taking its preview, and checks that the save did what the preview
// said: the preview changed nothing; every file in "delete" and every moved-away file is gone and no
// other file is; every "write" and "move" target is there, a moved file with its old bytes; no file
// that the preview does not name was created or changed; a parked file is in the work folder.
void SaveAndCompare(CTernFileDocument& document, const std::string& workFolder, const std::string& label) {
    const std::string folder = document.Data().m_projectPath;
    const FolderSnapshot before = TakeFolderSnapshot(folder);
    const auto state = PathState(document.Data());
    const bool modified = document.IsModified();
    CSavePreview preview;
    std::string reason;
    ASSERT_TRUE(document.PreviewSave(folder, preview, reason)) << label << ": " << reason;
    ASSERT_EQ(TakeFolderSnapshot(folder), before) << label << ": the preview changed the folder";
    ASSERT_EQ(PathState(document.Data()), state) << label << ": the preview changed the project";
    ASSERT_EQ(document.IsModified(), modified) << label;
    EXPECT_EQ(preview.project, folder) << label;

    const std::set<std::string> workBefore = FileNames(workFolder);
    ASSERT_TRUE(document.SaveProjectTo(folder)) << label;
    const FolderSnapshot after = TakeFolderSnapshot(folder);

    std::set<std::string> ends; // files the preview says are there afterwards with new content
    std::set<std::string> gone; // files the preview says go
    for (const std::string& path : preview.write) {
        ends.insert(Key(folder, path));
    }
    for (const auto& [from, to] : preview.move) {
        ends.insert(Key(folder, to));
        ASSERT_TRUE(before.contains(Key(folder, from))) << label << ": moved from a file that was not there " << from;
        ASSERT_TRUE(after.contains(Key(folder, to))) << label << ": move target missing " << to;
        EXPECT_EQ(after.at(Key(folder, to)), before.at(Key(folder, from))) << label << ": moved content " << to;
    }
    for (const auto& [from, to] : preview.move) {
        if (!ends.contains(Key(folder, from))) {
            gone.insert(Key(folder, from));
        }
    }
    for (const CSaveDeletion& deletion : preview.remove) {
        EXPECT_TRUE(before.contains(Key(folder, deletion.path)))
            << label << ": deletes a file not there " << deletion.path;
        EXPECT_FALSE(ends.contains(Key(folder, deletion.path))) << label << ": deleted and written " << deletion.path;
        gone.insert(Key(folder, deletion.path));
    }
    std::set<std::string> disappeared;
    for (const std::string& file : Files(before)) {
        if (!after.contains(file)) {
            disappeared.insert(file);
        }
    }
    EXPECT_EQ(disappeared, gone) << label << ": files gone other than the preview said";
    for (const std::string& file : Files(after)) {
        const bool changed = !before.contains(file) || before.at(file) != after.at(file);
        EXPECT_TRUE(!changed || ends.contains(file)) << label << ": written but not previewed: " << file;
    }
    for (const std::string& file : ends) {
        EXPECT_TRUE(after.contains(file)) << label << ": previewed but not there: " << file;
    }
    const std::set<std::string> workAfter = FileNames(workFolder);
    for (const std::string& path : preview.park) {
        EXPECT_TRUE(gone.contains(Key(folder, path))) << label << ": parked but kept " << path;
        const auto kept = std::find_if(workAfter.begin(), workAfter.end(), [&](const std::string& name) {
            return !workBefore.contains(name) && Bytes(workFolder + name) == before.at(Key(folder, path));
        });
        EXPECT_NE(kept, workAfter.end()) << label << ": no copy of " << path << " in the work folder";
    }
}

class SavePreviewTest : public SaveTest {
protected:
    std::size_t Uniform(std::size_t low, std::size_t high) { return low + m_random() % (high - low + 1); }
    bool Chance(unsigned percent) { return m_random() % 100 < percent; }

    // A project of a few patches using waves, with a stray, a duplicate slot number and a "000" file.
    std::string Build(const std::string& name) {
        ProjectBuilder project = Project(name);
        for (std::size_t n = Uniform(2, 8); n > 0; --n) {
            const int slot = static_cast<int>(Uniform(1, 12));
            project.AddWave(FormatSlotNumber(slot) + "W" + std::to_string(m_random() % 100) + ".w00", Uniform(1, 300));
        }
        for (std::size_t n = Uniform(2, 10); n > 0; --n) {
            const int slot = static_cast<int>(Uniform(1, 14));
            const CPatch patch = ProjectBuilder::PatchUsingWaves(static_cast<int>(Uniform(0, 12)));
            project.AddPatchBytes(FormatSlotNumber(slot) + "P" + std::to_string(m_random() % 100) + ".p00",
                                  PatchBytes(static_cast<std::uint8_t>(m_random()), patch));
        }
        if (Chance(50)) {
            project.AddPatchBytes("Readme.p00", PatchBytes(0x5A));
        }
        if (Chance(50)) {
            project.AddWave("000 Zero.w00", 20);
        }
        return project.Path();
    }

    CSelection Selection(const CTernData& data, int which) {
        CSelection rows;
        for (std::size_t n = Uniform(1, 3); n > 0; --n) {
            const std::size_t row = Uniform(0, 15);
            if (std::find(rows.begin(), rows.end(), row) == rows.end() && row < data.List(which).size()) {
                rows.push_back(row);
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // One random edit among the open documents; returns what it was.
    std::string Edit(const std::vector<CTernFileDocument*>& documents) {
        CTernFileDocument& source = *documents[Uniform(0, documents.size() - 1)];
        CTernFileDocument& target = Chance(50) ? source : *documents[Uniform(0, documents.size() - 1)];
        const int which = Chance(50) ? kPatchList : kWaveList;
        const CSelection rows = Selection(source.Data(), which);
        std::ostringstream text;
        const unsigned roll = static_cast<unsigned>(Uniform(0, 99));
        if (roll < 55) {
            CDragRequest drag{&source.Data(), &target.Data(), which, rows, static_cast<int>(Uniform(0, 16)),
                              Chance(40),     Chance(50)};
            if (DragAndDrop(drag).status == DropStatus::Done) {
                source.SetModified(true);
                target.SetModified(true);
            }
            text << "drag " << which << " to " << drag.dropIndex << (drag.insert ? " insert" : "")
                 << (drag.copy ? " copy" : " move");
        } else if (roll < 75) {
            if (DeleteSelection(source.Data(), rows, which)) {
                source.SetModified(true);
            }
            text << "delete " << which;
        } else if (roll < 90) {
            if (RenameElements(source.Data(), which, rows, "R" + std::to_string(m_random() % 50)) > 0) {
                source.SetModified(true);
            }
            text << "rename " << which;
        } else {
            for (CTernData* data : UndoLastChange()) {
                for (CTernFileDocument* document : documents) {
                    if (&document->Data() == data) {
                        document->SetModified(true);
                    }
                }
            }
            text << "undo";
        }
        return text.str();
    }

    std::mt19937 m_random;
};

TEST_F(SavePreviewTest, ASaveDoesExactlyWhatItsPreviewSaid) {
    const char* replay = std::getenv("ORVANTA_RANDOM_SEED");
    const std::uint32_t first = replay != nullptr ? static_cast<std::uint32_t>(std::strtoul(replay, nullptr, 10)) : 1;
    const std::uint32_t count = replay != nullptr ? 1 : kSequences;
    for (std::uint32_t seed = first; seed < first + count; ++seed) {
        m_random.seed(seed);
        const std::string suffix = std::to_string(seed);
        CTernFileDocument& a = m_documents.Open(Build("A" + suffix + ".prj"));
        CTernFileDocument& b = m_documents.Open(Build("B" + suffix + ".prj"));
        std::string steps;
        for (int round = 0; round < 3; ++round) {
            for (std::size_t n = Uniform(1, 5); n > 0; --n) {
                steps += Edit({&a, &b}) + "; ";
            }
            CTernFileDocument& saved = Chance(50) ? a : b;
            CTernFileDocument& other = &saved == &a ? b : a;
            const ProjectRecord record = RecordProject(saved.Data());
            const ProjectRecord otherRecord = RecordProject(other.Data());
            const std::string label = "seed " + suffix + ", round " + std::to_string(round) + ": " + steps;
            SaveAndCompare(saved, m_workFolder, label);
            if (HasFatalFailure() || HasFailure()) {
                return;
            }
            ExpectSavedProject(saved.Data(), record, label);
            ExpectEveryObjectReadable(other.Data(), otherRecord, label);
        }
        m_documents.Close(a);
        m_documents.Close(b);
    }
}

// Each reason a file is deleted for, with the file names a new user meets.
TEST_F(SaveTest, EveryDeletionOfAPreviewSaysWhy) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 One.p00", PatchBytes(0x01, ProjectBuilder::PatchUsingWaves(1)));
    a.AddPatchBytes("003 Three.p00", PatchBytes(0x03));
    a.AddPatchBytes("005 Sweep Pad.p00", PatchBytes(0x05));
    a.AddPatchBytes("005 Another.p00", PatchBytes(0x06));
    a.AddPatchBytes("Readme.p00", PatchBytes(0x07));
    a.AddWave("001 Kick.w00", 30);
    a.AddWave("002 Gone.w00", 20);
    a.AddWave("000 Zero.w00", 10);
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    ASSERT_TRUE(DeleteSelection(data, {2}, kPatchList)); // slot 3 emptied
    data.m_waves.Replace(1, data.m_waves.CloneAt(0));    // slot 2 takes Kick: Gone is replaced
    document.SetModified(true);

    const struct {
        const char* file;
        const char* why;
    } kExpected[] = {
        {"Patch/003 Three.p00", "emptied"}, {"Patch/005 Sweep Pad.p00", "duplicate"}, {"Patch/Readme.p00", "stray"},
        {"Wave/000 Zero.w00", "stray"},     {"Wave/002 Gone.w00", "replaced"},
    };
    CSavePreview preview;
    std::string reason;
    ASSERT_TRUE(document.PreviewSave(a.Path(), preview, reason)) << reason;
    std::map<std::string, std::string> reasons;
    for (const CSaveDeletion& deletion : preview.remove) {
        reasons[Key(a.Path(), deletion.path)] = DeletionReasonWord(deletion.why);
    }
    std::map<std::string, std::string> expected;
    for (const auto& row : kExpected) {
        expected[row.file] = row.why;
    }
    EXPECT_EQ(reasons, expected);
    EXPECT_EQ(preview.write, std::vector<std::string>{a.Path() + "Wave/002 Kick.w00"});
    EXPECT_TRUE(preview.move.empty());
    EXPECT_EQ(CountUnlistedDeletions(preview), 3U);
    EXPECT_EQ(document.UnlistedDeletions().size(), 3U); // what the project window's warning counts

    // Save As onto another project replaces its files; what the new project brings is written.
    ProjectBuilder c = Project("C.prj");
    c.AddPatchBytes("001 One.p00", PatchBytes(0x31));
    c.AddPatchBytes("002 Old.p00", PatchBytes(0x32));
    c.AddWave("004 Old.wav", 40);
    ASSERT_TRUE(document.PreviewSave(c.Path(), preview, reason)) << reason;
    reasons.clear();
    for (const CSaveDeletion& deletion : preview.remove) {
        reasons[Key(c.Path(), deletion.path)] = DeletionReasonWord(deletion.why);
    }
    EXPECT_EQ(reasons, (std::map<std::string, std::string>{{"Patch/002 Old.p00", "replaced"},
                                                           {"Wave/004 Old.wav", "replaced"}}));
    EXPECT_EQ(preview.write.size(), 4U); // One, Another, and Kick in wave slots 1 and 2
    m_reporter->QueueAnswer(kAnswerYes); // replace the project there
    ASSERT_TRUE(document.SaveProjectTo(c.Path()));
    for (const CSaveDeletion& deletion : preview.remove) {
        EXPECT_FALSE(FileExists(deletion.path)) << deletion.path;
    }
    for (const std::string& path : preview.write) {
        EXPECT_TRUE(FileExists(path)) << path;
    }
}

// Loading opens every file once; the wave memory, the source check and the preview of an
// unchanged project open none again but the files the save deletes (each once, to see that it can).
TEST_F(SaveTest, LoadingAndPreviewingOpenEveryFileAtMostOnce) {
    ProjectBuilder a = Project("A.prj");
    for (int i = 1; i <= 40; ++i) {
        a.AddPatchBytes(FormatSlotNumber(i) + "P.p00",
                        PatchBytes(static_cast<std::uint8_t>(i), ProjectBuilder::PatchUsingWaves(i)));
    }
    for (int i = 1; i <= 60; ++i) {
        a.AddWave(FormatSlotNumber(i) + "W.w00", 50);
    }
    a.AddPatchBytes("Readme.p00", PatchBytes(0x5A));
    constexpr unsigned kOpens = FaultyFileSystem::kOpen | FaultyFileSystem::kSize | FaultyFileSystem::kCopy;
    const int atStart = m_files.Calls(kOpens);
    CTernFileDocument& document = m_documents.Open(a.Path());
    EXPECT_EQ(m_files.Calls(kOpens) - atStart, 100);

    const int loaded = m_files.Calls(kOpens);
    EXPECT_EQ(TotalWaveSize(document.Data()), 60 * 50);
    EXPECT_TRUE(CTernFileDocument::CheckSourceFiles(document.Data()));
    CSavePreview preview;
    std::string reason;
    ASSERT_TRUE(document.PreviewSave(a.Path(), preview, reason)) << reason;
    EXPECT_EQ(preview.remove.size(), 1U);
    EXPECT_EQ(m_files.Calls(kOpens) - loaded, 1); // the stray, opened for writing to see it can go

    // After a save the project still knows its files: a second preview opens nothing.
    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    const int saved = m_files.Calls(kOpens);
    ASSERT_TRUE(document.PreviewSave(a.Path(), preview, reason)) << reason;
    EXPECT_EQ(TotalWaveSize(document.Data()), 60 * 50);
    EXPECT_EQ(m_files.Calls(kOpens) - saved, 0);

    // A Save As opens no file that loading opened just to check it: its copy is that file's one open.
    const int beforeSaveAs = m_files.Calls(FaultyFileSystem::kOpenRead);
    ASSERT_TRUE(document.SaveProjectTo(m_temp / "B.prj"));
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kOpenRead) - beforeSaveAs, 0);
}

} // namespace
} // namespace Orvanta::SaveTesting
