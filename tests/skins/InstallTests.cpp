// The Install Skins tab: its checks in order, names, the copy into the game and a
// copy that fails.
#include "skins/SkinNames.h"
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <sys/stat.h>
#include <tuple>

namespace {

class InstallTest : public PelterboxTest {
protected:
    InstallTest() { WriteArchive(m_sArchive, {{"textures/skins/red.png", "a red skin"}}); }
    // Types both boxes and clicks Install Skins, answering the one box it shows.
    void Install(const QString &sArchive, const QString &sName) {
        Type("txtInstallVL2", sArchive);
        Type("txtInstallName", sName);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdInstall");
    }
    const QString m_sArchive = m_home.Path() + QStringLiteral("/downloads/pack.vl2");
};

} // namespace

TEST_F(InstallTest, ChecksRunInOrderAndTheFirstFailingOneEndsTheClick) {
    const QString sMissing = m_home.Path() + QStringLiteral("/missing.VL2");
    const ExpectedBox noVl2{"Please select a VL2 file to install.", MsgIcon::Exclamation};
    const ExpectedBox badName{
        "A filename cannot contain any of the following characters:\n\t\\/:*?\"<>|",
        MsgIcon::Critical};
    std::vector<std::tuple<QString, QString, ExpectedBox>> cases = {
        {"", "a/b", noVl2},
        {m_home.Path() + "/pack.zip", "a", noVl2},
        {m_sArchive + " ", "a", noVl2},
        {sMissing, "a/b", {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}}};
    for (const char *sName : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"})
        cases.emplace_back(m_sArchive, QString::fromLatin1(sName), badName);
    Load();
    for (const auto &[sArchive, sName, box] : cases) {
        SCOPED_TRACE(sArchive.toStdString() + " as " + sName.toStdString());
        Install(sArchive, sName);
        ExpectBoxes({box});
        EXPECT_EQ(Box("txtInstallVL2")->text(), sArchive);
        EXPECT_EQ(Box("txtInstallName")->text(), sName);
    }
    EXPECT_EQ(Listing(m_sBase), QStringList());
}

TEST_F(InstallTest, InstallsUnderTheTypedNameWithOneVl2Ending) {
    Load();
    for (const char *sTyped : {"MySkins.VL2", "x.vl2.vl2", " my skins. v2"}) {
        Install(m_sArchive, QString::fromLatin1(sTyped));
        ExpectBoxes({{"Skins installed successfully.", MsgIcon::Information}});
        EXPECT_EQ(Box("txtInstallVL2")->text() + Box("txtInstallName")->text(), QString());
        EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QStringLiteral("cmdInstallVL2browse"));
    }
    const QStringList installed = {" my skins. v2.vl2", "MySkins.vl2", "x.vl2.vl2"};
    EXPECT_EQ(Listing(m_sBase), installed);
    for (const QString &sName : installed)
        EXPECT_EQ(ReadFile(m_sBase + QLatin1Char('/') + sName), ReadFile(m_sArchive));
}

TEST_F(InstallTest, BrowseFillsThePathAndProposesANameOnlyWhenNoneIsTyped) {
    const QString sOther = m_home.Path() + QStringLiteral("/other.VL2");
    Load();
    m_desktop.AnswerFile(m_sArchive);
    Click("cmdInstallVL2browse");
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("pack"));
    Type("txtInstallName", QStringLiteral("mine"));
    m_desktop.AnswerFile(sOther);
    m_desktop.AnswerFile(std::nullopt); // cancelled: nothing changes
    Click("cmdInstallVL2browse");
    Click("cmdInstallVL2browse");
    EXPECT_EQ(Box("txtInstallVL2")->text(), sOther);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("mine"));
    // Each time the dialog offers the file it gave last.
    QStringList offered;
    for (const FakeDesktop::Request &dialog : m_desktop.Requests(FakeDesktop::Kind::OpenFile)) {
        EXPECT_EQ(dialog.sTitle + dialog.sFilter,
                  QStringLiteral("Select VL2 fileVL2 files (*.VL2)"));
        offered << dialog.sStartFolder;
    }
    EXPECT_EQ(offered, (QStringList{QString(), m_sArchive, sOther}));
}

