// Edit File, a double-click in the tree and Open Folder on an unpacked archive: the
// program each file type starts with, its arguments, and every message on the way.
#include "editor/frmSettings.h"
#include "support/SettingsKeys.h"
#include "tests/editor/WorkflowFixture.h"

#include <QTest>

namespace {

class EditFileTest : public WorkflowTest {
protected:
    EditFileTest() : m_sBin(m_home.Path() + "/bin"), m_sProgs(m_home.Path() + "/progs") {
        m_sOldPath = qgetenv("PATH");
        QDir().mkpath(m_sProgs);
        // The desktop's opener and wine are whatever lies in this folder.
        UsePath(true);
    }
    ~EditFileTest() override { qputenv("PATH", m_sOldPath); }

    void UsePath(bool bWithWine) {
        QDir(m_sBin).removeRecursively();
        MakeProgram(m_sBin + "/xdg-open");
        if (bWithWine)
            MakeProgram(m_sBin + "/wine");
        qputenv("PATH", m_sBin.toUtf8());
    }
    static void MakeProgram(const QString &sPath, const QByteArray &content = "#!/bin/sh\n") {
        WriteFile(sPath, content);
        QFile::setPermissions(sPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static void Configure(const char *sType, const QString &sProgram) {
        SetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, sType, sProgram.toStdString());
    }

    // The archive unpacked, in edit mode.
    void Unpack(const QStringList &entries) {
        MakeArchive(QStringLiteral("scripts.vl2"), Texts(entries));
        Load();
        m_pMain->show();
        Choose(QStringLiteral("Scripts"));
        Click("cmdExtract");
        ASSERT_EQ(EnabledButtons(), EditButtons());
    }
    QTreeWidgetItem *Node(const QString &sCategory, const QString &sFile = QString()) {
        const QList<QTreeWidgetItem *> found =
            Tree()->findItems(sCategory, Qt::MatchExactly | Qt::MatchCaseSensitive);
        EXPECT_FALSE(found.isEmpty()) << sCategory.toStdString();
        if (found.isEmpty())
            return nullptr;
        QTreeWidgetItem *pCategory = found.first();
        if (sFile.isEmpty())
            return pCategory;
        for (int i = 0; i < pCategory->childCount(); ++i)
            if (pCategory->child(i)->text(0) == sFile)
                return pCategory->child(i);
        ADD_FAILURE() << "no file " << sFile.toStdString();
        return nullptr;
    }
    void Select(QTreeWidgetItem *pNode) {
        ASSERT_NE(pNode, nullptr);
        Tree()->setCurrentItem(pNode);
        ASSERT_TRUE(pNode->isSelected());
    }
    QString Unpacked(const QString &sPath) const {
        return m_sWork + QStringLiteral("/Scripts/") + sPath;
    }
    static QString OnZ(QString sPath) { return "Z:" + sPath.replace('/', '\\'); }

    void ExpectMessage(const FakeDesktop::Request &request, const char *sText, MsgButtons eButtons,
                       MsgIcon eIcon) {
        EXPECT_EQ(request.eKind, FakeDesktop::Kind::MessageBox);
        EXPECT_EQ(request.sText, QString::fromLatin1(sText));
        EXPECT_EQ(request.eButtons, eButtons);
        EXPECT_EQ(request.eIcon, eIcon);
        EXPECT_EQ(request.sTitle, QStringLiteral("Keplo"));
    }
    void ExpectMustSelect(const FakeDesktop::Request &request) {
        ExpectMessage(request, "You must select a file to edit.", MsgButtons::OK,
                      MsgIcon::Information);
    }
    void ExpectCannotEdit(const FakeDesktop::Request &request) {
        ExpectMessage(request, "Cannot edit file. Try changing your Keplo settings.",
                      MsgButtons::OKCancel, MsgIcon::Exclamation);
    }
    frmSettings *OpenDialog() {
        for (QWidget *pWindow : QApplication::topLevelWidgets())
            if (auto *pDialog = qobject_cast<frmSettings *>(pWindow);
                pDialog && pDialog->isVisible())
                return pDialog;
        return nullptr;
    }

    QString m_sBin;
    QString m_sProgs;
    QByteArray m_sOldPath;
};

const QStringList kEntries = {"scripts/mission.cs",      "gui/main.gui",      "docs/read me.txt",
                              "textures/skins/base.png", "textures/flag.bmp", "sound/boom.wav",
                              "data/level.dat"};

TEST_F(EditFileTest, EachFileTypeStartsItsProgramInItsFormOrSaysItCannotEdit) {
    const QString sProgs = m_sProgs;
    MakeProgram(sProgs + "/my editor");
    MakeProgram(sProgs + "/gimp");
    MakeProgram(sProgs + "/wmplayer.exe.d/play");
    WriteFile(sProgs + "/Photoshp.exe", "MZ");
    WriteFile(sProgs + "/WMPLAYER.EXE", "MZ");
    WriteFile(sProgs + "/notepad.exe", "MZ");
    const QString sWine = m_sBin + "/wine";
    struct Case {
        const char *sCategory;
        const char *sFile;
        std::vector<std::pair<const char *, QString>> programs;
        QString sStarted; // empty: the cannot-edit message
        QStringList arguments;
    };
    const QString sCs = Unpacked("scripts/mission.cs");
    const QString sPng = Unpacked("textures/skins/base.png");
    const QString sWav = Unpacked("sound/boom.wav");
    const Case cases[] = {
        // Text files: the "TXT" program, else the desktop's opener; never their own type's.
        {"scripts", "mission.cs", {}, m_sBin + "/xdg-open", {sCs}},
        {"gui",
         "main.gui",
         {{"TXT", sProgs + "/my editor"}, {"GUI", sProgs + "/gimp"}},
         sProgs + "/my editor",
         {Unpacked("gui/main.gui")}},
        {"docs", "read me.txt", {{"TXT", sProgs + "/gone"}}, {}, {}},
        {"scripts",
         "mission.cs",
         {{"TXT", sProgs + "/notepad.exe"}},
         sWine,
         {sProgs + "/notepad.exe", OnZ(sCs)}},
        // Other files: their type's program, in the Photoshop, Media Player or general form.
        {"textures\\skins",
         "base.png",
         {{"PNG", sProgs + "/Photoshp.exe"}},
         sWine,
         {sProgs + "/Photoshp.exe", OnZ(sPng)}},
        {"textures",
         "flag.bmp",
         {{"BMP", sProgs + "/Photoshp.exe"}},
         sWine,
         {sProgs + "/Photoshp.exe", OnZ(Unpacked("textures/flag.bmp"))}},
        {"sound",
         "boom.wav",
         {{"WAV", sProgs + "/WMPLAYER.EXE"}},
         sWine,
         {sProgs + "/WMPLAYER.EXE", "/open", OnZ(sWav)}},
        {"sound",
         "boom.wav",
         {{"WAV", sProgs + "/wmplayer.exe.d/play"}},
         sProgs + "/wmplayer.exe.d/play",
         {"/open", sWav}},
        {"textures\\skins", "base.png", {{"PNG", sProgs + "/gimp"}}, sProgs + "/gimp", {sPng}},
        {"data", "level.dat", {}, {}, {}},
        {"textures\\skins", "base.png", {{"PNG", sProgs}}, {}, {}},
        {"textures\\skins", "base.png", {{"PNG", sProgs + "/gone"}}, {}, {}},
        {"textures\\skins", "base.png", {{"PNG", sProgs + "/.gimp"}}, {}, {}},
    };
    Unpack(kEntries);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.sFile << " " << c.sStarted.toStdString());
        for (const char *sType : {"TXT", "GUI", "PNG", "BMP", "WAV", "DAT"})
            Configure(sType, QString());
        for (const auto &[sType, sProgram] : c.programs)
            Configure(sType, sProgram);
        Select(Node(QString::fromLatin1(c.sCategory), QString::fromLatin1(c.sFile)));
        const std::size_t nBefore = m_desktop.Requests().size();
        if (c.sStarted.isEmpty())
            m_desktop.AnswerMessage(MsgAnswer::Cancel);
        else
            m_desktop.AnswerStartProgram(true);

