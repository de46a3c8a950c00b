// The Compress Skins tab: collecting skins into the staging folder and the list,
// removing them, and packing them into new, replaced and extended archives.
#include "tests/skins/PelterboxFixture.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <QCheckBox>
#include <sys/stat.h>

namespace {

const QString kAlreadyExists = QStringLiteral(
    "team.vl2 already exists. Replace file?\n\nClick YES to replace this file\nClick NO to add "
    "skins to VL2 archive\nClick CANCEL to choose another filename.");

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
    // Compresses into sArchive, answering the replace question when one is given,
    // and OK to every box after it.
    void Compress(const QString &sArchive, std::optional<MsgAnswer> eReplace = std::nullopt,
                  int nBoxes = 1) {
        m_desktop.AnswerFile(sArchive);
        if (eReplace)
            m_desktop.AnswerMessage(*eReplace);
        for (int i = 0; i < nBoxes && eReplace != MsgAnswer::Cancel; ++i)
            m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdCompress");
    }
    QString Out(const char *sName) const {
        return m_home.Path() + QStringLiteral("/out/") + QString::fromLatin1(sName);
    }
    ExpectedBox Compressed(const char *sName) const {
        return {"Skins compressed successfully.\n\n" + Out(sName), MsgIcon::Information};
    }
    // The failure box, with the engine's reason holding sReasonPart.
    ExpectedBox NotCompressed(const char *sName, const char *sReasonPart) const {
        return {"Skins were NOT compressed successfully.", MsgIcon::Critical, MsgButtons::OK,
                QString::fromUtf8(sReasonPart), Out(sName)};
    }
};

} // namespace

