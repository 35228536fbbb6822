#include "import/coordinatetext.h"
#include "import/csvreader.h"
#include "import/tableimport.h"
#include "platform/errors.h"

#include <QTest>

namespace {

QString tableFile(const QString &name)
{
    return QStringLiteral(THERMIRA_TABLES "/") + name;
}

QString entryText(const LocationEntry &entry)
{
    return entry.latitude + u'|' + entry.longitude + u'|' + entry.comment;
}

QStringList entryTexts(const std::vector<LocationEntry> &entries)
{
    QStringList texts;
    for (const LocationEntry &entry : entries)
        texts << entryText(entry);
    return texts;
}

} // namespace

class TestTableImport final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each file as another program wrote it: what the import finds and what it makes of it.
    void realTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QList<int>>("columns"); // latitude, longitude, label (-1: none)
        QTest::addColumn<bool>("decimalComma");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<qint64>("skipped");
        QTest::addColumn<QList<qint64>>("skippedRows");

        QTest::newRow("spreadsheet export: mark, CR LF, quoted names with commas and a line break")
            << "spreadsheet-export.csv" << "," << true << QList<int>{2, 3, 0} << false
            << QStringList{"41.0082|28.9784|Istanbul, Fatih", "48.8566|2.3522|Paris",
                           "38.9072|-77.0369|Washington, D.C.", "-23.5505|-46.6333|São Paulo",
                           "59.9139|10.7522|Oslo (old town)", "-33.8688|151.2093|Sydney"}
            << qint64(1) << QList<qint64>{6};
        QTest::newRow("semicolons and decimal commas, German names")
            << "decimal-comma.csv" << ";" << true << QList<int>{1, 2, 0} << true
            << QStringList{"52.5200|13.4050|Berlin", "48.1351|11.5820|München", "53.5511|9.9937|Hamburg",
                           "47.4211|10.9853|Zugspitze"}
            << qint64(2) << QList<qint64>{6, 7};
        QTest::newRow("spreadsheet range pasted as TSV, a stray quote in a note")
            << "spreadsheet-paste.tsv" << "\t" << true << QList<int>{1, 2, 0} << false
            << QStringList{"35.6762|139.6503|Tokyo, Japan", "30.0444|31.2357|Cairo", "-12.0464|-77.0428|Lima",
                           "64.1466|-21.9426|Reykjavík"}
            << qint64(0) << QList<qint64>{};
        QTest::newRow("pairs copied from a web map in one column")
            << "coordinate-pairs.csv" << "," << true << QList<int>{1, 1, 0} << false
            << QStringList{"48.8584|2.2945|Eiffel Tower", "41.8902|12.4922|Colosseum",
                           "40.6892|-74.0445|Statue of Liberty"}
            << qint64(1) << QList<qint64>{4};
        QTest::newRow("no header, CR line ends, a blank line counted as a row")
            << "no-header.csv" << "," << false << QList<int>{0, 1, 2} << false
            << QStringList{"41.0082|28.9784|Istanbul", "39.9334|32.8597|Ankara", "38.4237|27.1428|Izmir"}
            << qint64(1) << QList<qint64>{4};
        QTest::newRow("ids, years, counts and temperatures before the coordinates")
            << "unrelated-numbers.csv" << "," << true << QList<int>{4, 5, 6} << false
            << QStringList{"41.008213|28.978412|Old harbour", "39.933365|32.859741|Citadel",
                           "38.423733|27.142826|Clock tower", "37.871500|32.484600|Mosque"}
            << qint64(0) << QList<qint64>{};
        QTest::newRow("UTF-16 with byte-order mark, tabs")
            << "utf16-bom.txt" << "\t" << true << QList<int>{1, 2, 0} << false
            << QStringList{"47.3769|8.5417|Zürich", "50.0647|19.9450|Kraków", "38.4237|27.1428|İzmir",
                           "62.4722|6.1495|Ålesund"}
            << qint64(0) << QList<qint64>{};
        QTest::newRow("quotes never closed swallow nothing but their line")
            << "unclosed-quote.csv" << "," << true << QList<int>{1, 2, 0} << false
            << QStringList{"60.3913|5.3221|Bergen", "63.4305|10.3951|\"Trondheim", "58.9700|5.7331|Stavanger"}
            << qint64(1) << QList<qint64>{2};
        QTest::newRow("ragged rows") << "ragged-rows.csv" << "," << true << QList<int>{1, 2, 0} << false
                                     << QStringList{"10.5|20.5|A", "12.5|22.5|C", "14.5|24.5|E"} << qint64(2)
                                     << QList<qint64>{3, 5};
        QTest::newRow("empty file") << "empty.csv" << "," << false << QList<int>{-1, -1, -1} << false
                                    << QStringList{} << qint64(0) << QList<qint64>{};
    }
    void realTables()
    {
        QFETCH(QString, file);
        QFETCH(QString, separator);
        QFETCH(bool, header);
        QFETCH(QList<int>, columns);
        QFETCH(bool, decimalComma);
        QFETCH(QStringList, entries);
        QFETCH(qint64, skipped);
        QFETCH(QList<qint64>, skippedRows);

        const ImportResult result = importTableFile(tableFile(file));
        const TableLayout &layout = result.layout;
        QCOMPARE(QString(QChar(layout.separator)), separator);
        QCOMPARE(layout.hasHeader, header);
        QCOMPARE((QList<int>{layout.latitudeColumn, layout.longitudeColumn, layout.labelColumn}), columns);
        QCOMPARE(layout.decimalMark == DecimalMark::Comma, decimalComma);
        QCOMPARE(entryTexts(result.entries), entries);
        QCOMPARE(result.skipped, skipped);
        QCOMPARE(result.firstSkippedRows, skippedRows);
    }

    void columnsNamedByTheCaller()
    {
        // By name in any case, or by number; the decimal mark follows the chosen columns.
        ImportResult result =
            importTableFile(tableFile(QStringLiteral("decimal-comma.csv")),
                            {{}, QStringLiteral("breite"), QStringLiteral("3"), QStringLiteral("EINWOHNER")});
        QCOMPARE(result.entries.front().comment, QStringLiteral("3645000"));
        QCOMPARE(result.added(), 4);

        // Numbers on a table without a header: the coordinates the other way round.
        result = importTableFile(tableFile(QStringLiteral("no-header.csv")),
                                 {{}, QStringLiteral("2"), QStringLiteral("1"), {}});
        QCOMPARE(entryText(result.entries.front()), QStringLiteral("28.9784|41.0082|Istanbul"));

        for (const QString &missing : {QStringLiteral("Höhe"), QStringLiteral("9"), QStringLiteral("0")}) {
            try {
                importTableFile(tableFile(QStringLiteral("decimal-comma.csv")), {{}, missing, {}, {}});
                QFAIL("no error");
            } catch (const ThermiraError &error) {
                QVERIFY2(error.message().startsWith(QStringLiteral("No column \"%1\" in \"").arg(missing)),
                         qPrintable(error.message()));
            }
        }
        QVERIFY_THROWS_EXCEPTION(FileError, importTableFile(tableFile(QStringLiteral("missing.csv"))));
    }

    void manyQuotesNeverClosed()
    {
        // Every line opens a quote: after the first lines are mended one by one, the rest is
        // read with plain quotes; each row is read once, none swallowed. A field led by a NUL
        // (no decoded text has one) then opens no endless rereading.
        QByteArray text;
        for (int i = 1; i <= 39; ++i)
            text += "\"p" + QByteArray::number(i) + ",1,2\n";
        text += QByteArray("\0p40,1,2\n", 9);
        QList<qint64> rows;
        QByteArrayList firstCells;
        QVERIFY(readCsv(text, ',', [&](qint64 row, const CsvRecord &record) {
            rows << row;
            firstCells << record.field(0).toByteArray();
        }));
        QCOMPARE(rows.size(), 40);
        QCOMPARE(rows.last(), 40);
        QCOMPARE(firstCells.first(), QByteArray("\"p1"));
        QCOMPARE(firstCells.at(38), QByteArray("\"p39"));
    }

    // A cell becomes a plain decimal text the exported script reads as a number, or nothing.
    void cellNumbers_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<bool>("decimalComma");
        QTest::addColumn<QString>("text"); // empty: no number

        QTest::newRow("plain") << QByteArray("41.0082") << false << "41.0082";
        QTest::newRow("blanks, plus sign") << QByteArray(" +41.5\t") << false << "41.5";
        QTest::newRow("leading zeros would be octal") << QByteArray("-007.50") << false << "-7.50";
        QTest::newRow("zero before a bare fraction") << QByteArray(".5") << false << "0.5";
        QTest::newRow("mark without fraction") << QByteArray("12.") << false << "12";
        QTest::newRow("decimal comma") << QByteArray("41,0082") << true << "41.0082";
        QTest::newRow("degree sign") << QByteArray("41.01\xC2\xB0") << false << "41.01";
        QTest::newRow("minus sign") << QByteArray("\xE2\x88\x92" "3.5") << false << "-3.5";
        QTest::newRow("other mark") << QByteArray("41,0082") << false << "";
        QTest::newRow("thousands") << QByteArray("1.234,5") << true << "";
        QTest::newRow("exponent") << QByteArray("1e5") << false << "";
        QTest::newRow("sign alone") << QByteArray("-") << false << "";
        QTest::newRow("hemisphere letter") << QByteArray("41.01 N") << false << "";
        QTest::newRow("nan") << QByteArray("nan") << false << "";
    }
    void cellNumbers()
    {
        QFETCH(QByteArray, cell);
        QFETCH(bool, decimalComma);
        QFETCH(QString, text);
        const std::optional<CellNumber> number = readNumber(cell, decimalComma ? DecimalMark::Comma : DecimalMark::Point);
        QCOMPARE(number ? number->text : QString(), text);
    }
};

QTEST_GUILESS_MAIN(TestTableImport)
#include "tst_tableimport.moc"