        Click("cmdEditFile");

        ASSERT_EQ(m_desktop.Requests().size(), nBefore + 1);
        const FakeDesktop::Request &request = m_desktop.Requests().back();
        if (c.sStarted.isEmpty()) {
            ExpectCannotEdit(request);
        } else {
            EXPECT_EQ(request.eKind, FakeDesktop::Kind::StartProgram);
            EXPECT_EQ(request.sProgram, c.sStarted);
            EXPECT_EQ(request.arguments, c.arguments);
        }
        EXPECT_TRUE(m_pMain->isEnabled());
    }
}

TEST_F(EditFileTest, NothingSelectedAFailedStartOrNoWineSayYouMustSelectAFile) {
    WriteFile(m_sProgs + "/paint.exe", "MZ");
    MakeProgram(m_sProgs + "/gimp");
    Unpack(kEntries);
    Tree()->clearSelection();
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdEditFile");
    ASSERT_EQ(m_desktop.Requests().size(), 1u);
    ExpectMustSelect(m_desktop.Requests()[0]);

    // A category: nothing at all.
    Select(Node(QStringLiteral("textures")));
    Click("cmdEditFile");
    EXPECT_EQ(m_desktop.Requests().size(), 1u);

    Configure("PNG", m_sProgs + "/gimp");
    Select(Node(QStringLiteral("textures\\skins"), QStringLiteral("base.png")));
    m_desktop.AnswerStartProgram(false);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdEditFile");
    ASSERT_EQ(m_desktop.Requests().size(), 3u);
    ExpectMustSelect(m_desktop.Requests()[2]);

    // A Windows program without wine on PATH cannot start.
    UsePath(false);
    Configure("PNG", m_sProgs + "/paint.exe");
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdEditFile");
    ASSERT_EQ(m_desktop.Requests().size(), 4u);
    ExpectMustSelect(m_desktop.Requests()[3]);
}