TEST_F(InstallTest, ACopyThatFailsLeavesTheGameAsItWasAndTheBoxesFilled) {
    const QString sOld = m_sBase + QStringLiteral("/MySkins.vl2");
    WriteArchive(sOld, {{"textures/skins/old.png", "the skin the game has now"}});
    const QByteArray old = ReadFile(sOld);
    Load();
    // Each time the replace question comes first, and Yes is answered.
    const ExpectedBox question{"MySkins.vl2 is installed in the game already. Replace it?\n\n" +
                                   sOld,
                               MsgIcon::Question, MsgButtons::YesNo};
    {
        ReadOnlyFolder readOnly(m_sBase);
        if (!readOnly.Ready())
            GTEST_SKIP() << "the game base folder cannot be made read-only here";
        m_desktop.AnswerMessage(MsgAnswer::Yes);
        Install(m_sArchive, QStringLiteral("MySkins.vl2"));
    }
    // A read-only archive is not replaced either, though a rename could.
    ASSERT_EQ(chmod(sOld.toUtf8().constData(), 0444), 0);
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Install(m_sArchive, QStringLiteral("MySkins.vl2"));
    const ExpectedBox failed{"Skins were NOT installed successfully.", MsgIcon::Critical};
    ExpectBoxes({question, failed, question, failed});
    EXPECT_EQ(Box("txtInstallVL2")->text(), m_sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("MySkins"));
    EXPECT_EQ(Listing(m_sBase), QStringList{"MySkins.vl2"});
    EXPECT_EQ(ReadFile(sOld), old);

    // Without the game's folder nothing is installed anywhere.
    QDir(m_sGame).removeRecursively();
    Load();
    Install(m_sArchive, QStringLiteral("MySkins"));
    ExpectBoxes({failed});
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("MySkins.vl2")));
}

