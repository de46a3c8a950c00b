// Keplo's way back, driven through the window against the real engine libraries: Save
// Changes keeps the archive first (and asks, No the default, when it cannot), the
// chooser's context menu puts the original or the previous version back byte for byte
// after its question, refuses while the archive is unpacked, tells of a damaged kept
// version, and Check All Archives shows every archive's state and mends a damaged one.
#include "tests/editor/WorkflowFixture.h"

#include "editor/frmCheckArchives.h"
#include "support/kept/ArchiveCheck.h"
#include "support/kept/KeptVersions.h"
#include "tests/testsupport/ReadOnlyFolder.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

namespace {

// Flips a byte of an entry's data, which lies after its local header (30 bytes, its
// name and its extra field), so that the entry fails its check.
void DamageEntry(const QString &sArchive, const QByteArray &entry) {
    QByteArray bytes = ReadFile(sArchive);
    const qsizetype lName = bytes.indexOf(entry);
    ASSERT_GE(lName, 30);
    const qsizetype lHeader = lName - 30;
    ASSERT_EQ(bytes.mid(lHeader, 4), QByteArray("PK\x03\x04"));
    const int nExtra = static_cast<unsigned char>(bytes[lHeader + 28]) |
                       static_cast<unsigned char>(bytes[lHeader + 29]) << 8;
    bytes[lName + entry.size() + nExtra + 1] = static_cast<char>(bytes[lName + entry.size() + nExtra + 1] ^ 0x5A);
    QFile::remove(sArchive);
    WriteFile(sArchive, bytes);
}

class KeptWindowTest : public WorkflowTest {
protected:
    KeptWindowTest() {
        MakeArchive(QStringLiteral("scripts.vl2"),
                    {{QStringLiteral("scripts/a.cs"), QByteArray(3000, 'a')},
                     {QStringLiteral("scripts/b.cs"), QByteArray(3000, 'b')}});
        MakeArchive(QStringLiteral("missions.vl2"), Texts({QStringLiteral("missions/m.mis")}));
        m_v0 = ReadFile(Archive());
        Load();
        Choose(QStringLiteral("Scripts"));
    }

    QString Archive() const { return m_sBase + QStringLiteral("/scripts.vl2"); }
    KeptPlace Place() const {
        return KeptPlace{(m_sGame + QLatin1Char('/')).toStdString(), "GameData/base/scripts.vl2"};
    }
    QString KeptFile(const char *sName) const {
        return QString::fromStdString(ReadKept(Place()).sFolder) + QLatin1Char('/') +
               QLatin1String(sName);
    }

    // Unpacks the chosen archive, changes a file and saves, as the user does.
    void EditAndSave(const QByteArray &text) {
        Click("cmdExtract");
        WriteFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs"), text);
        Click("cmdSaveChanges");
    }

    // The chooser's menu as it would open now: each item's text, and whether it is enabled.
    QStringList MenuItems() {
        QMenu menu;
        m_pMain->FillChooserMenu(menu);
        QStringList items;
        for (QAction *pAction : menu.actions())
            if (!pAction->isSeparator())
                items << pAction->text() + (pAction->isEnabled() ? QString() : QStringLiteral(" (off)"));
        return items;
    }
    // Picks an item of the chooser's menu; its handler runs once the menu is gone.
    void Pick(const char *sItem) {
        QMenu menu;
        m_pMain->FillChooserMenu(menu);
        QAction *pAction = menu.findChild<QAction *>(QString::fromLatin1(sItem));
        ASSERT_NE(pAction, nullptr) << sItem;
        ASSERT_TRUE(pAction->isEnabled()) << sItem;
        pAction->trigger();
        QApplication::processEvents();
    }

    QString KeptDate(KeptKind eKind) const {
        return QString::fromStdString(KeptDateText(ReadKept(Place()).Version(eKind)->lKeptAt))
            .replace(QLatin1Char(' '), QChar(0x00A0));
    }

