// Find in Archives without its window: the patterns, the listings cached by each
// archive's size and time, and why a match is greyed.
#include "editor/ArchiveSearch.h"
#include "editor/FindResultsModel.h"
#include "tests/testsupport/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

namespace {

TEST(SearchPatternTest, MatchesAnywhereLetterCaseAsideWithStarAndQuestionMark) {
    struct Case {
        const char *sPattern;
        const char *sPath;
        bool bMatches;
    } const cases[] = {
        {"client", "scripts/client.cs", true},
        {"CLIENT.CS", "scripts/Client.cs", true},
        {"scripts/c", "scripts/client.cs", true},
        {"scripts\\client", "scripts/client.cs", true}, // "\" read as "/"
        {"*.png", "textures/skins/red.png", true},
        {"*.png", "textures/skins/red.png.bak", true}, // anywhere: ".png" inside
        {"skins/*.png", "textures/skins/red.png", true},
        {"skins/*.png", "textures/red.png", false},
        {"r?d", "textures/red.png", true},
        {"r?d", "textures/rd.png", false},
        {"t*s*s*p", "textures/skins/a.png", true},
        {"s*t*x", "textures/skins/a.png", false},
        {"**", "anything", true},
        {"?", "a", true},
        {"?", "", false},
        {"été", "textures/ÉTÉ.png", true},     // letter case beyond ASCII
        {"x?y", "x\xc3\xa9y", true},            // "?" is one character, not one byte
        {"x??y", "x\xc3\xa9y", false},
        {"tank", "shapes/tank.dts", true},
        {"tanks", "shapes/tank.dts", false},
        {"a.b", "axb", false}, // "." is a plain character
        {"[a]", "[a]", true},
    };
    for (const Case &c : cases) {
        const SearchPattern pattern(QString::fromUtf8(c.sPattern));
        EXPECT_EQ(pattern.Matches(FoldForSearch(c.sPath)), c.bMatches)
            << c.sPattern << " in " << c.sPath;
    }
}

TEST(SearchPatternTest, ABlankPatternMatchesNothing) {
    for (const char *sPattern : {"", " ", "   "}) {
        const SearchPattern pattern(QString::fromLatin1(sPattern));
        EXPECT_TRUE(pattern.IsEmpty());
        EXPECT_FALSE(pattern.Matches("a b"));
    }
    EXPECT_FALSE(SearchPattern(QStringLiteral("*")).IsEmpty());
    EXPECT_TRUE(SearchPattern(QStringLiteral("*")).Matches(""));
}

class ArchiveSearchTest : public ::testing::Test {
protected:
    std::string Base() const { return (m_dir.path() + QStringLiteral("/GameData/base/")).toStdString(); }
    void Make(const QString &sRelative, const ArchiveEntries &entries) {
        WriteArchive(m_dir.path() + QStringLiteral("/GameData/") + sRelative, entries);
    }
    static ArchiveEntries Files(const QStringList &names) {
        ArchiveEntries entries;
        for (const QString &sName : names)
            entries.emplace_back(sName, sName.toUtf8());
        return entries;
    }
    // Reads what must be read, then searches: each match as "<archive>: <path>".
    QStringList Find(const QString &sPattern) {
        if (m_index.Prepare(GameArchiveChoices(Base())) > 0)
            m_index.ReadMissing();
        QStringList found;
        for (const SearchMatch &match : m_index.Search(SearchPattern(sPattern))) {
            const ArchiveSearchIndex::Archive &archive = m_index.At(match.lArchive);
            found << archive.choice.sDisplay + QStringLiteral(": ") +
                         QString::fromStdString(std::string(archive.listing.Path(match.lEntry)));
        }
        return found;
    }

