// frmCheckArchives: the "Check All Archives" window. It tests every archive of the game
// (every entry's data against its CRC, through the engine's test mode) one after the
// other, with a progress bar, while the window stays live, and shows one line per
// archive: OK, damaged (how many entries fail) or unreadable. A damaged or unreadable
// archive whose original is kept offers, on its line, to put the original back.
#pragma once

#include "support/kept/ArchiveCheck.h"
#include "support/kept/KeptPlaces.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

class frmCheckArchives final : public QDialog {
    Q_OBJECT

public:
    // Puts the original of an archive back, asking first (the main window's); true when
    // it did. Its boxes belong to the first argument, a copy's progress to the second.
    using RestoreOriginal = std::function<bool(QWidget *, QProgressBar *, const KeptPlace &)>;

    frmCheckArchives(QWidget *parent, std::string sGameFolder, RestoreOriginal fnRestore);
    ~frmCheckArchives() override;

    // Checks every archive of the game, line by line; returns when all are checked.
    void CheckAll();

    // The lines: column 0 the archive, 1 its result, 2 the offer to restore it.
    QTreeWidget *Lines() const { return treChecks; }
    QLabel *Summary() const { return lblCheckStatus; }
    // The button of a line that offers to restore it; nullptr when it offers none.
    QPushButton *RestoreButton(int nRow) const;

    static constexpr int kArchiveColumn = 0;
    static constexpr int kResultColumn = 1;
    static constexpr int kRestoreColumn = 2;

private:
    struct Line {
        GameArchive archive;
        JobOutcome outcome;
        bool bChecked = false;
    };

    void SetUpForm();
    // Checks the archive of one line, its progress shown over the whole bar.
    void CheckLine(std::size_t lRow);
    void ShowLine(std::size_t lRow);
    void ShowSummary();
    void cmdRestore_Click(std::size_t lRow);
    // The bar's value while the line's archive is checked.
    void MoveBar();

    std::string m_sGameFolder;
    RestoreOriginal m_fnRestore;
    std::vector<Line> m_lines;
    std::uint64_t m_lTotalBytes = 0;
    std::uint64_t m_lBytesBefore = 0; // of the lines checked before the one being checked
    std::uint64_t m_lBytesNow = 0;    // of the line being checked
    class CheckRunner *m_pRunner = nullptr;
    bool m_bChecking = false;

    QLabel *lblCheckStatus = nullptr;
    QProgressBar *prgCheck = nullptr;
    QTreeWidget *treChecks = nullptr;
    QPushButton *cmdClose = nullptr;
    QTimer *tmrProgress = nullptr;
};
