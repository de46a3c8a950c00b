// Pelterbox's window: its caption, controls, tab order, start-up, tabs and the
// default button.
#include "platform/os/ProgramFolder.h"
#include "skins/ArchiveArgument.h"
#include "support/ui/CaptionFont.h"
#include "tests/skins/PelterboxFixture.h"

#include <QLabel>
#include <QTabWidget>
#include <QTest>

namespace {

const char *const kKeploKey = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";

using WindowTest = PelterboxTest;

} // namespace

TEST(PelterboxCaption, JoinsMinorAndRevisionWithNothingBetween) {
    struct Case {
        ProgramVersion version;
        const char *sCaption;
    };
    for (const Case &c :
         {Case{{1, 0, 0}, "Keplo Pelterbox v1.00"}, Case{{1, 0, 4}, "Keplo Pelterbox v1.04"},
          Case{{1, 0, 12}, "Keplo Pelterbox v1.012"}, Case{{1, 10, 4}, "Keplo Pelterbox v1.104"}})
        EXPECT_EQ(PelterboxCaption(QStringLiteral("Keplo Pelterbox"), c.version),
                  QString::fromLatin1(c.sCaption));
}

TEST_F(WindowTest, EveryControlLiesOnItsPanelWhereTheFormLaysItOut) {
    struct Expected {
        const char *sName, *sPanel, *sClass, *sCaption;
        int l, t, w, h; // twips, relative to the panel
    };
    const Expected controls[] = {
        {"lblInstallVL2", "picInstall", "QLabel", "Select a &VL2 file to install", 180, 180, 6915,
         255},
        {"txtInstallVL2", "picInstall", "QLineEdit", "", 180, 420, 6915, 285},
        {"cmdInstallVL2browse", "picInstall", "QPushButton", "&Browse...", 5880, 780, 1215, 375},
        {"lblInstallName", "picInstall", "QLabel", "Type a &filename for these skins", 180, 1320,
         6915, 255},
        {"txtInstallName", "picInstall", "QLineEdit", "", 180, 1560, 6915, 285},
        {"cmdInstall", "picInstall", "QPushButton", "&Install Skins", 5880, 1920, 1215, 375},
        {"lblCompressOng", "picCompress", "QLabel", "Select a &skin to add to the list", 3180, 180,
         3915, 255},
        {"txtCompressPng", "picCompress", "QLineEdit", "", 3180, 420, 3915, 285},
        {"cmdCompressPngBrowse", "picCompress", "QPushButton", "&Browse...", 5880, 780, 1215, 375},
        {"cmdCompressAdd", "picCompress", "QPushButton", "<< &Add       ", 3180, 1080, 1215, 375},
        {"cmdCompressRemove", "picCompress", "QPushButton", ">> &Remove", 3180, 1440, 1215, 375},
        {"lblCompressSkins", "picCompress", "QLabel", "&List of skins", 180, 180, 2835, 255},
        {"lstCompressSkins", "picCompress", "QListWidget", "", 180, 420, 2835, 1815},
        {"chkCompressInstall", "picCompress", "QCheckBox", "Install skins after compression", 4620,
         1920, 2475, 255},
        {"cmdCompress", "picCompress", "QPushButton", "&Compress...", 3180, 1860, 1215, 375},
        {"cmdExtractFolderBrowse", "picExtract", "QPushButton", "&Browse...", 4500, 1920, 1215,
         375},
        {"txtExtractFolder", "picExtract", "QLineEdit", "", 180, 1560, 5535, 285},
        {"cmdExtractVL2Browse", "picExtract", "QPushButton", "&Browse...", 4500, 780, 1215, 375},
        {"txtExtractVL2", "picExtract", "QLineEdit", "", 180, 420, 5535, 285},
        {"lblExtractFolder", "picExtract", "QLabel", "Extract to &folder:", 180, 1320, 5535, 255},
        {"lblExtractVL2", "picExtract", "QLabel", "Select a &VL2 file to extract", 180, 180, 5535,
         255},
        {"cmdExtract", "picExtract", "PictureButton", "&Extract", 5940, 1320, 1215, 975},
    };
    Load();
    EXPECT_EQ(m_pMain->windowTitle(),
              PelterboxCaption(QStringLiteral("Keplo Pelterbox"), GetProgramVersion()));
    EXPECT_EQ(m_pMain->size(), QSize(513, 209));
    EXPECT_EQ(m_pMain->minimumSize(), m_pMain->maximumSize());
    EXPECT_FALSE(m_pMain->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    auto *pTabs = Control<QTabWidget>(QStringLiteral("SkinTabs"));
    EXPECT_EQ(pTabs->geometry(), QRect(8, 8, 497, 193));
    QStringList tabs;
    for (int i = 0; i < pTabs->count(); ++i)
        tabs << pTabs->tabText(i) + QLatin1Char('=') + pTabs->widget(i)->property("key").toString();
    EXPECT_EQ(tabs, (QStringList{"Install Skins=install", "Compress Skins (VL2)=compress",
                                 "Extract Skins=extract"}));
    for (const char *sPanel : {"picInstall", "picCompress", "picExtract"})
        EXPECT_EQ(Control<QWidget>(QString::fromLatin1(sPanel))->geometry(),
                  QRect(12, 32, 489, 165));
    for (const Expected &c : controls) {
        SCOPED_TRACE(c.sName);
        QWidget *pControl = Control<QWidget>(QString::fromLatin1(c.sName));
        ASSERT_NE(pControl, nullptr);
        EXPECT_EQ(pControl->parentWidget()->objectName(), QString::fromLatin1(c.sPanel));
        EXPECT_STREQ(pControl->metaObject()->className(), c.sClass);
        EXPECT_EQ(pControl->geometry(), QRect(c.l / 15, c.t / 15, c.w / 15, c.h / 15));
        QString sCaption;
        if (auto *pButton = qobject_cast<QAbstractButton *>(pControl))
            sCaption = pButton->text();
        else if (auto *pLabel = qobject_cast<QLabel *>(pControl))
            sCaption = pLabel->text();
        EXPECT_EQ(sCaption, QString::fromLatin1(c.sCaption));
        const bool bBold =
            QByteArray(c.sName) == "cmdExtract" || QByteArray(c.sName) == "cmdCompress";
        EXPECT_EQ(pControl->font().bold(), bBold);
    }
    EXPECT_TRUE(Box("txtExtractFolder")->isReadOnly());
    EXPECT_TRUE(CaptionsFit(m_pMain.get()));
    auto *pExtract = Control<QPushButton>(QStringLiteral("cmdExtract"));
    EXPECT_EQ(pExtract->iconSize(), QSize(32, 32));
    EXPECT_TRUE(pExtract->icon().availableSizes().contains(QSize(32, 32)));
    EXPECT_FALSE(m_pMain->windowIcon().isNull());
}

TEST_F(WindowTest, TabOrderFollowsTheDesignAcrossThePanels) {
    Load();
    const QStringList expected = {"txtInstallVL2",
                                  "cmdInstallVL2browse",
                                  "txtInstallName",
                                  "cmdInstall",
                                  "txtCompressPng",
                                  "cmdCompressPngBrowse",
                                  "cmdCompressAdd",
                                  "cmdCompressRemove",
                                  "lstCompressSkins",
                                  "chkCompressInstall",
                                  "cmdCompress",
                                  "SkinTabs",
                                  "cmdExtractFolderBrowse",
                                  "txtExtractFolder",
                                  "cmdExtractVL2Browse",
                                  "txtExtractVL2",
                                  "cmdExtract"};
    QStringList order;
    QWidget *pWidget = Control<QWidget>(expected.front());
    for (int i = 0; i < 200 && order.size() < expected.size();
         ++i, pWidget = pWidget->nextInFocusChain()) {
        const QString sName = pWidget->objectName();
        if (expected.contains(sName) && !order.contains(sName))
            order << sName;
    }
    EXPECT_EQ(order, expected);
}

TEST_F(WindowTest, FirstStartStoresTheDefaultWorkFolderAndCreatesItSecondLeavesIt) {
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "");
    Load();
    const std::string sDefault = DefaultWorkFolder();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", ""), sDefault);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(sDefault)).isDir());

    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", m_sWork.toStdString());
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", ""), m_sWork.toStdString());
    EXPECT_FALSE(QFileInfo::exists(m_sWork)); // a value that is set is not created
}

