// frmMain: a look at the selected file before it is unpacked. Space on a file in the
// tree, or "Preview" in the tree's context menu, opens the preview window; Space again
// or Escape closes it, and moving the selection shows the newly selected file.
//
// In edit mode the window shows the unpacked file as it is now. Otherwise the one
// entry is unpacked through the archive jobs into a private temporary folder, read and
// removed again: nothing is written into the game's folder or the work folder.
#include "editor/FileTypes.h"
#include "editor/UnpackedFiles.h"
#include "editor/frmMain.h"
#include "editor/frmPreview.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/Logging.h"
#include "support/ui/LongJobRunner.h"
#include "support/ui/WindowPlacement.h"

#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>

namespace {

// Space and Escape in the tree, for the preview: the tree keeps the keyboard.
class PreviewKeys final : public QObject {
public:
    PreviewKeys(QWidget *pTree, std::function<bool(int)> fnKey)
        : QObject(pTree), m_pTree(pTree), m_fnKey(std::move(fnKey)) {
        pTree->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override {
        if (pWatched != m_pTree || pEvent->type() != QEvent::KeyPress)
            return false;
        const auto *pKey = static_cast<QKeyEvent *>(pEvent);
        if (pKey->modifiers() != Qt::NoModifier ||
            (pKey->key() != Qt::Key_Space && pKey->key() != Qt::Key_Escape))
            return false;
        return m_fnKey(pKey->key());
    }

private:
    QWidget *m_pTree;
    std::function<bool(int)> m_fnKey;
};

} // namespace

void frmMain::SetUpPreview() {
    new PreviewKeys(treArchive, [this](int nKey) {
        const bool bShown = m_pPreview && m_pPreview->isVisible();
        if (nKey == Qt::Key_Escape) {
            if (bShown)
                m_pPreview->close();
            return bShown;
        }
        if (bShown)
            m_pPreview->close();
        else
            PreviewSelectedFile();
        return true;
    });
    // Moving the selection moves the preview along; a folder leaves it as it is.
    connect(treArchive->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_pPreview && m_pPreview->isVisible() && m_pArchiveModel->IsFileNode(SelectedNode()))
            PreviewSelectedFile();
    });
    treArchive->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(treArchive, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        auto *pMenu = new QMenu(this);
        pMenu->setObjectName(QStringLiteral("mnuTree"));
        pMenu->setAttribute(Qt::WA_DeleteOnClose);
        FillTreeMenu(*pMenu);
        pMenu->popup(treArchive->viewport()->mapToGlobal(pos));
    });
}

void frmMain::FillTreeMenu(QMenu &menu) {
    const bool bFile = m_pArchiveModel->IsFileNode(SelectedNode());
    auto add = [&](const QString &sText, const char *sName, void (frmMain::*pHandler)(),
                   bool bEnabled) { AddMenuItem(menu, sText, sName, pHandler, bEnabled); };
    add(QStringLiteral("&Edit File"), "mnuEditFile", &frmMain::EditSelectedFile,
        bFile && cmdEditFile->isEnabled());
    add(QStringLiteral("&Open Folder"), "mnuOpenFolder", &frmMain::OpenSelectedFolder,
        SelectedNode().isValid() && cmdOpenFolder->isEnabled());
    menu.addSeparator();
    add(QStringLiteral("&Preview"), "mnuPreview", &frmMain::PreviewSelectedFile, bFile);
}

frmPreview *frmMain::Preview() const {
    return m_pPreview;
}

EntryFacts frmMain::FactsOf(std::size_t lEntry) const {
    EntryFacts facts;
    // The component keeps the listing the tree was made from, entry for entry.
    const auto lIndex = static_cast<std::int32_t>(lEntry + 1);
    if (m_cUnzip.ZipFile() != ArchivePath() || lIndex > m_cUnzip.FileCount())
        return facts;
    facts.lSize = m_cUnzip.FileBytes(lIndex);
    facts.lPackedSize = m_cUnzip.FilePackedBytes(lIndex);
    facts.sMethod = QString::fromStdString(m_cUnzip.FileCompressionMethod(lIndex));
    facts.lCRC = m_cUnzip.FileCRC(lIndex);
    facts.date = m_cUnzip.FileDate(lIndex);
    facts.bEncrypted = m_cUnzip.FileEncrypted(lIndex);
    return facts;
}

