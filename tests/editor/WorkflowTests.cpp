// Keplo's archive workflow against the real engine libraries: listing into the
// category tree, Extract, Save Changes and Cancel.
#include "tests/editor/WorkflowFixture.h"

#include "archive/jobs/ArchiveJobs.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <sys/stat.h>

namespace {

mode_t ModeOf(const QString &sPath) {
    struct stat st {};
    return stat(sPath.toUtf8().constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// ---- Listing -----------------------------------------------------------------

TEST_F(WorkflowTest, ListingGivesACategoryPerFolderInFirstOrderAndIconsByType) {
    MakeArchive(QStringLiteral("mixed.vl2"),
                Texts({"Textures/a.png", "textures/b.gif", "scripts/mission.cs", "notes.txt",
                       "media/clip.mpg", "Textures/image.jpeg", "shapes/tank.dts",
                       "textures/photo.jpg", "art/brush.bmp", "textures/skins/red.png",
                       "misc/readme", "scripts/game.mis", "interiors/hall.dif", "media/a.wav"}));
    Load();
    Choose(QStringLiteral("Mixed"));

    EXPECT_EQ(TreeLines(), (QStringList{"[Textures] 1",
                                        "  [a.png] 4",
                                        "  [image.jpeg] 2",
                                        "[textures] 1",
                                        "  [b.gif] 4",
                                        "  [photo.jpg] 5",
                                        "[scripts] 1",
                                        "  [mission.cs] 8",
                                        "  [game.mis] 8",
                                        "[] 1",
                                        "  [notes.txt] 8",
                                        "[media] 1",
                                        "  [clip.mpg] 7",
                                        "  [a.wav] 7",
                                        "[art] 1",
                                        "  [brush.bmp] 6",
                                        "[textures\\skins] 1",
                                        "  [red.png] 4",
                                        "[misc] 1",
                                        "  [readme] 2"}));
    // Hidden types stay in the entry list, every entry in archive order.
    EXPECT_EQ(
        m_pMain->EntryList().Lines(),
        (QStringList{"Textures\\a.png", "textures\\b.gif", "scripts\\mission.cs", "\\notes.txt",
                     "media\\clip.mpg", "Textures\\image.jpeg", "shapes\\tank.dts",
                     "textures\\photo.jpg", "art\\brush.bmp", "textures\\skins\\red.png",
                     "misc\\readme", "scripts\\game.mis", "interiors\\hall.dif", "media\\a.wav"}));
    EXPECT_EQ(Status(), QStringLiteral("Click Extract to begin editing files"));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    EXPECT_EQ(Progress()->maximum(), 14);
    EXPECT_EQ(Progress()->value(), 14);
    ExpectIdle();
    // Nodes are added collapsed, and the icon number travels with the node.
    for (const QModelIndex &node : Nodes())
        EXPECT_FALSE(Tree()->isExpanded(node));
    EXPECT_EQ(Model()->index(0, 0, Model()->index(2, 0)).data(Qt::UserRole + 1).toInt(), 8);
}

TEST_F(WorkflowTest, ChoosingTheArchiveAgainRebuildsTheTreeFromScratch) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"gui/b.gui", "scripts/c.cs"}));
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(TreeLines(), (QStringList{"[gui] 1", "  [b.gui] 8", "[scripts] 1", "  [c.cs] 8"}));
    EXPECT_EQ(m_pMain->EntryList().Lines(), (QStringList{"gui\\b.gui", "scripts\\c.cs"}));
}

TEST_F(WorkflowTest, ArchiveOfHiddenTypesOnlyGivesAnEmptyTreeAndNoExtract) {
    MakeArchive(QStringLiteral("shapes.vl2"),
                Texts({"shapes/tank.dts", "interiors/hall.dif", "terrains/a.ter", "x.nav", "y.bm8",
                       "z.spn", "w.dso", "v.dsq"}));
    Load();
    Choose(QStringLiteral("Shapes"));
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(m_pMain->EntryList().Count(), 8u);
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    ExpectIdle();
}

TEST_F(WorkflowTest, FileNamedLikeAFolderReceivesTheEntriesOfThatFolderToo) {
    // A new file node goes under every node whose text is the entry's folder,
    // file nodes included; a file named like its own folder gets no child of itself.
    MakeArchive(QStringLiteral("odd.vl2"),
                Texts({"gui/x.gui", "gui", "gui/y.gui", "a/a", "a/b.txt"}));
    Load();
    Choose(QStringLiteral("Odd"));
    EXPECT_EQ(TreeLines(),
              (QStringList{"[gui] 1", "  [x.gui] 8", "  [y.gui] 8", "[] 1", "  [gui] 8",
                           "    [y.gui] 8", "[a] 1", "  [a] 2", "    [b.txt] 8", "  [b.txt] 8"}));
}

