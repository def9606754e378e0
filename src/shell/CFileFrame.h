#pragma once

#include "shell/CChildFrame.h"

#include <QPointer>
#include <QString>

namespace Orvanta {

class CFileDoc;
class CFileView;

// The project window: the frame around one project document's form. Its title is the document's
// title, a blank and "*" when the document is modified ("Song.prj *", "Untitled1 ").
class CFileFrame : public CChildFrame {
    Q_OBJECT

public:
    CFileFrame(CFileDoc& document, QWidget* parent = nullptr);
    ~CFileFrame() override;

    [[nodiscard]] CFileDoc& Document() const { return m_document; }
    [[nodiscard]] CFileView* View() const;

    // "%s %s" from the document title and "*" or "".
    static QString FrameTitle(const QString& documentTitle, bool modified);
    void UpdateFrameTitle();

    // While set, closing the window asks no question (the document was already asked, or is
    // discarded after a failed load).
    void SetCloseWithoutPrompt(bool withoutPrompt) { m_closeWithoutPrompt = withoutPrompt; }

    // A window the program sized follows the area: it grows with the main window up to what its
    // lists need, until the user takes it in hand (a press on its title bar or edges).
    [[nodiscard]] bool FollowsArea() const { return m_followsArea; }
    void SetFollowsArea(bool follows) { m_followsArea = follows; }

signals:
    // The window was closed and its document may go.
    void FrameClosed(CFileDoc* document);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CFileDoc& m_document;
    QPointer<CFileView> m_view;
    bool m_closeWithoutPrompt = false;
    bool m_followsArea = false;
};

} // namespace Orvanta
