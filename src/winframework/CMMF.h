#pragma once

#include <QString>

#include <cstddef>
#include <memory>

class QSharedMemory;

namespace Orvanta {

// A named block of shared memory, created or opened by name for the current user. Two objects
// (in one process or in two) created with the same name share the same bytes while either exists.
class CMMF {
public:
    enum class Result { Failed, Created, Opened };

    CMMF();
    CMMF(const CMMF&) = delete;
    CMMF& operator=(const CMMF&) = delete;
    ~CMMF();

    // Creates the block of `size` bytes, or opens it when it already exists (then its size is the
    // existing one). The name is made per user, so users of one machine never meet.
    Result Create(const QString& name, std::size_t size);
    // A writable view of `size` bytes at `offset`; null when not created or out of range.
    [[nodiscard]] void* Map(std::size_t size, std::size_t offset = 0);
    // Ends the use of a view from Map (the block stays attached until this object goes).
    void Unmap(void* address);
    [[nodiscard]] std::size_t Size() const;
    [[nodiscard]] QString ErrorText() const;

private:
    std::unique_ptr<QSharedMemory> m_memory;
};

} // namespace Orvanta
