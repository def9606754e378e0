// Fuzzes ReadPatchFile on arbitrary bytes, served from memory through the core's file-system
// interface: it must answer true exactly for a record of at least 1510 bytes that starts with the
// header template, never read out of bounds, and leave wave references usable. The first input byte
// shapes the file so that the blocks are reached often: bit 0 puts the header template in front of
// the rest, bit 1 pads the file with zeros to the record size.

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "storage/PatchFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace Orvanta;

namespace {

class MemoryFile : public CFile {
public:
    explicit MemoryFile(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    std::int64_t Read(std::span<std::uint8_t> buffer) override {
        const std::size_t count = std::min(buffer.size(), m_bytes.size() - std::min(m_position, m_bytes.size()));
        if (count > 0) {
            std::memcpy(buffer.data(), m_bytes.data() + m_position, count);
        }
        m_position += count;
        return static_cast<std::int64_t>(count);
    }
    bool Write(std::span<const std::uint8_t>) override { return false; }
    bool Seek(std::int64_t offset) override {
        m_position = static_cast<std::size_t>(offset);
        return offset >= 0;
    }
    bool Close() override { return true; }

private:
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_position = 0;
};

// One read-only file, "/f.p00", holding the fuzz input.
class MemoryFileSystem : public CFileSystem {
public:
    std::vector<std::uint8_t> m_bytes;

    std::unique_ptr<CFile> OpenRead(const std::string& path) override {
        return path == "/f.p00" ? std::make_unique<MemoryFile>(m_bytes) : nullptr;
    }
    std::unique_ptr<CFile> OpenReadWrite(const std::string&) override { return nullptr; }
    bool CopyWholeFile(const std::string&, const std::string&) override { return false; }
    bool Rename(const std::string&, const std::string&) override { return false; }
    bool Delete(const std::string&) override { return false; }
    FolderCreation CreateFolder(const std::string&) override { return FolderCreation::kFailed; }
    bool RemoveFolder(const std::string&) override { return false; }
    std::vector<std::string> ListFolder(const std::string&, const std::string&) override { return {}; }
    std::int64_t FileSize(const std::string& path) override {
        return path == "/f.p00" ? static_cast<std::int64_t>(m_bytes.size()) : -1;
    }
    bool IsFolder(const std::string&) override { return false; }
    bool Exists(const std::string& path) override { return path == "/f.p00"; }
    bool IsSameEntry(const std::string&, const std::string&) override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFileSystem fileSystem;
    CDomain::Instance().SetFileSystem(&fileSystem);
    fileSystem.m_bytes.assign(data, data + size);

    const bool valid =
        size >= kPatchRecordSize && std::equal(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), data);
    CPatch patch;
    if (ReadPatchFile("/f.p00", patch) != valid) {
        __builtin_trap();
    }
    for (const int number : patch.UsedWaves()) {
        if (number != 0 && !IsWaveSlotNumber(number)) {
            __builtin_trap();
        }
    }
    return 0;
}
