#include "views/CReplaceStringDlg.h"

#include "model/CParameter.h"
#include "operations/EditCommands.h"
#include "resources/DialogTemplates.h"
#include "winframework/CDlgTempl.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolTip>

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
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) { OnTextChanged(text); });
}

namespace {

// Characters (code points) in `text`.
qsizetype CharacterCount(const QString& text) {
    return text.toUcs4().size();
}

} // namespace

void CReplaceStringDlg::OnTextChanged(const QString& text) {
    const QString filtered = QString::fromStdString(FilterName(text.toStdString()));
    // The cursor stays after the same typed characters.
    int cursor =
        static_cast<int>(QString::fromStdString(FilterName(text.left(m_edit->cursorPosition()).toStdString())).size());
    QString name = filtered;
    qsizetype excess = CharacterCount(name) - static_cast<qsizetype>(CParameter::kMaxNameLength);
    if (excess > 0) {
        // A name is full at 12 characters: what was just typed or pasted before the cursor loses
        // the characters that do not fit, and nothing already there is replaced or cut. A paste
        // cut short leaves no blank at its end.
        const int inserted = std::max(0, static_cast<int>(name.size() - m_shown.size()));
        const int insertStart = std::max(0, cursor - inserted);
        while (excess > 0 && cursor > 0) {
            const int width = cursor >= 2 && name.at(cursor - 1).isLowSurrogate() ? 2 : 1;
            name.remove(cursor - width, width);
            cursor -= width;
            --excess;
        }
        while (cursor > insertStart && name.at(cursor - 1) == u' ') {
            name.remove(cursor - 1, 1);
            --cursor;
        }
        if (excess > 0) {
            name = NameAsSaved(name);
        }
        ++m_refusedKeys;
        QApplication::beep();
        QToolTip::showText(m_edit->mapToGlobal(QPoint(0, m_edit->height())),
                           tr("A name holds at most %1 characters.").arg(CParameter::kMaxNameLength), m_edit);
    }
    if (name != text) {
        const QSignalBlocker block(m_edit);
        m_edit->setText(name);
        m_edit->setCursorPosition(std::min(cursor, static_cast<int>(name.size())));
    }
    m_shown = name;
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
    m_shown = text;
    m_edit->setText(text);
    m_edit->selectAll();
}

void CReplaceStringDlg::accept() {
    // Blanks at the end of a name would end up before the dot of its file name.
    m_text = m_edit->text();
    while (m_text.endsWith(u' ')) {
        m_text.chop(1);
    }
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
