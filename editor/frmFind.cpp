#include "editor/frmFind.h"

#include "editor/ItemEnterFilter.h"
#include "support/ui/Artwork.h"
#include "support/ui/BusyState.h"
#include "support/ui/LongJob.h"
#include "support/ui/Logging.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

namespace {

// Down or Enter in the text box moves to the table's first match.
class ToTableKeys final : public QObject {
public:
    ToTableKeys(QLineEdit *pFind, QTableView *pTable)
        : QObject(pFind), m_pFind(pFind), m_pTable(pTable) {
        pFind->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override {
        if (pWatched != m_pFind || pEvent->type() != QEvent::KeyPress)
            return false;
        const int nKey = static_cast<QKeyEvent *>(pEvent)->key();
        if (nKey != Qt::Key_Down && nKey != Qt::Key_Return && nKey != Qt::Key_Enter)
            return false;
        if (m_pTable->model()->rowCount() == 0)
            return true;
        if (!m_pTable->currentIndex().isValid())
            m_pTable->setCurrentIndex(m_pTable->model()->index(0, 0));
        m_pTable->setFocus();
        return true;
    }

private:
    QLineEdit *m_pFind;
    QTableView *m_pTable;
};

} // namespace

frmFind::frmFind(QWidget *pMain, ArchivesFn fnArchives, UnreadableFn fnUnreadable, OpenFn fnOpen)
    : QWidget(pMain, Qt::Window), m_fnArchives(std::move(fnArchives)),
      m_fnUnreadable(std::move(fnUnreadable)), m_fnOpen(std::move(fnOpen)) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find in Archives"));
    setWindowIcon(ProgramIcon());

    auto *pLabel = new QLabel(QStringLiteral("&Find:"), this);
    m_pFind = new QLineEdit(this);
    m_pFind->setObjectName(QStringLiteral("txtFind"));
    m_pFind->setPlaceholderText(QStringLiteral("part of a path; * and ? are wildcards"));
    m_pFind->setClearButtonEnabled(true);
    pLabel->setBuddy(m_pFind);

    m_pResults = new FindResultsModel(m_index, this);
    m_pMatches = new QTableView(this);
    m_pMatches->setObjectName(QStringLiteral("tblMatches"));
    m_pMatches->setModel(m_pResults);
    m_pMatches->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pMatches->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pMatches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pMatches->setWordWrap(false);
    // A path cut short keeps its file name in view.
    m_pMatches->setTextElideMode(Qt::ElideMiddle);
    m_pMatches->setTabKeyNavigation(false);
    m_pMatches->verticalHeader()->hide();
    // Rows of one height: a table of 200,000 matches is laid out at once.
    m_pMatches->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pMatches->verticalHeader()->setDefaultSectionSize(m_pMatches->fontMetrics().height() + 6);
    QHeaderView *pHeader = m_pMatches->horizontalHeader();
    pHeader->setSectionResizeMode(FindResultsModel::kPath, QHeaderView::Stretch);
    pHeader->resizeSection(FindResultsModel::kArchive, 150);
    pHeader->resizeSection(FindResultsModel::kSize, 90);
    pHeader->resizeSection(FindResultsModel::kModified, 125);
    pHeader->setHighlightSections(false);

    m_pReason = new QLabel(this);
    m_pReason->setObjectName(QStringLiteral("lblReason"));
    m_pReason->setTextFormat(Qt::PlainText);
    m_pReason->setWordWrap(true);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("lblFindStatus"));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setWordWrap(true);
    m_pBar = new QProgressBar(this);
    m_pBar->setObjectName(QStringLiteral("ProgressBar"));
    m_pBar->setTextVisible(false);
    m_pBar->hide();

    auto *pFindRow = new QHBoxLayout;
    pFindRow->addWidget(pLabel);
    pFindRow->addWidget(m_pFind, 1);
    auto *pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pFindRow);
    pLayout->addWidget(m_pMatches, 1);
    pLayout->addWidget(m_pReason);
    pLayout->addWidget(m_pStatus);
    pLayout->addWidget(m_pBar);
    resize(720, 460);

    connect(m_pFind, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(m_pMatches, &QAbstractItemView::doubleClicked, this, [this] { OpenCurrent(); });
    connect(m_pMatches->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowReason(); });
    new ItemEnterFilter(m_pMatches, [this] { OpenCurrent(); });
    new ToTableKeys(m_pFind, m_pMatches);
    // Ctrl+F here too goes back to the text box.
    auto *pFindAgain = new QAction(this);
    pFindAgain->setShortcut(QKeySequence::Find);
    connect(pFindAgain, &QAction::triggered, this, &frmFind::FocusText);
    addAction(pFindAgain);
    auto *pClose = new QAction(this);
    pClose->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(pClose, &QAction::triggered, this, &QWidget::close);
    addAction(pClose);
    m_pStatus->setText(QStringLiteral("Type part of a path: * stands for any characters, ? for "
                                      "one. Letter case does not matter."));
}

