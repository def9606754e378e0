// Fuzzes loading a project folder from a real file system. Each input builds a fresh project folder
// in a private temporary folder: files with arbitrary-byte, slot-like, duplicate and over-long
// names, patch files whose oscillators name arbitrary wave numbers, symbolic links (dangling, to
// folders, to themselves, to devices, to other files), named pipes and sub-folders named like slot
// files; "Patch" and "Wave" may themselves be links or plain files. OpenProjectFolder must neither
// crash nor hang (a pipe opened for reading would block: run with -timeout), and what it loads must
// be consistent: every used slot holds a regular file of its own folder whose name carries the
// slot's number, no file fills two slots or is both a slot and a pending deletion, and every wave's
// users are exactly the patches naming it. The folder is removed afterwards.
//
// Input: one byte of folder shape, then entries of one kind byte each followed by what that kind
// reads (see AddEntry).

#include "model/CDomain.h"
#include "model/CPatch.h"
#include "model/CTernData.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Orvanta;
namespace fs = std::filesystem;

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    [[nodiscard]] bool AtEnd() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    unsigned Word() {
        const unsigned high = Byte();
        return high << 8U | Byte();
    }
    std::string Bytes(std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count && !AtEnd(); ++i) {
            text += static_cast<char>(Byte());
        }
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

constexpr std::array<std::string_view, 16> kExtensions = {
    ".p00", ".P00",     ".w00",     ".W07", ".wav", ".WAV", ".aif", ".aiff",
    ".vpw", ".aif.wav", ".p00.bak", ".w",   "",     ".p0",  ".Aif", ".p00.w00",
};
constexpr std::array<std::string_view, 6> kWaveExtensions = {".w00", ".W07", ".wav", ".aif", ".aiff", ".vpw"};

constexpr std::size_t kMaxEntries = 96;

class FolderBuilder {
public:
    FolderBuilder(Reader& in, std::string project) : m_in(in), m_project(std::move(project)) {}

    // A name that the loader may take for a slot file: a number (0 and numbers past the list
    // included, often a low one so that slots collide) in one of several spellings, a short stem
    // and, mostly, an extension of the folder's own kind.
    std::string SlotName(bool waveFolder) {
        const std::uint8_t form = m_in.Byte();
        const unsigned word = m_in.Word();
        const unsigned number = (form & 0x40U) != 0 ? word % 8U : word % 1100U;
        char prefix[32];
        switch (form % 8U) {
        case 5:
            std::snprintf(prefix, sizeof prefix, "%03u", number);
            break;
        case 6:
            std::snprintf(prefix, sizeof prefix, "%u ", number);
            break;
        case 7:
            std::snprintf(prefix, sizeof prefix, "%+03d ", static_cast<int>(number % 100U) - 50);
            break;
        default:
            std::snprintf(prefix, sizeof prefix, "%03u ", number);
            break;
        }
        const std::string stem = Clean(m_in.Bytes(m_in.Byte() % 16U));
        const std::size_t pick = (form >> 3U) & 7U;
        std::string_view extension = waveFolder ? kWaveExtensions[pick % kWaveExtensions.size()] : ".p00";
        if ((form & 0x80U) != 0) {
            extension = kExtensions[(word >> 11U) % kExtensions.size()];
        }
        return prefix + stem + std::string(extension);
    }

