// A game, a work folder and Keplo's main window for the archive workflow tests:
// archives are made with libzip in the game base folder, read back with libzip,
// and the window is driven through its controls.
#pragma once

#include "editor/ArchiveModel.h"
#include "editor/frmMain.h"
#include "support/modRegistry.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestFiles.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <utility>
#include <vector>
#include <zip.h>

class WorkflowTest : public ::testing::Test {
protected:
    using Entries = ArchiveEntries;

    WorkflowTest() {
        m_sGame = m_home.Path() + QStringLiteral("/Tribes2");
        m_sBase = m_sGame + QStringLiteral("/GameData/base");
        m_sWork = m_home.Path() + QStringLiteral("/work");
        RegisterGame(m_sGame, m_sWork);
    }

    // An archive in the game base folder holding the entries in this order.
    void MakeArchive(const QString &sFileName, const Entries &entries) {
        WriteArchive(m_sBase + QLatin1Char('/') + sFileName, entries);
    }
    // Entries with a short text each, named after the entry.
    static Entries Texts(const QStringList &names) {
        Entries entries;
        for (const QString &sName : names)
            entries.emplace_back(sName, "text of " + sName.toUtf8() + "\n");
        return entries;
    }

    void Load() { m_pMain = std::make_unique<frmMain>(); }
    // Picks the archive in the chooser as the user does.
    void Choose(const QString &sDisplayName) {
        const int nIndex = Chooser()->findText(sDisplayName);
        ASSERT_GE(nIndex, 0) << sDisplayName.toStdString();
        Chooser()->setCurrentIndex(nIndex);
        emit Chooser()->activated(nIndex);
    }
    void Click(const char *sButton) {
        QPushButton *pButton = Control<QPushButton>(QString::fromLatin1(sButton));
        ASSERT_TRUE(pButton->isEnabled()) << sButton;
        pButton->click();
    }

    template <class T> T *Control(const QString &sName) {
        T *pControl = m_pMain->findChild<T *>(sName);
        EXPECT_NE(pControl, nullptr) << "no control " << sName.toStdString();
        return pControl;
    }
    QComboBox *Chooser() { return Control<QComboBox>(QStringLiteral("drpVL2File")); }
    QTreeView *Tree() { return Control<QTreeView>(QStringLiteral("treArchive")); }
    // The model behind the tree, as the window holds it.
    ArchiveModel *Model() { return qobject_cast<ArchiveModel *>(Tree()->model()); }
    // Every node of the tree, depth first, parents before their children.
    QModelIndexList Nodes(const QModelIndex &parent = {}) {
        QModelIndexList nodes;
        for (int i = 0; i < Model()->rowCount(parent); ++i) {
            const QModelIndex node = Model()->index(i, 0, parent);
            nodes << node << Nodes(node);
        }
        return nodes;
    }
    // The node with this text (a test's names are unique).
    QModelIndex Node(const QString &sText) {
        QModelIndexList found;
        for (const QModelIndex &node : Nodes())
            if (node.data().toString() == sText)
                found << node;
        EXPECT_EQ(found.size(), 1) << sText.toStdString();
        return found.value(0);
    }
    // The tree as a listing of these entries would leave it.
    void ShowEntries(const std::vector<std::pair<QString, QString>> &entries) {
        ListedEntries listed;
        for (const auto &[sFolder, sName] : entries)
            listed.Add(sFolder.toStdString(), sName.toStdString());
        Model()->SetEntries(std::move(listed));
    }
    QProgressBar *Progress() { return Control<QProgressBar>(QStringLiteral("ProgressBar")); }
    QString Status() { return Control<QLabel>(QStringLiteral("lblStatus"))->text(); }
    QStringList EnabledButtons() {
        QStringList enabled;
        for (const char *sName : {"cmdExtract", "cmdSaveChanges", "cmdCancel", "cmdEditFile",
                                  "cmdOpenFolder", "cmdSettings"})
            if (Control<QPushButton>(QString::fromLatin1(sName))->isEnabled())
                enabled << QString::fromLatin1(sName);
        return enabled;
    }
    static QStringList ListedButtons() { return {"cmdExtract", "cmdSettings"}; }
    static QStringList EditButtons() {
        return {"cmdSaveChanges", "cmdCancel", "cmdEditFile", "cmdOpenFolder", "cmdSettings"};
    }

    // The tree as text: one line per node, two blanks of indent per level, the
    // node's text in brackets and its icon number.
    QStringList TreeLines() {
        QStringList lines;
        for (const QModelIndex &node : Nodes()) {
            int nDepth = 0;
            for (QModelIndex above = node.parent(); above.isValid(); above = above.parent())
                ++nDepth;
            const qint64 lIcon = node.data(Qt::DecorationRole).value<QIcon>().cacheKey();
            int nIcon = 0;
            for (int n = 1; n <= frmMain::kTreeIconCount; ++n)
                if (lIcon == m_pMain->TreeIcon(n).cacheKey())
                    nIcon = n;
            lines << QString(nDepth * 2, QLatin1Char(' ')) + QLatin1Char('[') +
                         node.data().toString() + QStringLiteral("] ") + QString::number(nIcon);
        }
        return lines;
    }

    // The last box shown is Keplo's Yes/No question with No the default, saying sText.
    void ExpectNoDefaultQuestion(const QString &sText) {
        ASSERT_FALSE(m_desktop.Messages().empty());
        const FakeDesktop::Request box = m_desktop.Messages().back();
        EXPECT_EQ(box.sText, sText);
        EXPECT_EQ(box.sTitle, QStringLiteral("Keplo"));
        EXPECT_EQ(box.eIcon, MsgIcon::Question);
        EXPECT_EQ(box.eButtons, MsgButtons::YesNo);
        EXPECT_EQ(box.eDefault, MsgAnswer::No);
    }

    // The window after an operation: usable again, normal pointer.
    void ExpectIdle() {
        EXPECT_TRUE(m_pMain->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Progress()->isVisibleTo(m_pMain.get()));
    }

    TestHome m_home;
    FakeDesktop m_desktop; // a message box that a test does not expect fails it
    QString m_sGame;
    QString m_sBase;
    QString m_sWork;
    std::unique_ptr<frmMain> m_pMain;
};
