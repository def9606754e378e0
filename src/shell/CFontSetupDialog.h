#pragma once

#include <QFont>
#include <QFontDialog>
#include <QRgb>

#include <optional>

class QPushButton;

namespace Orvanta {

// Set Up Font: the toolkit's font dialog (screen fonts, with underline and strike-out) with a
// colour choice added, started from the list font and its colour.
class CFontSetupDialog : public QFontDialog {
    Q_OBJECT

public:
    CFontSetupDialog(const QFont& font, QRgb color, QWidget* parent = nullptr);

    // Shows the dialog modally; QDialog::Accepted with the chosen font and colour, or Rejected.
    int Run();

    [[nodiscard]] QFont ChosenFont() const { return m_font; }
    [[nodiscard]] QRgb ChosenColor() const { return m_color; }
    [[nodiscard]] QPushButton* ColorButton() const { return m_colorButton; }
    void SetColor(QRgb color);

    // Test hooks: the next Run answers with this font and colour, or cancels (nothing), without a
    // window.
    struct Answer {
        QFont font;
        QRgb color = 0;
    };
    static void SetNextAnswer(std::optional<Answer> answer);
    static void ClearAnswers();

private:
    void ChooseColor();

    QPushButton* m_colorButton = nullptr;
    QFont m_font;
    QRgb m_color;
};

} // namespace Orvanta
