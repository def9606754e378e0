#include "shell/CFolderNameEdit.h"

#include <QKeyEvent>

namespace Orvanta {

CFolderNameEdit::CFolderNameEdit(QWidget* parent) : QLineEdit(parent) {}

bool CFolderNameEdit::IsRefusedCharacter(QChar character) {
    static constexpr char16_t kRefused[] = u"\"*,/:;<>?\\|";
    for (const char16_t refused : kRefused) {
        if (refused != 0 && character == QChar(refused)) {
            return true;
        }
    }
    return false;
}

void CFolderNameEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1 && IsRefusedCharacter(text.front())) {
        event->accept(); // swallowed: the character never reaches the edit
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace Orvanta
