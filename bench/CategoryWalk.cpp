#include "bench/CategoryWalk.h"

#include "editor/ArchiveModel.h"
#include "editor/FileTypes.h"

namespace {

// A tree node with its text, icon and icon number, and its place in the order the
// nodes were added, not yet in any tree.
QTreeWidgetItem *NewTreeNode(const QString &sText, int nIconNumber, const QIcon &icon, int nOrder) {
    auto *pNode = new QTreeWidgetItem(QStringList{sText});
    pNode->setIcon(0, icon);
    pNode->setData(0, kIconNumberRole, nIconNumber);
    pNode->setData(0, kNodeOrderRole, nOrder);
    return pNode;
}

} // namespace

void CategoryWalk::AddFile(const QString &sFolder, const QString &sName, int nIconNumber) {
    bool bMatched = false;
    const std::size_t nNodes = m_nodes.size();
    for (std::size_t i = 0; i < nNodes; ++i) {
        if (m_nodes[i]->text(0) != sFolder)
            continue;
        QTreeWidgetItem *pFile = NewTreeNode(sName, nIconNumber, m_pIcons[nIconNumber - 1],
                                             static_cast<int>(m_nodes.size()));
        m_nodes[i]->addChild(pFile);
        m_nodes.push_back(pFile);
        bMatched = true;
    }
    if (bMatched)
        return;
    QTreeWidgetItem *pCategory = NewTreeNode(sFolder, kIconCategory, m_pIcons[kIconCategory - 1],
                                             static_cast<int>(m_nodes.size()));
    m_pTree->addTopLevelItem(pCategory);
    m_nodes.push_back(pCategory);
    QTreeWidgetItem *pFile = NewTreeNode(sName, nIconNumber, m_pIcons[nIconNumber - 1],
                                         static_cast<int>(m_nodes.size()));
    pCategory->addChild(pFile);
    m_nodes.push_back(pFile);
}
