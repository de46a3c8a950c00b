// Edit File, a double-click in the tree and Open Folder on an unpacked archive: the
// program each file type starts with, its arguments, and every message on the way.
#include "editor/frmSettings.h"
#include "support/SettingsKeys.h"
#include "tests/editor/WorkflowFixture.h"

#include <QTest>

namespace {

const QString kMustSelect = QStringLiteral("message box titled \"Keplo\" (icon Information, "
                                           "buttons OK): \"You must select a file to edit.\"");
const QString kCannotEdit =
    QStringLiteral("message box titled \"Keplo\" (icon Exclamation, buttons OKCancel): \"Cannot "
                   "edit file. Try changing your Keplo settings.\"");
const QStringList kEntries = {"scripts/mission.cs",      "gui/main.gui",      "docs/read me.txt",
                              "textures/skins/base.png", "textures/flag.bmp", "sound/boom.wav",
                              "data/level.dat"};

class EditFileTest : public WorkflowTest {
protected:
    EditFileTest() {
        QDir().mkpath(m_sProgs);
        UsePath(true); // the desktop's opener and wine are whatever lies in this folder
    }
    ~EditFileTest() override { qputenv("PATH", m_sOldPath); }

    void UsePath(bool bWithWine) {
        QDir(m_sBin).removeRecursively();
        MakeProgram(m_sBin + "/xdg-open");
        if (bWithWine)
            MakeProgram(m_sBin + "/wine");
        qputenv("PATH", m_sBin.toUtf8());
    }
    static void MakeProgram(const QString &sPath) {
        WriteFile(sPath, "#!/bin/sh\n");
        QFile::setPermissions(sPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static void Configure(const char *sType, const QString &sProgram) {
        SetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, sType, sProgram.toStdString());
    }
    // The archive listed, and unpacked (edit mode) unless told otherwise.
    void Unpack(const QStringList &entries, bool bExtract = true) {
        MakeArchive(QStringLiteral("scripts.vl2"), Texts(entries));
        Load();
        m_pMain->show();
        Choose(QStringLiteral("Scripts"));
        if (bExtract)
            Click("cmdExtract");
    }
    void Select(const QString &sText) {
        Tree()->clearSelection();
        if (!sText.isEmpty())
            Tree()->setCurrentIndex(Node(sText));
    }
    QString Unpacked(const QString &sPath) const { return m_sWork + "/Scripts/" + sPath; }
    static QString OnZ(QString sPath) { return "Z:" + sPath.replace('/', '\\'); }
    QString LastRequest() const { return DescribeRequest(m_desktop.Requests().back()); }
    static QString Started(const QString &sProgram, const QStringList &arguments) {
        FakeDesktop::Request request;
        request.eKind = FakeDesktop::Kind::StartProgram;
        request.sProgram = sProgram;
        request.arguments = arguments;
        return DescribeRequest(request);
    }

    const QString m_sBin = m_home.Path() + "/bin";
    const QString m_sProgs = m_home.Path() + "/progs";
    const QByteArray m_sOldPath = qgetenv("PATH");
};

TEST_F(EditFileTest, EachFileTypeStartsItsProgramInItsFormOrSaysItCannotEdit) {
    const QString sProgs = m_sProgs, sWine = m_sBin + "/wine";
    for (const char *sName : {"my editor", "gimp", "wmplayer.exe.d/play"})
        MakeProgram(sProgs + "/" + sName);
    for (const char *sName : {"Photoshp.exe", "WMPLAYER.EXE", "notepad.exe"})
        WriteFile(sProgs + "/" + sName, "MZ"); // Wine runs them: no execute bit needed
    const QString sCs = Unpacked("scripts/mission.cs"), sPng = Unpacked("textures/skins/base.png");
    const QString sWav = Unpacked("sound/boom.wav");
    const struct {
        const char *sFile;
        std::vector<std::pair<const char *, QString>> programs;
        QString sRequest; // the program start, or the message
    } cases[] = {
        // Text files: the "TXT" program, else the desktop's opener; never their own type's.
        {"mission.cs", {}, Started(m_sBin + "/xdg-open", {sCs})},
        {"main.gui",
         {{"TXT", sProgs + "/my editor"}, {"GUI", sProgs + "/gimp"}},
         Started(sProgs + "/my editor", {Unpacked("gui/main.gui")})},
        {"read me.txt", {{"TXT", sProgs + "/gone"}}, kCannotEdit},
        {"mission.cs",
         {{"TXT", sProgs + "/notepad.exe"}},
         Started(sWine, {sProgs + "/notepad.exe", OnZ(sCs)})},
        // Other files: their type's program, in the Photoshop, Media Player or general form.
        {"base.png",
         {{"PNG", sProgs + "/Photoshp.exe"}},
         Started(sWine, {sProgs + "/Photoshp.exe", OnZ(sPng)})},
        {"flag.bmp",
         {{"BMP", sProgs + "/Photoshp.exe"}},
         Started(sWine, {sProgs + "/Photoshp.exe", OnZ(Unpacked("textures/flag.bmp"))})},
        {"boom.wav",
         {{"WAV", sProgs + "/WMPLAYER.EXE"}},
         Started(sWine, {sProgs + "/WMPLAYER.EXE", "/open", OnZ(sWav)})},
        {"boom.wav",
         {{"WAV", sProgs + "/wmplayer.exe.d/play"}},
         Started(sProgs + "/wmplayer.exe.d/play", {"/open", sWav})},
        {"base.png", {{"PNG", sProgs + "/gimp"}}, Started(sProgs + "/gimp", {sPng})},
        // No program, a folder, a missing or a hidden file.
        {"level.dat", {}, kCannotEdit},
        {"base.png", {{"PNG", sProgs}}, kCannotEdit},
        {"base.png", {{"PNG", sProgs + "/gone"}}, kCannotEdit},
        {"base.png", {{"PNG", sProgs + "/.gimp"}}, kCannotEdit},
    };
    Unpack(kEntries);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sRequest.toStdString());
        for (const char *sType : {"TXT", "GUI", "PNG", "BMP", "WAV"})
            Configure(sType, QString());
        for (const auto &[sType, sProgram] : c.programs)
            Configure(sType, sProgram);
        Select(QString::fromLatin1(c.sFile));
        if (c.sRequest == kCannotEdit)
            m_desktop.AnswerMessage(MsgAnswer::Cancel);
        else
            m_desktop.AnswerStartProgram(true);
        const std::size_t nBefore = m_desktop.Requests().size();
        Click("cmdEditFile");
        EXPECT_EQ(m_desktop.Requests().size(), nBefore + 1);
        EXPECT_EQ(LastRequest(), c.sRequest);
        EXPECT_TRUE(m_pMain->isEnabled());
    }
}

