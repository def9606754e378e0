#include "winframework/CMessageBox.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>

#include <deque>

namespace Orvanta {

namespace {

constexpr int kDetailMinimumWidth = 420;

struct Script {
    std::deque<QMessageBox::StandardButton> answers;
    CMessageBox::Shown last;
    int shownCount = 0;
};

Script& TheScript() {
    static Script script;
    return script;
}

} // namespace

QMessageBox::StandardButton CMessageBox::Show(QWidget* parent, const QString& caption, const QString& text,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton, QMessageBox::Icon icon,
                                              const QString& detail, const ButtonTexts& texts, const QString& details) {
    Script& script = TheScript();
    script.last = Shown{caption, text, buttons, defaultButton, icon, detail, details};
    ++script.shownCount;
    if (!script.answers.empty()) {
        const QMessageBox::StandardButton answer = script.answers.front();
        script.answers.pop_front();
        return answer;
    }

    QPointer<QMessageBox> box = new QMessageBox(icon, caption, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    if (!detail.isEmpty()) {
        box->setInformativeText(detail);
        // Wide enough that a detail naming slots ("B.prj: patch 31 Percussion, 32 Deep Bass") is not
        // broken in the middle of an entry.
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")); label != nullptr) {
            label->setMinimumWidth(kDetailMinimumWidth);
        }
    }
    if (!details.isEmpty()) {
        box->setDetailedText(details);
    }
    if (defaultButton != QMessageBox::NoButton) {
        box->setDefaultButton(defaultButton);
    }
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        if (QAbstractButton* button = box->button(it.key()); button != nullptr) {
            button->setText(it.value());
        }
    }
    box->exec();
    if (box.isNull()) {
        return QMessageBox::NoButton; // the parent went away while the box was open
    }
    QAbstractButton* clicked = box->clickedButton();
    const QMessageBox::StandardButton answer =
        clicked != nullptr ? box->standardButton(clicked) : QMessageBox::NoButton;
    delete box.data();
    return answer;
}

void CMessageBox::SetNextAnswer(QMessageBox::StandardButton answer) {
    TheScript().answers.push_back(answer);
}

void CMessageBox::ClearAnswers() {
    TheScript().answers.clear();
}

int CMessageBox::PendingAnswers() {
    return static_cast<int>(TheScript().answers.size());
}

const CMessageBox::Shown& CMessageBox::LastShown() {
    return TheScript().last;
}

int CMessageBox::ShownCount() {
    return TheScript().shownCount;
}

void CMessageBox::ResetShown() {
    TheScript().last = Shown{};
    TheScript().shownCount = 0;
}

} // namespace Orvanta
