#pragma once

#include <QString>

namespace Orvanta {

// "1,511": a count with its thousands grouped.
[[nodiscard]] QString GroupedNumber(long long count);
// "1 wave", "3 waves", "1,511 waves": a count with the word that fits it.
[[nodiscard]] QString CountText(long long count, const QString& one, const QString& many);

} // namespace Orvanta
