#include "editor/ChangeMarks.h"

#include "editor/ArchiveModel.h"
#include "editor/ChangeMarkDelegate.h"
#include "editor/ChangeScan.h"
#include "editor/SnapshotFile.h"
#include "support/ui/LongJob.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFileInfo>

namespace {

constexpr int kSettleMilliseconds = 150;

} // namespace

struct ChangeMarks::Followed {
    explicit Followed(ExtractSnapshot snapshot) : scan(std::move(snapshot)) {}

    ChangeScan scan;
    // Every entry the tree shows that the snapshot holds, with its place there.
    std::vector<std::pair<std::size_t, std::size_t>> entries;
    // Per entry of the snapshot: whether the tree shows it. Files the tree does not
    // show are never looked at.
    std::vector<bool> shown;
};

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
        RefreshInTheBackground();
    });
    // The watcher forgets a folder that is removed; WatchFolders watches it again
    // once it is back.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
}

ChangeMarks::~ChangeMarks() {
    m_pWindow->removeEventFilter(this);
    // Its result, if it posted one, goes with this object.
    if (m_scanner.joinable())
        m_scanner.join();
}

void ChangeMarks::Follow(const std::string &sSubFolder) {
    Stop();
    // The window is busy: the model's entries stay as they are meanwhile.
    const ListedEntries &entries = m_pModel->Entries();
    std::shared_ptr<Followed> pFollowed;
    std::vector<bool> changed;
    RunLongJob([&] {
        std::optional<ExtractSnapshot> snapshot = LoadExtractSnapshot(sSubFolder);
        if (!snapshot)
            return;
        pFollowed = std::make_shared<Followed>(std::move(*snapshot));
        pFollowed->shown.assign(pFollowed->scan.Snapshot().entries.size(), false);
        for (std::size_t i = 0; i < entries.Count(); ++i) {
            if (!entries.Shown(i))
                continue;
            const std::optional<std::string> sPath = entries.Path(i);
            const std::size_t lSnapshotEntry =
                sPath ? pFollowed->scan.Find(*sPath) : ChangeScan::npos;
            if (lSnapshotEntry == ChangeScan::npos)
                continue;
            pFollowed->entries.emplace_back(i, lSnapshotEntry);
            pFollowed->shown[lSnapshotEntry] = true;
        }
        changed = pFollowed->scan.ChangedEntries(&pFollowed->shown);
    });
    if (!pFollowed)
        return;
    m_pFollowed = std::move(pFollowed);
    WatchFolders();
    Apply(changed);
}

void ChangeMarks::Stop() {
    ++m_lGeneration;
    m_bScanAgain = false;
    m_settle.stop();
    m_bRefreshDue = false;
    m_pModel->ClearChanged();
    m_pFollowed.reset();
    const QStringList watched = m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
}

void ChangeMarks::Refresh() {
    if (m_pFollowed)
        Apply(m_pFollowed->scan.ChangedEntries(&m_pFollowed->shown));
}

void ChangeMarks::RefreshInTheBackground() {
    if (!m_pFollowed)
        return;
    if (m_bScanning) {
        m_bScanAgain = true;
        return;
    }
    if (m_scanner.joinable())
        m_scanner.join();
    m_bScanning = true;
    m_scanner = std::thread([this, pFollowed = m_pFollowed, lGeneration = m_lGeneration] {
        std::vector<bool> changed = pFollowed->scan.ChangedEntries(&pFollowed->shown);
        QMetaObject::invokeMethod(
            this,
            [this, lGeneration, changed = std::move(changed)] {
                BackgroundScanDone(lGeneration, changed);
            },
            Qt::QueuedConnection);
    });
}

void ChangeMarks::BackgroundScanDone(std::uint64_t lGeneration, const std::vector<bool> &changed) {
    m_scanner.join();
    m_bScanning = false;
    // Marks of what is no longer followed are not put back.
    if (lGeneration == m_lGeneration)
        Apply(changed);
    if (m_bScanAgain) {
        m_bScanAgain = false;
        if (!PutOffWhileDisabled())
            RefreshInTheBackground();
    }
}

void ChangeMarks::Apply(const std::vector<bool> &changed) {
    for (const auto &[lEntry, lSnapshotEntry] : m_pFollowed->entries)
        m_pModel->SetChanged(lEntry, changed[lSnapshotEntry]);
}

bool ChangeMarks::PutOffWhileDisabled() {
    if (m_pWindow->isEnabled())
        return false;
    m_bRefreshDue = true;
    return true;
}

void ChangeMarks::WatchFolders() {
    if (!m_pFollowed)
        return;
    const QStringList watchedList = m_watcher.directories();
    const QSet<QString> watched(watchedList.begin(), watchedList.end());
    QStringList toWatch;
    const std::string &sSubFolder = m_pFollowed->scan.Snapshot().sSubFolder;
    for (const std::string &sFolder : m_pFollowed->scan.Folders()) {
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
        RefreshInTheBackground();
    // Enabled again: the refresh that waited follows once the handler that enabled the
    // window has done what it does next.
    if (pWatched == m_pWindow && pEvent->type() == QEvent::EnabledChange && m_bRefreshDue &&
        m_pWindow->isEnabled()) {
        m_bRefreshDue = false;
        m_settle.start();
    }
    return QObject::eventFilter(pWatched, pEvent);
}
