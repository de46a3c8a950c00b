// The model behind the tree against the tree built by walking every node for every
// entry: the same nodes, texts, icons and order, including the odd cases where a
// file is named like a folder; and what the model tells about its nodes.
#include "bench/CategoryWalk.h"
#include "editor/ArchiveModel.h"
#include "editor/FileTypes.h"

#include <QTreeWidget>
#include <gtest/gtest.h>
#include <random>

namespace {

using Listing = std::vector<std::pair<QString, QString>>; // folder, file name

ListedEntries Listed(const Listing &listing) {
    ListedEntries entries;
    for (const auto &[sFolder, sName] : listing)
        entries.Add(sFolder.toStdString(), sName.toStdString());
    return entries;
}

// One line per node: depth, text, icon number and place in the order of adding.
QString Line(int nDepth, const QString &sText, const QVariant &icon, const QVariant &order) {
    return QStringLiteral("%1|%2|%3|%4").arg(nDepth).arg(sText).arg(icon.toInt()).arg(order.toInt());
}

void Describe(const QTreeWidgetItem *pNode, int nDepth, QStringList &lines) {
    lines << Line(nDepth, pNode->text(0), pNode->data(0, kIconNumberRole),
                  pNode->data(0, kNodeOrderRole));
    for (int i = 0; i < pNode->childCount(); ++i)
        Describe(pNode->child(i), nDepth + 1, lines);
}

void Describe(const QAbstractItemModel &model, const QModelIndex &parent, int nDepth,
              QStringList &lines) {
    for (int i = 0; i < model.rowCount(parent); ++i) {
        const QModelIndex node = model.index(i, 0, parent);
        EXPECT_EQ(node.parent(), parent);
        EXPECT_EQ(node.row(), i);
        lines << Line(nDepth, node.data().toString(), node.data(kIconNumberRole),
                      node.data(kNodeOrderRole));
        Describe(model, node, nDepth + 1, lines);
    }
}

struct Built {
    QStringList model;
    QStringList walked;
};

Built BuildBoth(const Listing &listing) {
    QIcon icons[8];
    ArchiveModel model(icons);
    model.SetEntries(Listed(listing));
    QTreeWidget walkedTree;
    CategoryWalk walk(&walkedTree, icons);
    for (const auto &[sFolder, sName] : listing) {
        const QString sType = FileType(sName);
        if (!IsHiddenType(sType))
            walk.AddFile(sFolder, sName, TreeIconNumber(sType));
    }
    Built built;
    Describe(model, {}, 0, built.model);
    for (int i = 0; i < walkedTree.topLevelItemCount(); ++i)
        Describe(walkedTree.topLevelItem(i), 0, built.walked);
    return built;
}

TEST(CategoryTree, GivesTheWalksTreeForFilesNamedLikeFolders) {
    const Built built = BuildBoth({{"gui", "x.gui"},
                                   {"", "gui"},
                                   {"gui", "y.gui"},
                                   {"a", "a"},
                                   {"a", "a"},
                                   {"a", "b.txt"},
                                   {"b.txt", "c.png"}});
    EXPECT_EQ(built.model, built.walked);
    EXPECT_EQ(built.model.size(), 18);
}

TEST(CategoryTree, GivesTheWalksTreeForCategoriesHiddenTypesOrderAndIcons) {
    const Built built = BuildBoth({{"Textures", "a.png"},
                                   {"textures", "b.gif"},
                                   {"shapes", "tank.dts"},
                                   {"scripts", "mission.cs"},
                                   {"", "notes.txt"},
                                   {"media", "clip.mpg"},
                                   {"Textures", "image.jpeg"},
                                   {"textures", "photo.JPG"},
                                   {"art", "brush.bmp"},
                                   {"textures\\skins", "red.png"},
                                   {"misc", "readme"},
                                   {"interiors", "hall.dif"},
                                   {"..", "up.txt"},
                                   {"gui", "ünï.gui"},
                                   {"gui", "x.ÄŃ"}});
    EXPECT_EQ(built.model, built.walked);
    EXPECT_EQ(built.model.first(), QStringLiteral("0|Textures|1|0"));
    EXPECT_EQ(built.model.filter(QStringLiteral("1|image.jpeg|2|")).size(), 1);
    EXPECT_FALSE(built.model.join(' ').contains(QStringLiteral("tank.dts")));
}

TEST(CategoryTree, GivesTheWalksTreeForRandomListingsFullOfNameClashes) {
    // Few names, so that folders, file names and their clashes repeat often.
    const QStringList names = {"", "a", "b", "a\\b", "A", "x.cs", "y.png", "b\\a", "z.dts"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<qsizetype> pick(0, names.size() - 1);
    for (int nRound = 0; nRound < 200; ++nRound) {
        Listing listing;
        const int nEntries = 1 + nRound % 12;
        for (int i = 0; i < nEntries; ++i) {
            QString sName = names.at(pick(random));
            if (sName.isEmpty())
                sName = QStringLiteral("z.txt");
            listing.emplace_back(names.at(pick(random)), sName);
        }
        const Built built = BuildBoth(listing);
        ASSERT_EQ(built.model, built.walked) << "round " << nRound;
    }
}

TEST(CategoryTree, AnEntryNamedLikeItsFolderManyTimesOverCannotMakeTheNodesExplode) {
    // Each "a\a" would double the nodes named "a": 2^60 nodes by the rule alone.
    Listing listing(60, {QStringLiteral("a"), QStringLiteral("a")});
    listing.emplace_back(QStringLiteral("a"), QStringLiteral("last.txt"));
    const ListedEntries entries = Listed(listing);
    const CategoryTree tree(entries);
    EXPECT_EQ(tree.NodeCount(), 1 + 2 * entries.Count() + CategoryTree::kExtraNodes);
    // Every entry keeps its first node, under the first node named like its folder.
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        const CategoryTree::NodeId lNode = tree.FirstNodeOf(i);
        ASSERT_NE(lNode, CategoryTree::kRoot) << i;
        EXPECT_EQ(tree.Entry(lNode), i);
        EXPECT_EQ(tree.Parent(lNode), tree.Child(CategoryTree::kRoot, 0)) << i;
    }
}

// ---- What the model tells about its nodes --------------------------------------

class ArchiveModelTest : public ::testing::Test {
protected:
    void Show(const Listing &listing) { m_model.SetEntries(Listed(listing)); }
    QModelIndex Category(int nRow) { return m_model.index(nRow, 0); }
    QModelIndex File(int nCategory, int nRow) { return m_model.index(nRow, 0, Category(nCategory)); }

