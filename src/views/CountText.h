#pragma once

#include <QString>

namespace Orvanta {

// "1 wave", "3 waves": a count with the word that fits it.
[[nodiscard]] QString CountText(long long count, const QString& one, const QString& many);

} // namespace Orvanta
