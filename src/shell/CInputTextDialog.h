#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QPushButton;

namespace Orvanta {

class CFolderNameEdit;

// The one-line name input "New Project" (template 4146): an edit that refuses characters not
// allowed in folder names, OK and Cancel. The caller sets the text and, optionally, a caption for
// the OK button, runs it and reads the text after OK.
class CInputTextDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 4146;
    static constexpr int kEditControl = 1014;

    explicit CInputTextDialog(QWidget* parent = nullptr);

    void SetText(const QString& text) { m_text = text; }
    [[nodiscard]] const QString& Text() const { return m_text; }
    // When not empty, replaces the text of the OK button.
    void SetConfirmCaption(const QString& caption) { m_confirmCaption = caption; }

    // Shows the dialog modally; QDialog::Accepted with Text() holding the entered text, or
    // QDialog::Rejected.
    int Run();

    [[nodiscard]] CFolderNameEdit* Edit() const { return m_edit; }
    [[nodiscard]] QPushButton* OkButton() const { return m_ok; }

    // Test hooks: the next Run answers with this text (OK) or with Cancel (nothing) without
    // opening a window.
    static void SetNextAnswer(std::optional<QString> text);
    static void ClearAnswers();

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CFolderNameEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QString m_text;
    QString m_confirmCaption;
};

} // namespace Orvanta
