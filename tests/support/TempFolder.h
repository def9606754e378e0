#pragma once

#include <filesystem>
#include <string>

namespace Orvanta::TestSupport {

// A fresh, empty folder under the system's temporary folder, removed with everything in it when the
// object goes. Path() is an internal folder path: absolute, "/" separators, ending in "/".
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Path() + relative.
    [[nodiscard]] std::string operator/(const std::string& relative) const { return m_path + relative; }

private:
    std::string m_path;
};

// True when this process can create symbolic links. Windows allows it only with a privilege or in
// developer mode, and the MinGW runtime creates none; tests of links are skipped without them.
bool CanCreateSymbolicLinks();

} // namespace Orvanta::TestSupport
