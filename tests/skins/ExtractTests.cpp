// The Extract Skins tab: its checks, flat extraction with colliding and hostile
// entry names, the question afterwards, and extractions the engine could not do.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <QRegularExpression>

namespace {

class ExtractTest : public PelterboxTest {
protected:
    ExtractTest() {
        m_sArchive = m_home.Path() + QStringLiteral("/downloads/pack.vl2");
        m_sFolder = m_home.Path() + QStringLiteral("/sandbox/skins");
        QDir().mkpath(m_sFolder);
    }
    // Chooses the archive and the folder through their Browse buttons.
    void Choose(const QString &sArchive, const QString &sFolder) {
        m_desktop.AnswerFile(sArchive);
        Click("cmdExtractVL2Browse");
        m_desktop.AnswerFolder(sFolder);
        Click("cmdExtractFolderBrowse");
    }
    QString m_sArchive;
    QString m_sFolder;
};

} // namespace

TEST_F(ExtractTest, ChecksRunInOrderAndTheFirstFailingOneEndsTheClick) {
    struct Case {
        QString sArchive, sFolder;
        ExpectedBox box;
    };
    const QString sMissing = m_home.Path() + QStringLiteral("/PACK.Vl2");
    Load();
    for (const Case &c :
         {Case{"", "", {"Please select a VL2 file to extract.", MsgIcon::Exclamation}},
          Case{"pack.zip",
               m_sFolder,
               {"Please select a VL2 file to extract.", MsgIcon::Exclamation}},
          Case{"vl2", m_sFolder, {"Please select a VL2 file to extract.", MsgIcon::Exclamation}},
          Case{sMissing, "", {"Please select a folder.", MsgIcon::Exclamation}},
          Case{sMissing,
               m_sFolder,
               {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}}}) {
        SCOPED_TRACE(c.sArchive.toStdString());
        Type("txtExtractVL2", c.sArchive);
        Type("txtExtractFolder", c.sFolder);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdExtract");
        ExpectBoxes({c.box});
        EXPECT_EQ(Box("txtExtractVL2")->text(), c.sArchive);
    }
    EXPECT_EQ(Listing(m_sFolder), QStringList());
}

TEST_F(ExtractTest, EveryEntryArrivesFlatInTheFolderAndTheLastOfANameWins) {
    WriteArchive(m_sArchive, {{"textures/skins/a.png", "a"},
                              {"textures/skins/b.png", "b"},
                              {"textures/", ""},
                              {"other/place/a.png", "second a"},
                              {"readme.txt", "read me"}});
    WriteFile(m_sFolder + QStringLiteral("/b.png"), "an older b");
    Load();
    Choose(m_sArchive, m_sFolder);
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenFile).front().sFilter,
              QStringLiteral("VL2 files (*.VL2)"));
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::BrowseFolder).front().sTitle,
              QStringLiteral("Please select a folder."));
    m_desktop.AnswerMessage(MsgAnswer::No);
    Click("cmdExtract");

    ExpectBoxes(
        {{"Skins extracted successfully. View skins?\n", MsgIcon::Question, MsgButtons::YesNo}});
    EXPECT_EQ(Listing(m_sFolder), (QStringList{"a.png", "b.png", "readme.txt"}));
    EXPECT_EQ(ReadFile(m_sFolder + QStringLiteral("/a.png")), QByteArray("second a"));
    EXPECT_EQ(ReadFile(m_sFolder + QStringLiteral("/b.png")), QByteArray("b"));
    EXPECT_EQ(Box("txtExtractVL2")->text(), QString());
    EXPECT_EQ(Box("txtExtractFolder")->text(), m_sFolder);
    EXPECT_TRUE(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).empty());
    ExpectIdle();

    // The folder stays: choosing the archive again is enough, and Yes shows the folder.
    m_desktop.AnswerFile(m_sArchive);
    Click("cmdExtractVL2Browse");
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    m_desktop.AnswerOpenWithShell(true);
    Click("cmdExtract");
    ASSERT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).size(), 1u);
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).front().sPath, m_sFolder);
}

TEST_F(ExtractTest, HostileEntryNamesNeverReachOutsideTheFolder) {
    const QString sSandbox = m_home.Path() + QStringLiteral("/sandbox");
    Load();
    for (const char *sOdd : {"path-traversal", "path-traversal-backslash", "absolute-path",
                             "symlink-entry", "drive-letter"}) {
        SCOPED_TRACE(sOdd);
        const QString sArchive =
            m_home.Path() + QLatin1Char('/') + QString::fromLatin1(sOdd) + QStringLiteral(".vl2");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KEPLO_ODD_ARCHIVES "/") + QString::fromLatin1(sOdd) +
                                    QStringLiteral(".zip"),
                                sArchive));
        QDir(m_sFolder).removeRecursively();
        QDir().mkpath(m_sFolder);
        Choose(sArchive, m_sFolder);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdExtract");
        // Not every entry arrived, and the player is told so.
        ExpectBoxes({{"Skins were NOT extracted successfully.\n\n" + sArchive, MsgIcon::Critical}});
        EXPECT_EQ(Listing(sSandbox).filter(QRegularExpression(QStringLiteral("^(?!skins/)"))),
                  QStringList());
        EXPECT_TRUE(Listing(m_sFolder).contains(QStringLiteral("ok.txt")));
        EXPECT_FALSE(Listing(m_sFolder).join(QLatin1Char(' ')).contains(QLatin1Char('/')));
        EXPECT_EQ(Box("txtExtractVL2")->text(), sArchive);
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/pakreader-absolute-evil.txt")));
    EXPECT_EQ(Listing(m_home.Path()).filter(QStringLiteral("evil")), QStringList());
}

TEST_F(ExtractTest, AnExtractionTheEngineCouldNotDoIsSaidSoAndTheArchiveStaysChosen) {
    WriteFile(m_sArchive, "not a zip archive at all");
    const QString sGood = m_home.Path() + QStringLiteral("/downloads/good.vl2");
    WriteArchive(sGood, {{"textures/skins/a.png", "a"}});
    Load();
    Choose(m_sArchive, m_sFolder);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    ExpectBoxes({{"Skins were NOT extracted successfully.\n\n" + m_sArchive, MsgIcon::Critical}});
    EXPECT_EQ(Box("txtExtractVL2")->text(), m_sArchive);
    ExpectIdle();

    ReadOnlyFolder readOnly(m_sFolder);
    if (!readOnly.Ready())
        GTEST_SKIP() << "the folder cannot be made read-only here";
    Type("txtExtractVL2", sGood);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    ExpectBoxes({{"Skins were NOT extracted successfully.\n\n" + sGood, MsgIcon::Critical}});
    EXPECT_EQ(Box("txtExtractVL2")->text(), sGood);
    EXPECT_EQ(Listing(m_sFolder), QStringList());
    ExpectIdle();
}
