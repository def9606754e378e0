#pragma once

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

} // namespace Orvanta::TestSupport