TEST_F(WorkflowTest, ArchiveThatCannotBeReadGivesAnEmptyTreeOnlySettingsAndTheReason) {
    WriteFile(m_sBase + QStringLiteral("/broken.vl2"), "this is no zip archive");
    Load();
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Choose(QStringLiteral("Broken"));
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_TRUE(IsTextWithReason(m_desktop.Messages().front().sText,
                                 QStringLiteral("The archive could not be read."),
                                 QStringLiteral("Not a zip archive"),
                                 m_sBase + QStringLiteral("/broken.vl2")));
    EXPECT_EQ(m_desktop.Messages().front().eIcon, MsgIcon::Critical);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    ExpectIdle();
}

// The end of a zip archive rewritten to claim lClaimed entries: in its own record
// (up to 65,535) or, above that, in a Zip64 record placed before it.
QByteArray ClaimingEntries(QByteArray archive, quint64 lClaimed) {
    const qsizetype nEnd = archive.lastIndexOf(QByteArray("PK\x05\x06", 4));
    EXPECT_GE(nEnd, 0);
    QByteArray end = archive.mid(nEnd);
    archive.truncate(nEnd);
    auto put = [](QByteArray &bytes, qsizetype nAt, quint64 lValue, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
            bytes[nAt + i] = static_cast<char>((lValue >> (8 * i)) & 0xFF);
    };
    auto get = [&end](qsizetype nAt, int nBytes) {
        quint64 lValue = 0;
        for (int i = nBytes - 1; i >= 0; --i)
            lValue = (lValue << 8) | static_cast<quint8>(end[nAt + i]);
        return lValue;
    };
    const quint64 lSmallClaim = std::min<quint64>(lClaimed, 0xFFFF);
    if (lClaimed > 0xFFFF) {
        QByteArray zip64(56 + 20, '\0');
        put(zip64, 0, 0x06064b50, 4);
        put(zip64, 4, 44, 8);
        put(zip64, 12, 45, 2);
        put(zip64, 14, 45, 2);
        put(zip64, 24, lClaimed, 8);
        put(zip64, 32, lClaimed, 8);
        put(zip64, 40, get(12, 4), 8); // the central directory's size and place
        put(zip64, 48, get(16, 4), 8);
        put(zip64, 56, 0x07064b50, 4);
        put(zip64, 64, static_cast<quint64>(archive.size()), 8);
        put(zip64, 72, 1, 4);
        archive += zip64;
    }
    put(end, 8, lSmallClaim, 2);
    put(end, 10, lSmallClaim, 2);
    return archive + end;
}

TEST_F(WorkflowTest, AnArchiveClaimingMoreEntriesThanItHoldsIsListedAsTheEngineListsIt) {
    const QString sArchive = m_sBase + QStringLiteral("/claims.vl2");
    WriteArchive(sArchive, Texts({"scripts/a.cs"}));
    Load();
    for (const quint64 lClaimed : {quint64{0xFFFF}, quint64{1} << 40, ~quint64{0}}) {
        SCOPED_TRACE(lClaimed);
        WriteArchive(sArchive, Texts({"scripts/a.cs", "gui/b.gui"}));
        WriteFile(sArchive, ClaimingEntries(ReadFile(sArchive), lClaimed));
        // What the engine makes of it, through the same jobs the window calls.
        cUnzip oUnzip;
        cZip oZip;
        ArchiveJobs jobs(oUnzip, oZip);
        DirectRunner direct;
        const JobOutcome outcome = jobs.List(sArchive.toStdString(), direct);
        const std::size_t nBoxes = m_desktop.Messages().size();
        if (outcome.IsFailed())
            m_desktop.AnswerMessage(MsgAnswer::OK);

        Choose(QStringLiteral("Claims"));

        // Never more than the archive holds, whatever it claims.
        EXPECT_LE(oUnzip.FileCount(), 2);
        EXPECT_EQ(m_pMain->EntryList().Count(), static_cast<std::size_t>(oUnzip.FileCount()));
        EXPECT_LE(Nodes().size(), 4);
        if (outcome.IsFailed()) {
            ASSERT_EQ(m_desktop.Messages().size(), nBoxes + 1);
            EXPECT_TRUE(IsTextWithReason(m_desktop.Messages().back().sText,
                                         QStringLiteral("The archive could not be read."),
                                         QString::fromStdString(outcome.sReason), sArchive));
        }
        ExpectIdle();
    }
}

