// The demo game that run-pelterbox starts Pelterbox on holds skins to try it with:
// a skin archive to install and loose PNG skins to pack.
#include "tests/skins/PelterboxFixture.h"

#include <QImage>
#include <QProcess>

TEST_F(PelterboxTest, TheDemoGameHoldsASkinArchiveToInstallAndSkinsToPack) {
    const QString sDownloads = m_home.Path() + QStringLiteral("/demo/Tribes2/downloads/");
    QProcess demo;
    demo.start(QStringLiteral(KEPLO_DEMO_PROGRAM),
               {m_home.Path() + QStringLiteral("/demo/Tribes2")});
    ASSERT_TRUE(demo.waitForFinished(60000) && demo.exitCode() == 0);
    const auto skins = ReadArchive(sDownloads + QStringLiteral("demoteam.vl2"));
    EXPECT_GE(skins.size(), 2u);
    for (const auto &[sName, data] : skins)
        EXPECT_TRUE(sName.startsWith("textures/skins/") && !QImage::fromData(data, "PNG").isNull())
            << sName.toStdString();
    const QStringList loose = QDir(sDownloads).entryList({QStringLiteral("*.png")});
    EXPECT_GE(loose.size(), 2);
    for (const QString &sSkin : loose)
        EXPECT_FALSE(QImage(sDownloads + sSkin).isNull()) << sSkin.toStdString();
}
