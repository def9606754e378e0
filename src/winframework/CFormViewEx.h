#pragma once

#include "winframework/CDlgTempl.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <vector>

namespace Orvanta {

// A form: a scrolling view whose controls come from a dialog template and keep a sensible place
// when the view changes size. Each control is anchored to the form's edges, or placed
// proportionally, by a small flag set and is recomputed from its template rectangle on every
// resize. The controls are children of Form() (the scroll area's viewport); the scroll size is the
// template's size, so a view narrower than the form scrolls horizontally.
class CFormViewEx : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Anchor flags of one control.
    enum AnchorFlag : int {
        kAnchorLeft = 0x01,   // the left edge stays with the left side
        kAnchorRight = 0x02,  // the right edge follows the right side
        kAnchorTop = 0x04,    // the top edge stays with the top
        kAnchorBottom = 0x08, // the bottom edge follows the bottom
        kProportionalX = 0x10,
        kProportionalY = 0x20,
    };

    explicit CFormViewEx(int templateId, QWidget* parent = nullptr);
    ~CFormViewEx() override;

    // The parent of the form's controls.
    [[nodiscard]] QWidget* Form() const { return viewport(); }
    [[nodiscard]] int TemplateId() const { return m_templateId; }
    [[nodiscard]] const CDlgTempl& Template() const { return m_template; }
    // False until the first initial update has finished; the layout runs on resize only when true.
    [[nodiscard]] bool IsInitialised() const { return m_initialised; }
    // The form's size in pixels: the template's rectangle converted with the dialog font.
    [[nodiscard]] QSize FormSize() const;

    // The first call loads the template; every call lays the controls out for the current size
    // and marks the view initialised. The frame keeps its own size.
    virtual void OnInitialUpdate();

    // Places `control` from the template rectangle of `controlId` by `flags`.
    void AnchorControl(QWidget* control, int controlId, int flags);

    // The form's size, grown so that every control stretched with both edges of a direction gets
    // at least its own size hint in that direction.
    [[nodiscard]] QSize sizeHint() const override;

    // The anchoring rule. `templateRect` is the dialog's rectangle, `itemRect` the control's, both
    // in pixels; `client` the view's client rectangle (already raised to the scroll size when that
    // is larger); `scrollX` the horizontal scroll position. Returns the control's new geometry.
    [[nodiscard]] static QRect AnchoredGeometry(const QRect& templateRect, const QRect& itemRect, const QRect& client,
                                                int scrollX, int flags);

protected:
    // The layout hook: a derived form places its controls here, one AnchorControl per control.
    virtual void LayoutControls(int width, int height);

    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateScrollRange();
    // The client rectangle used by the anchoring: the viewport, raised to the form's size.
    [[nodiscard]] QRect LayoutRect() const;
    void RunLayout();

    struct Anchored {
        QPointer<QWidget> control;
        int controlId;
        int flags;
    };

    int m_templateId;
    CDlgTempl m_template;
    // The controls placed so far, for the size hint.
    std::vector<Anchored> m_anchored;
    bool m_initialised = false;
};

} // namespace Orvanta
