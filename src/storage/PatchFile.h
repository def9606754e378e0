#pragma once

#include "storage/CSvdManager.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Orvanta {

class CFile;
class CPatch;
struct CFileStamp;

// Layout of a patch file (".p00"). Multi-byte numbers are big-endian; offsets from the file start.
//
//   0   30    container header template (below); the file is valid only when these bytes match
//   30  232   not interpreted and never written: keeps what the file held when it was copied
//   262 1248  oscillator blocks 0-15, 78 bytes each (OscCodec.h)
//   1510 any  optional trailing bytes, ignored on reading and left in place on writing
//
// The patch's name is not in the file; it comes from the file name.
inline constexpr std::size_t kPatchHeaderSize = 30;
inline constexpr std::size_t kPatchBlocksOffset = 262;
inline constexpr std::size_t kPatchRecordSize = kPatchBlocksOffset + kPackedPatchSize; // 1510
// A patch's own file up to this length is kept in memory whole as it is read (CPatch::m_knownRest).
inline constexpr std::size_t kKeptPatchFileSize = 64 * 1024;

// The container header template, bytes 0 to 29.
// clang-format off
inline constexpr std::array<std::uint8_t, kPatchHeaderSize> kPatchHeaderTemplate = {
    0x00, 0x1E,             // the 16-bit header length, 30
    'S', 'V', 'D', '0',     // magic
    0, 0, 0, 0, 0, 0, 0, 0, // all zero
    'P', 'A', 'T', 'a',     // block type
    'Z', 'E', 'P', 'H',     // model code
    0x00, 0x00, 0x00, 0x20, // the 32-bit value 32
    0, 0, 0, 0,             // all zero
};
// clang-format on

// Reads the patch file at `path` (an internal path) into `patch`: the file must open, hold at least
// 1510 bytes and start with the header template. The blocks read are remembered in the patch for
// PatchDataUnchanged when `path` is the patch's source. On failure `patch` may be half filled and
// must be discarded.
// With `uninterpreted`, that receives bytes 30 to 261 of the file.
bool ReadPatchFile(const std::string& path, CPatch& patch, std::vector<std::uint8_t>* uninterpreted = nullptr);
// The same from `file`, the patch file at `path` opened already; closes it.
bool ReadPatchFile(CFile& file, const std::string& path, CPatch& patch, std::vector<std::uint8_t>* uninterpreted);

// Rewrites the oscillator blocks (bytes 262 to 1509) of the existing patch file at `path` from
// `patch`, without truncating or creating the file; every other byte stays as it is. Succeeds
// without touching the file when `patch` is null.
bool WritePatchData(const std::string& path, const CPatch* patch);
// The same with blocks already packed; `written`, when given, receives the file's stamp after the
// write as the open file tells it (unknown when it cannot).
bool WritePatchBlocks(const std::string& path, std::span<const std::uint8_t, kPackedPatchSize> blocks,
                      CFileStamp* written = nullptr);

// True when the patch file at `path` holds exactly the oscillator blocks that WritePatchData would
// write for `patch`, so that saving it again would change nothing. False when it cannot be read.
[[nodiscard]] bool PatchDataMatches(const std::string& path, const CPatch& patch);

// PatchDataMatches without opening the file when the patch remembers the blocks of the file at
// `path` (read by ReadPatchFile or written by a save) and the file's stamp is still the one taken
// then; reads the file otherwise.
[[nodiscard]] bool PatchDataUnchanged(const std::string& path, const CPatch& patch);
// The same with the file's stamp as just seen (`now`), so that the file is not looked at again.
[[nodiscard]] bool PatchDataUnchanged(const std::string& path, const CPatch& patch, const CFileStamp& now);

// Remembers `patch`'s own packed blocks, and the file's stamp now, as the content of its source
// file, which now holds them.
void RememberPatchBlocks(CPatch& patch);

// True when `patch` remembers all of the patch file at `path` as it was at the stamp it keeps.
[[nodiscard]] bool RemembersPatchFileWhole(const CPatch& patch, const std::string& path);
// The whole content of the patch file at `path` with `blocks` in place of its oscillator blocks,
// made from what `patch` remembers of that file, when it remembers all of it and `now`, the file's
// stamp as just seen, is still the stamp taken then; empty otherwise.
[[nodiscard]] std::vector<std::uint8_t> KnownPatchFile(const CPatch& patch, const std::string& path,
                                                       const CFileStamp& now,
                                                       std::span<const std::uint8_t, kPackedPatchSize> blocks);

} // namespace Orvanta
