#include "views/CProgressBar.h"

#include "winframework/DialogUnits.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <functional>
#include <utility>

namespace Orvanta {

namespace {

// The dialog of template 3075. Escape and the Cancel button only ask to cancel; the dialog closes
// when the episode ends.
class CProgressDialog : public QDialog {
public:
    CProgressDialog(QWidget* parent, std::function<void()> onCancel)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint), m_onCancel(std::move(onCancel)) {}

    void reject() override { m_onCancel(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        m_onCancel();
        event->ignore();
    }

private:
    std::function<void()> m_onCancel;
};

} // namespace

CProgressBar::CProgressBar(int templateId, QWidget* mainWindow) : m_mainWindow(mainWindow) {
    m_templateId = templateId;
}

CProgressBar::~CProgressBar() {
    DestroyDialog();
}

void CProgressBar::Reserved(int /*first*/, int /*second*/, int /*third*/) {}

void CProgressBar::Begin(int maximum, const std::string& text, bool cancellable) {
    ++m_depth;
    if (m_depth > 1) {
        return; // nested episodes share the outer dialog
    }
    if (m_mainWindow != nullptr && m_mainWindow->isEnabled()) {
        m_mainWindow->setEnabled(false);
        m_disabledMainWindow = true;
    }
    CreateDialog();
    m_cancellable = cancellable;
    m_cancelled = false;
    m_cancel->setVisible(cancellable);

    if (m_mainWindow != nullptr) {
        const QRect over = m_mainWindow->frameGeometry();
        m_dialog->move(over.center() - QPoint(m_dialog->width() / 2, m_dialog->height() / 2));
    }
    SetText(text);
    m_bar->setRange(0, std::max(0, maximum));
    SetPos(0);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->repaint();
}

void CProgressBar::End() {
    if (m_depth == 0) {
        return; // an End without its Begin changes nothing
    }
    --m_depth;
    if (m_depth == 0) {
        DestroyDialog();
    }
}

void CProgressBar::SetPos(int position) {
    if (m_depth != 1 || m_bar == nullptr) {
        return;
    }
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    m_dialog->repaint();
    m_position = position;
}

void CProgressBar::SetText(const std::string& text) {
    if (m_depth != 1 || m_textLine == nullptr) {
        return;
    }
    m_textLine->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_dialog->repaint();
    m_text = text;
}

bool CProgressBar::PumpAndCheckCancel() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_cancelled;
}

void CProgressBar::RequestCancel() {
    if (m_cancellable && m_depth > 0) {
        m_cancelled = true;
    }
}

QDialog* CProgressBar::Dialog() const {
    return m_dialog;
}

void CProgressBar::CreateDialog() {
    auto* dialog = new CProgressDialog(m_mainWindow, [this] { RequestCancel(); });
    dialog->setObjectName(QStringLiteral("progress%1").arg(m_templateId));
    const QFont font = QApplication::font();
    const auto place = [&font](QWidget* widget, int x, int y, int width, int height) {
        widget->setGeometry(DialogUnitsToPixels(QRect(x, y, width, height), font));
    };
    dialog->setFixedSize(DialogUnitsToPixels(QRect(0, 0, 209, 62), font).size());

    auto* textLine = new QLabel(dialog);
    textLine->setObjectName(QString::number(kTextControl));
    place(textLine, 10, 5, 190, 10);

    auto* bar = new QProgressBar(dialog);
    bar->setObjectName(QString::number(kProgressControl));
    bar->setTextVisible(false);
    place(bar, 5, 25, 200, 10);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QString::number(kCancelButton));
    cancel->setAutoDefault(false);
    place(cancel, 84, 40, 40, 15);
    QObject::connect(cancel, &QPushButton::clicked, dialog, [this] { RequestCancel(); });

    m_dialog = dialog;
    m_textLine = textLine;
    m_bar = bar;
    m_cancel = cancel;
}

void CProgressBar::DestroyDialog() {
    if (m_dialog != nullptr) {
        m_dialog->hide();
        delete m_dialog.data();
    }
    if (m_disabledMainWindow && m_mainWindow != nullptr) {
        m_mainWindow->setEnabled(true);
    }
    m_disabledMainWindow = false;
}

} // namespace Orvanta