TEST_F(WorkflowTest, ListingSaveAndCancelShowTheirProgressInTheBusyState) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui", "c.txt"}));
    Load();
    // Every step of the progress bar, with the window's state at that moment.
    QStringList steps;
    QObject::connect(Progress(), &QProgressBar::valueChanged, [&](int nValue) {
        const QCursor *pCursor = QApplication::overrideCursor();
        steps << QStringLiteral("%1/%2 %3 %4")
                     .arg(nValue)
                     .arg(Progress()->maximum())
                     .arg(m_pMain->isEnabled() ? "enabled" : "disabled")
                     .arg(pCursor && pCursor->shape() == Qt::WaitCursor ? "wait" : "normal");
    });

    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(steps, (QStringList{"1/3 disabled wait", "2/3 disabled wait", "3/3 disabled wait"}));
    steps.clear();
    Click("cmdExtract");
    // Extract counts the bytes the engine unpacked, from none to all.
    ASSERT_GE(steps.size(), 2);
    EXPECT_EQ(steps.front(), QStringLiteral("0/1000 disabled wait"));
    EXPECT_EQ(steps.back(), QStringLiteral("1000/1000 disabled wait"));
    steps.clear();
    Click("cmdCancel");
    // The bar runs over the entry-list lines, from index 0 (already its value) on.
    EXPECT_EQ(steps, (QStringList{"0/2 disabled wait", "1/2 disabled wait", "2/2 disabled wait"}));
    Click("cmdExtract");
    steps.clear();
    Click("cmdSaveChanges");
    // Nothing changed: nothing is written, and the removal shows its steps.
    EXPECT_EQ(steps.size(), 3);
    EXPECT_TRUE(steps.filter(QStringLiteral("enabled")).isEmpty());
    ExpectIdle();
}

// ---- Extract -------------------------------------------------------------------

TEST_F(WorkflowTest, ExtractUnpacksEveryEntryIntoTheArchiveSubFolderAndEntersEditMode) {
    MakeArchive(QStringLiteral("Skins.VL2"),
                Texts({"textures/skins/red.png", "shapes/tank.dts", "readme.txt"}));
    Load();
    Choose(QStringLiteral("Skins"));

    Click("cmdExtract");

    EXPECT_EQ(Listing(m_sWork + QStringLiteral("/Skins")),
              (QStringList{"readme.txt", "shapes/", "shapes/tank.dts", "textures/",
                           "textures/skins/", "textures/skins/red.png"}));
    EXPECT_EQ(ReadFile(m_sWork + QStringLiteral("/Skins/shapes/tank.dts")),
              "text of shapes/tank.dts\n");
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
    EXPECT_EQ(EnabledButtons(), EditButtons());
    ExpectIdle();
}

TEST_F(WorkflowTest, ExtractMakesTheWorkFolderWhenItsParentsDoNotExistYet) {
    m_sWork = m_home.Path() + QStringLiteral("/not/yet/there");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo", "tempdir",
                 m_sWork.toStdString());
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    EXPECT_EQ(ReadFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs")),
              "text of scripts/a.cs\n");
    EXPECT_EQ(EnabledButtons(), EditButtons());
}

TEST_F(WorkflowTest, ExtractIntoFolderThatHoldsFilesReplacesButNeverDeletes) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs", "gui/menu.gui"}));
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    // Not the probe file (the first category's first file), or the archive would
    // count as unpacked already.
    WriteFile(sSub + QStringLiteral("/gui/menu.gui"), "an older, longer menu\n");
    WriteFile(sSub + QStringLiteral("/scripts/mine.cs"), "mine\n");
    WriteFile(sSub + QStringLiteral("/extra.txt"), "extra\n");
    Load();
    Choose(QStringLiteral("Scripts"));

    Click("cmdExtract");

    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/scripts/client.cs")), "text of scripts/client.cs\n");
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/scripts/mine.cs")), "mine\n");
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/extra.txt")), "extra\n");
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/gui/menu.gui")), "text of gui/menu.gui\n");
}

