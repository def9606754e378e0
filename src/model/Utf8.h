#pragma once

#include <cstddef>
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

} // namespace Orvanta
