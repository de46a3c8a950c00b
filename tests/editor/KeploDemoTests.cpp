// keplo-demo, run as the quick start runs it: the demo game it builds, and that a
// second run never touches archives that exist already.
#include "editor/frmMain.h"
#include "support/modRegistry.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtEndian>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <zip.h>

namespace {

struct ProcessResult {
    int nExitCode = -1;
    QString sOut;
    QString sErr;
};

ProcessResult RunDemo(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(KEPLO_DEMO_PROGRAM), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Every entry of an archive with its data; empty when it cannot be read.
std::map<std::string, QByteArray> ReadArchive(const QString &sPath) {
    std::map<std::string, QByteArray> entries;
    int nError = 0;
    zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &nError);
    if (!pZip)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(pZip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(pZip, i, 0, &st);
        QByteArray data(static_cast<qsizetype>(st.size), '\0');
        zip_file_t *pFile = zip_fopen_index(pZip, i, 0);
        if (pFile) {
            zip_fread(pFile, data.data(), st.size);
            zip_fclose(pFile);
        }
        entries[st.name] = data;
    }
    zip_close(pZip);
    return entries;
}

std::vector<std::string> WithSuffix(const std::map<std::string, QByteArray> &entries,
                                    const std::string &sPrefix, const std::string &sSuffix) {
    std::vector<std::string> found;
    for (const auto &[sName, data] : entries)
        if (sName.starts_with(sPrefix) && sName.ends_with(sSuffix))
            found.push_back(sName);
    return found;
}

} // namespace

TEST(KeploDemo, BuildsGameShapedArchivesWithValidFiles) {
    TestHome home;
    const QString sBase = home.Path() + QStringLiteral("/Tribes2/GameData/base");

    const ProcessResult result = RunDemo({home.Path() + QStringLiteral("/Tribes2")});

    ASSERT_EQ(result.nExitCode, 0) << result.sErr.toStdString();
    const QStringList archives =
        QDir(sBase).entryList({QStringLiteral("*.vl2")}, QDir::Files, QDir::Name);
    EXPECT_EQ(archives, (QStringList{"interiors.vl2", "missions.vl2", "scripts.vl2", "shapes.vl2",
                                     "skins.vl2", "sounds.vl2"}));

    const auto scripts = ReadArchive(sBase + QStringLiteral("/scripts.vl2"));
    EXPECT_GE(WithSuffix(scripts, "scripts/", ".cs").size(), 2u);
    EXPECT_GE(WithSuffix(scripts, "gui/", ".gui").size(), 1u);

    const auto skins = ReadArchive(sBase + QStringLiteral("/skins.vl2"));
    const auto pngs = WithSuffix(skins, "textures/skins/", ".png");
    ASSERT_GE(pngs.size(), 2u);
    for (const std::string &sName : pngs) {
        const QImage image = QImage::fromData(skins.at(sName), "PNG");
        EXPECT_FALSE(image.isNull()) << sName;
    }

    const auto sounds = ReadArchive(sBase + QStringLiteral("/sounds.vl2"));
    const auto wavs = WithSuffix(sounds, "audio/", ".wav");
    ASSERT_GE(wavs.size(), 2u);
    for (const std::string &sName : wavs) {
        const QByteArray &wav = sounds.at(sName);
        ASSERT_GT(wav.size(), 44) << sName;
        EXPECT_TRUE(wav.startsWith("RIFF") && wav.mid(8, 8) == "WAVEfmt ") << sName;
        const auto nRiff = qFromLittleEndian<quint32>(wav.constData() + 4);
        const auto nData = qFromLittleEndian<quint32>(wav.constData() + 40);
        EXPECT_EQ(nRiff, static_cast<quint32>(wav.size() - 8)) << sName;
        EXPECT_EQ(nData, static_cast<quint32>(wav.size() - 44)) << sName;
    }

    const auto shapes = ReadArchive(sBase + QStringLiteral("/shapes.vl2"));
    for (const char *sType : {".dts", ".dif", ".dsq"})
        EXPECT_FALSE(WithSuffix(shapes, "", sType).empty()) << sType;
    EXPECT_FALSE(WithSuffix(shapes, "", ".png").empty());
    EXPECT_FALSE(ReadArchive(sBase + QStringLiteral("/interiors.vl2")).empty());
}

TEST(KeploDemo, SecondRunLeavesExistingArchivesAlone) {
    TestHome home;
    const QString sGame = home.Path() + QStringLiteral("/Tribes2");
    ASSERT_EQ(RunDemo({sGame}).nExitCode, 0);
    const QString sSkins = sGame + QStringLiteral("/GameData/base/skins.vl2");
    const QString sScripts = sGame + QStringLiteral("/GameData/base/scripts.vl2");
    {
        QFile edited(sSkins);
        ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
        edited.write("the user's own edit");
    }
    QFile::remove(sScripts);

    const ProcessResult second = RunDemo({sGame});

    EXPECT_EQ(second.nExitCode, 0) << second.sErr.toStdString();
    QFile skins(sSkins);
    ASSERT_TRUE(skins.open(QIODevice::ReadOnly));
    EXPECT_EQ(skins.readAll(), QByteArray("the user's own edit"));
    // A missing archive is made again.
    EXPECT_FALSE(ReadArchive(sScripts).empty());
}

TEST(KeploDemo, MissingFolderArgumentGivesUsageAndAFailureCode) {
    const ProcessResult result = RunDemo({});
    EXPECT_NE(result.nExitCode, 0);
    EXPECT_TRUE(result.sErr.contains(QStringLiteral("usage: keplo-demo <folder>")));
}

TEST(KeploDemo, FolderThatCannotBeMadeGivesAMessageAndAFailureCode) {
    TestHome home;
    const QString sFile = home.Path() + QStringLiteral("/plain-file");
    QFile(sFile).open(QIODevice::WriteOnly);

    const ProcessResult result = RunDemo({sFile});

    EXPECT_EQ(result.nExitCode, 1);
    EXPECT_TRUE(result.sErr.contains(QStringLiteral("keplo-demo: cannot create the folder")))
        << result.sErr.toStdString();
}

TEST(KeploDemo, MainWindowOffersTheDemoArchivesWithoutInteriors) {
    TestHome home;
    FakeDesktop desktop;
    const QString sGame = home.Path() + QStringLiteral("/Tribes2");
    ASSERT_EQ(RunDemo({sGame}).nExitCode, 0);
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory",
                 sGame.toStdString());

    frmMain main;

    auto *pChooser = main.findChild<QComboBox *>(QStringLiteral("drpVL2File"));
    ASSERT_NE(pChooser, nullptr);
    QStringList items;
    for (int i = 0; i < pChooser->count(); ++i)
        items << pChooser->itemText(i);
    EXPECT_EQ(items, (QStringList{"Missions", "Scripts", "Shapes", "Skins", "Sounds"}));
}
