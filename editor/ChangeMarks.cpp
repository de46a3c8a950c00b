#include "editor/ChangeMarks.h"

#include "editor/CategoryTree.h"
#include "editor/ChangeMarkDelegate.h"
#include "editor/ChangeScan.h"
#include "editor/SnapshotFile.h"

#include <QEvent>
#include <QFileInfo>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int kSettleMilliseconds = 150;

} // namespace

ChangeMarks::ChangeMarks(QWidget *pWindow, QTreeWidget *pTree)
    : m_pWindow(pWindow), m_pTree(pTree) {
    m_pTree->setItemDelegate(new ChangeMarkDelegate(m_pTree));
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

QString ChangeMarks::ChangedTip() {
    return QStringLiteral("Changed since Extract");
}

void ChangeMarks::Follow(const std::string &sSubFolder) {
    Stop();
    std::optional<ExtractSnapshot> snapshot = LoadExtractSnapshot(sSubFolder);
    if (!snapshot)
        return;
    m_pScan = std::make_unique<ChangeScan>(std::move(*snapshot));
    // A file node stands for the file that its parent's text and its own name
    // give, as opening it does.
    for (QTreeWidgetItemIterator it(m_pTree); *it; ++it) {
        const QTreeWidgetItem *pParent = (*it)->parent();
        if (!pParent)
            continue;
        const std::optional<std::string> sPath =
            EntryPath(pParent->text(0) + QLatin1Char('\\') + (*it)->text(0));
        const std::size_t lEntry = sPath ? m_pScan->Find(*sPath) : ChangeScan::npos;
        if (lEntry != ChangeScan::npos)
            m_nodes.emplace_back(*it, lEntry);
    }
    m_marked.assign(m_nodes.size(), false);
    m_shown.assign(m_pScan->Snapshot().entries.size(), false);
    for (const auto &node : m_nodes)
        m_shown[node.second] = true;
    WatchFolders();
    Refresh();
}

void ChangeMarks::Stop() {
    m_settle.stop();
    m_bRefreshDue = false;
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        SetMarked(i, false);
    m_nodes.clear();
    m_marked.clear();
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
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        SetMarked(i, changed[m_nodes[i].second]);
}

bool ChangeMarks::PutOffWhileDisabled() {
    if (m_pWindow->isEnabled())
        return false;
    m_bRefreshDue = true;
    return true;
}

void ChangeMarks::SetMarked(std::size_t lNode, bool bMarked) {
    if (m_marked[lNode] == bMarked)
        return;
    m_marked[lNode] = bMarked;
    QTreeWidgetItem *pNode = m_nodes[lNode].first;
    if (bMarked) {
        QFont font = m_pTree->font();
        font.setBold(true);
        pNode->setFont(0, font);
        pNode->setToolTip(0, ChangedTip());
        pNode->setData(0, kChangedSinceExtractRole, true);
    } else {
        pNode->setData(0, Qt::FontRole, QVariant());
        pNode->setData(0, Qt::ToolTipRole, QVariant());
        pNode->setData(0, kChangedSinceExtractRole, QVariant());
    }
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
