#pragma once

#include "csvreader.h"
#include "tablelayout.h"
#include "tablesource.h"
#include "locations/locationentry.h"

#include <QList>
#include <QString>

#include <vector>

// What an import gives: the entries to append, with plain decimal texts ("41.0082") and the
// label as comment (on one line), and the rows that had no usable coordinates.
struct ImportResult
{
    // This many skipped rows are named by number.
    static constexpr int ListedSkippedRows = 10;

    TableLayout layout;
    std::vector<LocationEntry> entries;
    qint64 skipped = 0;
    QList<qint64> firstSkippedRows; // the first ListedSkippedRows of them, row numbers from 1

    qint64 added() const { return qint64(entries.size()); }
};

// Reads every record of a table's text (UTF-8) with the given layout. The header row and
// blank rows are neither added nor skipped; every other row is added, or skipped when a
// coordinate is missing, no number or out of range (latitude within ±90, longitude within
// ±180). Returns nothing when progress stopped it.
std::optional<ImportResult> importTable(QByteArrayView text, const TableLayout &layout,
                                        const CsvProgress &progress = {});

// Whether a record's cells hold coordinates the import would add.
bool hasUsableCoordinates(const QByteArrayList &cells, const TableLayout &layout);

// How much of the head the import looks at to find its layout.
inline constexpr qsizetype TableHeadBytes = 64 * 1024;
inline constexpr int TableSampleRecords = 200;

// What the caller fixes instead of leaving it to detection: the separator (a null character
// for detection) and the columns, each a header name (any case) or a number from 1 (empty for
// detection).
struct TableOverrides
{
    QChar separator;
    QString latitude;
    QString longitude;
    QString label;
};

// Reads a table's text (UTF-8) as the import dialog would with the layout it finds, overridden
// where asked. name stands for the table in messages. Throws ThermiraError
// "No column \"<column>\" in \"<name>\"" for a column name or number the table does not have.
ImportResult importTableText(const QByteArray &text, const TableOverrides &overrides, const QString &name);

// The same for a file. Throws FileError "Cannot open file ..." as well.
ImportResult importTableFile(const QString &path, const TableOverrides &overrides = {});

// Resolves a column given by name or number against the sample (its first record holds the
// names when it is a header). Sets hasHeader when a name is found in the first record.
// Returns TableLayout::NoColumn when there is no such column.
int resolveColumn(const QString &nameOrNumber, const TableSample &sample, TableLayout &layout);