void frmFind::showEvent(QShowEvent *pEvent) {
    QWidget::showEvent(pEvent);
    // The listings are read as soon as the window is up, before the first key.
    QTimer::singleShot(0, this, [this] { Search(); });
}

bool frmFind::event(QEvent *pEvent) {
    // Coming back to the window picks up archives changed meanwhile, as a key would.
    if (pEvent->type() == QEvent::WindowActivate && isEnabled() && !m_pFind->text().isEmpty())
        Search();
    return QWidget::event(pEvent);
}

void frmFind::Search() {
    // The busy state below handles events: no second search may start inside it.
    if (m_bSearching)
        return;
    m_bSearching = true;
    struct Done {
        bool &bFlag;
        ~Done() { bFlag = false; }
    } done{m_bSearching};
    const std::size_t lToRead = m_index.Prepare(m_fnArchives());
    const bool bReadBefore = m_index.ListingsRead() > 0;
    if (lToRead > 0) {
        QWidget *pMain = parentWidget();
        // Another engine call may be running behind a dialog of the main window.
        if (QWidget *pModal = QApplication::activeModalWidget(); pModal && pModal != this) {
            m_pStatus->setText(QStringLiteral("Close the open dialog to search."));
            return;
        }
        {
            BusyState busy(pMain ? pMain : this);
            std::atomic<int> lRead{0};
            RunLongJob([&] { m_index.ReadMissing(&lRead); },
                       JobProgress{m_pBar, static_cast<int>(lToRead),
                                   [&] { return lRead.load(std::memory_order_relaxed); }});
        }
        qCInfo(lcEditor).noquote() << "find: read" << lToRead << "listings"
                                   << (bReadBefore ? "again" : "");
        // The busy state took the keyboard from the text box.
        if (isActiveWindow())
            m_pFind->setFocus();
    }

    const SearchPattern pattern(m_pFind->text());
    m_pResults->SetMatches(m_index.Search(pattern));
    std::set<std::uint32_t> archives;
    for (const SearchMatch &match : m_pResults->Matches())
        archives.insert(match.lArchive);
    QStringList lines;
    const auto nMatches = m_pResults->Matches().size();
    if (pattern.IsEmpty())
        lines << QStringLiteral("Type part of a path: * stands for any characters, ? for one. "
                                "Letter case does not matter.");
    else if (nMatches == 0)
        lines << QStringLiteral("No entry matches.");
    else
        lines << QStringLiteral("%1 %2 in %3 %4.")
                     .arg(nMatches)
                     .arg(nMatches == 1 ? QStringLiteral("match") : QStringLiteral("matches"))
                     .arg(archives.size())
                     .arg(archives.size() == 1 ? QStringLiteral("archive")
                                               : QStringLiteral("archives"));
    bool bGreyed = false;
    for (int nRow = 0; nRow < m_pResults->rowCount() && !bGreyed; ++nRow)
        bGreyed = m_pResults->IsHidden(nRow);
    if (bGreyed)
        lines.last() += QStringLiteral(" Greyed ones are not shown in the tree: select one to "
                                       "see why.");
    for (const std::string &sFolder : m_fnUnreadable())
        lines << QStringLiteral("The folder GameData/%1.")
                     .arg(QString::fromStdString(sFolder).replace(
                         QStringLiteral(": "), QStringLiteral(" cannot be read: ")));
    for (std::size_t a = 0; a < m_index.ArchiveCount(); ++a)
        if (!m_index.At(a).sProblem.isEmpty())
            lines << QStringLiteral("%1 could not be read: %2")
                         .arg(m_index.At(a).choice.sDisplay, m_index.At(a).sProblem);
    m_pStatus->setText(lines.join(QLatin1Char('\n')));
    ShowReason();
}

bool frmFind::OpenCurrent() {
    const int nRow = m_pMatches->currentIndex().row();
    if (nRow < 0)
        return false;
    ShowReason();
    if (m_pResults->IsHidden(nRow))
        return false;
    const SearchMatch match = m_pResults->Matches()[static_cast<std::size_t>(nRow)];
    const ArchiveSearchIndex::Archive &archive = m_index.At(match.lArchive);
    const std::string_view sPath = archive.listing.Path(match.lEntry);
    // Choosing lists the archive anew, and may come back here for another search: the
    // match is taken by value first.
    const GameArchiveChoice choice = archive.choice;
    m_fnOpen(choice, QString::fromUtf8(sPath.data(), static_cast<qsizetype>(sPath.size())));
    return true;
}

void frmFind::ShowReason() {
    m_pReason->setText(m_pResults->HiddenReason(m_pMatches->currentIndex().row()));
    m_pReason->setVisible(!m_pReason->text().isEmpty());
}

void frmFind::FocusText() {
    m_pFind->setFocus();
    m_pFind->selectAll();
}

QString frmFind::Status() const {
    return m_pStatus->text();
}

QString frmFind::Reason() const {
    return m_pReason->text();
}
