// Keplo's long jobs on an archive of a few thousand entries, against the real engine
// libraries: Extract and Save Changes show their progress in the progress bar while
// the window keeps handling its events, and the input made meanwhile never acts.
#include "tests/editor/WorkflowFixture.h"

#include "editor/frmSettings.h"
#include "support/ui/LongJobRunner.h"
#include "tests/testsupport/JobWatch.h"
#include "tests/testsupport/QueuedInput.h"

namespace {

constexpr int kEntries = 3000;

class LongJobWindowTest : public WorkflowTest {
protected:
    LongJobWindowTest() {
        MakeArchive(QStringLiteral("scripts.vl2"), ManyEntries(kEntries, "scripts", ".cs"));
        Load();
        m_pMain->show();
        m_pWatch = std::make_unique<JobWatch>(m_pMain.get(), Progress());
        Choose(QStringLiteral("Scripts"));
        m_pWatch->Clear();
    }

    // Queues what a user might do while the window is busy: clicks on every button, the
    // access keys of Cancel and Save Changes, and a request to close the window.
    void QueueInputDuringTheNextJob() {
        m_pWatch->DuringNextJob([this] {
            for (const char *sButton : {"cmdExtract", "cmdSaveChanges", "cmdCancel", "cmdEditFile",
                                        "cmdOpenFolder", "cmdSettings"})
                QueueClick(Control<QPushButton>(QString::fromLatin1(sButton)));
            QueueKey(m_pMain.get(), Qt::Key_C, Qt::AltModifier);
            QueueKey(m_pMain.get(), Qt::Key_S, Qt::AltModifier);
            QueueCloseRequest(m_pMain.get());
        });
    }

    // Nothing queued during the job acted, now that the window takes input again.
    void ExpectInputDropped() {
        QApplication::processEvents();
        EXPECT_TRUE(m_pWatch->ActionRan()) << "the input was never queued";
        EXPECT_TRUE(m_pMain->isVisible());
        EXPECT_TRUE(m_pMain->isEnabled());
        EXPECT_EQ(m_pMain->findChild<frmSettings *>(), nullptr);
    }

    std::unique_ptr<JobWatch> m_pWatch;
};

TEST_F(LongJobWindowTest, ExtractShowsTheBytesUnpackedAndTakesNoInputMeanwhile) {
    QueueInputDuringTheNextJob();
    Click("cmdExtract");

    m_pWatch->ExpectProgressTo(kJobBarSteps);
    EXPECT_GT(m_pWatch->TicksDuringJobs(), 0);
    ExpectIdle();
    ExpectInputDropped();
    // Still in edit mode with every file unpacked: the queued Cancel did nothing.
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_EQ(Status(), QStringLiteral("Select a file to edit."));
    const QString sSub = m_sWork + QStringLiteral("/Scripts/scripts");
    EXPECT_EQ(QDir(sSub).entryList(QDir::Files).size(), kEntries);
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/f1234.cs")),
              ManyEntries(kEntries, "scripts", ".cs")[1234].second);
}

TEST_F(LongJobWindowTest, SaveShowsTheBytesWrittenThenTheRemovalAndTakesNoInputMeanwhile) {
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts/scripts");
    // Changed files of some size, so that writing them takes a while.
    constexpr int kChanged = 1000;
    const ArchiveEntries changed = ManyEntries(kChanged, "changed", ".cs", 16384);
    for (int i = 0; i < kChanged; ++i) {
        const QString sFile = sSub + QStringLiteral("/f%1.cs").arg(i * 3, 4, 10, QLatin1Char('0'));
        WriteFile(sFile, changed[i].second);
    }
    m_pWatch->Clear();
    QueueInputDuringTheNextJob();
    Click("cmdSaveChanges");

    m_pWatch->ExpectProgressTo(kJobBarSteps);
    // The removal then shows its steps as it always did, over the entry-list lines.
    const std::vector<JobWatch::Step> removal = m_pWatch->StepsUpTo(kEntries - 1);
    ASSERT_EQ(removal.size(), static_cast<std::size_t>(kEntries));
    EXPECT_EQ(removal.back().nValue, kEntries - 1);
    EXPECT_GT(m_pWatch->TicksDuringJobs(), 0);
    ExpectIdle();
    ExpectInputDropped();
    // Listed again, nothing unpacked: the queued Extract did nothing.
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/Scripts")));
    const std::map<QString, QByteArray> archive = ReadArchive(m_sBase + "/scripts.vl2");
    EXPECT_EQ(archive.size(), static_cast<std::size_t>(kEntries));
    EXPECT_EQ(archive.at(QStringLiteral("scripts/f2997.cs")), changed[999].second);
    EXPECT_EQ(archive.at(QStringLiteral("scripts/f2998.cs")),
              ManyEntries(kEntries, "scripts", ".cs")[2998].second);
}

} // namespace
