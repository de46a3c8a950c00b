// The programs started as a file manager or a user starts them: arguments they do
// not know are ignored, and an archive given to Pelterbox does not stop it.
#include "tests/skins/PelterboxFixture.h"

#include <QProcess>

TEST_F(PelterboxTest, BothProgramsStartWithArgumentsTheyDoNotKnow) {
    const QString sArchive = m_home.Path() + QStringLiteral("/pack.vl2");
    WriteArchive(sArchive, {{"textures/skins/a.png", "a"}});
    struct Case {
        const char *sProgram;
        QStringList arguments;
    };
    for (const Case &c : {Case{KEPLO_PROGRAM, {"--frobnicate", "-x", sArchive}},
                          Case{PELTERBOX_PROGRAM, {"--frobnicate", m_home.Path(), sArchive}}}) {
        SCOPED_TRACE(c.sProgram);
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QString::fromUtf8(c.sProgram), c.arguments);
        ASSERT_TRUE(program.waitForStarted(10000));
        // Past the splash's tick the main window is up; a program that refused its
        // arguments would have ended by then.
        EXPECT_FALSE(program.waitForFinished(2500)) << "ended with " << program.exitCode();
        program.kill();
        program.waitForFinished(10000);
    }
}
