#include "LibraryFixture.h"

#include <filesystem>
#include <string_view>

namespace Orvanta::LibraryTest {

using TestSupport::ProjectBuilder;

std::vector<std::uint8_t> WavBytes(int frames, int sampleRate, int channels, int seed) {
    std::vector<std::uint8_t> bytes;
    const auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    const auto put16 = [&bytes](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    // Byte by byte: GCC 12's optimiser warns falsely about inserting a list into a growing vector.
    const auto putText = [&bytes](std::string_view text) {
        for (const char c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
    };
    const auto dataBytes = static_cast<std::uint32_t>(frames * channels * 2);
    putText("RIFF");
    put32(36 + dataBytes);
    putText("WAVEfmt ");
    put32(16);
    put16(1);
    put16(static_cast<std::uint16_t>(channels));
    put32(static_cast<std::uint32_t>(sampleRate));
    put32(static_cast<std::uint32_t>(sampleRate * channels * 2));
    put16(static_cast<std::uint16_t>(channels * 2));
    put16(16);
    putText("data");
    put32(dataBytes);
    for (int i = 0; i < frames * channels; ++i) {
        put16(static_cast<std::uint16_t>((i * 37 + seed * 1013) & 0x3fff));
    }
    return bytes;
}

std::string MakeProject(const std::string& parent, const std::string& name, const ProjectSpec& spec) {
    std::filesystem::create_directories(parent);
    ProjectBuilder builder(parent, name);
    for (const auto& [file, waves] : spec.patches) {
        builder.AddPatch(file, ProjectBuilder::PatchUsingWaves(waves.first, waves.second));
    }
    for (const auto& [file, seed] : spec.waves) {
        ProjectBuilder::WriteBytes(builder.Path() + "Wave/" + file, WavBytes(100 + seed, 44100, 1, seed));
    }
    std::string path = builder.Path();
    path.pop_back();
    return path;
}

Library::CFindQuery Q(const std::string& words, const std::function<void(Library::CFindQuery&)>& set) {
    Library::CFindQuery query;
    query.words = words;
    if (set) {
        set(query);
    }
    return query;
}

std::map<std::string, std::vector<std::string>> DumpItems(Library::CLibrary& library) {
    std::map<std::string, std::vector<std::string>> dump;
    Library::CStatement read(library.Database(),
                             "SELECT p.path, i.kind, i.slot, i.name, i.file, i.size, COALESCE(i.key, '-'), "
                             "COALESCE(i.refs, '') FROM item i JOIN project p ON p.id = i.project_id "
                             "ORDER BY p.path, i.kind, i.slot");
    while (read.Step()) {
        dump[read.Text(0)].push_back(read.Text(1) + " " + std::to_string(read.Int(2)) + " " + read.Text(3) + " " +
                                     read.Text(4) + " " + std::to_string(read.Int(5)) + " " + read.Text(6) + " " +
                                     read.Text(7));
    }
    Library::CStatement projects(library.Database(), "SELECT path FROM project");
    while (projects.Step()) {
        dump[projects.Text(0)]; // a project without items still counts
    }
    return dump;
}

std::vector<std::string> DumpMarks(Library::CLibrary& library) {
    std::vector<std::string> marks;
    for (const Library::CMarks& mark : library.AllMarks()) {
        std::string text = std::string(Library::KindName(mark.kind)) + " " + mark.key + " " +
                           (mark.favourite ? "favourite" : "-") + " " + mark.note;
        for (const std::string& tag : mark.tags) {
            text += " #" + tag;
        }
        marks.push_back(text);
    }
    return marks;
}

LibraryFixture::LibraryFixture() {
    std::filesystem::create_directories(Watched());
}

Library::CLibrary& LibraryFixture::OpenCatalogue(const std::string& path) {
    m_library = std::make_unique<Library::CLibrary>();
    m_messages.clear();
    std::string error;
    EXPECT_TRUE(m_library->Open(path.empty() ? CataloguePath() : path, m_messages, error)) << error;
    return *m_library;
}

Library::CScanResult LibraryFixture::ScanAll(const Library::CScanOptions& options) {
    Library::CScanResult result = m_library->Scan(options);
    EXPECT_EQ(result.outcome, Library::CScanResult::Outcome::kDone) << result.error;
    return result;
}

std::vector<std::string> LibraryFixture::Names(const Library::CFindQuery& query) {
    std::vector<std::string> names;
    for (const Library::CItem& item : m_library->Find(query)) {
        names.push_back(std::string(Library::KindName(item.kind)) + " " + std::to_string(item.number) + " " +
                        item.name);
    }
    return names;
}

} // namespace Orvanta::LibraryTest
