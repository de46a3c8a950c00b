// The archives the chooser offers: the base folder's, then the mods' folders below
// GameData, and the work folder each is unpacked into.
#include "editor/GameArchiveList.h"
#include "tests/testsupport/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class GameArchiveListTest : public ::testing::Test {
protected:
    void Make(const QString &sRelative) {
        WriteFile(m_dir.path() + QStringLiteral("/GameData/") + sRelative, "x");
    }
    std::string Base() const { return (m_dir.path() + QStringLiteral("/GameData/base/")).toStdString(); }
    std::string GameData() const { return (m_dir.path() + QStringLiteral("/GameData")).toStdString(); }
    // Each archive as "<chooser text> <- <mod>|<file>", with its state when left out.
    QStringList Choices() {
        QStringList lines;
        for (const GameArchiveChoice &choice : GameArchiveChoices(Base())) {
            QString sLine = choice.sDisplay + QStringLiteral(" <- ") +
                            QString::fromStdString(choice.sMod) + QLatin1Char('|') +
                            QString::fromStdString(choice.sFileName);
            if (choice.eShown == GameArchiveChoice::Shown::Interiors)
                sLine += QStringLiteral(" (interiors)");
            if (choice.eShown == GameArchiveChoice::Shown::SameNameAs)
                sLine += QStringLiteral(" (as ") + choice.sShownInstead + QLatin1Char(')');
            EXPECT_EQ(choice.sPath, GameData() + "/" + (choice.sMod.empty() ? "base" : choice.sMod) +
                                        "/" + choice.sFileName);
            lines << sLine;
        }
        return lines;
    }

    QTemporaryDir m_dir;
};

TEST_F(GameArchiveListTest, ModArchivesFollowTheBaseOnesSortedByFolderThenNameLetterCaseAside) {
    Make(QStringLiteral("base/scripts.vl2"));
    Make(QStringLiteral("base/Alpha.vl2"));
    Make(QStringLiteral("zeta/b.vl2"));
    Make(QStringLiteral("Classic/Z.vl2"));
    Make(QStringLiteral("Classic/a.VL2"));
    Make(QStringLiteral("mymod/scripts.vl2"));
    EXPECT_EQ(Choices(), (QStringList{"Alpha <- |Alpha.vl2", "Scripts <- |scripts.vl2",
                                      "Classic/A <- Classic|a.VL2", "Classic/Z <- Classic|Z.vl2",
                                      "mymod/Scripts <- mymod|scripts.vl2", "zeta/B <- zeta|b.vl2"}));
}

