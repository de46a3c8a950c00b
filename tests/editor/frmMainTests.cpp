#include "editor/ArchiveModel.h"
#include "editor/frmMain.h"
#include "platform/os/ProgramFolder.h"
#include "support/modRegistry.h"
#include "support/ui/CaptionFont.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTreeView>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>
#include <memory>
#include <zip.h>

namespace {

const char *const kGameKey = "SOFTWARE\\Sierra Online\\Setup\\Tribes2";
const char *const kKeploKey = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";
const QStringList kFiveButtons = {QStringLiteral("cmdExtract"), QStringLiteral("cmdSaveChanges"),
                                  QStringLiteral("cmdCancel"), QStringLiteral("cmdEditFile"),
                                  QStringLiteral("cmdOpenFolder")};

class frmMainTest : public ::testing::Test {
protected:
    frmMainTest() {
        m_sGame = m_home.Path() + QStringLiteral("/Tribes2");
        m_sBase = m_sGame + QStringLiteral("/GameData/base");
        m_sWork = m_home.Path() + QStringLiteral("/work");
    }

    // The game registered and its base folder made; the work folder configured.
    void InstallGame() {
        QDir().mkpath(m_sBase);
        SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_sGame.toStdString());
        SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", m_sWork.toStdString());
    }

    void MakeFile(const QString &sPath, const QByteArray &data = "x") {
        QDir().mkpath(QFileInfo(sPath).path());
        QFile file(sPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
        file.write(data);
    }

    // A real archive holding the given entries, each with a line of text.
    void MakeArchive(const QString &sFileName, const QStringList &entries) {
        const QString sPath = m_sBase + QLatin1Char('/') + sFileName;
        int nError = 0;
        zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
        ASSERT_NE(pZip, nullptr);
        static const char kText[] = "demo\n";
        for (const QString &sEntry : entries) {
            zip_source_t *pSource = zip_source_buffer(pZip, kText, sizeof kText - 1, 0);
            ASSERT_GE(zip_file_add(pZip, sEntry.toUtf8().constData(), pSource, 0), 0);
        }
        ASSERT_EQ(zip_close(pZip), 0);
    }

    void Load() { m_pMain = std::make_unique<frmMain>(); }

    template <class T> T *Control(const QString &sName) {
        T *pControl = m_pMain->findChild<T *>(sName);
        EXPECT_NE(pControl, nullptr) << "no control " << sName.toStdString();
        return pControl;
    }
    QComboBox *Chooser() { return Control<QComboBox>(QStringLiteral("drpVL2File")); }
    QTreeView *Tree() { return Control<QTreeView>(QStringLiteral("treArchive")); }
    ArchiveModel *Model() { return qobject_cast<ArchiveModel *>(Tree()->model()); }
    QString Status() { return Control<QLabel>(QStringLiteral("lblStatus"))->text(); }
    QStringList ChooserItems() {
        QStringList items;
        for (int i = 0; i < Chooser()->count(); ++i)
            items << Chooser()->itemText(i);
        return items;
    }
    // The names of the buttons that are enabled, Settings included.
    QStringList EnabledButtons() {
        QStringList enabled;
        for (const QString &sName : kFiveButtons + QStringList{QStringLiteral("cmdSettings")})
            if (Control<QPushButton>(sName)->isEnabled())
                enabled << sName;
        return enabled;
    }
    void Choose(const QString &sDisplayName) {
        const int nIndex = Chooser()->findText(sDisplayName);
        ASSERT_GE(nIndex, 0) << sDisplayName.toStdString();
        Chooser()->setCurrentIndex(nIndex);
    }
    // A category node with its file nodes, as listing an archive adds them: the tree
    // then shows the entries of every category added so far.
    void AddCategory(const QString &sFolder, const QStringList &files) {
        for (const QString &sFile : files)
            m_shown.emplace_back(sFolder, sFile);
        ListedEntries entries;
        for (const auto &[sShownFolder, sFile] : m_shown)
            entries.Add(sShownFolder.toStdString(), sFile.toStdString());
        Model()->SetEntries(std::move(entries));
    }

    TestHome m_home;
    FakeDesktop m_desktop; // any message box fails the test
    QString m_sGame;
    QString m_sBase;
    QString m_sWork;
    std::unique_ptr<frmMain> m_pMain;
    std::vector<std::pair<QString, QString>> m_shown; // the entries AddCategory showed
};

} // namespace

