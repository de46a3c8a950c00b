// window-bench: figures of Keplo's main window on the benchmark corpus, timed
// inside the process (start-up and the untimed preparation left out).
//
//   window-bench list ARCHIVE [--runs N] [--walk-runs N]
//       Lists ARCHIVE into the window as choosing it does, from the choice to the
//       tree painted ("window-list index"), and the same listing with the tree built
//       by walking every node for every entry, one tree widget item per node
//       ("window-list walk"), the baseline; its time grows with the square of the
//       entries, and --walk-runs 0 leaves it out. Of the listing, the archive job
//       alone, the engine's listing into the unzip component ("window-list engine").
//   window-bench save ARCHIVE [--runs N]
//       Extracts a fresh copy of ARCHIVE, changes one script and times the whole
//       Save Changes ("window-save window": packing what changed and removing the
//       unpacked files); the zip component's write-back alone on the same folder,
//       handed the changed script as Save hands it ("window-save component") and
//       handed "*" ("window-save component-all"); the removal of the unpacked files
//       alone, as Cancel does it ("window-save removal"); the whole Save Changes
//       with nothing changed ("window-save unchanged") and, of that, what takes
//       the write-back's place: finding that nothing changed ("window-save
//       unchanged-check").
//   window-bench progress ARCHIVE [--runs N]
//       The long jobs' progress: extracting ARCHIVE into a new folder with the unzip
//       component as the window's thread once called it, with no owner and nothing
//       else running ("window-progress extract-plain"), and the same through the
//       window's long job, the engine on a thread of its own, its entries counted and
//       the window's progress bar moved while the window's thread handles events
//       ("window-progress extract-progress"); the same for packing the extracted
//       files into a new archive with the zip component ("window-progress pack-plain",
//       "window-progress pack-progress"). Plain and progress runs take turns.
//   window-bench marks ARCHIVE [--runs N]
//       Extracts ARCHIVE, changes three files and times bringing the tree's marks of
//       the files changed since Extract up to date, as the window does when it
//       becomes active again ("window-marks refresh").
//   window-bench live ARCHIVE
//       Clicks Extract, changes one script and clicks Save Changes (which writes it
//       and removes the unpacked files, as Cancel does), once each, and tells for
//       each click how long it took ("window-live extract-seconds"), the longest
//       time the window's thread handled no event meanwhile ("...-stall") and how
//       many times the progress bar moved ("...-steps"): the window stays live when
//       the stall stays a few frames long.
//
// Each figure is printed as "<job> <what> <best seconds>" after one untimed
// warm-up run. The window runs on Qt's offscreen platform with a settings store,
// state folder and game folder of its own in a temporary folder.
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/jobs/ArchiveJobs.h"
#include "bench/CategoryWalk.h"
#include "editor/CategoryTree.h"
#include "editor/FileTypes.h"
#include "editor/SavePlan.h"
#include "editor/frmMain.h"
#include "platform/os/LocalTimeZone.h"
#include "support/GameFolders.h"
#include "support/SettingsKeys.h"
#include "support/modRegistry.h"
#include "support/ui/BusyState.h"
#include "support/ui/LongJob.h"
#include "support/ui/LongJobRunner.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string &sWhat) {
    std::fprintf(stderr, "window-bench: %s\n", sWhat.c_str());
    std::exit(1);
}

double Seconds(const std::function<void()> &work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of nRuns timed runs after one untimed warm-up run; prepare runs untimed
// before each.
double Best(int nRuns, const std::function<void()> &prepare, const std::function<void()> &work) {
    double dBest = std::numeric_limits<double>::infinity();
    for (int nRun = 0; nRun <= nRuns; ++nRun) {
        prepare();
        const double d = Seconds(work);
        if (nRun > 0 && d < dBest)
            dBest = d;
    }
    return dBest;
}

template <class T> T *Control(QWidget *pWindow, const char *sName) {
    T *pControl = pWindow->findChild<T *>(QString::fromLatin1(sName));
    if (!pControl)
        Fail(std::string("the window has no control ") + sName);
    return pControl;
}

// The game folder, its base folder and the work folder below a temporary home.
struct BenchGame {
    QString sBase;
    QString sWork;
};

BenchGame MakeGame(const QTemporaryDir &home) {
    BenchGame game;
    const QString sGame = home.path() + QStringLiteral("/Tribes2");
    game.sBase = sGame + QStringLiteral("/GameData/base");
    game.sWork = home.path() + QStringLiteral("/work");
    QDir().mkpath(game.sBase);
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, sGame.toStdString());
    WriteWorkFolder(game.sWork.toStdString());
    return game;
}

