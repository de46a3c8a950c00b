// The Photoshop PNG plug-in switch on real files, and the pick that runs it.
#include "editor/PhotoshopPngPlugin.h"
#include "editor/frmSettings.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "tests/editor/WorkflowFixture.h"

namespace {

class PhotoshopPngPluginTest : public ::testing::Test {
protected:
    TestHome m_home;
    // Photoshop's folder ends in "/" as its set-up stores it.
    const QString m_sPhotoshop = m_home.Path() + "/Adobe/Photoshop 6.0/";
    const QString m_sPlugin = m_sPhotoshop + "Plug-Ins/Adobe Photoshop Only/File Formats/Png.8bi";
    const QString m_sKeplo = m_home.Path() + "/keplo";

    static void Register(const QString &sFolder) {
        SetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", sFolder.toStdString());
    }
    // The plug-in folder's files with their contents.
    QStringList PluginFolder() const {
        QStringList files;
        const QDir folder = QFileInfo(m_sPlugin).dir();
        for (const QString &sName : folder.entryList(QDir::Files | QDir::Hidden))
            files << sName + "=" + ReadFile(folder.filePath(sName));
        return files;
    }
};

TEST_F(PhotoshopPngPluginTest, OutcomeByWhatLiesOnTheDisk) {
    const struct {
        const char *sRegistered; // "/": as stored by set-up, "": no slash, nullptr: none
        bool bKeplo, bBackup, bPlugin, bReadOnly;
        QStringList after;
    } cases[] = {
        {"/", true, true, true, false, {"Png.8bi=keplo", "Png.8bi.bak=backup"}},
        {"/", true, false, false, false, {"Png.8bi=keplo"}},
        {"/", false, true, true, false, {"Png.8bi=backup", "Png.8bi.bak=backup"}},
        {"", false, true, false, false, {"Png.8bi=backup", "Png.8bi.bak=backup"}},
        {"/", false, false, true, false, {"Png.8bi=photoshop"}},
        {"/", false, false, false, false, {}},
        {nullptr, true, true, true, false, {"Png.8bi=photoshop", "Png.8bi.bak=backup"}},
        // A plug-in that may not be written refuses both copies.
        {"/", true, true, true, true, {"Png.8bi=photoshop", "Png.8bi.bak=backup"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.after.join(' ').toStdString());
        QDir(m_sPhotoshop).removeRecursively();
        QDir(m_sKeplo).removeRecursively();
        QDir().mkpath(QFileInfo(m_sPlugin).path());
        QDir().mkpath(m_sKeplo);
        Register(c.sRegistered ? m_sPhotoshop.chopped(1) + c.sRegistered : QString());
        if (c.bKeplo)
            WriteFile(m_sKeplo + "/Png.8bi", "keplo");
        if (c.bBackup)
            WriteFile(m_sPlugin + ".bak", "backup");
        if (c.bPlugin)
            WriteFile(m_sPlugin, "photoshop");
        if (c.bReadOnly)
            QFile::setPermissions(m_sPlugin, QFile::ReadOwner);
        for (int nRun = 0; nRun < 2; ++nRun) { // again gives the same outcome
            SwitchPhotoshopPngPluginFrom(m_sKeplo.toStdString());
            EXPECT_EQ(PluginFolder(), c.after);
            EXPECT_EQ(QFile::exists(m_sKeplo + "/Png.8bi"), c.bKeplo);
        }
    }
}

TEST_F(PhotoshopPngPluginTest, PickingPhotoshpExeAsThePngEditorSwitchesAtOnceEvenWhenCancelled) {
    for (const char *sYes : {"/w/Photoshp.exe", "PHOTOSHP.EXE", "/a/b c/photoshp.EXE"})
        EXPECT_TRUE(IsPhotoshopProgram(sYes)) << sYes;
    for (const char *sNo : {"/w/Photoshop.exe", "/w/Photoshp.exe.bak", "/Photoshp.exe/run"})
        EXPECT_FALSE(IsPhotoshopProgram(sNo)) << sNo;

    // No plug-in lies beside the test program, so the switch restores the backup.
    Register(m_sPhotoshop);
    WriteFile(m_sPlugin + ".bak", "backup");
    WriteFile(m_sPlugin, "photoshop");
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
        auto *pDialog = new frmSettings(&main);
        desktop.AnswerFile(QString::fromLatin1(p.sPick));
        pDialog->findChild<QPushButton *>(QString::fromLatin1(p.sButton))->click();
        pDialog->findChild<QPushButton *>(QStringLiteral("cmdCancelSettings"))->click();
        EXPECT_EQ(ReadFile(m_sPlugin), p.sAfter) << p.sPick;
        delete pDialog;
    }
}

} // namespace