TEST_F(frmMainTest, CaptionIsKeploAndTheProjectVersion) {
    InstallGame();
    Load();
    EXPECT_EQ(m_pMain->windowTitle(), QStringLiteral("Keplo v" KEPLO_VERSION));
    EXPECT_TRUE(m_pMain->windowTitle().contains(QRegularExpression(
        QStringLiteral("^Keplo v(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$"))));
}

TEST_F(frmMainTest, EveryControlLiesWhereTheFormLaysItOutWithItsCaption) {
    struct Expected {
        const char *sName;
        const char *sClass;
        const char *sCaption;
        int l, t, w, h; // twips
    };
    const Expected controls[] = {
        {"Label1", "QLabel", "Select a category", 180, 180, 3615, 255},
        {"drpVL2File", "QComboBox", nullptr, 180, 420, 3615, 315},
        {"cmdExtract", "QPushButton", "&Extract", 180, 840, 1215, 375},
        {"cmdSaveChanges", "QPushButton", "&Save Changes", 1380, 840, 1215, 375},
        {"cmdCancel", "QPushButton", "&Cancel", 2580, 840, 1215, 375},
        {"Label2", "QLabel", "Select a file to edit", 180, 1320, 3615, 255},
        {"treArchive", "QTreeView", nullptr, 180, 1560, 3615, 4515},
        {"cmdEditFile", "QPushButton", "&Edit File", 180, 6180, 1215, 375},
        {"cmdOpenFolder", "QPushButton", "&Open Folder", 1380, 6180, 1215, 375},
        {"cmdSettings", "QPushButton", "&Settings...", 2580, 6180, 1215, 375},
        {"ProgressBar", "QProgressBar", nullptr, 180, 6600, 3615, 315},
        {"lblStatus", "QLabel", nullptr, 180, 6660, 3615, 255},
    };
    InstallGame();
    Load();
    for (const Expected &c : controls) {
        SCOPED_TRACE(c.sName);
        QWidget *pControl = Control<QWidget>(QString::fromLatin1(c.sName));
        ASSERT_NE(pControl, nullptr);
        EXPECT_STREQ(pControl->metaObject()->className(), c.sClass);
        EXPECT_EQ(pControl->geometry(), QRect(c.l / 15, c.t / 15, c.w / 15, c.h / 15));
        if (!c.sCaption)
            continue;
        if (auto *pButton = qobject_cast<QPushButton *>(pControl))
            EXPECT_EQ(pButton->text(), QString::fromLatin1(c.sCaption));
        else
            EXPECT_EQ(qobject_cast<QLabel *>(pControl)->text(), QString::fromLatin1(c.sCaption));
    }
}

TEST_F(frmMainTest, EveryCaptionFitsItsControlAtTheWindowsFont) {
    InstallGame();
    Load();
    EXPECT_TRUE(CaptionsFit(m_pMain.get()));
    // The status line's texts fit as well.
    QLabel *pStatus = Control<QLabel>(QStringLiteral("lblStatus"));
    for (const char *sStatus : {"Please select a category.", "Select a file to edit.",
                                "Click Extract to begin editing files",
                                "Please wait. Extracting files...", "The archive holds no files."})
        EXPECT_LE(pStatus->fontMetrics().horizontalAdvance(QString::fromLatin1(sStatus)),
                  pStatus->width())
            << sStatus;
    EXPECT_GE(m_pMain->font().pointSizeF(), 7.0);
}

