#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;

namespace Orvanta {

// "Edit Name": one line of text for the new name of the selected patches or waves. While the user
// types, the field holds the name as it will be saved: characters a file name cannot hold are
// left out and the text stops at the 12 characters a name can hold. Once it holds 12, a further
// key is refused with a beep and a hint below the field; nothing there is replaced.
class CReplaceStringDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 4145;

    explicit CReplaceStringDlg(QWidget* parent = nullptr);
    ~CReplaceStringDlg() override;

    void SetText(const QString& text);
    // `typed` as the name will be saved: without the characters a file name cannot hold, cut to
    // 12 characters, and without the blanks that the cut leaves at its end.
    [[nodiscard]] static QString NameAsSaved(const QString& typed);
    [[nodiscard]] QString Text() const { return m_text; }
    [[nodiscard]] QLineEdit* Edit() const { return m_edit; }

    // Runs the dialog modally (or answers from the script); returns Accepted or Rejected. On OK
    // Text() holds the entered text.
    int Show();

    // Test hooks: the next Show answers OK with `text`, or Cancel when no text is given, without
    // opening a window. The text offered by the last Show is kept for inspection.
    static void SetNextResult(std::optional<QString> text);
    static void ClearScript();
    [[nodiscard]] static QString LastOfferedText();
    [[nodiscard]] static int ShownCount();

    void accept() override;

    // Keys (or pasted characters) refused because the name was full, since the dialog was made.
    [[nodiscard]] int RefusedKeys() const { return m_refusedKeys; }

private:
    void OnTextChanged(const QString& text);

    QLineEdit* m_edit;
    QString m_text;
    // The field's text after its last change.
    QString m_shown;
    int m_refusedKeys = 0;
};

} // namespace Orvanta
