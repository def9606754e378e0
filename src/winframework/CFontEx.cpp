#include "winframework/CFontEx.h"

#include "winframework/CSettings.h"

#include <QApplication>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace Orvanta {

std::array<int, CFontAttributes::kCount> CFontAttributes::ToArray() const {
    return {height,    width,   escapement,   orientation,   weight,  italic,        underline,
            strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily};
}

CFontAttributes CFontAttributes::FromArray(const std::array<int, kCount>& v) {
    CFontAttributes a;
    a.height = v[0];
    a.width = v[1];
    a.escapement = v[2];
    a.orientation = v[3];
    a.weight = v[4];
    a.italic = v[5];
    a.underline = v[6];
    a.strikeOut = v[7];
    a.charSet = v[8];
    a.outPrecision = v[9];
    a.clipPrecision = v[10];
    a.quality = v[11];
    a.pitchAndFamily = v[12];
    return a;
}

QString CFontEx::FormatAttributes(const CFontAttributes& attributes) {
    QStringList parts;
    for (const int value : attributes.ToArray()) {
        parts.push_back(QString::number(value));
    }
    return parts.join(QLatin1Char(','));
}

std::optional<CFontAttributes> CFontEx::ParseAttributes(const QString& text) {
    std::array<int, CFontAttributes::kCount> values = CFontAttributes{}.ToArray();
    const QList<int> read = CSettings::ScanDecimalList(text, CFontAttributes::kCount);
    if (read.size() < CFontAttributes::kRequired) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < read.size(); ++i) {
        values[static_cast<std::size_t>(i)] = read[i];
    }
    return CFontAttributes::FromArray(values);
}

QFont CFontEx::MakeFont(const QString& faceName, const CFontAttributes& attributes) {
    QFont font = QApplication::font();
    font.setFamily(faceName);
    if (attributes.height != 0) {
        font.setPixelSize(std::clamp(std::abs(attributes.height), 1, 1000));
    }
    if (attributes.weight > 0) {
        font.setWeight(static_cast<QFont::Weight>(std::clamp(attributes.weight, 1, 1000)));
    } else {
        font.setWeight(QFont::Normal);
    }
    font.setItalic(attributes.italic != 0);
    font.setUnderline(attributes.underline != 0);
    font.setStrikeOut(attributes.strikeOut != 0);
    font.setFixedPitch((attributes.pitchAndFamily & 0x03) == 1);
    return font;
}

CFontAttributes CFontEx::AttributesOf(const QFont& font) {
    CFontAttributes attributes;
    int pixels = font.pixelSize();
    if (pixels <= 0) {
        pixels = QFontInfo(font).pixelSize();
    }
    attributes.height = -pixels;
    attributes.weight = font.weight();
    attributes.italic = font.italic() ? 1 : 0;
    attributes.underline = font.underline() ? 1 : 0;
    attributes.strikeOut = font.strikeOut() ? 1 : 0;
    attributes.pitchAndFamily = (attributes.pitchAndFamily & ~0x03) | (font.fixedPitch() ? 1 : 2);
    return attributes;
}

QRgb CFontEx::ColorFromColorRef(quint32 colorRef) {
    return qRgb(static_cast<int>(colorRef & 0xFFu), static_cast<int>((colorRef >> 8) & 0xFFu),
                static_cast<int>((colorRef >> 16) & 0xFFu));
}

quint32 CFontEx::ColorRefFromColor(QRgb color) {
    return static_cast<quint32>(qRed(color)) | (static_cast<quint32>(qGreen(color)) << 8) |
           (static_cast<quint32>(qBlue(color)) << 16);
}

void CFontEx::Load(const QString& section, const QString& prefix) {
    if (m_hasFont) {
        return;
    }
    const QString faceName = CSettings::ReadProfileString(section, prefix + QStringLiteral("FaceName"), {});
    const QString attributeText = CSettings::ReadProfileString(section, prefix + QStringLiteral("Attribute"), {});
    std::optional<CFontAttributes> attributes;
    if (!faceName.isEmpty() && !attributeText.isEmpty()) {
        attributes = ParseAttributes(attributeText);
    }
    if (attributes) {
        m_faceName = faceName;
        m_attributes = *attributes;
        m_font = MakeFont(m_faceName, m_attributes);
    } else {
        // No stored font, or one whose attributes cannot be read: the default user-interface font.
        m_font = QApplication::font();
        m_faceName = m_font.family();
        m_attributes = AttributesOf(m_font);
    }
    m_hasFont = true;
    m_colorRef = static_cast<quint32>(CSettings::ReadProfileInt(section, prefix + QStringLiteral("Color"), 0));
}

void CFontEx::Save(const QString& section, const QString& prefix) const {
    if (!m_hasFont) {
        return;
    }
    CSettings::WriteProfileString(section, prefix + QStringLiteral("FaceName"), m_faceName);
    CSettings::WriteProfileString(section, prefix + QStringLiteral("Attribute"), FormatAttributes(m_attributes));
    CSettings::WriteProfileInt(section, prefix + QStringLiteral("Color"), static_cast<int>(m_colorRef));
}

void CFontEx::SetFont(const QFont& font, quint32 colorRef) {
    m_font = font;
    m_faceName = font.family();
    m_attributes = AttributesOf(font);
    m_colorRef = colorRef;
    m_hasFont = true;
}

} // namespace Orvanta
