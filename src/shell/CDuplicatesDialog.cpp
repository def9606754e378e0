#include "shell/CDuplicatesDialog.h"

#include "model/CTernData.h"
#include "operations/DuplicateSearch.h"
#include "shell/CFileDoc.h"
#include "shell/CSearchCommands.h"
#include "storage/ContentHash.h"
#include "storage/ProjectNaming.h"
#include "views/CountText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Orvanta {

namespace {

// Item data of a member row: the index of its document, its kind and its slot.
constexpr int kDocumentRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kSlotRole = Qt::UserRole + 2;

QString ByteText(std::int64_t bytes) {
    return QString::fromStdString(FormatByteSize(bytes));
}

} // namespace

CDuplicatesDialog::CDuplicatesDialog(Targets targets, ActiveDocument active, Navigate navigate, Merged merged,
                                     QWidget* parent)
    : QDialog(parent), m_targets(std::move(targets)), m_active(std::move(active)), m_navigate(std::move(navigate)),
      m_merged(std::move(merged)), m_scope(new QComboBox(this)), m_groups(new QTreeWidget(this)),
      m_summary(new QLabel(this)), m_merge(new QPushButton(tr("&Merge Duplicate Waves"), this)) {
    setWindowTitle(tr("Duplicates"));
    setModal(false);
    m_scope->addItem(tr("Within the active project"));
    m_scope->addItem(tr("Across all open projects"));
    m_groups->setColumnCount(3);
    m_groups->setHeaderLabels({tr("Project"), tr("Slot"), tr("Name")});
    m_groups->setUniformRowHeights(true);
    m_groups->setAllColumnsShowFocus(true);
    m_groups->header()->setStretchLastSection(true);
    m_summary->setWordWrap(true);
    m_merge->setToolTip(tr("In each group of identical waves of the active project the lowest slot stays; the "
                           "patches that used the others use it, and the others are emptied. Undo restores it; "
                           "saving frees the memory."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_merge, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_scope);
    layout->addWidget(m_groups, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);

    connect(m_scope, &QComboBox::currentIndexChanged, this, &CDuplicatesDialog::Refresh);
    connect(m_groups, &QTreeWidget::itemActivated, this, &CDuplicatesDialog::OnItemActivated);
    connect(m_merge, &QPushButton::clicked, this, &CDuplicatesDialog::MergeWaves);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    resize(520, 380);
}

void CDuplicatesDialog::Refresh() {
    CFileDoc* active = m_active ? m_active() : nullptr;
    std::vector<CSearchTarget> targets = m_targets ? m_targets() : std::vector<CSearchTarget>{};
    m_refreshPending = false;
    // Every open project is followed, also those out of scope now: the scope may change.
    for (const CSearchTarget& target : targets) {
        connect(target.document, &CFileDoc::ContentChanged, this, &CDuplicatesDialog::ScheduleRefresh,
                Qt::UniqueConnection);
    }
    if (m_scope->currentIndex() == kScopeActive) {
        std::erase_if(targets, [active](const CSearchTarget& target) { return target.document != active; });
    }
    std::vector<const CTernData*> projects;
    m_documents.clear();
    for (const CSearchTarget& target : targets) {
        projects.push_back(&target.document->Data());
        m_documents.push_back(target.document);
    }
    const CDuplicateGroups groups = FindDuplicates(projects, SharedContentHashes());

    m_groups->clear();
    const auto addMember = [&](QTreeWidgetItem* group, const CSlotRef& member, int which) {
        const CParameter& item = projects[member.project]->List(which).Element(member.slot);
        auto* row =
            new QTreeWidgetItem(group, QStringList{targets[member.project].label, QString::number(member.slot + 1),
                                                   QString::fromStdString(item.m_name)});
        row->setData(0, kDocumentRole, static_cast<int>(member.project));
        row->setData(0, kKindRole, which);
        row->setData(0, kSlotRole, static_cast<int>(member.slot));
    };
    std::int64_t wasted = 0;
    for (std::size_t g = 0; g < groups.waves.size(); ++g) {
        const std::int64_t groupWaste = WastedWaveBytes(groups.waves[g], groups.waveBytes[g]);
        wasted += groupWaste;
        auto* group = new QTreeWidgetItem(
            m_groups,
            QStringList{tr("Waves, %1 each, %2 wasted").arg(ByteText(groups.waveBytes[g])).arg(ByteText(groupWaste))});
        group->setFirstColumnSpanned(true);
        for (const CSlotRef& member : groups.waves[g]) {
            addMember(group, member, kWaveList);
        }
    }
    for (const std::vector<CSlotRef>& members : groups.patches) {
        auto* group = new QTreeWidgetItem(m_groups, QStringList{tr("Patches")});
        group->setFirstColumnSpanned(true);
        for (const CSlotRef& member : members) {
            addMember(group, member, kPatchList);
        }
    }
    m_groups->expandAll();
    m_groups->resizeColumnToContents(0);
    m_summary->setText(tr("%1 (%2 of wave memory wasted), %3")
                           .arg(CountText(static_cast<long long>(groups.waves.size()), tr("group of duplicate waves"),
                                          tr("groups of duplicate waves")),
                                ByteText(wasted),
                                CountText(static_cast<long long>(groups.patches.size()),
                                          tr("group of duplicate patches"), tr("groups of duplicate patches"))));

    // Merging works within the active project: it needs a group there.
    bool canMerge = false;
    const auto activeIndex = std::find(m_documents.begin(), m_documents.end(), active);
    if (active != nullptr && activeIndex != m_documents.end()) {
        canMerge = !WaveGroupsIn(groups, static_cast<std::size_t>(activeIndex - m_documents.begin())).empty();
    }
    m_merge->setEnabled(canMerge);
}

void CDuplicatesDialog::ScheduleRefresh() {
    if (m_refreshPending || !isVisible()) {
        return;
    }
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_refreshPending) {
            Refresh();
        }
    });
}

std::size_t CDuplicatesDialog::MergeWaves() {
    CFileDoc* active = m_active ? m_active() : nullptr;
    if (active == nullptr) {
        return 0;
    }
    CTernData& project = active->Data();
    const CDuplicateGroups groups = FindDuplicates({&project}, SharedContentHashes());
    const std::size_t emptied = MergeDuplicateWaves(project, WaveGroupsIn(groups, 0));
    if (emptied > 0 && m_merged) {
        m_merged(active);
    }
    Refresh();
    return emptied;
}

void CDuplicatesDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Refresh();
    }
}

void CDuplicatesDialog::OnItemActivated(QTreeWidgetItem* item) {
    if (item == nullptr || item->parent() == nullptr || !m_navigate) {
        return;
    }
    const auto index = static_cast<std::size_t>(item->data(0, kDocumentRole).toInt());
    if (index >= m_documents.size()) {
        return;
    }
    m_navigate(m_documents[index], item->data(0, kKindRole).toInt(),
               static_cast<std::size_t>(item->data(0, kSlotRole).toInt()));
}

} // namespace Orvanta
