// Keplo's settings dialog: its form, the program table it loads and saves, the
// program pickers, its states and how it closes.
#include "editor/frmSettings.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "support/ui/CaptionFont.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace {

const char *const kBoxes[] = {"txtPNG",  "txtJPG",   "txtGIF",  "txtBMP",
                              "txtText", "txtSound", "txtVideo"};
const char *const kValueNames[] = {"PNG", "JPG", "GIF", "BMP", "TXT", "WAV", "MP3", "AVI", "MPG"};

class frmSettingsTest : public ::testing::Test {
protected:
    ~frmSettingsTest() override { delete m_pDialog; }

    void Open() {
        m_main.setEnabled(false);
        m_pDialog = new frmSettings(&m_main);
        m_pDialog->show();
    }
    template <class T> T *Control(const char *sName) {
        T *pControl = m_pDialog->findChild<T *>(QString::fromLatin1(sName));
        EXPECT_NE(pControl, nullptr) << "no control " << sName;
        return pControl;
    }
    QLineEdit *Box(const char *sName) { return Control<QLineEdit>(sName); }
    QPushButton *Button(const char *sName) { return Control<QPushButton>(sName); }
    // Lets the dialog's deferred deletion happen.
    static void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static void Store(const char *sName, const QString &sProgram) {
        SetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, sName, sProgram.toStdString());
    }
    // A program-table value; "<missing>" when it is not there.
    static QString Stored(const char *sName) {
        return QString::fromStdString(
            GetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, sName, "<missing>"));
    }
    static QByteArray StoreBytes() {
        QFile file(QString::fromStdString(RegistryFilePath()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestHome m_home;
    FakeDesktop m_desktop;
    QWidget m_main; // stands for the main window that opens the dialog
    QPointer<frmSettings> m_pDialog;
};

TEST_F(frmSettingsTest, EveryControlLiesWhereTheFormLaysItOutInTabOrderWithItsCaption) {
    struct Expected {
        const char *sName;
        const char *sClass;
        const char *sCaption;
        const char *sIn; // the frame it lies in; nullptr for the dialog itself
        int l, t, w, h;
    };
    const Expected controls[] = {
        {"fraImages", "QGroupBox", "Images", nullptr, 8, 8, 313, 321},
        {"Label5", "QLabel", "&PNG Image Editor", "fraImages", 8, 28, 293, 17},
        {"txtPNG", "QLineEdit", nullptr, "fraImages", 8, 44, 293, 21},
        {"cmdPNGbrowse", "QPushButton", "Browse...", "fraImages", 220, 68, 81, 25},
        {"Label3", "QLabel", "&JPEG Image Editor", "fraImages", 8, 100, 293, 17},
        {"txtJPG", "QLineEdit", nullptr, "fraImages", 8, 116, 293, 21},
        {"cmdJPGbrowse", "QPushButton", "Browse...", "fraImages", 220, 140, 81, 25},
        {"Label2", "QLabel", "&GIF Image Editor", "fraImages", 8, 172, 293, 17},
        {"txtGIF", "QLineEdit", nullptr, "fraImages", 8, 188, 293, 21},
        {"cmdGIFbrowse", "QPushButton", "Browse...", "fraImages", 220, 212, 81, 25},
        {"Label4", "QLabel", "&BMP Image Editor", "fraImages", 8, 244, 293, 17},
        {"txtBMP", "QLineEdit", nullptr, "fraImages", 8, 260, 293, 21},
        {"cmdBMPbrowse", "QPushButton", "Browse...", "fraImages", 220, 284, 81, 25},
        {"fraOtherFiles", "QGroupBox", "Other Files", nullptr, 332, 8, 313, 249},
        {"Label8", "QLabel", "&Text Editor", "fraOtherFiles", 8, 28, 293, 17},
        {"txtText", "QLineEdit", nullptr, "fraOtherFiles", 8, 44, 293, 21},
        {"cmdTextbrowse", "QPushButton", "Browse...", "fraOtherFiles", 220, 68, 81, 25},
        {"Label10", "QLabel", "&Sound Editor", "fraOtherFiles", 8, 100, 293, 17},
        {"txtSound", "QLineEdit", nullptr, "fraOtherFiles", 8, 116, 293, 21},
        {"cmdSoundbrowse", "QPushButton", "Browse...", "fraOtherFiles", 220, 140, 81, 25},
        {"Label11", "QLabel", "&Video Editor", "fraOtherFiles", 8, 172, 293, 17},
        {"txtVideo", "QLineEdit", nullptr, "fraOtherFiles", 8, 188, 293, 21},
        {"cmdVideobrowse", "QPushButton", "Browse...", "fraOtherFiles", 220, 212, 81, 25},
        {"cmdSaveSettings", "QPushButton", "&OK", nullptr, 380, 272, 81, 25},
        {"cmdCancelSettings", "QPushButton", "&Cancel", nullptr, 472, 272, 81, 25},
        {"cmdApplySettings", "QPushButton", "&Apply", nullptr, 564, 272, 81, 25},
        {"lblInfo", "QLabel", nullptr, nullptr, 332, 312, 313, 17},
    };
    Open();
    EXPECT_EQ(m_pDialog->windowTitle(), QStringLiteral("Keplo Settings"));
    EXPECT_EQ(m_pDialog->size(), QSize(656, 339));
    EXPECT_EQ(m_pDialog->minimumSize(), m_pDialog->maximumSize());
    QStringList focusOrder;
    for (const Expected &c : controls) {
        SCOPED_TRACE(c.sName);
        QWidget *pControl = Control<QWidget>(c.sName);
        ASSERT_NE(pControl, nullptr);
        EXPECT_STREQ(pControl->metaObject()->className(), c.sClass);
        EXPECT_EQ(pControl->geometry(), QRect(c.l, c.t, c.w, c.h));
        EXPECT_EQ(pControl->parentWidget()->objectName(),
                  QString::fromLatin1(c.sIn ? c.sIn : "frmSettings"));
        QString sCaption;
        if (auto *pButton = qobject_cast<QPushButton *>(pControl))
            sCaption = pButton->text();
        else if (auto *pFrame = qobject_cast<QGroupBox *>(pControl))
            sCaption = pFrame->title();
        else if (auto *pLabel = qobject_cast<QLabel *>(pControl))
            sCaption = pLabel->text();
        EXPECT_EQ(sCaption, c.sCaption ? QString::fromLatin1(c.sCaption) : sCaption);
        // A label's access key moves the focus to the box that follows it.
        if (auto *pLabel = qobject_cast<QLabel *>(pControl); pLabel && sCaption.startsWith('&')) {
            ASSERT_NE(pLabel->buddy(), nullptr);
            EXPECT_EQ(pLabel->buddy()->objectName(), QString::fromLatin1((&c)[1].sName));
        }
        if (pControl->focusPolicy() & Qt::TabFocus)
            focusOrder << pControl->objectName();
    }
    // Tab walks the controls that take the focus in the order of the table.
    QStringList walked;
    QWidget *pWidget = Box("txtPNG");
    for (qsizetype i = 0; i < focusOrder.size(); ++i, pWidget = pWidget->nextInFocusChain()) {
        while (!(pWidget->focusPolicy() & Qt::TabFocus))
            pWidget = pWidget->nextInFocusChain();
        walked << pWidget->objectName();
    }
    EXPECT_EQ(walked, focusOrder);

    EXPECT_TRUE(CaptionsFit(m_pDialog));
    EXPECT_FALSE(Control<QLabel>("lblInfo")->text().isEmpty());
    for (const char *sBox : kBoxes)
        EXPECT_TRUE(Box(sBox)->isReadOnly()) << sBox;
    EXPECT_EQ(m_pDialog->focusWidget(), Box("txtPNG"));
    EXPECT_TRUE(Button("cmdSaveSettings")->isDefault());
    EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());
}

TEST_F(frmSettingsTest, OkWritesNineValuesInOrderAndLoadShowsOneOfEachPair) {
    // Without a program table: seven empty boxes, and OK stores nine empty values.
    Open();
    for (const char *sBox : kBoxes)
        EXPECT_TRUE(Box(sBox)->text().isEmpty()) << sBox;
    Button("cmdSaveSettings")->click();
    const QByteArray store = StoreBytes();
    qsizetype nAt = 0; // the values stand in the store in the order they were written
    for (const char *sName : kValueNames) {
        EXPECT_EQ(Stored(sName), QString()) << sName;
        nAt = store.indexOf(QByteArray("\"") + sName + "\"=\"\"", nAt) + 1;
        EXPECT_GT(nAt, 0) << sName;
    }

    for (const char *sName : kValueNames)
        Store(sName, QStringLiteral("/p/") + QLatin1String(sName));
    Open();
    const char *const shown[] = {"PNG", "JPG", "GIF", "BMP", "TXT", "WAV", "AVI"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Box(kBoxes[i])->text(), QStringLiteral("/p/") + QLatin1String(shown[i]));
}

TEST_F(frmSettingsTest, EachBrowseButtonPicksIntoItsBoxAndOpensAtTheLastPick) {
    const struct {
        const char *sButton;
        const char *sTitle;
        const char *sBox;
    } buttons[] = {
        {"cmdPNGbrowse", "PNG Editor...", "txtPNG"},
        {"cmdJPGbrowse", "JPG Editor...", "txtJPG"},
        {"cmdGIFbrowse", "GIF Editor...", "txtGIF"},
        {"cmdBMPbrowse", "BMP Editor...", "txtBMP"},
        {"cmdTextbrowse", "Text Editor...", "txtText"},
        {"cmdSoundbrowse", "Sound Editor...", "txtSound"},
        {"cmdVideobrowse", "Video Editor...", "txtVideo"},
    };
    Store("PNG", QStringLiteral("/usr/bin/gimp"));
    Open();
    // A cancelled pick changes nothing.
    m_desktop.AnswerFile(std::nullopt);
    Button("cmdPNGbrowse")->click();
    EXPECT_EQ(Box("txtPNG")->text(), QStringLiteral("/usr/bin/gimp"));
    EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());

    QString sLastPick = QStringLiteral("/usr/bin");
    for (const auto &b : buttons) {
        SCOPED_TRACE(b.sButton);
        const QString sPick = QStringLiteral("/opt/%1 editor/run").arg(QLatin1String(b.sBox));
        m_desktop.AnswerFile(sPick);
        Button(b.sButton)->click();
        const FakeDesktop::Request asked = m_desktop.Requests().back();
        EXPECT_EQ(asked.eKind, FakeDesktop::Kind::ProgramFile);
        EXPECT_EQ(asked.sTitle, QString::fromLatin1(b.sTitle));
        EXPECT_EQ(asked.sStartFolder, sLastPick);
        EXPECT_TRUE(asked.bHadOwner);
        EXPECT_EQ(Box(b.sBox)->text(), sPick);
        EXPECT_TRUE(Button("cmdApplySettings")->isEnabled());
        sLastPick = sPick;
        // Apply saves and waits for the next pick.
        Button("cmdApplySettings")->click();
        EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());
    }
    EXPECT_TRUE(m_pDialog->isVisible());
    EXPECT_EQ(Stored("MP3"), Stored("WAV"));
    EXPECT_EQ(Stored("MPG"), QStringLiteral("/opt/txtVideo editor/run"));
}