void Choose(frmMain &window, const QString &sDisplayName) {
    QComboBox *pChooser = Control<QComboBox>(&window, "drpVL2File");
    const int nIndex = pChooser->findText(sDisplayName);
    if (nIndex < 0)
        Fail("the chooser does not offer " + sDisplayName.toStdString());
    pChooser->setCurrentIndex(nIndex);
    emit pChooser->activated(nIndex);
}

// Chooses the archive and waits until the window has painted what the choice
// brought: the tree as the user first sees it.
void ChooseAndPaint(frmMain &window, const QString &sDisplayName) {
    Choose(window, sDisplayName);
    QCoreApplication::processEvents();
    window.repaint();
}

// The listing as the window made it before it kept an index and a model: the same
// steps, with every node of a tree widget compared for every entry.
void ListArchiveByWalk(frmMain &window, QTreeWidget *pTree, cUnzip &oUnzip,
                       const std::string &sArchivePath) {
    QProgressBar *pProgress = Control<QProgressBar>(&window, "ProgressBar");
    QStringList lstArchive;
    pTree->clear();
    BusyState busy(&window);
    oUnzip.SetZipFile(sArchivePath);
    oUnzip.Directory();
    const std::int32_t lCount = oUnzip.FileCount();
    pProgress->setRange(0, std::max<std::int32_t>(lCount, 1));
    pProgress->setValue(0);
    pProgress->show();
    QIcon icons[frmMain::kTreeIconCount];
    for (int n = 1; n <= frmMain::kTreeIconCount; ++n)
        icons[n - 1] = window.TreeIcon(n);
    CategoryWalk walk(pTree, icons);
    for (std::int32_t i = 1; i <= lCount; ++i) {
        const QString sName = QString::fromStdString(oUnzip.Filename(i));
        const QString sFolder = QString::fromStdString(oUnzip.FileDirectory(i));
        const QString sType = FileType(sName);
        if (!IsHiddenType(sType))
            walk.AddFile(sFolder, sName, TreeIconNumber(sType));
        lstArchive.append(sFolder + QLatin1Char('\\') + sName);
        pProgress->setValue(i);
    }
    pProgress->hide();
}

// The nodes below pParent and their own, as the model behind the tree has them.
int TreeNodeCount(const QAbstractItemModel &model, const QModelIndex &parent = {}) {
    int nNodes = 0;
    for (int i = 0; i < model.rowCount(parent); ++i)
        nNodes += 1 + TreeNodeCount(model, model.index(i, 0, parent));
    return nNodes;
}

