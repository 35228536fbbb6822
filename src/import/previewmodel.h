#pragma once

#include <QAbstractTableModel>

class ImportPreview;

// The preview table of the import dialog: the first records as the chosen layout reads them,
// the coordinate and label columns shaded, rows the import will skip greyed out, the table's
// row numbers down the side.
class PreviewModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewModel)

public:
    PreviewModel(const ImportPreview &preview, QObject *parent = nullptr);

    // Call after the preview's layout changed.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const ImportPreview &m_preview;
};
