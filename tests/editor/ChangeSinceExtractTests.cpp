// Keplo knows what changed since Extract: the tree marks the files changed from
// outside, and Save writes only what changed, which must give exactly the archive
// that writing every file ("*") gives.
#include "archive/cZip.h"
#include "editor/ChangeMarkDelegate.h"
#include "editor/ChangeMarks.h"
#include "editor/SavePlan.h"
#include "editor/SnapshotFile.h"
#include "tests/editor/WorkflowFixture.h"

#include <QDateTime>
#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/stat.h>

namespace {

// Writes data over the file and puts its old modification time back: only the
// change time, which nothing can set, shows the edit.
void EditKeepingTimes(const QString &sPath, const QByteArray &data) {
    struct stat before {};
    ASSERT_EQ(stat(sPath.toUtf8().constData(), &before), 0) << sPath.toStdString();
    QFile file(sPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
    file.close();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, sPath.toUtf8().constData(), times, 0), 0);
}

// Writes data into a new file and renames it over sPath, as many editors save; with
// bKeepTimes the new file gets the old one's modification time.
void EditByRename(const QString &sPath, const QByteArray &data, bool bKeepTimes) {
    struct stat before {};
    ASSERT_EQ(stat(sPath.toUtf8().constData(), &before), 0) << sPath.toStdString();
    const QString sTemp = sPath + QStringLiteral(".new");
    QFile file(sTemp);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    if (bKeepTimes) {
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, sTemp.toUtf8().constData(), times, 0), 0);
    }
    ASSERT_EQ(rename(sTemp.toUtf8().constData(), sPath.toUtf8().constData()), 0);
}

// Edits that the snapshot hook makes in the snapshot's own instant.
std::vector<std::pair<QString, QByteArray>> g_instantEdits;
void EditInTheSnapshotsInstant(const std::string &) {
    for (const auto &[sPath, data] : g_instantEdits)
        EditKeepingTimes(sPath, data);
}

class ChangeSinceExtractTest : public WorkflowTest {
protected:
    ~ChangeSinceExtractTest() override { SetSnapshotHookForTests(nullptr); }

    // The archive's entries and their bytes as Info-ZIP's unzip reads them (an
    // independent reader, which checks every entry's CRC as it unpacks it). Names
    // in archive order.
    struct Read {
        QStringList names;
        std::map<QString, QByteArray> contents;
    };
    Read ReadWithUnzip(const QString &sArchive) {
        Read read;
        QProcess list;
        list.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), sArchive});
        EXPECT_TRUE(list.waitForFinished());
        read.names =
            QString::fromUtf8(list.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QString sOut = m_home.Path() + QStringLiteral("/unzipped");
        QDir(sOut).removeRecursively();
        EXPECT_EQ(QProcess::execute(QStringLiteral("unzip"),
                                    {QStringLiteral("-qq"), sArchive, QStringLiteral("-d"), sOut}),
                  0)
            << sArchive.toStdString();
        for (const QString &sName : std::as_const(read.names))
            read.contents[sName] = ReadFile(sOut + QLatin1Char('/') + sName);
        return read;
    }

    // Every file node that carries a mark, as its folder, "\" and its name; each
    // must be bold with the tooltip, and every other node neither.
    QStringList MarkedNodes() {
        QStringList marked;
        for (const QModelIndex &node : Nodes()) {
            const bool bMarked = node.data(kChangedSinceExtractRole).toBool();
            EXPECT_EQ(node.data(Qt::FontRole).value<QFont>().bold(), bMarked)
                << node.data().toString().toStdString();
            EXPECT_EQ(node.data(Qt::ToolTipRole).toString(),
                      bMarked ? ArchiveModel::ChangedTip() : QString());
            if (bMarked)
                marked << node.parent().data().toString() + QLatin1Char('\\') +
                              node.data().toString();
        }
        marked.sort();
        return marked;
    }
    // The window becomes active again; it brings the marks up to date with the files
    // looked at on a thread of their own, which this waits for.
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(m_pMain.get(), &activate);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_pMain->RefreshingChangeMarks(); }, 10000));
    }
    QString SnapshotFile(const QString &sDisplayName) {
        return QString::fromStdString(
            SnapshotFilePath((m_sWork + QLatin1Char('/') + sDisplayName).toStdString()));
    }
    static QByteArray RandomBytes(std::mt19937 &random, int nSize) {
        QByteArray data(nSize, '\0');
        // Half of the files compress well, as scripts do; the others not at all.
        const bool bText = random() % 2 == 0;
        for (char &c : data)
            c = static_cast<char>(bText ? 'a' + random() % 4 : random() % 256);
        return data;
    }
};

