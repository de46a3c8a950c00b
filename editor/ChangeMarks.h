// Marks in the category tree the files that changed since Extract: the model's
// nodes of those files carry the mark (ArchiveModel), which the tree draws as their
// text in bold, a small mark on their icon (ChangeMarkDelegate) and a tooltip that
// says so. The nodes keep their texts, icons and order. The marks are brought up to
// date when the window becomes active again (the user comes back from the program
// they edited in) and shortly after a folder of the unpacked files changes (a file
// was added, removed or renamed over another). While the window is disabled (busy
// with a job that writes or removes those files, or behind the settings dialog)
// they wait, and are brought up to date once it takes input again.
//
// Looking at every unpacked file takes a while for an archive of many thousands of
// entries: on those occasions the files are looked at on a thread of their own while
// the window goes on, and the marks change when that is done.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class ArchiveModel;
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
    // nothing is known, and nothing is marked. It reads the snapshot and looks at the
    // files as a long job: call it in the window's busy state.
    void Follow(const std::string &sSubFolder);
    // Takes every mark away and stops following; call it before the model's
    // entries change.
    void Stop();
    // Brings the marks up to date now.
    void Refresh();
    // Whether the files are being looked at on a thread of their own.
    bool Refreshing() const { return m_bScanning; }

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override;

private:
    struct Followed;

    // Brings the marks up to date once the files have been looked at on a thread of
    // their own.
    void RefreshInTheBackground();
    void BackgroundScanDone(std::uint64_t lGeneration, const std::vector<bool> &changed);
    // Marks the nodes by what changed, per entry of the snapshot.
    void Apply(const std::vector<bool> &changed);
    // While the window is disabled: notes that a refresh is due once it is enabled
    // again, and gives true.
    bool PutOffWhileDisabled();
    // Watches the folders of the unpacked files that exist and are not watched yet.
    void WatchFolders();

    QWidget *m_pWindow;
    ArchiveModel *m_pModel;
    // What is followed; a scan on another thread holds it as long as it runs.
    std::shared_ptr<const Followed> m_pFollowed;
    // Counts the times following started or stopped: a scan's result is for the
    // marks of the generation it started in only.
    std::uint64_t m_lGeneration = 0;
    std::thread m_scanner;
    bool m_bScanning = false;
    bool m_bScanAgain = false; // something changed while a scan ran
    QFileSystemWatcher m_watcher;
    // Lets a burst of folder changes (a program saving through temporary files)
    // settle into one refresh.
    QTimer m_settle;
    bool m_bRefreshDue = false; // a refresh waits for the window to be enabled
};