TEST_F(WorkflowTest, MakeUnpackedFilesWritableAddsOwnerReadAndWriteAndClearsNothing) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "shapes/b.dts"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sA = m_sWork + QStringLiteral("/Scripts/scripts/a.cs");
    const QString sB = m_sWork + QStringLiteral("/Scripts/shapes/b.dts");
    ASSERT_EQ(chmod(sA.toUtf8().constData(), 0404), 0);
    ASSERT_EQ(chmod(sB.toUtf8().constData(), 0050), 0);

    m_pMain->MakeUnpackedFilesWritable();

    EXPECT_EQ(ModeOf(sA), 0604u);
    EXPECT_EQ(ModeOf(sB), 0650u);
}

TEST_F(WorkflowTest, EditModeIsFoundAgainAfterARestart) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    m_pMain.reset();

    Load();
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    Choose(QStringLiteral("Scripts"));

    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
}

// ---- Save Changes --------------------------------------------------------------

TEST_F(WorkflowTest, SaveWritesTheChangeAndTheNewFileAndKeepsEveryOtherEntryByteForByte) {
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(static_cast<char>((i * 7919) % 251));
    Entries entries = Texts({"scripts/client.cs", "gui/menu.gui", "shapes/tank.dts", "notes.txt",
                             "textures/skins/red.png"});
    entries.emplace_back(QStringLiteral("textures/big.png"), binary);
    MakeArchive(QStringLiteral("Scripts.VL2"), entries);
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    WriteFile(sSub + QStringLiteral("/scripts/client.cs"), "// changed by the user\n");
    WriteFile(sSub + QStringLiteral("/scripts/added.cs"), "// a new script\n");

    Click("cmdSaveChanges");

    std::map<QString, QByteArray> expected(entries.begin(), entries.end());
    expected[QStringLiteral("scripts/client.cs")] = "// changed by the user\n";
    expected[QStringLiteral("scripts/added.cs")] = "// a new script\n";
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/Scripts.VL2")), expected);
    // The listed file was written: no second archive beside it.
    EXPECT_EQ(QDir(m_sBase).entryList(QDir::Files), QStringList{QStringLiteral("Scripts.VL2")});
    // The unpacked files are gone, and Extract is offered again.
    EXPECT_FALSE(QFileInfo::exists(sSub));
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    ExpectIdle();

    // Choosing it again lists the archive as written.
    Choose(QStringLiteral("Scripts"));
    EXPECT_TRUE(TreeLines().contains(QStringLiteral("  [added.cs] 8")));
}

TEST_F(WorkflowTest, SaveIntoAReadOnlyArchiveFolderKeepsEveryEditAndSaysSo) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs", "gui/menu.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    WriteFile(sSub + QStringLiteral("/scripts/client.cs"), "// changed by the user\n");
    const QStringList before = Listing(sSub);
    const QString sArchive = m_sBase + QStringLiteral("/scripts.vl2");
    const QByteArray archiveBefore = ReadFile(sArchive);
    {
        ReadOnlyFolder readOnly(m_sBase);
        if (!readOnly.Ready())
            GTEST_SKIP() << "the archive folder cannot be made read-only here";
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Click("cmdSaveChanges");
    }

    EXPECT_EQ(Listing(sSub), before);
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/scripts/client.cs")), "// changed by the user\n");
    EXPECT_EQ(ReadFile(sArchive), archiveBefore);
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
    ExpectIdle();
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    const FakeDesktop::Request box = m_desktop.Messages().front();
    EXPECT_TRUE(IsTextWithReason(box.sText,
                                 QStringLiteral("Your changes could not be written to "
                                                "scripts.vl2. They are kept in the work folder."),
                                 QStringLiteral("could not write ") + sArchive, sArchive));
    EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
    EXPECT_EQ(box.eIcon, MsgIcon::Critical);
    EXPECT_EQ(box.eButtons, MsgButtons::OK);
}

TEST_F(WorkflowTest, SaveOverAnArchiveDamagedMeanwhileKeepsEveryEdit) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs", "gui/menu.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    WriteFile(sSub + QStringLiteral("/scripts/client.cs"), "// changed by the user\n");
    WriteFile(m_sBase + QStringLiteral("/scripts.vl2"), "no longer a zip archive");
    m_desktop.AnswerMessage(MsgAnswer::OK);

    Click("cmdSaveChanges");

    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/scripts/client.cs")), "// changed by the user\n");
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/gui/menu.gui")), "text of gui/menu.gui\n");
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_NE(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_TRUE(m_desktop.Messages().front().sText.startsWith(
        QStringLiteral("Your changes could not be written to scripts.vl2.")));
    ExpectIdle();
}

