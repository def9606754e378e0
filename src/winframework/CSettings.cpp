#include "winframework/CSettings.h"

#include <QSettings>

#include <algorithm>
#include <array>
#include <limits>

namespace Orvanta {

namespace {

constexpr std::array<SettingSpec, static_cast<std::size_t>(SettingId::Count)> kTable{{
    {SettingId::FontFaceName, "Option", "FontFaceName", SettingType::String, "", 0},
    {SettingId::FontAttribute, "Option", "FontAttribute", SettingType::String, "", 0},
    {SettingId::FontColor, "Option", "FontColor", SettingType::Integer, "", 0},
    {SettingId::GridSw, "Option", "GridSw", SettingType::Integer, "", 0},
    {SettingId::WaveOption, "Option", "WaveOption", SettingType::Integer, "", 0},
    {SettingId::PatchOption, "Option", "PatchOption", SettingType::Integer, "", 0},
    {SettingId::OpenFolderName, "OpenFolder", "FolderName", SettingType::String, "", 0},
    {SettingId::RecentFile, "Recent File List", "File%d", SettingType::String, "", 0},
    {SettingId::WindowPosition, "Window", "Position", SettingType::String, "0,0,600,400", 0},
    {SettingId::WindowMaximized, "Window", "Maximized", SettingType::Integer, "", 0},
    {SettingId::ChildWindowPosition, "Window", "Position%d", SettingType::String, "-2147483648,-2147483648,0,0", 0},
    {SettingId::StoredFileVersion, "Version", "FileVersion", SettingType::String, "", 0},
    {SettingId::ControlBarState, "ControlBar", "State", SettingType::Bytes, "", 0},
    {SettingId::PatchListColumnWidth, "PatchListCtrl", "ColumnWidth", SettingType::String, "56,136", 0},
    {SettingId::WaveListColumnWidth, "WaveListCtrl", "ColumnWidth", SettingType::String, "56,136", 0},
    {SettingId::WavInitialDirectory, "WAV", "InitialDirectory", SettingType::String, "", 0},
    {SettingId::WavInitialFileName, "WAV", "InitialFileName", SettingType::String, "", 0},
    {SettingId::WavInitialFilterIndex, "WAV", "InitialFilterIndex", SettingType::Integer, "", 1},
    {SettingId::MoveToTrash, "Option", "MoveToTrash", SettingType::Integer, "", 1},
}};

constexpr bool TableIsInIdOrder() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (static_cast<std::size_t>(kTable[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TableIsInIdOrder(), "the settings table must list the identifiers in their order");

QString Key(const QString& section, const QString& name) {
    return section + QLatin1Char('/') + name;
}

QString SectionOf(SettingId id) {
    return QString::fromLatin1(CSettings::Spec(id).section);
}

} // namespace

std::span<const SettingSpec> CSettings::Table() {
    return kTable;
}

const SettingSpec& CSettings::Spec(SettingId id) {
    return kTable[static_cast<std::size_t>(id)];
}

QString CSettings::ValueName(SettingId id, int number) {
    QString name = QString::fromLatin1(Spec(id).name);
    const qsizetype at = name.indexOf(QLatin1String("%d"));
    if (at >= 0) {
        name.replace(at, 2, QString::number(number));
    }
    return name;
}

std::unique_ptr<QSettings> CSettings::Open() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
}

QString CSettings::ReadString(SettingId id, int number) {
    return ReadProfileString(SectionOf(id), ValueName(id, number), QString::fromUtf8(Spec(id).defaultText));
}

void CSettings::WriteString(SettingId id, const QString& value, int number) {
    WriteProfileString(SectionOf(id), ValueName(id, number), value);
}

int CSettings::ReadInt(SettingId id, int number) {
    return ReadProfileInt(SectionOf(id), ValueName(id, number), Spec(id).defaultInteger);
}

void CSettings::WriteInt(SettingId id, int value, int number) {
    WriteProfileInt(SectionOf(id), ValueName(id, number), value);
}

QByteArray CSettings::ReadBytes(SettingId id, int number) {
    const QVariant value = Open()->value(Key(SectionOf(id), ValueName(id, number)));
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void CSettings::WriteBytes(SettingId id, const QByteArray& value, int number) {
    Open()->setValue(Key(SectionOf(id), ValueName(id, number)), value);
}

bool CSettings::Contains(SettingId id, int number) {
    return Open()->contains(Key(SectionOf(id), ValueName(id, number)));
}

void CSettings::Remove(SettingId id, int number) {
    Open()->remove(Key(SectionOf(id), ValueName(id, number)));
}

QString CSettings::ReadProfileString(const QString& section, const QString& name, const QString& fallback) {
    const QVariant value = Open()->value(Key(section, name));
    if (!value.isValid() || !value.canConvert<QString>()) {
        return fallback;
    }
    return value.toString();
}

bool CSettings::ContainsProfileValue(const QString& section, const QString& name) {
    return Open()->contains(Key(section, name));
}

void CSettings::WriteProfileString(const QString& section, const QString& name, const QString& value) {
    Open()->setValue(Key(section, name), value);
}

int CSettings::ReadProfileInt(const QString& section, const QString& name, int fallback) {
    const QVariant value = Open()->value(Key(section, name));
    if (!value.isValid()) {
        return fallback;
    }
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : fallback;
}

void CSettings::WriteProfileInt(const QString& section, const QString& name, int value) {
    Open()->setValue(Key(section, name), value);
}

QStringList CSettings::ReadRecentFiles() {
    QStringList paths;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = ReadString(SettingId::RecentFile, i);
        if (path.isEmpty()) {
            break;
        }
        paths.push_back(path);
    }
    return paths;
}

void CSettings::WriteRecentFiles(const QStringList& paths) {
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const qsizetype at = i - 1;
        if (at < paths.size() && !paths[at].isEmpty()) {
            WriteString(SettingId::RecentFile, paths[at], i);
        } else {
            Remove(SettingId::RecentFile, i);
        }
    }
}

int CSettings::ScanInteger(QStringView text, bool* ok) {
    const auto digitValue = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            return u - u'0';
        }
        if (u >= u'a' && u <= u'f') {
            return u - u'a' + 10;
        }
        if (u >= u'A' && u <= u'F') {
            return u - u'A' + 10;
        }
        return -1;
    };
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size && (text[at] == u' ' || text[at] == u'\t')) {
        ++at;
    }
    bool negative = false;
    if (at < size && (text[at] == u'-' || text[at] == u'+')) {
        negative = text[at] == u'-';
        ++at;
    }
    int base = 10;
    if (at < size && text[at] == u'0') {
        base = 8;
        // "0x" counts only when a hexadecimal digit follows; otherwise the "0" alone is the number.
        if (at + 2 < size && (text[at + 1] == u'x' || text[at + 1] == u'X') && digitValue(text[at + 2]) >= 0) {
            base = 16;
            at += 2;
        }
    }
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    long long value = 0;
    bool any = false;
    for (; at < size; ++at) {
        const int digit = digitValue(text[at]);
        if (digit < 0 || digit >= base) {
            break;
        }
        any = true;
        value = std::min(value * base + digit, kLimit);
    }
    if (ok != nullptr) {
        *ok = any;
    }
    if (negative) {
        value = -value;
    }
    value = std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return static_cast<int>(value);
}

