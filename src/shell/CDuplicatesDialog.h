#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace Orvanta {

class CFileDoc;
struct CSearchTarget;

// The Duplicates window: the groups of duplicate waves (with the wave memory each wastes) and
// patches within the active project or across every open project, and Merge Duplicate Waves for
// the active project. A double-click on a member shows its slot.
class CDuplicatesDialog : public QDialog {
    Q_OBJECT

public:
    using Targets = std::function<std::vector<CSearchTarget>()>;
    using ActiveDocument = std::function<CFileDoc*()>;
    using Navigate = std::function<bool(CFileDoc* document, int which, std::size_t slot)>;
    // Called after a merge changed `document`.
    using Merged = std::function<void(CFileDoc* document)>;

    CDuplicatesDialog(Targets targets, ActiveDocument active, Navigate navigate, Merged merged,
                      QWidget* parent = nullptr);

    // 0: the active project; 1: every open project.
    static constexpr int kScopeActive = 0;
    static constexpr int kScopeAll = 1;

    [[nodiscard]] QTreeWidget* Groups() const { return m_groups; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }
    [[nodiscard]] QPushButton* MergeButton() const { return m_merge; }

    // Lists the groups again, as the projects are now.
    void Refresh();
    // Refresh once control returns to the event loop, while the window is shown: after any change
    // of a listed project (a merge, its Undo, a drop) and when another project window becomes active.
    void ScheduleRefresh();
    // Merge Duplicate Waves on the active project (one Undo restores it); the number of wave slots
    // emptied.
    std::size_t MergeWaves();

protected:
    void changeEvent(QEvent* event) override;

private:
    void OnItemActivated(QTreeWidgetItem* item);

    Targets m_targets;
    ActiveDocument m_active;
    Navigate m_navigate;
    Merged m_merged;
    QComboBox* m_scope;
    QTreeWidget* m_groups;
    QLabel* m_summary;
    QPushButton* m_merge;
    std::vector<CFileDoc*> m_documents; // of the listed groups, by the index kept in the items
    bool m_refreshPending = false;
};

} // namespace Orvanta
