// The Compress Skins tab: collecting skins into the staging folder and the list,
// removing them, and packing them into new, replaced and extended archives.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <QCheckBox>

namespace {

const QString kAlreadyExists = QStringLiteral(
    " already exists. Replace file?\n\nClick YES to replace this file\nClick NO to add skins to "
    "VL2 archive\nClick CANCEL to choose another filename.");

class CompressTest : public PelterboxTest {
protected:
    CompressTest() { QDir().mkpath(m_home.Path() + QStringLiteral("/out")); }
    // A PNG skin in the player's own folder, its bytes naming it.
    QString Skin(const QString &sRelative) {
        const QString sPath = m_home.Path() + QStringLiteral("/mine/") + sRelative;
        WriteFile(sPath, "png " + sRelative.toUtf8());
        return sPath;
    }
    void Add(const QString &sPath) {
        Type("txtCompressPng", sPath);
        Click("cmdCompressAdd");
    }
    // Compress to sArchive, answering the replace question with eAnswer when asked.
    void Compress(const QString &sArchive, std::optional<MsgAnswer> eAnswer = std::nullopt) {
        m_desktop.AnswerFile(sArchive);
        if (eAnswer)
            m_desktop.AnswerMessage(*eAnswer);
        if (eAnswer != MsgAnswer::Cancel)
            m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdCompress");
    }
    QString Archive(const char *sName) const {
        return m_home.Path() + QStringLiteral("/out/") + QString::fromLatin1(sName);
    }
};

} // namespace

TEST_F(CompressTest, AddChecksTheTypedPathInOrder) {
    struct Case {
        QString sTyped;
        ExpectedBox box;
    };
    const QString sMissing = m_home.Path() + QStringLiteral("/mine/missing.png");
    const QString sFolder = m_home.Path() + QStringLiteral("/mine/folder.png");
    QDir().mkpath(sFolder);
    Load();
    for (const Case &c :
         {Case{"", {"File does not exist!\n\n", MsgIcon::Exclamation}},
          Case{Skin("a.png") + " ", {"Please select a PNG file.", MsgIcon::Exclamation}},
          Case{Skin("a.bmp"), {"Please select a PNG file.", MsgIcon::Exclamation}},
          Case{sMissing, {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}},
          Case{sFolder, {"File does not exist!\n\n" + sFolder, MsgIcon::Exclamation}}}) {
        SCOPED_TRACE(c.sTyped.toStdString());
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Add(c.sTyped);
        ExpectBoxes({c.box});
        EXPECT_EQ(Box("txtCompressPng")->text(), c.sTyped);
    }
    EXPECT_EQ(SkinList()->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/pelterbox")));
}

TEST_F(CompressTest, CollectedSkinsAreStagedAndListedInOrderAndRemoveTakesTheSelectedOne) {
    Load();
    Add(Skin("c/Red.png"));
    EXPECT_EQ(Box("txtCompressPng")->text(), QString());
    Add(Skin("blue.PnG"));
    m_desktop.AnswerFile(Skin("d/red.png"));
    Click("cmdCompressPngBrowse");
    Add(Skin("e/Red.png")); // the same name again: one staged copy, two entries
    ExpectBoxes({});
    EXPECT_EQ(ListedSkins(), (QStringList{"blue.PnG", "Red.png", "red.png", "Red.png"}));
    EXPECT_EQ(SkinList()->currentRow(), 1); // the first entry, selected before the others came
    EXPECT_EQ(ReadFile(Staged("Red.png")), QByteArray("png e/Red.png"));
    EXPECT_EQ(ReadFile(Staged("red.png")), QByteArray("png d/red.png"));
    const auto dialog = m_desktop.Requests(FakeDesktop::Kind::OpenFile).front();
    EXPECT_EQ(dialog.sTitle, QStringLiteral("Select Skin"));
    EXPECT_EQ(dialog.sFilter, QStringLiteral("Tribes 2 Skins (*.PNG)"));

    SkinList()->setCurrentRow(1);
    Click("cmdCompressRemove");
    EXPECT_EQ(ListedSkins(), (QStringList{"blue.PnG", "red.png", "Red.png"}));
    EXPECT_TRUE(SkinList()->selectedItems().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Staged("Red.png")));
    Click("cmdCompressRemove"); // nothing selected: nothing happens
    EXPECT_EQ(ListedSkins().size(), 3);

    Compress(Archive("team.vl2"));
    EXPECT_EQ(ReadArchive(Archive("team.vl2")),
              (std::map<QString, QByteArray>{{"textures/skins/blue.PnG", "png blue.PnG"},
                                             {"textures/skins/red.png", "png d/red.png"}}));
    ExpectBoxes(
        {{"Skins compressed successfully.\n\n" + Archive("team.vl2"), MsgIcon::Information}});
    EXPECT_EQ(SkinList()->count(), 0);
    EXPECT_EQ(Listing(m_sWork + QStringLiteral("/pelterbox/textures/skins")), QStringList());
    // The save dialog starts with no file name and does not ask about a file itself.
    const auto save = m_desktop.Requests(FakeDesktop::Kind::SaveFile).front();
    EXPECT_EQ(save.sTitle, QStringLiteral("Save As"));
    EXPECT_EQ(save.sFilter, QStringLiteral("VL2 file (*.vl2)"));
    EXPECT_EQ(save.sStartFolder, QString());
}

