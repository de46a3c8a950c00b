// The Install Skins tab: its checks in order, names, the copy into the game and a
// copy that fails.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <sys/stat.h>

namespace {

class InstallTest : public PelterboxTest {
protected:
    InstallTest() {
        m_sArchive = m_home.Path() + QStringLiteral("/downloads/pack.vl2");
        WriteFile(m_sArchive, "the skin archive's bytes");
    }
    // Types both boxes and clicks Install Skins, answering the one box it shows.
    void Install(const QString &sArchive, const QString &sName) {
        Type("txtInstallVL2", sArchive);
        Type("txtInstallName", sName);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdInstall");
    }
    QString m_sArchive;
};

const QString kBadName =
    QStringLiteral("A filename cannot contain any of the following characters:\n\t\\/:*?\"<>|");

} // namespace

TEST_F(InstallTest, ChecksRunInOrderAndTheFirstFailingOneEndsTheClick) {
    struct Case {
        QString sArchive, sName;
        ExpectedBox box;
    };
    const QString sMissing = m_home.Path() + QStringLiteral("/missing.VL2");
    const QString sHidden = m_home.Path() + QStringLiteral("/downloads/.hidden.vl2");
    WriteFile(sHidden, "x");
    std::vector<Case> cases = {
        {"", "a/b", {"Please select a VL2 file to install.", MsgIcon::Exclamation}},
        {m_home.Path() + "/pack.zip",
         "a",
         {"Please select a VL2 file to install.", MsgIcon::Exclamation}},
        {m_sArchive + " ", "a", {"Please select a VL2 file to install.", MsgIcon::Exclamation}},
        {sMissing, "a/b", {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}},
        {sHidden, "a", {"File does not exist!\n\n" + sHidden, MsgIcon::Exclamation}},
    };
    for (const char *sName : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"})
        cases.push_back({m_sArchive, QString::fromLatin1(sName), {kBadName, MsgIcon::Critical}});
    Load();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sArchive.toStdString() + " as " + c.sName.toStdString());
        Install(c.sArchive, c.sName);
        ExpectBoxes({c.box});
        EXPECT_EQ(Box("txtInstallVL2")->text(), c.sArchive);
        EXPECT_EQ(Box("txtInstallName")->text(), c.sName);
    }
    EXPECT_EQ(Listing(m_sBase), QStringList());
}

TEST_F(InstallTest, InstallsUnderTheTypedNameWithOneVl2EndingAndReplacesWithoutAsking) {
    struct Case {
        const char *sTyped, *sInstalled;
    };
    WriteFile(m_sBase + QStringLiteral("/MySkins.vl2"), "an older archive");
    Load();
    for (const Case &c : {Case{"MySkins.VL2", "MySkins.vl2"}, Case{"x.vl2.vl2", "x.vl2.vl2"},
                          Case{"", ".vl2"}, Case{" my skins. v2", " my skins. v2.vl2"}}) {
        SCOPED_TRACE(c.sTyped);
        Install(m_sArchive, QString::fromLatin1(c.sTyped));
        ExpectBoxes({{"Skins installed successfully.", MsgIcon::Information}});
        EXPECT_EQ(ReadFile(m_sBase + QLatin1Char('/') + QString::fromLatin1(c.sInstalled)),
                  ReadFile(m_sArchive));
        EXPECT_EQ(Box("txtInstallVL2")->text(), QString());
        EXPECT_EQ(Box("txtInstallName")->text(), QString());
        EXPECT_EQ(m_pMain->DefaultButton()->objectName(), QStringLiteral("cmdInstallVL2browse"));
    }
    EXPECT_EQ(Listing(m_sBase),
              (QStringList{" my skins. v2.vl2", ".vl2", "MySkins.vl2", "x.vl2.vl2"}));
}

TEST_F(InstallTest, BrowseFillsThePathAndProposesANameOnlyWhenNoneIsTyped) {
    Load();
    m_desktop.AnswerFile(m_sArchive);
    Click("cmdInstallVL2browse");
    EXPECT_EQ(Box("txtInstallVL2")->text(), m_sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("pack"));

    Type("txtInstallName", QStringLiteral("mine"));
    m_desktop.AnswerFile(m_home.Path() + QStringLiteral("/other.VL2"));
    m_desktop.AnswerFile(std::nullopt);
    Click("cmdInstallVL2browse");
    Click("cmdInstallVL2browse");
    EXPECT_EQ(Box("txtInstallVL2")->text(), m_home.Path() + QStringLiteral("/other.VL2"));
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("mine"));

    const auto dialogs = m_desktop.Requests(FakeDesktop::Kind::OpenFile);
    ASSERT_EQ(dialogs.size(), 3u);
    for (const FakeDesktop::Request &dialog : dialogs) {
        EXPECT_EQ(dialog.sTitle, QStringLiteral("Select VL2 file"));
        EXPECT_EQ(dialog.sFilter, QStringLiteral("VL2 files (*.VL2)"));
    }
    // The dialog offers the file it gave last.
    EXPECT_EQ(dialogs[0].sStartFolder, QString());
    EXPECT_EQ(dialogs[1].sStartFolder, m_sArchive);
    EXPECT_EQ(dialogs[2].sStartFolder, m_home.Path() + QStringLiteral("/other.VL2"));
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
    ExpectBoxes({{"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_EQ(Box("txtInstallVL2")->text(), m_sArchive);
    EXPECT_EQ(Box("txtInstallName")->text(), QStringLiteral("MySkins"));
    EXPECT_EQ(Listing(m_sBase), QStringList{"MySkins.vl2"});
    EXPECT_EQ(ReadFile(sOld), QByteArray("the archive the game has now"));

    // A read-only archive is not replaced either, though a rename could.
    ASSERT_EQ(chmod(sOld.toUtf8().constData(), 0444), 0);
    Install(m_sArchive, QStringLiteral("MySkins"));
    ExpectBoxes({{"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_EQ(ReadFile(sOld), QByteArray("the archive the game has now"));

    // Without the game's folder nothing is installed anywhere.
    QDir(m_sGame).removeRecursively();
    Load();
    Install(m_sArchive, QStringLiteral("MySkins"));
    ExpectBoxes({{"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("MySkins.vl2")));
}