TEST_F(frmSettingsTest, OnlyOkCancelAndEscapeCloseTheDialogAndGiveTheMainWindowBack) {
    Open();
    EXPECT_FALSE(m_pDialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCloseEvent request; // the window manager's (Alt+F4, the title bar)
    QSpontaneKeyEvent::setSpontaneous(&request);
    QApplication::instance()->notify(m_pDialog, &request);
    Settle();
    ASSERT_FALSE(m_pDialog.isNull());
    EXPECT_TRUE(m_pDialog->isVisible());
    EXPECT_FALSE(m_main.isEnabled());
    delete m_pDialog;

    const struct {
        const char *sHow;
        bool bSaved;
    } closings[] = {{"OK", true}, {"Enter", true}, {"Cancel", false}, {"Escape", false}};
    for (const auto &c : closings) {
        SCOPED_TRACE(c.sHow);
        Store("WAV", QStringLiteral("/old/wav"));
        Store("MP3", QStringLiteral("/old/mp3"));
        m_main.hide();
        Open();
        EXPECT_FALSE(m_main.isEnabled());
        m_desktop.AnswerFile(QStringLiteral("/usr/bin/audacity"));
        Button("cmdSoundbrowse")->click();
        const QString sHow = QString::fromLatin1(c.sHow);
        if (sHow == QLatin1String("OK"))
            Button("cmdSaveSettings")->click();
        else if (sHow == QLatin1String("Cancel"))
            Button("cmdCancelSettings")->click();
        else
            QTest::keyClick(Box("txtVideo"),
                            sHow == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_FALSE(m_pDialog->isVisible());
        EXPECT_TRUE(m_main.isEnabled());
        EXPECT_TRUE(m_main.isVisible());
        Settle();
        EXPECT_TRUE(m_pDialog.isNull()); // unloaded
        EXPECT_EQ(Stored("WAV"), c.bSaved ? "/usr/bin/audacity" : "/old/wav");
        EXPECT_EQ(Stored("MP3"), c.bSaved ? "/usr/bin/audacity" : "/old/mp3");
    }
}

TEST_F(frmSettingsTest, AStoreThatCannotBeWrittenIsToldAndTheDialogKeepsTheChoices) {
    Store("PNG", QStringLiteral("/usr/bin/gimp"));
    Store("TXT", QStringLiteral("/usr/bin/gedit"));
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, "/work");
    const QByteArray before = StoreBytes();
    // Every writer takes the store's lock file; a folder in its place refuses them all.
    const QString sLock = QString::fromStdString(RegistryFilePath() + ".lock");
    QFile::remove(sLock);
    ASSERT_TRUE(QDir().mkpath(sLock));
    Open();
    m_desktop.AnswerFile(QStringLiteral("/usr/bin/krita"));
    Button("cmdPNGbrowse")->click();
    for (const char *sButton : {"cmdApplySettings", "cmdSaveSettings"}) {
        m_desktop.AnswerMessage(MsgAnswer::OK);
        Button(sButton)->click();
        Settle();
        const FakeDesktop::Request box = m_desktop.Messages().back();
        EXPECT_TRUE(IsTextWithReason(box.sText,
                                     QStringLiteral("Your settings could not be saved. Nothing "
                                                    "was changed; your choices are still here."),
                                     QStringLiteral("cannot lock"),
                                     QString::fromStdString(RegistryFilePath())))
            << sButton;
        EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
        EXPECT_EQ(box.eIcon, MsgIcon::Critical);
        // Nothing half-written, and nothing of the user's lost: the dialog stays open
        // with the choice, Apply still offered, the main window still behind it.
        EXPECT_EQ(StoreBytes(), before);
        ASSERT_FALSE(m_pDialog.isNull()) << sButton;
        EXPECT_EQ(Box("txtPNG")->text(), QStringLiteral("/usr/bin/krita"));
        EXPECT_TRUE(Button("cmdApplySettings")->isEnabled());
        EXPECT_FALSE(m_main.isEnabled());
    }

    // Once the store can be written again, OK saves every choice and closes.
    ASSERT_TRUE(QDir().rmdir(sLock));
    Button("cmdSaveSettings")->click();
    Settle();
    EXPECT_TRUE(m_pDialog.isNull());
    EXPECT_EQ(Stored("PNG"), QStringLiteral("/usr/bin/krita"));
    EXPECT_EQ(Stored("TXT"), QStringLiteral("/usr/bin/gedit"));
    EXPECT_TRUE(m_main.isEnabled());
}

} // namespace

