// The programs started as a file manager or a user starts them: arguments they do
// not know are ignored, and an archive given to Pelterbox does not stop it.
#include "tests/skins/PelterboxFixture.h"

#include <QProcess>

TEST_F(PelterboxTest, BothProgramsStartWithArgumentsTheyDoNotKnow) {
    const QString sArchive = m_home.Path() + QStringLiteral("/pack.vl2");
    WriteArchive(sArchive, {{"textures/skins/a.png", "a"}});
    for (const char *sProgram : {KEPLO_PROGRAM, PELTERBOX_PROGRAM}) {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QString::fromUtf8(sProgram), {"--frobnicate", "-x", m_home.Path(), sArchive});
        ASSERT_TRUE(program.waitForStarted(10000)) << sProgram;
        // Past the splash's tick the main window is up; a program that refused its
        // arguments would have ended by then.
        EXPECT_FALSE(program.waitForFinished(2500)) << sProgram << " ended";
        program.kill();
        program.waitForFinished(10000);
    }
}
