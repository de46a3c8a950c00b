// What Keplo does about a player's slips: an archive that cannot be listed or holds
// nothing, Cancel with edits made since Extract, and archives added to or removed
// from the game's folder while Keplo runs.
#include "editor/SnapshotFile.h"
#include "tests/editor/WorkflowFixture.h"

namespace {

class SlipTest : public WorkflowTest {
protected:
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(m_pMain.get(), &activate);
    }
    QStringList ChooserItems() {
        QStringList items;
        for (int i = 0; i < Chooser()->count(); ++i)
            items << Chooser()->itemText(i);
        return items;
    }
};

} // namespace

TEST_F(SlipTest, AnArchiveThatCannotBeListedSaysWhyAndOneWithoutFilesSaysSo) {
    struct Case {
        const char *sOdd;        // the archive of the reader's tests it is a copy of
        const char *sReasonPart; // of the listing's failure box; nullptr for none
        const char *sStatus;
    };
    const Case cases[] = {
        {"zero-bytes", "is empty, not a zip archive", ""},
        {"not-a-zip", "Not a zip archive", ""},
        {"truncated", "cannot read ", ""},
        {"empty", nullptr, "The archive holds no files."},
        {"folder-entries-only", nullptr, "The archive holds no files."},
    };
    for (const Case &c : cases)
        ASSERT_TRUE(QFile::copy(QStringLiteral(KEPLO_ODD_ARCHIVES "/") + c.sOdd + ".zip",
                                m_sBase + QLatin1Char('/') + c.sOdd + QStringLiteral(".vl2")));
    Load();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sOdd);
        const std::size_t nBoxes = m_desktop.Messages().size();
        if (c.sReasonPart)
            m_desktop.AnswerMessage(MsgAnswer::OK);
        Choose(Chooser()->itemText(
            Chooser()->findText(QString::fromLatin1(c.sOdd), Qt::MatchFixedString)));
        if (c.sReasonPart) {
            ASSERT_EQ(m_desktop.Messages().size(), nBoxes + 1);
            const FakeDesktop::Request box = m_desktop.Messages().back();
            EXPECT_TRUE(IsTextWithReason(
                box.sText, QStringLiteral("The archive could not be read."),
                QString::fromLatin1(c.sReasonPart), m_sBase + QLatin1Char('/') + c.sOdd + ".vl2"));
            EXPECT_EQ(box.eIcon, MsgIcon::Critical);
        } else {
            EXPECT_EQ(m_desktop.Messages().size(), nBoxes);
        }
        // Neither invites Extract.
        EXPECT_EQ(Status(), QString::fromLatin1(c.sStatus));
        EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
        ExpectIdle();
    }
}