// Each slip a new player makes on the Install tab, with what the game's folder must
// hold afterwards: its archives byte for byte as they were, unless the player said
// Yes to a question that named what would happen.
TEST_F(InstallTest, EverySlipLeavesTheGamesArchivesAsTheyWereUnlessTheUserSaidYes) {
    const QString sDownloads = m_home.Path() + QStringLiteral("/downloads/");
    const QString sNoSkins = sDownloads + QStringLiteral("mod.vl2");
    WriteArchive(sNoSkins, {{"scripts/mod.cs", "a mod"}, {"textures/skin.png", "not a skin"}});
    const QString sNotZip = sDownloads + QStringLiteral("notazip.vl2");
    WriteFile(sNotZip, QByteArray("\x8f\x11random bytes\x00\x7f", 17).repeated(40));
    const QString sZero = sDownloads + QStringLiteral("zero.vl2");
    WriteFile(sZero, QByteArray());
    const QString sEmpty = sDownloads + QStringLiteral("empty.vl2");
    ASSERT_TRUE(QFile::copy(QStringLiteral(KEPLO_ODD_ARCHIVES "/empty.zip"), sEmpty));
    const QString sScripts = m_sBase + QStringLiteral("/scripts.vl2");
    const QString sTeam = m_sBase + QStringLiteral("/team.vl2");

    const ExpectedBox installed{"Skins installed successfully.", MsgIcon::Information};
    const ExpectedBox gameOwn{"scripts.vl2 is one of the game's own archives: it holds more than "
                              "skins. Replacing it can break the game. Replace it?\n\n" +
                                  sScripts,
                              MsgIcon::Question, MsgButtons::YesNo};
    const ExpectedBox skinsThere{"team.vl2 is installed in the game already. Replace it?\n\n" +
                                     sTeam,
                                 MsgIcon::Question, MsgButtons::YesNo};
    const ExpectedBox noSkins{"mod.vl2 holds no skins (no files in textures/skins). Install it "
                              "anyway?\n\n" +
                                  sNoSkins,
                              MsgIcon::Question, MsgButtons::YesNo};
    const ExpectedBox noName{"Please type a filename for these skins. A filename cannot be "
                             "empty or made only of dots and blanks.",
                             MsgIcon::Critical};
    auto unreadable = [](const QString &sSource, const char *sReasonPart) {
        return ExpectedBox{"Skins were NOT installed: the file could not be read as a VL2 archive.",
                           MsgIcon::Critical, MsgButtons::OK, QString::fromUtf8(sReasonPart),
                           sSource};
    };
    using A = MsgAnswer;
    struct Slip {
        QString sSource;
        QString sName;
        std::vector<MsgAnswer> answers;
        std::vector<ExpectedBox> boxes;
        QString sNowSource; // the game's file that holds the source afterwards, if any
    };
    const std::vector<Slip> slips = {
        {m_sArchive, "scripts", {A::No}, {gameOwn}, ""},
        {m_sArchive, "scripts", {A::Yes, A::OK}, {gameOwn, installed}, "scripts.vl2"},
        // The game finds archives in any letter case: the one there is the one replaced.
        {m_sArchive, "SCRIPTS.VL2", {A::Yes, A::OK}, {gameOwn, installed}, "scripts.vl2"},
        {m_sArchive, "Team", {A::No}, {skinsThere}, ""},
        {m_sArchive, "team", {A::Yes, A::OK}, {skinsThere, installed}, "team.vl2"},
        {m_sArchive, "new", {A::OK}, {installed}, "new.vl2"},
        {sNotZip, "scripts", {A::OK}, {unreadable(sNotZip, "Not a zip archive")}, ""},
        {sZero, "mine", {A::OK}, {unreadable(sZero, "is empty, not a zip archive")}, ""},
        {sEmpty,
         "mine",
         {A::OK},
         {{"Skins were NOT installed: the archive holds no files.\n\n" + sEmpty,
           MsgIcon::Critical}},
         ""},
        {sNoSkins, "mine", {A::No}, {noSkins}, ""},
        {sNoSkins, "mine", {A::Yes, A::OK}, {noSkins, installed}, "mine.vl2"},
        {m_sArchive, "", {A::OK}, {noName}, ""},
        {m_sArchive, " . ", {A::OK}, {noName}, ""},
        {m_sArchive, ".vl2", {A::OK}, {noName}, ""},
    };
    for (const Slip &slip : slips) {
        SCOPED_TRACE(FileTitle(slip.sSource).toStdString() + " as \"" + slip.sName.toStdString() +
                     "\"");
        QDir(m_sBase).removeRecursively();
        WriteArchive(sScripts, {{"scripts/autoexec.cs", "the game's scripts"},
                                {"textures/skins/base.png", "the game's own skin"}});
        WriteArchive(sTeam, {{"textures/skins/old.png", "a skin installed earlier"}});
        const std::map<QString, QByteArray> before = {{"scripts.vl2", ReadFile(sScripts)},
                                                      {"team.vl2", ReadFile(sTeam)}};
        Load();
        Type("txtInstallVL2", slip.sSource);
        Type("txtInstallName", slip.sName);
        for (const MsgAnswer eAnswer : slip.answers)
            m_desktop.AnswerMessage(eAnswer);
        const std::size_t nBefore = m_desktop.Messages().size();
        Click("cmdInstall");

        ExpectBoxes(slip.boxes);
        for (std::size_t i = nBefore; i < m_desktop.Messages().size(); ++i) {
            if (m_desktop.Messages()[i].eButtons == MsgButtons::YesNo) {
                EXPECT_EQ(m_desktop.Messages()[i].eDefault, MsgAnswer::No);
            }
        }
        QStringList expected = {"scripts.vl2", "team.vl2"};
        if (!slip.sNowSource.isEmpty() && !expected.contains(slip.sNowSource))
            expected = QStringList{slip.sNowSource} + expected;
        EXPECT_EQ(Listing(m_sBase), expected);
        for (const QString &sFile : expected)
            EXPECT_EQ(ReadFile(m_sBase + QLatin1Char('/') + sFile),
                      sFile == slip.sNowSource ? ReadFile(slip.sSource) : before.at(sFile))
                << sFile.toStdString();
        // Whatever was refused or declined stays in the boxes for another try.
        if (slip.sNowSource.isEmpty()) {
            EXPECT_EQ(Box("txtInstallVL2")->text(), slip.sSource);
        }
        ExpectIdle();
    }
}
