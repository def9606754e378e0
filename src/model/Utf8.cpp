#include "model/Utf8.h"

namespace Orvanta {

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0U) == 0x80U;
}

} // namespace

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        length = 2;
    } else if (lead >= 0xE0U && lead <= 0xEFU) {
        length = 3;
    } else if (lead >= 0xF0U && lead <= 0xF4U) {
        length = 4;
    } else {
        return 1;
    }
    if (pos + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) {
            return 1;
        }
    }
    return length;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += Utf8CharLength(text, pos)) {
        ++count;
    }
    return count;
}

std::string Utf8Left(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        pos += Utf8CharLength(text, pos);
    }
    return std::string(text.substr(0, pos));
}

// Elsewhere paths are bytes, taken and given as they are (a name need not be valid UTF-8 there).
std::filesystem::path Utf8ToPath(const std::string& utf8Path) {
#if defined(_WIN32)
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
#else
    return std::filesystem::path(utf8Path);
#endif
}

std::string PathToUtf8(const std::filesystem::path& path) {
#if defined(_WIN32)
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
#else
    return path.generic_string();
#endif
}

} // namespace Orvanta
