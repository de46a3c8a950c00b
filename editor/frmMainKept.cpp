// Keplo's way back: the chooser's context menu with the chosen archive's kept versions
// ("Restore Original Archive...", "Undo Last Save..."), "Check All Archives..." and
// "Find in Archives...".
// What is kept, and how a version is put back, is support/kept's; the window asks
// and shows.
#include "editor/ChangeMarks.h"
#include "editor/frmCheckArchives.h"
#include "editor/frmMain.h"
#include "support/kept/KeptVersions.h"
#include "support/modOther.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/KeptWriting.h"
#include "support/ui/Logging.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>
#include <functional>

namespace {

// Opens the chooser's menu on a right-click or the menu key (the window system sends
// both as a context menu request) and on Shift+F10.
class ChooserMenuKeys final : public QObject {
public:
    ChooserMenuKeys(QWidget *pChooser, std::function<void(const QPoint &)> fnShow)
        : QObject(pChooser), m_pChooser(pChooser), m_fnShow(std::move(fnShow)) {
        pChooser->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override {
        if (pWatched != m_pChooser)
            return false;
        if (pEvent->type() == QEvent::ContextMenu) {
            const auto *pMenuEvent = static_cast<QContextMenuEvent *>(pEvent);
            // From the keyboard the menu opens below the chooser, not at the pointer.
            m_fnShow(pMenuEvent->reason() == QContextMenuEvent::Mouse ? pMenuEvent->globalPos()
                                                                       : BelowChooser());
            return true;
        }
        if (pEvent->type() == QEvent::KeyPress) {
            const auto *pKey = static_cast<QKeyEvent *>(pEvent);
            if (pKey->key() == Qt::Key_F10 && pKey->modifiers() == Qt::ShiftModifier) {
                m_fnShow(BelowChooser());
                return true;
            }
        }
        return false;
    }

private:
    QPoint BelowChooser() const { return m_pChooser->mapToGlobal(QPoint(0, m_pChooser->height())); }

    QWidget *m_pChooser;
    std::function<void(const QPoint &)> m_fnShow;
};

QString Name(const KeptPlace &place) {
    return QString::fromStdString(place.FileName());
}

// The date and time never part at the end of a box's line.
QString Date(const KeptRecord &record) {
    return QString::fromStdString(KeptDateText(record.lKeptAt))
        .replace(QLatin1Char(' '), QChar(0x00A0));
}

// The question before a kept version is put back: what, of when, and what becomes of
// the archive as it is now.
QString PutBackQuestion(const KeptArchive &kept, KeptKind eKind) {
    const KeptRecord &record = *kept.Version(eKind);
    const QString sName = Name(kept.place);
    QString sText;
    if (record.eState == KeptState::None)
        sText = QStringLiteral("Take %1 out of the game? It was not there before %2, when %3 "
                               "created it.\n\nIt will be kept as the previous version, so that "
                               "this can be undone.")
                    .arg(sName, Date(record), QString::fromStdString(record.sProgram));
    else if (eKind == KeptKind::Original)
        sText = QStringLiteral("Put the original of %1 back, as it was kept on %2?\n\nThe archive "
                               "as it is now will be kept as the previous version, so that this "
                               "can be undone.")
                    .arg(sName, Date(record));
    else
        sText = QStringLiteral("Undo the last save of %1 and put back the version kept on "
                               "%2?\n\nThe archive as it is now will be kept as the previous "
                               "version, so that this can be undone too.")
                    .arg(sName, Date(record));
    if (kept.bChangedOutside)
        sText += QStringLiteral("\n\n%1 has changed since it was last saved here (by a game "
                                "patch, perhaps).")
                     .arg(sName);
    return sText + QStringLiteral("\n\n") + QString::fromStdString(kept.place.ArchivePath());
}

} // namespace

void frmMain::SetUpChooserMenu() {
    new ChooserMenuKeys(drpVL2File, [this](const QPoint &globalPos) { ShowChooserMenu(globalPos); });
}

void frmMain::FillChooserMenu(QMenu &menu) {
    const std::optional<KeptPlace> place = ChosenKeptPlace();
    const KeptArchive kept = place ? ReadKept(*place) : KeptArchive{};
    auto add = [&](const QString &sText, const char *sName, void (frmMain::*pHandler)(),
                   bool bEnabled) { AddMenuItem(menu, sText, sName, pHandler, bEnabled); };
    add(QStringLiteral("&Restore Original Archive..."), "mnuRestoreOriginal",
        &frmMain::RestoreOriginalArchive, place && kept.original);
    add(QStringLiteral("&Undo Last Save..."), "mnuUndoLastSave", &frmMain::UndoLastSave,
        place && kept.previous);
    menu.addSeparator();
    add(QStringLiteral("&Check All Archives..."), "mnuCheckAllArchives",
        &frmMain::CheckAllArchives, !GameFolder().empty());
    add(QStringLiteral("&Find in Archives..."), "mnuFindInArchives", &frmMain::OpenFind,
        !GameBaseFolder().empty());
}

void frmMain::AddMenuItem(QMenu &menu, const QString &sText, const char *sName,
                          void (frmMain::*pHandler)(), bool bEnabled) {
    QAction *pAction = menu.addAction(sText);
    pAction->setObjectName(QString::fromLatin1(sName));
    pAction->setEnabled(bEnabled);
    // The item acts once the menu is gone: a menu deletes itself when it closes, which
    // the long jobs' event handling would otherwise do under its feet.
    connect(pAction, &QAction::triggered, this, pHandler, Qt::QueuedConnection);
}

void frmMain::ShowChooserMenu(const QPoint &globalPos) {
    auto *pMenu = new QMenu(this);
    pMenu->setObjectName(QStringLiteral("mnuChooser"));
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    FillChooserMenu(*pMenu);
    pMenu->popup(globalPos);
}

std::optional<KeptPlace> frmMain::ChosenKeptPlace() const {
    const std::string sArchive = ArchivePath();
    if (sArchive.empty())
        return std::nullopt;
    const std::optional<std::string> sKey = KeptKeyOf(GameFolder(), sArchive);
    if (!sKey)
        return std::nullopt;
    return KeptPlace{GameFolder(), *sKey};
}

std::string frmMain::UnpackedFolder(const KeptPlace &place) const {
    // The chosen archive is unpacked when the window is editing it; any other one
    // when its folder in the work folder holds files.
    const std::optional<KeptPlace> chosen = ChosenKeptPlace();
    if (chosen && chosen->sKey == place.sKey) {
        const std::string sProbe = ProbeFile();
        return !sProbe.empty() && FileExists(sProbe) == 1 ? ArchiveSubFolder() : std::string();
    }
    return UnpackedFolderOf(WorkFolder(), place);
}

void frmMain::RestoreOriginalArchive() {
    if (const std::optional<KeptPlace> place = ChosenKeptPlace())
        PutBackKept(this, ProgressBar, *place, KeptKind::Original);
}

void frmMain::UndoLastSave() {
    if (const std::optional<KeptPlace> place = ChosenKeptPlace())
        PutBackKept(this, ProgressBar, *place, KeptKind::Previous);
}

void frmMain::CheckAllArchives() {
    auto *pCheck = new frmCheckArchives(
        this, GameFolder(), [this](QWidget *pOwner, QProgressBar *pBar, const KeptPlace &place) {
            return PutBackKept(pOwner, pBar, place, KeptKind::Original);
        });
    pCheck->setAttribute(Qt::WA_DeleteOnClose);
    pCheck->show();
    pCheck->CheckAll();
}

bool frmMain::PutBackKept(QWidget *pOwner, QProgressBar *pBar, const KeptPlace &place,
                          KeptKind eKind) {
    const QString sTitle = QStringLiteral("Keplo");
    const QString sName = Name(place);
    const QString sWhich = eKind == KeptKind::Original ? QStringLiteral("original")
                                                       : QStringLiteral("previous version");
    // Save would write the unpacked files over whatever was put back.
    if (const std::string sUnpacked = UnpackedFolder(place); !sUnpacked.empty()) {
        Desktop().MessageBox(pOwner,
                             QStringLiteral("%1 is unpacked in the work folder. Save or Cancel "
                                            "its changes first.\n\n")
                                     .arg(sName) +
                                 QString::fromStdString(sUnpacked),
                             MsgButtons::OK, MsgIcon::Exclamation, sTitle);
        return false;
    }
    const KeptArchive kept = ReadKept(place);
    if (!kept.Version(eKind)) {
        Desktop().MessageBox(pOwner,
                             QStringLiteral("No %1 of %2 is kept.").arg(sWhich, sName),
                             MsgButtons::OK, MsgIcon::Exclamation, sTitle);
        return false;
    }
    if (Desktop().MessageBox(pOwner, PutBackQuestion(kept, eKind), MsgButtons::YesNo,
                             MsgIcon::Question, sTitle, MsgAnswer::No) != MsgAnswer::Yes)
        return false;

    KeptOutcome outcome;
    {
        BusyState busy(pOwner);
        outcome = RestoreAsLongJob(place, eKind, "Keplo", pBar);
    }
    qCInfo(lcEditor).noquote() << "put back the" << sWhich << "of"
                               << QString::fromStdString(place.ArchivePath()) << ":"
                               << QString::fromStdString(outcome.sReason.empty() ? "done"
                                                                                 : outcome.sReason);
    if (!outcome.IsDone()) {
        const QString sText =
            outcome.eKind == KeptOutcome::Kind::Damaged
                ? QStringLiteral("The kept %1 of %2 is damaged, so it was not put back. The "
                                 "archive is as it was.")
                : QStringLiteral("The %1 of %2 could not be put back. The archive is as it was.");
        Desktop().MessageBox(pOwner,
                             WithReason(sText.arg(sWhich, sName), outcome.sReason,
                                        QString::fromStdString(outcome.sPath)),
                             MsgButtons::OK, MsgIcon::Critical, sTitle);
        return false;
    }
    ShowPutBack(place);
    const KeptRecord &record = *kept.Version(eKind);
    lblStatus->setText(record.eState == KeptState::None
                           ? QStringLiteral("%1 was taken out of the game.").arg(sName)
                       : eKind == KeptKind::Original
                           ? QStringLiteral("The original of %1 was put back.").arg(sName)
                           : QStringLiteral("The last save of %1 was undone.").arg(sName));
    return true;
}

void frmMain::ShowPutBack(const KeptPlace &place) {
    const std::optional<KeptPlace> chosen = ChosenKeptPlace();
    const bool bChosen = chosen && chosen->sKey == place.sKey;
    const bool bListed =
        std::any_of(m_vChoices.begin(), m_vChoices.end(), [&](const GameArchiveChoice &choice) {
            return choice.sPath == place.ArchivePath();
        });
    const bool bThere = FileExists(place.ArchivePath()) == 1;
    // An archive that came or went: the chooser is filled anew, the choice kept.
    if (bListed != bThere && !RefreshArchiveChooser() && bChosen)
        return;
    if (bChosen && bThere) {
        OpenChosenArchive();
        UpdateButtons();
        FollowChanges();
    }
}
