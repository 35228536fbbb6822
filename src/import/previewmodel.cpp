#include "previewmodel.h"

#include "importpreview.h"
#include "tableimport.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

// Light shades that keep black text readable.
const QColor CoordinateShade(0xDD, 0xEB, 0xF7);
const QColor LabelShade(0xFB, 0xF1, 0xD0);
// Rows the import will skip are greyed out.
const QColor SkippedText(0x9A, 0x9A, 0x9A);

} // namespace

PreviewModel::PreviewModel(const ImportPreview &preview, QObject *parent)
    : QAbstractTableModel(parent), m_preview(preview)
{
}

void PreviewModel::refresh()
{
    beginResetModel();
    endResetModel();
}

int PreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_preview.dataRecords().size());
}

int PreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_preview.columnCount();
}

QVariant PreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const TableLayout &layout = m_preview.layout();
    const int column = index.column();
    const QByteArrayList &cells = m_preview.dataRecords()[size_t(index.row())].cells;
    if (role == Qt::DisplayRole) {
        // One line per cell, as the list will show a label.
        return column < cells.size() ? QString::fromUtf8(cells[column]).simplified() : QString();
    }
    if (role == Qt::ForegroundRole && !hasUsableCoordinates(cells, layout))
        return QBrush(SkippedText);
    if (role == Qt::ToolTipRole && !hasUsableCoordinates(cells, layout))
        return QStringLiteral("Skipped: no usable coordinates");
    if (role == Qt::BackgroundRole) {
        if (column == layout.latitudeColumn || column == layout.longitudeColumn)
            return QBrush(CoordinateShade);
        if (column == layout.labelColumn)
            return QBrush(LabelShade);
    }
    return {};
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section < int(m_preview.dataRecords().size()))
            return QString::number(m_preview.dataRecords()[size_t(section)].row);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const TableLayout &layout = m_preview.layout();
    if (role == Qt::DisplayRole) {
        QString use;
        if (layout.pairColumn() && section == layout.latitudeColumn)
            use = QStringLiteral("Latitude, Longitude");
        else if (section == layout.latitudeColumn)
            use = QStringLiteral("Latitude");
        else if (section == layout.longitudeColumn)
            use = QStringLiteral("Longitude");
        else if (section == layout.labelColumn)
            use = QStringLiteral("Label");
        const QString name = m_preview.columnName(section);
        if (use.isEmpty() || name.compare(use, Qt::CaseInsensitive) == 0)
            return name;
        return QString(name + u'\n' + use);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
