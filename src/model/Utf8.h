#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace Orvanta {

// Names and paths are UTF-8 byte strings. These helpers count and cut by characters so that a
// cut never splits a multi-byte sequence. A byte that is not valid UTF-8 counts as one character.

// Length in bytes of the character that starts at `pos` (1 for an invalid or stray byte).
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// Number of characters in `text`.
std::size_t Utf8Length(std::string_view text);

// The first `count` characters of `text`.
std::string Utf8Left(std::string_view text, std::size_t count);

// The file-system path of a UTF-8 path, and the UTF-8 text of a file-system path with "/" between
// its parts. On Windows, std::filesystem reads and writes plain strings in the system's code page.
std::filesystem::path Utf8ToPath(const std::string& utf8Path);
std::string PathToUtf8(const std::filesystem::path& path);

} // namespace Orvanta
