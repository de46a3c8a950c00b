// How a job's reason reaches a message box, and how a job's progress reaches its bar.
#include "support/ui/JobMessages.h"
#include "support/ui/LongJobRunner.h"

#include <gtest/gtest.h>

namespace {

TEST(JobMessages, TheReasonFollowsOnItsOwnLineCutToWhatABoxCanShow) {
    std::string sManyLines;
    for (int i = 1; i <= 20; ++i)
        sManyLines += "zip warning: skipping f" + std::to_string(i) + ".cs (not a regular file)\n";
    const QString sTwelve = ReasonText(sManyLines);
    EXPECT_EQ(sTwelve.count(QLatin1Char('\n')), kReasonLines);
    EXPECT_TRUE(sTwelve.startsWith(QStringLiteral("zip warning: skipping f1.cs")));
    EXPECT_TRUE(sTwelve.endsWith(QStringLiteral("f12.cs (not a regular file)\n(8 more lines)")));

    const QString sLong = ReasonText(std::string(5000, 'x'));
    EXPECT_EQ(sLong, QString(kReasonCharacters, QLatin1Char('x')) + QStringLiteral("..."));

    // Bytes that are not UTF-8 show as the replacement character, never dropped; markup
    // stays text (the boxes show plain text).
    EXPECT_EQ(ReasonText("error: caf\xe9 <b>x</b>"),
              QStringLiteral("error: caf") + QChar(0xFFFD) + QStringLiteral(" <b>x</b>"));

    EXPECT_EQ(WithReason(QStringLiteral("Own text."), "the reason\n", QStringLiteral("/a/b.vl2")),
              QStringLiteral("Own text.\nthe reason\n\n/a/b.vl2"));
    EXPECT_EQ(WithReason(QStringLiteral("Own text."), "", QStringLiteral("/a/b.vl2")),
              QStringLiteral("Own text.\n\n/a/b.vl2"));
    EXPECT_EQ(WithReason(QStringLiteral("Own text."), "why"), QStringLiteral("Own text.\nwhy"));
}

TEST(LongJobRunner, TheBarMovesInProportionAndNeverPastItsEnd) {
    const struct {
        JobFraction fraction;
        int nSteps;
        int nExpected;
    } cases[] = {
        {{0, 0}, 100, 0},                                  // nothing known yet
        {{50, 200}, 100, 25},                              // bytes, halfway through a quarter
        {{7, 3}, 10, 10},                                  // never past the end
        {{4'000'000'000'000ull, 8'000'000'000'000ull}, 3000, 1500}, // no overflow
        {{1, 1}, 0, 0},                                    // no bar range
    };
    for (const auto &c : cases)
        EXPECT_EQ(LongJobRunner::StepsDone(c.fraction, c.nSteps), c.nExpected)
            << c.fraction.lDone << "/" << c.fraction.lTotal;
}

} // namespace
