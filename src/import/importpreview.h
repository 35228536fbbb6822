#pragma once

#include "tablelayout.h"
#include "tablesource.h"

#include <QString>

#include <span>

// What the import dialog shows and changes: the head of a table (only the head is read, so it
// is quick for any size), the layout found for it, and the records of the preview. Changing
// the separator finds header and columns again, changing the header finds the columns again,
// changing a coordinate column finds its decimal mark again.
class ImportPreview
{
public:
    // Reads the head. Throws FileError "Cannot open file ...".
    explicit ImportPreview(TableSource source);

    const TableSource &source() const { return m_source; }
    // Whether the table holds anything but blanks and line breaks.
    bool hasText() const;

    const TableLayout &layout() const { return m_layout; }
    void setSeparator(char separator);
    void setHasHeader(bool hasHeader);
    void setLatitudeColumn(int column);
    void setLongitudeColumn(int column);
    void setLabelColumn(int column);
    void setDecimalMark(DecimalMark mark);

    int columnCount() const;
    // The header's name for the column, or "Column 3".
    QString columnName(int column) const;
    // The records below the header.
    std::span<const SampleRecord> dataRecords() const;

private:
    void readSampleAgain();

    TableSource m_source;
    TableSource::Head m_head;
    TableLayout m_layout;
    TableSample m_sample;
};
