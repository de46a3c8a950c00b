// Marks in the category tree the files that changed since Extract: the node's text
// in bold, a small mark on its icon (ChangeMarkDelegate) and a tooltip that says so.
// The nodes keep their texts, icons and order. The marks are brought up to date
// when the window becomes active again (the user comes back from the program they
// edited in) and shortly after a folder of the unpacked files changes (a file was
// added, removed or renamed over another). While the window is disabled (busy with
// a job that writes or removes those files, or behind the settings dialog) they
// wait, and are brought up to date once it takes input again.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class ChangeScan;
class QTreeWidget;
class QTreeWidgetItem;

class ChangeMarks : public QObject {
    Q_OBJECT

public:
    // Follows the activation of pWindow and marks the nodes of pTree.
    ChangeMarks(QWidget *pWindow, QTreeWidget *pTree);
    ~ChangeMarks() override;

    // Marks the tree's file nodes whose files below sSubFolder changed since
    // Extract and keeps the marks up to date. Without a snapshot of that folder
    // nothing is known, and nothing is marked.
    void Follow(const std::string &sSubFolder);
    // Takes every mark away and stops following; call it before the tree's nodes go.
    void Stop();
    // Brings the marks up to date now.
    void Refresh();

    // The text of a marked node's tooltip.
    static QString ChangedTip();

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    void SetMarked(std::size_t lNode, bool bMarked);
    // While the window is disabled: notes that a refresh is due once it is enabled
    // again, and gives true.
    bool PutOffWhileDisabled();
    // Watches the folders of the unpacked files that exist and are not watched yet.
    void WatchFolders();

    QWidget *m_pWindow;
    QTreeWidget *m_pTree;
    std::unique_ptr<ChangeScan> m_pScan;
    // Every file node that stands for an entry of the snapshot, with that entry.
    std::vector<std::pair<QTreeWidgetItem *, std::size_t>> m_nodes;
    std::vector<bool> m_marked; // per node of m_nodes
    // Per entry of the snapshot: whether a node stands for it. Files the tree
    // does not show are never looked at.
    std::vector<bool> m_shown;
    QFileSystemWatcher m_watcher;
    // Lets a burst of folder changes (a program saving through temporary files)
    // settle into one refresh.
    QTimer m_settle;
    bool m_bRefreshDue = false; // a refresh waits for the window to be enabled
};
