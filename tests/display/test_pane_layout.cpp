#include <gtest/gtest.h>

#include "display/pane_layout.h"

namespace wavelore {
namespace {

using Mode = CPaneLayout::Mode;

void ExpectRect(const PaneRect& r, int32_t left, int32_t top, int32_t width, int32_t height) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

int32_t TicksToEnd(CPaneLayout& pane) {
    int32_t ticks = 1;
    while (pane.Tick()) {
        ++ticks;
    }
    return ticks;
}

TEST(PaneLayout, PlacesButtonsTextPaneExplorerAndBar) {
    CPaneLayout pane(300);
    // W 803, H 509: c = trunc(803 * 0.3) = 240, d = 50 * 2 = 100.
    CPaneLayout::Geometry g = pane.Layout(803, 509);
    EXPECT_EQ(g.rawButton.x, 5);
    EXPECT_EQ(g.rawButton.y, 95);
    EXPECT_EQ(g.messagesButton.x, 85);
    EXPECT_EQ(g.afterButtons.x, 175);
    EXPECT_EQ(g.afterButtons.y, 95);
    ExpectRect(g.textPane, 5, 110, 230, 394);
    ExpectRect(g.explorer, 245, 110, 553, 394);
    ExpectRect(g.splitter, 235, 110, 10, 394);
    EXPECT_TRUE(g.splitter.Contains(235, 110));
    EXPECT_FALSE(g.splitter.Contains(245, 110));
    EXPECT_FALSE(g.splitter.Contains(240, 504));

    ASSERT_TRUE(pane.Close());
    EXPECT_EQ(TicksToEnd(pane), 41);
    g = pane.Layout(803, 509);
    ExpectRect(g.textPane, 5, 110, 793, 394);
    EXPECT_EQ(g.explorer.width, 0);
}

TEST(PaneLayout, DragsWithinTheEdgesOfAnOpenPaneAndWritesAtEveryRelease) {
    constexpr int32_t kW = 800;
    constexpr int32_t kH = 500;
    CPaneLayout pane(500);
    EXPECT_FALSE(pane.Press(405, 200, pane.Layout(kW, kH)));  // beside the bar
    EXPECT_TRUE(pane.SizingCursorAt(395, 200, pane.Layout(kW, kH)));
    ASSERT_TRUE(pane.Press(395, 200, pane.Layout(kW, kH)));
    EXPECT_FALSE(pane.Press(395, 200, pane.Layout(kW, kH)));
    EXPECT_TRUE(pane.Drag(-50, kW));
    EXPECT_EQ(pane.Layout(kW, kH).splitter.left, 5);  // x = 10
    EXPECT_TRUE(pane.Drag(kW + 50, kW));
    EXPECT_FALSE(pane.Drag(kW - 10, kW));  // the same ratio: nothing to lay out
    EXPECT_EQ(pane.Release(), 987);        // trunc(790 / 800 * 1000)
    EXPECT_EQ(pane.Release(), std::nullopt);
    EXPECT_FALSE(pane.Drag(400, kW));

    // Any stored share comes back unchanged from a drag that does not move.
    for (int32_t perMille = 0; perMille <= 1000; ++perMille) {
        CPaneLayout still(perMille);
        const PaneRect bar = still.Layout(kW, kH).splitter;
        ASSERT_TRUE(still.Press(bar.left, bar.top, still.Layout(kW, kH)));
        ASSERT_EQ(still.Release(), perMille);
    }

    // Neither a sliding nor a closed pane offers its bar.
    ASSERT_TRUE(pane.Close());
    EXPECT_FALSE(pane.SizingCursorAt(kW - 10, 200, pane.Layout(kW, kH)));
    EXPECT_FALSE(pane.Press(kW - 10, 200, pane.Layout(kW, kH)));
    EXPECT_FALSE(pane.DrawsBar());
}

TEST(PaneLayout, SlidesClosedAndBackToExactlyTheSavedShare) {
    CPaneLayout pane(500);
    EXPECT_FALSE(pane.Open());  // already open
    ASSERT_TRUE(pane.Close());
    EXPECT_EQ(pane.PaneMode(), Mode::Closing);
    EXPECT_EQ(TicksToEnd(pane), 38);
    EXPECT_EQ(pane.PaneMode(), Mode::Closed);
    EXPECT_EQ(pane.Ratio(), 1.0f);
    EXPECT_FALSE(pane.Close());  // already closed: the saved share stays

    ASSERT_TRUE(pane.Open());
    EXPECT_TRUE(pane.DrawsBar());
    EXPECT_EQ(TicksToEnd(pane), 38);
    EXPECT_EQ(pane.PaneMode(), Mode::Open);
    EXPECT_EQ(pane.Ratio(), 0.5f);

    // A request during a slide finishes at once, whichever way it asks.
    ASSERT_TRUE(pane.Close());
    pane.Tick();
    EXPECT_FALSE(pane.Open());
    EXPECT_EQ(pane.PaneMode(), Mode::Open);
    EXPECT_EQ(pane.Ratio(), 0.5f);
    ASSERT_TRUE(pane.Close());
    EXPECT_FALSE(pane.Close());
    EXPECT_EQ(pane.PaneMode(), Mode::Closed);
    EXPECT_EQ(pane.Ratio(), 1.0f);
    ASSERT_TRUE(pane.Open());
    pane.Tick();
    EXPECT_FALSE(pane.Close());
    EXPECT_EQ(pane.PaneMode(), Mode::Closed);
    EXPECT_FALSE(pane.Tick());
}

}  // namespace
}  // namespace wavelore
