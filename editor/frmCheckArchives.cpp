#include "editor/frmCheckArchives.h"

#include "support/kept/KeptVersions.h"
#include "support/ui/BusyState.h"
#include "support/ui/JobMessages.h"
#include "support/ui/LongJob.h"
#include "support/ui/Logging.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

// Runs each archive's test as a long job of the window and lets the window read its
// progress while it runs.
class CheckRunner final : public JobRunner {
public:
    void Run(const std::function<void()> &fnWork,
             const std::function<JobFraction()> &fnProgress) override {
        m_pProgress = &fnProgress;
        RunLongJob(fnWork);
        m_pProgress = nullptr;
    }
    // How far the running test has come; read on the window's thread while it runs.
    JobFraction Now() const { return m_pProgress ? (*m_pProgress)() : JobFraction{}; }

private:
    const std::function<JobFraction()> *m_pProgress = nullptr;
};

namespace {

constexpr int kBarSteps = 10000;

// The archive as the lines show it: its path below GameData ("base/scripts.vl2").
QString ShownName(const GameArchive &archive) {
    return QString::fromStdString(archive.sKey.substr(std::string("GameData/").size()));
}

QString ResultText(const JobOutcome &outcome) {
    if (outcome.IsDone())
        return QStringLiteral("OK");
    if (outcome.IsFailed())
        return QStringLiteral("unreadable");
    return outcome.lFailedEntries == 1
               ? QStringLiteral("damaged: 1 entry fails")
               : QStringLiteral("damaged: %1 entries fail").arg(outcome.lFailedEntries);
}

} // namespace

frmCheckArchives::frmCheckArchives(QWidget *parent, std::string sGameFolder,
                                   RestoreOriginal fnRestore)
    : QDialog(parent), m_sGameFolder(std::move(sGameFolder)), m_fnRestore(std::move(fnRestore)) {
    SetUpForm();
    // Every line is as high as the button that a line may come to hold.
    const int nLineHeight = QPushButton(QStringLiteral("Restore Original...")).sizeHint().height();
    for (GameArchive &archive : GameArchives(m_sGameFolder)) {
        // An empty archive still counts for a step of the bar.
        m_lTotalBytes += std::max<std::uint64_t>(archive.lSize, 1);
        auto *pItem = new QTreeWidgetItem(treChecks, {ShownName(archive), QString()});
        pItem->setToolTip(kArchiveColumn, QString::fromStdString(archive.sPath));
        pItem->setSizeHint(kArchiveColumn, QSize(0, nLineHeight));
        m_lines.push_back(Line{std::move(archive), JobOutcome{}, false});
    }
}

frmCheckArchives::~frmCheckArchives() = default;

void frmCheckArchives::SetUpForm() {
    setObjectName(QStringLiteral("frmCheckArchives"));
    setWindowTitle(QStringLiteral("Check All Archives"));
    setWindowModality(Qt::WindowModal);
    resize(520, 360);

    lblCheckStatus = new QLabel(this);
    lblCheckStatus->setObjectName(QStringLiteral("lblCheckStatus"));
    lblCheckStatus->setWordWrap(true);
    prgCheck = new QProgressBar(this);
    prgCheck->setObjectName(QStringLiteral("prgCheck"));
    prgCheck->setRange(0, kBarSteps);
    prgCheck->setValue(0);
    prgCheck->setTextVisible(false);
    treChecks = new QTreeWidget(this);
    treChecks->setObjectName(QStringLiteral("treChecks"));
    treChecks->setColumnCount(3);
    treChecks->setHeaderLabels({QStringLiteral("Archive"), QStringLiteral("Result"), QString()});
    treChecks->setRootIsDecorated(false);
    treChecks->setUniformRowHeights(true);
    treChecks->setSelectionMode(QAbstractItemView::NoSelection);
    treChecks->setFocusPolicy(Qt::NoFocus);
    treChecks->header()->setStretchLastSection(false);
    treChecks->header()->setSectionResizeMode(kArchiveColumn, QHeaderView::Stretch);
    treChecks->header()->setSectionResizeMode(kResultColumn, QHeaderView::ResizeToContents);
    treChecks->header()->setSectionResizeMode(kRestoreColumn, QHeaderView::ResizeToContents);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(cmdClose);
    auto *pLayout = new QVBoxLayout(this);
    pLayout->addWidget(lblCheckStatus);
    pLayout->addWidget(prgCheck);
    pLayout->addWidget(treChecks, 1);
    pLayout->addLayout(pButtons);

    tmrProgress = new QTimer(this);
    tmrProgress->setInterval(kJobBarMilliseconds);
    connect(tmrProgress, &QTimer::timeout, this, &frmCheckArchives::MoveBar);
}

QPushButton *frmCheckArchives::RestoreButton(int nRow) const {
    QTreeWidgetItem *pItem = treChecks->topLevelItem(nRow);
    return pItem ? qobject_cast<QPushButton *>(treChecks->itemWidget(pItem, kRestoreColumn))
                 : nullptr;
}

