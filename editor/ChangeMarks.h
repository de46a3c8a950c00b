// Marks in the category tree the files that changed since Extract: the model's
// nodes of those files carry the mark (ArchiveModel), which the tree draws as their
// text in bold, a small mark on their icon (ChangeMarkDelegate) and a tooltip that
// says so. The nodes keep their texts, icons and order. The marks are brought up to
// date when the window becomes active again (the user comes back from the program
// they edited in) and shortly after a folder of the unpacked files changes (a file
// was added, removed or renamed over another). While the window is disabled (busy
// with a job that writes or removes those files, or behind the settings dialog)
// they wait, and are brought up to date once it takes input again.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class ArchiveModel;
class ChangeScan;
class QAbstractItemView;

class ChangeMarks : public QObject {
    Q_OBJECT

public:
    // Follows the activation of pWindow and marks the nodes of pModel, which pTree
    // shows.
    ChangeMarks(QWidget *pWindow, QAbstractItemView *pTree, ArchiveModel *pModel);
    ~ChangeMarks() override;

    // Marks the tree's file nodes whose files below sSubFolder changed since
    // Extract and keeps the marks up to date. Without a snapshot of that folder
    // nothing is known, and nothing is marked.
    void Follow(const std::string &sSubFolder);
    // Takes every mark away and stops following; call it before the model's
    // entries change.
    void Stop();
    // Brings the marks up to date now.
    void Refresh();

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    // While the window is disabled: notes that a refresh is due once it is enabled
    // again, and gives true.
    bool PutOffWhileDisabled();
    // Watches the folders of the unpacked files that exist and are not watched yet.
    void WatchFolders();

    QWidget *m_pWindow;
    ArchiveModel *m_pModel;
    std::unique_ptr<ChangeScan> m_pScan;
    // Every entry the tree shows that the snapshot holds, with its place there.
    std::vector<std::pair<std::size_t, std::size_t>> m_entries;
    // Per entry of the snapshot: whether the tree shows it. Files the tree does not
    // show are never looked at.
    std::vector<bool> m_shown;
    QFileSystemWatcher m_watcher;
    // Lets a burst of folder changes (a program saving through temporary files)
    // settle into one refresh.
    QTimer m_settle;
    bool m_bRefreshDue = false; // a refresh waits for the window to be enabled
};
