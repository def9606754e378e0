#pragma once

#include <QFont>
#include <QRgb>
#include <QString>

#include <array>
#include <optional>

namespace Orvanta {

// The 13 font attributes kept in the settings, in their stored order.
struct CFontAttributes {
    int height = 0; // negative: character height in pixels; positive: cell height
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0; // 100 .. 900, 0 for the default
    int italic = 0;
    int underline = 0;
    int strikeOut = 0;
    int charSet = 128;
    int outPrecision = 3;
    int clipPrecision = 2;
    int quality = 0;
    int pitchAndFamily = 49;

    static constexpr int kCount = 13;
    // The five leading attributes must be present in a stored text.
    static constexpr int kRequired = 5;

    [[nodiscard]] std::array<int, kCount> ToArray() const;
    static CFontAttributes FromArray(const std::array<int, kCount>& values);
    bool operator==(const CFontAttributes&) const = default;
};

// The list font shared by the lists: a font and its text colour, loaded from and saved to the
// settings under a section and a value-name prefix ("Option", "Font": FontFaceName,
// FontAttribute, FontColor).
class CFontEx {
public:
    // "%d,...,%d" of all 13 attributes.
    static QString FormatAttributes(const CFontAttributes& attributes);
    // Reads up to 13 comma-separated integers; each overrides its default (italic, underline,
    // strike-out 0, character set 128, output precision 3, clip precision 2, quality 0, pitch and
    // family 49). Nothing when the five leading ones are not all there.
    static std::optional<CFontAttributes> ParseAttributes(const QString& text);
    // A font built from a face name and attributes, and the attributes that describe a font.
    static QFont MakeFont(const QString& faceName, const CFontAttributes& attributes);
    static CFontAttributes AttributesOf(const QFont& font);
    // 0x00BBGGRR colour values.
    static QRgb ColorFromColorRef(quint32 colorRef);
    static quint32 ColorRefFromColor(QRgb color);

    // When no font is held yet: reads face name and attributes; when both are there (and the
    // attributes readable) builds that font, else takes the application's default font; then
    // reads the colour (default 0).
    void Load(const QString& section, const QString& prefix);
    // When a font is held: writes face name, attributes and colour.
    void Save(const QString& section, const QString& prefix) const;

    // Replaces the font (after the font dialog) and its colour.
    void SetFont(const QFont& font, quint32 colorRef);

    [[nodiscard]] bool HasFont() const { return m_hasFont; }
    [[nodiscard]] const QFont& Font() const { return m_font; }
    [[nodiscard]] const QString& FaceName() const { return m_faceName; }
    [[nodiscard]] const CFontAttributes& Attributes() const { return m_attributes; }
    [[nodiscard]] quint32 ColorRef() const { return m_colorRef; }
    [[nodiscard]] QRgb Color() const { return ColorFromColorRef(m_colorRef); }

private:
    bool m_hasFont = false;
    QFont m_font;
    QString m_faceName;
    CFontAttributes m_attributes;
    quint32 m_colorRef = 0;
};

} // namespace Orvanta
