#include "tableimport.h"

#include "tabledetection.h"
#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

bool inRange(const CellNumber &latitude, const CellNumber &longitude)
{
    return std::abs(latitude.value) <= 90 && std::abs(longitude.value) <= 180;
}

// The coordinates of one record as the entry's texts; false when they are not usable.
// cell(column) gives the record's cell, empty past its end.
template <typename Cell>
bool readCoordinates(const Cell &cell, const TableLayout &layout, LocationEntry &entry)
{
    if (!layout.hasCoordinates())
        return false;
    if (layout.pairColumn()) {
        std::optional<CellPair> pair = readPair(cell(layout.latitudeColumn), layout.decimalMark);
        if (!pair || !inRange(pair->first, pair->second))
            return false;
        entry.latitude = std::move(pair->first.text);
        entry.longitude = std::move(pair->second.text);
        return true;
    }
    std::optional<CellNumber> latitude = readNumber(cell(layout.latitudeColumn), layout.decimalMark);
    if (!latitude)
        return false;
    std::optional<CellNumber> longitude = readNumber(cell(layout.longitudeColumn), layout.decimalMark);
    if (!longitude || !inRange(*latitude, *longitude))
        return false;
    entry.latitude = std::move(latitude->text);
    entry.longitude = std::move(longitude->text);
    return true;
}

bool isColumnNumber(const QString &text, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1)
        return false;
    *number = value - 1;
    return true;
}

} // namespace

std::optional<ImportResult> importTable(QByteArrayView text, const TableLayout &layout, const CsvProgress &progress)
{
    ImportResult result;
    result.layout = layout;
    bool headerPassed = !layout.hasHeader;
    const bool finished = readCsv(
        text, layout.separator,
        [&](qint64 row, const CsvRecord &record) {
            if (record.isBlank())
                return;
            if (!headerPassed) {
                headerPassed = true;
                return;
            }
            LocationEntry entry;
            if (!readCoordinates([&record](int column) { return record.field(column); }, layout, entry)) {
                if (result.firstSkippedRows.size() < ImportResult::ListedSkippedRows)
                    result.firstSkippedRows.append(row);
                ++result.skipped;
                return;
            }
            if (layout.labelColumn != TableLayout::NoColumn)
                entry.comment = QString::fromUtf8(record.field(layout.labelColumn)).simplified();
            result.entries.push_back(std::move(entry));
        },
        progress);
    if (!finished)
        return std::nullopt;
    if (result.entries.capacity() - result.entries.size() > result.entries.size() / 8)
        result.entries.shrink_to_fit();
    return result;
}

bool hasUsableCoordinates(const QByteArrayList &cells, const TableLayout &layout)
{
    LocationEntry entry;
    return readCoordinates([&cells](int column) { return QByteArrayView(cells.value(column)); }, layout, entry);
}

int resolveColumn(const QString &nameOrNumber, const TableSample &sample, TableLayout &layout)
{
    int column = TableLayout::NoColumn;
    if (isColumnNumber(nameOrNumber.trimmed(), &column))
        return column < sampleColumns(sample) ? column : TableLayout::NoColumn;
    if (sample.empty())
        return TableLayout::NoColumn;
    const QByteArrayList &names = sample.front().cells;
    for (int i = 0; i < int(names.size()); ++i) {
        if (QString::fromUtf8(names[i]).trimmed().compare(nameOrNumber.trimmed(), Qt::CaseInsensitive) == 0) {
            layout.hasHeader = true;
            return i;
        }
    }
    return TableLayout::NoColumn;
}

ImportResult importTableText(const QByteArray &text, const TableOverrides &overrides, const QString &name)
{
    const bool complete = text.size() <= TableHeadBytes;
    const QByteArrayView head = QByteArrayView(text).first(std::min(text.size(), TableHeadBytes));
    TableLayout layout = detectLayout(head, complete, TableSampleRecords, overrides.separator.toLatin1());
    if (!overrides.latitude.isEmpty() || !overrides.longitude.isEmpty() || !overrides.label.isEmpty()) {
        const TableSample sample = readSample(head, complete, layout.separator, TableSampleRecords);
        const auto resolve = [&](const QString &given, int &column) {
            if (given.isEmpty())
                return;
            column = resolveColumn(given, sample, layout);
            if (column == TableLayout::NoColumn)
                throw ThermiraError(QStringLiteral("No column \"%1\" in \"%2\"").arg(given, name));
        };
        resolve(overrides.latitude, layout.latitudeColumn);
        resolve(overrides.longitude, layout.longitudeColumn);
        resolve(overrides.label, layout.labelColumn);
        layout.decimalMark = detectDecimalMark(sample, layout);
    }
    return *importTable(text, layout);
}

ImportResult importTableFile(const QString &path, const TableOverrides &overrides)
{
    return importTableText(TableSource::file(path).readText(), overrides,
                           QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}
