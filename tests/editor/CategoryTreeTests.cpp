// The indexed category tree against the tree built by walking every node for
// every entry: the same nodes, texts, icons and order, including the odd cases
// where a file is named like a folder.
#include "bench/CategoryWalk.h"
#include "editor/CategoryTree.h"
#include "editor/FileTypes.h"

#include <QTreeWidget>
#include <gtest/gtest.h>
#include <random>

namespace {

// One line per node: depth, text, icon number and place in the order of adding.
void Describe(const QTreeWidgetItem *pNode, int nDepth, QStringList &lines) {
    lines << QStringLiteral("%1|%2|%3|%4")
                 .arg(nDepth)
                 .arg(pNode->text(0))
                 .arg(pNode->data(0, kIconNumberRole).toInt())
                 .arg(pNode->data(0, kNodeOrderRole).toInt());
    for (int i = 0; i < pNode->childCount(); ++i)
        Describe(pNode->child(i), nDepth + 1, lines);
}

QStringList Describe(const QTreeWidget &tree) {
    QStringList lines;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        Describe(tree.topLevelItem(i), 0, lines);
    return lines;
}

struct Built {
    QStringList indexed;
    QStringList walked;
};

Built BuildBoth(const std::vector<std::pair<QString, QString>> &entries) {
    QIcon icons[8];
    QTreeWidget indexedTree;
    QTreeWidget walkedTree;
    CategoryTree tree(icons);
    CategoryWalk walk(&walkedTree, icons);
    for (const auto &[sFolder, sName] : entries) {
        const int nIcon = TreeIconNumber(FileType(sName));
        tree.AddFile(sFolder, sName, nIcon);
        walk.AddFile(sFolder, sName, nIcon);
    }
    indexedTree.addTopLevelItems(tree.TakeCategories());
    return {Describe(indexedTree), Describe(walkedTree)};
}

TEST(CategoryTree, GivesTheWalksTreeForFilesNamedLikeFolders) {
    const Built built = BuildBoth({{"gui", "x.gui"},
                                   {"", "gui"},
                                   {"gui", "y.gui"},
                                   {"a", "a"},
                                   {"a", "a"},
                                   {"a", "b.txt"},
                                   {"b.txt", "c.png"}});
    EXPECT_EQ(built.indexed, built.walked);
    EXPECT_EQ(built.indexed.size(), 18);
}

TEST(CategoryTree, GivesTheWalksTreeForRandomListingsFullOfNameClashes) {
    // Few names, so that folders, file names and their clashes repeat often.
    const QStringList names = {"", "a", "b", "a\\b", "A", "x.cs", "y.png", "b\\a"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<qsizetype> pick(0, names.size() - 1);
    for (int nRound = 0; nRound < 200; ++nRound) {
        std::vector<std::pair<QString, QString>> entries;
        const int nEntries = 1 + nRound % 12;
        for (int i = 0; i < nEntries; ++i) {
            QString sName = names.at(pick(random));
            if (sName.isEmpty())
                sName = QStringLiteral("z.txt");
            entries.emplace_back(names.at(pick(random)), sName);
        }
        const Built built = BuildBoth(entries);
        ASSERT_EQ(built.indexed, built.walked) << "round " << nRound;
    }
}

TEST(CategoryTree, NodesLeftUntakenAreFreedWithTheBuilder) {
    QIcon icons[8];
    CategoryTree tree(icons);
    tree.AddFile(QStringLiteral("a"), QStringLiteral("b.txt"), kIconText);
    EXPECT_EQ(tree.NodeCount(), 2);
    // Leak checks (AddressSanitizer) prove the rest.
}

} // namespace
