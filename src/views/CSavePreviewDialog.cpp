#include "views/CSavePreviewDialog.h"

#include "storage/SaveJournal.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Orvanta {

namespace {

QTreeWidgetItem* Group(QTreeWidget* tree, const QString& title, std::size_t count) {
    auto* group = new QTreeWidgetItem(tree, {QStringLiteral("%1 (%2)").arg(title).arg(count)});
    group->setFirstColumnSpanned(true);
    group->setExpanded(true);
    return group;
}

QString ReasonText(DeletionReason why) {
    switch (why) {
    case DeletionReason::kStray:
        return QObject::tr("stray: its name is no slot of the lists");
    case DeletionReason::kDuplicate:
        return QObject::tr("duplicate: another file has its slot number");
    case DeletionReason::kEmptied:
        return QObject::tr("emptied: its slot is empty now");
    case DeletionReason::kReplaced:
        return QObject::tr("replaced: another content takes its place");
    }
    return {};
}

} // namespace

QString CSavePreviewDialog::ShownPath(const std::string& path, const std::string& projectPath) {
    const bool inside = !projectPath.empty() && path.rfind(projectPath, 0) == 0;
    return QString::fromStdString(inside ? path.substr(projectPath.size()) : path);
}

CSavePreviewDialog::CSavePreviewDialog(const CSavePreview& preview, QWidget* parent)
    : QDialog(parent), m_tree(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("SavePreview"));
    setWindowTitle(tr("Preview Save"));
    auto* layout = new QVBoxLayout(this);
    const std::size_t changes = preview.write.size() + preview.move.size() + preview.remove.size();
    auto* summary =
        new QLabel(changes == 0 ? tr("Saving %1 changes no file.").arg(QString::fromStdString(preview.project))
                                : tr("Saving %1 will:").arg(QString::fromStdString(preview.project)),
                   this);
    summary->setWordWrap(true);
    layout->addWidget(summary);

    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({tr("File"), tr("Detail")});
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::NoSelection);
    const std::string& project = preview.project;
    if (!preview.write.empty()) {
        QTreeWidgetItem* group = Group(m_tree, tr("Write"), preview.write.size());
        for (const std::string& path : preview.write) {
            new QTreeWidgetItem(group, {ShownPath(path, project), tr("new or changed content")});
        }
    }
    if (!preview.move.empty()) {
        QTreeWidgetItem* group = Group(m_tree, tr("Move"), preview.move.size());
        for (const auto& [from, to] : preview.move) {
            new QTreeWidgetItem(group, {ShownPath(to, project), tr("from %1").arg(ShownPath(from, project))});
        }
    }
    if (!preview.park.empty()) {
        QTreeWidgetItem* group = Group(m_tree, tr("Keep in the work folder"), preview.park.size());
        for (const std::string& path : preview.park) {
            new QTreeWidgetItem(group, {ShownPath(path, project), tr("another open project uses it")});
        }
    }
    if (!preview.remove.empty()) {
        const bool allToTrash =
            std::all_of(preview.remove.begin(), preview.remove.end(),
                        [](const CSaveDeletion& deletion) { return deletion.to == DeletionEnd::kTrash; });
        QTreeWidgetItem* group =
            Group(m_tree, allToTrash ? tr("Delete (to the trash)") : tr("Delete"), preview.remove.size());
        for (const CSaveDeletion& deletion : preview.remove) {
            const QString reason = ReasonText(deletion.why);
            const QString end = deletion.to == DeletionEnd::kTrash ? tr("%1, to the trash").arg(reason)
                                : deletion.to == DeletionEnd::kKept
                                    ? tr("%1, kept in the folder \"%2\" (no trash can take it)")
                                          .arg(reason, QString::fromUtf8(kKeptFilesFolder))
                                    : reason;
            new QTreeWidgetItem(group, {ShownPath(deletion.path, project), end});
        }
    }
    m_tree->expandAll();
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(m_tree);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 420);
}

} // namespace Orvanta
