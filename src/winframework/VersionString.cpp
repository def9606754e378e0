#include "winframework/VersionString.h"

#include "resources/VersionInfo.h"
#include "winframework/CSettings.h"

namespace Orvanta {

QString VersionString(const QString& valueName) {
    if (valueName == QLatin1String("FileDescription")) {
        return QString::fromUtf8(VersionInfo::kFileDescription);
    }
    if (valueName == QLatin1String("FileVersion")) {
        return QString::fromUtf8(VersionInfo::kFileVersion);
    }
    if (valueName == QLatin1String("ProductVersion")) {
        return QString::fromUtf8(VersionInfo::kProductVersion);
    }
    if (valueName == QLatin1String("LegalCopyright")) {
        return QString::fromUtf8(VersionInfo::kLegalCopyright);
    }
    return {};
}

bool IsNewProgramVersion() {
    return CSettings::ReadString(SettingId::StoredFileVersion) != VersionString(QStringLiteral("FileVersion"));
}

void StoreProgramVersion() {
    CSettings::WriteString(SettingId::StoredFileVersion, VersionString(QStringLiteral("FileVersion")));
}

} // namespace Orvanta
