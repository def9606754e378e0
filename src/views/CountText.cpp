#include "views/CountText.h"

namespace Orvanta {

QString CountText(long long count, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

} // namespace Orvanta
