#include "winframework/CRichEditDocEx.h"

#include "winframework/CMessageBox.h"
#include "winframework/ResourceString.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace Orvanta {

CRichEditDocEx::CRichEditDocEx(QObject* parent) : QObject(parent) {}

CRichEditDocEx::~CRichEditDocEx() = default;

void CRichEditDocEx::SetTitle(const QString& title) {
    if (title != m_title) {
        m_title = title;
        emit TitleChanged();
    }
}

void CRichEditDocEx::SetPathName(const QString& pathName) {
    m_pathName = pathName;
    QString cleaned = QDir::fromNativeSeparators(pathName);
    while (cleaned.size() > 1 && cleaned.endsWith(u'/')) {
        cleaned.chop(1);
    }
    SetTitle(QFileInfo(cleaned).fileName());
}

void CRichEditDocEx::SetModifiedFlag(bool modified) {
    if (modified != m_modified) {
        m_modified = modified;
        emit ModifiedChanged(modified);
    }
}

bool CRichEditDocEx::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    const QString text = ResourceString(kIdsSaveChanges).arg(PromptName());
    const QMessageBox::StandardButton answer = CMessageBox::Show(
        QApplication::activeWindow(), ResourceString(kIdsApplicationTitle), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::Warning);
    switch (answer) {
    case QMessageBox::Yes:
        return DoFileSave();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

} // namespace Orvanta
