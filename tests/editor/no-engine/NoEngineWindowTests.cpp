// Keplo's main window in a folder without the engine libraries, with none on the
// search path: the unzip component fails with "File not found".
#include "tests/editor/WorkflowFixture.h"

namespace {

TEST_F(WorkflowTest, MissingUnzipLibraryIsToldAndLeavesAnEmptyTreeAndAUsableWindow) {
    MakeArchive(QStringLiteral("Scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui"}));
    Load();
    m_desktop.AnswerMessage(MsgAnswer::OK);

    Choose(QStringLiteral("Scripts"));

    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    const FakeDesktop::Request box = m_desktop.Messages().front();
    // The box names the library and where it was looked for.
    EXPECT_TRUE(IsTextWithReason(box.sText, QStringLiteral("The archive could not be read."),
                                 QStringLiteral("File not found: libpakreader.so (the engine "
                                                "library was looked for in "),
                                 m_sBase + QStringLiteral("/Scripts.vl2")));
    EXPECT_TRUE(box.sText.contains(QStringLiteral(" and on the system's library path)")));
    EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
    EXPECT_EQ(box.eIcon, MsgIcon::Critical);
    EXPECT_EQ(box.eButtons, MsgButtons::OK);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(m_pMain->EntryList().Empty());
    EXPECT_EQ(EnabledButtons(), QStringList{QStringLiteral("cmdSettings")});
    EXPECT_NE(Status(), QStringLiteral("Click Extract to begin editing files"));
    ExpectIdle();

    // The window stays usable: the next choice is listed (and fails) the same way.
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(m_desktop.Messages().size(), 2u);
    ExpectIdle();
}

TEST_F(WorkflowTest, MissingUnzipLibraryDuringExtractIsToldAndLeavesTheWindowUsable) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs"}));
    Load();
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Choose(QStringLiteral("Scripts"));
    // A tree as an earlier listing would have left it, so that Extract can be clicked.
    ShowEntries({{QStringLiteral("scripts"), QStringLiteral("a.cs")}});
    m_pMain->UpdateButtons();
    m_desktop.AnswerMessage(MsgAnswer::OK);

    Click("cmdExtract");

    ASSERT_EQ(m_desktop.Messages().size(), 2u);
    EXPECT_TRUE(IsTextWithReason(m_desktop.Messages().back().sText,
                                 QStringLiteral("scripts.vl2 could not be unpacked."),
                                 QStringLiteral("File not found: libpakreader.so"),
                                 m_sWork + QStringLiteral("/Scripts")));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    ExpectIdle();
}

TEST_F(WorkflowTest, MissingZipLibraryKeepsTheEditsAndSaysSo) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs"}));
    Load();
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Choose(QStringLiteral("Scripts"));
    ShowEntries({{QStringLiteral("scripts"), QStringLiteral("a.cs")}});
    WriteFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs"), "edited");
    m_pMain->UpdateButtons();
    m_desktop.AnswerMessage(MsgAnswer::OK);

    Click("cmdSaveChanges");

    EXPECT_EQ(ReadFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs")), "edited");
    EXPECT_EQ(EnabledButtons(), EditButtons());
    ASSERT_EQ(m_desktop.Messages().size(), 2u);
    EXPECT_TRUE(m_desktop.Messages().back().sText.startsWith(
        QStringLiteral("Your changes could not be written to scripts.vl2.")));
    ExpectIdle();
}

} // namespace
