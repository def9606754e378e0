#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>

namespace Orvanta {

// The program's modal message boxes. Tests script the answers: with an answer queued, Show
// records what it would show and returns that answer without opening a window.
class CMessageBox {
public:
    struct Shown {
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString detail;
        QString details;
    };

    // Texts for standard buttons whose own text does not say what they do ("Reload").
    using ButtonTexts = QMap<QMessageBox::StandardButton, QString>;

    // Shows `text` with `buttons` and `caption`, parented to `parent` when given, and `detail`
    // (when not empty) as the box's informative text below it; `texts` relabels buttons; `details`
    // (when not empty), however long, goes into the box's scrolling details area behind its "Show
    // Details..." button, so that the box keeps its size and its buttons stay on the screen. Returns
    // the button pressed, or NoButton when the box was closed without one.
    static QMessageBox::StandardButton Show(QWidget* parent, const QString& caption, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
                                            QMessageBox::Icon icon = QMessageBox::NoIcon,
                                            const QString& detail = QString(), const ButtonTexts& texts = {},
                                            const QString& details = QString());

    // Test hooks. Answers are used in the order queued; NoButton stands for closing the box.
    static void SetNextAnswer(QMessageBox::StandardButton answer);
    static void ClearAnswers();
    [[nodiscard]] static int PendingAnswers();
    // The last box shown or answered from the queue, and how many there were since the last reset.
    [[nodiscard]] static const Shown& LastShown();
    [[nodiscard]] static int ShownCount();
    static void ResetShown();
};

} // namespace Orvanta
