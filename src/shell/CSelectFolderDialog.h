#pragma once

#include <QFileDialog>
#include <QString>

#include <optional>

class QLineEdit;
class QPushButton;
class QTimer;

namespace Orvanta {

// A folder picker on the toolkit's file dialog: a strip at the bottom holds a "New Project"
// button, a read-only field with the chosen folder and an accept button. The item the user points
// at in the list becomes the selection when it is acceptable (a symbolic link counts as a
// shortcut: the folder it names is taken); entering a folder that is the selection keeps it. The
// dialog's own open button only navigates; only the accept button closes it with a folder.
class CSelectFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    // Columns of the file dialog's details view.
    static constexpr int kSizeColumn = 1;
    static constexpr int kDateColumn = 3;
    // `initialPath`: the dialog opens in its parent folder with its last component pointed at; it
    // is the first selection when it names an existing folder.
    CSelectFolderDialog(bool newDisabled, const QString& title, const QString& acceptCaption,
                        const QString& initialPath, QWidget* parent = nullptr);
    ~CSelectFolderDialog() override;

    // Runs the dialog modally: QDialog::Accepted with Selection() holding the chosen folder, or
    // QDialog::Rejected.
    int Run();

    [[nodiscard]] const QString& Selection() const { return m_selection; }
    // Stores the selection, shows it and enables the accept button exactly when it is not empty.
    void SetSelection(const QString& path);
    // Whether `path` may be chosen: here, an existing folder.
    [[nodiscard]] virtual bool IsAcceptable(const QString& path) const;

    // The folder the dialog shows.
    [[nodiscard]] QString CurrentFolder() const;
    // `folder` + "/" + `name`, without doubling a trailing separator.
    static QString JoinPath(const QString& folder, const QString& name);
    // The name "New Project" creates: unless it ends in ".prj" (any letter case) its trailing dots
    // are removed and ".prj" appended; an empty name stays empty.
    static QString ProjectFolderName(const QString& name);

    // The "New Project" button: asks for a name, creates the folder in the current folder and
    // returns it when it is acceptable.
    void OnNewProject();
    // The accept button: closes with the selection when it is still acceptable, else cancelled.
    void OnAcceptButton();
    // The file dialog's own open button and Enter: enter the folder pointed at, never close.
    void accept() override;

    [[nodiscard]] QPushButton* NewProjectButton() const { return m_newButton; }
    [[nodiscard]] QPushButton* AcceptButton() const { return m_acceptButton; }
    [[nodiscard]] QLineEdit* SelectionField() const { return m_selectionField; }

    // Test hooks. What the last dialog run was asked to show, and scripted answers: the next Run
    // returns the given folder (when acceptable) or cancels (nothing) without opening a window.
    struct Request {
        QString title;
        QString acceptCaption;
        QString initialPath;
        bool newDisabled = false;
    };
    [[nodiscard]] static const Request& LastRequest();
    static void SetNextAnswer(std::optional<QString> folder);
    static void ClearAnswers();
    [[nodiscard]] static int PendingAnswers();

private:
    void OnCurrentChanged(const QString& path);
    void OnDirectoryEntered(const QString& folder);
    void ApplyPendingSelection();
    [[nodiscard]] bool SelectName(const QString& name);

    Request m_request;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_acceptButton = nullptr;
    QLineEdit* m_selectionField = nullptr;
    QTimer* m_timer = nullptr;
    QString m_selection;
    QString m_pointedName;
    QString m_pendingName;
    QString m_initialName;
    bool m_folderAccepted = false;
};

// The same picker for project folders: only existing folders whose names end in ".prj".
class CSelectProjectDialog : public CSelectFolderDialog {
    Q_OBJECT

public:
    using CSelectFolderDialog::CSelectFolderDialog;

    [[nodiscard]] bool IsAcceptable(const QString& path) const override;
    // The path's last four characters are ".prj" (any letter case) and it names an existing folder.
    static bool IsProjectFolder(const QString& path);
};

} // namespace Orvanta
