// The real desktop services, driven headless: a message box is answered by a timer
// that inspects it and clicks one of its buttons, and a program start is checked by
// what the started program writes down.
#include "platform/desktop/DesktopServices.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct SeenBox {
    bool bSeen = false;
    QString sTitle;
    QString sText;
    Qt::TextFormat eFormat = Qt::AutoText;
    QMessageBox::Icon eIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton eDefault = QMessageBox::NoButton;
};

// Shows a box through the real services and answers it with eClick (NoButton: Escape).
MsgAnswer ShowAndAnswer(const QString &sText, MsgButtons eButtons, MsgIcon eIcon,
                        const QString &sTitle, QMessageBox::StandardButton eClick, SeenBox &seen,
                        std::optional<MsgAnswer> eDefault = std::nullopt) {
    QTimer::singleShot(0, [&] {
        auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!pBox)
            return;
        seen.bSeen = true;
        seen.sTitle = pBox->windowTitle();
        seen.sText = pBox->text();
        seen.eFormat = pBox->textFormat();
        seen.eIcon = pBox->icon();
        seen.buttons = pBox->standardButtons();
        seen.eDefault = pBox->defaultButton() ? pBox->standardButton(pBox->defaultButton())
                                              : QMessageBox::NoButton;
        if (eClick == QMessageBox::NoButton)
            QTest::keyClick(pBox, Qt::Key_Escape);
        else
            pBox->button(eClick)->click();
    });
    return Desktop().MessageBox(nullptr, sText, eButtons, eIcon, sTitle, eDefault);
}

} // namespace

TEST(RealDesktopServices, MessageBoxShowsExactlyTheTitleTextIconAndButtonsAsked) {
    SeenBox seen;
    const MsgAnswer eAnswer = ShowAndAnswer(
        QStringLiteral("Keplo could not detect Tribes 2 on your computer."), MsgButtons::OK,
        MsgIcon::Critical, QStringLiteral("Keplo"), QMessageBox::Ok, seen);

    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.sTitle, QStringLiteral("Keplo"));
    EXPECT_EQ(seen.sText, QStringLiteral("Keplo could not detect Tribes 2 on your computer."));
    EXPECT_EQ(seen.eIcon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(eAnswer, MsgAnswer::OK);
}

TEST(RealDesktopServices, EachIconAndButtonSetMapsToItsQtCounterpart) {
    struct Case {
        MsgIcon eIcon;
        MsgButtons eButtons;
        QMessageBox::Icon eQtIcon;
        QMessageBox::StandardButtons qtButtons;
        QMessageBox::StandardButton eClick;
        MsgAnswer eAnswer;
    };
    const Case cases[] = {
        {MsgIcon::Exclamation, MsgButtons::OKCancel, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, MsgAnswer::Cancel},
        {MsgIcon::Question, MsgButtons::YesNo, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::No, MsgAnswer::No},
        {MsgIcon::Information, MsgButtons::YesNoCancel, QMessageBox::Information,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
         MsgAnswer::Yes},
        {MsgIcon::None, MsgButtons::OK, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok,
         MsgAnswer::OK},
    };
    for (const Case &c : cases) {
        SeenBox seen;
        const MsgAnswer eAnswer = ShowAndAnswer(QStringLiteral("Text"), c.eButtons, c.eIcon,
                                                QStringLiteral("Title"), c.eClick, seen);
        ASSERT_TRUE(seen.bSeen);
        EXPECT_EQ(seen.eIcon, c.eQtIcon);
        EXPECT_EQ(seen.buttons, c.qtButtons);
        EXPECT_EQ(eAnswer, c.eAnswer);
    }
}

TEST(RealDesktopServices, MessageTextIsShownAsPlainTextWithItsLineBreaks) {
    SeenBox seen;
    const QString sText = QStringLiteral("Cannot open\n\n/tmp/<b>odd</b> & name.png");
    ShowAndAnswer(sText, MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Keplo"),
                  QMessageBox::Ok, seen);

    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.sText, sText);
    EXPECT_EQ(seen.eFormat, Qt::PlainText);
}

TEST(RealDesktopServices, EnterPressesTheFirstButtonUnlessTheBoxNamesAnother) {
    const struct {
        MsgButtons eButtons;
        std::optional<MsgAnswer> eDefault;
        QMessageBox::StandardButton eExpected;
    } cases[] = {
        {MsgButtons::YesNo, std::nullopt, QMessageBox::Yes},
        {MsgButtons::YesNo, MsgAnswer::No, QMessageBox::No},
        {MsgButtons::YesNoCancel, MsgAnswer::Cancel, QMessageBox::Cancel},
        {MsgButtons::OKCancel, std::nullopt, QMessageBox::Ok},
        // A button the box does not have leaves the first one the default.
        {MsgButtons::OK, MsgAnswer::No, QMessageBox::Ok},
    };
    for (const auto &c : cases) {
        SeenBox seen;
        ShowAndAnswer(QStringLiteral("Replace it?"), c.eButtons, MsgIcon::Question,
                      QStringLiteral("Keplo"), QMessageBox::NoButton, seen, c.eDefault);
        ASSERT_TRUE(seen.bSeen);
        EXPECT_EQ(seen.eDefault, c.eExpected);
    }
}

