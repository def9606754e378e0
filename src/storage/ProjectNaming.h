#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

// Text rules for project folders and the files in them. Inside the system every path is absolute,
// uses "/" as separator, and folder paths end in "/". None of these functions touches the disk.

// A path chosen by the user in the system's form: trailing separators dropped (never the root's
// own), "/" appended and, on Windows only, every pair of backslashes made one and every backslash
// made "/". "/data/Song.prj//" gives "/data/Song.prj/"; on Windows "C:\Data\Song.prj" gives
// "C:/Data/Song.prj/", while elsewhere a backslash is part of a file name and stays.
std::string NormaliseProjectPath(const std::string& path);

// The path as the file system takes it: every "/" replaced by the domain's native separator,
// unless that separator is "/" (or not set). The single point where a path leaves the system.
std::string ToNativePath(const std::string& path);

// The sub-folders of a project folder ("Patch/", "Wave/") with the patterns of the files loading
// takes from each.
const std::vector<std::pair<std::string, std::vector<std::string>>>& ProjectFilePatterns();

// The project folder's own name, as the user knows it: "/music/Song.prj/" gives "Song.prj".
std::string ProjectFolderName(const std::string& projectPath);

// The slot prefix of a number: three digits with leading zeros and a blank ("001 ", "512 ");
// numbers from 1000 up get no leading zeros ("1000 ").
std::string FormatSlotNumber(int number);

// The file name without its folder and without its extension: "Wave/001 Pad.wav" gives "001 Pad".
std::string StemName(const std::string& path);

// The file name without its folder, without everything up to and including its first blank and
// without its extension: ".../Patch/007 Lead A.p00" gives "Lead A".
std::string BareName(const std::string& path);

// The text from the last "." on, dot and letter case kept; a path without "." is returned whole.
std::string Extension(const std::string& path);

// The (at most) three characters of the file name read as a decimal number: leading blanks
// skipped, an optional sign, digits up to the first non-digit; 0 when there are no digits.
int ParseSlotNumber(const std::string& path);

// True when both texts have the same length and agree byte by byte after folding A-Z to a-z.
bool IsSameTextNoCase(const std::string& first, const std::string& second);

// A byte count for the user: "%d Bytes" below 1024, "%3.1f KB" below 1048576, else "%3.1f MB".
std::string FormatByteSize(std::int64_t bytes);

// Longest stem of a slot file, in characters: the four-character prefix and a 12-character name.
inline constexpr std::size_t kMaxSlotStemLength = 16;

// The slot-file rule: the stem has at most 16 characters (of UTF-8 text, not bytes), its first three
// bytes are the digits "0" to "9" and its fourth is a blank. "001 Brass.p00" passes, "1 Brass.p00"
// and "001Brass.p00" do not.
bool IsSlotFileName(const std::string& path);

} // namespace Orvanta