// ---- Save writes what changed, and the archive is the one "*" gives ----------------

TEST_F(ChangeSinceExtractTest, SavingWhatChangedGivesTheArchiveThatSavingEverythingGives) {
    std::mt19937 random(1112);
    const QStringList folders = {"scripts", "gui", "textures", "textures/skins", "shapes", ""};
    const QStringList types = {"cs", "gui", "png", "txt", "dts", "dif"};
    const QString sArchive = m_sBase + QStringLiteral("/round.vl2");
    const QString sSub = m_sWork + QStringLiteral("/Round");
    SetSnapshotHookForTests(EditInTheSnapshotsInstant);

    for (int nRound = 0; nRound < 24; ++nRound) {
        SCOPED_TRACE(::testing::Message() << "round " << nRound);
        // The first entry is the probe file, which stays so that the window stays
        // in edit mode; hidden entries come and go.
        Entries entries{{QStringLiteral("scripts/probe.cs"), RandomBytes(random, 100)}};
        std::set<QString> names{entries.front().first};
        for (const QString &sHidden :
             {QStringLiteral(".meta/info.txt"), QStringLiteral("scripts/.prefs.cs")})
            if (random() % 2 && names.insert(sHidden).second)
                entries.emplace_back(sHidden, RandomBytes(random, 50));
        for (int i = 0, n = 6 + static_cast<int>(random() % 20); i < n; ++i) {
            const QString sFolder = folders[static_cast<int>(random() % folders.size())];
            const QString sName = (sFolder.isEmpty() ? QString() : sFolder + QLatin1Char('/')) +
                                  QStringLiteral("f%1.%2").arg(i).arg(
                                      types[static_cast<int>(random() % types.size())]);
            if (names.insert(sName).second)
                entries.emplace_back(sName, RandomBytes(random, static_cast<int>(random() % 3000)));
        }
        MakeArchive(QStringLiteral("round.vl2"), entries);
        if (!m_pMain)
            Load();
        Choose(QStringLiteral("Round"));

        // What becomes of each entry, decided before Extract so that the edits in
        // the snapshot's instant can be made while it is taken.
        std::map<QString, QByteArray> expected(entries.begin(), entries.end());
        std::set<QString> changed;
        std::vector<std::function<void()>> edits;
        g_instantEdits.clear();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const QString &sName = entries[i].first;
            const QString sPath = sSub + QLatin1Char('/') + sName;
            const QByteArray sameSize = RandomBytes(random, entries[i].second.size());
            switch (random() % 10) {
            case 0:
                edits.push_back([=] { EditKeepingTimes(sPath, sameSize); });
                break;
            case 1:
                edits.push_back([=, &random] { EditByRename(sPath, sameSize, random() % 2); });
                break;
            case 2:
                g_instantEdits.emplace_back(sPath, sameSize);
                break;
            case 3:
                if (i == 0)
                    continue;
                edits.push_back([=] { QFile::remove(sPath); });
                continue;
            case 4: {
                // Touched, not changed: it is handed over, and the engine keeps the entry.
                edits.push_back([=] {
                    QFile file(sPath);
                    ASSERT_TRUE(file.open(QIODevice::Append));
                    file.setFileTime(QDateTime::currentDateTime(),
                                     QFileDevice::FileModificationTime);
                });
                changed.insert(sName);
                continue;
            }
            case 5: {
                const QByteArray longer = RandomBytes(random, 10 + entries[i].second.size());
                edits.push_back([=] { WriteFile(sPath, longer); });
                expected[sName] = longer;
                changed.insert(sName);
                continue;
            }
            default:
                continue;
            }
            expected[sName] = sameSize;
            changed.insert(sName);
        }
        // Added files: plain ones in old and new folders, and the editors' hidden
        // files, which only go in below a hidden entry's folder.
        std::set<QString> added;
        const QStringList additions = {"scripts/new.cs",  "newfolder/deep/a.txt",  "top.txt",
                                       "scripts/f1.cs~",  "scripts/.probe.cs.swp", ".#lock",
                                       ".meta/added.txt", ".cache/x.txt"};
        for (const QString &sName : additions) {
            if (random() % 3 != 0 || names.count(sName))
                continue;
            const QByteArray data = RandomBytes(random, 200);
            edits.push_back([=] { WriteFile(sSub + QLatin1Char('/') + sName, data); });
            const bool bHidden = sName.startsWith('.') || sName.contains(QStringLiteral("/."));
            const bool bBelowHiddenEntry =
                sName.startsWith(QStringLiteral(".meta/")) && names.count(".meta/info.txt");
            if (!bHidden || bBelowHiddenEntry) {
                expected[sName] = data;
                added.insert(sName);
            }
        }

        Click("cmdExtract");
        ASSERT_TRUE(QFileInfo::exists(SnapshotFile(QStringLiteral("Round"))));
        for (const auto &edit : edits)
            edit();

        // The marks show every changed file the tree shows, and nothing else.
        Activate();
        QStringList wantMarked;
        for (const QModelIndex &node : Nodes())
            if (node.parent().isValid()) {
                const QString sLine =
                    node.parent().data().toString() + QLatin1Char('\\') + node.data().toString();
                QString sName = sLine;
                sName.replace(QLatin1Char('\\'), QLatin1Char('/'));
                if (sName.startsWith(QLatin1Char('/')))
                    sName.remove(0, 1);
                if (changed.count(sName) && QFileInfo::exists(sSub + QLatin1Char('/') + sName))
                    wantMarked << sLine;
            }
        wantMarked.sort();
        EXPECT_EQ(MarkedNodes(), wantMarked);

        // Save is told exactly the changed and the added files.
        const SavePlan plan = PlanSave(sSub.toStdString(), sArchive.toStdString());
        std::set<QString> handed;
        for (const std::string &sFile : plan.sFiles)
            handed.insert(QString::fromStdString(sFile));
        std::set<QString> wantHanded = added;
        for (const QString &sName : changed)
            if (QFileInfo::exists(sSub + QLatin1Char('/') + sName))
                wantHanded.insert(sName);
        EXPECT_EQ(handed, wantHanded);
        EXPECT_EQ(plan.eKind, wantHanded.empty() ? SavePlan::Kind::Nothing : SavePlan::Kind::Files);

        // The same folder written with "*" into a copy of the archive.
        const QString sStarArchive = m_home.Path() + QStringLiteral("/star.vl2");
        const QString sStarFolder = m_home.Path() + QStringLiteral("/star");
        QFile::remove(sStarArchive);
        QDir(sStarFolder).removeRecursively();
        ASSERT_TRUE(QFile::copy(sArchive, sStarArchive));
        ASSERT_EQ(
            QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), sSub, sStarFolder}), 0);
        cZip star;
        star.SetZipFile(sStarArchive.toStdString());
        star.SetBasePath(sStarFolder.toStdString() + "/");
        star.AddFileSpec("*");
        star.SetStoreFolderNames(true);
        star.SetRecurseSubDirs(true);
        star.Zip();
        ASSERT_EQ(star.LastEngineResult(), 0);

        const QByteArray before = ReadFile(sArchive);
        Click("cmdSaveChanges");
        EXPECT_EQ(Status(), QStringLiteral("Round.vl2 was created successfully"));
        EXPECT_FALSE(QFileInfo::exists(sSub + QStringLiteral("/scripts/probe.cs")));
        EXPECT_FALSE(QFileInfo::exists(SnapshotFile(QStringLiteral("Round"))));
        if (plan.eKind == SavePlan::Kind::Nothing) {
            EXPECT_EQ(ReadFile(sArchive), before);
        }

        const Read saved = ReadWithUnzip(sArchive);
        const Read everything = ReadWithUnzip(sStarArchive);
        EXPECT_EQ(saved.names, everything.names);
        EXPECT_EQ(saved.contents, everything.contents);
        EXPECT_EQ(saved.contents, expected);
        if (HasFailure())
            break;
        // Added files outside the categories stay after Save; the next round
        // starts from an empty folder.
        QDir(sSub).removeRecursively();
    }
}