    QByteArray m_v0;
};

TEST_F(KeptWindowTest, SaveKeepsTheOriginalOnceAndThePreviousVersionAtEachSave) {
    EXPECT_EQ(MenuItems(), (QStringList{QStringLiteral("&Restore Original Archive... (off)"),
                                        QStringLiteral("&Undo Last Save... (off)"),
                                        QStringLiteral("&Check All Archives..."),
                                        QStringLiteral("&Find in Archives...")}));
    EditAndSave("first edit");
    const QByteArray v1 = ReadFile(Archive());
    EditAndSave("second edit");
    EXPECT_TRUE(m_desktop.Messages().empty());
    EXPECT_EQ(ReadFile(KeptFile("original.vl2")), m_v0);
    EXPECT_EQ(ReadFile(KeptFile("previous.vl2")), v1);
    EXPECT_EQ(ReadKept(Place()).previous->sProgram, "Keplo");
    EXPECT_EQ(MenuItems(), (QStringList{QStringLiteral("&Restore Original Archive..."),
                                        QStringLiteral("&Undo Last Save..."),
                                        QStringLiteral("&Check All Archives..."),
                                        QStringLiteral("&Find in Archives...")}));
    // Another archive chosen: its own versions, none.
    Choose(QStringLiteral("Missions"));
    EXPECT_EQ(MenuItems().first(), QStringLiteral("&Restore Original Archive... (off)"));
}

TEST_F(KeptWindowTest, ARightClickTheMenuKeyAndShiftF10OpenTheChoosersMenu) {
    auto expectMenuOpens = [&](const std::function<void()> &fnOpen, const char *sHow) {
        fnOpen();
        QMenu *pMenu = m_pMain->findChild<QMenu *>(QStringLiteral("mnuChooser"));
        ASSERT_NE(pMenu, nullptr) << sHow;
        EXPECT_TRUE(pMenu->isVisible()) << sHow;
        // Two versions, a separator, Check All Archives and Find in Archives.
        EXPECT_EQ(pMenu->actions().size(), 5) << sHow;
        pMenu->close();
        delete pMenu;
    };
    m_pMain->show();
    QComboBox *pChooser = Chooser();
    expectMenuOpens(
        [&] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    pChooser->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(pChooser, &event);
        },
        "right-click");
    expectMenuOpens(
        [&] {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0),
                                    pChooser->mapToGlobal(QPoint(0, 0)));
            QApplication::sendEvent(pChooser, &event);
        },
        "menu key");
    expectMenuOpens([&] { QTest::keyClick(pChooser, Qt::Key_F10, Qt::ShiftModifier); },
                    "Shift+F10");
}

TEST_F(KeptWindowTest, RestoreAndUndoPutTheArchiveBackByteForByteAfterTheirQuestion) {
    EditAndSave("first edit");
    EditAndSave("second edit");
    const QByteArray v2 = ReadFile(Archive());

    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Pick("mnuRestoreOriginal");
    ExpectNoDefaultQuestion(QStringLiteral("Put the original of scripts.vl2 back, as it was kept on %1?\n\n"
                                  "The archive as it is now will be kept as the previous version, "
                                  "so that this can be undone.\n\n%2")
                       .arg(KeptDate(KeptKind::Original), Archive()));
    EXPECT_EQ(ReadFile(Archive()), m_v0);
    EXPECT_EQ(Status(), QStringLiteral("The original of scripts.vl2 was put back."));
    ExpectIdle();
    // Listed again, as the archive now is.
    EXPECT_EQ(TreeLines(), (QStringList{QStringLiteral("[scripts] 1"), QStringLiteral("  [a.cs] 8"),
                                        QStringLiteral("  [b.cs] 8")}));

    const QString sDate = KeptDate(KeptKind::Previous);
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Pick("mnuUndoLastSave");
    ExpectNoDefaultQuestion(QStringLiteral("Undo the last save of scripts.vl2 and put back the version kept "
                                  "on %1?\n\nThe archive as it is now will be kept as the previous "
                                  "version, so that this can be undone too.\n\n%2")
                       .arg(sDate, Archive()));
    EXPECT_EQ(ReadFile(Archive()), v2);
    EXPECT_EQ(Status(), QStringLiteral("The last save of scripts.vl2 was undone."));

    // No leaves everything as it is.
    m_desktop.AnswerMessage(MsgAnswer::No);
    Pick("mnuRestoreOriginal");
    EXPECT_EQ(ReadFile(Archive()), v2);
    EXPECT_EQ(m_desktop.Messages().size(), 3u);
}

