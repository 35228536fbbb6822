#include "locationlistmodel.h"

#include <algorithm>

LocationListModel::LocationListModel(QObject *parent) : QAbstractTableModel(parent) {}

int LocationListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int LocationListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LocationListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole)
        return {};
    const LocationEntry &entry = m_entries[size_t(index.row())];
    switch (index.column()) {
    case LatitudeColumn:
        return entry.latitude;
    case LongitudeColumn:
        return entry.longitude;
    case CommentColumn:
        return entry.comment;
    default:
        return {};
    }
}

QVariant LocationListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case LatitudeColumn:
        return QStringLiteral("Latitude");
    case LongitudeColumn:
        return QStringLiteral("Longitude");
    case CommentColumn:
        return QStringLiteral("Comment");
    default:
        return {};
    }
}

Qt::ItemFlags LocationListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void LocationListModel::append(LocationEntry entry)
{
    const int row = int(m_entries.size());
    beginInsertRows({}, row, row);
    m_entries.push_back(std::move(entry));
    endInsertRows();
}

void LocationListModel::append(std::vector<LocationEntry> entries)
{
    if (entries.empty())
        return;
    const int first = int(m_entries.size());
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    if (m_entries.empty()) {
        m_entries = std::move(entries);
    } else {
        m_entries.reserve(m_entries.size() + entries.size());
        m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                         std::make_move_iterator(entries.end()));
    }
    endInsertRows();
}

void LocationListModel::removeSelected(const QItemSelection &selection)
{
    std::vector<std::pair<int, int>> ranges;
    ranges.reserve(size_t(selection.size()));
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid() && range.model() == this && !range.parent().isValid())
            ranges.emplace_back(range.top(), range.bottom());
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto &r : ranges) {
        if (!merged.empty() && r.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    if (merged.empty())
        return;

    // Each removal moves the rows behind it, so a few ranges are removed one by one (the view
    // keeps its place) and a scattered selection is squeezed out in one pass.
    if (merged.size() <= MaxRangesRemovedOneByOne) {
        for (auto it = merged.rbegin(); it != merged.rend(); ++it) {
            beginRemoveRows({}, it->first, it->second);
            m_entries.erase(m_entries.begin() + it->first, m_entries.begin() + it->second + 1);
            endRemoveRows();
        }
        return;
    }
    beginResetModel();
    size_t kept = size_t(merged.front().first);
    for (size_t i = 0; i < merged.size(); ++i) {
        const size_t keepFrom = size_t(merged[i].second) + 1;
        const size_t keepTo = i + 1 < merged.size() ? size_t(merged[i + 1].first) : m_entries.size();
        for (size_t row = keepFrom; row < keepTo; ++row)
            m_entries[kept++] = std::move(m_entries[row]);
    }
    m_entries.erase(m_entries.begin() + qsizetype(kept), m_entries.end());
    endResetModel();
}