void frmCheckArchives::CheckAll() {
    if (m_lines.empty()) {
        lblCheckStatus->setText(QStringLiteral("There are no archives in %1.")
                                    .arg(QString::fromStdString(m_sGameFolder + "GameData")));
        prgCheck->hide();
        return;
    }
    {
        BusyState busy(this);
        m_lBytesBefore = 0;
        for (std::size_t lRow = 0; lRow < m_lines.size(); ++lRow) {
            lblCheckStatus->setText(QStringLiteral("Checking %1 of %2: %3")
                                        .arg(lRow + 1)
                                        .arg(m_lines.size())
                                        .arg(ShownName(m_lines[lRow].archive)));
            CheckLine(lRow);
            m_lBytesBefore += std::max<std::uint64_t>(m_lines[lRow].archive.lSize, 1);
        }
        prgCheck->setValue(kBarSteps);
    }
    ShowSummary();
    cmdClose->setFocus();
}

void frmCheckArchives::CheckLine(std::size_t lRow) {
    Line &line = m_lines[lRow];
    treChecks->topLevelItem(static_cast<int>(lRow))
        ->setText(kResultColumn, QStringLiteral("checking..."));
    treChecks->scrollToItem(treChecks->topLevelItem(static_cast<int>(lRow)));
    CheckRunner runner;
    m_pRunner = &runner;
    m_lBytesNow = std::max<std::uint64_t>(line.archive.lSize, 1);
    tmrProgress->start();
    line.outcome = CheckArchiveFile(line.archive.sPath, runner);
    tmrProgress->stop();
    m_pRunner = nullptr;
    line.bChecked = true;
    qCInfo(lcEditor).noquote() << "checked" << QString::fromStdString(line.archive.sPath) << ":"
                               << ResultText(line.outcome);
    ShowLine(lRow);
}

void frmCheckArchives::MoveBar() {
    if (!m_pRunner || m_lTotalBytes == 0)
        return;
    const JobFraction fraction = m_pRunner->Now();
    std::uint64_t lDone = m_lBytesBefore;
    if (fraction.lTotal > 0)
        lDone += static_cast<std::uint64_t>(static_cast<unsigned __int128>(
                                                std::min(fraction.lDone, fraction.lTotal)) *
                                            m_lBytesNow / fraction.lTotal);
    prgCheck->setValue(static_cast<int>(static_cast<unsigned __int128>(lDone) * kBarSteps /
                                        m_lTotalBytes));
}

void frmCheckArchives::ShowLine(std::size_t lRow) {
    const Line &line = m_lines[lRow];
    QTreeWidgetItem *pItem = treChecks->topLevelItem(static_cast<int>(lRow));
    pItem->setText(kResultColumn, ResultText(line.outcome));
    pItem->setToolTip(kResultColumn, ReasonText(line.outcome.sReason));
    treChecks->removeItemWidget(pItem, kRestoreColumn);
    if (line.outcome.IsDone())
        return;
    // Only a kept file can mend an archive.
    const KeptPlace place{m_sGameFolder, line.archive.sKey};
    const KeptArchive kept = ReadKept(place);
    if (!kept.original || kept.original->eState != KeptState::File)
        return;
    auto *pRestore = new QPushButton(QStringLiteral("Restore Original..."));
    pRestore->setObjectName(QStringLiteral("cmdRestore"));
    pRestore->setToolTip(QStringLiteral("Put back the original of %1, kept on %2")
                             .arg(QString::fromStdString(place.FileName()),
                                  QString::fromStdString(KeptDateText(kept.original->lKeptAt))));
    // Acts once the click is over: checking the line again replaces this button.
    connect(
        pRestore, &QPushButton::clicked, this, [this, lRow] { cmdRestore_Click(lRow); },
        Qt::QueuedConnection);
    treChecks->setItemWidget(pItem, kRestoreColumn, pRestore);
}

void frmCheckArchives::ShowSummary() {
    std::size_t lOk = 0, lDamaged = 0, lUnreadable = 0;
    for (const Line &line : m_lines) {
        lOk += line.outcome.IsDone();
        lDamaged += line.outcome.IsPartly();
        lUnreadable += line.outcome.IsFailed();
    }
    QStringList parts{QStringLiteral("%1 OK").arg(lOk)};
    if (lDamaged > 0)
        parts << QStringLiteral("%1 damaged").arg(lDamaged);
    if (lUnreadable > 0)
        parts << QStringLiteral("%1 unreadable").arg(lUnreadable);
    lblCheckStatus->setText(
        (m_lines.size() == 1 ? QStringLiteral("1 archive checked: ")
                             : QStringLiteral("%1 archives checked: ").arg(m_lines.size())) +
        parts.join(QStringLiteral(", ")) + QLatin1Char('.'));
}

void frmCheckArchives::cmdRestore_Click(std::size_t lRow) {
    const KeptPlace place{m_sGameFolder, m_lines[lRow].archive.sKey};
    if (!m_fnRestore || !m_fnRestore(this, prgCheck, place))
        return;
    // The archive as it is now, checked again.
    {
        BusyState busy(this);
        m_lBytesBefore = 0;
        m_lTotalBytes = std::max<std::uint64_t>(m_lines[lRow].archive.lSize, 1);
        CheckLine(lRow);
        prgCheck->setValue(kBarSteps);
    }
    ShowSummary();
}