    void AddEntry() {
        const std::uint8_t kind = m_in.Byte();
        const bool waveFolder = (kind & 0x10U) != 0;
        const std::string folder = m_project + (waveFolder ? "Wave/" : "Patch/");
        std::string name;
        switch (kind % 16U) {
        case 0: { // arbitrary bytes, up to 300 (past the 255 a name may hold)
            const std::size_t length = (kind & 0x80U) != 0 ? 200U + m_in.Byte() % 101U : m_in.Byte() % 40U;
            name = Clean(m_in.Bytes(length));
            WriteFile(folder + name, m_in.Byte());
            break;
        }
        case 1:
        case 2:
        case 11:
        case 12:
        case 13:
        case 14:
        case 15: // slot-like, the most frequent kind
            name = SlotName(waveFolder);
            WriteFile(folder + name, m_in.Byte());
            break;
        case 3: // the last name again, in the other folder or with one letter's case changed
            name = m_lastName;
            if ((kind & 0x20U) != 0) {
                const auto at = std::find_if(name.begin(), name.end(),
                                             [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; });
                if (at != name.end()) {
                    *at = static_cast<char>(*at ^ 0x20);
                }
            }
            WriteFile(folder + name, m_in.Byte());
            break;
        case 4: // a link to nothing
            name = SlotName(waveFolder);
            Link("missing/" + name, folder + name);
            break;
        case 5: // a link to a folder: its own, the project, the temporary root
            name = SlotName(waveFolder);
            Link((kind & 0x20U) != 0 ? "." : ((kind & 0x40U) != 0 ? ".." : "../.."), folder + name);
            break;
        case 6: { // a link to itself, or two links to each other
            name = SlotName(waveFolder);
            const std::string other = SlotName(waveFolder);
            if ((kind & 0x20U) != 0) {
                Link(other, folder + name);
                Link(name, folder + other);
            } else {
                Link(name, folder + name);
            }
            break;
        }
        case 7: // a named pipe
            name = SlotName(waveFolder);
            ::mkfifo((folder + name).c_str(), 0600);
            break;
        case 8: // a folder named like a slot file, with a file inside
            name = SlotName(waveFolder);
            if (::mkdir((folder + name).c_str(), 0700) == 0) {
                WriteFile(folder + name + "/" + SlotName(waveFolder), m_in.Byte());
            }
            break;
        case 9: // a link to a device that never ends
            name = SlotName(waveFolder);
            Link((kind & 0x20U) != 0 ? "/dev/zero" : "/dev/null", folder + name);
            break;
        default: // (10) a link to the last file written, possibly in the other folder
            name = SlotName(waveFolder);
            if (!m_lastFile.empty()) {
                Link(m_lastFile, folder + name);
            }
            break;
        }
        m_lastName = name;
    }

private:
    // File names hold any byte but "/" and NUL.
    static std::string Clean(std::string text) {
        for (char& c : text) {
            if (c == '/' || c == '\0') {
                c = '_';
            }
        }
        return text;
    }

    static void Link(const std::string& target, const std::string& path) {
        static_cast<void>(::symlink(target.c_str(), path.c_str()));
    }

    // A patch file (a valid record whose first oscillators name wave numbers read from the input;
    // one in eight is cut short, which fails the whole load) or, for other names, a few bytes.
    void WriteFile(const std::string& path, std::uint8_t shape) {
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (descriptor < 0) {
            return;
        }
        const bool patch = path.size() >= 4 && IsSameTextNoCase(path.substr(path.size() - 4), ".p00");
        const bool cut = (shape & 0xE0U) == 0xE0U;
        std::vector<std::uint8_t> bytes(patch ? kPatchRecordSize : shape % 16U, 0);
        if (patch) {
            std::copy(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), bytes.begin());
            if (cut) {
                bytes.resize(shape % 64U);
            }
        }
        static_cast<void>(::write(descriptor, bytes.data(), bytes.size()));
        ::close(descriptor);
        if (patch && !cut) {
            CPatch content;
            for (std::size_t osc = 0; osc < std::size_t{shape % 4U}; ++osc) {
                content.m_osc[osc].m_values[18] = 1;
                content.m_osc[osc].SetWaveNumber(0, static_cast<int>(m_in.Word() % 1100U));
            }
            static_cast<void>(WritePatchData(path, &content));
        }
        m_lastFile = path;
    }

    Reader& m_in;
    std::string m_project;
    std::string m_lastName;
    std::string m_lastFile;
};