int TreeNodeCount(const QTreeWidget &tree) {
    int nNodes = 0;
    std::function<void(QTreeWidgetItem *)> count = [&](QTreeWidgetItem *pNode) {
        ++nNodes;
        for (int i = 0; i < pNode->childCount(); ++i)
            count(pNode->child(i));
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        count(tree.topLevelItem(i));
    return nNodes;
}

void ListJob(const QString &sArchive, int nRuns, int nWalkRuns) {
    QTemporaryDir home;
    const BenchGame game = MakeGame(home);
    const QString sListed = game.sBase + QStringLiteral("/bench.vl2");
    if (!QFile::link(sArchive, sListed))
        Fail("cannot link " + sArchive.toStdString());

    // The archive job alone first, its listing gone before the window's: the
    // process's peak memory is the window's.
    double dEngine = 0;
    {
        cUnzip oUnzip;
        cZip oZip;
        ArchiveJobs jobs(oUnzip, oZip);
        DirectRunner direct;
        dEngine = Best(
            nRuns, [] {}, [&] { jobs.List(sListed.toStdString(), direct); });
    }

    frmMain window;
    // Shown, as the user sees it: progress and the tree are painted.
    window.show();
    const double dIndex = Best(
        nRuns, [] {}, [&] { ChooseAndPaint(window, QStringLiteral("Bench")); });
    const int nNodes = TreeNodeCount(window.TreeModel());
    const auto nEntries = window.EntryList().Count();
    if (nEntries == 0)
        Fail("the window listed no entries");

    std::printf("window-list entries %lld\n", static_cast<long long>(nEntries));
    std::printf("window-list nodes %d\n", nNodes);
    std::printf("window-list index %.4f\n", dIndex);
    std::printf("window-list engine %.4f\n", dEngine);
    if (nWalkRuns == 0)
        return;
    cUnzip oUnzip;
    QTreeWidget walkedTree;
    const double dWalk = Best(
        nWalkRuns, [] {},
        [&] { ListArchiveByWalk(window, &walkedTree, oUnzip, sListed.toStdString()); });
    if (TreeNodeCount(walkedTree) != nNodes)
        Fail("the walk built another tree than the window");
    std::printf("window-list walk %.4f\n", dWalk);
}

// A fresh copy of sArchive in the game, chosen and extracted in the window: the
// state every Save and Cancel starts from.
class ExtractedCopy {
public:
    ExtractedCopy(frmMain &window, const QString &sArchive, const BenchGame &game)
        : m_window(window), m_sArchive(sArchive),
          m_sListed(game.sBase + QStringLiteral("/bench.vl2")),
          m_sSubFolder(game.sWork + QStringLiteral("/Bench")) {}

    const QString &Listed() const { return m_sListed; }
    const QString &SubFolder() const { return m_sSubFolder; }

    void Prepare() {
        // The component's write-back leaves the unpacked files in place.
        QPushButton *pCancel = Control<QPushButton>(&m_window, "cmdCancel");
        if (pCancel->isEnabled())
            pCancel->click();
        QFile::remove(m_sListed);
        if (!QFile::copy(m_sArchive, m_sListed))
            Fail("cannot copy " + m_sArchive.toStdString());
        Choose(m_window, QStringLiteral("Bench"));
        QPushButton *pExtract = Control<QPushButton>(&m_window, "cmdExtract");
        if (!pExtract->isEnabled())
            Fail("Extract is not offered after listing");
        pExtract->click();
        if (!Control<QPushButton>(&m_window, "cmdSaveChanges")->isEnabled())
            Fail("the window did not enter edit mode");
    }

    // The path below the sub-folder of the nIndex-th entry that is a script.
    std::string Script(int nIndex) const {
        int nSeen = 0;
        const ListedEntries &entries = m_window.EntryList();
        for (std::size_t i = 0; i < entries.Count(); ++i)
            if (entries.Folder(i).starts_with("scripts") && entries.Name(i).ends_with(".cs") &&
                nSeen++ == nIndex)
                return *entries.Path(i);
        Fail("the archive holds too few scripts to change");
    }

    void Change(const std::string &sRelative) const {
        QFile file(m_sSubFolder + QLatin1Char('/') + QString::fromStdString(sRelative));
        if (!file.open(QIODevice::Append))
            Fail("cannot change " + sRelative);
        file.write("// changed\n");
    }

private:
    frmMain &m_window;
    QString m_sArchive;
    QString m_sListed;
    QString m_sSubFolder;
};

// A game of its own holding a copy of an archive, and Keplo's window on it, shown
// as the user sees it: progress and the tree are painted.
class WindowOnCopy {
public:
    explicit WindowOnCopy(const QString &sArchive)
        : m_game(MakeGame(m_home)), m_bInGame(PutInGame(sArchive, m_game)),
          extracted(window, sArchive, m_game) {
        window.show();
    }

private:
    // The chooser lists the archives that are there when the window starts.
    static bool PutInGame(const QString &sArchive, const BenchGame &game) {
        if (!QFile::copy(sArchive, game.sBase + QStringLiteral("/bench.vl2")))
            Fail("cannot copy " + sArchive.toStdString());
        return true;
    }

    QTemporaryDir m_home;
    BenchGame m_game;
    bool m_bInGame;

public:
    frmMain window;
    ExtractedCopy extracted;
};

void SaveJob(const QString &sArchive, int nRuns) {
    WindowOnCopy copy(sArchive);
    frmMain &window = copy.window;
    ExtractedCopy &extracted = copy.extracted;
    QPushButton *pSave = Control<QPushButton>(&window, "cmdSaveChanges");
    QPushButton *pCancel = Control<QPushButton>(&window, "cmdCancel");
    QLabel *pStatus = Control<QLabel>(&window, "lblStatus");
    extracted.Prepare();
    const std::string sChanged = extracted.Script(0);
    auto prepareChanged = [&] {
        extracted.Prepare();
        extracted.Change(sChanged);
    };
    auto saved = [&] {
        if (!pStatus->text().endsWith(QStringLiteral("was created successfully")) ||
            QFileInfo::exists(extracted.SubFolder()))
            Fail("Save Changes did not write the archive and remove the unpacked files");
    };

    const double dWindow = Best(nRuns, prepareChanged, [&] {
        pSave->click();
        saved();
    });

    QDateTime lastWritten;
    const double dUnchanged = Best(
        nRuns,
        [&] {
            extracted.Prepare();
            lastWritten = QFileInfo(extracted.Listed()).lastModified();
        },
        [&] {
            pSave->click();
            saved();
        });
    if (QFileInfo(extracted.Listed()).lastModified() != lastWritten)
        Fail("Save Changes with nothing changed wrote the archive");

    // What Save does in place of the write-back when nothing changed: finding that out.
    SavePlan::Kind eKind = SavePlan::Kind::Files;
    const double dUnchangedCheck = Best(
        nRuns, [&] { extracted.Prepare(); },
        [&] {
            eKind = PlanSave(extracted.SubFolder().toStdString(), extracted.Listed().toStdString())
                        .eKind;
        });
    if (eKind != SavePlan::Kind::Nothing)
        Fail("Save would write the archive although nothing changed");

    cZip oZip;
    auto writeBack = [&](const std::string &sSpec) {
        oZip.SetZipFile(extracted.Listed().toStdString());
        oZip.SetBasePath(extracted.SubFolder().toStdString() + "/");
        oZip.ClearFileSpecs();
        oZip.AddFileSpec(sSpec);
        oZip.SetStoreFolderNames(true);
        oZip.SetRecurseSubDirs(true);
        oZip.Zip();
        if (oZip.LastEngineResult() != 0)
            Fail("the zip component failed");
    };
    const double dComponent = Best(nRuns, prepareChanged, [&] { writeBack(sChanged); });
    const double dComponentAll = Best(nRuns, prepareChanged, [&] { writeBack("*"); });
    const double dRemove = Best(nRuns, prepareChanged, [&] { pCancel->click(); });
    if (QFileInfo::exists(extracted.SubFolder()))
        Fail("Cancel left unpacked files behind");

    std::printf("window-save window %.4f\n", dWindow);
    std::printf("window-save unchanged %.4f\n", dUnchanged);
    std::printf("window-save unchanged-check %.4f\n", dUnchangedCheck);
    std::printf("window-save component %.4f\n", dComponent);
    std::printf("window-save component-all %.4f\n", dComponentAll);
    std::printf("window-save removal %.4f\n", dRemove);
}

// Best of nRuns timed runs of plain and of withProgress each, after one untimed
// warm-up run of each; the two take turns so that a busy moment of the machine
// falls on both alike.
std::pair<double, double> BestOfTurns(int nRuns, const std::function<void()> &plain,
                                      const std::function<void()> &withProgress) {
    double dPlain = std::numeric_limits<double>::infinity();
    double dProgress = dPlain;
    for (int nRun = 0; nRun <= nRuns; ++nRun) {
        const double d1 = Seconds(plain);
        const double d2 = Seconds(withProgress);
        if (nRun > 0) {
            dPlain = std::min(dPlain, d1);
            dProgress = std::min(dProgress, d2);
        }
    }
    return {dPlain, dProgress};
}

void ProgressJob(const QString &sArchive, int nRuns) {
    QTemporaryDir home;
    const BenchGame game = MakeGame(home);
    frmMain window;
    window.show();
    QProgressBar *pBar = Control<QProgressBar>(&window, "ProgressBar");
    // Nothing a run writes is deleted before the end: freed inodes would slow down
    // every later run.
    int nFolder = 0;
    auto newPath = [&](const char *sKind) {
        return home.path().toStdString() + "/" + sKind + std::to_string(nFolder++);
    };

    // "without": the components called on the window's thread with no owner, as the
    // window did before it kept painting; "with progress": the window's jobs.
    cUnzip oPlainUnzip;
    cZip oPlainZip;
    cUnzip oUnzip;
    cZip oZip;
    ArchiveJobs jobs(oUnzip, oZip);
    const std::string sArchivePath = sArchive.toStdString();
    DirectRunner listing;
    if (!jobs.List(sArchivePath, listing).IsDone())
        Fail("the archive could not be listed");
    const std::int32_t lEntries = oUnzip.FileCount();
    std::string sExtracted;
    int nBarEnd = 0;
    auto extract = [&](bool bProgress) {
        sExtracted = newPath("x");
        BusyState busy(&window);
        if (bProgress) {
            LongJobRunner runner(pBar);
            if (!jobs.Unpack(sArchivePath, sExtracted, UnpackLayout::Folders, runner).IsDone())
                Fail("the unpack job failed");
            nBarEnd = pBar->value();
            return;
        }
        oPlainUnzip.SetZipFile(sArchivePath);
        oPlainUnzip.SetUseFolderNames(true);
        oPlainUnzip.SetUnzipFolder(sExtracted);
        if (oPlainUnzip.Unzip())
            Fail("the unzip component complained");
    };
    const auto [dExtractPlain, dExtractProgress] = BestOfTurns(
        nRuns, [&] { extract(false); }, [&] { extract(true); });
    if (nBarEnd != kJobBarSteps)
        Fail("the bar ended at " + std::to_string(nBarEnd) + " of " + std::to_string(kJobBarSteps));

    oPlainZip.SetBasePath(sExtracted + "/");
    oPlainZip.AddFileSpec("*");
    oPlainZip.SetStoreFolderNames(true);
    oPlainZip.SetRecurseSubDirs(true);
    auto pack = [&](bool bProgress) {
        const std::string sPacked = newPath("p") + ".vl2";
        BusyState busy(&window);
        if (bProgress) {
            LongJobRunner runner(pBar);
            if (!jobs.Pack(PackRequest{sPacked, sExtracted + "/", {}, false}, runner).IsDone())
                Fail("the pack job failed");
            return;
        }
        oPlainZip.SetZipFile(sPacked);
        oPlainZip.Zip();
        if (oPlainZip.LastEngineResult() != 0)
            Fail("the zip component failed");
    };
    const auto [dPackPlain, dPackProgress] = BestOfTurns(
        nRuns, [&] { pack(false); }, [&] { pack(true); });

    std::printf("window-progress entries %d\n", lEntries);
    std::printf("window-progress extract-plain %.4f\n", dExtractPlain);
    std::printf("window-progress extract-progress %.4f\n", dExtractProgress);
    std::printf("window-progress pack-plain %.4f\n", dPackPlain);
    std::printf("window-progress pack-progress %.4f\n", dPackProgress);
}

void MarksJob(const QString &sArchive, int nRuns) {
    WindowOnCopy copy(sArchive);
    frmMain &window = copy.window;
    ExtractedCopy &extracted = copy.extracted;
    extracted.Prepare();
    for (int i = 0; i < 3; ++i)
        extracted.Change(extracted.Script(i));

    const double dRefresh = Best(
        nRuns, [] {}, [&] { window.RefreshChangeMarks(); });
    int nMarked = 0;
    for (std::size_t i = 0; i < window.EntryList().Count(); ++i)
        nMarked += window.TreeModel().IndexOfEntry(i).data(kChangedSinceExtractRole).toBool();
    if (nMarked != 3)
        Fail("the tree marks " + std::to_string(nMarked) + " files, not the 3 changed");
    Control<QPushButton>(&window, "cmdCancel")->click();

    std::printf("window-marks entries %lld\n", static_cast<long long>(window.EntryList().Count()));
    std::printf("window-marks refresh %.4f\n", dRefresh);
}

// Watches the window's thread while a click is handled: the longest time between two
// turns of its event handling, and the progress bar's moves.
class LiveWatch {
public:
    explicit LiveWatch(QProgressBar *pBar) {
        m_tick.setInterval(5);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { Turn(); });
        QObject::connect(pBar, &QProgressBar::valueChanged, [this] { ++m_nSteps; });
    }

    // Clicks pButton and prints its figures as "window-live <sWhat> ...".
    void Click(QPushButton *pButton, const char *sWhat) {
        m_nSteps = 0;
        m_dStall = 0;
        m_tick.start();
        m_last = std::chrono::steady_clock::now();
        const double dSeconds = Seconds([&] { pButton->click(); });
        Turn();
        m_tick.stop();
        std::printf("window-live %s-seconds %.4f\n", sWhat, dSeconds);
        std::printf("window-live %s-stall %.4f\n", sWhat, m_dStall);
        std::printf("window-live %s-steps %d\n", sWhat, m_nSteps);
    }

private:
    void Turn() {
        const auto now = std::chrono::steady_clock::now();
        m_dStall = std::max(m_dStall, std::chrono::duration<double>(now - m_last).count());
        m_last = now;
    }

    QTimer m_tick;
    std::chrono::steady_clock::time_point m_last;
    double m_dStall = 0;
    int m_nSteps = 0;
};

