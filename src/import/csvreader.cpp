#include "csvreader.h"

#include <csv.h>

#include <cstring>
#include <new>

namespace {

// libcsv's state while it is inside a field (FIELD_BEGUN in its source); with the field's
// quoted flag set at the end of the text, the field's quote was never closed.
constexpr int LibcsvFieldBegun = 2;
// Lines whose quote is never closed are read again with plain quotes this many times; each
// time costs a pass over the rest of the text.
constexpr int MaxUnclosedQuoteRepairs = 16;
constexpr qint64 ProgressStep = 1 << 20;

// The bytes of one line, its line end included: a piece ends after LF, or after a CR that no
// LF follows.
qsizetype lineEnd(const char *data, qsizetype from, qsizetype size)
{
    const auto *lf = static_cast<const char *>(std::memchr(data + from, '\n', size_t(size - from)));
    const qsizetype end = lf ? lf - data + 1 : size;
    const auto *cr = static_cast<const char *>(std::memchr(data + from, '\r', size_t(end - from)));
    if (cr && cr + 1 != lf && cr - data + 1 < end)
        return cr - data + 1;
    return end;
}

class Reader
{
public:
    Reader(char separator, const CsvRecordSink &sink) : m_sink(sink)
    {
        if (csv_init(&m_parser, CSV_REPALL_NL) != 0)
            throw std::bad_alloc();
        csv_set_delim(&m_parser, static_cast<unsigned char>(separator));
        csv_set_blk_size(&m_parser, 4096);
    }
    ~Reader() { csv_free(&m_parser); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    bool read(QByteArrayView text, const CsvProgress &progress)
    {
        const char *data = text.data();
        const qsizetype size = text.size();
        qsizetype pos = 0;
        qsizetype recordStart = 0;
        qint64 rowsAtRecordStart = 0;
        qint64 nextProgress = ProgressStep;
        int repairs = 0;
        bool plainQuotesToTheEnd = false;
        while (pos < size) {
            if (m_recordEnded) {
                recordStart = pos;
                rowsAtRecordStart = m_row;
                m_recordEnded = false;
            }
            const qsizetype end = lineEnd(data, pos, size);
            feed(data + pos, end - pos);
            pos = end;
            // Once the rest is read with plain quotes, only a NUL (the quote then, and in no
            // decoded text) can leave a field open: the end of the text closes it.
            if (pos >= size && quoteLeftOpen() && !plainQuotesToTheEnd) {
                // Back to where the record began. Its first line is read with quotes as plain
                // characters, then reading goes on as before; after many such lines the rest
                // is read that way, so that the work stays a few passes over the text.
                csv_fini(&m_parser, nullptr, nullptr, nullptr);
                m_record.clear();
                m_row = rowsAtRecordStart;
                m_lastEnd = -1;
                csv_set_quote(&m_parser, 0);
                if (repairs < MaxUnclosedQuoteRepairs) {
                    ++repairs;
                    const qsizetype lineStop = lineEnd(data, recordStart, size);
                    feed(data + recordStart, lineStop - recordStart);
                    csv_set_quote(&m_parser, CSV_QUOTE);
                    pos = lineStop;
                } else {
                    plainQuotesToTheEnd = true;
                    pos = recordStart;
                }
                m_recordEnded = true;
            }
            if (progress && pos >= nextProgress) {
                nextProgress = pos + ProgressStep;
                if (!progress(pos))
                    return false;
            }
        }
        csv_fini(&m_parser, &Reader::onField, &Reader::onRecordEnd, this);
        if (progress)
            return progress(size);
        return true;
    }

private:
    void feed(const char *bytes, qsizetype length)
    {
        if (csv_parse(&m_parser, bytes, size_t(length), &Reader::onField, &Reader::onRecordEnd, this) !=
            size_t(length))
            throw std::bad_alloc(); // the only failure outside strict mode: no memory for a field
    }

    bool quoteLeftOpen() const { return m_parser.quoted && m_parser.pstate == LibcsvFieldBegun; }

    static void onField(void *text, size_t length, void *self)
    {
        static_cast<Reader *>(self)->m_record.append(static_cast<const char *>(text), length);
    }

    static void onRecordEnd(int terminator, void *self)
    {
        auto *reader = static_cast<Reader *>(self);
        // Every CR and LF outside a record is reported: the LF of a CR LF is no row of its own.
        const bool secondHalfOfCrLf = terminator == '\n' && reader->m_lastEnd == '\r' && reader->m_record.size() == 0;
        reader->m_lastEnd = secondHalfOfCrLf ? -1 : terminator;
        reader->m_recordEnded = true;
        if (secondHalfOfCrLf)
            return;
        ++reader->m_row;
        reader->m_sink(reader->m_row, reader->m_record);
        reader->m_record.clear();
    }

    csv_parser m_parser{};
    const CsvRecordSink &m_sink;
    CsvRecord m_record;
    qint64 m_row = 0;
    int m_lastEnd = -1;
    bool m_recordEnded = true;
};

} // namespace

bool CsvRecord::isBlank() const
{
    for (const char c : m_text) {
        if (c != ' ' && c != '\t')
            return false;
    }
    return true;
}

bool readCsv(QByteArrayView text, char separator, const CsvRecordSink &sink, const CsvProgress &progress)
{
    Reader reader(separator, sink);
    return reader.read(text, progress);
}
