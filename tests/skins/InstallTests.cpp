// The Install Skins tab: its checks in order, names, the copy into the game and a
// copy that fails.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <sys/stat.h>
#include <tuple>

namespace {

class InstallTest : public PelterboxTest {
protected:
    InstallTest() { WriteFile(m_sArchive, "the skin archive's bytes"); }
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

TEST_F(InstallTest, InstallsUnderTheTypedNameWithOneVl2EndingAndReplacesWithoutAsking) {
    WriteFile(m_sBase + QStringLiteral("/MySkins.vl2"), "an older archive");
    Load();
    for (const char *sTyped : {"MySkins.VL2", "x.vl2.vl2", "", " my skins. v2"}) {
        Install(m_sArchive, QString::fromLatin1(sTyped));
        ExpectBoxes({{"Skins installed successfully.", MsgIcon::Information}});
        EXPECT_EQ(Box("txtInstallVL2")->text() + Box("txtInstallName")->text(), QString());
        EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QStringLiteral("cmdInstallVL2browse"));
    }
    const QStringList installed = {" my skins. v2.vl2", ".vl2", "MySkins.vl2", "x.vl2.vl2"};
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
    WriteFile(sOld, "the archive the game has now");
    Load();
    {
        ReadOnlyFolder readOnly(m_sBase);
        if (!readOnly.Ready())
            GTEST_SKIP() << "the game base folder cannot be made read-only here";
        Install(m_sArchive, QStringLiteral("MySkins.vl2"));
    }
    // A read-only archive is not replaced either, though a rename could.
    ASSERT_EQ(chmod(sOld.toUtf8().constData(), 0444), 0);
    Install(m_sArchive, QStringLiteral("MySkins.vl2"));
    const ExpectedBox failed{"Skins were NOT installed successfully.", MsgIcon::Critical};
    ExpectBoxes({failed, failed});
    EXPECT_EQ(Box("txtInstallVL2")->text(), m_sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("MySkins"));
    EXPECT_EQ(Listing(m_sBase), QStringList{"MySkins.vl2"});
    EXPECT_EQ(ReadFile(sOld), QByteArray("the archive the game has now"));

    // Without the game's folder nothing is installed anywhere.
    QDir(m_sGame).removeRecursively();
    Load();
    Install(m_sArchive, QStringLiteral("MySkins"));
    ExpectBoxes({failed});
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("MySkins.vl2")));
}
