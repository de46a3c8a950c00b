// The table of Find in Archives: one row per match, with the columns Archive, Path,
// Size and Modified. A match the tree does not show (an entry of a hidden game type,
// or one of an archive the chooser leaves out) is greyed, with the reason as its
// tooltip.
#pragma once

#include "editor/ArchiveSearch.h"

#include <QAbstractTableModel>
#include <vector>

class FindResultsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kArchive, kPath, kSize, kModified, kColumnCount };

    explicit FindResultsModel(const ArchiveSearchIndex &index, QObject *pParent = nullptr);

    void SetMatches(std::vector<SearchMatch> matches);
    const std::vector<SearchMatch> &Matches() const { return m_matches; }

    // Whether the tree does not show the match in row nRow.
    bool IsHidden(int nRow) const;
    // Why the tree does not show the match in row nRow; empty when it does.
    QString HiddenReason(int nRow) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation,
                        int nRole = Qt::DisplayRole) const override;

private:
    const ArchiveSearchIndex &m_index;
    std::vector<SearchMatch> m_matches;
};