TEST_F(frmMainTest, WindowHasAFixedSizeNoMaximiseButtonAndOpensCentred) {
    InstallGame();
    Load();
    EXPECT_FALSE(m_pMain->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(m_pMain->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(m_pMain->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(m_pMain->minimumSize(), m_pMain->maximumSize());
    // The client area inside the 4095 x 7500 twips outer size.
    EXPECT_EQ(m_pMain->size(), QSize(265, 469));
    // Every control lies inside the client area.
    for (QWidget *pControl : m_pMain->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(m_pMain->rect().contains(pControl->geometry()))
            << pControl->objectName().toStdString();
    const QRect area = m_pMain->screen()->availableGeometry();
    const QPoint centre = m_pMain->pos() + QPoint(273 / 2, 500 / 2);
    EXPECT_LE(std::abs(centre.x() - area.center().x()), 1);
    EXPECT_LE(std::abs(centre.y() - area.center().y()), 1);
}

TEST_F(frmMainTest, StartUpHidesTheProgressBarAndAsksForACategory) {
    InstallGame();
    Load();
    m_pMain->show();
    EXPECT_FALSE(Control<QProgressBar>(QStringLiteral("ProgressBar"))->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("Please select a category."));
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(m_pMain->isEnabled());
}

TEST_F(frmMainTest, TreeShowsNoHeaderAndItsLabelsCannotBeEdited) {
    InstallGame();
    Load();
    EXPECT_TRUE(Tree()->isHeaderHidden());
    EXPECT_EQ(Tree()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Tree()->iconSize(), QSize(16, 16));
}

TEST_F(frmMainTest, ImageListHoldsEightDistinct16PixelIcons) {
    InstallGame();
    Load();
    QList<QImage> images;
    for (int n = 1; n <= frmMain::kTreeIconCount; ++n) {
        const QIcon &icon = m_pMain->TreeIcon(n);
        ASSERT_FALSE(icon.isNull()) << n;
        EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16))) << n;
        const QImage image = icon.pixmap(16, 16).toImage();
        EXPECT_FALSE(images.contains(image)) << "icon " << n << " repeats another";
        images << image;
    }
    EXPECT_FALSE(m_pMain->windowIcon().isNull());
}

TEST_F(frmMainTest, ChooserShowsProperCaseNamesInNameOrderAndLeavesInteriorsOut) {
    InstallGame();
    for (const char *sName :
         {"skins.vl2", "Scripts.VL2", "INTERIORS.vl2", "interiorsx.vl2", "big MAP pack.vl2",
          "alpha.vl2", "readme.txt", "zeta.vl2.bak", ".hidden.vl2"})
        MakeFile(m_sBase + QLatin1Char('/') + QString::fromLatin1(sName));
    QDir().mkpath(m_sBase + QStringLiteral("/folder.vl2"));

    Load();

    EXPECT_EQ(ChooserItems(),
              (QStringList{"Alpha", "Big Map Pack", "Interiorsx", "Scripts", "Skins"}));
    EXPECT_EQ(Chooser()->currentIndex(), -1);
    EXPECT_TRUE(Chooser()->currentText().isEmpty());
    EXPECT_FALSE(Chooser()->isEditable());
    // The archive list keeps every archive file's name as it is spelled on disk.
    EXPECT_EQ(m_pMain->ArchiveList(),
              (std::vector<std::string>{"alpha.vl2", "big MAP pack.vl2", "INTERIORS.vl2",
                                        "interiorsx.vl2", "Scripts.VL2", "skins.vl2"}));
}

TEST_F(frmMainTest, InteriorsIsLeftOutInAnyLetterCase) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/interiors.vl2"));
    MakeFile(m_sBase + QStringLiteral("/InTeRiOrS.vl2"));
    MakeFile(m_sBase + QStringLiteral("/interiors x.vl2"));
    Load();
    EXPECT_EQ(ChooserItems(), QStringList{QStringLiteral("Interiors X")});
}

TEST_F(frmMainTest, ArchivePathNamesTheFileAsListedOnDisk) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/SCRIPTS.vl2"));
    MakeFile(m_sBase + QStringLiteral("/Skins.VL2"));
    Load();
    EXPECT_EQ(m_pMain->ArchivePath(), "");

    Choose(QStringLiteral("Skins"));

    EXPECT_EQ(m_pMain->ArchivePath(), (m_sBase + QStringLiteral("/Skins.VL2")).toStdString());
    EXPECT_EQ(m_pMain->ArchiveSubFolder(), (m_sWork + QStringLiteral("/Skins")).toStdString());
}

TEST_F(frmMainTest, NamesThatDifferOnlyInLetterCaseAreOfferedOnceSoTheyNeverShareAWorkFolder) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    MakeFile(m_sBase + QStringLiteral("/SCRIPTS.vl2"));
    Load();
    EXPECT_EQ(ChooserItems(), QStringList{QStringLiteral("Scripts")});
    Choose(QStringLiteral("Scripts"));
    // The first in name order, as the archive list holds it.
    EXPECT_EQ(m_pMain->ArchivePath(), (m_sBase + QStringLiteral("/SCRIPTS.vl2")).toStdString());
}

