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

using WindowTest = PelterboxTest;

// Each control as the form lays it out: panel, name, left, top, width, height in
// twips relative to the panel, caption.
const char *const kControls =
    R"(picInstall lblInstallVL2 180 180 6915 255 Select a &VL2 file to install
picInstall txtInstallVL2 180 420 6915 285
picInstall cmdInstallVL2browse 5880 780 1215 375 &Browse...
picInstall lblInstallName 180 1320 6915 255 Type a &filename for these skins
picInstall txtInstallName 180 1560 6915 285
picInstall cmdInstall 5880 1920 1215 375 &Install Skins
picCompress lblCompressOng 3180 180 3915 255 Select a &skin to add to the list
picCompress txtCompressPng 3180 420 3915 285
picCompress cmdCompressPngBrowse 5880 780 1215 375 &Browse...
picCompress cmdCompressAdd 3180 1080 1215 375 << &Add       |
picCompress cmdCompressRemove 3180 1440 1215 375 >> &Remove
picCompress lblCompressSkins 180 180 2835 255 &List of skins
picCompress lstCompressSkins 180 420 2835 1815
picCompress chkCompressInstall 4620 1920 2475 255 Install skins after compression
picCompress cmdCompress 3180 1860 1215 375 &Compress...
picExtract cmdExtractFolderBrowse 4500 1920 1215 375 &Browse...
picExtract txtExtractFolder 180 1560 5535 285
picExtract cmdExtractVL2Browse 4500 780 1215 375 &Browse...
picExtract txtExtractVL2 180 420 5535 285
picExtract lblExtractFolder 180 1320 5535 255 Extract to &folder:
picExtract lblExtractVL2 180 180 5535 255 Select a &VL2 file to extract
picExtract cmdExtract 5940 1320 1215 975 &Extract)";

} // namespace

TEST(PelterboxCaption, JoinsMinorAndRevisionWithNothingBetween) {
    const QString sCaption = QStringLiteral("Keplo Pelterbox");
    EXPECT_EQ(PelterboxCaption(sCaption, {1, 0, 0}), QStringLiteral("Keplo Pelterbox v1.00"));
    EXPECT_EQ(PelterboxCaption(sCaption, {1, 0, 12}), QStringLiteral("Keplo Pelterbox v1.012"));
    EXPECT_EQ(PelterboxCaption(sCaption, {1, 10, 4}), QStringLiteral("Keplo Pelterbox v1.104"));
}

TEST_F(WindowTest, EveryControlLiesOnItsPanelWhereTheFormLaysItOut) {
    Load();
    EXPECT_EQ(m_pMain->windowTitle(),
              PelterboxCaption(QStringLiteral("Keplo Pelterbox"), GetProgramVersion()));
    EXPECT_EQ(m_pMain->minimumSize(), QSize(513, 209));
    EXPECT_EQ(m_pMain->maximumSize(), QSize(513, 209));
    auto *pTabs = Control<QTabWidget>(QStringLiteral("SkinTabs"));
    EXPECT_EQ(pTabs->geometry(), QRect(8, 8, 497, 193));
    QStringList tabs;
    for (int i = 0; i < pTabs->count(); ++i)
        tabs << pTabs->tabText(i) + QLatin1Char('=') + pTabs->widget(i)->property("key").toString();
    EXPECT_EQ(tabs, (QStringList{"Install Skins=install", "Compress Skins (VL2)=compress",
                                 "Extract Skins=extract"}));
    for (const QString &sLine : QString::fromUtf8(kControls).split(QLatin1Char('\n'))) {
        const QStringList f = sLine.split(QLatin1Char(' '));
        SCOPED_TRACE(f[1].toStdString());
        QWidget *pControl = Control<QWidget>(f[1]);
        ASSERT_NE(pControl, nullptr);
        EXPECT_EQ(pControl->parentWidget()->objectName(), f[0]);
        EXPECT_EQ(pControl->parentWidget()->geometry(), QRect(12, 32, 489, 165));
        EXPECT_EQ(pControl->geometry(), QRect(f[2].toInt() / 15, f[3].toInt() / 15,
                                              f[4].toInt() / 15, f[5].toInt() / 15));
        const QString sCaption = f.mid(6).join(QLatin1Char(' ')).remove(QLatin1Char('|'));
        if (auto *pButton = qobject_cast<QAbstractButton *>(pControl)) {
            EXPECT_EQ(pButton->text(), sCaption);
        } else if (auto *pLabel = qobject_cast<QLabel *>(pControl)) {
            EXPECT_EQ(pLabel->text(), sCaption);
        }
        EXPECT_EQ(pControl->font().bold(), f[1] == "cmdExtract" || f[1] == "cmdCompress");
    }
    EXPECT_TRUE(Box("txtExtractFolder")->isReadOnly());
    EXPECT_TRUE(CaptionsFit(m_pMain.get()));
    auto *pExtract = Control<QPushButton>(QStringLiteral("cmdExtract"));
    EXPECT_STREQ(pExtract->metaObject()->className(), "PictureButton");
    EXPECT_TRUE(pExtract->icon().availableSizes().contains(QSize(32, 32)));
    EXPECT_FALSE(m_pMain->windowIcon().isNull());
}