    QTemporaryDir m_dir;
    ArchiveSearchIndex m_index;
};

TEST_F(ArchiveSearchTest, MatchesComeInTheChoosersOrderWithModArchivesAfterTheBaseOnes) {
    Make(QStringLiteral("base/scripts.vl2"), Files({"scripts/client.cs", "scripts/server.cs"}));
    Make(QStringLiteral("base/textures.vl2"), Files({"textures/client.png"}));
    Make(QStringLiteral("mymod/scripts.vl2"), Files({"scripts/Client.cs"}));
    EXPECT_EQ(Find(QStringLiteral("client")),
              (QStringList{"Scripts: scripts/client.cs", "Textures: textures/client.png",
                           "mymod/Scripts: scripts/Client.cs"}));
    EXPECT_EQ(Find(QStringLiteral("*.cs")),
              (QStringList{"Scripts: scripts/client.cs", "Scripts: scripts/server.cs",
                           "mymod/Scripts: scripts/Client.cs"}));
    EXPECT_EQ(Find(QStringLiteral("nothing")), QStringList());
}

TEST_F(ArchiveSearchTest, ListingsAreReadOnceAndAgainOnlyWhenAnArchivesSizeOrTimeChanges) {
    Make(QStringLiteral("base/a.vl2"), Files({"one.txt"}));
    Make(QStringLiteral("base/b.vl2"), Files({"two.txt"}));
    EXPECT_EQ(Find(QStringLiteral("t")).size(), 2);
    EXPECT_EQ(m_index.ListingsRead(), 2u);
    EXPECT_EQ(Find(QStringLiteral("o")).size(), 2);
    EXPECT_EQ(m_index.ListingsRead(), 2u);

    // The same size, another time: read again.
    const std::string sA = Base() + "a.vl2";
    Make(QStringLiteral("base/a.vl2"), Files({"neo.txt"}));
    struct utimbuf times {100000, 100000};
    ASSERT_EQ(utime(sA.c_str(), &times), 0);
    EXPECT_EQ(Find(QStringLiteral("neo")), QStringList{QStringLiteral("A: neo.txt")});
    EXPECT_EQ(m_index.ListingsRead(), 3u);
    // A new archive is read, a removed one dropped, the others kept.
    Make(QStringLiteral("base/c.vl2"), Files({"three.txt"}));
    QFile::remove(QString::fromStdString(Base() + "b.vl2"));
    EXPECT_EQ(Find(QStringLiteral(".txt")),
              (QStringList{"A: neo.txt", "C: three.txt"}));
    EXPECT_EQ(m_index.ListingsRead(), 4u);
}

TEST_F(ArchiveSearchTest, AnArchiveThatCannotBeListedSaysWhyAndTheOthersAreSearched) {
    Make(QStringLiteral("base/good.vl2"), Files({"scripts/a.cs"}));
    WriteFile(m_dir.path() + QStringLiteral("/GameData/base/broken.vl2"), "not a zip archive");
    EXPECT_EQ(Find(QStringLiteral("a.cs")), QStringList{QStringLiteral("Good: scripts/a.cs")});
    ASSERT_EQ(m_index.ArchiveCount(), 2u);
    EXPECT_EQ(m_index.At(0).choice.sDisplay, QStringLiteral("Broken"));
    EXPECT_FALSE(m_index.At(0).sProblem.isEmpty());
    EXPECT_TRUE(m_index.At(1).sProblem.isEmpty());
}

TEST_F(ArchiveSearchTest, MatchesTheTreeDoesNotShowAreGreyedWithTheirReason) {
    Make(QStringLiteral("base/shapes.vl2"), Files({"shapes/tank.txt"}));
    Make(QStringLiteral("base/Interiors.vl2"), Files({"interiors/tank.txt"}));
    // First in name order: the one offered.
    Make(QStringLiteral("base/SHAPES.vl2"), Files({"other/tank.txt", "other/tank.dts"}));
    Find(QStringLiteral("tank"));
    FindResultsModel results(m_index);
    results.SetMatches(m_index.Search(SearchPattern(QStringLiteral("tank"))));
    QStringList rows;
    for (int nRow = 0; nRow < results.rowCount(); ++nRow)
        rows << results.index(nRow, FindResultsModel::kArchive).data().toString() + " | " +
                    results.index(nRow, FindResultsModel::kPath).data().toString() + " | " +
                    results.HiddenReason(nRow);
    EXPECT_EQ(rows.join('\n').toStdString(),
              (QStringList{
                  "Interiors | interiors/tank.txt | Not in the chooser: Interiors archives are "
                  "not offered in the chooser.",
                  "Shapes | other/tank.txt | ",
                  "Shapes | other/tank.dts | Not shown in the tree: files of type DTS are game "
                  "data that the tree leaves out.",
                  "Shapes | shapes/tank.txt | Not in the chooser: its name differs only in letter "
                  "case from SHAPES.vl2, which the chooser offers instead."})
                  .join('\n')
                  .toStdString());
    EXPECT_FALSE(results.index(1, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(results.index(2, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(results.index(2, 3).data(Qt::ToolTipRole).toString(), results.HiddenReason(2));
    EXPECT_EQ(results.headerData(0, Qt::Horizontal).toString() + "," +
                  results.headerData(1, Qt::Horizontal).toString() + "," +
                  results.headerData(2, Qt::Horizontal).toString() + "," +
                  results.headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Archive,Path,Size,Modified"));
}

TEST_F(ArchiveSearchTest, NamesAreShownAsTheyAreWhateverTheyHold) {
    Make(QStringLiteral("<b>mod&amp;/x.vl2"), Files({"<i>odd</i> name.txt", "textures/Ünïcode.png"}));
    EXPECT_EQ(Find(QStringLiteral("<i>")).join('\n'),
              QStringLiteral("<b>mod&amp;/X: <i>odd</i> name.txt"));
    EXPECT_EQ(Find(QStringLiteral("üNÏ")).join('\n'),
              QStringLiteral("<b>mod&amp;/X: textures/Ünïcode.png"));
}

} // namespace
