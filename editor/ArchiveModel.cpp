#include "editor/ArchiveModel.h"

#include "editor/FileTypes.h"
#include "editor/UnpackedFiles.h"

#include <algorithm>

ArchiveModel::ArchiveModel(const QIcon *pIcons, QObject *pParent)
    : QAbstractItemModel(pParent), m_pIcons(pIcons) {
    m_markFont.setBold(true);
}

ArchiveModel::~ArchiveModel() = default;

void ArchiveModel::SetEntries(ListedEntries entries) {
    beginResetModel();
    // The old listing goes first: the new one's tree is built without it beside it.
    m_tree = CategoryTree();
    m_entries = std::move(entries);
    m_tree = CategoryTree(m_entries);
    m_changed.assign(m_entries.Count(), false);
    endResetModel();
}

// ---- The nodes.

CategoryTree::NodeId ArchiveModel::NodeOf(const QModelIndex &index) const {
    return index.isValid() ? static_cast<CategoryTree::NodeId>(index.internalId())
                           : CategoryTree::kRoot;
}

QModelIndex ArchiveModel::IndexOf(CategoryTree::NodeId lNode) const {
    if (lNode == CategoryTree::kRoot)
        return {};
    return createIndex(static_cast<int>(m_tree.Row(lNode)), 0, static_cast<quintptr>(lNode));
}

std::string_view ArchiveModel::TextOf(CategoryTree::NodeId lNode) const {
    return m_tree.IsCategory(lNode) ? m_entries.FolderText(m_tree.Folder(lNode))
                                    : m_entries.Name(m_tree.Entry(lNode));
}

int ArchiveModel::IconNumberOf(CategoryTree::NodeId lNode) const {
    return m_tree.IsCategory(lNode) ? kIconCategory : m_entries.IconNumber(m_tree.Entry(lNode));
}

bool ArchiveModel::IsFileNode(const QModelIndex &index) const {
    return index.isValid() && !m_tree.IsCategory(NodeOf(index));
}

std::optional<std::size_t> ArchiveModel::EntryAt(const QModelIndex &index) const {
    if (!IsFileNode(index))
        return std::nullopt;
    return m_tree.Entry(NodeOf(index));
}

QModelIndex ArchiveModel::IndexOfEntry(std::size_t lEntry) const {
    if (lEntry >= m_entries.Count())
        return {};
    return IndexOf(m_tree.FirstNodeOf(lEntry));
}

QModelIndex ArchiveModel::FindEntry(std::string_view sPath) const {
    const std::size_t lEntry = m_entries.Find(sPath);
    return lEntry == ListedEntries::npos ? QModelIndex() : IndexOfEntry(lEntry);
}

std::string_view ArchiveModel::NodeText(const QModelIndex &index) const {
    return index.isValid() ? TextOf(NodeOf(index)) : std::string_view();
}

// ---- Paths.

std::optional<std::string> ArchiveModel::FilePath(const std::string &sSubFolder,
                                                  const QModelIndex &index) const {
    const std::optional<std::size_t> lEntry = EntryAt(index);
    if (!lEntry || sSubFolder.empty())
        return std::nullopt;
    // A file node lies under a node whose text is its entry's folder: the node's
    // parent and its own text make the entry's line.
    return PathBelow(sSubFolder, std::string_view(m_entries.Line(*lEntry)));
}

std::optional<std::string> ArchiveModel::FolderPath(const std::string &sSubFolder,
                                                    const QModelIndex &index) const {
    if (!index.isValid() || sSubFolder.empty())
        return std::nullopt;
    const CategoryTree::NodeId lNode = NodeOf(index);
    const CategoryTree::NodeId lFolderNode =
        m_tree.ChildCount(lNode) > 0 ? lNode : m_tree.Parent(lNode);
    if (lFolderNode == CategoryTree::kRoot)
        return std::nullopt;
    return PathBelow(sSubFolder, TextOf(lFolderNode));
}

