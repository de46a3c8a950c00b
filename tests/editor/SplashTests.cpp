#include "support/modRegistry.h"
#include "support/ui/Artwork.h"
#include "support/ui/frmSplash.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

const char *const kGameKey = "SOFTWARE\\Sierra Online\\Setup\\Tribes2";
// The designed message, then how to register the game with keplo-reg.
const QString kNoGame = QStringLiteral(
    "Keplo could not detect Tribes 2 on your computer.\n\nIf the game is installed, tell "
    "Keplo its folder with the keplo-reg tool:\nkeplo-reg add "
    "'HKLM\\SOFTWARE\\Sierra Online\\Setup\\Tribes2' /v directory /d <the game's folder>");

class SplashTest : public ::testing::Test {
protected:
    // A factory that counts its calls and makes a plain window.
    MainWindowFactory CountingFactory() {
        return [this]() -> QWidget * {
            ++m_nMade;
            m_pMade = new QWidget;
            return m_pMade;
        };
    }

    void ExpectTheNoGameMessage() {
        ASSERT_EQ(m_desktop.Messages().size(), 1u);
        const FakeDesktop::Request box = m_desktop.Messages().front();
        EXPECT_EQ(box.sText, kNoGame);
        EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
        EXPECT_EQ(box.eIcon, MsgIcon::Critical);
        EXPECT_EQ(box.eButtons, MsgButtons::OK);
    }

    void TearDown() override { delete m_pMade; }

    TestHome m_home;
    FakeDesktop m_desktop;
    int m_nMade = 0;
    QPointer<QWidget> m_pMade;
};

} // namespace

TEST_F(SplashTest, GameNotRegisteredShowsTheStopMessageAndCreatesNoMainWindow) {
    m_desktop.AnswerMessage(MsgAnswer::OK);
    frmSplash splash(CountingFactory());

    EXPECT_FALSE(splash.Form_Load());

    ExpectTheNoGameMessage();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.tmrSplash->isActive());
    QTest::qWait(50);
    EXPECT_EQ(m_nMade, 0);
    EXPECT_EQ(splash.MainWindow(), nullptr);
}

TEST_F(SplashTest, EmptyDirectoryValueShowsTheSameMessage) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", "");
    m_desktop.AnswerMessage(MsgAnswer::OK);
    frmSplash splash(CountingFactory());

    EXPECT_FALSE(splash.Form_Load());

    ExpectTheNoGameMessage();
    EXPECT_FALSE(splash.tmrSplash->isActive());
    EXPECT_EQ(m_nMade, 0);
}

TEST_F(SplashTest, GameKeyWithoutTheDirectoryValueShowsTheSameMessage) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "Version", "25034");
    m_desktop.AnswerMessage(MsgAnswer::OK);
    frmSplash splash(CountingFactory());

    EXPECT_FALSE(splash.Form_Load());

    ExpectTheNoGameMessage();
    EXPECT_EQ(m_nMade, 0);
}

TEST_F(SplashTest, RegisteredGameShowsTheFramelessSplashCentredWithOneTickRunning) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    frmSplash splash(CountingFactory());

    ASSERT_TRUE(splash.Form_Load());

    EXPECT_TRUE(m_desktop.Requests().empty());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash.windowType(), Qt::SplashScreen);
    EXPECT_EQ(splash.size(), QSize(398, 248));
    EXPECT_EQ(splash.tmrSplash->objectName(), QStringLiteral("tmrSplash"));
    EXPECT_EQ(splash.tmrSplash->interval(), 800);
    EXPECT_TRUE(splash.tmrSplash->isSingleShot());
    EXPECT_TRUE(splash.tmrSplash->isActive());
    EXPECT_EQ(m_nMade, 0);
    const QRect area = splash.screen()->availableGeometry();
    EXPECT_LE(std::abs(splash.frameGeometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(splash.frameGeometry().center().y() - area.center().y()), 1);
}

TEST_F(SplashTest, TickCreatesTheMainWindowClosesTheSplashAndShowsTheMainWindowOnce) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    frmSplash splash(CountingFactory());
    ASSERT_TRUE(splash.Form_Load());

    ASSERT_TRUE(QTest::qWaitFor([&] { return m_nMade > 0; }, 5000));

    EXPECT_EQ(m_nMade, 1);
    EXPECT_FALSE(splash.isVisible());
    ASSERT_NE(splash.MainWindow(), nullptr);
    EXPECT_EQ(splash.MainWindow(), m_pMade.data());
    EXPECT_TRUE(m_pMade->isVisible());
    EXPECT_EQ(m_pMade->parentWidget(), nullptr);
    EXPECT_FALSE(m_pMade->isModal());
    EXPECT_TRUE(m_pMade->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(splash.tmrSplash->isActive());
    QTest::qWait(1000);
    EXPECT_EQ(m_nMade, 1);
    EXPECT_TRUE(m_desktop.Requests().empty());
}