    QIcon m_icons[8];
    ArchiveModel m_model{m_icons};
};

TEST_F(ArchiveModelTest, PathsComeFromTheEntriesAndNeverClimbOutOfTheSubFolder) {
    Show({{"scripts", "a.cs"},
          {"textures\\skins", "red.png"},
          {"", "top.txt"},
          {"..", "out.txt"},
          {"scripts\\..\\..", "b.cs"},
          {"gui", ".."}});
    const std::string sSub = "/w/Scripts";
    const struct {
        QModelIndex node;
        std::optional<std::string> sFile;
        std::optional<std::string> sFolder;
    } cases[] = {
        {Category(0), std::nullopt, sSub + "/scripts"},
        {File(0, 0), sSub + "/scripts/a.cs", sSub + "/scripts"},
        {File(1, 0), sSub + "/textures/skins/red.png", sSub + "/textures/skins"},
        {File(2, 0), sSub + "/top.txt", sSub + "/"},
        {Category(3), std::nullopt, std::nullopt},
        {File(3, 0), std::nullopt, std::nullopt},
        {File(4, 0), std::nullopt, std::nullopt},
        {File(5, 0), std::nullopt, sSub + "/gui"},
        {QModelIndex(), std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.node.data().toString().toStdString());
        EXPECT_EQ(m_model.FilePath(sSub, c.node), c.sFile);
        EXPECT_EQ(m_model.FolderPath(sSub, c.node), c.sFolder);
        EXPECT_EQ(m_model.FilePath("", c.node), std::nullopt);
    }
    EXPECT_EQ(m_model.ProbeFile(sSub), sSub + "/scripts/a.cs");
    EXPECT_EQ(m_model.ProbeFile(""), "");
    // The folders to remove, in the order their nodes were added, none outside.
    EXPECT_EQ(m_model.FolderNodePaths(sSub),
              (std::vector<std::string>{sSub + "/scripts", sSub + "/textures/skins", sSub + "/",
                                        sSub + "/gui"}));
}

TEST_F(ArchiveModelTest, AnEntryIsFoundByItsPathAndAFileNodeTellsItsEntry) {
    Show({{"gui", "x.gui"}, {"", "gui"}, {"gui", "y.gui"}, {"shapes", "t.dts"}});
    // "gui\y.gui" lies under the category gui and under the file node gui.
    const QModelIndex found = m_model.FindEntry("gui/y.gui");
    ASSERT_TRUE(found.isValid());
    EXPECT_EQ(found, File(0, 1));
    EXPECT_EQ(m_model.FindEntry("gui\\y.gui"), found);
    EXPECT_EQ(m_model.EntryAt(found), std::optional<std::size_t>(2));
    EXPECT_EQ(m_model.EntryAt(m_model.index(0, 0, File(1, 0))), std::optional<std::size_t>(2));
    EXPECT_EQ(m_model.FindEntry("gui"), File(1, 0));
    EXPECT_EQ(m_model.FindEntry("\\gui"), File(1, 0));
    EXPECT_EQ(m_model.EntryAt(Category(0)), std::nullopt);
    // Hidden and unknown entries have no node.
    EXPECT_FALSE(m_model.FindEntry("shapes/t.dts").isValid());
    EXPECT_EQ(m_model.Entries().Find("shapes/t.dts"), 3u);
    EXPECT_FALSE(m_model.FindEntry("gui/z.gui").isValid());
    EXPECT_FALSE(m_model.FindEntry("nowhere/x.gui").isValid());
}

TEST_F(ArchiveModelTest, AMarkIsDataOnEveryNodeOfItsEntryAndIsToldToTheView) {
    Show({{"gui", "x.gui"}, {"", "gui"}, {"gui", "y.gui"}});
    QFont font(QStringLiteral("Sans"), 11);
    m_model.SetTreeFont(font);
    std::vector<QModelIndex> told;
    QObject::connect(&m_model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &first, const QModelIndex &last) {
                         EXPECT_EQ(first, last);
                         told.push_back(first);
                     });
    const QModelIndex underCategory = File(0, 1);
    const QModelIndex underFile = m_model.index(0, 0, File(1, 0));

    m_model.SetChanged(2, true);
    m_model.SetChanged(2, true); // no change: nothing told

    EXPECT_EQ(told, (std::vector<QModelIndex>{underCategory, underFile}));
    for (const QModelIndex &node : {underCategory, underFile}) {
        EXPECT_TRUE(node.data(kChangedSinceExtractRole).toBool());
        EXPECT_TRUE(node.data(Qt::FontRole).value<QFont>().bold());
        EXPECT_EQ(node.data(Qt::FontRole).value<QFont>().pointSize(), 11);
        EXPECT_EQ(node.data(Qt::ToolTipRole).toString(), QStringLiteral("Changed since Extract"));
    }
    const QModelIndex unmarked = File(0, 0);
    EXPECT_FALSE(unmarked.data(kChangedSinceExtractRole).isValid());
    EXPECT_FALSE(unmarked.data(Qt::FontRole).isValid());
    EXPECT_FALSE(unmarked.data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(m_model.flags(unmarked).testFlag(Qt::ItemIsEditable));

    m_model.ClearChanged();
    EXPECT_FALSE(underFile.data(kChangedSinceExtractRole).isValid());
    EXPECT_EQ(told.size(), 4u);
}

} // namespace