TEST_F(CompressTest, AddChecksTheTypedPathInOrder) {
    const QString sMissing = m_home.Path() + QStringLiteral("/missing.png");
    Load();
    for (const auto &[sTyped, box] :
         {std::pair<QString, ExpectedBox>{"", {"File does not exist!\n\n", MsgIcon::Exclamation}},
          {Skin("a.png") + " ", {"Please select a PNG file.", MsgIcon::Exclamation}},
          {Skin("a.bmp"), {"Please select a PNG file.", MsgIcon::Exclamation}},
          {sMissing, {"File does not exist!\n\n" + sMissing, MsgIcon::Exclamation}}}) {
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Add(sTyped);
        ExpectBoxes({box});
        EXPECT_EQ(Box("txtCompressPng")->text(), sTyped);
    }
    EXPECT_EQ(SkinList()->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/pelterbox")));
}

TEST_F(CompressTest, CollectedSkinsAreStagedAndListedInOrderAndRemoveTakesTheSelectedOne) {
    Load();
    Add(Skin("c/Red.png"));
    Add(Skin("blue.PnG"));
    m_desktop.AnswerFile(Skin("d/red.png"));
    Click("cmdCompressPngBrowse");
    // The same name again replaces the staged copy and keeps the one entry; a name
    // differing in letter case is a file of its own.
    Add(Skin("e/Red.png"));
    EXPECT_EQ(Box("txtCompressPng")->text(), QString());
    EXPECT_EQ(ListedSkins(), (QStringList{"blue.PnG", "Red.png", "red.png"}));
    EXPECT_EQ(SkinList()->currentRow(), 1); // the first entry, selected before the others came
    EXPECT_EQ(ReadFile(Staged("Red.png")), QByteArray("png e/Red.png"));
    const FakeDesktop::Request dialog = m_desktop.Requests(FakeDesktop::Kind::OpenFile).front();
    EXPECT_EQ(dialog.sTitle + dialog.sFilter, QStringLiteral("Select SkinTribes 2 Skins (*.PNG)"));

    Click("cmdCompressRemove");
    EXPECT_EQ(ListedSkins(), (QStringList{"blue.PnG", "red.png"}));
    EXPECT_TRUE(SkinList()->selectedItems().isEmpty());
    Click("cmdCompressRemove"); // nothing selected: nothing happens
    EXPECT_EQ(ListedSkins().size(), 2);

    Compress(Out("team.vl2"));
    ExpectBoxes({Compressed("team.vl2")});
    // The list named exactly what was packed.
    EXPECT_EQ(ReadArchive(Out("team.vl2")),
              (std::map<QString, QByteArray>{{"textures/skins/blue.PnG", "png blue.PnG"},
                                             {"textures/skins/red.png", "png d/red.png"}}));
    EXPECT_EQ(SkinList()->count(), 0);
    EXPECT_EQ(Listing(m_sWork + QStringLiteral("/pelterbox/textures/skins")), QStringList());
    const FakeDesktop::Request save = m_desktop.Requests(FakeDesktop::Kind::SaveFile).front();
    EXPECT_EQ(save.sTitle + save.sFilter + save.sStartFolder,
              QStringLiteral("Save AsVL2 file (*.vl2)"));
}

TEST_F(CompressTest, TheReplaceQuestionReplacesExtendsOrLeavesEverythingAsItWas) {
    for (const auto &[eAnswer, entries] :
         {std::pair<MsgAnswer, QStringList>{MsgAnswer::Yes, {"textures/skins/new.png"}},
          {MsgAnswer::No, {"old.txt", "textures/skins/new.png"}},
          {MsgAnswer::Cancel, {"old.txt"}}}) {
        WriteArchive(Out("team.vl2"), {{"old.txt", "old"}});
        Load();
        Add(Skin("new.png"));
        // Typed without its extension: the question is about team.vl2.
        Compress(Out("team"), eAnswer);
        const ExpectedBox question{kAlreadyExists, MsgIcon::Question, MsgButtons::YesNoCancel};
        // Enter picks another name rather than replacing or extending the archive.
        EXPECT_EQ(m_desktop.Messages()[m_nBoxesSeen].eDefault, MsgAnswer::Cancel);
        const bool bCancelled = eAnswer == MsgAnswer::Cancel;
        if (bCancelled)
            ExpectBoxes({question});
        else
            ExpectBoxes({question, Compressed("team.vl2")});
        QStringList written;
        for (const auto &[sName, data] : ReadArchive(Out("team.vl2")))
            written << sName;
        EXPECT_EQ(written, entries);
        EXPECT_EQ(SkinList()->count(), bCancelled ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(Staged("new.png")), bCancelled);
        EXPECT_EQ(Listing(m_home.Path() + QStringLiteral("/out")), QStringList{"team.vl2"});
    }
}

TEST_F(CompressTest, InstallingAfterCompressionCopiesTheArchiveIntoTheGameUnderItsName) {
    Load();
    for (bool bInstall : {false, true}) {
        Control<QCheckBox>(QStringLiteral("chkCompressInstall"))->setChecked(bInstall);
        Add(Skin("red.png"));
        Compress(Out(bInstall ? "installed.vl2" : "kept.vl2"));
    }
    EXPECT_EQ(Listing(m_sBase), QStringList{"installed.vl2"});
    EXPECT_EQ(ReadFile(m_sBase + QStringLiteral("/installed.vl2")), ReadFile(Out("installed.vl2")));
    // Saved straight into the game: installed already.
    Add(Skin("blue.png"));
    Compress(m_sBase + QStringLiteral("/installed.vl2"), MsgAnswer::No);
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/installed.vl2")).size(), 2u);
    EXPECT_EQ(m_desktop.Messages().back().eIcon, MsgIcon::Information);
}

TEST_F(CompressTest, AnArchiveThatWasNotWrittenIsSaidSoAndTheCollectionStays) {
    Load();
    Compress(Out("empty.vl2")); // nothing collected: nothing to write
    Add(Skin("red.png"));
    WriteArchive(Out("team.vl2"), {{"old.txt", "old"}});
    {
        ReadOnlyFolder readOnly(m_home.Path() + QStringLiteral("/out"));
        if (!readOnly.Ready())
            GTEST_SKIP() << "the archive folder cannot be made read-only here";
        Compress(Out("new.vl2"));
        Compress(Out("team.vl2"), MsgAnswer::Yes);
    }
    ExpectBoxes({NotCompressed("empty.vl2", "cannot be reached"),
                 NotCompressed("new.vl2", "could not write "),
                 {kAlreadyExists, MsgIcon::Question, MsgButtons::YesNoCancel},
                 NotCompressed("team.vl2", "/out/team.vl2: ")});
    EXPECT_EQ(Listing(m_home.Path() + QStringLiteral("/out")), QStringList{"team.vl2"});
    EXPECT_EQ(ReadArchive(Out("team.vl2")).size(), 1u);
    EXPECT_EQ(ListedSkins(), QStringList{"red.png"});
    EXPECT_TRUE(QFileInfo::exists(Staged("red.png")));
    ExpectIdle();

    // Another name works at once with the skins collected; an install that then
    // fails is told after the success.
    Control<QCheckBox>(QStringLiteral("chkCompressInstall"))->setChecked(true);
    {
        ReadOnlyFolder readOnly(m_sBase);
        Compress(Out("other.vl2"), std::nullopt, 2);
    }
    ExpectBoxes(
        {Compressed("other.vl2"), {"Skins were NOT installed successfully.", MsgIcon::Critical}});
    EXPECT_EQ(ReadArchive(Out("other.vl2")).size(), 1u);
    EXPECT_EQ(Listing(m_sBase), QStringList());
}

TEST_F(CompressTest, ASkinTheEngineLeftOutIsToldAfterTheSuccessAndStaysCollected) {
    Load();
    Add(Skin("red.png"));
    Add(Skin("blue.png"));
    // Something the engine cannot pack takes blue's place in the staging folder.
    ASSERT_TRUE(QFile::remove(Staged("blue.png")));
    ASSERT_EQ(mkfifo(Staged("blue.png").toUtf8().constData(), 0600), 0);
    Compress(Out("team.vl2"), std::nullopt, 2);

    ExpectBoxes({Compressed("team.vl2"),
                 {"These skins could NOT be compressed and stay in the list of skins: blue.png",
                  MsgIcon::Exclamation, MsgButtons::OK,
                  "skipping textures/skins/blue.png (not a regular file)", Out("team.vl2")}});
    const std::map<QString, QByteArray> archive = ReadArchive(Out("team.vl2"));
    EXPECT_EQ(archive.size(), 1u);
    EXPECT_EQ(archive.count(QStringLiteral("textures/skins/red.png")), 1u);
    // Only the skin the archive holds leaves the collection.
    EXPECT_EQ(ListedSkins(), QStringList{"blue.png"});
    EXPECT_FALSE(QFileInfo::exists(Staged("red.png")));
    EXPECT_TRUE(QFileInfo::exists(Staged("blue.png")));
    ExpectIdle();
}

// The name typed in the save dialog and the game's folder: ".vl2" is added to a name
// without an extension before anything is asked or written, and installing after
// compression asks before it replaces an archive of the game.
TEST_F(CompressTest, ANameWithoutExtensionGetsVl2AndTheGameIsAskedAbout) {
    const QString sScripts = m_sBase + QStringLiteral("/scripts.vl2");
    const QString sGameOwn = QStringLiteral(
        "scripts.vl2 is one of the game's own archives: it holds more than skins. Replacing it "
        "can break the game. Replace it?\n\n");
    struct Case {
        const char *sTyped;   // in the save dialog
        const char *sWritten; // the archive that must exist afterwards
        bool bInstall;        // "Install skins after compression" ticked
        std::vector<MsgAnswer> answers;
        std::vector<ExpectedBox> boxes;
        bool bScriptsReplaced;
    };
    using A = MsgAnswer;
    const std::vector<Case> cases = {
        {"MySkins", "MySkins.vl2", false, {A::OK}, {Compressed("MySkins.vl2")}, false},
        {"my.skins", "my.skins", false, {A::OK}, {Compressed("my.skins")}, false},
        {"Team", "Team.vl2", true, {A::OK}, {Compressed("Team.vl2")}, false},
        {"scripts",
         "scripts.vl2",
         true,
         {A::No, A::OK},
         {{sGameOwn + sScripts, MsgIcon::Question, MsgButtons::YesNo}, Compressed("scripts.vl2")},
         false},
        {"scripts",
         "scripts.vl2",
         true,
         {A::Yes, A::OK},
         {{sGameOwn + sScripts, MsgIcon::Question, MsgButtons::YesNo}, Compressed("scripts.vl2")},
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.sTyped) + (c.bInstall ? ", installed" : ""));
        QDir(m_home.Path() + QStringLiteral("/out")).removeRecursively();
        QDir().mkpath(m_home.Path() + QStringLiteral("/out"));
        QDir(m_sBase).removeRecursively();
        WriteArchive(sScripts, {{"scripts/autoexec.cs", "the game's scripts"}});
        const QByteArray scripts = ReadFile(sScripts);
        Load();
        Control<QCheckBox>(QStringLiteral("chkCompressInstall"))->setChecked(c.bInstall);
        Add(Skin("red.png"));
        m_desktop.AnswerFile(Out(c.sTyped));
        for (const MsgAnswer eAnswer : c.answers)
            m_desktop.AnswerMessage(eAnswer);
        const std::size_t nBefore = m_desktop.Messages().size();
        Click("cmdCompress");

        ExpectBoxes(c.boxes);
        if (c.boxes.size() > 1) {
            EXPECT_EQ(m_desktop.Messages()[nBefore].eDefault, MsgAnswer::No);
        }
        EXPECT_EQ(Listing(m_home.Path() + QStringLiteral("/out")),
                  QStringList{QString::fromLatin1(c.sWritten)});
        EXPECT_EQ(ReadArchive(Out(c.sWritten)).count(QStringLiteral("textures/skins/red.png")), 1u);
        QStringList game = {QStringLiteral("scripts.vl2")};
        if (c.bInstall && QString::fromLatin1(c.sWritten) != QLatin1String("scripts.vl2"))
            game.prepend(QString::fromLatin1(c.sWritten));
        EXPECT_EQ(Listing(m_sBase), game);
        EXPECT_EQ(ReadFile(sScripts), c.bScriptsReplaced ? ReadFile(Out(c.sWritten)) : scripts);
    }
}
