#pragma once

#include "model/CTernProgressBar.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <string>

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Orvanta {

// The progress reporter of the program: a modeless dialog without caption (template 3075: a text
// line, a progress bar and a Cancel button) over the main window, which stays disabled while an
// episode runs. Episodes nest; only the outermost Begin and End open and close the dialog, and
// only the outermost episode moves the bar and changes the text.
class CProgressBar : public CTernProgressBar {
public:
    static constexpr int kTemplateId = 3075;
    // Control identifiers of the template, also the object names of the dialog's widgets.
    static constexpr int kTextControl = 4103;
    static constexpr int kProgressControl = 4108;
    static constexpr int kCancelButton = 2;

    explicit CProgressBar(int templateId = kTemplateId, QWidget* mainWindow = nullptr);
    ~CProgressBar() override;

    void Reserved(int first, int second, int third) override;
    void Begin(int maximum, const std::string& text, bool cancellable) override;
    void End() override;
    void SetPos(int position) override;
    void SetText(const std::string& text) override;
    // Handles every pending event, then tells whether the user cancelled.
    bool PumpAndCheckCancel() override;

    // The Cancel button or Escape: marks the episode cancelled when it is cancellable.
    void RequestCancel();

    // The dialog while an episode runs, else null.
    [[nodiscard]] QDialog* Dialog() const;
    [[nodiscard]] QLabel* TextLine() const { return m_textLine; }
    [[nodiscard]] QProgressBar* Bar() const { return m_bar; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancel; }

private:
    void CreateDialog();
    void DestroyDialog();

    QPointer<QWidget> m_mainWindow;
    QPointer<QDialog> m_dialog;
    QPointer<QLabel> m_textLine;
    QPointer<QProgressBar> m_bar;
    QPointer<QPushButton> m_cancel;
    bool m_disabledMainWindow = false;
};

} // namespace Orvanta
