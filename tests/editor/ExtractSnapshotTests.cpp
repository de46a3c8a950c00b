// The Extract snapshot on its own: the rule that decides "unchanged", its file in the
// state folder, and what Save is told to write from it.
#include "editor/ListedEntries.h"
#include "editor/SavePlan.h"
#include "editor/SnapshotFile.h"
#include "tests/testsupport/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

namespace {

// ---- The rule ------------------------------------------------------------------

TEST(ExtractSnapshotRule, UnchangedOnlyWhenEveryStampEqualsAndTheChangeLiesClearlyBefore) {
    const FileStamp then{StampKind::Regular, 10, {100, 5}, {100, 7}, 3, 4};
    // Taken at 101 s on a clock that ticks every 4 ms.
    const ExtractSnapshot snapshot{"/w/A", {}, {101, 0}, 4000000, {{"a", then}}};
    struct Case {
        const char *sWhat;
        std::function<void(FileStamp &)> change;
        bool bUnchanged;
    };
    const Case cases[] = {
        {"nothing", [](FileStamp &) {}, true},
        {"size", [](FileStamp &s) { s.lSize = 11; }, false},
        {"modification time", [](FileStamp &s) { s.tModified.lNanoseconds = 6; }, false},
        {"change time", [](FileStamp &s) { s.tChanged.lSeconds = 99; }, false},
        {"inode", [](FileStamp &s) { s.lInode = 30; }, false},
        {"device", [](FileStamp &s) { s.lDevice = 40; }, false},
        {"now a link", [](FileStamp &s) { s.eKind = StampKind::Link; }, false},
        {"gone", [](FileStamp &s) { s = FileStamp{}; }, false},
    };
    for (const Case &c : cases) {
        FileStamp now = then;
        c.change(now);
        EXPECT_EQ(snapshot.Unchanged(snapshot.entries[0], now), c.bUnchanged) << c.sWhat;
    }

    // A change time within the granularity of the snapshot's time may hide an edit
    // made in the same tick: only one strictly older than that counts.
    const std::pair<StampTime, bool> changeTimes[] = {{{100, 995999999}, true},
                                                      {{100, 996000000}, false},
                                                      {{100, 999000000}, false},
                                                      {{101, 0}, false},
                                                      {{101, 5}, false}};
    for (const auto &[tChanged, bUnchanged] : changeTimes) {
        ExtractSnapshot racy = snapshot;
        racy.entries[0].stamp.tChanged = tChanged;
        EXPECT_EQ(racy.Unchanged(racy.entries[0], racy.entries[0].stamp), bUnchanged)
            << tChanged.lSeconds << "." << tChanged.lNanoseconds;
    }
    // A file that Extract did not leave is never "unchanged", even when still absent.
    const ExtractSnapshot absent{"/w/A", {}, {101, 0}, 4000000, {{"a", FileStamp{}}}};
    EXPECT_FALSE(absent.Unchanged(absent.entries[0], FileStamp{}));
}

TEST(ExtractSnapshotRule, EntryPathsFollowTheEntryListIntoTheFolder) {
    // Folder and name of each entry; its line is the two joined by "\".
    ListedEntries entries;
    for (const auto &[sFolder, sName] :
         std::vector<std::pair<const char *, const char *>>{{"scripts", "b.cs"},
                                                            {"", "a.txt"},
                                                            {"textures\\skins", "r.png"},
                                                            {"scripts", "b.cs"},
                                                            {"a\\\\.", "c"},
                                                            {"..", "out.txt"},
                                                            {"gui", ""},
                                                            {"", ""}})
        entries.Add(sFolder, sName);
    EXPECT_EQ(entries.Paths(),
              (std::vector<std::string>{"a.txt", "a/c", "scripts/b.cs", "textures/skins/r.png"}));
}

// ---- The file in the state folder ------------------------------------------------

ExtractSnapshot Sample(const std::string &sSubFolder) {
    return {sSubFolder,
            {StampKind::Regular, 999, {1, 2}, {3, 4}, 5, 6},
            {1700000000, 123456789},
            4000000,
            {{".hidden/x", {StampKind::Regular, 1, {7, 8}, {9, 10}, 11, 12}},
             {"gone", FileStamp{}},
             {"scripts/a.cs", {StampKind::Regular, 0, {-1, 0}, {13, 999999999}, 14, 15}}}};
}

TEST(ExtractSnapshotFile, IsKeptInTheStateFolderAndReadsBackAsWritten) {
    TestHome home;
    const std::string sSubFolder = home.Below(QStringLiteral("work/Scripts"));
    const std::string sFile = SnapshotFilePath(sSubFolder);
    EXPECT_EQ(QFileInfo(QString::fromStdString(sFile)).path(),
              home.Path() + QStringLiteral("/state/Keplo"));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(sFile)).fileName().startsWith("Scripts-"));
    EXPECT_NE(sFile, SnapshotFilePath(home.Below(QStringLiteral("work2/Scripts"))));

    ASSERT_TRUE(StoreExtractSnapshot(Sample(sSubFolder)));
    const std::optional<ExtractSnapshot> loaded = LoadExtractSnapshot(sSubFolder);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(EncodeExtractSnapshot(*loaded), EncodeExtractSnapshot(Sample(sSubFolder)));

    RemoveExtractSnapshot(sSubFolder);
    EXPECT_FALSE(LoadExtractSnapshot(sSubFolder));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(sFile)));
}

