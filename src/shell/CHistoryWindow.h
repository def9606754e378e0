#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace Orvanta {

class CTernData;

// Edit > History: the changes since each project was opened or last saved, newest first, each
// named by what it did; those taken back are greyed and marked. Go Back returns the projects to
// their state before the chosen change, Go Forward to their state after it. Below the list, what a
// save or a close removed. Modeless; it follows the history while it is shown.
class CHistoryWindow : public QDialog {
    Q_OBJECT

public:
    // Told of the projects that going back or forward changed.
    using Changed = std::function<void(const std::vector<CTernData*>&)>;

    explicit CHistoryWindow(Changed changed, QWidget* parent = nullptr);

    // Shows the history as it is; first records a change not yet in it when `recordPending` is set
    // (never while a command may be running, as the window's timer may fire inside one that shows
    // progress: half a change would be recorded).
    void Refresh(bool recordPending = true);
    // Whether a change made now is whole and may be recorded: no drag, no modal box and no wait
    // cursor of a command under way.
    [[nodiscard]] static bool SafeToRecord();
    // Goes back to the state before entry `index` (0 the oldest), or forward to the state after it.
    bool GoBackTo(std::size_t index);
    bool GoForwardTo(std::size_t index);

    [[nodiscard]] QListWidget* List() const { return m_list; }
    [[nodiscard]] QString NoticeText() const;

private:
    // The entry index of the chosen row, or -1.
    [[nodiscard]] int ChosenEntry() const;
    void UpdateButtons();
    void Travel(bool back);

    Changed m_changed;
    QListWidget* m_list;
    QLabel* m_notice;
    QPushButton* m_back;
    QPushButton* m_forward;
    QTimer* m_timer;
    // What the list shows, to tell when it must be filled again.
    std::size_t m_shownSize = 0;
    std::size_t m_shownPosition = 0;
    QString m_shownNames;
};

} // namespace Orvanta