TEST_F(EditFileTest, NothingSelectedAFailedStartOrNoWineSayYouMustSelectAFile) {
    WriteFile(m_sProgs + "/paint.exe", "MZ");
    MakeProgram(m_sProgs + "/gimp");
    Unpack(kEntries);
    const QString sPng = Unpacked("textures/skins/base.png");
    const struct {
        const char *sSelected;
        const char *sProgram;
        bool bWine;
        QStringList requests; // a start that fails, then the message
    } cases[] = {
        {"", "gimp", true, {kMustSelect}},
        {"textures", "gimp", true, {}}, // a category: nothing at all
        {"base.png", "gimp", true, {Started(m_sProgs + "/gimp", {sPng}), kMustSelect}},
        {"base.png", "paint.exe", false, {kMustSelect}},
    };
    for (const auto &c : cases) {
        UsePath(c.bWine);
        Configure("PNG", m_sProgs + "/" + c.sProgram);
        Select(QString::fromLatin1(c.sSelected));
        if (c.requests.size() == 2)
            m_desktop.AnswerStartProgram(false);
        if (!c.requests.isEmpty())
            m_desktop.AnswerMessage(MsgAnswer::OK);
        const std::size_t nBefore = m_desktop.Requests().size();
        Click("cmdEditFile");
        QStringList requests;
        for (std::size_t i = nBefore; i < m_desktop.Requests().size(); ++i)
            requests << DescribeRequest(m_desktop.Requests()[i]);
        EXPECT_EQ(requests, c.requests) << c.sSelected;
    }
}

