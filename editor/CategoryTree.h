// The category tree of a listed archive, built off screen and then handed to the
// tree view in one piece.
//
// A file node goes under every node whose text equals the entry's folder, file
// nodes included, in the order the nodes were added; when no node has that text, a
// new category node for the folder is added at the end with the file node as its
// first child. The nodes are found through an index by text, so adding an entry
// costs the same however many nodes the tree holds already.
#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QTreeWidgetItem>
#include <vector>

// Data roles of the nodes (column 0).
enum CategoryTreeRole : int {
    // Its icon number (1 to 8): 8 marks a text file.
    kIconNumberRole = Qt::UserRole + 1,
    // Its place in the order the nodes were added, counting from 0.
    kNodeOrderRole = Qt::UserRole + 2,
    // Set (true) on a file node while its file has changed since Extract.
    kChangedSinceExtractRole = Qt::UserRole + 3,
};

// A tree node with its text, icon and icon number, not yet in any tree.
QTreeWidgetItem *NewTreeNode(const QString &sText, int nIconNumber, const QIcon &icon, int nOrder);

class CategoryTree {
public:
    // icons[n - 1] is icon number n.
    explicit CategoryTree(const QIcon *pIcons);
    ~CategoryTree();
    CategoryTree(const CategoryTree &) = delete;
    CategoryTree &operator=(const CategoryTree &) = delete;

    // Adds one shown entry: sFolder exactly as the listing reports it ("\"
    // between folders, empty at the archive's root), sName its file name.
    void AddFile(const QString &sFolder, const QString &sName, int nIconNumber);

    // The category nodes in order, with their files; the caller owns them from here.
    QList<QTreeWidgetItem *> TakeCategories();

    int NodeCount() const { return m_nNodes; }

private:
    QTreeWidgetItem *NewNode(const QString &sText, int nIconNumber);

    const QIcon *m_pIcons;
    QList<QTreeWidgetItem *> m_categories;
    // Every node by its text, each list in the order the nodes were added.
    QHash<QString, std::vector<QTreeWidgetItem *>> m_byText;
    int m_nNodes = 0;
};
