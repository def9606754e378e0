#include "TempFolder.h"

#include "model/Utf8.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace Orvanta::TestSupport {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("orvanta-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate, error) && !error) {
            const std::u8string text = candidate.generic_u8string();
            m_path = std::string(text.begin(), text.end()) + "/";
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be created");
}

TempFolder::~TempFolder() {
    std::error_code error;
    // Folders a test made unreadable or unwritable are opened up again so that they can be removed.
    for (fs::recursive_directory_iterator it(Utf8ToPath(m_path), error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(Utf8ToPath(m_path), error);
}

bool CanCreateSymbolicLinks() {
    static const bool can = [] {
        const TempFolder folder;
        std::error_code error;
        fs::create_symlink(Utf8ToPath(folder / "target"), Utf8ToPath(folder / "link"), error);
        return !error;
    }();
    return can;
}

} // namespace Orvanta::TestSupport
