#pragma once

#include <QObject>
#include <QString>

namespace Orvanta {

// The plain document base of the document/view framework: a title, a path name, a modified flag
// and the save-changes prompt. Open documents never keep the program alive by themselves.
class CRichEditDocEx : public QObject {
    Q_OBJECT

public:
    explicit CRichEditDocEx(QObject* parent = nullptr);
    ~CRichEditDocEx() override;

    [[nodiscard]] const QString& GetTitle() const { return m_title; }
    virtual void SetTitle(const QString& title);
    [[nodiscard]] const QString& GetPathName() const { return m_pathName; }
    // Stores the path and makes its last component the title.
    virtual void SetPathName(const QString& pathName);

    // The stored modified flag alone.
    [[nodiscard]] virtual bool IsModified() const { return m_modified; }
    virtual void SetModifiedFlag(bool modified = true);

    // The save-changes prompt before closing: when modified, asks "Save changes to %1?" with Yes,
    // No and Cancel. Yes saves (false when the save fails), No discards, Cancel keeps the document.
    // True when the document may close.
    virtual bool SaveModified();
    // The name the prompt shows; the title unless a derived document says otherwise.
    [[nodiscard]] virtual QString PromptName() const { return m_title; }

signals:
    void TitleChanged();
    void ModifiedChanged(bool modified);

protected:
    // Saves the document under its path name (or asks for one); true on success.
    virtual bool DoFileSave() = 0;

private:
    QString m_title;
    QString m_pathName;
    bool m_modified = false;
};

} // namespace Orvanta