// ---- Cancel --------------------------------------------------------------------

TEST_F(WorkflowTest, CancelRemovesTheUnpackedFilesAndTheFoldersTheyLeaveEmpty) {
    MakeArchive(QStringLiteral("skins.vl2"),
                Texts({"textures/skins/red.png", "shapes/tank.dts", "readme.txt", "scripts/a.cs",
                       "scripts/deep/b.cs"}));
    MakeArchive(QStringLiteral("other.vl2"), Texts({"gui/x.gui"}));
    Load();
    Choose(QStringLiteral("Other"));
    Click("cmdExtract");
    Choose(QStringLiteral("Skins"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Skins");
    // Files the user added, directly in the archive sub-folder and in a category.
    WriteFile(sSub + QStringLiteral("/loose.txt"), "x");
    WriteFile(sSub + QStringLiteral("/scripts/added.cs"), "x");

    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Click("cmdCancel");

    EXPECT_FALSE(QFileInfo::exists(sSub)) << Listing(sSub).join(' ').toStdString();
    // Another archive's unpacked files stay.
    EXPECT_EQ(Listing(m_sWork + QStringLiteral("/Other")), (QStringList{"gui/", "gui/x.gui"}));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
    ExpectIdle();
    // Nothing was written to the archive.
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/skins.vl2")).size(), 5u);
}

TEST_F(WorkflowTest, CancelKeepsWhatTheUserAddedOutsideTheCategoriesAndTheFoldersHoldingIt) {
    MakeArchive(QStringLiteral("skins.vl2"),
                Texts({"textures/skins/red.png", "shapes/tank.dts", "scripts/a.cs"}));
    Load();
    Choose(QStringLiteral("Skins"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Skins");
    WriteFile(sSub + QStringLiteral("/textures/mine.png"), "mine");
    WriteFile(sSub + QStringLiteral("/shapes/deeper/mine.dts"), "mine");
    WriteFile(sSub + QStringLiteral("/scripts/.hidden"), "mine");
    QDir().mkpath(sSub + QStringLiteral("/emptied/by/nobody"));

    Click("cmdCancel");

    EXPECT_EQ(Listing(sSub),
              (QStringList{"scripts/", "scripts/.hidden", "shapes/", "shapes/deeper/",
                           "shapes/deeper/mine.dts", "textures/", "textures/mine.png"}));
}

TEST_F(WorkflowTest, CancelWithNothingUnpackedChangesNothingOnDisk) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui"}));
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    // Not the probe file (scripts/a.cs), so the archive does not count as unpacked.
    WriteFile(sSub + QStringLiteral("/gui/b.gui"), "kept");
    Load();
    Choose(QStringLiteral("Scripts"));
    ASSERT_EQ(EnabledButtons(), ListedButtons());

    m_pMain->RemoveUnpackedFiles();

    EXPECT_EQ(Listing(sSub), (QStringList{"gui/", "gui/b.gui"}));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
}

TEST_F(WorkflowTest, EntryNamesThatClimbOutOfTheArchiveSubFolderAreNeverTouched) {
    MakeArchive(QStringLiteral("evil.vl2"),
                Texts({"scripts/a.cs", "../outside.txt", "scripts/../../outside.txt"}));
    WriteFile(m_sWork + QStringLiteral("/outside.txt"), "not the archive's");
    ASSERT_EQ(chmod((m_sWork + QStringLiteral("/outside.txt")).toUtf8().constData(), 0400), 0);
    Load();
    Choose(QStringLiteral("Evil"));
    // The engine refuses the two unsafe entries, and the window says so.
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_TRUE(IsTextWithReason(m_desktop.Messages().front().sText,
                                 QStringLiteral("Not every file of evil.vl2 could be unpacked."),
                                 QStringLiteral("skipping: ../outside.txt"),
                                 m_sWork + QStringLiteral("/Evil")));
    EXPECT_EQ(ModeOf(m_sWork + QStringLiteral("/outside.txt")), 0400u);

    // A partial Extract leaves no record of what it unpacked: Cancel cannot tell edits
    // apart and asks.
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Click("cmdCancel");

    EXPECT_EQ(ReadFile(m_sWork + QStringLiteral("/outside.txt")), "not the archive's");
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/Evil")));
}

} // namespace
