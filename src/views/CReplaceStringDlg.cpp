#include "views/CReplaceStringDlg.h"

#include "model/CParameter.h"
#include "operations/EditCommands.h"
#include "resources/DialogTemplates.h"
#include "winframework/CDlgTempl.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <deque>
#include <string>

namespace Orvanta {

namespace {

struct Script {
    std::deque<std::optional<QString>> answers;
    QString lastOffered;
    int shown = 0;
};

Script& TheScript() {
    static Script script;
    return script;
}

} // namespace

CReplaceStringDlg::CReplaceStringDlg(QWidget* parent) : QDialog(parent), m_edit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Edit Name"));
    auto* label = new QLabel(QStringLiteral("Name"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    CDlgTempl layout;
    layout.Load(kTemplateId);
    layout.PlaceControls(*this, {{kIdcNameLabel, label}, {kIdcNameEdit, m_edit}, {kIdOk, ok}, {kIdCancel, cancel}});
    m_edit->setFocus();
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString name = NameAsSaved(text);
        if (name != text) {
            // The cursor stays after the same typed characters.
            const int cursor = static_cast<int>(NameAsSaved(text.left(m_edit->cursorPosition())).size());
            m_edit->setText(name);
            m_edit->setCursorPosition(std::min(cursor, static_cast<int>(name.size())));
        }
    });
}

QString CReplaceStringDlg::NameAsSaved(const QString& typed) {
    const std::u32string characters = QString::fromStdString(FilterName(typed.toStdString())).toStdU32String();
    if (characters.size() <= CParameter::kMaxNameLength) {
        return QString::fromStdU32String(characters);
    }
    QString name = QString::fromStdU32String(characters.substr(0, CParameter::kMaxNameLength));
    while (name.endsWith(u' ')) {
        name.chop(1);
    }
    return name;
}

CReplaceStringDlg::~CReplaceStringDlg() = default;

void CReplaceStringDlg::SetText(const QString& text) {
    m_text = text;
    m_edit->setText(text);
    m_edit->selectAll();
}

void CReplaceStringDlg::accept() {
    m_text = m_edit->text();
    QDialog::accept();
}

int CReplaceStringDlg::Show() {
    Script& script = TheScript();
    script.lastOffered = m_text;
    ++script.shown;
    if (!script.answers.empty()) {
        const std::optional<QString> answer = script.answers.front();
        script.answers.pop_front();
        if (!answer) {
            return QDialog::Rejected;
        }
        m_text = *answer;
        return QDialog::Accepted;
    }
    return exec();
}

void CReplaceStringDlg::SetNextResult(std::optional<QString> text) {
    TheScript().answers.push_back(std::move(text));
}

void CReplaceStringDlg::ClearScript() {
    TheScript() = Script();
}

QString CReplaceStringDlg::LastOfferedText() {
    return TheScript().lastOffered;
}

int CReplaceStringDlg::ShownCount() {
    return TheScript().shown;
}

} // namespace Orvanta