// ---- Marks -------------------------------------------------------------------

TEST_F(ChangeSinceExtractTest, MarksShowOutsideEditsAndLeaveTheNodesAsTheyWere) {
    MakeArchive(QStringLiteral("scripts.vl2"),
                Texts({"scripts/a.cs", "scripts/b.cs", "gui/menu.gui", "textures/red.png",
                       "shapes/tank.dts"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QStringList nodes = TreeLines();
    EXPECT_EQ(MarkedNodes(), QStringList());
    const QString sSub = m_sWork + QStringLiteral("/Scripts");

    EditKeepingTimes(sSub + QStringLiteral("/scripts/b.cs"), "text of scripts/b.cX\n");
    EditByRename(sSub + QStringLiteral("/textures/red.png"), "text of textures/red.pnX\n", true);
    Activate();

    EXPECT_EQ(MarkedNodes(), (QStringList{"scripts\\b.cs", "textures\\red.png"}));
    // Texts, icon numbers and order stay; the mark is drawn over the icon.
    EXPECT_EQ(TreeLines(), nodes);

    // A file that is gone has nothing to write back, and loses its mark.
    QFile::remove(sSub + QStringLiteral("/textures/red.png"));
    m_pMain->RefreshChangeMarks();
    EXPECT_EQ(MarkedNodes(), QStringList{"scripts\\b.cs"});

    // Cancel asks first: the edit would be thrown away.
    m_desktop.AnswerMessage(MsgAnswer::Yes);
    Click("cmdCancel");
    EXPECT_EQ(MarkedNodes(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(SnapshotFile(QStringLiteral("Scripts"))));
}

TEST_F(ChangeSinceExtractTest, AFileRenamedOverAnotherIsMarkedWhenItsFolderChanges) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/menu.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    EditByRename(m_sWork + QStringLiteral("/Scripts/gui/menu.gui"), "new menu\n", false);
    // No activation: the watched folder's change alone brings the mark.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !MarkedNodes().isEmpty(); }, 5000));
    EXPECT_EQ(MarkedNodes(), QStringList{"gui\\menu.gui"});
}

TEST_F(ChangeSinceExtractTest, MarksWaitWhileTheWindowIsDisabledAndFollowOnceItIsEnabled) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/menu.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    // Disabled, as during a long job or while the settings dialog is open: neither the
    // folder's change nor an activation looks at the files.
    m_pMain->setEnabled(false);
    EditByRename(m_sWork + QStringLiteral("/Scripts/gui/menu.gui"), "new menu\n", false);
    Activate();
    QTest::qWait(400);
    EXPECT_EQ(MarkedNodes(), QStringList());
    m_pMain->setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !MarkedNodes().isEmpty(); }, 5000));
    EXPECT_EQ(MarkedNodes(), QStringList{"gui\\menu.gui"});
}