TEST_F(WindowTest, StartUpDeletesWhatAnEarlierRunStagedAndKeepsWhatItDidNotPutThere) {
    struct Case {
        QStringList leftOver;
        QStringList after;
    };
    const Case cases[] = {
        {{"pelterbox/a.txt", "pelterbox/textures/b.png", "pelterbox/textures/skins/red.png"}, {}},
        {{"pelterbox/textures/skins/red.png", "pelterbox/textures/skins/.kept"},
         {"pelterbox/", "pelterbox/textures/", "pelterbox/textures/skins/",
          "pelterbox/textures/skins/.kept"}},
        {{"pelterbox/textures/skins/deeper/blue.png"},
         {"pelterbox/", "pelterbox/textures/", "pelterbox/textures/skins/",
          "pelterbox/textures/skins/deeper/", "pelterbox/textures/skins/deeper/blue.png"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.leftOver.join(QLatin1Char(' ')).toStdString());
        QDir(m_sWork).removeRecursively();
        for (const QString &sFile : c.leftOver)
            WriteFile(m_sWork + QLatin1Char('/') + sFile, "left over");
        Load();
        EXPECT_EQ(Listing(m_sWork), c.after);
        EXPECT_EQ(SkinList()->count(), 0);
    }
}

TEST_F(WindowTest, GameFoldersAreTheRegisteredFolderAsSpelledOnDisk) {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory",
                 (m_home.Path() + QStringLiteral("/TRIBES2")).toStdString());
    Load();
    EXPECT_EQ(m_pMain->GameFolder(), m_sGame.toStdString() + "/");
    EXPECT_EQ(m_pMain->GameBaseFolder(), m_sGame.toStdString() + "/GameData/base/");
    EXPECT_EQ(m_pMain->ForbiddenNameDisplay(), QStringLiteral("\\/:*?\"<>|"));
}

