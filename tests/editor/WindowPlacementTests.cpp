// Where a window opened beside another one lands on the screen.
#include "support/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

enum class Side { Right, Left, Over };

struct Beside {
    const char *sCase;
    int lMainLeft;  // the main window, from the screen's left edge
    int lMainWidth;
    int lWidth;     // the window placed beside it, before and after
    int lLandWidth;
    Side eSide;
};

TEST(WindowPlacementTest, BesideToTheRightElseLeftElseNarrowedToTheWiderSide) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int W = area.width();
    // Room beside the main window: the screen less the window and a gap of 8 pixels.
    const auto rightRoom = [&](int lLeft, int lWidth) { return W - lLeft - lWidth - 8; };
    const Beside cases[] = {
        {"room on the right", 10, 200, 300, 300, Side::Right},
        {"room only on the left", W - 210, 200, 300, 300, Side::Left},
        {"no room: the right is wider", 100, 100, W, rightRoom(100, 100), Side::Right},
        {"no room: the left is wider", W - 360, 200, W, W - 360 - 8, Side::Left},
        {"too little room on either side", 50, W - 100, 400, 400, Side::Over},
    };
    for (const Beside &c : cases) {
        SCOPED_TRACE(c.sCase);
        QWidget main;
        main.setGeometry(area.x() + c.lMainLeft, area.y() + 40, c.lMainWidth, 300);
        QWidget beside;
        beside.resize(c.lWidth, 200);
        PlaceBeside(&beside, &main);
        const QRect placed = beside.frameGeometry();
        EXPECT_EQ(beside.width(), c.lLandWidth);
        EXPECT_EQ(placed.top(), main.frameGeometry().top());
        EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.width();
        switch (c.eSide) {
        case Side::Right:
            EXPECT_GT(placed.left(), main.frameGeometry().right());
            break;
        case Side::Left:
            EXPECT_LT(placed.right(), main.frameGeometry().left());
            break;
        case Side::Over:
            EXPECT_EQ(placed.right(), area.right());
            break;
        }
    }
}

} // namespace
