// frmMain: Find in Archives (Ctrl+F, or the chooser's context menu). The window
// searches every archive the chooser knows; a match opened there is chosen here
// exactly as the chooser chooses it, and its entry selected in the tree.
#include "editor/frmFind.h"
#include "editor/frmMain.h"
#include "support/ui/Logging.h"

#include "support/ui/WindowPlacement.h"

#include <QShortcut>

void frmMain::SetUpFind() {
    auto *pShortcut = new QShortcut(QKeySequence::Find, this);
    connect(pShortcut, &QShortcut::activated, this, &frmMain::OpenFind);
}

void frmMain::OpenFind() {
    if (!m_pFind) {
        m_pFind = new frmFind(
            this,
            [this] {
                // The chooser's archives as they are now: added or removed ones count.
                return GameArchiveChoices(GameBaseFolder());
            },
            [this] { return UnreadableGameFolders(GameDataFolderOf(GameBaseFolder())); },
            [this](const GameArchiveChoice &choice, const QString &sPath) {
                OpenMatch(choice, sPath.toStdString());
            });
        PlaceBeside(m_pFind, this);
    }
    m_pFind->show();
    m_pFind->raise();
    m_pFind->activateWindow();
    m_pFind->FocusText();
}

frmFind *frmMain::FindWindow() const {
    return m_pFind;
}

bool frmMain::OpenMatch(const GameArchiveChoice &choice, const std::string &sEntryPath) {
    if (!isEnabled())
        return false;
    auto chooserIndex = [&] {
        for (int i = 0; i < drpVL2File->count(); ++i) {
            const auto nListed = drpVL2File->itemData(i).toULongLong();
            if (nListed < m_vChoices.size() && m_vChoices[nListed].sPath == choice.sPath)
                return i;
        }
        return -1;
    };
    int nIndex = chooserIndex();
    if (nIndex < 0) {
        // Added since the chooser was last filled.
        RefreshArchiveChooser();
        nIndex = chooserIndex();
    }
    if (nIndex < 0) {
        lblStatus->setText(QStringLiteral("%1 is no longer in the game.").arg(choice.sDisplay));
        return false;
    }
    qCInfo(lcEditor).noquote() << "find: opening" << QString::fromStdString(sEntryPath) << "in"
                               << choice.sDisplay;
    // What choosing it in the chooser does.
    drpVL2File->setCurrentIndex(nIndex);
    drpVL2File_Click();

    const QModelIndex node = m_pArchiveModel->FindEntry(sEntryPath);
    if (node.isValid()) {
        treArchive->expand(node.parent());
        treArchive->setCurrentIndex(node);
        treArchive->selectionModel()->select(node, QItemSelectionModel::ClearAndSelect);
        treArchive->scrollTo(node);
    }
    raise();
    activateWindow();
    treArchive->setFocus();
    return node.isValid();
}
