#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;

namespace Orvanta {

// The options of the Clean Project command (template 4143): keep unused user waves, keep the patch
// numbering. Shows the domain's two clean options; OK stores the boxes back into the domain,
// Cancel changes nothing.
class CCleanProjectDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 4143;
    static constexpr int kWaveOptionControl = 4287;
    static constexpr int kPatchOptionControl = 4286;

    explicit CCleanProjectDlg(QWidget* parent = nullptr);

    // Shows the dialog modally; QDialog::Accepted after the options were stored, else Rejected.
    int Run();

    [[nodiscard]] int WaveOption() const { return m_waveOption; }
    [[nodiscard]] int PatchOption() const { return m_patchOption; }
    [[nodiscard]] QCheckBox* WaveOptionBox() const { return m_waveBox; }
    // The lines below the boxes that say what each keeps.
    [[nodiscard]] static QString WaveOptionExplanation();
    [[nodiscard]] static QString PatchOptionExplanation();
    [[nodiscard]] QCheckBox* PatchOptionBox() const { return m_patchBox; }

    void accept() override;

    // Test hooks: the next Run answers without a window. With values, the boxes are set to them
    // and the dialog is confirmed; with nothing, it is cancelled.
    struct Answer {
        bool keepUnusedWaves = false;
        bool keepPatchNumbering = false;
    };
    static void SetNextAnswer(std::optional<Answer> answer);
    static void ClearAnswers();

private:
    void LoadFromDomain();

    QCheckBox* m_waveBox;
    QCheckBox* m_patchBox;
    int m_waveOption = 0;
    int m_patchOption = 0;
};

} // namespace Orvanta
