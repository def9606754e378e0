#pragma once

#include <QDialog>

#include <optional>

class QRadioButton;

namespace Orvanta {

// "Set Up Grid": grid lines in all patch and wave lists off (0) or on (1). The caller sets the
// value, shows the dialog and, on OK, applies Value().
class CSetGridDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 4140;

    explicit CSetGridDlg(QWidget* parent = nullptr);
    ~CSetGridDlg() override;

    void SetValue(int value);
    [[nodiscard]] int Value() const { return m_value; }
    [[nodiscard]] QRadioButton* OffButton() const { return m_off; }
    [[nodiscard]] QRadioButton* OnButton() const { return m_on; }

    // Runs the dialog modally (or answers from the script); Accepted or Rejected.
    int Show();

    // Test hooks: the next Show answers OK with `value`, or Cancel without one, opening no window.
    static void SetNextResult(std::optional<int> value);
    static void ClearScript();

    void accept() override;

private:
    QRadioButton* m_off;
    QRadioButton* m_on;
    int m_value = 0;
};

} // namespace Orvanta
