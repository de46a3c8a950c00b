#include "support/ui/BusyState.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

bool WaitCursorShown() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

} // namespace

TEST(BusyState, DisablesTheWindowAndShowsTheWaitPointerForItsLifetime) {
    QWidget window;
    QPushButton button(&window);
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        BusyState busy(&window);
        EXPECT_FALSE(window.isEnabled());
        EXPECT_FALSE(button.isEnabled());
        EXPECT_TRUE(WaitCursorShown());
    }
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyState, RestoresTheWindowAndPointerWhenTheOperationThrows) {
    QWidget window;
    auto operation = [&] {
        BusyState busy(&window);
        throw std::runtime_error("engine failure");
    };

    EXPECT_THROW(operation(), std::runtime_error);

    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyState, NestedBusyStatesKeepTheWindowDisabledUntilTheOutermostEnds) {
    QWidget window;
    {
        BusyState outer(&window);
        {
            BusyState inner(&window);
            EXPECT_FALSE(window.isEnabled());
        }
        EXPECT_FALSE(window.isEnabled());
        EXPECT_TRUE(WaitCursorShown());
    }
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyState, WindowThatWasDisabledBeforeStaysDisabled) {
    QWidget window;
    window.setEnabled(false);
    { BusyState busy(&window); }
    EXPECT_FALSE(window.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyState, WindowClosedAndDeletedDuringTheOperationIsNotTouchedAfterwards) {
    auto pWindow = std::make_unique<QWidget>();
    {
        BusyState busy(pWindow.get());
        pWindow.reset();
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
