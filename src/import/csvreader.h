#pragma once

#include <QByteArrayView>

#include <functional>
#include <string>
#include <vector>

// One record of a table: its fields, as UTF-8 bytes without quotes.
class CsvRecord
{
public:
    int size() const { return int(m_ends.size()); }
    QByteArrayView field(int column) const
    {
        if (column < 0 || column >= size())
            return {};
        const size_t begin = column == 0 ? 0 : m_ends[size_t(column) - 1];
        return QByteArrayView(m_text.data() + begin, qsizetype(m_ends[size_t(column)] - begin));
    }
    // No field holds anything but blanks (a blank line, or one of separators only).
    bool isBlank() const;

    void append(const char *text, size_t length)
    {
        m_text.append(text, length);
        m_ends.push_back(m_text.size());
    }
    void clear()
    {
        m_text.clear();
        m_ends.clear();
    }

private:
    std::string m_text;
    std::vector<size_t> m_ends;
};

// Called for every record with its row number (1 for the first; blank lines are rows too,
// as a spreadsheet shows them, and a quoted line break does not start a new row).
using CsvRecordSink = std::function<void(qint64 row, const CsvRecord &record)>;
// Called now and then with the bytes read so far; false stops the reading.
using CsvProgress = std::function<bool(qint64 bytesRead)>;

// Reads CSV text (UTF-8) with libcsv: fields parted by the separator, RFC 4180 quotes
// (doubled quotes, separators and line breaks inside quotes), records ended by CR LF, LF or
// CR; blanks around unquoted fields are dropped. A quote that is never closed would swallow
// the rest of the text into one field: such a line is read again with its quotes taken as
// plain characters, and the reading goes on behind it (after 16 such lines, the rest of the
// text is read with plain quotes).
// Returns false when progress stopped it.
bool readCsv(QByteArrayView text, char separator, const CsvRecordSink &sink, const CsvProgress &progress = {});
