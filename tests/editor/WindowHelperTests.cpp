// The shared window and shell helpers: the close command, the folder picker, the shell.
#include "support/ui/modBrowseFolders.h"
#include "support/ui/modWindows.h"
#include "tests/testsupport/FakeDesktop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace {

TEST(RemoveCloseCommand, TheWindowManagerCannotCloseTheWindowButTheProgramCan) {
    QDialog dialog;
    RemoveCloseCommand(&dialog);
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowTitleHint));
    dialog.show();
    ASSERT_TRUE(dialog.isVisible());

    // What the window manager sends for Alt+F4 or the title bar's close button.
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    QApplication::instance()->notify(&dialog, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_TRUE(dialog.isVisible());

    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
}

TEST(RemoveCloseCommand, AWindowThatAlreadyHoldsControlsLosesItToo) {
    QDialog dialog;
    new QLabel(QStringLiteral("A label"), &dialog);
    RemoveCloseCommand(&dialog);
    dialog.show();
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    QApplication::instance()->notify(&dialog, &request);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(RemoveCloseCommand, AVisibleWindowStaysOnTheScreen) {
    QWidget window;
    window.show();
    RemoveCloseCommand(&window);
    RemoveCloseCommand(&window); // twice changes nothing more
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

TEST(BrowseForFolder, ThePromptIsTheTitleAndTheFolderLosesItsTrailingSlash) {
    const struct {
        QString sPicked;
        QString sResult;
    } cases[] = {
        {QStringLiteral("/home/p/skins/"), QStringLiteral("/home/p/skins")},
        {QStringLiteral("/home/p/skins"), QStringLiteral("/home/p/skins")},
        {QStringLiteral("/"), QStringLiteral("/")},
        {QString(), QString()}, // cancelled
    };
    for (const auto &c : cases) {
        FakeDesktop desktop;
        desktop.AnswerFolder(c.sPicked);
        EXPECT_EQ(BrowseForFolder(nullptr, QStringLiteral("Please select a folder.")), c.sResult);
        ASSERT_EQ(desktop.Requests().size(), 1u);
        EXPECT_EQ(desktop.Requests()[0].sTitle, QStringLiteral("Please select a folder."));
    }
}

TEST(OpenWithShell, HandsThePathToTheDesktopAndTellsWhetherItOpened) {
    FakeDesktop desktop;
    desktop.AnswerOpenWithShell(false);
    desktop.AnswerOpenWithShell(true);
    EXPECT_FALSE(OpenWithShell(QStringLiteral("/work/Scripts/my folder")));
    EXPECT_TRUE(OpenWithShell(QStringLiteral("/work/Scripts")));
    ASSERT_EQ(desktop.Requests(FakeDesktop::Kind::OpenWithShell).size(), 2u);
    EXPECT_EQ(desktop.Requests()[0].sPath, QStringLiteral("/work/Scripts/my folder"));
}

} // namespace
