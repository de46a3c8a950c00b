// The category tree built by walking every node for every entry, one tree widget
// item per node: the way the window built its tree before it kept an index by node
// text and before a model stood behind it. Kept only as the baseline of the window
// benchmark and as the reference the tests compare the model with; the program never
// uses it.
#pragma once

#include <QIcon>
#include <QString>
#include <QTreeWidget>
#include <vector>

class CategoryWalk {
public:
    // icons[n - 1] is icon number n. Nodes are added straight into pTree.
    CategoryWalk(QTreeWidget *pTree, const QIcon *pIcons) : m_pTree(pTree), m_pIcons(pIcons) {}

    // Walks the nodes the tree holds, in the order they were added, and adds a
    // file node under every node whose text equals sFolder; when none does, adds
    // a category node for sFolder at the end with the file node as its child.
    void AddFile(const QString &sFolder, const QString &sName, int nIconNumber);

private:
    QTreeWidget *m_pTree;
    const QIcon *m_pIcons;
    std::vector<QTreeWidgetItem *> m_nodes; // every node, in the order added
};
