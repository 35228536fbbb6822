#pragma once

#include "locationentry.h"

#include <QAbstractTableModel>
#include <QItemSelection>

#include <vector>

// The location list: the program's one document, in insertion order, read-only cells.
class LocationListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationListModel)

public:
    enum Column
    {
        LatitudeColumn,
        LongitudeColumn,
        CommentColumn,
        ColumnCount
    };

    explicit LocationListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const std::vector<LocationEntry> &entries() const { return m_entries; }
    qsizetype size() const { return qsizetype(m_entries.size()); }

    void append(LocationEntry entry);
    // Appends many rows with one insertion.
    void append(std::vector<LocationEntry> entries);
    // Removes every row the selection covers, all at once.
    void removeSelected(const QItemSelection &selection);

    // Above this many separate runs of selected rows, a removal resets the model instead of
    // announcing each run.
    static constexpr size_t MaxRangesRemovedOneByOne = 32;

private:
    std::vector<LocationEntry> m_entries;
};
