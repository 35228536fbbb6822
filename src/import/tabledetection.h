#pragma once

#include "tablelayout.h"

#include <QByteArrayView>

// Reads the first records of a table's head (UTF-8). Unless the head is the whole table, its
// last record is left out: the head may end inside it.
TableSample readSample(QByteArrayView head, bool complete, char separator, int maxRecords);

// The number of columns: the widest record's.
int sampleColumns(const TableSample &sample);

// The separator that parts the head into the most even columns of numbers and words.
char detectSeparator(QByteArrayView head, bool complete);

// The first record names the columns when none of its cells is a number.
bool detectHeader(const TableSample &sample);

// Fills the columns and the decimal mark of layout for its separator and header: latitude and
// longitude by header names, else by values (a column within ±90 next to one within ±180),
// else one column of "lat, lon" pairs; the label by header names, else the first column of
// words.
void detectColumns(const TableSample &sample, TableLayout &layout);

// The decimal mark of the layout's coordinate columns, from their values.
DecimalMark detectDecimalMark(const TableSample &sample, const TableLayout &layout);

// All of it, for a table's head; with a separator given (not 0), all but the separator.
TableLayout detectLayout(QByteArrayView head, bool complete, int maxRecords, char separator = 0);
