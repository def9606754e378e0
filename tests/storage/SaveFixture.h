#pragma once

// Helpers shared by the tests of saving, wave import and the work folder: a list of open documents,
// a fixture with a fresh work folder and a fault-injecting file system, and records of what every
// object's file held before an operation, to prove afterwards that nothing was lost.

#include "FaultyFileSystem.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "ScriptedReporter.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "model/CDomain.h"
#include "storage/COpenProjects.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace Orvanta::SaveTesting {

using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;

// The open documents of a test, as a front end's document list.
class DocumentList : public COpenProjects {
public:
    CTernFileDocument& Add() {
        m_documents.push_back(std::make_unique<CTernFileDocument>(this));
        return *m_documents.back();
    }
    // Loads a project folder into a new document; fails the test when it does not load.
    CTernFileDocument& Open(const std::string& folder) {
        CTernFileDocument& document = Add();
        EXPECT_TRUE(document.OpenProjectFolder(folder)) << folder;
        return document;
    }
    // Closes a document as the front end does: its files that others use are preserved first.
    void Close(CTernFileDocument& document) {
        document.PreserveReferencedFiles();
        std::erase_if(m_documents, [&document](const auto& d) { return d.get() == &document; });
    }
    std::vector<CTernFileDocument*> OpenDocuments() override {
        std::vector<CTernFileDocument*> documents;
        for (const auto& document : m_documents) {
            documents.push_back(document.get());
        }
        return documents;
    }

private:
    std::vector<std::unique_ptr<CTernFileDocument>> m_documents;
};

inline std::vector<std::uint8_t> Bytes(const std::string& path) {
    return ProjectBuilder::ReadBytes(path);
}

inline bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Names of the regular files in a folder, sorted.
inline std::set<std::string> FileNames(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) {
            names.insert(it->path().filename().string());
        }
    }
    return names;
}

// A patch file's bytes with a filler that identifies it (the region the librarian never writes).
inline std::vector<std::uint8_t> PatchBytes(std::uint8_t filler, const CPatch& patch = CPatch(),
                                            std::size_t trailing = 0) {
    return ProjectBuilder::PatchFileBytes(patch, trailing, filler);
}

// What the object of one slot held before an operation: its name, extension and file content.
struct ObjectRecord {
    std::string name;
    std::string extension;
    std::vector<std::uint8_t> bytes;
};

// Slot index to record, for one list of one project.
using ListRecord = std::map<std::size_t, ObjectRecord>;

inline ListRecord RecordList(const CParameterArray& list) {
    ListRecord record;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CParameter& item = list.Element(i);
        if (!item.IsEmpty()) {
            record[i] = {item.m_name, Extension(item.m_path), Bytes(item.m_path)};
        }
    }
    return record;
}

struct ProjectRecord {
    ListRecord patches;
    ListRecord waves;
};

inline ProjectRecord RecordProject(const CTernData& data) {
    return {RecordList(data.m_patches), RecordList(data.m_waves)};
}

// True when `actual` holds the content of a patch file recorded as `expected`: everything but the
// oscillator blocks, which a save rewrites from memory, byte for byte.
inline bool SamePatchContainer(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected) {
    return actual.size() == expected.size() && actual.size() >= kPatchRecordSize &&
           std::equal(actual.begin(), actual.begin() + kPatchBlocksOffset, expected.begin()) &&
           std::equal(actual.begin() + kPatchRecordSize, actual.end(), expected.begin() + kPatchRecordSize);
}

// Every object that had a file before still points at an existing file with that content.
inline void ExpectEveryObjectReadable(const CTernData& data, const ProjectRecord& before, const std::string& label) {
    for (const auto& [i, record] : before.patches) {
        const std::string& path = data.m_patches[i].m_path;
        ASSERT_TRUE(FileExists(path)) << label << " patch slot " << i + 1 << " points at missing " << path;
        EXPECT_TRUE(SamePatchContainer(Bytes(path), record.bytes)) << label << " patch slot " << i + 1 << " " << path;
    }
    for (const auto& [i, record] : before.waves) {
        const std::string& path = data.m_waves[i].m_path;
        ASSERT_TRUE(FileExists(path)) << label << " wave slot " << i + 1 << " points at missing " << path;
        EXPECT_EQ(Bytes(path), record.bytes) << label << " wave slot " << i + 1 << " " << path;
    }
}