TEST_F(WindowTest, EachTabShowsItsOwnPanelOnly) {
    Load();
    m_pMain->show();
    auto *pTabs = Control<QTabWidget>(QStringLiteral("SkinTabs"));
    const char *const panels[] = {"picInstall", "picCompress", "picExtract"};
    for (int nTab : {0, 2, 2, 1, 0}) {
        pTabs->setCurrentIndex(nTab);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Control<QWidget>(QString::fromLatin1(panels[i]))->isVisible(), i == nTab)
                << "tab " << nTab << " panel " << panels[i];
    }
}

TEST_F(WindowTest, FocusMovesTheDefaultButtonAndEnterClicksIt) {
    Load();
    m_pMain->show();
    m_pMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pMain.get()));
    EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QStringLiteral("cmdExtract"));
    EXPECT_TRUE(m_pMain->DefaultButton()->isDefault());
    EXPECT_EQ(m_pMain->focusWidget(), Control<QTabWidget>(QStringLiteral("SkinTabs"))->tabBar());

    struct Step {
        int nTab;
        const char *sFocus;
        const char *sDefault;
    };
    for (const Step &step :
         {Step{0, "txtInstallVL2", "cmdInstallVL2browse"}, Step{0, "txtInstallName", "cmdInstall"},
          Step{0, "cmdInstall", "cmdInstall"}, Step{1, "txtCompressPng", "cmdCompressAdd"},
          Step{1, "lstCompressSkins", "cmdCompress"}, Step{2, "txtExtractVL2", "cmdCompress"}}) {
        Control<QTabWidget>(QStringLiteral("SkinTabs"))->setCurrentIndex(step.nTab);
        Control<QWidget>(QString::fromLatin1(step.sFocus))->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QString::fromLatin1(step.sDefault))
            << step.sFocus;
        int nDefaults = 0;
        for (QPushButton *pButton : m_pMain->findChildren<QPushButton *>())
            nDefaults += pButton->isDefault() ? 1 : 0;
        EXPECT_EQ(nDefaults, 1);
    }

    // Enter in a text box clicks the default button: Add with nothing typed.
    Control<QTabWidget>(QStringLiteral("SkinTabs"))->setCurrentIndex(1);
    Box("txtCompressPng")->setFocus(Qt::TabFocusReason);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    QTest::keyClick(Box("txtCompressPng"), Qt::Key_Return);
    ExpectBoxes({{QStringLiteral("File does not exist!\n\n"), MsgIcon::Exclamation}});
}

TEST_F(WindowTest, ArchiveArgumentFillsTheInstallTabAsBrowseWould) {
    const QString sArchive = m_home.Path() + QStringLiteral("/downloads/Team Red.vl2");
    WriteFile(sArchive, "archive");
    QDir::setCurrent(m_home.Path());
    EXPECT_EQ(ArchiveArgument({"pelterbox"}), QString());
    EXPECT_EQ(ArchiveArgument({"pelterbox", "missing.vl2", m_home.Path(), "-x"}), QString());
    EXPECT_EQ(ArchiveArgument({"pelterbox", "--unknown", "downloads/Team Red.vl2"}), sArchive);

    Load();
    m_pMain->ChooseInstallArchive(sArchive);
    EXPECT_EQ(Box("txtInstallVL2")->text(), sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("Team Red"));
    EXPECT_TRUE(Control<QWidget>(QStringLiteral("picInstall"))->isVisibleTo(m_pMain.get()));
}
