#include "winframework/CFormViewEx.h"

#include "resources/DialogTemplates.h"

#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <map>

namespace Orvanta {
namespace {

// Template (0, 0)-(300, 100) and a control at (10, 20)-(110, 70), all in pixels.
const QRect kTemplate(0, 0, 300, 100);
const QRect kItem(10, 20, 100, 50);

QRect Anchored(const QRect& client, int flags, int scrollX = 0) {
    return CFormViewEx::AnchoredGeometry(kTemplate, kItem, client, scrollX, flags);
}

TEST(AnchoringTest, StretchesBothWaysWithFlags0x0F) {
    const QRect grown = Anchored(QRect(0, 0, 400, 150), 0x0F);
    EXPECT_EQ(grown, QRect(10, 20, 200, 100)); // 100 x 50 larger, same top-left corner
}

TEST(AnchoringTest, KeepsSizeAndDistanceToTheRightWithFlags0x06) {
    const QRect moved = Anchored(QRect(0, 0, 400, 150), 0x06);
    EXPECT_EQ(moved.size(), kItem.size());
    EXPECT_EQ(400 - (moved.x() + moved.width()), 300 - (kItem.x() + kItem.width()));
    EXPECT_EQ(moved.y(), kItem.y());
}

TEST(AnchoringTest, KeepsLeftAndWidthAndStretchesVerticallyWithFlags0x0D) {
    const QRect stretched = Anchored(QRect(0, 0, 400, 150), 0x0D);
    EXPECT_EQ(stretched, QRect(10, 20, 100, 100));
}

TEST(AnchoringTest, KeptControlsStayWhateverTheSize) {
    // Horizontally kept: no flag, 0x01 alone or 0x10 alone; vertically: none, 0x04 alone or 0x20 alone.
    for (const int flags : {0x00, 0x01, 0x10, 0x04, 0x20, 0x05, 0x14, 0x21, 0x30}) {
        const QRect kept = Anchored(QRect(0, 0, 500, 300), flags);
        EXPECT_EQ(kept.topLeft(), kItem.topLeft()) << flags;
        EXPECT_EQ(kept.size(), kItem.size()) << flags;
    }
}

TEST(AnchoringTest, FollowsTheBottomWithFlags0x08) {
    EXPECT_EQ(Anchored(QRect(0, 0, 300, 160), 0x08), QRect(10, 80, 100, 50));
}

TEST(AnchoringTest, ProportionalEdgesTruncate) {
    // w = 200, tw = 300: left 200 * 10 / 300 = 6, right 200 * 110 / 300 = 73.
    EXPECT_EQ(Anchored(QRect(0, 0, 200, 100), 0x13), QRect(6, 20, 67, 50));
    // Left stays, right proportional.
    EXPECT_EQ(Anchored(QRect(0, 0, 200, 100), 0x11), QRect(10, 20, 63, 50));
    // Left proportional, right follows the right side: 110 + 200 - 300 = 10.
    EXPECT_EQ(Anchored(QRect(0, 0, 200, 100), 0x12), QRect(6, 20, 4, 50));
    // h = 50, th = 100: top 50 * 20 / 100 = 10, bottom 50 * 70 / 100 = 35.
    EXPECT_EQ(Anchored(QRect(0, 0, 300, 50), 0x2C), QRect(10, 10, 100, 25));
    EXPECT_EQ(Anchored(QRect(0, 0, 300, 50), 0x24), QRect(10, 20, 100, 15));
    EXPECT_EQ(Anchored(QRect(0, 0, 300, 50), 0x28), QRect(10, 10, 100, 10));
}

TEST(AnchoringTest, HorizontalScrollShiftsLeftAnchoredControls) {
    // The client is raised to the form's size by the caller; s = 25.
    EXPECT_EQ(Anchored(kTemplate, 0x00, 25).x(), kItem.x() - 25);
    const QRect stretched = Anchored(kTemplate, 0x03, 25);
    EXPECT_EQ(stretched.x(), kItem.x() - 25);
    EXPECT_EQ(stretched.width(), kItem.width());
    // A control that follows the right side takes no scroll offset.
    EXPECT_EQ(Anchored(kTemplate, 0x02, 25).x(), kItem.x());
    // The vertical edges ignore scrolling.
    EXPECT_EQ(Anchored(kTemplate, 0x0F, 25).y(), kItem.y());
}

// A form of the project window's template with a plain widget per control.
class TestForm : public CFormViewEx {
public:
    TestForm() : CFormViewEx(kIddFileView) {
        for (const auto& [id, flags] : kFlags) {
            m_controls[id] = new QWidget(Form());
        }
    }
    QWidget* Control(int id) { return m_controls.at(id); }
    void ReplaceControl(int id, QWidget* control) {
        delete m_controls.at(id);
        m_controls[id] = control;
    }
    int layouts = 0;

