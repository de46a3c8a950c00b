// Pelterbox keeps what it writes over in the game: the archive an install or a
// compression replaces or extends is kept (its original once, its previous version at
// each write), an archive it creates in the game is recorded, and when an archive
// cannot be kept it asks first, No the default.
#include "support/kept/ArchiveCheck.h"
#include "support/kept/KeptVersions.h"
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

namespace {

class KeptSkinsTest : public PelterboxTest {
protected:
    KeptSkinsTest() {
        WriteArchive(m_sArchive, {{"textures/skins/new.png", "the new skin"}});
        WriteArchive(m_sBase + QStringLiteral("/MySkins.vl2"),
                     {{"textures/skins/old.png", "an older skin"}});
        m_older = ReadFile(m_sBase + QStringLiteral("/MySkins.vl2"));
        m_first = ReadFile(m_sArchive);
    }
    KeptPlace Place(const char *sName) const {
        return KeptPlace{(m_sGame + QLatin1Char('/')).toStdString(),
                         std::string("GameData/base/") + sName};
    }
    QByteArray Kept(const char *sName, KeptKind eKind) const {
        return ReadFile(QString::fromStdString(ReadKept(Place(sName)).FilePath(eKind)));
    }
    void Install(const QString &sName, const std::vector<MsgAnswer> &answers = {MsgAnswer::OK}) {
        Type("txtInstallVL2", m_sArchive);
        Type("txtInstallName", sName);
        for (MsgAnswer eAnswer : answers)
            m_desktop.AnswerMessage(eAnswer);
        Click("cmdInstall");
    }
    QString Skin(const char *sName) {
        const QString sPath = m_home.Path() + QStringLiteral("/mine/") + QLatin1String(sName);
        WriteFile(sPath, QByteArray("png ") + sName);
        return sPath;
    }
    void Collect(const char *sName) {
        Type("txtCompressPng", Skin(sName));
        Click("cmdCompressAdd");
    }

    // The replace question of an install over MySkins.vl2, which holds only skins.
    ExpectedBox ReplaceQuestion() const {
        const QString sTarget = m_sBase + QStringLiteral("/MySkins.vl2");
        return {"MySkins.vl2 is installed in the game already. Replace it?\n\n" + sTarget,
                MsgIcon::Question, MsgButtons::YesNo};
    }