TEST_F(frmSettingsTest, DeleteOrBackspaceClearsAProgramBoxSoTheTypeCanHaveNoProgramAgain) {
    for (const char *sName : kValueNames)
        Store(sName, QStringLiteral("/usr/bin/") + QString::fromLatin1(sName).toLower());
    Open();
    EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());

    // An empty box stays as it is: nothing to apply.
    Store("JPG", QString());
    delete m_pDialog;
    Open();
    QTest::keyClick(Box("txtJPG"), Qt::Key_Backspace);
    EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());

    QTest::keyClick(Box("txtPNG"), Qt::Key_Delete);
    QTest::keyClick(Box("txtSound"), Qt::Key_Backspace);
    EXPECT_EQ(Box("txtPNG")->text() + Box("txtSound")->text(), QString());
    EXPECT_EQ(Box("txtGIF")->text(), QStringLiteral("/usr/bin/gif"));
    ASSERT_TRUE(Button("cmdApplySettings")->isEnabled());
    Button("cmdApplySettings")->click();
    EXPECT_EQ(Stored("PNG") + Stored("WAV") + Stored("MP3"), QString());
    EXPECT_EQ(Stored("GIF"), QStringLiteral("/usr/bin/gif"));
    EXPECT_FALSE(Button("cmdApplySettings")->isEnabled());
}