TEST_F(GameArchiveListTest, FoldersWithoutArchivesHiddenFoldersAndFilesAreLeftOut) {
    Make(QStringLiteral("base/scripts.vl2"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/GameData/empty"));
    Make(QStringLiteral("noarchives/readme.txt"));
    Make(QStringLiteral("noarchives/sub/deep.vl2")); // only directly in the folder counts
    Make(QStringLiteral(".hidden/x.vl2"));
    Make(QStringLiteral("mod/.secret.vl2"));
    Make(QStringLiteral("loose.vl2")); // a file in GameData, not a folder
    QDir().mkpath(m_dir.path() + QStringLiteral("/GameData/folder/dir.vl2"));
    Make(QStringLiteral("folder/real.vl2"));
    EXPECT_EQ(Choices(), (QStringList{"Scripts <- |scripts.vl2", "folder/Real <- folder|real.vl2"}));
    EXPECT_EQ(ModFolders(GameData()), (std::vector<std::string>{"folder"}));
}

TEST_F(GameArchiveListTest, InteriorsAndNamesThatDifferOnlyInCaseAreLeftOutInModsToo) {
    Make(QStringLiteral("base/Scripts.vl2"));
    Make(QStringLiteral("base/scripts.vl2"));
    Make(QStringLiteral("mod/INTERIORS.vl2"));
    Make(QStringLiteral("mod/skins.vl2"));
    Make(QStringLiteral("mod/SKINS.vl2"));
    // A mod archive named as a base one is its own archive.
    Make(QStringLiteral("mod/scripts.vl2"));
    EXPECT_EQ(Choices(),
              (QStringList{"Scripts <- |Scripts.vl2", "Scripts <- |scripts.vl2 (as Scripts.vl2)",
                           "mod/Interiors <- mod|INTERIORS.vl2 (interiors)",
                           "mod/Scripts <- mod|scripts.vl2", "mod/Skins <- mod|SKINS.vl2",
                           "mod/Skins <- mod|skins.vl2 (as SKINS.vl2)"}));
}

TEST_F(GameArchiveListTest, AModFolderThatIsALinkIsFollowedAndOneThatCannotBeReadListsNothing) {
    Make(QStringLiteral("base/scripts.vl2"));
    QTemporaryDir elsewhere;
    WriteFile(elsewhere.path() + QStringLiteral("/far.vl2"), "x");
    ASSERT_EQ(symlink(elsewhere.path().toLocal8Bit().constData(),
                      (GameData() + "/linked").c_str()),
              0);
    Make(QStringLiteral("locked/x.vl2"));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/GameData/locked"), QFileDevice::WriteOwner);
    const QStringList choices = Choices();
    QFile::setPermissions(m_dir.path() + QStringLiteral("/GameData/locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Root reads any folder.
    if (geteuid() != 0)
        EXPECT_EQ(choices, (QStringList{"Scripts <- |scripts.vl2", "linked/Far <- linked|far.vl2"}));
    else
        EXPECT_TRUE(choices.contains(QStringLiteral("linked/Far <- linked|far.vl2")));
}

TEST_F(GameArchiveListTest, AFolderThatCannotBeReadIsNamedWithTheReason) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    Make(QStringLiteral("base/scripts.vl2"));
    Make(QStringLiteral("locked/x.vl2"));
    const QString sLocked = m_dir.path() + QStringLiteral("/GameData/locked");
    QFile::setPermissions(sLocked, QFileDevice::WriteOwner);
    const std::vector<std::string> unreadable = UnreadableGameFolders(GameData());
    QFile::setPermissions(sLocked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].rfind("locked: ", 0), 0u) << unreadable[0];
    EXPECT_TRUE(UnreadableGameFolders(GameData()).empty());
    EXPECT_EQ(GameDataFolderOf(Base()), GameData());
}

TEST_F(GameArchiveListTest, NoGameGivesNoArchives) {
    EXPECT_TRUE(GameArchiveChoices("").empty());
    EXPECT_TRUE(GameArchiveChoices("/nonexistent/GameData/base/").empty());
}

TEST_F(GameArchiveListTest, NoArchivesWorkFolderEverLiesInsideAnothersOrPelterboxs) {
    // Mod folders named like base archives, like Pelterbox's staging folder and like
    // the folder the mods' archives go below, and names with a backslash.
    for (const char *sPath :
         {"base/scripts.vl2", "base/skins.vl2", "base/pelterbox.vl2", "base/a\\b.vl2", "base/a.vl2",
          "Scripts/skins.vl2", "scripts/x.vl2", "pelterbox/textures.vl2", "mods/x.vl2",
          "a/b.vl2", "Skins/scripts.vl2"})
        Make(QString::fromLatin1(sPath));
    const std::string sWork = "/work";
    std::vector<std::string> folders{sWork + "/pelterbox"};
    for (const GameArchiveChoice &choice : GameArchiveChoices(Base()))
        if (choice.eShown == GameArchiveChoice::Shown::Yes)
            folders.push_back(choice.SubFolder(sWork));
    for (const std::string &sOne : folders)
        for (const std::string &sOther : folders)
            if (&sOne != &sOther) {
                EXPECT_NE(sOne, sOther);
                EXPECT_NE(sOne.rfind(sOther + "/", 0), 0u) << sOne << " lies in " << sOther;
            }
}

TEST(GameArchiveChoiceTest, SubFolderIsTheDisplayNameForBaseAndBelowDotModsForMods) {
    GameArchiveChoice base;
    base.sFileName = "SCRIPTS.vl2";
    base.sDisplay = QStringLiteral("Scripts");
    GameArchiveChoice mod;
    mod.sMod = "My Mod";
    mod.sFileName = "big map.VL2";
    mod.sDisplay = QStringLiteral("My Mod/Big Map");
    EXPECT_EQ(base.SubFolder("/w"), "/w/Scripts");
    EXPECT_EQ(mod.SubFolder("/w"), "/w/.mods/My Mod/Big Map");
    EXPECT_EQ(base.SubFolder(""), "");
    EXPECT_EQ(mod.SubFolder(""), "");
    EXPECT_TRUE(base.HiddenReason().isEmpty());
    mod.eShown = GameArchiveChoice::Shown::Interiors;
    EXPECT_EQ(mod.HiddenReason(), QStringLiteral("Interiors archives are not offered in the chooser"));
}

} // namespace
