#include "shell/CFontSetupDialog.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>

#include <deque>

namespace Orvanta {

namespace {

std::deque<std::optional<CFontSetupDialog::Answer>>& Answers() {
    static std::deque<std::optional<CFontSetupDialog::Answer>> answers;
    return answers;
}

} // namespace

CFontSetupDialog::CFontSetupDialog(const QFont& font, QRgb color, QWidget* parent)
    : QFontDialog(font, parent), m_font(font), m_color(color) {
    setOption(QFontDialog::DontUseNativeDialog, true);
    setOption(QFontDialog::ScalableFonts, true);
    setOption(QFontDialog::NonScalableFonts, true);
    setWindowTitle(tr("Font"));
    m_colorButton = new QPushButton(tr("&Color..."), this);
    connect(m_colorButton, &QPushButton::clicked, this, &CFontSetupDialog::ChooseColor);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid != nullptr) {
        auto* row = new QHBoxLayout;
        row->addWidget(m_colorButton);
        row->addStretch(1);
        grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    } else if (layout() != nullptr) {
        layout()->addWidget(m_colorButton);
    }
    SetColor(color);
}

void CFontSetupDialog::SetColor(QRgb color) {
    m_color = color;
    QPixmap swatch(16, 16);
    swatch.fill(QColor(color));
    m_colorButton->setIcon(QIcon(swatch));
}

void CFontSetupDialog::ChooseColor() {
    const QColor chosen = QColorDialog::getColor(QColor(m_color), this, tr("Color"));
    if (chosen.isValid()) {
        SetColor(chosen.rgb());
    }
}

int CFontSetupDialog::Run() {
    if (!Answers().empty()) {
        const std::optional<Answer> answer = Answers().front();
        Answers().pop_front();
        if (!answer) {
            return QDialog::Rejected;
        }
        m_font = answer->font;
        m_color = answer->color;
        return QDialog::Accepted;
    }
    if (exec() != QDialog::Accepted) {
        return QDialog::Rejected;
    }
    m_font = selectedFont();
    return QDialog::Accepted;
}

void CFontSetupDialog::SetNextAnswer(std::optional<Answer> answer) {
    Answers().push_back(std::move(answer));
}

void CFontSetupDialog::ClearAnswers() {
    Answers().clear();
}

} // namespace Orvanta