std::string ArchiveModel::ProbeFile(const std::string &sSubFolder) const {
    if (m_tree.ChildCount(CategoryTree::kRoot) == 0 || sSubFolder.empty())
        return {};
    const CategoryTree::NodeId lFirst = m_tree.Child(CategoryTree::kRoot, 0);
    if (m_tree.ChildCount(lFirst) == 0)
        return {};
    std::string sProbe = sSubFolder + "/";
    sProbe.append(TextOf(lFirst)).append("/").append(TextOf(m_tree.Child(lFirst, 0)));
    std::replace(sProbe.begin() + static_cast<std::ptrdiff_t>(sSubFolder.size()), sProbe.end(),
                 '\\', '/');
    return sProbe;
}

std::vector<std::string> ArchiveModel::FolderNodePaths(const std::string &sSubFolder) const {
    std::vector<std::string> paths;
    for (CategoryTree::NodeId n = 1; n <= m_tree.NodeCount(); ++n)
        if (m_tree.ChildCount(n) > 0)
            if (std::optional<std::string> sPath = PathBelow(sSubFolder, TextOf(n)))
                paths.push_back(std::move(*sPath));
    return paths;
}

// ---- Marks.

void ArchiveModel::SetTreeFont(const QFont &font) {
    m_markFont = font;
    m_markFont.setBold(true);
}

void ArchiveModel::SetChanged(std::size_t lEntry, bool bChanged) {
    if (lEntry >= m_changed.size() || m_changed[lEntry] == bChanged)
        return;
    m_changed[lEntry] = bChanged;
    const CategoryTree::NodeId lFirst = m_tree.FirstNodeOf(lEntry);
    if (lFirst == CategoryTree::kRoot)
        return;
    // The entry's nodes follow one another.
    const QVector<int> roles{Qt::FontRole, Qt::ToolTipRole, kChangedSinceExtractRole};
    for (CategoryTree::NodeId n = lFirst;
         n <= m_tree.NodeCount() && !m_tree.IsCategory(n) && m_tree.Entry(n) == lEntry; ++n) {
        const QModelIndex index = IndexOf(n);
        emit dataChanged(index, index, roles);
    }
}

void ArchiveModel::ClearChanged() {
    for (std::size_t i = 0; i < m_changed.size(); ++i)
        if (m_changed[i])
            SetChanged(i, false);
}

QString ArchiveModel::ChangedTip() {
    return QStringLiteral("Changed since Extract");
}

// ---- QAbstractItemModel.

QModelIndex ArchiveModel::index(int nRow, int nColumn, const QModelIndex &parent) const {
    const CategoryTree::NodeId lParent = NodeOf(parent);
    if (nRow < 0 || nColumn != 0 || static_cast<std::uint32_t>(nRow) >= m_tree.ChildCount(lParent))
        return {};
    return createIndex(nRow, 0,
                       static_cast<quintptr>(m_tree.Child(lParent, static_cast<std::uint32_t>(nRow))));
}

QModelIndex ArchiveModel::parent(const QModelIndex &child) const {
    if (!child.isValid())
        return {};
    return IndexOf(m_tree.Parent(NodeOf(child)));
}

int ArchiveModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return static_cast<int>(m_tree.ChildCount(NodeOf(parent)));
}

int ArchiveModel::columnCount(const QModelIndex &) const {
    return 1;
}

bool ArchiveModel::hasChildren(const QModelIndex &parent) const {
    return rowCount(parent) > 0;
}

QVariant ArchiveModel::data(const QModelIndex &index, int nRole) const {
    if (!index.isValid())
        return {};
    const CategoryTree::NodeId lNode = NodeOf(index);
    const bool bMarked = !m_tree.IsCategory(lNode) && m_changed[m_tree.Entry(lNode)];
    switch (nRole) {
    case Qt::DisplayRole:
        return ListedEntries::TreeText(TextOf(lNode));
    case Qt::DecorationRole:
        return m_pIcons[IconNumberOf(lNode) - 1];
    case kIconNumberRole:
        return IconNumberOf(lNode);
    case kNodeOrderRole:
        return static_cast<int>(lNode - 1);
    case kChangedSinceExtractRole:
        return bMarked ? QVariant(true) : QVariant();
    case Qt::FontRole:
        return bMarked ? QVariant(m_markFont) : QVariant();
    case Qt::ToolTipRole:
        return bMarked ? QVariant(ChangedTip()) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags ArchiveModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
