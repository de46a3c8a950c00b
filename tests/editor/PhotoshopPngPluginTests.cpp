// The Photoshop PNG plug-in switch on real files, and the pick that runs it.
#include "editor/PhotoshopPngPlugin.h"
#include "editor/frmSettings.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class PhotoshopPngPluginTest : public ::testing::Test {
protected:
    PhotoshopPngPluginTest()
        : m_sPhotoshop(m_home.Path() + QStringLiteral("/Adobe/Photoshop 6.0/")),
          m_sFormats(m_sPhotoshop + QStringLiteral("Plug-Ins/Adobe Photoshop Only/File Formats")),
          m_sKeplo(m_home.Path() + QStringLiteral("/keplo")) {
        QDir().mkpath(m_sFormats);
        QDir().mkpath(m_sKeplo);
    }

    void Register(const QString &sFolder) {
        SetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", sFolder.toStdString());
    }
    static void Write(const QString &sPath, const QByteArray &data) {
        QFile file(sPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
        file.write(data);
    }
    static QByteArray Read(const QString &sPath) {
        QFile file(sPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QString Plugin() const { return m_sFormats + QStringLiteral("/Png.8bi"); }
    QString Backup() const { return m_sFormats + QStringLiteral("/Png.8bi.bak"); }
    QString KeploPlugin() const { return m_sKeplo + QStringLiteral("/Png.8bi"); }
    // Every file in the plug-in folder with its content.
    QStringList FormatsFolder() const {
        QStringList files;
        for (const QString &sName : QDir(m_sFormats).entryList(QDir::Files | QDir::Hidden))
            files << sName + QLatin1Char('=') + QString::fromLatin1(Read(m_sFormats + "/" + sName));
        return files;
    }

    TestHome m_home;
    QString m_sPhotoshop; // ends in "/" as Photoshop's set-up stores it
    QString m_sFormats;
    QString m_sKeplo;
};

TEST_F(PhotoshopPngPluginTest, OutcomeByWhatLiesOnTheDisk) {
    const struct {
        bool bKeplo;
        bool bBackup;
        bool bPlugin;
        const char *sAfter;
    } cases[] = {
        {true, true, true, "keplo"},        {true, false, true, "keplo"},
        {true, false, false, "keplo"},      {false, true, true, "backup"},
        {false, true, false, "backup"},     {false, false, true, "photoshop"},
        {false, false, false, "<missing>"},
    };
    Register(m_sPhotoshop);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bKeplo << c.bBackup << c.bPlugin);
        for (const QString &sPath : {KeploPlugin(), Backup(), Plugin()})
            QFile::remove(sPath);
        if (c.bKeplo)
            Write(KeploPlugin(), "keplo");
        if (c.bBackup)
            Write(Backup(), "backup");
        if (c.bPlugin)
            Write(Plugin(), "photoshop");
        for (int nRun = 0; nRun < 2; ++nRun) { // again gives the same outcome
            SwitchPhotoshopPngPluginFrom(m_sKeplo.toStdString());
            EXPECT_EQ(Read(Plugin()), QByteArray(c.sAfter));
            // Neither source is moved or deleted, and no temporary file stays behind.
            EXPECT_EQ(Read(KeploPlugin()), c.bKeplo ? "keplo" : "<missing>");
            EXPECT_EQ(Read(Backup()), c.bBackup ? "backup" : "<missing>");
            EXPECT_EQ(FormatsFolder().size(), (c.bBackup ? 1 : 0) + (c.sAfter[0] != '<' ? 1 : 0));
        }
    }
}

TEST_F(PhotoshopPngPluginTest, NothingChangesWithoutPhotoshopOrWhenItsPluginCannotBeWritten) {
    Write(KeploPlugin(), "keplo");
    Write(Backup(), "backup");
    Write(Plugin(), "photoshop");
    SwitchPhotoshopPngPluginFrom(m_sKeplo.toStdString()); // not registered
    EXPECT_EQ(Read(Plugin()), "photoshop");

    // A plug-in marked read-only refuses both copies; the second still runs.
    Register(m_sPhotoshop);
    QFile::setPermissions(Plugin(), QFile::ReadOwner | QFile::ReadGroup);
    SwitchPhotoshopPngPluginFrom(m_sKeplo.toStdString());
    EXPECT_EQ(Read(Plugin()), "photoshop");
    EXPECT_EQ(FormatsFolder(), (QStringList{"Png.8bi=photoshop", "Png.8bi.bak=backup"}));
}

TEST_F(PhotoshopPngPluginTest, AFolderStoredWithoutItsTrailingSlashStillFindsThePlugin) {
    Register(m_sPhotoshop.chopped(1));
    Write(Backup(), "backup");
    SwitchPhotoshopPngPluginFrom(m_sKeplo.toStdString());
    EXPECT_EQ(Read(Plugin()), "backup");
}

TEST(PhotoshopPngPlugin, OnlyAFileNamedPhotoshpExeInAnyCaseIsPhotoshop) {
    for (const char *sYes : {"/w/Photoshp.exe", "PHOTOSHP.EXE", "/a/b c/photoshp.EXE"})
        EXPECT_TRUE(IsPhotoshopProgram(sYes)) << sYes;
    for (const char *sNo : {"/w/Photoshop.exe", "/w/Photoshp.exe.bak", "/Photoshp.exe/run",
                            "/w/xPhotoshp.exe", "/w/Photoshp"})
        EXPECT_FALSE(IsPhotoshopProgram(sNo)) << sNo;
}

TEST_F(PhotoshopPngPluginTest, PickingPhotoshopAsThePngEditorSwitchesAtOnceEvenWhenCancelled) {
    // No plug-in lies beside the test program, so the switch restores the backup.
    Register(m_sPhotoshop);
    Write(Backup(), "backup");
    Write(Plugin(), "photoshop");
    FakeDesktop desktop;
    QWidget main;
    const struct {
        const char *sButton;
        const char *sPick;
        const char *sAfter;
    } picks[] = {
        {"cmdJPGbrowse", "/w/Photoshp.exe", "photoshop"}, // another type: no switch
        {"cmdPNGbrowse", "/w/Photoshop.exe", "photoshop"},
        {"cmdPNGbrowse", "/w/Adobe/PHOTOSHP.exe", "backup"},
    };
    for (const auto &p : picks) {
        SCOPED_TRACE(p.sPick);
        auto *pDialog = new frmSettings(&main);
        desktop.AnswerFile(QString::fromLatin1(p.sPick));
        pDialog->findChild<QPushButton *>(QString::fromLatin1(p.sButton))->click();
        EXPECT_EQ(Read(Plugin()), p.sAfter);
        pDialog->findChild<QPushButton *>(QStringLiteral("cmdCancelSettings"))->click();
        EXPECT_EQ(Read(Plugin()), p.sAfter);
        delete pDialog;
    }
}

} // namespace
