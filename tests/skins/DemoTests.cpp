// Pelterbox on the demo game that keplo-demo builds, as run-pelterbox starts it:
// the skin archive to install and the loose skins to pack are there and work.
#include "tests/skins/PelterboxFixture.h"

#include <QProcess>

TEST_F(PelterboxTest, TheDemoGameHoldsASkinArchiveToInstallAndSkinsToPack) {
    const QString sDemo = m_home.Path() + QStringLiteral("/demo/Tribes2");
    QProcess demo;
    demo.start(QStringLiteral(KEPLO_DEMO_PROGRAM), {sDemo});
    ASSERT_TRUE(demo.waitForFinished(60000));
    ASSERT_EQ(demo.exitCode(), 0) << demo.readAllStandardError().toStdString();
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory",
                 sDemo.toStdString());
    const QString sDownloads = sDemo + QStringLiteral("/downloads");
    Load();

    m_pMain->ChooseInstallArchive(sDownloads + QStringLiteral("/demoteam.vl2"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdInstall");
    ExpectBoxes({{"Skins installed successfully.", MsgIcon::Information}});
    const auto installed = ReadArchive(sDemo + QStringLiteral("/GameData/base/demoteam.vl2"));
    ASSERT_GE(installed.size(), 2u);
    for (const auto &[sName, data] : installed)
        EXPECT_TRUE(sName.startsWith(QStringLiteral("textures/skins/")) &&
                    data.startsWith("\x89PNG"))
            << sName.toStdString();

    const QStringList skins = QDir(sDownloads).entryList({QStringLiteral("*.png")}, QDir::Files);
    ASSERT_GE(skins.size(), 2);
    QStringList expected;
    for (const QString &sSkin : skins) {
        Type("txtCompressPng", sDownloads + QLatin1Char('/') + sSkin);
        Click("cmdCompressAdd");
        expected << QStringLiteral("textures/skins/") + sSkin;
    }
    const QString sPacked = m_home.Path() + QStringLiteral("/mine.vl2");
    m_desktop.AnswerFile(sPacked);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");
    QStringList packed;
    for (const auto &[sName, data] : ReadArchive(sPacked))
        packed << sName;
    EXPECT_EQ(packed, expected);
}
