// Find in Archives in Keplo's window: opened with Ctrl+F, filled as the user types, a
// match opened as the chooser opens its archive, greyed matches that choose nothing,
// and no input while the main window is busy or behind the settings dialog.
#include "editor/frmFind.h"
#include "editor/frmSettings.h"
#include "support/ui/BusyState.h"
#include "tests/editor/WorkflowFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

class FindWindowTest : public WorkflowTest {
protected:
    void SetUp() override {
        MakeArchive(QStringLiteral("scripts.vl2"),
                    Texts({"scripts/client.cs", "scripts/server.cs", "shapes/tank.dts"}));
        MakeArchive(QStringLiteral("textures.vl2"), Texts({"textures/skins/red.png"}));
        WriteArchive(m_sGame + QStringLiteral("/GameData/mymod/scripts.vl2"),
                     Texts({"scripts/mod.cs", "scripts/deep/inner/client.cs"}));
        Load();
    }
    frmFind *Find() {
        if (!m_pMain->FindWindow())
            m_pMain->OpenFind();
        return m_pMain->FindWindow();
    }
    QLineEdit *Text() { return Find()->findChild<QLineEdit *>(QStringLiteral("txtFind")); }
    QTableView *Table() { return Find()->findChild<QTableView *>(QStringLiteral("tblMatches")); }
    void Type(const QString &sText) {
        Text()->clear();
        QTest::keyClicks(Text(), sText);
    }
    // The table's rows as "<archive> | <path>".
    QStringList Rows() {
        QStringList rows;
        const QAbstractItemModel *pModel = Table()->model();
        for (int nRow = 0; nRow < pModel->rowCount(); ++nRow)
            rows << pModel->index(nRow, 0).data().toString() + QStringLiteral(" | ") +
                        pModel->index(nRow, 1).data().toString();
        return rows;
    }
    // Enter on the row, as the user presses it in the table.
    void EnterOn(int nRow) {
        Table()->setCurrentIndex(Table()->model()->index(nRow, 0));
        QTest::keyClick(Table(), Qt::Key_Return);
    }
};

TEST_F(FindWindowTest, CtrlFOpensTheWindowWhichFillsItsTableAsTheUserTypes) {
    m_pMain->show();
    m_pMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pMain.get()));
    QTest::keyClick(m_pMain.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(m_pMain->FindWindow(), nullptr);
    EXPECT_EQ(Find()->windowTitle(), QStringLiteral("Find in Archives"));
    EXPECT_TRUE(Find()->isVisible());
    // Opening reads every listing, before the first key.
    QTRY_COMPARE(Find()->Index().ListingsRead(), 3u);

    Type(QStringLiteral("CLIENT"));
    EXPECT_EQ(Rows(), (QStringList{"Scripts | scripts/client.cs",
                                   "mymod/Scripts | scripts/deep/inner/client.cs"}));
    EXPECT_EQ(Find()->Status(), QStringLiteral("2 matches in 2 archives."));
    Type(QStringLiteral("s*.?s"));
    EXPECT_EQ(Rows(), (QStringList{"Scripts | scripts/client.cs", "Scripts | scripts/server.cs",
                                   "mymod/Scripts | scripts/mod.cs",
                                   "mymod/Scripts | scripts/deep/inner/client.cs"}));
    Type(QStringLiteral("nowhere"));
    EXPECT_EQ(Find()->Status(), QStringLiteral("No entry matches."));
    // Typing reads no listing again.
    EXPECT_EQ(Find()->Index().ListingsRead(), 3u);
    const QStringList headers{"Archive", "Path", "Size", "Modified"};
    for (int i = 0; i < headers.size(); ++i)
        EXPECT_EQ(Table()->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
}

TEST_F(FindWindowTest, EnterOnAMatchChoosesItsArchiveAndSelectsTheEntryWithItsFolderOpened) {
    Type(QStringLiteral("inner/client"));
    ASSERT_EQ(Rows().size(), 1);
    EnterOn(0);
    EXPECT_EQ(Chooser()->currentText(), QStringLiteral("mymod/Scripts"));
    EXPECT_EQ(Status(), QStringLiteral("Click Extract to begin editing files"));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    const QModelIndex current = Tree()->currentIndex();
    EXPECT_EQ(current.data().toString(), QStringLiteral("client.cs"));
    EXPECT_EQ(current.parent().data().toString(), QStringLiteral("scripts\\deep\\inner"));
    EXPECT_TRUE(Tree()->isExpanded(current.parent()));
    EXPECT_TRUE(Tree()->selectionModel()->isSelected(current));

    // A double-click on another does the same.
    Type(QStringLiteral("server"));
    Table()->setCurrentIndex(Table()->model()->index(0, 1));
    emit Table()->doubleClicked(Table()->model()->index(0, 1));
    EXPECT_EQ(Chooser()->currentText(), QStringLiteral("Scripts"));
    EXPECT_EQ(Tree()->currentIndex().data().toString(), QStringLiteral("server.cs"));
}

TEST_F(FindWindowTest, AGreyedMatchChoosesNothingAndSaysWhy) {
    Type(QStringLiteral("tank"));
    ASSERT_EQ(Rows(), QStringList{QStringLiteral("Scripts | shapes/tank.dts")});
    EXPECT_TRUE(Find()->Status().endsWith(
        QStringLiteral("Greyed ones are not shown in the tree: select one to see why.")));
    EnterOn(0);
    EXPECT_TRUE(Chooser()->currentText().isEmpty());
    EXPECT_EQ(Find()->Reason(), QStringLiteral("Not shown in the tree: files of type DTS are game "
                                               "data that the tree leaves out."));
}

TEST_F(FindWindowTest, TheWindowTakesNoInputWhileTheMainWindowIsBusyOrTheSettingsAreOpen) {
    Find()->show();
    EXPECT_TRUE(Find()->isEnabled());
    {
        BusyState busy(m_pMain.get());
        EXPECT_FALSE(Find()->isEnabled());
        // Nor does a match opened meanwhile choose anything.
        EXPECT_FALSE(m_pMain->OpenMatch(m_pMain->ArchiveChoices().at(0), "scripts/client.cs"));
    }
    EXPECT_TRUE(Find()->isEnabled());
    m_pMain->OpenSettings();
    EXPECT_FALSE(Find()->isEnabled());
    for (QWidget *pWidget : QApplication::topLevelWidgets())
        if (auto *pDialog = qobject_cast<frmSettings *>(pWidget))
            pDialog->close();
    QTRY_VERIFY(Find()->isEnabled());
}

TEST_F(FindWindowTest, AnArchiveChangedOrAddedMeanwhileIsReadAgainAtTheNextKey) {
    Type(QStringLiteral("mod"));
    EXPECT_EQ(Find()->Index().ListingsRead(), 3u);
    WriteArchive(m_sGame + QStringLiteral("/GameData/newmod/maps.vl2"), Texts({"missions/mod.mis"}));
    Type(QStringLiteral("mod."));
    EXPECT_EQ(Rows(), (QStringList{"mymod/Scripts | scripts/mod.cs",
                                   "newmod/Maps | missions/mod.mis"}));
    EXPECT_EQ(Find()->Index().ListingsRead(), 4u);
    // The chooser takes it in when the match is opened.
    EnterOn(1);
    EXPECT_EQ(Chooser()->currentText(), QStringLiteral("newmod/Maps"));
    EXPECT_EQ(Tree()->currentIndex().data().toString(), QStringLiteral("mod.mis"));
}

} // namespace
