#include "views/CTextOutBox.h"

#include <QStringList>

#include "resources/StringTable.h"
#include "winframework/CMessageBox.h"
#include "winframework/ResourceString.h"

#include <QApplication>

namespace Orvanta {

CTextOutBox::CTextOutBox(QWidget* parentWindow) : m_parent(parentWindow) {}

QWidget* CTextOutBox::ParentWindow() const {
    return m_parent != nullptr ? m_parent.data() : QApplication::activeWindow();
}

void CTextOutBox::Error(int code) {
    CMessageBox::Show(ParentWindow(), ResourceString(kIdsApplicationTitle), QString::fromUtf8(ErrorText(code)),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning);
}

int CTextOutBox::Ask(int buttons, int question) {
    const QMessageBox::StandardButtons set = ButtonsFor(buttons);
    const QMessageBox::StandardButton defaultButton =
        set.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    const QMessageBox::StandardButton answer = CMessageBox::Show(
        ParentWindow(), ResourceString(kIdsApplicationTitle), QString::fromUtf8(QuestionText(question)), set,
        defaultButton, QMessageBox::Question, QString::fromStdString(QuestionDetail()));
    return AnswerFor(answer);
}

void CTextOutBox::ErrorWithDetail(int code, const std::string& detail) {
    // A detail of many lines (a file each) shows its first lines; all of them are in the box's
    // scrolling details, so that the box stays on the screen.
    constexpr qsizetype kShownLines = 8;
    const QString text = QString::fromStdString(detail);
    const QStringList lines = text.split(u'\n');
    QString shown = text;
    QString details;
    if (lines.size() > kShownLines) {
        shown = QStringList(lines.mid(0, kShownLines)).join(u'\n') +
                QStringLiteral("\n... and %1 more (Show Details...)").arg(lines.size() - kShownLines);
        details = text;
    }
    CMessageBox::Show(ParentWindow(), ResourceString(kIdsApplicationTitle), QString::fromUtf8(ErrorText(code)),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning, shown, {}, details);
}

void CTextOutBox::ReportRecovery(const std::string& text) {
    CMessageBox::Show(ParentWindow(), ResourceString(kIdsApplicationTitle), QString::fromStdString(text),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Information);
}

void CTextOutBox::Warning(const std::string& text) {
    CMessageBox::Show(ParentWindow(), ResourceString(kIdsApplicationTitle), QString::fromStdString(text),
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Warning);
}

QMessageBox::StandardButtons CTextOutBox::ButtonsFor(int buttons) {
    switch (buttons) {
    case kButtonsOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case kButtonsYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case kButtonsYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

int CTextOutBox::AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return kAnswerOk;
    case QMessageBox::Yes:
        return kAnswerYes;
    case QMessageBox::No:
        return kAnswerNo;
    default:
        return kAnswerCancel;
    }
}

} // namespace Orvanta
