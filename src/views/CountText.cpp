#include "views/CountText.h"

#include <QLocale>

namespace Orvanta {

QString GroupedNumber(long long count) {
    static const QLocale grouping(QLocale::English, QLocale::UnitedStates);
    return grouping.toString(count);
}

QString CountText(long long count, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(GroupedNumber(count), count == 1 ? one : many);
}

} // namespace Orvanta
