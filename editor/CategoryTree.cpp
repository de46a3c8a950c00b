#include "editor/CategoryTree.h"

#include "editor/FileTypes.h"

QTreeWidgetItem *NewTreeNode(const QString &sText, int nIconNumber, const QIcon &icon, int nOrder) {
    auto *pNode = new QTreeWidgetItem(QStringList{sText});
    pNode->setIcon(0, icon);
    pNode->setData(0, kIconNumberRole, nIconNumber);
    pNode->setData(0, kNodeOrderRole, nOrder);
    return pNode;
}

CategoryTree::CategoryTree(const QIcon *pIcons) : m_pIcons(pIcons) {}

CategoryTree::~CategoryTree() {
    qDeleteAll(m_categories);
}

QTreeWidgetItem *CategoryTree::NewNode(const QString &sText, int nIconNumber) {
    QTreeWidgetItem *pNode = NewTreeNode(sText, nIconNumber, m_pIcons[nIconNumber - 1], m_nNodes);
    ++m_nNodes;
    return pNode;
}

void CategoryTree::AddFile(const QString &sFolder, const QString &sName, int nIconNumber) {
    std::vector<QTreeWidgetItem *> added;
    const auto matched = m_byText.constFind(sFolder);
    if (matched != m_byText.constEnd()) {
        // Only the nodes that were there before this entry: a file named like its
        // own folder must not receive a child of itself.
        const std::vector<QTreeWidgetItem *> &parents = *matched;
        const std::size_t nParents = parents.size();
        added.reserve(nParents);
        for (std::size_t i = 0; i < nParents; ++i) {
            QTreeWidgetItem *pFile = NewNode(sName, nIconNumber);
            parents[i]->addChild(pFile);
            added.push_back(pFile);
        }
    } else {
        QTreeWidgetItem *pCategory = NewNode(sFolder, kIconCategory);
        m_categories.append(pCategory);
        m_byText[sFolder].push_back(pCategory);
        QTreeWidgetItem *pFile = NewNode(sName, nIconNumber);
        pCategory->addChild(pFile);
        added.push_back(pFile);
    }
    std::vector<QTreeWidgetItem *> &named = m_byText[sName];
    named.insert(named.end(), added.begin(), added.end());
}

QList<QTreeWidgetItem *> CategoryTree::TakeCategories() {
    m_byText.clear();
    QList<QTreeWidgetItem *> categories;
    categories.swap(m_categories);
    return categories;
}