TEST(ExtractSnapshotFile, EveryCutAndEveryChangedByteReadsAsNoSnapshot) {
    const std::string sBytes = EncodeExtractSnapshot(Sample("/work/Scripts"));
    ASSERT_TRUE(DecodeExtractSnapshot(sBytes));
    for (std::size_t lLength = 0; lLength < sBytes.size(); ++lLength)
        EXPECT_FALSE(DecodeExtractSnapshot(sBytes.substr(0, lLength))) << lLength;
    EXPECT_FALSE(DecodeExtractSnapshot(sBytes + '\0'));
    for (std::size_t i = 0; i < sBytes.size(); ++i) {
        std::string sDamaged = sBytes;
        sDamaged[i] = static_cast<char>(sDamaged[i] ^ 0x10);
        EXPECT_FALSE(DecodeExtractSnapshot(sDamaged)) << "byte " << i;
    }
}

TEST(ExtractSnapshotFile, AnotherFoldersSnapshotIsNotTaken) {
    TestHome home;
    const std::string sOne = home.Below(QStringLiteral("work/One"));
    const std::string sTwo = home.Below(QStringLiteral("work/Two"));
    ASSERT_TRUE(StoreExtractSnapshot(Sample(sOne)));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(SnapshotFilePath(sOne)),
                            QString::fromStdString(SnapshotFilePath(sTwo))));
    EXPECT_FALSE(LoadExtractSnapshot(sTwo));
    EXPECT_TRUE(LoadExtractSnapshot(sOne));
}

// ---- What Save hands the zip component ------------------------------------------

class SavePlanTest : public ::testing::Test {
public:
    SavePlanTest()
        : m_sSub(m_home.Path() + QStringLiteral("/work/Scripts")),
          m_sArchive(m_home.Path() + QStringLiteral("/scripts.vl2")) {}