TEST_F(ChangeSinceExtractTest, MarksComeBackAfterARestartAndGoWithALostOrDamagedSnapshot) {
    MakeArchive(QStringLiteral("scripts.vl2"),
                Texts({"scripts/a.cs", "scripts/b.cs", "gui/c.gui"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    const QString sSub = m_sWork + QStringLiteral("/Scripts");
    EditKeepingTimes(sSub + QStringLiteral("/gui/c.gui"), "text of gui/c.guX\n");
    m_pMain.reset();

    Load();
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(MarkedNodes(), QStringList{"gui\\c.gui"});

    // Damaged: nothing is known, so nothing is marked, and Save writes every file.
    const QString sSnapshot = SnapshotFile(QStringLiteral("Scripts"));
    {
        QFile file(sSnapshot);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(file.size() / 2);
        file.write("damage");
    }
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(MarkedNodes(), QStringList());
    EXPECT_EQ(PlanSave(sSub.toStdString(), (m_sBase + "/scripts.vl2").toStdString()).eKind,
              SavePlan::Kind::Everything);
    WriteFile(sSub + QStringLiteral("/scripts/b.cs"), "b changed\n");
    Click("cmdSaveChanges");
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/scripts.vl2")),
              (std::map<QString, QByteArray>{{"scripts/a.cs", "text of scripts/a.cs\n"},
                                             {"scripts/b.cs", "b changed\n"},
                                             {"gui/c.gui", "text of gui/c.guX\n"}}));

    // Lost: the same.
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    EditKeepingTimes(sSub + QStringLiteral("/scripts/a.cs"), "text of scripts/a.cX\n");
    ASSERT_TRUE(QFile::remove(sSnapshot));
    Choose(QStringLiteral("Scripts"));
    EXPECT_EQ(MarkedNodes(), QStringList());
    Click("cmdSaveChanges");
    EXPECT_EQ(ReadArchive(m_sBase + QStringLiteral("/scripts.vl2"))["scripts/a.cs"],
              "text of scripts/a.cX\n");
}

TEST_F(ChangeSinceExtractTest, TheMarkIsPaintedOnTheIconOfAChangedFileOnly) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "scripts/b.cs"}));
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    m_pMain->show();
    Tree()->expandAll();
    const QModelIndex a = Node(QStringLiteral("a.cs"));
    const QModelIndex b = Node(QStringLiteral("b.cs"));
    auto markPixels = [&](const QModelIndex &node) {
        const QImage image = Tree()->viewport()->grab(Tree()->visualRect(node)).toImage();
        int nPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                nPixels += image.pixelColor(x, y) == ChangeMarkDelegate::MarkColour();
        return nPixels;
    };
    EXPECT_EQ(markPixels(a), 0);
    WriteFile(m_sWork + QStringLiteral("/Scripts/scripts/b.cs"), "changed");
    Activate();
    EXPECT_EQ(markPixels(a), 0);
    EXPECT_GT(markPixels(b), 0);
}