TEST_F(WindowTest, TabOrderRunsAcrossThePanelsInTheirNumberedOrder) {
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
    for (int i = 0; i < 200 && order.size() < expected.size(); ++i) {
        if (expected.contains(pWidget->objectName()) && !order.contains(pWidget->objectName()))
            order << pWidget->objectName();
        pWidget = pWidget->nextInFocusChain();
    }
    EXPECT_EQ(order, expected);
}

TEST_F(WindowTest, FirstStartStoresTheDefaultWorkFolderAndCreatesItSecondLeavesIt) {
    const char *const kKeploKey = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "");
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", ""), DefaultWorkFolder());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(DefaultWorkFolder())).isDir());

    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", m_sWork.toStdString());
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", ""), m_sWork.toStdString());
    EXPECT_FALSE(QFileInfo::exists(m_sWork)); // a value that is set is not created
}

TEST_F(WindowTest, StartUpDeletesWhatAnEarlierRunStagedAndKeepsWhatItDidNotPutThere) {
    const QStringList skins = {"pelterbox/", "pelterbox/textures/", "pelterbox/textures/skins/"};
    for (const auto &[leftOver, after] :
         {std::pair<QStringList, QStringList>{
              {"pelterbox/a.txt", "pelterbox/textures/b.png", "pelterbox/textures/skins/red.png"},
              {}},
          {{"pelterbox/textures/skins/red.png", "pelterbox/textures/skins/.kept"},
           skins + QStringList{"pelterbox/textures/skins/.kept"}}}) {
        QDir(m_sWork).removeRecursively();
        for (const QString &sFile : leftOver)
            WriteFile(m_sWork + QLatin1Char('/') + sFile, "left over");
        Load();
        EXPECT_EQ(Listing(m_sWork), after);
        EXPECT_EQ(SkinList()->count(), 0);
    }
}

TEST_F(WindowTest, EachTabShowsItsOwnPanelOnly) {
    Load();
    m_pMain->show();
    const char *const panels[] = {"picInstall", "picCompress", "picExtract"};
    for (int nTab : {0, 2, 2, 1, 0}) {
        Control<QTabWidget>(QStringLiteral("SkinTabs"))->setCurrentIndex(nTab);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Control<QWidget>(QString::fromLatin1(panels[i]))->isVisible(), i == nTab);
    }
}

TEST_F(WindowTest, FocusMovesTheDefaultButtonAndEnterClicksIt) {
    Load();
    m_pMain->show();
    m_pMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pMain.get()));
    auto *pTabs = Control<QTabWidget>(QStringLiteral("SkinTabs"));
    EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QStringLiteral("cmdExtract"));
    EXPECT_EQ(m_pMain->focusWidget(), pTabs->tabBar());
    struct Step {
        int nTab;
        const char *sFocus, *sDefault;
    };
    for (const Step &step :
         {Step{0, "txtInstallVL2", "cmdInstallVL2browse"}, Step{0, "txtInstallName", "cmdInstall"},
          Step{0, "cmdInstallVL2browse", "cmdInstall"}, Step{1, "txtCompressPng", "cmdCompressAdd"},
          Step{1, "lstCompressSkins", "cmdCompress"}}) {
        pTabs->setCurrentIndex(step.nTab);
        Control<QWidget>(QString::fromLatin1(step.sFocus))->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QString::fromLatin1(step.sDefault));
        EXPECT_TRUE(m_pMain->DefaultButton()->isDefault());
    }
    // Enter in a text box clicks the default button: Add with nothing typed.
    Box("txtCompressPng")->setFocus(Qt::TabFocusReason);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    QTest::keyClick(Box("txtCompressPng"), Qt::Key_Return);
    ExpectBoxes({{QStringLiteral("File does not exist!\n\n"), MsgIcon::Exclamation}});
}

TEST_F(WindowTest, AnArchiveArgumentFillsTheInstallTabAsBrowseWould) {
    const QString sArchive = m_home.Path() + QStringLiteral("/downloads/Team Red.vl2");
    WriteFile(sArchive, "archive");
    QDir::setCurrent(m_home.Path());
    EXPECT_EQ(ArchiveArgument({"pelterbox", "missing.vl2", m_home.Path(), "-x"}), QString());
    EXPECT_EQ(ArchiveArgument({"pelterbox", "--unknown", "downloads/Team Red.vl2"}), sArchive);
    Load();
    m_pMain->ChooseInstallArchive(sArchive);
    EXPECT_EQ(Box("txtInstallVL2")->text(), sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("Team Red"));
}