TEST_F(frmMainTest, GameFoldersAreTheRegisteredFolderInItsSpellingOnDisk) {
    InstallGame();
    // Registered in another letter case and with a trailing "/".
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory",
                 (m_home.Path() + QStringLiteral("/TRIBES2/")).toStdString());
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    EXPECT_EQ(m_pMain->GameFolder(), (m_sGame + QLatin1Char('/')).toStdString());
    EXPECT_EQ(m_pMain->GameBaseFolder(), (m_sBase + QLatin1Char('/')).toStdString());
    EXPECT_EQ(ChooserItems(), QStringList{QStringLiteral("Scripts")});
}

TEST_F(frmMainTest, MissingGameBaseFolderGivesAnEmptyChooserAndAUsableWindow) {
    InstallGame();
    QDir(m_sGame + QStringLiteral("/GameData")).removeRecursively();
    Load();
    EXPECT_EQ(Chooser()->count(), 0);
    EXPECT_TRUE(m_pMain->isEnabled());
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    EXPECT_EQ(Status(), QStringLiteral("Please select a category."));
    EXPECT_EQ(m_pMain->GameBaseFolder(), (m_sBase + QLatin1Char('/')).toStdString());
}

TEST_F(frmMainTest, RegisteredFolderThatDoesNotExistListsNothingAnywhere) {
    InstallGame();
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", "/nonexistent/keplo/Tribes2");
    Load();
    EXPECT_EQ(Chooser()->count(), 0);
    EXPECT_TRUE(m_pMain->ArchiveList().empty());
    EXPECT_EQ(m_pMain->GameFolder(), "");
    EXPECT_EQ(m_pMain->GameBaseFolder(), "");
}

TEST_F(frmMainTest, EmptyWorkFolderSettingIsReplacedByTheDefault) {
    InstallGame();
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "");
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "<none>"),
              DefaultWorkFolder());
    EXPECT_FALSE(DefaultWorkFolder().empty());
}

TEST_F(frmMainTest, MissingWorkFolderSettingIsWrittenWithTheDefault) {
    QDir().mkpath(m_sBase);
    SetRegString(HKEY_LOCAL_MACHINE, kGameKey, "directory", m_sGame.toStdString());
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "<none>"),
              DefaultWorkFolder());
}

TEST_F(frmMainTest, ConfiguredWorkFolderIsLeftAsItIs) {
    InstallGame();
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "/srv/keplo work");
    Load();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", ""), "/srv/keplo work");
    EXPECT_EQ(frmMain::WorkFolder(), "/srv/keplo work");
}

