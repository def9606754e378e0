#pragma once

#include <optional>
#include <string>

namespace Orvanta::Cli {

// The work folder of one run of a script. By default a fresh private folder (owner-only access)
// under the system's temporary folder, removed with everything in it at exit. A folder named by
// --work-folder or by the environment variable ORVANTA_WORK_FOLDER is used instead. Either way the
// run works in a private sub-folder of its own (see SetUpWorkFolder), so that runs and the GUI can
// share a named folder; at exit the files the run made there and the sub-folder are removed, and
// everything else in the named folder stays.
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

    // The run's own sub-folder in the system's form (ending in "/"), once set up.
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The folder named by --work-folder or the environment, made absolute; empty for a private one.
    [[nodiscard]] const std::string& Chosen() const { return m_chosen; }

private:
    std::string m_path;
    std::string m_chosen;
    std::string m_private; // the private temporary folder, when no folder was named
};

// A new folder with owner-only access under the system's temporary folder; empty on failure.
[[nodiscard]] std::string CreatePrivateTemporaryFolder();

} // namespace Orvanta::Cli
