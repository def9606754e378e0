#pragma once

#include <optional>
#include <string>

namespace Orvanta::Cli {

// The work folder of one run of a script. By default a fresh private folder (owner-only access)
// under the system's temporary folder, removed at exit. A folder named by --work-folder or by the
// environment variable ORVANTA_WORK_FOLDER is used instead; at exit its patch and wave files are
// deleted, as the GUI does with its work folder, and the folder stays.
class CRunWorkFolder {
public:
    CRunWorkFolder() = default;
    CRunWorkFolder(const CRunWorkFolder&) = delete;
    CRunWorkFolder& operator=(const CRunWorkFolder&) = delete;
    // Cleans the folder (see above). Reports files that cannot be deleted through the domain's
    // message reporter, so it must go before the reporters are released.
    ~CRunWorkFolder();

    // Sets the folder up and makes it the domain's work folder; `named` is the --work-folder value.
    // False when no folder could be set up.
    bool SetUp(const std::optional<std::string>& named);

    // The folder in the system's form (ending in "/"), once set up.
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The folder named by --work-folder or the environment, made absolute; empty for a private one.
    [[nodiscard]] const std::string& Chosen() const { return m_chosen; }

private:
    std::string m_path;
    std::string m_chosen;
    bool m_private = false;
};

// A new folder with owner-only access under the system's temporary folder; empty on failure.
[[nodiscard]] std::string CreatePrivateTemporaryFolder();

} // namespace Orvanta::Cli