TEST_F(CompressTest, TheReplaceQuestionReplacesExtendsOrLeavesEverythingAsItWas) {
    struct Case {
        MsgAnswer eAnswer;
        QStringList entries;
        bool bListKept;
    };
    for (const Case &c : {Case{MsgAnswer::Yes, {"textures/skins/new.png"}, false},
                          Case{MsgAnswer::No, {"old.txt", "textures/skins/new.png"}, false},
                          Case{MsgAnswer::Cancel, {"old.txt"}, true}}) {
        SCOPED_TRACE(static_cast<int>(c.eAnswer));
        WriteArchive(Archive("team.vl2"), {{"old.txt", "old"}});
        Load();
        m_nBoxesSeen = m_desktop.Messages().size();
        Add(Skin("new.png"));
        Compress(Archive("team.vl2"), c.eAnswer);
        const ExpectedBox question{"team.vl2" + kAlreadyExists, MsgIcon::Question,
                                   MsgButtons::YesNoCancel};
        const ExpectedBox success{"Skins compressed successfully.\n\n" + Archive("team.vl2"),
                                  MsgIcon::Information};
        if (c.bListKept)
            ExpectBoxes({question});
        else
            ExpectBoxes({question, success});
        QStringList entries;
        for (const auto &[sName, data] : ReadArchive(Archive("team.vl2")))
            entries << sName;
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(SkinList()->count(), c.bListKept ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(Staged("new.png")), c.bListKept);
        EXPECT_EQ(Listing(m_home.Path() + QStringLiteral("/out")), QStringList{"team.vl2"});
        ExpectIdle();
    }
}

TEST_F(CompressTest, InstallingAfterCompressionCopiesTheArchiveIntoTheGameUnderItsName) {
    Load();
    for (bool bInstall : {false, true}) {
        Control<QCheckBox>(QStringLiteral("chkCompressInstall"))->setChecked(bInstall);
        Add(Skin("red.png"));
        Compress(Archive(bInstall ? "installed.vl2" : "kept.vl2"));
    }
    EXPECT_EQ(Listing(m_sBase), QStringList{"installed.vl2"});
    EXPECT_EQ(ReadFile(m_sBase + QStringLiteral("/installed.vl2")),
              ReadFile(Archive("installed.vl2")));

    // Saved straight into the game: installed already, nothing to copy.
    Add(Skin("blue.png"));
    m_desktop.AnswerFile(m_sBase + QStringLiteral("/installed.vl2"));
    m_desktop.AnswerMessage(MsgAnswer::No);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/installed.vl2")).size(), 2u);
    EXPECT_EQ(m_desktop.Messages().back().eIcon, MsgIcon::Information);
}

TEST_F(CompressTest, AnArchiveThatWasNotWrittenIsSaidSoAndTheCollectionStays) {
    Load();
    // Nothing collected: nothing to write.
    Compress(Archive("empty.vl2"));
    ExpectBoxes({{"Skins were NOT compressed successfully.\n\n" + Archive("empty.vl2"),
                  MsgIcon::Critical}});
    EXPECT_FALSE(QFileInfo::exists(Archive("empty.vl2")));

    Add(Skin("red.png"));
    WriteArchive(Archive("team.vl2"), {{"old.txt", "old"}});
    {
        ReadOnlyFolder readOnly(m_home.Path() + QStringLiteral("/out"));
        if (!readOnly.Ready())
            GTEST_SKIP() << "the archive folder cannot be made read-only here";
        Compress(Archive("new.vl2"));
        Compress(Archive("team.vl2"), MsgAnswer::Yes);
    }
    ExpectBoxes(
        {{"Skins were NOT compressed successfully.\n\n" + Archive("new.vl2"), MsgIcon::Critical},
         {"team.vl2" + kAlreadyExists, MsgIcon::Question, MsgButtons::YesNoCancel},
         {"Skins were NOT compressed successfully.\n\n" + Archive("team.vl2"), MsgIcon::Critical}});
    EXPECT_EQ(ReadArchive(Archive("team.vl2")).size(), 1u);
    EXPECT_EQ(ListedSkins(), QStringList{"red.png"});
    EXPECT_TRUE(QFileInfo::exists(Staged("red.png")));
    ExpectIdle();

    // Another name works at once, with the skins already collected; an install
    // that then fails is told after the success.
    Control<QCheckBox>(QStringLiteral("chkCompressInstall"))->setChecked(true);
    {
        ReadOnlyFolder readOnly(m_sBase);
        m_desktop.AnswerFile(Archive("other.vl2"));
        m_desktop.AnswerMessage(MsgAnswer::OK);
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdCompress");
    }
    ExpectBoxes(
        {{"Skins compressed successfully.\n\n" + Archive("other.vl2"), MsgIcon::Information},
         {"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_EQ(ReadArchive(Archive("other.vl2")).size(), 1u);
    EXPECT_EQ(Listing(m_sBase), QStringList());
}
