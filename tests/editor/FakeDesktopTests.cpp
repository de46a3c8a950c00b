// The scripted stand-in must catch what a window test cannot see: a box nobody
// expected, a box of the wrong kind, and an expected box that never came.
#include "tests/testsupport/FakeDesktop.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

TEST(FakeDesktop, AnswersFromTheScriptInOrderAndRecordsEveryRequest) {
    FakeDesktop fake;
    fake.AnswerMessage(MsgAnswer::Yes);
    fake.AnswerFile(QStringLiteral("/tmp/a.png"));
    fake.AnswerFile(std::nullopt);
    fake.AnswerFolder(QStringLiteral("/tmp/out"));
    fake.AnswerStartProgram(true);
    fake.AnswerOpenWithShell(false);

    EXPECT_EQ(Desktop().MessageBox(nullptr, QStringLiteral("Replace?"), MsgButtons::YesNo,
                                   MsgIcon::Question, QStringLiteral("Keplo")),
              MsgAnswer::Yes);
    EXPECT_EQ(Desktop().GetOpenFileName(nullptr, QStringLiteral("Open"),
                                        QStringLiteral("PNG images (*.png)"), QStringLiteral("/")),
              QStringLiteral("/tmp/a.png"));
    EXPECT_EQ(Desktop().GetSaveFileName(nullptr, QStringLiteral("Save"), QString(), QString()),
              std::nullopt);
    EXPECT_EQ(Desktop().BrowseForFolder(nullptr, QStringLiteral("Pick")),
              QStringLiteral("/tmp/out"));
    EXPECT_TRUE(
        Desktop().StartProgram(QStringLiteral("/usr/bin/gimp"), {QStringLiteral("/a b/c.png")}));
    EXPECT_FALSE(Desktop().OpenWithShell(QStringLiteral("/tmp")));

    ASSERT_EQ(fake.Requests().size(), 6u);
    EXPECT_EQ(fake.Messages().at(0).sText, QStringLiteral("Replace?"));
    EXPECT_EQ(fake.Messages().at(0).eButtons, MsgButtons::YesNo);
    EXPECT_EQ(fake.Messages().at(0).eIcon, MsgIcon::Question);
    EXPECT_EQ(fake.Requests().at(1).sFilter, QStringLiteral("PNG images (*.png)"));
    EXPECT_EQ(fake.Requests().at(2).eKind, FakeDesktop::Kind::SaveFile);
    const auto starts = fake.Requests(FakeDesktop::Kind::StartProgram);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts.front().sProgram, QStringLiteral("/usr/bin/gimp"));
    EXPECT_EQ(starts.front().arguments, QStringList{QStringLiteral("/a b/c.png")});
    EXPECT_EQ(fake.Requests().at(5).sPath, QStringLiteral("/tmp"));
    EXPECT_EQ(fake.PendingAnswers(), 0u);
}

TEST(FakeDesktop, BoxThatWasNotScriptedFailsTheTestNamingIt) {
    EXPECT_NONFATAL_FAILURE(
        {
            FakeDesktop fake;
            Desktop().MessageBox(nullptr, QStringLiteral("Surprise"), MsgButtons::OK,
                                 MsgIcon::Exclamation, QStringLiteral("Keplo"));
        },
        "Unscripted message box titled \"Keplo\" (icon Exclamation, buttons OK): \"Surprise\"");
}

TEST(FakeDesktop, RequestOfAnotherKindThanScriptedFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            FakeDesktop fake;
            fake.AnswerMessage(MsgAnswer::OK);
            Desktop().StartProgram(QStringLiteral("/bin/true"), {});
        },
        "Expected a message box but got a program start");
}

TEST(FakeDesktop, ScriptedAnswerNeverAskedForFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            FakeDesktop fake;
            fake.AnswerMessage(MsgAnswer::OK);
        },
        "A scripted answer for a message box was never asked for");
}
