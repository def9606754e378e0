#include "shell/CFindDialog.h"

#include "model/CTernData.h"
#include "shell/CFileDoc.h"
#include "shell/CSearchCommands.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Orvanta {

namespace {

constexpr int kHitRole = Qt::UserRole;

} // namespace

CFindDialog::CFindDialog(Targets targets, Navigate navigate, QWidget* parent)
    : QDialog(parent), m_targets(std::move(targets)), m_navigate(std::move(navigate)), m_text(new QLineEdit(this)),
      m_results(new QTreeWidget(this)), m_summary(new QLabel(this)) {
    setWindowTitle(tr("Find"));
    setModal(false);
    m_text->setPlaceholderText(tr("Name contains"));
    m_text->setClearButtonEnabled(true);
    m_results->setColumnCount(4);
    m_results->setHeaderLabels({tr("Project"), tr("Kind"), tr("Slot"), tr("Name")});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setAllColumnsShowFocus(true);
    m_results->header()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_results, 1);
    layout->addWidget(m_summary);

    connect(m_text, &QLineEdit::textChanged, this, &CFindDialog::Search);
    connect(m_text, &QLineEdit::returnPressed, this, &CFindDialog::FindNext);
    connect(m_results, &QTreeWidget::itemActivated, this, &CFindDialog::OnItemActivated);
    auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(next, &QShortcut::activated, this, &CFindDialog::FindNext);
    resize(480, 320);
}

void CFindDialog::Search() {
    const std::vector<CSearchTarget> targets = m_targets ? m_targets() : std::vector<CSearchTarget>{};
    std::vector<const CTernData*> projects;
    for (const CSearchTarget& target : targets) {
        projects.push_back(&target.document->Data());
    }
    const std::string text = m_text->text().toStdString();
    std::vector<CHit> found;
    std::vector<QStringList> rows;
    for (const CNameHit& hit : FindNames(projects, text)) {
        const CSearchTarget& target = targets[hit.project];
        const CParameter& item = projects[hit.project]->List(hit.which).Element(hit.slot);
        rows.push_back(QStringList{target.label, hit.which == kPatchList ? tr("Patch") : tr("Wave"),
                                   QString::number(hit.slot + 1), QString::fromStdString(item.m_name)});
        found.push_back({target.document, hit.which, hit.slot});
    }
    // An unchanged list is left as it is, so that a click that activates this window (and so searches
    // again) still lands on its row.
    if (text == m_searched && found == m_hits && rows == m_rows) {
        return;
    }
    // The current hit stays current when the same text is searched again.
    const bool again = text == m_searched;
    const int current = CurrentRow();
    m_searched = text;
    m_hits = std::move(found);
    m_rows = std::move(rows);
    m_results->clear();
    QList<QTreeWidgetItem*> items;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        auto* row = new QTreeWidgetItem(m_rows[i]);
        row->setData(0, kHitRole, static_cast<int>(i));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.append(row);
    }
    m_results->addTopLevelItems(items);
    if (again && current >= 0 && current < m_results->topLevelItemCount()) {
        m_results->setCurrentItem(m_results->topLevelItem(current));
    }
    m_results->resizeColumnToContents(0);
    m_summary->setText(text.empty() ? QString() : tr("%n found", nullptr, static_cast<int>(m_hits.size())));
}

bool CFindDialog::FindNext() {
    if (m_hits.empty()) {
        return false;
    }
    const int next = (CurrentRow() + 1) % static_cast<int>(m_hits.size());
    m_results->setCurrentItem(m_results->topLevelItem(next));
    return GoToHit(next);
}

bool CFindDialog::GoToHit(int row) {
    const QTreeWidgetItem* item = m_results->topLevelItem(row);
    if (item == nullptr || !m_navigate) {
        return false;
    }
    // The navigator refuses a document that closed since the search.
    const CHit& hit = m_hits[static_cast<std::size_t>(item->data(0, kHitRole).toInt())];
    return m_navigate(hit.document, hit.which, hit.slot);
}

void CFindDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Back in the window after working in the lists: the hits follow the projects as they are now.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Search();
    }
}

int CFindDialog::CurrentRow() const {
    return m_results->currentItem() != nullptr ? m_results->indexOfTopLevelItem(m_results->currentItem()) : -1;
}

void CFindDialog::OnItemActivated(QTreeWidgetItem* item) {
    GoToHit(m_results->indexOfTopLevelItem(item));
}

} // namespace Orvanta
