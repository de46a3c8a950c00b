// The Extract Skins tab: its checks, flat extraction with colliding and hostile
// entry names, the question afterwards, and extractions the engine could not do.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

namespace {

class ExtractTest : public PelterboxTest {
protected:
    ExtractTest() { QDir().mkpath(m_sFolder); }
    // Chooses the archive and the folder through their Browse buttons, then extracts
    // and gives eAnswer to the box that follows.
    void Extract(const QString &sArchive, MsgAnswer eAnswer) {
        m_desktop.AnswerFile(sArchive);
        Click("cmdExtractVL2Browse");
        m_desktop.AnswerFolder(m_sFolder);
        Click("cmdExtractFolderBrowse");
        m_desktop.AnswerMessage(eAnswer);
        if (eAnswer == MsgAnswer::Yes)
            m_desktop.AnswerOpenWithShell(true);
        Click("cmdExtract");
    }
    // The failure box, with the engine's reason holding sReasonPart.
    ExpectedBox NotExtracted(const QString &sArchive, const char *sReasonPart) {
        return {"Skins were NOT extracted successfully.", MsgIcon::Critical, MsgButtons::OK,
                QString::fromUtf8(sReasonPart), sArchive};
    }
    const QString m_sArchive = m_home.Path() + QStringLiteral("/downloads/pack.vl2");
    const QString m_sFolder = m_home.Path() + QStringLiteral("/sandbox/skins");
};

} // namespace

TEST_F(ExtractTest, ChecksRunInOrderAndTheFirstFailingOneEndsTheClick) {
    const QString sMissing = m_home.Path() + QStringLiteral("/PACK.Vl2");
    const ExpectedBox noVl2{"Please select a VL2 file to extract.", MsgIcon::Exclamation};
    Load();
    for (const auto &[sArchive, sFolder, box] :
         {std::tuple<QString, QString, ExpectedBox>{"", "", noVl2},
          {"pack.zip", m_sFolder, noVl2},
          {"vl2", m_sFolder, noVl2},
          {sMissing, "", {"Please select a folder.", MsgIcon::Exclamation}},
          {sMissing, m_sFolder, {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}}}) {
        Type("txtExtractVL2", sArchive);
        Type("txtExtractFolder", sFolder);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdExtract");
        ExpectBoxes({box});
        EXPECT_EQ(Box("txtExtractVL2")->text(), sArchive);
    }
    EXPECT_EQ(Listing(m_sFolder), QStringList());
}

TEST_F(ExtractTest, EveryEntryArrivesFlatInTheFolderAndTheLastOfANameWins) {
    WriteArchive(m_sArchive, {{"textures/skins/a.png", "a"},
                              {"textures/skins/b.png", "b"},
                              {"textures/", ""},
                              {"other/place/a.png", "second a"}});
    WriteFile(m_sFolder + QStringLiteral("/b.png"), "an older b");
    Load();
    Extract(m_sArchive, MsgAnswer::No);
    ExpectBoxes(
        {{"Skins extracted successfully. View skins?\n", MsgIcon::Question, MsgButtons::YesNo}});
    EXPECT_EQ(Listing(m_sFolder), (QStringList{"a.png", "b.png"}));
    EXPECT_EQ(ReadFile(m_sFolder + QStringLiteral("/a.png")) + ReadFile(m_sFolder + "/b.png"),
              QByteArray("second ab"));
    EXPECT_EQ(Box("txtExtractVL2")->text(), QString());
    EXPECT_EQ(Box("txtExtractFolder")->text(), m_sFolder);
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenFile).front().sFilter,
              QStringLiteral("VL2 files (*.VL2)"));
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::BrowseFolder).front().sTitle,
              QStringLiteral("Please select a folder."));
    ExpectIdle();

    // Yes shows the folder.
    Extract(m_sArchive, MsgAnswer::Yes);
    ASSERT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).size(), 1u);
    EXPECT_EQ(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).front().sPath, m_sFolder);
}

