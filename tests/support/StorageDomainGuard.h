#pragma once

#include "model/CTernTextOut.h"

#include <memory>
#include <vector>

namespace Orvanta {
class CFileSystem;
}

namespace Orvanta::TestSupport {

// A message reporter that records every error code it is given.
class RecordingTextOut : public CTernTextOut {
public:
    void Error(int code) override { m_codes.push_back(code); }
    std::vector<int> m_codes;
};

// Puts the domain into a known state for a storage test and back afterwards: separator "/", a
// recording message reporter, the given file system (the native one by default), no undo state.
// Afterwards the file system in use before comes back; the message reporter is removed.
class StorageDomainGuard {
public:
    explicit StorageDomainGuard(CFileSystem* fileSystem = nullptr);
    StorageDomainGuard(const StorageDomainGuard&) = delete;
    StorageDomainGuard& operator=(const StorageDomainGuard&) = delete;
    ~StorageDomainGuard();

    // Error codes reported through the message reporter while the guard lives.
    [[nodiscard]] const std::vector<int>& ReportedCodes() const { return m_reporter->m_codes; }

private:
    std::shared_ptr<RecordingTextOut> m_reporter;
    CFileSystem* m_previousFileSystem;
};

} // namespace Orvanta::TestSupport
