// Pelterbox's long jobs on a few thousand skins, against the real engine libraries:
// Compress and Extract show their progress in a bar on the running tab's page while
// the window keeps handling its events, and the input made meanwhile never acts.
#include "tests/skins/PelterboxFixture.h"

#include "support/ui/LongJobRunner.h"
#include "tests/testsupport/JobWatch.h"
#include "tests/testsupport/QueuedInput.h"

#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int kSkins = 3000;

class LongJobTest : public PelterboxTest {
protected:
    LongJobTest() {
        QDir().mkpath(m_home.Path() + QStringLiteral("/out"));
        Load();
        m_pMain->show();
    }
    QProgressBar *Bar(const char *sName) {
        return Control<QProgressBar>(QString::fromLatin1(sName));
    }
    QTabWidget *Tabs() { return Control<QTabWidget>(QStringLiteral("SkinTabs")); }
    void ShowTab(int nTab) { Tabs()->setCurrentIndex(nTab); }

    // Queues what a user might do while the window is busy: clicks on every button of
    // the page and on the first tab, typing, the access key of the job's button, and
    // a request to close the window.
    void QueueInputDuringTheNextJob(JobWatch &watch, const QStringList &buttons, Qt::Key eKey) {
        watch.DuringNextJob([this, buttons, eKey] {
            for (const QString &sButton : buttons)
                QueueClick(Control<QPushButton>(sButton));
            QTabBar *pTabBar = Tabs()->tabBar();
            const QPoint tab = pTabBar->tabRect(0).center();
            QueueClick(pTabBar->childAt(tab) ? pTabBar->childAt(tab) : pTabBar);
            QueueKey(m_pMain.get(), Qt::Key_X);
            QueueKey(m_pMain.get(), eKey, Qt::AltModifier);
            QueueCloseRequest(m_pMain.get());
        });
    }

    // Nothing queued during the job acted: the same tab, no box or dialog beyond the
    // expected ones (the fake fails the test on any other).
    void ExpectInputDropped(JobWatch &watch, int nTab) {
        QApplication::processEvents();
        EXPECT_TRUE(watch.ActionRan()) << "the input was never queued";
        EXPECT_TRUE(m_pMain->isVisible());
        EXPECT_EQ(Tabs()->currentIndex(), nTab);
        ExpectIdle();
    }
};

TEST_F(LongJobTest, ExtractShowsTheBytesUnpackedOnItsPageAndTakesNoInputMeanwhile) {
    const QString sArchive = m_home.Path() + QStringLiteral("/downloads/many.vl2");
    const QString sFolder = m_home.Path() + QStringLiteral("/unpacked");
    WriteArchive(sArchive, ManyEntries(kSkins, "textures/skins", ".png"));
    QDir().mkpath(sFolder);
    ShowTab(2);
    JobWatch watch(m_pMain.get(), Bar("prgExtract"));
    QueueInputDuringTheNextJob(
        watch, {"cmdExtractVL2Browse", "cmdExtractFolderBrowse", "cmdExtract"}, Qt::Key_E);
    Type("txtExtractVL2", sArchive);
    Type("txtExtractFolder", sFolder);
    m_desktop.AnswerMessage(MsgAnswer::No);
    Click("cmdExtract");

    watch.ExpectProgressTo(kJobBarSteps);
    EXPECT_GT(watch.TicksDuringJobs(), 0);
    EXPECT_EQ(Bar("prgExtract")->parentWidget(), Control<QWidget>(QStringLiteral("picExtract")));
    ExpectBoxes(
        {{"Skins extracted successfully. View skins?\n", MsgIcon::Question, MsgButtons::YesNo}});
    ExpectInputDropped(watch, 2);
    EXPECT_EQ(Box("txtExtractVL2")->text(), QString());
    EXPECT_EQ(QDir(sFolder).entryList(QDir::Files).size(), kSkins);
}

TEST_F(LongJobTest, CompressShowsTheBytesPackedOnItsPageAndTakesNoInputMeanwhile) {
    // Skins staged as collecting them would, and one collected through the tab; of some
    // size, so that packing them takes a while.
    for (const auto &[sName, bytes] : ManyEntries(kSkins, "", ".png", 8192))
        WriteFile(Staged(sName.mid(1)), bytes);
    const QString sSkin = m_home.Path() + QStringLiteral("/mine/red.png");
    WriteFile(sSkin, "png red");
    ShowTab(1);
    Type("txtCompressPng", sSkin);
    Click("cmdCompressAdd");
    JobWatch watch(m_pMain.get(), Bar("prgCompress"));
    QueueInputDuringTheNextJob(
        watch, {"cmdCompressPngBrowse", "cmdCompressAdd", "cmdCompressRemove", "cmdCompress"},
        Qt::Key_C);
    const QString sArchive = m_home.Path() + QStringLiteral("/out/many.vl2");
    m_desktop.AnswerFile(sArchive);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");

    watch.ExpectProgressTo(kJobBarSteps);
    EXPECT_GT(watch.TicksDuringJobs(), 0);
    EXPECT_EQ(Bar("prgCompress")->parentWidget(), Control<QWidget>(QStringLiteral("picCompress")));
    ExpectBoxes({{"Skins compressed successfully.\n\n" + sArchive, MsgIcon::Information}});
    ExpectInputDropped(watch, 1);
    EXPECT_EQ(ListedSkins(), QStringList());
    const std::map<QString, QByteArray> archive = ReadArchive(sArchive);
    EXPECT_EQ(archive.size(), static_cast<std::size_t>(kSkins + 1));
    EXPECT_EQ(archive.at(QStringLiteral("textures/skins/red.png")), "png red");
}

} // namespace