TEST_F(ExtractTest, HostileEntryNamesNeverReachOutsideTheFolder) {
    Load();
    for (const char *sOdd : {"path-traversal", "path-traversal-backslash", "absolute-path",
                             "symlink-entry", "drive-letter"}) {
        SCOPED_TRACE(sOdd);
        const QString sArchive = m_home.Path() + QLatin1Char('/') + sOdd + QStringLiteral(".vl2");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KEPLO_ODD_ARCHIVES "/") + sOdd + ".zip", sArchive));
        QDir(m_sFolder).removeRecursively();
        QDir().mkpath(m_sFolder);
        Extract(sArchive, MsgAnswer::OK);
        // Not every entry arrived, and the player is told so.
        ExpectBoxes({NotExtracted(sArchive, "skipping: ")});
        EXPECT_TRUE(Listing(m_sFolder).contains(QStringLiteral("ok.txt")));
        EXPECT_EQ(Listing(m_sFolder).filter(QStringLiteral("/")), QStringList()); // flat
        for (const QString &sItem : Listing(m_home.Path()))
            EXPECT_FALSE(sItem.contains(QStringLiteral("evil")) &&
                         !sItem.startsWith("sandbox/skins/"))
                << sItem.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/pakreader-absolute-evil.txt")));
}

TEST_F(ExtractTest, AnExtractionTheEngineCouldNotDoIsSaidSoAndTheArchiveStaysChosen) {
    WriteFile(m_sArchive, "not a zip archive at all");
    const QString sGood = m_home.Path() + QStringLiteral("/downloads/good.vl2");
    WriteArchive(sGood, {{"textures/skins/a.png", "a"}});
    Load();
    Extract(m_sArchive, MsgAnswer::OK);
    ExpectBoxes({NotExtracted(m_sArchive, "Not a zip archive")});
    EXPECT_EQ(Box("txtExtractVL2")->text(), m_sArchive);
    ExpectIdle();

    ReadOnlyFolder readOnly(m_sFolder);
    if (!readOnly.Ready())
        GTEST_SKIP() << "the folder cannot be made read-only here";
    Extract(sGood, MsgAnswer::OK);
    ExpectBoxes({NotExtracted(sGood, "cannot write ")});
    EXPECT_EQ(Box("txtExtractVL2")->text(), sGood);
    EXPECT_EQ(Listing(m_sFolder), QStringList());
    ExpectIdle();
}

TEST_F(ExtractTest, AnArchiveWithNothingToExtractSaysSoAndOffersNoFolder) {
    Load();
    for (const char *sOdd : {"empty", "folder-entries-only"}) {
        SCOPED_TRACE(sOdd);
        const QString sArchive = m_home.Path() + QLatin1Char('/') + sOdd + QStringLiteral(".vl2");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KEPLO_ODD_ARCHIVES "/") + sOdd + ".zip", sArchive));
        Extract(sArchive, MsgAnswer::OK);
        ExpectBoxes({NotExtracted(sArchive, "The archive holds no files.")});
        EXPECT_EQ(Box("txtExtractVL2")->text(), sArchive);
        EXPECT_EQ(Listing(m_sFolder), QStringList());
        ExpectIdle();
    }
    EXPECT_TRUE(m_desktop.Requests(FakeDesktop::Kind::OpenWithShell).empty());
}

TEST_F(ExtractTest, ViewSkinsWithNoProgramToShowTheFolderSaysSo) {
    WriteArchive(m_sArchive, {{"textures/skins/a.png", "a"}});
    Load();
    m_desktop.AnswerFile(m_sArchive);
    Click("cmdExtractVL2Browse");
    m_desktop.AnswerFolder(m_sFolder);
    Click("cmdExtractFolderBrowse");
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    m_desktop.AnswerOpenWithShell(false);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    ExpectBoxes(
        {{"Skins extracted successfully. View skins?\n", MsgIcon::Question, MsgButtons::YesNo},
         {"No program could be found to show the folder. Install a file manager, or open the "
          "folder yourself.\n\n" +
              m_sFolder,
          MsgIcon::Exclamation}});
    EXPECT_EQ(Listing(m_sFolder), QStringList{"a.png"});
}