// ---- Save with nothing changed, and the snapshot's life ----------------------------

TEST_F(ChangeSinceExtractTest, SaveWithNothingChangedLeavesTheArchiveUntouched) {
    MakeArchive(QStringLiteral("scripts.vl2"), Texts({"scripts/a.cs", "gui/b.gui", "c.dts"}));
    const QString sArchive = m_sBase + QStringLiteral("/scripts.vl2");
    // An old time, so that any rewrite would show.
    QFile archive(sArchive);
    ASSERT_TRUE(archive.open(QIODevice::ReadWrite));
    ASSERT_TRUE(archive.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000),
                                    QFileDevice::FileModificationTime));
    archive.close();
    const QByteArray before = ReadFile(sArchive);
    Load();
    Choose(QStringLiteral("Scripts"));
    Click("cmdExtract");
    // Read, and deleted: neither is a change to write.
    ReadFile(m_sWork + QStringLiteral("/Scripts/gui/b.gui"));
    QFile::remove(m_sWork + QStringLiteral("/Scripts/c.dts"));

    Click("cmdSaveChanges");

    EXPECT_EQ(ReadFile(sArchive), before);
    EXPECT_EQ(QFileInfo(sArchive).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(Status(), QStringLiteral("Scripts.vl2 was created successfully"));
    EXPECT_FALSE(QFileInfo::exists(m_sWork + QStringLiteral("/Scripts")));
    EXPECT_FALSE(QFileInfo::exists(SnapshotFile(QStringLiteral("Scripts"))));
    EXPECT_EQ(EnabledButtons(), ListedButtons());
    ExpectIdle();
}

TEST_F(ChangeSinceExtractTest, AnExtractThatFailedLeavesNoSnapshot) {
    MakeArchive(QStringLiteral("evil.vl2"), Texts({"scripts/a.cs", "../outside.txt"}));
    Load();
    Choose(QStringLiteral("Evil"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    EXPECT_EQ(EnabledButtons(), EditButtons());
    EXPECT_FALSE(QFileInfo::exists(SnapshotFile(QStringLiteral("Evil"))));
    EXPECT_EQ(
        PlanSave((m_sWork + "/Evil").toStdString(), (m_sBase + "/evil.vl2").toStdString()).eKind,
        SavePlan::Kind::Everything);
}

} // namespace
