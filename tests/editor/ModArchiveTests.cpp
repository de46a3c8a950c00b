// Mod archives in Keplo's window: offered after the base archives as "<mod>/<Name>",
// unpacked below the work folder's ".mods" folder, and extracted, saved, cancelled and
// found again after a restart exactly as base archives are.
#include "tests/editor/WorkflowFixture.h"

#include <QAbstractItemView>
#include <QMenu>

namespace {

class ModArchiveTest : public WorkflowTest {
protected:
    void MakeModArchive(const QString &sMod, const QString &sFileName, const Entries &entries) {
        WriteArchive(m_sGame + QStringLiteral("/GameData/") + sMod + QLatin1Char('/') + sFileName,
                     entries);
    }
    QStringList ChooserItems() {
        QStringList items;
        for (int i = 0; i < Chooser()->count(); ++i)
            items << Chooser()->itemText(i);
        return items;
    }
    QString ModSub(const QString &sMod, const QString &sName) {
        return m_sWork + QStringLiteral("/.mods/") + sMod + QLatin1Char('/') + sName;
    }
};

TEST_F(ModArchiveTest, ModArchivesFollowTheBaseOnesAndTheDropDownShowsWholeNames) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs"}));
    MakeModArchive(QStringLiteral("mymod"), QStringLiteral("scripts.vl2"), Texts({"scripts/m.cs"}));
    MakeModArchive(QStringLiteral("Classic"),
                   QStringLiteral("a very long archive name for the classic mod.vl2"),
                   Texts({"docs/a.txt"}));
    MakeModArchive(QStringLiteral("Classic"), QStringLiteral("interiors.vl2"), Texts({"i.txt"}));
    Load();
    EXPECT_EQ(ChooserItems(), (QStringList{"Scripts", "Classic/A Very Long Archive Name For The "
                                                      "Classic Mod",
                                           "mymod/Scripts"}));
    // Base file names only, as before.
    EXPECT_EQ(m_pMain->ArchiveList(), std::vector<std::string>{"scripts.vl2"});
    const int nWidest = Chooser()->fontMetrics().horizontalAdvance(ChooserItems().at(1));
    EXPECT_GT(Chooser()->view()->minimumWidth(), nWidest);
}

TEST_F(ModArchiveTest, AModArchiveIsExtractedEditedAndSavedBelowDotModsLeavingTheBaseOneAlone) {
    const Entries base = Texts({"scripts/client.cs", "gui/menu.gui"});
    MakeArchive(QStringLiteral("scripts.vl2"), base);
    const Entries mod = Texts({"scripts/client.cs", "scripts/mod.cs", "shapes/x.dts"});
    MakeModArchive(QStringLiteral("mymod"), QStringLiteral("scripts.vl2"), mod);
    Load();

    Choose(QStringLiteral("mymod/Scripts"));
    EXPECT_EQ(m_pMain->ArchivePath(),
              (m_sGame + QStringLiteral("/GameData/mymod/scripts.vl2")).toStdString());
    const QString sSub = ModSub(QStringLiteral("mymod"), QStringLiteral("Scripts"));
    EXPECT_EQ(m_pMain->ArchiveSubFolder(), sSub.toStdString());
    Click("cmdExtract");
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_EQ(Listing(sSub), (QStringList{"scripts/", "scripts/client.cs", "scripts/mod.cs",
                                          "shapes/", "shapes/x.dts"}));
    // Nothing of it lies where the base archive of that name would be unpacked.
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/Scripts")));

    WriteFile(sSub + QStringLiteral("/scripts/mod.cs"), "// changed\n");
    Click("cmdSaveChanges");

    std::map<QString, QByteArray> expected(mod.begin(), mod.end());
    expected[QStringLiteral("scripts/mod.cs")] = "// changed\n";
    EXPECT_EQ(ReadArchive(m_sGame + QStringLiteral("/GameData/mymod/scripts.vl2")), expected);
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/scripts.vl2")),
              (std::map<QString, QByteArray>(base.begin(), base.end())));
    EXPECT_EQ(Status(), QStringLiteral("mymod/Scripts.vl2 was created successfully"));
    // The folders made for it go with its files.
    EXPECT_EQ(Listing(m_sWork), QStringList());
    ExpectIdle();
}

TEST_F(ModArchiveTest, EditModeOfAModArchiveSurvivesARestartAndCancelTakesOnlyItsFiles) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs"}));
    MakeModArchive(QStringLiteral("Scripts"), QStringLiteral("scripts.vl2"),
                   Texts({"scripts/mod.cs"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    Choose(QStringLiteral("Scripts/Scripts"));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    Click("cmdExtract");
    m_pMain.reset();

    Load();
    Choose(QStringLiteral("Scripts/Scripts"));
    EXPECT_EQ(EnabledButtons(), EditButtons());
    Click("cmdCancel");
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    // The base archive's files, in the folder a mod named "Scripts" would once have
    // unpacked into, are untouched.
    EXPECT_EQ(Listing(m_sWork), (QStringList{"Scripts/", "Scripts/scripts/",
                                             "Scripts/scripts/client.cs"}));
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(EnabledButtons(), EditButtons());
}

TEST_F(ModArchiveTest, AKeptVersionIsNotPutBackWhileItsModArchiveIsUnpacked) {
    MakeModArchive(QStringLiteral("mymod"), QStringLiteral("maps.vl2"), Texts({"missions/a.mis"}));
    Load();
    Choose(QStringLiteral("mymod/Maps"));
    Click("cmdExtract");
    const KeptPlace place{m_pMain->GameFolder(), "GameData/mymod/maps.vl2"};
    m_desktop.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(m_pMain->PutBackKept(m_pMain.get(), Progress(), place, KeptKind::Original));
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_EQ(m_desktop.Messages()[0].sText,
              QStringLiteral("maps.vl2 is unpacked in the work folder. Save or Cancel its changes "
                             "first.\n\n") +
                  ModSub(QStringLiteral("mymod"), QStringLiteral("Maps")));
}

TEST_F(ModArchiveTest, TheChooserMenuOffersFindInArchives) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs"}));
    Load();
    QMenu menu;
    m_pMain->FillChooserMenu(menu);
    QStringList items;
    for (const QAction *pAction : menu.actions())
        if (!pAction->isSeparator())
            items << pAction->text() + (pAction->isEnabled() ? "" : " (off)");
    EXPECT_EQ(items, (QStringList{"&Restore Original Archive... (off)", "&Undo Last Save... (off)",
                                  "&Check All Archives...", "&Find in Archives..."}));
}

} // namespace