    const QString m_sArchive = m_home.Path() + QStringLiteral("/downloads/pack.vl2");
    QByteArray m_older; // MySkins.vl2 as the game held it
    QByteArray m_first; // the archive first installed over it
};

TEST_F(KeptSkinsTest, AnInstallOverAnArchiveOfTheGameKeepsWhatItReplaces) {
    Load();
    Install(QStringLiteral("MySkins"), {MsgAnswer::Yes, MsgAnswer::OK});
    ExpectBoxes({ReplaceQuestion(), {"Skins installed successfully.", MsgIcon::Information}});
    WriteArchive(m_sArchive, {{"textures/skins/second.png", "a second skin"}});
    const QByteArray second = ReadFile(m_sArchive);
    Install(QStringLiteral("MySkins"), {MsgAnswer::Yes, MsgAnswer::OK});
    ExpectBoxes({ReplaceQuestion(), {"Skins installed successfully.", MsgIcon::Information}});
    EXPECT_EQ(Kept("MySkins.vl2", KeptKind::Original), m_older);
    EXPECT_EQ(Kept("MySkins.vl2", KeptKind::Previous), m_first);
    EXPECT_EQ(ReadKept(Place("MySkins.vl2")).previous->sProgram, "Pelterbox");
    EXPECT_EQ(ReadFile(m_sBase + QStringLiteral("/MySkins.vl2")), second);
}

TEST_F(KeptSkinsTest, AnArchiveAnInstallCreatesIsRecordedAndItsUndoTakesItOut) {
    Load();
    Install(QStringLiteral("NewSkins"));
    const KeptArchive kept = ReadKept(Place("NewSkins.vl2"));
    ASSERT_TRUE(kept.original && kept.previous);
    EXPECT_EQ(kept.original->eState, KeptState::None);
    const KeptOutcome undone = RestoreKept(
        Place("NewSkins.vl2"), KeptKind::Previous,
        [](const std::string &sPath) { return CheckArchiveFile(sPath); }, "test");
    ASSERT_TRUE(undone.IsDone()) << undone.sReason;
    EXPECT_FALSE(QFileInfo::exists(m_sBase + QStringLiteral("/NewSkins.vl2")));
    EXPECT_EQ(Kept("NewSkins.vl2", KeptKind::Previous), m_first);
}

TEST_F(KeptSkinsTest, AnInstallThatCannotKeepTheOriginalAsksFirstNoTheDefault) {
    const QString sKept = m_home.Path() + QStringLiteral("/data/Keplo/kept");
    QDir().mkpath(sKept);
    ReadOnlyFolder readOnly(sKept);
    ASSERT_TRUE(readOnly.Ready());
    Load();
    const QString sTarget = m_sBase + QStringLiteral("/MySkins.vl2");
    const QString sQuestion = QStringLiteral(
        "The original of MySkins.vl2 cannot be kept, so it could not be put back afterwards. "
        "Install the skins without keeping it?");
    Install(QStringLiteral("MySkins"), {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::OK});
    ExpectBoxes({ReplaceQuestion(),
                 {sQuestion, MsgIcon::Question, MsgButtons::YesNo, "cannot be made", sTarget},
                 {"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_EQ(m_desktop.Messages()[1].eDefault, MsgAnswer::No);
    EXPECT_EQ(ReadFile(sTarget), m_older);

    Install(QStringLiteral("MySkins"), {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::OK});
    ExpectBoxes({ReplaceQuestion(),
                 {sQuestion, MsgIcon::Question, MsgButtons::YesNo, "cannot be made", sTarget},
                 {"Skins installed successfully.", MsgIcon::Information}});
    EXPECT_EQ(ReadFile(sTarget), m_first);
}

TEST_F(KeptSkinsTest, ACompressionIntoTheGameKeepsTheArchiveItWritesOver) {
    const QString sTeam = m_sBase + QStringLiteral("/team.vl2");
    WriteArchive(sTeam, {{"old.txt", "old"}});
    const QByteArray old = ReadFile(sTeam);
    Load();
    Collect("red.png");
    m_desktop.AnswerFile(sTeam);
    m_desktop.AnswerMessage(MsgAnswer::No); // add the skins to it
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");
    EXPECT_EQ(Kept("team.vl2", KeptKind::Original), old);
    EXPECT_EQ(ReadArchive(sTeam).size(), 2u);
    // A compression elsewhere keeps nothing; a new archive in the game is recorded.
    Collect("blue.png");
    m_desktop.AnswerFile(m_sBase + QStringLiteral("/fresh.vl2"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");
    EXPECT_EQ(ReadKept(Place("fresh.vl2")).original->eState, KeptState::None);
    EXPECT_EQ(ListKept((m_sGame + QLatin1Char('/')).toStdString()).size(), 2u);
    ExpectIdle();
}

TEST_F(KeptSkinsTest, ACompressionThatCannotKeepAsksAndNoKeepsTheSkinsCollected) {
    const QString sTeam = m_sBase + QStringLiteral("/team.vl2");
    WriteArchive(sTeam, {{"old.txt", "old"}});
    const QByteArray old = ReadFile(sTeam);
    const QString sKept = m_home.Path() + QStringLiteral("/data/Keplo/kept");
    QDir().mkpath(sKept);
    ReadOnlyFolder readOnly(sKept);
    ASSERT_TRUE(readOnly.Ready());
    Load();
    Collect("red.png");
    m_desktop.AnswerFile(sTeam);
    m_desktop.AnswerMessage(MsgAnswer::Yes); // replace it
    m_desktop.AnswerMessage(MsgAnswer::No);  // not without keeping it
    Click("cmdCompress");
    ASSERT_EQ(m_desktop.Messages().size(), 2u);
    EXPECT_TRUE(IsTextWithReason(m_desktop.Messages()[1].sText,
                                 QStringLiteral("The original of team.vl2 cannot be kept, so it "
                                                "could not be put back afterwards. Compress the "
                                                "skins without keeping it?"),
                                 QStringLiteral("cannot be made"), sTeam));
    EXPECT_EQ(m_desktop.Messages()[1].eDefault, MsgAnswer::No);
    EXPECT_EQ(ReadFile(sTeam), old);
    EXPECT_EQ(ListedSkins(), QStringList{"red.png"});
    EXPECT_TRUE(QFileInfo::exists(Staged(QStringLiteral("red.png"))));
    ExpectIdle();
}

} // namespace
