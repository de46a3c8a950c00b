// frmFind: Find in Archives, a window of Keplo's main window. What the user types is
// matched against the path of every entry of every archive of the game as they type
// (ArchiveSearch.h); the matches fill a table. Enter or a double-click on a match hands
// it to the main window, which chooses its archive and selects the entry in the tree.
// A greyed match (one the tree does not show) chooses nothing: the line below the
// table says why.
//
// The listings are read when the window opens, and again for each archive whose size
// or time changed, with the main window in its busy state: the two never run engine
// calls side by side, and, the window being the main window's, neither takes input
// meanwhile (nor while the settings dialog is open).
#pragma once

#include "editor/ArchiveSearch.h"
#include "editor/FindResultsModel.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTableView;

class frmFind : public QWidget {
    Q_OBJECT

public:
    // The archives to search, as the chooser knows them.
    using ArchivesFn = std::function<std::vector<GameArchiveChoice>()>;
    // The game's folders that cannot be read, each as "<folder>: <why>".
    using UnreadableFn = std::function<std::vector<std::string>()>;
    // Chooses the match's archive and selects its entry (path "/" between folders).
    using OpenFn = std::function<void(const GameArchiveChoice &, const QString &)>;

    frmFind(QWidget *pMain, ArchivesFn fnArchives, UnreadableFn fnUnreadable, OpenFn fnOpen);

    // Reads every listing that is not read yet, or changed (in the main window's busy
    // state), then matches the text box's pattern.
    void Search();
    // Hands the table's current match to the main window; a greyed match only has its
    // reason shown. False when nothing was handed on.
    bool OpenCurrent();

    // The keyboard to the text box, its text selected.
    void FocusText();

    const ArchiveSearchIndex &Index() const { return m_index; }
    const FindResultsModel &Results() const { return *m_pResults; }
    QString Status() const;
    QString Reason() const;

protected:
    bool event(QEvent *pEvent) override;
    void showEvent(QShowEvent *pEvent) override;

private:
    void ShowReason();

    ArchivesFn m_fnArchives;
    UnreadableFn m_fnUnreadable;
    OpenFn m_fnOpen;
    ArchiveSearchIndex m_index;
    FindResultsModel *m_pResults;
    QLineEdit *m_pFind;
    QTableView *m_pMatches;
    QLabel *m_pReason;
    QLabel *m_pStatus;
    QProgressBar *m_pBar;
    bool m_bSearching = false;
};
