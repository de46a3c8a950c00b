#include "editor/CategoryTree.h"

#include <limits>
#include <stdexcept>

CategoryTree::CategoryTree(const ListedEntries &entries) {
    const std::size_t lEntries = entries.Count();
    m_firstNodes.assign(lEntries, 0);
    std::size_t lShown = 0;
    for (std::size_t i = 0; i < lEntries; ++i)
        lShown += entries.Shown(i) ? 1 : 0;
    m_nodes.reserve(1 + 2 * lShown);
    std::size_t lExtraNodes = kExtraNodes + lShown;

    // The nodes by their text, in the order they were added. Only folder texts are
    // ever looked up, so a node is kept here only when its text is a folder's: a
    // category node under its folder, a file node under the folder it is named like.
    std::vector<std::vector<NodeId>> byFolder(entries.FolderCount());
    for (std::size_t i = 0; i < lEntries; ++i) {
        if (!entries.Shown(i))
            continue;
        const auto lEntry = static_cast<std::uint32_t>(i);
        std::vector<NodeId> &parents = byFolder[entries.FolderNumber(i)];
        NodeId lFirst;
        std::uint32_t lCount = 1;
        if (parents.empty()) {
            const NodeId lCategory = AddNode(kRoot, kCategory | entries.FolderNumber(i));
            parents.push_back(lCategory);
            lFirst = AddNode(lCategory, lEntry);
        } else {
            // Only the nodes that were there before this entry: a file named like its
            // own folder must not receive a child of itself.
            const std::size_t lParents = parents.size();
            lFirst = AddNode(parents[0], lEntry);
            for (std::size_t p = 1; p < lParents && lExtraNodes > 0; ++p, --lExtraNodes, ++lCount)
                AddNode(parents[p], lEntry);
        }
        m_firstNodes[i] = lFirst;
        if (const std::optional<std::uint32_t> lNamedLike = entries.FolderNumberOf(entries.Name(i))) {
            std::vector<NodeId> &named = byFolder[*lNamedLike];
            for (std::uint32_t k = 0; k < lCount; ++k)
                named.push_back(lFirst + k);
        }
    }

    // Every node's children in the order they were added, one block per parent.
    for (std::size_t n = 1; n < m_nodes.size(); ++n)
        ++m_nodes[m_nodes[n].lParent].lChildCount;
    std::uint32_t lNext = 0;
    for (Node &node : m_nodes) {
        node.lFirstChild = lNext;
        lNext += node.lChildCount;
        node.lChildCount = 0;
    }
    m_children.resize(lNext);
    for (std::size_t n = 1; n < m_nodes.size(); ++n) {
        Node &parent = m_nodes[m_nodes[n].lParent];
        m_nodes[n].lRow = parent.lChildCount++;
        m_children[parent.lFirstChild + m_nodes[n].lRow] = static_cast<NodeId>(n);
    }
}

CategoryTree::NodeId CategoryTree::AddNode(NodeId lParent, std::uint32_t lItem) {
    if (m_nodes.size() >= kCategory)
        throw std::length_error("too many tree nodes");
    m_nodes.push_back(Node{lParent, 0, 0, 0, lItem});
    return static_cast<NodeId>(m_nodes.size() - 1);
}
