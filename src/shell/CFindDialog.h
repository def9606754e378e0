#pragma once

#include "operations/NameSearch.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace Orvanta {

class CFileDoc;
struct CSearchTarget;

// The Find window: a search field over the names of every open project, the hits as a list
// (project, kind, slot, name) in project, kind and slot order. A double-click on a hit, Enter or F3
// (the next hit after the current one) selects and shows the slot in its project window.
class CFindDialog : public QDialog {
    Q_OBJECT

public:
    using Targets = std::function<std::vector<CSearchTarget>()>;
    using Navigate = std::function<bool(CFileDoc* document, int which, std::size_t slot)>;

    CFindDialog(Targets targets, Navigate navigate, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* TextField() const { return m_text; }
    [[nodiscard]] QTreeWidget* Results() const { return m_results; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }

    // Searches again with the field's text, as the open projects are now.
    void Search();
    // Goes to the hit after the current one (the first when none is current); false without hits.
    bool FindNext();
    // Goes to the hit of row `row` of the results; false when it is gone.
    bool GoToHit(int row);

protected:
    void changeEvent(QEvent* event) override;

private:
    struct CHit {
        CFileDoc* document = nullptr;
        int which = 0;
        std::size_t slot = 0;
        bool operator==(const CHit&) const = default;
    };

    void OnItemActivated(QTreeWidgetItem* item);
    // Row of the current hit; -1 for none.
    [[nodiscard]] int CurrentRow() const;

    Targets m_targets;
    Navigate m_navigate;
    QLineEdit* m_text;
    QTreeWidget* m_results;
    QLabel* m_summary;
    std::vector<CHit> m_hits;
    std::vector<QStringList> m_rows; // the texts of the hits' rows
    std::string m_searched;          // the text of the last search
};

} // namespace Orvanta