    static inline const std::map<int, int> kFlags = {
        {kIdcPatchList, 13}, {kIdcWaveList, 15}, {kIdcPatchLabel, 5}, {kIdcWaveLabel, 7}, {kIdcWaveSize, 6}};

protected:
    void LayoutControls(int /*width*/, int /*height*/) override {
        ++layouts;
        for (const auto& [id, flags] : kFlags) {
            AnchorControl(m_controls.at(id), id, flags);
        }
    }

private:
    std::map<int, QWidget*> m_controls;
};

// A control that asks for a given size.
class HintedWidget : public QWidget {
public:
    HintedWidget(QSize hint, QWidget* parent) : QWidget(parent), m_hint(hint) {}
    QSize sizeHint() const override { return m_hint; }

private:
    QSize m_hint;
};

TEST(FormViewExTest, TheSizeHintGivesStretchedControlsTheirOwnSizeHint) {
    // Wave list (15) stretches both ways, patch list (13) only vertically: only their stretched
    // directions can grow the form, and a hint smaller than the template keeps the form's size.
    const struct {
        int control;
        QSize hint;
        bool growsWidth;
        bool growsHeight;
    } cases[] = {
        {kIdcWaveList, QSize(900, 700), true, true},
        {kIdcWaveList, QSize(10, 10), false, false},
        {kIdcPatchList, QSize(900, 700), false, true},
    };
    for (const auto& test : cases) {
        TestForm form;
        form.ReplaceControl(test.control, new HintedWidget(test.hint, form.Form()));
        form.OnInitialUpdate();
        const QSize formSize = form.FormSize();
        const QRect item = *form.Template().ItemRectPixels(test.control, form.font());
        const QSize expected(test.growsWidth ? formSize.width() + test.hint.width() - item.width() : formSize.width(),
                             test.growsHeight ? formSize.height() + test.hint.height() - item.height()
                                              : formSize.height());
        EXPECT_EQ(form.sizeHint(), expected) << test.control << " " << test.hint.width();
    }
}

TEST(FormViewExTest, NoLayoutBeforeTheFirstInitialUpdate) {
    TestForm form;
    form.resize(600, 300);
    form.show();
    QApplication::processEvents();
    form.resize(700, 350);
    QApplication::processEvents();
    EXPECT_EQ(form.layouts, 0);
    EXPECT_FALSE(form.IsInitialised());
    const QRect before = form.Control(kIdcWaveList)->geometry();

    form.OnInitialUpdate();
    EXPECT_TRUE(form.IsInitialised());
    EXPECT_NE(form.Control(kIdcWaveList)->geometry(), before);
}

TEST(FormViewExTest, ResizingGrowsTheStretchedListsByTheSameAmount) {
    TestForm form;
    form.resize(600, 300);
    form.show();
    form.OnInitialUpdate();
    QApplication::processEvents();
    const QRect patch = form.Control(kIdcPatchList)->geometry();
    const QRect wave = form.Control(kIdcWaveList)->geometry();
    const QRect size = form.Control(kIdcWaveSize)->geometry();

    form.resize(700, 350);
    QApplication::processEvents();
    // Wave list (15): grows by 100 x 50 from the same corner.
    EXPECT_EQ(form.Control(kIdcWaveList)->geometry(), wave.adjusted(0, 0, 100, 50));
    // Patch list (13): same left and width, 50 taller.
    EXPECT_EQ(form.Control(kIdcPatchList)->geometry(), patch.adjusted(0, 0, 0, 50));
    // Size text (6): moves right with the edge, keeps its top.
    EXPECT_EQ(form.Control(kIdcWaveSize)->geometry(), size.translated(100, 0));
}

TEST(FormViewExTest, NarrowerThanTheFormScrollsHorizontally) {
    TestForm form;
    form.show();
    form.OnInitialUpdate();
    const QSize formSize = form.FormSize();
    ASSERT_GT(formSize.width(), 100);
    form.resize(formSize.width() - 60, formSize.height() + 100);
    QApplication::processEvents();
    QScrollBar* bar = form.horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_GT(bar->maximum(), 0);
    const QRect label = form.Control(kIdcPatchLabel)->geometry();
    const QRect wave = form.Control(kIdcWaveList)->geometry();
    // Laid out for the form's width, not the narrower view.
    EXPECT_EQ(wave.x() + wave.width(), form.Template().ItemRectPixels(kIdcWaveList, form.font())->right() + 1);

    bar->setValue(bar->maximum());
    QApplication::processEvents();
    EXPECT_EQ(form.Control(kIdcPatchLabel)->geometry(), label.translated(-bar->maximum(), 0));
}

} // namespace
} // namespace Orvanta
