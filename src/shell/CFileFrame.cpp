#include "shell/CFileFrame.h"

#include "shell/CFileDoc.h"
#include "shell/CommandIds.h"
#include "views/CFileView.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QStyle>

namespace Orvanta {

CFileFrame::CFileFrame(CFileDoc& document, QWidget* parent)
    : CChildFrame(kIdrProjectTemplate, parent), m_document(document) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_view = new CFileView(document, this);
    setWidget(m_view);
    setMinimumSize(CFileView::kMinimumFrameSize);
    setWindowIcon(style()->standardIcon(QStyle::SP_DirIcon));
    document.SetFrame(this);
    connect(&document, &CRichEditDocEx::TitleChanged, this, &CFileFrame::UpdateFrameTitle);
    connect(&document, &CRichEditDocEx::ModifiedChanged, this, &CFileFrame::UpdateFrameTitle);
    UpdateFrameTitle();
}

CFileFrame::~CFileFrame() = default;

CFileView* CFileFrame::View() const {
    return m_view.data();
}

QString CFileFrame::FrameTitle(const QString& documentTitle, bool modified) {
    return documentTitle + u' ' + (modified ? QStringLiteral("*") : QString());
}

void CFileFrame::UpdateFrameTitle() {
    setWindowTitle(FrameTitle(m_document.GetTitle(), m_document.IsModified()));
}

void CFileFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeWithoutPrompt && !m_document.SaveModified()) {
        event->ignore();
        return;
    }
    CChildFrame::closeEvent(event);
    if (event->isAccepted()) {
        emit FrameClosed(&m_document);
    }
}

void CFileFrame::mousePressEvent(QMouseEvent* event) {
    m_followsArea = false;
    CChildFrame::mousePressEvent(event);
}

} // namespace Orvanta
