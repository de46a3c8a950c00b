#include "editor/ChangeMarks.h"

#include "editor/ArchiveModel.h"
#include "editor/ChangeMarkDelegate.h"
#include "editor/ChangeScan.h"
#include "editor/SnapshotFile.h"

#include <QEvent>
#include <QFileInfo>
#include <QAbstractItemView>

namespace {

constexpr int kSettleMilliseconds = 150;

} // namespace

ChangeMarks::ChangeMarks(QWidget *pWindow, QAbstractItemView *pTree, ArchiveModel *pModel)
    : m_pWindow(pWindow), m_pModel(pModel) {
    pTree->setItemDelegate(new ChangeMarkDelegate(pTree));
    m_pModel->SetTreeFont(pTree->font());
    m_pWindow->installEventFilter(this);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (PutOffWhileDisabled())
            return;
        WatchFolders();
        Refresh();
    });
    // The watcher forgets a folder that is removed; WatchFolders watches it again
    // once it is back.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
}

ChangeMarks::~ChangeMarks() = default;

void ChangeMarks::Follow(const std::string &sSubFolder) {
    Stop();
    std::optional<ExtractSnapshot> snapshot = LoadExtractSnapshot(sSubFolder);
    if (!snapshot)
        return;
    m_pScan = std::make_unique<ChangeScan>(std::move(*snapshot));
    const ListedEntries &entries = m_pModel->Entries();
    m_shown.assign(m_pScan->Snapshot().entries.size(), false);
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        if (!entries.Shown(i))
            continue;
        const std::optional<std::string> sPath = entries.Path(i);
        const std::size_t lSnapshotEntry = sPath ? m_pScan->Find(*sPath) : ChangeScan::npos;
        if (lSnapshotEntry == ChangeScan::npos)
            continue;
        m_entries.emplace_back(i, lSnapshotEntry);
        m_shown[lSnapshotEntry] = true;
    }
    WatchFolders();
    Refresh();
}

void ChangeMarks::Stop() {
    m_settle.stop();
    m_bRefreshDue = false;
    m_pModel->ClearChanged();
    m_entries.clear();
    m_shown.clear();
    m_pScan.reset();
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
}

void ChangeMarks::Refresh() {
    if (!m_pScan)
        return;
    const std::vector<bool> changed = m_pScan->ChangedEntries(&m_shown);
    for (const auto &[lEntry, lSnapshotEntry] : m_entries)
        m_pModel->SetChanged(lEntry, changed[lSnapshotEntry]);
}

bool ChangeMarks::PutOffWhileDisabled() {
    if (m_pWindow->isEnabled())
        return false;
    m_bRefreshDue = true;
    return true;
}

void ChangeMarks::WatchFolders() {
    if (!m_pScan)
        return;
    const QStringList watchedList = m_watcher.directories();
    const QSet<QString> watched(watchedList.begin(), watchedList.end());
    QStringList toWatch;
    const std::string &sSubFolder = m_pScan->Snapshot().sSubFolder;
    for (const std::string &sFolder : m_pScan->Folders()) {
        const QString sPath =
            QString::fromStdString(sFolder.empty() ? sSubFolder : sSubFolder + "/" + sFolder);
        if (!watched.contains(sPath) && QFileInfo(sPath).isDir())
            toWatch.append(sPath);
    }
    // A folder that cannot be watched (the system's limit reached) is still
    // brought up to date when the window becomes active.
    if (!toWatch.isEmpty())
        m_watcher.addPaths(toWatch);
}

bool ChangeMarks::eventFilter(QObject *pWatched, QEvent *pEvent) {
    if (pWatched == m_pWindow && pEvent->type() == QEvent::WindowActivate && !PutOffWhileDisabled())
        Refresh();
    // Enabled again: the refresh that waited follows once the handler that enabled the
    // window has done what it does next.
    if (pWatched == m_pWindow && pEvent->type() == QEvent::EnabledChange && m_bRefreshDue &&
        m_pWindow->isEnabled()) {
        m_bRefreshDue = false;
        m_settle.start();
    }
    return QObject::eventFilter(pWatched, pEvent);
}