void LiveJob(const QString &sArchive) {
    WindowOnCopy copy(sArchive);
    frmMain &window = copy.window;
    QPushButton *pExtract = Control<QPushButton>(&window, "cmdExtract");
    LiveWatch watch(Control<QProgressBar>(&window, "ProgressBar"));
    Choose(window, QStringLiteral("Bench"));
    watch.Click(pExtract, "extract");
    if (!Control<QPushButton>(&window, "cmdSaveChanges")->isEnabled())
        Fail("the window did not enter edit mode");
    copy.extracted.Change(copy.extracted.Script(0));
    watch.Click(Control<QPushButton>(&window, "cmdSaveChanges"), "save");
    if (!Control<QLabel>(&window, "lblStatus")->text().endsWith(QStringLiteral("successfully")) ||
        QFileInfo::exists(copy.extracted.SubFolder()))
        Fail("Save Changes did not write the archive and remove the unpacked files");
    std::printf("window-live entries %lld\n", static_cast<long long>(window.EntryList().Count()));
}

} // namespace

int main(int argc, char **argv) {
    // As the programs do at start-up.
    PinLocalTimeZone();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A settings store of the benchmark's own: never the user's.
    QTemporaryDir config;
    if (!config.isValid())
        Fail("cannot make a temporary folder");
    qputenv("XDG_CONFIG_HOME", (config.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (config.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_STATE_HOME", (config.path() + QStringLiteral("/state")).toUtf8());

    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3)
        Fail("usage: window-bench list|save|progress|marks|live ARCHIVE [--runs N] "
             "[--walk-runs N]");
    int nRuns = 3;
    int nWalkRuns = 1;
    for (qsizetype i = 3; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--runs"))
            nRuns = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--walk-runs"))
            nWalkRuns = std::max(0, args.at(i + 1).toInt());
        else
            Fail("unknown option " + args.at(i).toStdString());
    }
    // The zip component makes its base folder the current folder: a relative path
    // would stop naming the archive after the first save.
    const QString sArchive = QFileInfo(args.at(2)).absoluteFilePath();
    if (args.at(1) == QLatin1String("list"))
        ListJob(sArchive, nRuns, nWalkRuns);
    else if (args.at(1) == QLatin1String("save"))
        SaveJob(sArchive, nRuns);
    else if (args.at(1) == QLatin1String("progress"))
        ProgressJob(sArchive, nRuns);
    else if (args.at(1) == QLatin1String("marks"))
        MarksJob(sArchive, nRuns);
    else if (args.at(1) == QLatin1String("live"))
        LiveJob(sArchive);
    else
        Fail("unknown job " + args.at(1).toStdString());
    return 0;
}