TEST_F(frmMainTest, UpdateButtonsWithNothingChosenLeavesOnlySettings) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    // Even a tree with nodes and an unpacked probe file count for nothing without a choice.
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs")});
    MakeFile(m_sWork + QStringLiteral("/Scripts/scripts/client.cs"));
    Control<QLabel>(QStringLiteral("lblStatus"))->setText(QStringLiteral("something else"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    EXPECT_EQ(Status(), QStringLiteral("Please select a category."));
}

TEST_F(frmMainTest, UpdateButtonsWithAListedArchiveOffersExtractAndLeavesTheStatus) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs")});
    Control<QLabel>(QStringLiteral("lblStatus"))
        ->setText(QStringLiteral("Click Extract to begin editing files"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(EnabledButtons(),
              (QStringList{QStringLiteral("cmdExtract"), QStringLiteral("cmdSettings")}));
    EXPECT_EQ(Status(), QStringLiteral("Click Extract to begin editing files"));
}

TEST_F(frmMainTest, UpdateButtonsWithTheProbeFilePresentEntersEditMode) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs"), QStringLiteral("x.cs")});
    AddCategory(QStringLiteral("gui"), {QStringLiteral("menu.gui")});
    MakeFile(m_sWork + QStringLiteral("/Scripts/scripts/client.cs"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(m_pMain->ProbeFile(),
              (m_sWork + QStringLiteral("/Scripts/scripts/client.cs")).toStdString());
    EXPECT_EQ(EnabledButtons(),
              (QStringList{QStringLiteral("cmdSaveChanges"), QStringLiteral("cmdCancel"),
                           QStringLiteral("cmdEditFile"), QStringLiteral("cmdOpenFolder"),
                           QStringLiteral("cmdSettings")}));
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
}

TEST_F(frmMainTest, ProbeFileJoinsABackslashCategoryWithSlashes) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/skins.vl2"));
    Load();
    Choose(QStringLiteral("Skins"));
    AddCategory(QStringLiteral("textures\\skins"), {QStringLiteral("red.lmale.png")});
    MakeFile(m_sWork + QStringLiteral("/Skins/textures/skins/red.lmale.png"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(m_pMain->ProbeFile(),
              (m_sWork + QStringLiteral("/Skins/textures/skins/red.lmale.png")).toStdString());
    EXPECT_TRUE(Control<QPushButton>(QStringLiteral("cmdEditFile"))->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(QStringLiteral("cmdExtract"))->isEnabled());
}

TEST_F(frmMainTest, ProbeOnlyLooksAtTheFirstFileOfTheFirstCategory) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs"), QStringLiteral("x.cs")});
    // Other unpacked files do not count.
    MakeFile(m_sWork + QStringLiteral("/Scripts/scripts/x.cs"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(EnabledButtons(),
              (QStringList{QStringLiteral("cmdExtract"), QStringLiteral("cmdSettings")}));
}

TEST_F(frmMainTest, AProbeFileThatIsAFolderCountsAsNotUnpacked) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));
    // The model makes every category with its first file, so a first category without
    // a file cannot arise; with no node at all there is no probe file.
    EXPECT_EQ(m_pMain->ProbeFile(), "");
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs")});
    // A folder where the probe file would be is no file.
    QDir().mkpath(m_sWork + QStringLiteral("/Scripts/scripts/client.cs"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(EnabledButtons(),
              (QStringList{QStringLiteral("cmdExtract"), QStringLiteral("cmdSettings")}));
}

TEST_F(frmMainTest, WorkFolderSettingEmptiedLaterCountsAsNotUnpacked) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs")});
    SetRegString(HKEY_LOCAL_MACHINE, kKeploKey, "tempdir", "");

    m_pMain->UpdateButtons();

    EXPECT_EQ(m_pMain->ArchiveSubFolder(), "");
    EXPECT_EQ(m_pMain->ProbeFile(), "");
    EXPECT_EQ(EnabledButtons(),
              (QStringList{QStringLiteral("cmdExtract"), QStringLiteral("cmdSettings")}));
}

TEST_F(frmMainTest, ChosenArchiveWithAnEmptyTreeLeavesOnlySettings) {
    InstallGame();
    MakeFile(m_sBase + QStringLiteral("/scripts.vl2"));
    Load();
    Choose(QStringLiteral("Scripts"));

    m_pMain->UpdateButtons();

    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
}

TEST_F(frmMainTest, ChoosingAnArchiveAlreadyUnpackedGoesStraightToEditMode) {
    InstallGame();
    MakeArchive(QStringLiteral("scripts.vl2"), {QStringLiteral("scripts/client.cs")});
    MakeFile(m_sWork + QStringLiteral("/Scripts/scripts/client.cs"));
    Load();
    AddCategory(QStringLiteral("scripts"), {QStringLiteral("client.cs")});
    const int nIndex = Chooser()->findText(QStringLiteral("Scripts"));
    Chooser()->setCurrentIndex(nIndex);

    emit Chooser()->activated(nIndex);

    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
    EXPECT_TRUE(Control<QPushButton>(QStringLiteral("cmdSaveChanges"))->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(QStringLiteral("cmdExtract"))->isEnabled());
}

TEST_F(frmMainTest, SettingsOpensTheDialogAndTheWindowTakesNoInputUntilItCloses) {
    InstallGame();
    Load();
    m_pMain->show();
    Control<QPushButton>(QStringLiteral("cmdSettings"))->click();
    QWidget *pDialog = nullptr;
    for (QWidget *pWindow : QApplication::topLevelWidgets())
        if (pWindow->objectName() == QLatin1String("frmSettings") && pWindow->isVisible())
            pDialog = pWindow;
    ASSERT_NE(pDialog, nullptr);
    EXPECT_FALSE(m_pMain->isEnabled());
    EXPECT_TRUE(pDialog->isEnabled());

    // The window manager's close request is turned away while the window is disabled.
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    QApplication::instance()->notify(m_pMain.get(), &request);
    EXPECT_TRUE(m_pMain->isVisible());

    pDialog->findChild<QPushButton *>(QStringLiteral("cmdCancelSettings"))->click();
    EXPECT_TRUE(m_pMain->isEnabled());
    EXPECT_TRUE(m_desktop.Requests().empty());
}

TEST_F(frmMainTest, StartUpShowsNoMessageBox) {
    InstallGame();
    Load();
    EXPECT_TRUE(m_desktop.Requests().empty());
}