// The folder `data.m_projectPath` is the saved project: every object's file is in its slot under
// the object's name with the recorded content (patch blocks as in memory), objects and slot file
// entries name those files, and "Patch/" and "Wave/" hold nothing else but `otherFiles`.
inline void ExpectSavedProject(const CTernData& data, const ProjectRecord& before, const std::string& label,
                               const std::set<std::string>& otherPatchFiles = {}) {
    const std::string& folder = data.m_projectPath;
    std::set<std::string> patchNames = otherPatchFiles;
    for (const auto& [i, record] : before.patches) {
        const std::string name = FormatSlotNumber(static_cast<int>(i + 1)) + record.name + record.extension;
        const std::string path = folder + "Patch/" + name;
        patchNames.insert(name);
        EXPECT_EQ(data.m_patches[i].m_path, path) << label;
        EXPECT_EQ(data.m_patchFiles[i], path) << label;
        ASSERT_TRUE(FileExists(path)) << label << " " << path;
        EXPECT_TRUE(SamePatchContainer(Bytes(path), record.bytes)) << label << " " << path;
        CPatch stored;
        ASSERT_TRUE(ReadPatchFile(path, stored)) << label << " " << path;
        for (std::size_t o = 0; o < CPatch::kOscCount; ++o) {
            EXPECT_EQ(stored.m_osc[o].m_values, data.m_patches[i].m_osc[o].m_values) << label << " " << path;
        }
    }
    std::set<std::string> waveNames;
    for (const auto& [i, record] : before.waves) {
        const std::string name = FormatSlotNumber(static_cast<int>(i + 1)) + record.name + record.extension;
        const std::string path = folder + "Wave/" + name;
        waveNames.insert(name);
        EXPECT_EQ(data.m_waves[i].m_path, path) << label;
        EXPECT_EQ(data.m_waveFiles[i], path) << label;
        EXPECT_EQ(Bytes(path), record.bytes) << label << " " << path;
    }
    for (std::size_t i = 0; i < data.m_patches.size(); ++i) {
        if (!before.patches.contains(i)) {
            EXPECT_TRUE(data.m_patches[i].IsEmpty()) << label;
            EXPECT_EQ(data.m_patchFiles[i], "") << label;
        }
    }
    for (std::size_t i = 0; i < data.m_waves.size(); ++i) {
        if (!before.waves.contains(i)) {
            EXPECT_TRUE(data.m_waves[i].IsEmpty()) << label;
            EXPECT_EQ(data.m_waveFiles[i], "") << label;
        }
    }
    EXPECT_EQ(FileNames(folder + "Patch/"), patchNames) << label;
    EXPECT_EQ(FileNames(folder + "Wave/"), waveNames) << label;
}

// Every source path of both lists, and the slot file lists, of one project.
inline auto PathState(const CTernData& data) {
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < data.m_patches.size(); ++i) {
        sources.push_back(data.m_patches[i].m_path);
    }
    for (std::size_t i = 0; i < data.m_waves.size(); ++i) {
        sources.push_back(data.m_waves[i].m_path);
    }
    return std::make_tuple(sources, data.m_patchFiles, data.m_waveFiles, data.m_projectPath);
}

// A fixture with a fresh work folder, a pass-through fault-injecting file system, a scripted
// message reporter and a list of open documents.
class SaveTest : public ::testing::Test {
protected:
    SaveTest() {
        EXPECT_TRUE(SetUpWorkFolder(m_temp / "work"));
        m_workFolder = CDomain::Instance().WorkFolder();
        m_reporter = TestSupport::ScriptedReporter::Install();
    }
    ~SaveTest() override {
        TestSupport::ScriptedReporter::Uninstall();
        CDomain::Instance().SetWorkFolder("");
    }

    ProjectBuilder Project(const std::string& name) { return ProjectBuilder(m_temp.Path(), name); }

    // Files of the work folder, sorted.
    std::set<std::string> WorkFiles() const { return FileNames(m_workFolder); }

    TestSupport::TempFolder m_temp;
    FaultyFileSystem m_files;
    TestSupport::StorageDomainGuard m_guard{&m_files};
    std::shared_ptr<TestSupport::ScriptedReporter> m_reporter;
    std::string m_workFolder;
    // Declared last: the documents go before the file system and the domain set-up they use.
    DocumentList m_documents;
};

} // namespace Orvanta::SaveTesting
