#pragma once

#include "storage/SavePreview.h"

#include <QDialog>

class QTreeWidget;

namespace Orvanta {

// File > Preview Save: what the next save of a project window would do to the files, grouped as
// written, moved, kept in the work folder and deleted (each deletion with its reason). Read-only.
class CSavePreviewDialog : public QDialog {
    Q_OBJECT

public:
    CSavePreviewDialog(const CSavePreview& preview, QWidget* parent = nullptr);

    // The tree: one top-level item per group that has entries, its files below.
    [[nodiscard]] QTreeWidget* Tree() const { return m_tree; }

    // A path as the dialog shows it: relative to the project folder when it lies inside it.
    [[nodiscard]] static QString ShownPath(const std::string& path, const std::string& projectPath);

private:
    QTreeWidget* m_tree;
};

} // namespace Orvanta
