#pragma once

// The program's bitmaps, drawn as rows of colour letters so that they need no image files.
// Plain C++ so that every layer can read it.

#include <cstdint>
#include <span>
#include <string_view>

namespace Orvanta {

struct BitmapColour {
    char letter;
    std::uint32_t rgb; // 0xRRGGBB
};

struct BitmapResource {
    int id;
    int width;
    int height;
    std::span<const BitmapColour> colours;
    std::span<const std::string_view> rows; // `height` rows of `width` letters
};

inline constexpr int kIdbArrow = 4144;

// The usage arrow of the wave list: the left 6 x 6 half is a red arrow pointing right on black, the
// right half its mask, black ('B') where the arrow is drawn and white elsewhere.
inline constexpr std::string_view kArrowRows[] = {
    "...R..WWWBWW", "...RR.WWWBBW", "RRRRRRBBBBBB", "RRRRRRBBBBBB", "...RR.WWWBBW", "...R..WWWBWW",
};

inline constexpr BitmapColour kArrowColours[] = {
    {'.', 0x000000},
    {'B', 0x000000},
    {'R', 0xFF0000},
    {'W', 0xFFFFFF},
};

inline constexpr BitmapResource kBitmapTable[] = {
    {kIdbArrow, 12, 6, kArrowColours, kArrowRows},
};

// The bitmap `id`, or null when the program has none of that number.
constexpr const BitmapResource* FindBitmapResource(int id) {
    for (const BitmapResource& entry : kBitmapTable) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace Orvanta