TEST_F(EditFileTest, OkOnCannotEditOpensTheSettingsDialog) {
    Unpack(kEntries);
    Select(QStringLiteral("level.dat"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdEditFile");
    EXPECT_EQ(LastRequest(), kCannotEdit);
    frmSettings *pDialog = nullptr;
    for (QWidget *pWindow : QApplication::topLevelWidgets())
        if (pWindow->isVisible() && qobject_cast<frmSettings *>(pWindow))
            pDialog = qobject_cast<frmSettings *>(pWindow);
    ASSERT_NE(pDialog, nullptr);
    EXPECT_FALSE(m_pMain->isEnabled());
    QTest::keyClick(pDialog, Qt::Key_Escape);
    EXPECT_TRUE(m_pMain->isEnabled());
}

TEST_F(EditFileTest, DoubleClickEditsAFileOnlyInEditModeAndOpenFolderShowsTheCategory) {
    MakeProgram(m_sProgs + "/gimp");
    Configure("BMP", m_sProgs + "/gimp");
    Unpack(kEntries, false);
    auto doubleClick = [this](const char *sText) {
        Tree()->expandAll();
        QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {},
                           Tree()->visualRect(Node(QString::fromLatin1(sText))).center());
    };
    doubleClick("flag.bmp"); // listed, not unpacked: Edit File is disabled
    EXPECT_TRUE(m_desktop.Requests().empty());

    Click("cmdExtract");
    m_desktop.AnswerStartProgram(true);
    doubleClick("flag.bmp");
    EXPECT_EQ(LastRequest(), Started(m_sProgs + "/gimp", {Unpacked("textures/flag.bmp")}));
    doubleClick("sound"); // a category
    EXPECT_EQ(m_desktop.Requests().size(), 1u);

    const std::pair<const char *, const char *> folders[] = {
        {"base.png", "textures/skins"}, {"sound", "sound"}, {"read me.txt", "docs"}};
    for (const auto &[sSelected, sFolder] : folders) {
        Select(QString::fromLatin1(sSelected));
        m_desktop.AnswerOpenWithShell(true);
        Click("cmdOpenFolder");
        EXPECT_EQ(m_desktop.Requests().back().sPath, Unpacked(QString::fromLatin1(sFolder)));
    }
    Select(QString());
    Click("cmdOpenFolder");
    EXPECT_EQ(m_desktop.Requests().size(), 4u);

    // With no program to show a folder the user is told so, rather than nothing happening.
    Select(QStringLiteral("sound"));
    m_desktop.AnswerOpenWithShell(false);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdOpenFolder");
    const FakeDesktop::Request box = m_desktop.Requests().back();
    EXPECT_EQ(box.sText, QStringLiteral("No program could be found to show the folder. Install a "
                                        "file manager, or open the folder yourself.\n\n") +
                             Unpacked(QStringLiteral("sound")));
    EXPECT_EQ(box.sTitle + QString::number(int(box.eIcon)) + QString::number(int(box.eButtons)),
              QStringLiteral("Keplo") + QString::number(int(MsgIcon::Exclamation)) +
                  QString::number(int(MsgButtons::OK)));
}

TEST_F(EditFileTest, EnterOnAFileEditsItAsADoubleClickDoes) {
    MakeProgram(m_sProgs + "/gimp");
    Configure("BMP", m_sProgs + "/gimp");
    Unpack(kEntries, false);
    Tree()->expandAll();
    Tree()->setFocus();
    auto enter = [this](const char *sText, Qt::Key eKey = Qt::Key_Return,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Select(QString::fromLatin1(sText));
        QTest::keyClick(Tree(), eKey, modifiers);
    };
    enter("flag.bmp"); // listed, not unpacked: Edit File is disabled
    EXPECT_TRUE(m_desktop.Requests().empty());

    Click("cmdExtract");
    m_desktop.AnswerStartProgram(true);
    enter("flag.bmp");
    EXPECT_EQ(LastRequest(), Started(m_sProgs + "/gimp", {Unpacked("textures/flag.bmp")}));
    m_desktop.AnswerStartProgram(true);
    enter("flag.bmp", Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(m_desktop.Requests().size(), 2u);
    // A category, or Enter with a modifier, is left to the tree.
    enter("sound");
    enter("flag.bmp", Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m_desktop.Requests().size(), 2u);
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
    m_sWork = m_home.Path() + QStringLiteral("/work; $PATH 'w'");
    SetRegString(HKEY_LOCAL_MACHINE, kSettingsKey, kWorkFolderValue, m_sWork.toStdString());
    Unpack({"textures/-a b $x;'q'\"d\".png", "textures/plain.bmp"});
    Configure("PNG", sOdd + "/-record $1; args");
    Configure("BMP", sOdd + "/Photoshp.exe");
    qputenv("KEPLO_RECORDED_ARGS", sRecorded.toUtf8());
    SetDesktop(nullptr); // the real services start the programs

    const std::pair<const char *, QStringList> cases[] = {
        {"-a b $x;'q'\"d\".png", {Unpacked("textures/-a b $x;'q'\"d\".png")}},
        {"plain.bmp", {sOdd + "/Photoshp.exe", OnZ(Unpacked("textures/plain.bmp"))}},
    };
    for (const auto &[sFile, expected] : cases) {
        QFile::remove(sRecorded);
        Select(QString::fromUtf8(sFile));
        Click("cmdEditFile");
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(sRecorded); }, 10000)) << sFile;
        QStringList arguments;
        for (const QByteArray &argument : ReadFile(sRecorded).split('\0'))
            arguments << QString::fromUtf8(argument);
        EXPECT_EQ(arguments, expected + QStringList{QString()}) << sFile; // NUL after the last
    }
    SetDesktop(&m_desktop);
    qunsetenv("KEPLO_RECORDED_ARGS");
}

} // namespace