// The folder shape, from one byte: bits 0-2 for "Patch" (6 a link to "Wave", 7 a plain file, else a
// folder), bits 3-5 likewise for "Wave" (6 a link to "Patch" with bit 7, else to itself), bit 6 opens
// the project through a link to it.
std::string BuildProject(Reader& in, const std::string& root) {
    const std::uint8_t shape = in.Byte();
    const std::string project = root + "/Song.prj/";
    ::mkdir(project.c_str(), 0700);
    const auto make = [&project](const char* name, unsigned how, const char* other) {
        const std::string path = project + name;
        if (how == 6) {
            static_cast<void>(::symlink(other, path.c_str()));
        } else if (how == 7) {
            ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        } else {
            ::mkdir(path.c_str(), 0700);
        }
    };
    const unsigned patchHow = shape & 7U;
    const unsigned waveHow = (shape >> 3U) & 7U;
    if (waveHow != 6) {
        make("Wave", waveHow, "");
    }
    make("Patch", patchHow, "Wave");
    if (waveHow == 6) {
        make("Wave", waveHow, (shape & 0x80U) != 0 ? "Patch" : "Wave");
    }
    if ((shape & 0x40U) != 0) {
        static_cast<void>(::symlink("Song.prj", (root + "/Link.prj").c_str()));
        return root + "/Link.prj/";
    }
    return project;
}

void CheckList(const CParameterArray& list, std::size_t capacity, const std::string& folder,
               std::set<std::string>& paths) {
    Check(list.size() == capacity);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CParameter& item = list.Element(i);
        if (item.IsEmpty()) {
            continue;
        }
        Check(item.m_path.rfind(folder, 0) == 0);
        Check(item.m_path.find('/', folder.size()) == std::string::npos);
        Check(IsSlotFileName(item.m_path));
        Check(ParseSlotNumber(item.m_path) == static_cast<int>(i + 1));
        std::error_code error;
        Check(fs::is_regular_file(fs::path(item.m_path), error));
        Check(paths.insert(item.m_path).second);
    }
}

void CheckLoaded(const CTernFileDocument& document, const std::string& project) {
    const CTernData& data = document.Data();
    std::set<std::string> paths;
    CheckList(data.m_patches, kPatchSlots, project + "Patch/", paths);
    CheckList(data.m_waves, kWaveSlots, project + "Wave/", paths);
    for (const std::string& deletion : document.PendingDeletions()) {
        Check(deletion.rfind(project + "Patch/", 0) == 0 || deletion.rfind(project + "Wave/", 0) == 0);
        Check(paths.count(deletion) == 0);
    }
    std::vector<std::set<std::int32_t>> users(kWaveSlots);
    for (std::size_t i = 0; i < data.m_patches.size(); ++i) {
        for (const int number : data.m_patches[i].UsedWaves()) {
            Check(number == 0 || IsWaveSlotNumber(number));
            if (number != 0) {
                users[static_cast<std::size_t>(number - 1)].insert(static_cast<std::int32_t>(i));
            }
        }
    }
    for (std::size_t j = 0; j < kWaveSlots; ++j) {
        const std::vector<std::int32_t>& listed = data.m_waves[j].m_users;
        Check(std::set<std::int32_t>(listed.begin(), listed.end()) == users[j] && listed.size() == users[j].size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDomain& domain = CDomain::Instance();
    domain.SetSeparator("/");
    domain.SetFileSystem(nullptr);

    const char* temp = std::getenv("TMPDIR");
    std::string root = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/orvanta-scan-XXXXXX";
    if (::mkdtemp(root.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    Reader in(data, size);
    const std::string project = BuildProject(in, root);
    FolderBuilder builder(in, project);
    for (std::size_t n = 0; n < kMaxEntries && !in.AtEnd(); ++n) {
        builder.AddEntry();
    }

    {
        CTernFileDocument document;
        if (document.OpenProjectFolder(project)) {
            Check(document.Data().m_projectPath + "/" == project || document.Data().m_projectPath == project);
            CheckLoaded(document, project);
        } else {
            Check(document.Data().CountEmpty(kPatchList) == document.Data().m_patches.size());
            Check(document.Data().CountEmpty(kWaveList) == document.Data().m_waves.size());
        }
    }
    domain.ClearUndo();

    std::error_code error;
    fs::remove_all(fs::path(root), error);
    Check(!error);
    return 0;
}
