#include "StorageDomainGuard.h"

#include "model/CDomain.h"

namespace Orvanta::TestSupport {

StorageDomainGuard::StorageDomainGuard(CFileSystem* fileSystem)
    : m_reporter(std::make_shared<RecordingTextOut>()), m_previousFileSystem(&CDomain::Instance().FileSystem()) {
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    domain.SetSeparator("/");
    domain.SetReporter(0, m_reporter);
    domain.SetFileSystem(fileSystem);
}

StorageDomainGuard::~StorageDomainGuard() {
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    domain.SetReporter(0, nullptr);
    domain.SetFileSystem(m_previousFileSystem);
}

} // namespace Orvanta::TestSupport
