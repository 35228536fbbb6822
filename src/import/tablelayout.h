#pragma once

#include "coordinatetext.h"

#include <QByteArrayList>
#include <QtGlobal>

#include <vector>

// How a table is read: its separator, whether its first row names the columns, and which
// columns hold what. Columns count from 0; NoColumn means none.
struct TableLayout
{
    static constexpr int NoColumn = -1;

    char separator = ',';
    bool hasHeader = false;
    int latitudeColumn = NoColumn;
    // The same as latitudeColumn when one column holds both as "lat, lon" pairs.
    int longitudeColumn = NoColumn;
    int labelColumn = NoColumn;
    DecimalMark decimalMark = DecimalMark::Point;

    bool hasCoordinates() const { return latitudeColumn != NoColumn && longitudeColumn != NoColumn; }
    bool pairColumn() const { return hasCoordinates() && latitudeColumn == longitudeColumn; }
    bool operator==(const TableLayout &) const = default;
};

// The separators a table may use, in the order they win a tie.
inline constexpr char TableSeparators[] = {'\t', ';', ',', '|'};

// The first records of a table, blank ones left out, with their row numbers.
struct SampleRecord
{
    qint64 row = 0;
    QByteArrayList cells;
};
using TableSample = std::vector<SampleRecord>;
