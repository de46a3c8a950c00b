#include "support/ui/CaptionFont.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(CaptionFont, CaptionTooWideForItsButtonIsFoundOut) {
    QWidget window;
    QPushButton button(QStringLiteral("&A caption far too wide for this"), &window);
    button.setGeometry(0, 0, 40, 25);
    EXPECT_FALSE(CaptionsFit(&window));
}

TEST(CaptionFont, FittingPicksANarrowerOrSmallerFontUntilEveryCaptionFits) {
    QWidget window;
    QFont wide = window.font();
    wide.setPointSize(14);
    window.setFont(wide);
    QPushButton button(QStringLiteral("&Save Changes"), &window);
    button.setGeometry(0, 0, 81, 25);
    QLabel label(QStringLiteral("Select a category"), &window);
    label.setGeometry(0, 30, 241, 17);
    ASSERT_FALSE(CaptionsFit(&window));

    FitCaptionFont(&window);

    EXPECT_TRUE(CaptionsFit(&window));
    EXPECT_LE(window.font().pointSizeF(), 8.0);
}

TEST(CaptionFont, WindowThatFitsAtEightPointsKeepsTheNormalWidth) {
    QWidget window;
    QPushButton button(QStringLiteral("&OK"), &window);
    button.setGeometry(0, 0, 81, 25);

    FitCaptionFont(&window);

    EXPECT_EQ(window.font().pointSizeF(), 8.0);
    EXPECT_EQ(window.font().stretch(), int(QFont::Unstretched));
}