TEST(RealDesktopServices, EscapeOnAYesNoBoxAnswersNo) {
    SeenBox seen;
    const MsgAnswer eAnswer =
        ShowAndAnswer(QStringLiteral("Replace it?"), MsgButtons::YesNo, MsgIcon::Question,
                      QStringLiteral("Keplo"), QMessageBox::NoButton, seen);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(eAnswer, MsgAnswer::No);
}

TEST(RealDesktopServices, StartProgramPassesEachArgumentWholeWithoutAShell) {
    TestHome home;
    const QString sFolder = home.Path() + QStringLiteral("/folder with blanks");
    ASSERT_TRUE(QDir().mkpath(sFolder));
    const QString sProgram = sFolder + QStringLiteral("/record args");
    const QString sOutput = home.Path() + QStringLiteral("/args.txt");
    {
        QFile script(sProgram);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$OUT.tmp\"\n"
                     "mv \"$OUT.tmp\" \"$OUT\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("OUT", sOutput.toUtf8());

    const bool bStarted = Desktop().StartProgram(
        sProgram, {QStringLiteral("/path with blanks/file.png"), QStringLiteral("$HOME;`x`"),
                   QStringLiteral("\"quoted\"")});
    qunsetenv("OUT");

    ASSERT_TRUE(bStarted);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(sOutput); }, 10000));
    QFile output(sOutput);
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(output.readAll()),
              QStringLiteral("[/path with blanks/file.png]\n[$HOME;`x`]\n[\"quoted\"]\n"));
}

TEST(RealDesktopServices, StartingAProgramThatDoesNotExistReportsFailure) {
    EXPECT_FALSE(Desktop().StartProgram(QStringLiteral("/nonexistent/keplo-no-such-program"), {}));
}

TEST(RealDesktopServices, SetDesktopPutsAStandInInForceAndNullptrPutsTheRealOnesBack) {
    DesktopServices *pReal = &Desktop();
    {
        FakeDesktop fake;
        EXPECT_EQ(&Desktop(), &fake);
    }
    EXPECT_EQ(&Desktop(), pReal);
}

TEST(RealDesktopServices, FileDialogGivesTheChosenFileAndNothingWhenCancelled) {
    TestHome home;
    const QString sFile = home.Path() + QStringLiteral("/skin.PNG");
    QFile(sFile).open(QIODevice::WriteOnly);

    QString sTitle;
    QTimer::singleShot(0, [&] {
        auto *pDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!pDialog)
            return;
        sTitle = pDialog->windowTitle();
        pDialog->selectFile(sFile);
        static_cast<QDialog *>(pDialog)->accept();
    });
    const std::optional<QString> sChosen =
        Desktop().GetOpenFileName(nullptr, QStringLiteral("Choose a skin"),
                                  QStringLiteral("PNG images (*.png)"), home.Path());
    EXPECT_EQ(sTitle, QStringLiteral("Choose a skin"));
    EXPECT_EQ(sChosen, sFile);

    QTimer::singleShot(0, [] {
        if (auto *pDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
            pDialog->reject();
    });
    EXPECT_EQ(Desktop().GetSaveFileName(nullptr, QStringLiteral("Save"), QString(), home.Path()),
              std::nullopt);
}

TEST(RealDesktopServices, ProgramPickerListsRunnableFilesAndWindowsProgramsAndOpensAtAFile) {
    TestHome home;
    const QString sFolder = home.Path() + QStringLiteral("/programs");
    QDir().mkpath(sFolder + QStringLiteral("/sub"));
    const QFile::Permissions runnable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    for (const auto &[sName, permissions] :
         {std::pair{"tool", runnable}, std::pair{"script.sh", runnable},
          std::pair{"Paint.EXE", QFile::ReadOwner | QFile::WriteOwner},
          std::pair{"notes.txt", QFile::ReadOwner | QFile::WriteOwner}}) {
        QFile file(sFolder + QLatin1Char('/') + QLatin1String(sName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(permissions);
    }

    QString sTitle;
    QStringList listed;
    QStringList filters;
    QStringList selected;
    bool bDetailsHidden = false;
    QTimer::singleShot(0, [&] {
        auto *pDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *pList =
            pDialog ? pDialog->findChild<QListView *>(QStringLiteral("listView")) : nullptr;
        if (!pList)
            return;
        sTitle = pDialog->windowTitle();
        filters = pDialog->nameFilters();
        bDetailsHidden = pDialog->testOption(QFileDialog::HideNameFilterDetails);
        selected = pDialog->selectedFiles();
        // The folder is read in the background; what shows once it is read is checked below.
        (void)QTest::qWaitFor(
            [&] {
                listed.clear();
                for (int i = 0; i < pList->model()->rowCount(pList->rootIndex()); ++i)
                    listed << pList->model()->index(i, 0, pList->rootIndex()).data().toString();
                return listed.size() >= 4;
            },
            5000);
        listed.sort();
        pDialog->reject();
    });
    EXPECT_EQ(Desktop().GetProgramFileName(nullptr, QStringLiteral("PNG Editor..."),
                                           sFolder + QStringLiteral("/tool")),
              std::nullopt);
    EXPECT_EQ(sTitle, QStringLiteral("PNG Editor..."));
    EXPECT_EQ(listed, (QStringList{"Paint.EXE", "script.sh", "sub", "tool"}));
    EXPECT_EQ(filters, QStringList{QStringLiteral("Programs (*)")});
    EXPECT_TRUE(bDetailsHidden);
    EXPECT_EQ(selected, QStringList{sFolder + QStringLiteral("/tool")});
}
