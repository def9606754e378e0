#pragma once

#include "model/CTernTextOut.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace Orvanta {

// The message reporter of the program: errors and questions of the lower layers as modal message
// boxes with the application title as caption. Write, Printf, Indent and Sink keep the silent base
// behaviour.
class CTextOutBox : public CTernTextOut {
public:
    explicit CTextOutBox(QWidget* parentWindow = nullptr);

    // A box with the text of the error code and an OK button.
    void Error(int code) override;
    // The same box with the detail as its informative text.
    void ErrorWithDetail(int code, const std::string& detail) override;
    // A box with the question's text and the button set: 1 OK and Cancel, 2 Yes and No, 3 Yes, No
    // and Cancel, any other OK only. Answers OK 0, Yes 2, No 3, anything else (Cancel, closing) 1.
    // The question detail, when set, is the box's informative text.
    int Ask(int buttons, int question) override;
    void Warning(const std::string& text) override;
    // An information box with the text: which project an interrupted save was finished or undone in.
    void ReportRecovery(const std::string& text) override;

    static QMessageBox::StandardButtons ButtonsFor(int buttons);
    static int AnswerFor(QMessageBox::StandardButton button);

private:
    // The window given at construction, else the active window of the application.
    [[nodiscard]] QWidget* ParentWindow() const;

    QPointer<QWidget> m_parent;
};

} // namespace Orvanta
