#pragma once

#include <QLineEdit>

namespace Orvanta {

// A one-line edit for a folder name: typed characters that no folder name may hold are ignored
// (" * , / : ; < > ? \ |). Every other key, control keys included, reaches the edit unchanged;
// pasted text is not filtered.
class CFolderNameEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CFolderNameEdit(QWidget* parent = nullptr);

    // True for the characters the edit refuses.
    static bool IsRefusedCharacter(QChar character);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace Orvanta
