// What Keplo's window makes of a job's outcome beyond done and failed: a Save that the
// engine could write only in part, the process's current folder after a Save, and the
// logging categories, silent until the user switches them on.
#include "tests/editor/WorkflowFixture.h"

#include "platform/os/Log.h"
#include "support/ui/Logging.h"

#include <QLoggingCategory>
#include <QMutex>
#include <sys/stat.h>

namespace {

TEST_F(WorkflowTest, ASaveThatLeavesAFileOutSaysWhichAndKeepsEveryFile) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs", "gui/menu.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    WriteFile(sSub + QStringLiteral("/scripts/client.cs"), "// changed\n");
    // Something no archive can hold: the engine passes over it and writes the rest.
    ASSERT_EQ(mkfifo((sSub + QStringLiteral("/scripts/pipe.cs")).toUtf8().constData(), 0600), 0);
    const QString sStartFolder = QDir::currentPath();
    const QString sArchive = m_sBase + QStringLiteral("/scripts.vl2");

    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdSaveChanges");

    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    const FakeDesktop::Request box = m_desktop.Messages().front();
    EXPECT_TRUE(IsTextWithReason(box.sText,
                                 QStringLiteral("Not every file could be written to scripts.vl2. "
                                                "The archive holds the others; every file is "
                                                "kept in the work folder."),
                                 QStringLiteral("skipping scripts/pipe.cs (not a regular file)"),
                                 sArchive));
    EXPECT_EQ(box.eIcon, MsgIcon::Exclamation);
    EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
    // The archive holds the edit; nothing was removed, so the file can be mended and
    // saved again; the status line claims no full success.
    EXPECT_EQ(ReadArchive(sArchive).at(QStringLiteral("scripts/client.cs")), "// changed\n");
    EXPECT_EQ(ReadFile(sSub + QStringLiteral("/scripts/client.cs")), "// changed\n");
    EXPECT_TRUE(QFileInfo::exists(sSub + QStringLiteral("/gui/menu.gui")));
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was written without some files"));
    EXPECT_EQ(QDir::currentPath(), sStartFolder);
    ExpectIdle();

    // Mended, the next Save writes everything and ends as designed.
    QFile::remove(sSub + QStringLiteral("/scripts/pipe.cs"));
    Click("cmdSaveChanges");
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
    EXPECT_FALSE(QFileInfo::exists(sSub));
    EXPECT_EQ(QDir::currentPath(), sStartFolder);
}

// Every message logged while it lives, as "category: text".
class LogCapture {
public:
    LogCapture() {
        s_pCapture = this;
        m_previous = qInstallMessageHandler(&LogCapture::Handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        s_pCapture = nullptr;
        QLoggingCategory::setFilterRules(QString());
        SetLogSink({});
    }
    QStringList Lines() {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    QStringList Lines(const QString &sCategory) {
        QStringList lines;
        for (const QString &sLine : Lines())
            if (sLine.startsWith(sCategory + QStringLiteral(": ")))
                lines << sLine.mid(sCategory.size() + 2);
        return lines;
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext &context, const QString &sText) {
        QMutexLocker lock(&s_pCapture->m_mutex);
        s_pCapture->m_lines << QString::fromUtf8(context.category) + QStringLiteral(": ") + sText;
    }
    static inline LogCapture *s_pCapture = nullptr;
    QtMessageHandler m_previous;
    QMutex m_mutex;
    QStringList m_lines;
};

TEST_F(WorkflowTest, LoggingSaysNothingUntilSwitchedOnThenFollowsEveryJob) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/client.cs", "gui/menu.gui"}));
    LogCapture log;
    ConnectLogSink();
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    Click("cmdCancel");
    EXPECT_EQ(log.Lines(), QStringList());

    QLoggingCategory::setFilterRules(QStringLiteral("keplo.*=true"));
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QStringList jobs = log.Lines(QStringLiteral("keplo.archive"));
    ASSERT_EQ(jobs.size(), 4) << jobs.join('\n').toStdString();
    const QString sArchive = m_sBase + QStringLiteral("/scripts.vl2");
    EXPECT_EQ(jobs[0], QStringLiteral("list started: ") + sArchive);
    EXPECT_TRUE(jobs[1].startsWith(QStringLiteral("list done in "))) << jobs[1].toStdString();
    EXPECT_TRUE(jobs[1].endsWith(sArchive + QStringLiteral(" (engine result 0)")));
    EXPECT_EQ(jobs[2], QStringLiteral("unpack started: ") + sArchive);
    EXPECT_TRUE(jobs[3].startsWith(QStringLiteral("unpack done in ")));
    // The engine's own messages, one per entry unpacked.
    EXPECT_EQ(log.Lines(QStringLiteral("keplo.engine")).filter(QStringLiteral("scripts/")).size(),
              1);
    EXPECT_EQ(log.Lines(QStringLiteral("keplo.engine")).filter(QStringLiteral("gui/")).size(), 1);
}

} // namespace