TEST_F(EditFileTest, OkOnCannotEditOpensTheSettingsDialog) {
    Unpack(kEntries);
    Select(Node(QStringLiteral("data"), QStringLiteral("level.dat")));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdEditFile");
    ExpectCannotEdit(m_desktop.Requests().back());
    frmSettings *pDialog = OpenDialog();
    ASSERT_NE(pDialog, nullptr);
    EXPECT_FALSE(m_pMain->isEnabled());
    QTest::keyClick(pDialog, Qt::Key_Escape);
    EXPECT_TRUE(m_pMain->isEnabled());
    EXPECT_EQ(OpenDialog(), nullptr);
}

TEST_F(EditFileTest, DoubleClickEditsAFileOnlyInEditMode) {
    MakeProgram(m_sProgs + "/gimp");
    Configure("BMP", m_sProgs + "/gimp");
    MakeArchive(QStringLiteral("scripts.vl2"), Texts(kEntries));
    Load();
    m_pMain->show();
    Choose(QStringLiteral("Scripts"));
    auto doubleClick = [this](QTreeWidgetItem *pNode) {
        Tree()->scrollToItem(pNode);
        QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {},
                           Tree()->visualItemRect(pNode).center());
    };
    // Listed, not unpacked: Edit File is disabled and a double-click does nothing.
    Node(QStringLiteral("textures"))->setExpanded(true);
    doubleClick(Node(QStringLiteral("textures"), QStringLiteral("flag.bmp")));
    EXPECT_TRUE(m_desktop.Requests().empty());

    Click("cmdExtract");
    Node(QStringLiteral("textures"))->setExpanded(true);
    m_desktop.AnswerStartProgram(true);
    doubleClick(Node(QStringLiteral("textures"), QStringLiteral("flag.bmp")));
    ASSERT_EQ(m_desktop.Requests(FakeDesktop::Kind::StartProgram).size(), 1u);
    EXPECT_EQ(m_desktop.Requests().back().arguments,
              QStringList{Unpacked(QStringLiteral("textures/flag.bmp"))});

    doubleClick(Node(QStringLiteral("sound")));
    EXPECT_EQ(m_desktop.Requests().size(), 1u);
}

