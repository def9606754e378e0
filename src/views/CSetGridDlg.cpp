#include "views/CSetGridDlg.h"

#include "resources/DialogTemplates.h"
#include "winframework/CDlgTempl.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <deque>

namespace Orvanta {

namespace {

std::deque<std::optional<int>>& Script() {
    static std::deque<std::optional<int>> answers;
    return answers;
}

} // namespace

CSetGridDlg::CSetGridDlg(QWidget* parent)
    : QDialog(parent), m_off(new QRadioButton(QStringLiteral("Grid &OFF"), this)),
      m_on(new QRadioButton(QStringLiteral("Grid O&N"), this)) {
    setWindowTitle(QStringLiteral("Set Up Grid"));
    auto* group = new QGroupBox(this);
    group->lower();
    auto* buttons = new QButtonGroup(this);
    buttons->addButton(m_off, 0);
    buttons->addButton(m_on, 1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    CDlgTempl layout;
    layout.Load(kTemplateId);
    layout.PlaceControls(
        *this, {{kIdcGridGroup, group}, {kIdcGridOff, m_off}, {kIdcGridOn, m_on}, {kIdOk, ok}, {kIdCancel, cancel}});
    SetValue(0);
}

CSetGridDlg::~CSetGridDlg() = default;

void CSetGridDlg::SetValue(int value) {
    m_value = value != 0 ? 1 : 0;
    (m_value == 0 ? m_off : m_on)->setChecked(true);
}

void CSetGridDlg::accept() {
    m_value = m_on->isChecked() ? 1 : 0;
    QDialog::accept();
}

int CSetGridDlg::Show() {
    auto& script = Script();
    if (!script.empty()) {
        const std::optional<int> answer = script.front();
        script.pop_front();
        if (!answer) {
            return QDialog::Rejected;
        }
        SetValue(*answer);
        return QDialog::Accepted;
    }
    return exec();
}

void CSetGridDlg::SetNextResult(std::optional<int> value) {
    Script().push_back(value);
}

void CSetGridDlg::ClearScript() {
    Script().clear();
}

} // namespace Orvanta
