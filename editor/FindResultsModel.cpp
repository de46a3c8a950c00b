#include "editor/FindResultsModel.h"

#include "editor/FileTypes.h"
#include "editor/PreviewContent.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>

FindResultsModel::FindResultsModel(const ArchiveSearchIndex &index, QObject *pParent)
    : QAbstractTableModel(pParent), m_index(index) {}

void FindResultsModel::SetMatches(std::vector<SearchMatch> matches) {
    beginResetModel();
    m_matches = std::move(matches);
    endResetModel();
}

bool FindResultsModel::IsHidden(int nRow) const {
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_matches.size())
        return false;
    const SearchMatch &match = m_matches[static_cast<std::size_t>(nRow)];
    const ArchiveSearchIndex::Archive &archive = m_index.At(match.lArchive);
    return archive.choice.eShown != GameArchiveChoice::Shown::Yes ||
           !archive.listing.Shown(match.lEntry);
}

QString FindResultsModel::HiddenReason(int nRow) const {
    if (!IsHidden(nRow))
        return {};
    const SearchMatch &match = m_matches[static_cast<std::size_t>(nRow)];
    const ArchiveSearchIndex::Archive &archive = m_index.At(match.lArchive);
    if (archive.choice.eShown != GameArchiveChoice::Shown::Yes)
        return QStringLiteral("Not in the chooser: ") + archive.choice.HiddenReason() +
               QLatin1Char('.');
    if (!archive.listing.Shown(match.lEntry)) {
        const std::string_view sPath = archive.listing.Path(match.lEntry);
        const QString sType = FileType(QString::fromUtf8(sPath.data(),
                                                         static_cast<qsizetype>(sPath.size())));
        return QStringLiteral("Not shown in the tree: files of type %1 are game data that the "
                              "tree leaves out.")
            .arg(sType.startsWith(QLatin1Char('.')) ? sType.mid(1) : sType);
    }
    return {};
}

int FindResultsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_matches.size());
}

int FindResultsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FindResultsModel::data(const QModelIndex &index, int nRole) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_matches.size())
        return {};
    const SearchMatch &match = m_matches[static_cast<std::size_t>(index.row())];
    const ArchiveSearchIndex::Archive &archive = m_index.At(match.lArchive);
    switch (nRole) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kArchive:
            return archive.choice.sDisplay;
        case kPath: {
            const std::string_view sPath = archive.listing.Path(match.lEntry);
            return QString::fromUtf8(sPath.data(), static_cast<qsizetype>(sPath.size()));
        }
        case kSize:
            return QLocale(QLocale::English)
                .toString(static_cast<qulonglong>(archive.listing.Size(match.lEntry)));
        case kModified:
            return DateText(archive.listing.Date(match.lEntry));
        default:
            return {};
        }
    case Qt::TextAlignmentRole:
        return index.column() == kSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                       : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (IsHidden(index.row()))
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::ToolTipRole: {
        const QString sReason = HiddenReason(index.row());
        return sReason.isEmpty() ? QVariant() : QVariant(sReason);
    }
    default:
        return {};
    }
}

QVariant FindResultsModel::headerData(int nSection, Qt::Orientation eOrientation,
                                      int nRole) const {
    if (eOrientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return {};
    switch (nSection) {
    case kArchive:
        return QStringLiteral("Archive");
    case kPath:
        return QStringLiteral("Path");
    case kSize:
        return QStringLiteral("Size");
    case kModified:
        return QStringLiteral("Modified");
    default:
        return {};
    }
}
