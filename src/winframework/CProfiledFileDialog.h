#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include <optional>

namespace Orvanta {

// A file dialog that remembers its folder, the chosen file name and the chosen filter in the
// settings store, each under a section and value name that the caller names. While it is open its
// caption shows the folder ("Open - /path/" or "Save As - /path/").
class CProfiledFileDialog : public QFileDialog {
    Q_OBJECT

public:
    enum class Mode { Open, Save };

    // What a test answers instead of a person: accepted or cancelled, the files chosen, the folder
    // the dialog showed last (empty keeps the initial one) and the filter chosen (1-based, 0 keeps
    // the initial one).
    struct ScriptedResult {
        bool accepted = false;
        QStringList files;
        QString folder;
        int filterIndex = 0;
    };

    static constexpr int kDefaultBufferSize = 260;

    // `filterText` in the form "Wav Files (*.wav)|*.wav|All Files(*.*)|*.*||"; `multiple` allows
    // choosing several existing files (open mode).
    CProfiledFileDialog(Mode mode, const QString& defaultExtension, const QString& initialFileName, bool multiple,
                        const QString& filterText, QWidget* parent = nullptr);

    void SetFolderProfile(const QString& section, const QString& value, const QString& fallback);
    void SetFileNameProfile(const QString& section, const QString& value, const QString& fallback);
    void SetFilterProfile(const QString& section, const QString& value, int fallback);
    // Capacity of the file-name buffer in characters; a remembered name is cut to it.
    void SetBufferSize(int characters);

    // Runs the dialog. Afterwards the folder shown last and the filter index are stored (when
    // their profiles are set) whatever the result; the file name only when the result is OK.
    // Returns QDialog::Accepted or QDialog::Rejected.
    int Show();

    // The chosen files, full paths, after Show returned OK.
    [[nodiscard]] const QStringList& ChosenFiles() const { return m_chosenFiles; }
    [[nodiscard]] const QString& CurrentFolder() const { return m_currentFolder; }
    // The selected filter, counted from 1.
    [[nodiscard]] int FilterIndex() const;
    [[nodiscard]] const QString& RememberedFileName() const { return m_rememberedName; }

    // "A|a|B|b||" to Qt name filters ("A (a)"); "*.*" means every file.
    static QStringList NameFiltersFromText(const QString& filterText);
    // "Open - " or "Save As - " followed by the folder with exactly one trailing separator.
    static QString CaptionFor(Mode mode, const QString& folder);
    // With `trailing`: one separator appended unless there is one; without: one removed unless the
    // text is a root ("/" or "C:\").
    static QString FolderText(const QString& folder, bool trailing);

    // Test hooks: the next Show returns this result without opening a window.
    static void SetNextResult(const ScriptedResult& result);
    static void ClearScript();

private:
    void OnFolderChanged(const QString& folder);
    void OnCurrentChanged(const QString& path);
    [[nodiscard]] QString FileNameBoxText() const;
    void SetFileNameBoxText(const QString& text);

    Mode m_mode;
    int m_bufferSize = kDefaultBufferSize;
    QString m_rememberedName;
    QString m_currentFolder;
    QStringList m_chosenFiles;
    int m_filterIndex = 1;
    QString m_folderSection, m_folderValue;
    QString m_fileNameSection, m_fileNameValue;
    QString m_filterSection, m_filterValue;
    bool m_followedFolderShortcut = false;
};

} // namespace Orvanta