TEST_F(SlipTest, CancelAsksBeforeThrowingAwayWhatChangedSinceExtractAndNoKeepsIt) {
    MakeArchive(QStringLiteral("skins.vl2"),
                Texts({"textures/skins/red.png", "scripts/a.cs", "scripts/b.cs", "shapes/t.dts"}));
    const QString sSub = m_sWork + QStringLiteral("/Skins");
    const QString sFolder = QStringLiteral("\n\n") + sSub;
    struct Case {
        const char *sWhat;
        std::function<void()> fnEdit;
        QString sQuestion; // empty: Cancel acts at once
    };
    const std::vector<Case> cases = {
        {"nothing changed", [] {}, QString()},
        {"an edit", [&] { WriteFile(sSub + "/scripts/a.cs", "edited"); },
         "Cancel throws away the unpacked files of Skins, and with them 1 file changed or "
         "added since Extract.\n\nThrow away your changes?" +
             sFolder},
        // A file of a hidden type, one the user added in a category and one in the
        // sub-folder count; one that Cancel leaves (in a folder of no category) does not.
        {"edits and additions",
         [&] {
             WriteFile(sSub + "/shapes/t.dts", "edited");
             WriteFile(sSub + "/scripts/new.cs", "new");
             WriteFile(sSub + "/notes.txt", "new");
             WriteFile(sSub + "/textures/kept.png", "kept");
         },
         "Cancel throws away the unpacked files of Skins, and with them 3 files changed or "
         "added since Extract.\n\nThrow away your changes?" +
             sFolder},
        {"no record of Extract", [&] { RemoveExtractSnapshot(sSub.toStdString()); },
         "Keplo has no record of what Extract unpacked for Skins, so it cannot tell which files "
         "you changed: Cancel throws away 4 files, changed or not.\n\nThrow them away?" +
             sFolder},
    };
    Load();
    Choose(QStringLiteral("Skins"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sWhat);
        QDir(sSub).removeRecursively();
        Click("cmdExtract");
        c.fnEdit();
        const QStringList unpacked = Listing(sSub);
        const std::size_t nBoxes = m_desktop.Messages().size();
        if (!c.sQuestion.isEmpty()) {
            // No keeps every file and the edit mode.
            m_desktop.AnswerMessage(MsgAnswer::No);
            Click("cmdCancel");
            ExpectNoDefaultQuestion(c.sQuestion);
            EXPECT_EQ(Listing(sSub), unpacked);
            EXPECT_EQ(EnabledButtons(), EditButtons());
            ExpectIdle();
            m_desktop.AnswerMessage(MsgAnswer::Yes);
        }
        Click("cmdCancel");
        EXPECT_EQ(m_desktop.Messages().size(), nBoxes + (c.sQuestion.isEmpty() ? 0 : 2));
        EXPECT_EQ(EnabledButtons(), ListedButtons());
        EXPECT_FALSE(QFileInfo::exists(sSub + QStringLiteral("/scripts/a.cs")));
        ExpectIdle();
    }
    // The archive itself was never written.
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/skins.vl2")).size(), 4u);
}

TEST_F(SlipTest, TheChooserPicksUpArchivesAddedOrRemovedAndKeepsTheChoice) {
    MakeArchive(QStringLiteral("a.vl2"), Texts({"scripts/a.cs"}));
    MakeArchive(QStringLiteral("b.vl2"), Texts({"scripts/b.cs", "gui/b.gui"}));
    Load();
    Choose(QStringLiteral("B"));
    Click("cmdExtract");
    const QStringList tree = TreeLines();

    MakeArchive(QStringLiteral("c.vl2"), Texts({"scripts/c.cs"}));
    QFile::remove(m_sBase + QStringLiteral("/a.vl2"));
    Activate();
    EXPECT_EQ(ChooserItems(), (QStringList{"B", "C"}));
    EXPECT_EQ(Chooser()->currentText(), QStringLiteral("B"));
    EXPECT_EQ(m_pMain->ArchivePath(), (m_sBase + QStringLiteral("/b.vl2")).toStdString());
    EXPECT_EQ(TreeLines(), tree);
    EXPECT_EQ(EnabledButtons(), EditButtons());

    // While the window takes no input its choice is in use: nothing changes.
    MakeArchive(QStringLiteral("d.vl2"), Texts({"scripts/d.cs"}));
    m_pMain->setEnabled(false);
    Activate();
    m_pMain->setEnabled(true);
    EXPECT_EQ(ChooserItems(), (QStringList{"B", "C"}));

    // The chosen archive gone: nothing is chosen, and its unpacked files stay.
    QFile::remove(m_sBase + QStringLiteral("/b.vl2"));
    Activate();
    EXPECT_EQ(ChooserItems(), (QStringList{"C", "D"}));
    EXPECT_EQ(Chooser()->currentText(), QString());
    EXPECT_EQ(Tree()->model()->rowCount(), 0);
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    EXPECT_EQ(Status(), QStringLiteral("Please select a category."));
    EXPECT_TRUE(QFileInfo::exists(m_sWork + QStringLiteral("/B/gui/b.gui")));

    // Choosing an archive again works as before.
    Choose(QStringLiteral("D"));
    EXPECT_EQ(TreeLines(), (QStringList{"[scripts] 1", "  [d.cs] 8"}));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
}
