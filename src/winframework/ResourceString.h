#pragma once

#include "resources/StringTable.h"

#include <QString>

namespace Orvanta {

// Text `id` of the string table as a QString; empty when there is no such string.
inline QString ResourceString(int id) {
    const std::string_view text = LoadStringResource(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace Orvanta
