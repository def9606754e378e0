#include "shell/CInputTextDialog.h"

#include "shell/CFolderNameEdit.h"
#include "winframework/DialogUnits.h"

#include <QPushButton>

#include <deque>

namespace Orvanta {

namespace {

std::deque<std::optional<QString>>& Answers() {
    static std::deque<std::optional<QString>> answers;
    return answers;
}

} // namespace

CInputTextDialog::CInputTextDialog(QWidget* parent)
    : QDialog(parent), m_edit(new CFolderNameEdit(this)), m_ok(new QPushButton(tr("OK"), this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("New Project"));
    const QFont dialogFont = font();
    setFixedSize(DialogUnitsToPixels(QRect(0, 0, 186, 38), dialogFont).size());
    m_edit->setObjectName(QString::number(kEditControl));
    m_edit->setGeometry(DialogUnitsToPixels(QRect(7, 0, 172, 12), dialogFont));
    m_ok->setGeometry(DialogUnitsToPixels(QRect(36, 18, 50, 16), dialogFont));
    m_ok->setDefault(true);
    m_cancel->setGeometry(DialogUnitsToPixels(QRect(103, 18, 47, 16), dialogFont));
    connect(m_ok, &QPushButton::clicked, this, &CInputTextDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CInputTextDialog::reject);
}

void CInputTextDialog::showEvent(QShowEvent* event) {
    m_edit->setText(m_text);
    m_edit->selectAll();
    m_edit->setFocus();
    if (!m_confirmCaption.isEmpty()) {
        m_ok->setText(m_confirmCaption);
    }
    QDialog::showEvent(event);
}

void CInputTextDialog::accept() {
    m_text = m_edit->text();
    QDialog::accept();
}

int CInputTextDialog::Run() {
    if (!Answers().empty()) {
        const std::optional<QString> answer = Answers().front();
        Answers().pop_front();
        if (!answer) {
            return QDialog::Rejected;
        }
        m_text = *answer;
        return QDialog::Accepted;
    }
    return exec();
}

void CInputTextDialog::SetNextAnswer(std::optional<QString> text) {
    Answers().push_back(std::move(text));
}

void CInputTextDialog::ClearAnswers() {
    Answers().clear();
}

} // namespace Orvanta