void frmMain::PreviewSelectedFile() {
    const QModelIndex node = SelectedNode();
    const std::optional<std::size_t> lEntry = m_pArchiveModel->EntryAt(node);
    if (!lEntry)
        return;
    const QString sName = node.data(Qt::DisplayRole).toString();
    const EntryFacts facts = FactsOf(*lEntry);
    const PreviewKind eKind = PreviewKindOf(sName);
    QString sNote;
    std::string sFile;
    std::optional<QTemporaryDir> temporary;
    const std::string sProbe = ProbeFile();
    if (eKind == PreviewKind::Facts) {
        // The listing tells all there is to show.
    } else if (!sProbe.empty() && FileExists(sProbe) == 1) {
        // Edit mode: the file as the user's program left it.
        if (const auto sPath = m_pArchiveModel->FilePath(ArchiveSubFolder(), node))
            sFile = *sPath;
        if (sFile.empty() || FileExists(sFile) != 1) {
            sNote = QStringLiteral("The unpacked file is not in the work folder.");
            sFile.clear();
        }
    } else if (facts.lSize > kPreviewMaxBytes) {
        sNote = QStringLiteral("The file is too big to preview (%1).").arg(SizeText(facts.lSize));
    } else {
        temporary.emplace(QDir::tempPath() + QStringLiteral("/keplo-preview-XXXXXX"));
        JobOutcome unpacking;
        if (!temporary->isValid()) {
            unpacking.eKind = JobOutcome::Kind::Failed;
            unpacking.sReason = temporary->errorString().toStdString();
        } else {
            BusyState busy(this);
            LongJobRunner runner(ProgressBar);
            unpacking = m_jobs.UnpackEntries(ArchivePath(), temporary->path().toStdString(),
                                             {static_cast<std::int32_t>(*lEntry + 1)}, runner);
        }
        // The busy state took the keyboard from the tree; it is the tree's again.
        treArchive->setFocus();
        const std::optional<std::string> sPath = PathBelow(
            temporary->path().toStdString(), std::string_view(EntryList().Line(*lEntry)));
        if (!unpacking.IsFailed() && sPath && FileExists(*sPath) == 1) {
            sFile = *sPath;
        } else {
            sNote = QStringLiteral("The file could not be read from the archive.");
            if (!unpacking.sReason.empty())
                sNote += QLatin1Char('\n') + QString::fromStdString(unpacking.sReason);
        }
    }
    qCInfo(lcEditor).noquote() << "preview of" << sName
                               << (sFile.empty() ? QStringLiteral("(facts)")
                                                 : QString::fromStdString(sFile));

    // Made once, after the reading (whose busy state handles events), and kept when
    // closed: it opens again where the user left it.
    if (!m_pPreview) {
        m_pPreview = new frmPreview(this);
        PlaceBeside(m_pPreview, this);
    }
    if (sFile.empty()) {
        m_pPreview->ShowFacts(sName, FactsText(facts), sNote);
    } else if (eKind == PreviewKind::Picture) {
        // A picture that does not decode still has its facts to show.
        const PreviewPicture picture = ReadPreviewPicture(sFile);
        if (picture.image.isNull())
            m_pPreview->ShowFacts(sName, FactsText(facts), picture.sNote);
        else
            m_pPreview->ShowPicture(sName, picture.image, picture.sNote);
    } else {
        const PreviewText text = ReadPreviewText(sFile);
        m_pPreview->ShowText(sName, text.sText, text.sNote);
    }
    m_pPreview->show();
}
