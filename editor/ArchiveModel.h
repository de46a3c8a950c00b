// The model behind Keplo's tree (treArchive): the listed archive's entries
// (ListedEntries) as the category tree shows them (CategoryTree), with the tree's
// icons and the marks of the files changed since Extract. It holds each entry once;
// nodes are rows made from the entries when the view asks for them.
//
// Every node has one column. Its display text is its folder's (a category node) or
// its entry's name (a file node), its icon the image list's picture for its icon
// number. A node's data also carries its icon number (kIconNumberRole), its place in
// the order the nodes were added (kNodeOrderRole) and, while its file has changed
// since Extract, the mark: kChangedSinceExtractRole true, the tree's font in bold and
// a tooltip saying so. Labels cannot be edited.
//
// Whatever needs an entry's path asks the model: the path of a node's unpacked file,
// of the folder a node stands for, of the probe file, and the folders to remove in the
// order the nodes were added.
#pragma once

#include "editor/ListedEntries.h"
#include "editor/CategoryTree.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QIcon>
#include <optional>
#include <string>
#include <vector>

// Data roles of the nodes, beside the display text, icon, font and tooltip.
enum CategoryTreeRole : int {
    // Its icon number (1 to 8): 8 marks a text file.
    kIconNumberRole = Qt::UserRole + 1,
    // Its place in the order the nodes were added, counting from 0.
    kNodeOrderRole = Qt::UserRole + 2,
    // True on a file node while its file has changed since Extract; unset otherwise.
    kChangedSinceExtractRole = Qt::UserRole + 3,
};

class ArchiveModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // pIcons[n - 1] is icon number n; they must outlive the model.
    explicit ArchiveModel(const QIcon *pIcons, QObject *pParent = nullptr);
    ~ArchiveModel() override;

    // Shows these entries, every mark taken away.
    void SetEntries(ListedEntries entries);
    void Clear() { SetEntries(ListedEntries()); }
    const ListedEntries &Entries() const { return m_entries; }
    const CategoryTree &Tree() const { return m_tree; }

    // ---- The nodes.
    // Whether the node is a file node (not a category node); a file node may have
    // children too, when it is named like a folder.
    bool IsFileNode(const QModelIndex &index) const;
    // The entry a file node stands for; nothing for a category node or no node.
    std::optional<std::size_t> EntryAt(const QModelIndex &index) const;
    // The first node of an entry the tree shows; an invalid index otherwise.
    QModelIndex IndexOfEntry(std::size_t lEntry) const;
    // The node of the entry whose path or line is sPath (ListedEntries::Find);
    // an invalid index when the tree does not show such an entry.
    QModelIndex FindEntry(std::string_view sPath) const;
    // The node's text in UTF-8, as listed.
    std::string_view NodeText(const QModelIndex &index) const;

    // ---- Paths below the archive sub-folder sSubFolder.
    // The unpacked file of a file node: sSubFolder + "/" + its line; nothing for a
    // category node or when it would lie outside sSubFolder.
    std::optional<std::string> FilePath(const std::string &sSubFolder,
                                        const QModelIndex &index) const;
    // The folder a node stands for: a node with children names a folder by its own
    // text, any other node by its parent's. Nothing when it would lie outside
    // sSubFolder.
    std::optional<std::string> FolderPath(const std::string &sSubFolder,
                                          const QModelIndex &index) const;
    // sSubFolder + "/" + the first node's text + "/" + its first child's text, with
    // "/" between folders; empty when the tree has no node.
    std::string ProbeFile(const std::string &sSubFolder) const;
    // The texts of every node with children, in the order the nodes were added, each
    // as a path below sSubFolder (none that would lie outside it).
    std::vector<std::string> FolderNodePaths(const std::string &sSubFolder) const;

    // ---- The marks of the files changed since Extract.
    // The font a marked node is drawn in, in bold; the view's own font.
    void SetTreeFont(const QFont &font);
    void SetChanged(std::size_t lEntry, bool bChanged);
    bool IsChanged(std::size_t lEntry) const { return m_changed[lEntry]; }
    void ClearChanged();
    // The text of a marked node's tooltip.
    static QString ChangedTip();

    // ---- QAbstractItemModel.
    QModelIndex index(int nRow, int nColumn, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    CategoryTree::NodeId NodeOf(const QModelIndex &index) const;
    QModelIndex IndexOf(CategoryTree::NodeId lNode) const;
    int IconNumberOf(CategoryTree::NodeId lNode) const;
    std::string_view TextOf(CategoryTree::NodeId lNode) const;

    const QIcon *m_pIcons;
    ListedEntries m_entries;
    CategoryTree m_tree;
    std::vector<bool> m_changed; // per entry
    QFont m_markFont;
};