TEST_F(EditFileTest, OpenFolderShowsTheSelectedCategorysFolder) {
    Unpack(kEntries);
    const struct {
        const char *sCategory;
        const char *sFile;
        const char *sOpened;
    } cases[] = {
        {"textures\\skins", "base.png", "textures/skins"},
        {"sound", nullptr, "sound"},
        {"docs", "read me.txt", "docs"},
    };
    for (const auto &c : cases) {
        Select(Node(QString::fromLatin1(c.sCategory),
                    c.sFile ? QString::fromLatin1(c.sFile) : QString()));
        m_desktop.AnswerOpenWithShell(false); // a failure is not reported
        Click("cmdOpenFolder");
        EXPECT_EQ(m_desktop.Requests().back().eKind, FakeDesktop::Kind::OpenWithShell);
        EXPECT_EQ(m_desktop.Requests().back().sPath, Unpacked(QString::fromLatin1(c.sOpened)));
    }
    Tree()->clearSelection();
    Click("cmdOpenFolder");
    EXPECT_EQ(m_desktop.Requests().size(), 3u);
}

// The real process start: a path with blanks, quotes, "$", ";" and a leading "-"
// reaches the program as one argument, for a Linux program and through wine.
TEST_F(EditFileTest, TheProgramReceivesTheFileAsOneArgumentUnchanged) {
    const QString sOdd = m_home.Path() + QStringLiteral("/odd 'q' \"d\" $HOME; -x");
    const QString sRecorded = m_home.Path() + QStringLiteral("/recorded");
    QFile::remove(m_sBin + "/wine");
    ASSERT_TRUE(QFile::copy(QStringLiteral(RECORD_ARGS_PROGRAM), m_sBin + "/wine"));
    QDir().mkpath(sOdd);
    ASSERT_TRUE(QFile::copy(QStringLiteral(RECORD_ARGS_PROGRAM), sOdd + "/-record $1; args"));
    WriteFile(sOdd + "/Photoshp.exe", "MZ");
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue,
                 (m_home.Path() + QStringLiteral("/work; $PATH 'w'")).toStdString());
    m_sWork = m_home.Path() + QStringLiteral("/work; $PATH 'w'");
    Unpack({"textures/-a b $x;'q'\"d\".png", "textures/plain.bmp"});
    Configure("PNG", sOdd + "/-record $1; args");
    Configure("BMP", sOdd + "/Photoshp.exe");
    qputenv("KEPLO_RECORDED_ARGS", sRecorded.toUtf8());
    SetDesktop(nullptr); // the real services start the programs

    const struct {
        const char *sFile;
        QStringList arguments;
    } cases[] = {
        {"-a b $x;'q'\"d\".png", {Unpacked(QStringLiteral("textures/-a b $x;'q'\"d\".png"))}},
        {"plain.bmp",
         {sOdd + "/Photoshp.exe", OnZ(Unpacked(QStringLiteral("textures/plain.bmp")))}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sFile);
        QFile::remove(sRecorded);
        Select(Node(QStringLiteral("textures"), QString::fromUtf8(c.sFile)));
        Click("cmdEditFile");
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(sRecorded); }, 10000));
        QList<QByteArray> recorded = ReadFile(sRecorded).split('\0');
        recorded.removeLast(); // after the last argument's NUL
        QStringList arguments;
        for (const QByteArray &argument : recorded)
            arguments << QString::fromUtf8(argument);
        EXPECT_EQ(arguments, c.arguments);
    }
    SetDesktop(&m_desktop);
    qunsetenv("KEPLO_RECORDED_ARGS");
}

} // namespace