TEST_F(KeptWindowTest, PuttingBackIsRefusedWhileTheArchiveIsUnpackedChosenOrNot) {
    EditAndSave("first edit");
    const QByteArray v1 = ReadFile(Archive());
    Click("cmdExtract");
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Pick("mnuUndoLastSave");
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    EXPECT_EQ(m_desktop.Messages()[0].sText,
              QStringLiteral("scripts.vl2 is unpacked in the work folder. Save or Cancel its "
                             "changes first.\n\n") +
                  m_sWork + QStringLiteral("/Scripts"));
    EXPECT_EQ(m_desktop.Messages()[0].eIcon, MsgIcon::Exclamation);
    EXPECT_EQ(ReadFile(Archive()), v1);
    EXPECT_EQ(EnabledButtons(), EditButtons());

    // Unpacked while another archive is chosen (in an earlier run, say).
    Choose(QStringLiteral("Missions"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(m_pMain->PutBackKept(m_pMain.get(), Progress(), Place(), KeptKind::Original));
    EXPECT_TRUE(m_desktop.Messages().back().sText.startsWith(
        QStringLiteral("scripts.vl2 is unpacked in the work folder.")));
    EXPECT_EQ(ReadFile(Archive()), v1);
}

TEST_F(KeptWindowTest, ADamagedKeptOriginalIsToldAndTheArchiveStaysAsItWas) {
    EditAndSave("first edit");
    const QByteArray v1 = ReadFile(Archive());
    const QString sOriginal = KeptFile("original.vl2");
    DamageEntry(sOriginal, "scripts/b.cs");
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Pick("mnuRestoreOriginal");
    ASSERT_EQ(m_desktop.Messages().size(), 2u);
    const FakeDesktop::Request box = m_desktop.Messages()[1];
    EXPECT_TRUE(IsTextWithReason(box.sText,
                                 QStringLiteral("The kept original of scripts.vl2 is damaged, so it "
                                                "was not put back. The archive is as it was."),
                                 QStringLiteral("scripts/b.cs"), sOriginal));
    EXPECT_EQ(box.eIcon, MsgIcon::Critical);
    EXPECT_EQ(ReadFile(Archive()), v1);
    ExpectIdle();
}

TEST_F(KeptWindowTest, TheQuestionSaysWhenTheArchiveChangedOutsideKeplo) {
    EditAndSave("first edit");
    QFile::remove(Archive());
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({QStringLiteral("scripts/patched.cs")}));
    m_desktop.AnswerMessage(MsgAnswer::No);
    Pick("mnuUndoLastSave");
    ExpectNoDefaultQuestion(QStringLiteral("Undo the last save of scripts.vl2 and put back the version kept "
                                  "on %1?\n\nThe archive as it is now will be kept as the previous "
                                  "version, so that this can be undone too.\n\nscripts.vl2 has "
                                  "changed since it was last saved here (by a game patch, "
                                  "perhaps).\n\n%2")
                       .arg(KeptDate(KeptKind::Previous), Archive()));
}

TEST_F(KeptWindowTest, SaveAsksBeforeWritingWhenTheOriginalCannotBeKept) {
    const QString sKept = m_home.Path() + QStringLiteral("/data/Keplo/kept");
    QDir().mkpath(sKept);
    ReadOnlyFolder readOnly(sKept);
    ASSERT_TRUE(readOnly.Ready());
    Click("cmdExtract");
    WriteFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs"), "edit");
    m_desktop.AnswerMessage(MsgAnswer::No);
    Click("cmdSaveChanges");
    ASSERT_EQ(m_desktop.Messages().size(), 1u);
    const FakeDesktop::Request box = m_desktop.Messages()[0];
    EXPECT_TRUE(IsTextWithReason(box.sText,
                                 QStringLiteral("The original of scripts.vl2 cannot be kept, so it "
                                                "could not be put back afterwards. Save your "
                                                "changes without keeping it?"),
                                 QStringLiteral("cannot be made"), Archive()));
    EXPECT_EQ(box.eButtons, MsgButtons::YesNo);
    EXPECT_EQ(box.eDefault, MsgAnswer::No);
    EXPECT_EQ(box.eIcon, MsgIcon::Question);
    // No: nothing written, the edit still in the work folder, still editing.
    EXPECT_EQ(ReadFile(Archive()), m_v0);
    EXPECT_EQ(ReadFile(m_sWork + QStringLiteral("/Scripts/scripts/a.cs")), "edit");
    EXPECT_EQ(EnabledButtons(), EditButtons());
    ExpectIdle();

    // Yes: saved without it.
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Click("cmdSaveChanges");
    EXPECT_EQ(ReadArchive(Archive()).at(QStringLiteral("scripts/a.cs")), "edit");
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
}

TEST_F(KeptWindowTest, UndoingTheWriteThatCreatedAnArchiveTakesItOutOfTheGameAndTheChooser) {
    // Pelterbox installed new.vl2, which was not there before.
    const QString sNew = m_sBase + QStringLiteral("/new.vl2");
    KeptWrite install((m_sGame + QLatin1Char('/')).toStdString(), sNew.toStdString(), "Pelterbox");
    ASSERT_TRUE(install.Keep());
    WriteArchive(sNew, Texts({QStringLiteral("textures/skins/new.png")}));
    install.Finish(true);
    const QByteArray installed = ReadFile(sNew);
    Load();
    Choose(QStringLiteral("New"));
    const KeptPlace place{(m_sGame + QLatin1Char('/')).toStdString(), "GameData/base/new.vl2"};
    const QString sDate = QString::fromStdString(KeptDateText(ReadKept(place).previous->lKeptAt))
                              .replace(QLatin1Char(' '), QChar(0x00A0));

    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Pick("mnuUndoLastSave");
    ExpectNoDefaultQuestion(QStringLiteral("Take new.vl2 out of the game? It was not there before %1, when "
                                  "Pelterbox created it.\n\nIt will be kept as the previous "
                                  "version, so that this can be undone.\n\n%2")
                       .arg(sDate, sNew));
    EXPECT_FALSE(QFileInfo::exists(sNew));
    EXPECT_EQ(ReadFile(QString::fromStdString(ReadKept(place).FilePath(KeptKind::Previous))),
              installed);
    EXPECT_EQ(Chooser()->findText(QStringLiteral("New")), -1);
    EXPECT_EQ(Chooser()->currentIndex(), -1);
    EXPECT_EQ(Tree()->model()->rowCount(), 0);
    EXPECT_EQ(Status(), QStringLiteral("new.vl2 was taken out of the game."));
    // The chosen archive stays chosen when another one goes.
    Choose(QStringLiteral("Scripts"));
    ASSERT_TRUE(RestoreKept(place, KeptKind::Previous,
                            [](const std::string &sPath) { return CheckArchiveFile(sPath); }, "test")
                    .IsDone());
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    EXPECT_TRUE(m_pMain->PutBackKept(m_pMain.get(), Progress(), place, KeptKind::Previous));
    EXPECT_EQ(Chooser()->currentText(), QStringLiteral("Scripts"));
    EXPECT_EQ(Tree()->model()->rowCount(), 1);
}

TEST_F(KeptWindowTest, CheckAllArchivesShowsEachArchiveAndMendsADamagedOne) {
    EditAndSave("first edit");
    DamageEntry(Archive(), "scripts/b.cs");
    WriteFile(m_sBase + QStringLiteral("/broken.vl2"), "not an archive at all");
    Pick("mnuCheckAllArchives");
    frmCheckArchives *pCheck = m_pMain->findChild<frmCheckArchives *>();
    ASSERT_NE(pCheck, nullptr);
    EXPECT_EQ(pCheck->windowTitle(), QStringLiteral("Check All Archives"));
    EXPECT_TRUE(pCheck->isVisible());
    auto lines = [&] {
        QStringList shown;
        for (int i = 0; i < pCheck->Lines()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *pItem = pCheck->Lines()->topLevelItem(i);
            shown << pItem->text(frmCheckArchives::kArchiveColumn) + QStringLiteral(": ") +
                         pItem->text(frmCheckArchives::kResultColumn) +
                         (pCheck->RestoreButton(i) ? QStringLiteral(" [Restore Original...]")
                                                   : QString());
        }
        return shown;
    };
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("base/broken.vl2: unreadable"),
                                    QStringLiteral("base/missions.vl2: OK"),
                                    QStringLiteral("base/scripts.vl2: damaged: 1 entry fails "
                                                   "[Restore Original...]")}));
    EXPECT_EQ(pCheck->Summary()->text(),
              QStringLiteral("3 archives checked: 1 OK, 1 damaged, 1 unreadable."));
    EXPECT_TRUE(pCheck->Lines()
                    ->topLevelItem(2)
                    ->toolTip(frmCheckArchives::kResultColumn)
                    .contains(QStringLiteral("scripts/b.cs")));

    m_desktop.AnswerMessage(MsgAnswer::Yes);
    pCheck->RestoreButton(2)->click();
    QApplication::processEvents();
    EXPECT_EQ(ReadFile(Archive()), m_v0);
    EXPECT_EQ(m_desktop.Messages().back().sText.left(35),
              QStringLiteral("Put the original of scripts.vl2 bac"));
    EXPECT_EQ(lines().last(), QStringLiteral("base/scripts.vl2: OK"));
    EXPECT_EQ(pCheck->Summary()->text(),
              QStringLiteral("3 archives checked: 2 OK, 1 unreadable."));
    EXPECT_TRUE(pCheck->isEnabled());
    pCheck->close();
}

} // namespace
