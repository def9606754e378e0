#include "shell/CCleanProjectDlg.h"

#include "model/CDomain.h"
#include "winframework/DialogUnits.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <deque>

namespace Orvanta {

namespace {

std::deque<std::optional<CCleanProjectDlg::Answer>>& Answers() {
    static std::deque<std::optional<CCleanProjectDlg::Answer>> answers;
    return answers;
}

} // namespace

CCleanProjectDlg::CCleanProjectDlg(QWidget* parent)
    : QDialog(parent), m_waveBox(new QCheckBox(tr("Keep unused user &waves"), this)),
      m_patchBox(new QCheckBox(tr("Keep &patch numbering"), this)) {
    setWindowTitle(tr("Clean Project"));
    const QFont dialogFont = font();
    const auto place = [&dialogFont](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(DialogUnitsToPixels(QRect(x, y, w, h), dialogFont));
    };
    setFixedSize(DialogUnitsToPixels(QRect(0, 0, 150, 45), dialogFont).size());
    m_waveBox->setObjectName(QString::number(kWaveOptionControl));
    m_patchBox->setObjectName(QString::number(kPatchOptionControl));
    place(m_waveBox, 7, 7, 90, 10);
    place(m_patchBox, 7, 24, 90, 10);
    auto* ok = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    ok->setDefault(true);
    place(ok, 100, 6, 44, 14);
    place(cancel, 100, 24, 44, 14);
    // The layout is measured for the classic dialog font; where the desktop's font sets the check
    // box texts wider, the boxes and the dialog grow and the buttons move right, so no text is cut.
    const int excess = std::max(m_waveBox->sizeHint().width(), m_patchBox->sizeHint().width()) - m_waveBox->width();
    if (excess > 0) {
        for (QWidget* box : {static_cast<QWidget*>(m_waveBox), static_cast<QWidget*>(m_patchBox)}) {
            box->resize(box->width() + excess, box->height());
        }
        for (QWidget* button : {static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel)}) {
            button->move(button->x() + excess, button->y());
        }
        setFixedSize(width() + excess, height());
    }
    // Below the boxes, one line each on what the box keeps.
    int bottom = DialogUnitsToPixels(QRect(0, 0, 150, 43), dialogFont).height();
    const int left = DialogUnitsToPixels(QRect(0, 0, 7, 1), dialogFont).width();
    for (const QString& text : {WaveOptionExplanation(), PatchOptionExplanation()}) {
        auto* line = new QLabel(text, this);
        line->setGeometry(left, bottom, line->sizeHint().width(), line->sizeHint().height());
        bottom += line->sizeHint().height();
        if (line->geometry().right() + left > width()) {
            setFixedWidth(line->geometry().right() + left);
        }
    }
    setFixedHeight(bottom + DialogUnitsToPixels(QRect(0, 0, 1, 5), dialogFont).height());
    connect(ok, &QPushButton::clicked, this, &CCleanProjectDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CCleanProjectDlg::reject);
    LoadFromDomain();
}

QString CCleanProjectDlg::WaveOptionExplanation() {
    return tr("Waves: your own sound files stay even when no patch uses them.");
}

QString CCleanProjectDlg::PatchOptionExplanation() {
    return tr("Patches: every patch stays in its slot; the gaps between them stay open.");
}

void CCleanProjectDlg::LoadFromDomain() {
    const CDomain& domain = CDomain::Instance();
    m_waveOption = domain.m_waveOption != 0 ? 1 : 0;
    m_patchOption = domain.m_patchOption != 0 ? 1 : 0;
    m_waveBox->setChecked(m_waveOption != 0);
    m_patchBox->setChecked(m_patchOption != 0);
}

void CCleanProjectDlg::accept() {
    m_waveOption = m_waveBox->isChecked() ? 1 : 0;
    m_patchOption = m_patchBox->isChecked() ? 1 : 0;
    QDialog::accept();
    CDomain& domain = CDomain::Instance();
    domain.m_waveOption = m_waveOption;
    domain.m_patchOption = m_patchOption;
}

int CCleanProjectDlg::Run() {
    if (!Answers().empty()) {
        const std::optional<Answer> answer = Answers().front();
        Answers().pop_front();
        if (!answer) {
            return QDialog::Rejected;
        }
        m_waveBox->setChecked(answer->keepUnusedWaves);
        m_patchBox->setChecked(answer->keepPatchNumbering);
        accept();
        return QDialog::Accepted;
    }
    return exec();
}

void CCleanProjectDlg::SetNextAnswer(std::optional<Answer> answer) {
    Answers().push_back(answer);
}

void CCleanProjectDlg::ClearAnswers() {
    Answers().clear();
}

} // namespace Orvanta
