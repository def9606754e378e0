#include "storage/PatchFile.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <algorithm>

namespace Orvanta {

namespace {

// Fills `buffer` from the file's current position; false when the file ends first or a read fails.
bool ReadFully(CFile& file, std::span<std::uint8_t> buffer) {
    return file.ReadUntilFull(buffer) == buffer.size();
}

} // namespace

bool ReadPatchFile(const std::string& path, CPatch& patch, std::vector<std::uint8_t>* uninterpreted) {
    const std::unique_ptr<CFile> file = CDomain::Instance().FileSystem().OpenRead(ToNativePath(path));
    return file && ReadPatchFile(*file, path, patch, uninterpreted);
}

bool ReadPatchFile(CFile& file, const std::string& path, CPatch& patch, std::vector<std::uint8_t>* uninterpreted) {
    // Taken before reading: a file that changes meanwhile no longer matches it and is read again.
    // The open file knows its stamp where the file system says it when opening; a look at the
    // entry costs a second system call per patch file.
    CFileStamp stamp;
    if (patch.m_path == path) {
        stamp = file.Stamp();
        if (stamp.size < 0) {
            stamp = CDomain::Instance().FileSystem().Stamp(ToNativePath(path));
        }
    }
    // The patch's own file, when its length is known and modest, is read whole in the same one read,
    // so that a save can write it again without reading it; of any other, the record.
    const bool whole = patch.m_path == path && stamp.size >= static_cast<std::int64_t>(kPatchRecordSize) &&
                       stamp.size <= static_cast<std::int64_t>(kKeptPatchFileSize);
    std::vector<std::uint8_t> bytes(whole ? static_cast<std::size_t>(stamp.size) : kPatchRecordSize);
    const std::size_t got = file.ReadUntilFull(bytes);
    if (got < kPatchRecordSize ||
        !std::equal(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end(), bytes.begin())) {
        return false;
    }
    const auto blocks = std::span(bytes).subspan<kPatchBlocksOffset, kPackedPatchSize>();
    CSvdManager().UnpackPatch(blocks, patch);
    if (uninterpreted != nullptr) {
        uninterpreted->assign(bytes.begin() + kPatchHeaderSize, bytes.begin() + kPatchBlocksOffset);
    }
    if (patch.m_path == path) {
        patch.m_knownBlocks.assign(blocks.begin(), blocks.end());
        patch.m_knownPath = path;
        patch.m_knownStamp = stamp;
        patch.m_knownRest.clear();
        // A file that ended early was not read whole.
        if (whole && got == bytes.size()) {
            patch.m_knownRest.assign(bytes.begin() + kPatchHeaderSize, bytes.begin() + kPatchBlocksOffset);
            patch.m_knownRest.insert(patch.m_knownRest.end(), bytes.begin() + kPatchRecordSize, bytes.end());
        }
    }
    return file.Close();
}

bool PatchDataMatches(const std::string& path, const CPatch& patch) {
    const std::unique_ptr<CFile> file = CDomain::Instance().FileSystem().OpenRead(ToNativePath(path));
    if (!file || !file->Seek(static_cast<std::int64_t>(kPatchBlocksOffset))) {
        return false;
    }
    std::array<std::uint8_t, kPackedPatchSize> stored{};
    if (!ReadFully(*file, stored)) {
        return false;
    }
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(patch, blocks);
    return stored == blocks;
}

namespace {

// PatchDataUnchanged with the stamp seen just now, or looked at when null.
bool UnchangedSince(const std::string& path, const CPatch& patch, const CFileStamp* now) {
    // Known only while the file's entry shows the same size and modification time.
    if (patch.m_knownPath != path || patch.m_knownBlocks.size() != kPackedPatchSize ||
        patch.m_knownStamp.modified < 0 ||
        (now != nullptr ? *now : CDomain::Instance().FileSystem().Stamp(ToNativePath(path))) != patch.m_knownStamp) {
        return PatchDataMatches(path, patch);
    }
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(patch, blocks);
    return std::equal(blocks.begin(), blocks.end(), patch.m_knownBlocks.begin());
}

} // namespace

bool PatchDataUnchanged(const std::string& path, const CPatch& patch) {
    return UnchangedSince(path, patch, nullptr);
}

bool PatchDataUnchanged(const std::string& path, const CPatch& patch, const CFileStamp& now) {
    return UnchangedSince(path, patch, &now);
}

void RememberPatchBlocks(CPatch& patch) {
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(patch, blocks);
    patch.m_knownBlocks.assign(blocks.begin(), blocks.end());
    patch.m_knownPath = patch.m_path;
    patch.m_knownStamp = CDomain::Instance().FileSystem().Stamp(ToNativePath(patch.m_path));
    patch.m_knownRest.clear();
}

namespace {

constexpr std::size_t kUninterpretedSize = kPatchBlocksOffset - kPatchHeaderSize;

} // namespace

bool RemembersPatchFileWhole(const CPatch& patch, const std::string& path) {
    return patch.m_knownPath == path && patch.m_knownRest.size() >= kUninterpretedSize &&
           patch.m_knownStamp.modified >= 0;
}

std::vector<std::uint8_t> KnownPatchFile(const CPatch& patch, const std::string& path, const CFileStamp& now,
                                         std::span<const std::uint8_t, kPackedPatchSize> blocks) {
    if (!RemembersPatchFileWhole(patch, path) || now != patch.m_knownStamp) {
        return {};
    }
    const auto rest = patch.m_knownRest.begin();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kPatchRecordSize + patch.m_knownRest.size() - kUninterpretedSize);
    bytes.insert(bytes.end(), kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end());
    bytes.insert(bytes.end(), rest, rest + kUninterpretedSize);
    bytes.insert(bytes.end(), blocks.begin(), blocks.end());
    bytes.insert(bytes.end(), rest + kUninterpretedSize, patch.m_knownRest.end());
    return bytes;
}

bool WritePatchData(const std::string& path, const CPatch* patch) {
    if (patch == nullptr) {
        return true;
    }
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(*patch, blocks);
    return WritePatchBlocks(path, blocks);
}

bool WritePatchBlocks(const std::string& path, std::span<const std::uint8_t, kPackedPatchSize> blocks,
                      CFileStamp* written) {
    const std::unique_ptr<CFile> file = CDomain::Instance().FileSystem().OpenReadWrite(ToNativePath(path));
    if (!file || !file->Seek(static_cast<std::int64_t>(kPatchBlocksOffset)) || !file->Write(blocks)) {
        return false;
    }
    if (written != nullptr) {
        *written = file->CurrentStamp();
    }
    return file->Close();
}

} // namespace Orvanta
