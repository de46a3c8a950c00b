// The category tree of a listed archive: which node lies under which, built in one
// pass over the entries and kept as a table of nodes.
//
// Each shown entry adds a file node under every node whose text equals the entry's
// folder, file nodes included, taking only the nodes that were there before the
// entry; when no node has that text, a new category node for the folder is added at
// the end of the tree with the file node as its first child. Category nodes show
// their folder's text, file nodes their entry's name. Nodes are numbered from 1 in the
// order they were added; 0 is the root above the category nodes.
//
// A file named like a folder thus receives that folder's entries as well, and a
// crafted archive (the entry "a\a" many times over) could make the nodes double with
// every entry. Each entry always gets its first node; the nodes beyond that come
// from a budget of kExtraNodes plus one per shown entry, so the tree never holds more
// than that budget beyond its categories and one node per entry.
#pragma once

#include "editor/ListedEntries.h"

#include <cstdint>
#include <vector>

class CategoryTree {
public:
    using NodeId = std::uint32_t;
    static constexpr NodeId kRoot = 0;
    // The nodes beyond each entry's first that any archive may have.
    static constexpr std::size_t kExtraNodes = 65536;

    CategoryTree() = default;
    explicit CategoryTree(const ListedEntries &entries);

    // The nodes below the root.
    std::size_t NodeCount() const { return m_nodes.size() - 1; }

    NodeId Parent(NodeId lNode) const { return m_nodes[lNode].lParent; }
    // The node's place among its parent's children, from 0.
    std::uint32_t Row(NodeId lNode) const { return m_nodes[lNode].lRow; }
    std::uint32_t ChildCount(NodeId lNode) const { return m_nodes[lNode].lChildCount; }
    NodeId Child(NodeId lNode, std::uint32_t lRow) const {
        return m_children[m_nodes[lNode].lFirstChild + lRow];
    }

    bool IsCategory(NodeId lNode) const { return (m_nodes[lNode].lItem & kCategory) != 0; }
    // The entry a file node stands for.
    std::uint32_t Entry(NodeId lNode) const { return m_nodes[lNode].lItem; }
    // The folder number (ListedEntries::FolderNumber) of a category node.
    std::uint32_t Folder(NodeId lNode) const { return m_nodes[lNode].lItem & ~kCategory; }

    // The first node of a shown entry; the entry's other nodes, if any, follow it
    // directly. 0 for an entry the tree does not show.
    NodeId FirstNodeOf(std::size_t lEntry) const { return m_firstNodes[lEntry]; }

private:
    static constexpr std::uint32_t kCategory = 0x80000000u;

    struct Node {
        NodeId lParent;
        std::uint32_t lRow;
        std::uint32_t lFirstChild; // in m_children
        std::uint32_t lChildCount;
        std::uint32_t lItem; // the entry, or kCategory | the folder number
    };

    NodeId AddNode(NodeId lParent, std::uint32_t lItem);

    std::vector<Node> m_nodes{Node{}};  // m_nodes[0] is the root
    std::vector<NodeId> m_children;     // every node's children in a row, by parent
    std::vector<NodeId> m_firstNodes;   // per entry
};
