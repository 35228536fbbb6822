// The table import ("Import any table of places"). An even first byte: the rest is a table
// file, decoded to UTF-8 as the import reads files and imported with the layout it detects. A
// first byte of 3 modulo 4: the rest is imported as it is, NULs and broken UTF-8 included (no
// decoded text holds them, but the reader must still end). Otherwise the rest gives the fields
// of a table that a reference writer quotes, and the CSV reader must give every field back.

#include "fuzzsupport.h"
#include "reference.h"

#include "import/csvreader.h"
#include "import/tableimport.h"
#include "platform/textlinefile.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// The UTF-8 form of a file and its decoded text agree: what the import reads is what every
// other reader of the file reads, a second byte-order mark included.
QByteArray checkedUtf8(QByteArrayView bytes, const TextEncoding &encoding)
{
    const QByteArray utf8 = decodeTextToUtf8(bytes.toByteArray(), encoding);
    const QString text = decodeText(bytes, encoding);
    if (hasUtf8Form(text)) {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        FUZZ_CHECK(QString(decoder.decode(utf8)) == text);
    }
    FUZZ_CHECK(!utf8.contains('\0'));
    return utf8;
}

// Entries carry plain decimal texts within range, and labels on one line. Every non-blank
// record below the header is added or skipped, once; one is added exactly when a plain reading
// of its two coordinate cells gives numbers within range, and then with those numbers. (A pair
// column is left to the first checks.)
void importDetected(const QByteArray &text)
{
    static const QRegularExpression plainDecimal(QStringLiteral("\\A-?(0|[1-9][0-9]*)(\\.[0-9]+)?\\z"));
    const ImportResult result = importTableText(text, {}, QStringLiteral("fuzz"));
    for (const LocationEntry &entry : result.entries) {
        FUZZ_CHECK(plainDecimal.match(entry.latitude).hasMatch());
        FUZZ_CHECK(plainDecimal.match(entry.longitude).hasMatch());
        FUZZ_CHECK(std::fabs(entry.latitude.toDouble()) <= 90 && std::fabs(entry.longitude.toDouble()) <= 180);
        FUZZ_CHECK(!entry.comment.contains(u'\r') && !entry.comment.contains(u'\n'));
    }
    FUZZ_CHECK(result.firstSkippedRows.size() == std::min<qint64>(result.skipped, ImportResult::ListedSkippedRows));
    FUZZ_CHECK(std::is_sorted(result.firstSkippedRows.cbegin(), result.firstSkippedRows.cend()));

    const TableLayout &layout = result.layout;
    const bool checkValues = layout.hasCoordinates() && !layout.pairColumn();
    const char mark = layout.decimalMark == DecimalMark::Point ? '.' : ',';
    bool headerPassed = !layout.hasHeader;
    qint64 records = 0;
    size_t next = 0;
    readCsv(text, layout.separator, [&](qint64, const CsvRecord &record) {
        if (record.isBlank())
            return;
        if (!headerPassed) {
            headerPassed = true;
            return;
        }
        ++records;
        if (!checkValues)
            return;
        const std::optional<double> latitude = referenceCellNumber(record.field(layout.latitudeColumn), mark);
        const std::optional<double> longitude = referenceCellNumber(record.field(layout.longitudeColumn), mark);
        if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
            return;
        FUZZ_CHECK(next < result.entries.size());
        const LocationEntry &entry = result.entries[next++];
        FUZZ_CHECK(entry.latitude.toDouble() == *latitude && entry.longitude.toDouble() == *longitude);
    });
    FUZZ_CHECK(result.added() + result.skipped == records);
    if (checkValues)
        FUZZ_CHECK(next == result.entries.size());
}

// Fields in quotes, quotes doubled, CR LF after every record: RFC 4180.
void readWrittenTable(quint8 options, const QStringList &texts)
{
    const char separator = TableSeparators[options % std::size(TableSeparators)];
    const qsizetype columns = 1 + (options >> 2) % 4;
    std::vector<QByteArrayList> written;
    QByteArray table;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i % columns == 0)
            written.emplace_back();
        QByteArray field = texts[i].toUtf8();
        field.replace('\0', "");
        written.back().append(field);
        if (i % columns != 0)
            table += separator;
        table += '"' + QByteArray(field).replace("\"", "\"\"") + '"';
        if (i % columns == columns - 1 || i + 1 == texts.size())
            table += "\r\n";
    }
    std::vector<QByteArrayList> read;
    readCsv(table, separator, [&](qint64 row, const CsvRecord &record) {
        FUZZ_CHECK(row == qint64(read.size()) + 1);
        QByteArrayList fields;
        for (int column = 0; column < record.size(); ++column)
            fields.append(record.field(column).toByteArray());
        read.push_back(fields);
    });
    FUZZ_CHECK(read == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest = bytesOf(data, size).sliced(1);
    if (data[0] % 2 == 0) {
        const TextEncoding encoding = data[0] & 2 ? TextEncoding::named("windows-1252") : TextEncoding::utf8();
        importDetected(checkedUtf8(rest, encoding));
    } else if (data[0] % 4 == 3) {
        importDetected(rest.toByteArray());
    } else if (!rest.isEmpty()) {
        readWrittenTable(quint8(rest[0]), textsFrom(rest.sliced(1)));
    }
    return 0;
}
