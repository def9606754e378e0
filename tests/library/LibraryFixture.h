#pragma once

#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "library/CLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Orvanta::LibraryTest {

// The bytes of a 16-bit PCM WAV file with `frames` frames of a pattern derived from `seed`.
std::vector<std::uint8_t> WavBytes(int frames, int sampleRate, int channels, int seed);

// A project folder "NAME.prj" under `parent` (ending in "/") with patches using waves.
struct ProjectSpec {
    std::vector<std::pair<std::string, std::pair<int, int>>> patches; // file name, waves used
    std::vector<std::pair<std::string, int>> waves;                   // file name, seed of a WAV
};
std::string MakeProject(const std::string& parent, const std::string& name, const ProjectSpec& spec);

// A search for `words` with the filters `set` sets.
Library::CFindQuery Q(const std::string& words, const std::function<void(Library::CFindQuery&)>& set = {});

// Every row of the catalogue of one project, as text, for comparing states.
std::map<std::string, std::vector<std::string>> DumpItems(Library::CLibrary& library);
// Every mark, as text.
std::vector<std::string> DumpMarks(Library::CLibrary& library);

class LibraryFixture : public ::testing::Test {
protected:
    LibraryFixture();
    // Opens (or reopens) the catalogue at `path` (default: the fixture's).
    Library::CLibrary& OpenCatalogue(const std::string& path = std::string());
    void CloseCatalogue() { m_library.reset(); }
    [[nodiscard]] std::string Watched() const { return m_root / "disk"; }
    [[nodiscard]] std::string CataloguePath() const { return m_root / "data/library.sqlite3"; }
    // Scans and expects it to finish.
    Library::CScanResult ScanAll(const Library::CScanOptions& options = {});
    [[nodiscard]] std::vector<std::string> Names(const Library::CFindQuery& query);

    TestSupport::StorageDomainGuard m_guard;
    TestSupport::TempFolder m_root;
    std::unique_ptr<Library::CLibrary> m_library;
    std::vector<std::string> m_messages;
};

} // namespace Orvanta::LibraryTest
