#include "winframework/CMMF.h"

#include <QSharedMemory>

#include <limits>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace Orvanta {

namespace {

QString PerUserKey(const QString& name) {
#if defined(Q_OS_UNIX)
    return name + QStringLiteral(" uid%1").arg(static_cast<qulonglong>(getuid()));
#else
    return name; // Windows names live in the session's own namespace.
#endif
}

} // namespace

CMMF::CMMF() = default;
CMMF::~CMMF() = default;

CMMF::Result CMMF::Create(const QString& name, std::size_t size) {
    if (size == 0 || size > static_cast<std::size_t>(std::numeric_limits<qsizetype>::max())) {
        return Result::Failed;
    }
    m_memory = std::make_unique<QSharedMemory>();
    m_memory->setKey(PerUserKey(name));
    if (m_memory->create(static_cast<qsizetype>(size))) {
        return Result::Created; // a new block starts zero-filled
    }
    if (m_memory->error() == QSharedMemory::AlreadyExists && m_memory->attach()) {
        return Result::Opened;
    }
    return Result::Failed;
}

void* CMMF::Map(std::size_t size, std::size_t offset) {
    if (!m_memory || !m_memory->isAttached()) {
        return nullptr;
    }
    const std::size_t total = Size();
    if (offset > total || size > total - offset) {
        return nullptr;
    }
    return static_cast<char*>(m_memory->data()) + offset;
}

void CMMF::Unmap(void* /*address*/) {
    // The whole block stays mapped while this object is attached; a view needs no release.
}

std::size_t CMMF::Size() const {
    return m_memory && m_memory->isAttached() ? static_cast<std::size_t>(m_memory->size()) : 0;
}

QString CMMF::ErrorText() const {
    return m_memory ? m_memory->errorString() : QString();
}

} // namespace Orvanta