QList<int> CSettings::ScanDecimalList(QStringView text, int maxCount) {
    constexpr long long kLimit = 1LL << 40;
    QList<int> values;
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (values.size() < maxCount) {
        if (!values.isEmpty()) {
            if (at >= size || text[at] != u',') {
                break;
            }
            ++at;
        }
        while (at < size && text[at].isSpace()) {
            ++at;
        }
        bool negative = false;
        if (at < size && (text[at] == u'-' || text[at] == u'+')) {
            negative = text[at] == u'-';
            ++at;
        }
        long long value = 0;
        bool any = false;
        while (at < size && text[at] >= u'0' && text[at] <= u'9') {
            value = std::min(value * 10 + (text[at].unicode() - u'0'), kLimit);
            any = true;
            ++at;
        }
        if (!any) {
            break;
        }
        value = std::clamp<long long>(negative ? -value : value, std::numeric_limits<int>::min(),
                                      std::numeric_limits<int>::max());
        values.push_back(static_cast<int>(value));
    }
    return values;
}

QList<int> CSettings::ParseColumnWidths(const QString& text, int columnCount) {
    const QStringList tokens = text.split(QLatin1Char(','));
    QList<int> widths;
    for (int column = 0; column < columnCount; ++column) {
        const qsizetype at = column;
        int width = column == 0 ? kDefaultNumberColumnWidth : kDefaultOtherColumnWidth;
        if (at < tokens.size() && !tokens[at].isEmpty()) {
            width = std::max(0, ScanInteger(tokens[at]));
        }
        widths.push_back(width);
    }
    return widths;
}

QString CSettings::FormatColumnWidths(const QList<int>& widths) {
    QStringList parts;
    for (const int width : widths) {
        parts.push_back(QString::number(width));
    }
    return parts.join(QLatin1Char(','));
}

} // namespace Orvanta