    void Write(const QString &sRelative, const QByteArray &data) {
        const QString sPath = m_sSub + QLatin1Char('/') + sRelative;
        QDir().mkpath(QFileInfo(sPath).path());
        QFile file(sPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
        file.write(data);
    }
    // The folder as Extract leaves it, and its snapshot.
    void Extract() {
        Write(QStringLiteral("readme.txt"), "readme");
        Write(QStringLiteral("scripts/a.cs"), "a");
        Write(QStringLiteral(".meta/info.txt"), "hidden entry");
        Write(QStringLiteral("../../scripts.vl2"), "the archive");
        const std::optional<ExtractSnapshot> snapshot = TakeExtractSnapshot(
            m_sSub.toStdString(), StampOf(m_sArchive.toStdString(), true),
            {"readme.txt", "scripts/a.cs", ".meta/info.txt", "scripts/gone.cs"});
        ASSERT_TRUE(snapshot) << "this file system's stamps are not trusted";
        ASSERT_TRUE(StoreExtractSnapshot(*snapshot));
    }
    SavePlan Plan() { return PlanSave(m_sSub.toStdString(), m_sArchive.toStdString()); }

    TestHome m_home;
    QString m_sSub;
    QString m_sArchive;
};

TEST_F(SavePlanTest, HandsOnlyWhatChangedAndFallsBackToEverythingWhenUnsure) {
    using Kind = SavePlan::Kind;
    struct Case {
        const char *sWhat;
        std::function<void(SavePlanTest &)> change;
        Kind eKind;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"nothing", [](SavePlanTest &) {}, Kind::Nothing, {}},
        {"an edit",
         [](SavePlanTest &t) { t.Write("scripts/a.cs", "b"); },
         Kind::Files,
         {"scripts/a.cs"}},
        {"a deletion",
         [](SavePlanTest &t) { QFile::remove(t.m_sSub + "/readme.txt"); },
         Kind::Nothing,
         {}},
        {"additions, hidden ones left out as the engine leaves them",
         [](SavePlanTest &t) {
             t.Write("new.txt", "n");
             t.Write("scripts/gone.cs", "back");
             t.Write("scripts/.a.cs.swp", "swap");
             t.Write(".meta/more.txt", "in a hidden folder that holds an entry");
             t.Write(".git/config", "in a hidden folder of its own");
         },
         Kind::Files,
         {".meta/more.txt", "new.txt", "scripts/gone.cs"}},
        {"no snapshot",
         [](SavePlanTest &t) { RemoveExtractSnapshot(t.m_sSub.toStdString()); },
         Kind::Everything,
         {}},
        {"a damaged snapshot",
         [](SavePlanTest &t) {
             QFile file(QString::fromStdString(SnapshotFilePath(t.m_sSub.toStdString())));
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.write("X");
         },
         Kind::Everything,
         {}},
        {"the archive written since",
         [](SavePlanTest &t) { t.Write("../../scripts.vl2", "new"); },
         Kind::Everything,
         {}},
        {"a link",
         [](SavePlanTest &t) { QFile::link("readme.txt", t.m_sSub + "/link.txt"); },
         Kind::Everything,
         {}},
        {"a name with a backslash",
         [](SavePlanTest &t) { t.Write("a\\b.txt", "x"); },
         Kind::Everything,
         {}},
        {"as many files as one call takes",
         [](SavePlanTest &t) {
             for (int i = 1; i < 1022; ++i)
                 t.Write(QStringLiteral("many/%1.txt").arg(i), "x");
             t.Write("scripts/a.cs", "b");
         },
         Kind::Files,
         {}},
        {"more files than one call takes",
         [](SavePlanTest &t) {
             for (int i = 0; i < 1023; ++i)
                 t.Write(QStringLiteral("many/%1.txt").arg(i), "x");
         },
         Kind::Everything,
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sWhat);
        QDir(m_home.Path() + QStringLiteral("/work")).removeRecursively();
        RemoveExtractSnapshot(m_sSub.toStdString());
        Extract();
        c.change(*this);
        SavePlan plan = Plan();
        EXPECT_EQ(plan.eKind, c.eKind);
        std::sort(plan.sFiles.begin(), plan.sFiles.end());
        if (c.eKind == Kind::Files && c.files.empty()) {
            EXPECT_EQ(plan.sFiles.size(), 1022u);
        } else {
            EXPECT_EQ(plan.sFiles, c.files);
        }
    }
}

} // namespace
