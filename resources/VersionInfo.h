#pragma once

// The program's version texts (the version resource on Windows carries the same values). The About
// box and the stored-version check of the tool-bar layout read them by value name.

namespace Orvanta::VersionInfo {

inline constexpr const char* kFileDescription = "Orvanta Librarian";
inline constexpr const char* kFileVersion = "1.00";
inline constexpr const char* kProductVersion = "1, 0, 0, 5";
inline constexpr const char* kLegalCopyright = "Copyright (C) Veltrane";

} // namespace Orvanta::VersionInfo