TEST_F(SplashTest, SplashIsStillOnTheScreenWhileTheMainWindowLoads) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    std::unique_ptr<frmSplash> pSplash;
    bool bSplashVisibleDuringLoad = false;
    pSplash = std::make_unique<frmSplash>([&]() -> QWidget * {
        bSplashVisibleDuringLoad = pSplash->isVisible();
        ++m_nMade;
        m_pMade = new QWidget;
        return m_pMade;
    });
    ASSERT_TRUE(pSplash->Form_Load());

    ASSERT_TRUE(QTest::qWaitFor([&] { return m_nMade > 0; }, 5000));

    EXPECT_TRUE(bSplashVisibleDuringLoad);
    EXPECT_FALSE(pSplash->isVisible());
}

TEST_F(SplashTest, ClosingTheSplashAtHandOverDoesNotEndTheProgram) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    frmSplash splash(CountingFactory());

    EXPECT_FALSE(splash.testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(SplashTest, SplashShowsThePictureFromTheTopLeftClippedToItsClientArea) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    const QImage picture = SplashPicture().toImage();
    ASSERT_EQ(picture.size(), QSize(400, 250));
    frmSplash splash(CountingFactory());
    ASSERT_TRUE(splash.Form_Load());

    const QImage shown = splash.grab().toImage();

    ASSERT_EQ(shown.size(), QSize(398, 248));
    for (const QPoint p :
         {QPoint(0, 0), QPoint(397, 247), QPoint(200, 125), QPoint(160, 110), QPoint(60, 120)})
        EXPECT_EQ(shown.pixel(p), picture.pixel(p)) << p.x() << "," << p.y();
    splash.tmrSplash->stop();
}

TEST_F(SplashTest, MainWindowThatFailsToLoadIsReportedInsteadOfLeavingAnInvisibleProgram) {
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_home.PathUtf8());
    m_desktop.AnswerMessage(MsgAnswer::OK);
    bool bCalled = false;
    frmSplash splash([&]() -> QWidget * {
        bCalled = true;
        throw std::runtime_error("the engine library is missing");
    });
    ASSERT_TRUE(splash.Form_Load());

    ASSERT_TRUE(QTest::qWaitFor([&] { return bCalled; }, 5000));

    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.MainWindow(), nullptr);
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_EQ(m_desktop.Messages().front().sText,
              QStringLiteral("Keplo could not start.\n\nthe engine library is missing"));
    EXPECT_EQ(m_desktop.Messages().front().sTitle, QStringLiteral("Keplo"));
    EXPECT_EQ(m_desktop.Messages().front().eIcon, MsgIcon::Critical);
}

TEST_F(SplashTest, RunWithSplashEndsWithTheGameNotFoundCodeAndNoMainWindow) {
    m_desktop.AnswerMessage(MsgAnswer::OK);

    const int nCode = RunWithSplash(*qApp, CountingFactory());

    EXPECT_EQ(nCode, kExitGameNotFound);
    EXPECT_EQ(nCode, 1);
    ExpectTheNoGameMessage();
    EXPECT_EQ(m_nMade, 0);
}

TEST_F(SplashTest, RunWithSplashTakesTheGameFromAWinePrefixBeforeTheGameCheck) {
    // A player's ~/.wine where the game's set-up recorded the game in the prefix's
    // registry; our store is empty.
    const QString sPrefix = m_home.Path() + QStringLiteral("/.wine");
    const QString sGame = sPrefix + QStringLiteral("/drive_c/Dynamix/Tribes2");
    ASSERT_TRUE(QDir().mkpath(sGame + QStringLiteral("/GameData/base")));
    ASSERT_TRUE(QDir().mkpath(sPrefix + QStringLiteral("/dosdevices")));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("../drive_c"), sPrefix + QStringLiteral("/dosdevices/c:")));
    QFile registry(sPrefix + QStringLiteral("/system.reg"));
    ASSERT_TRUE(registry.open(QIODevice::WriteOnly));
    registry.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                   "[Software\\\\Sierra Online\\\\Setup\\\\Tribes2] 1700000000\n"
                   "\"directory\"=\"C:\\\\Dynamix\\\\Tribes2\"\n");
    registry.close();
    std::string sSeenByMainWindow;
    MainWindowFactory makeWindow = [&]() -> QWidget * {
        sSeenByMainWindow = GetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", "");
        ++m_nMade;
        m_pMade = new QWidget;
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        return m_pMade;
    };

    const int nCode = RunWithSplash(*qApp, makeWindow);

    EXPECT_EQ(nCode, 0);
    EXPECT_EQ(m_nMade, 1);
    EXPECT_TRUE(m_desktop.Messages().empty());
    EXPECT_EQ(sSeenByMainWindow, QDir(sGame).canonicalPath().toStdString());
}
