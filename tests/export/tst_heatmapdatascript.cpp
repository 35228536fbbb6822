#include "export/heatmapdatascript.h"
#include "platform/errors.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <string_view>

#include <vector>

using Entries = std::vector<LocationEntry>;
Q_DECLARE_METATYPE(Entries)

namespace {

QByteArray scriptOf(const QString &folder)
{
    return readFileBytes(folder + QStringLiteral("/leaflet-heat-data.js"));
}

// The script's text for the entries, in Windows-1252 (no byte-order mark).
QByteArray writeAndRead(const Entries &entries)
{
    QTemporaryDir dir;
    writeHeatmapDataScript(dir.path() + u'/', entries, TextEncoding::named("windows-1252"));
    return scriptOf(dir.path());
}

// The one point line the script holds for a single entry.
QByteArray pointLine(const QString &latitude, const QString &longitude)
{
    const QByteArray script = writeAndRead({{latitude, longitude, {}}});
    const QList<QByteArray> lines = script.split('\n');
    return lines.size() == 4 ? lines.at(1).chopped(1) : QByteArrayLiteral("<not one point>");
}

// What the Windows-1252 encoder writes for a character it does not have.
QByteArray substitute()
{
    QStringEncoder encoder("windows-1252");
    return encoder.encode(QString::fromUtf16(u"\u0416"));
}

} // namespace

class TestHeatmapDataScript final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeScript_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("two points") << Entries{{"41.01", "28.97", "Turkey"}, {"48.85", "2.35", "France"}}
                                    << QByteArray("var addressPoints = [\r\n"
                                                  "[41.01, 28.97, \"10\"],\r\n"
                                                  "[48.85, 2.35, \"10\"]\r\n"
                                                  "];\r\n");
        QTest::newRow("one point, no comma") << Entries{{"15.45", "18.73", "Chad"}}
                                             << QByteArray("var addressPoints = [\r\n"
                                                           "[15.45, 18.73, \"10\"]\r\n"
                                                           "];\r\n");
        QTest::newRow("empty list") << Entries{} << QByteArray("var addressPoints = [\r\n];\r\n");
        QTest::newRow("comment never written")
            << Entries{{"1", "2", "a comment, with \"quotes\""}, {"3", "4", {}}}
            << QByteArray("var addressPoints = [\r\n[1, 2, \"10\"],\r\n[3, 4, \"10\"]\r\n];\r\n");
        QTest::newRow("three points, commas on all but the last")
            << Entries{{"-33.9", "151.2", {}}, {"0", "0", {}}, {"64.1", "-21.9", {}}}
            << QByteArray("var addressPoints = [\r\n"
                          "[-33.9, 151.2, \"10\"],\r\n"
                          "[0, 0, \"10\"],\r\n"
                          "[64.1, -21.9, \"10\"]\r\n"
                          "];\r\n");
        QTest::newRow("text beside a number")
            << Entries{{"abc", "0", {}}}
            << QByteArray("var addressPoints = [\r\n[\"abc\", 0, \"10\"]\r\n];\r\n");
    }
    void wholeScript()
    {
        QFETCH(Entries, entries);
        QFETCH(QByteArray, expected);
        QCOMPARE(writeAndRead(entries), expected);
    }

    // Numbers go in as typed; everything else becomes a string that cannot leave its element.
    void pointLines_data()
    {
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("longitude");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("plain decimals") << "41.01"
                                        << "28.97" << QByteArray(R"([41.01, 28.97, "10"])");
        QTest::newRow("blanks kept") << " 2.35 "
                                     << "\t-3" << QByteArray("[ 2.35 , \t-3, \"10\"]");
        QTest::newRow("signs") << "+7"
                               << "-0" << QByteArray(R"([+7, -0, "10"])");
        QTest::newRow("bare fractions") << ".5"
                                        << "5." << QByteArray(R"([.5, 5., "10"])");
        QTest::newRow("exponents") << "1e5"
                                   << "-1.5E-3" << QByteArray(R"([1e5, -1.5E-3, "10"])");
        QTest::newRow("decimal commas") << "41,01"
                                        << "28,97" << QByteArray(R"(["41,01", "28,97", "10"])");
        QTest::newRow("word") << "abc"
                              << "0" << QByteArray(R"(["abc", 0, "10"])");
        QTest::newRow("empty text") << ""
                                    << "1" << QByteArray(R"(["", 1, "10"])");
        QTest::newRow("code injection") << "0]; alert(1); [0"
                                        << "1" << QByteArray("[\"0]; alert(1); [0\", 1, \"10\"]");
        QTest::newRow("script end tag")
            << "</script><script>alert(1)//"
            << "2" << QByteArray("[\"\\u003C/script>\\u003Cscript>alert(1)//\", 2, \"10\"]");
        QTest::newRow("quote and backslash") << "1\"+x+\"\\"
                                             << "2" << QByteArray("[\"1\\\"+x+\\\"\\\\\", 2, \"10\"]");
        QTest::newRow("line breaks") << "1\n2" << QString::fromUtf16(u"3\u20284\u20295\r")
                                     << QByteArray(R"(["1\u000A2", "3\u20284\u20295\u000D", "10"])");
        QTest::newRow("control characters") << QString::fromLatin1("\0\x1F\x7F", 3) << "x"
                                            << QByteArray(R"(["\u0000\u001F\u007F", "x", "10"])");
        QTest::newRow("leading zeros read as octal") << "010"
                                                     << "07.5" << QByteArray(R"(["010", "07.5", "10"])");
        QTest::newRow("lone surrogate")
            << QString(QChar(0xD800)) << "1" << QByteArray(R"(["\uD800", 1, "10"])");
        QTest::newRow("hex literal") << "0x10"
                                     << "Infinity" << QByteArray(R"(["0x10", "Infinity", "10"])");
    }
    void pointLines()
    {
        QFETCH(QString, latitude);
        QFETCH(QString, longitude);
        QFETCH(QByteArray, line);
        QCOMPARE(pointLine(latitude, longitude), line);
    }

    void plainNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("plain");

        const char *plain[] = {"0",
                               "-0",
                               "41.01",
                               "-3",
                               " 2.35 ",
                               "\t2\t",
                               "1e5",
                               "1E+5",
                               "2e-07",
                               "+7",
                               ".5",
                               "5.",
                               "-.5",
                               "0.5",
                               "0e0",
                               "5.e3",
                               "90",
                               "-180.000000",
                               "1e05",
                               "0.0",
                               "10",
                               "+0.1",
                               "123456789012345678901234567890"};
        const char *notPlain[] = {"",     " ",    "abc",   "41,01", "-",   "+",   ".",       "e5",
                                  "1e",   "1e+",  "1.2.3", "--3",   "+-3", "- 3", "00",      "010",
                                  "07.5", "-01",  "0x10",  "1_0",   "NaN", "1 2", "5..",     "..5",
                                  ".e3",  "1e5.", "0]",    "1;",    "1\n", "1\r", "Infinity"};
        for (const char *text : plain)
            QTest::addRow("plain \"%s\"", text) << QString::fromLatin1(text) << true;
        for (const char *text : notPlain)
            QTest::addRow("not plain \"%s\"", text) << QString::fromLatin1(text) << false;
        QTest::newRow("not plain: Arabic-Indic digits") << QString::fromUtf16(u"\u0664\u0661") << false;
        QTest::newRow("not plain: full-width digits") << QString::fromUtf16(u"\uFF14\uFF11") << false;
        QTest::newRow("not plain: no-break space") << QString::fromUtf16(u"\u00A02") << false;
    }
    void plainNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, plain);
        QCOMPARE(isPlainNumber(text), plain);
    }

    // Read back by an independent parser (JSON's strings are JavaScript strings), every text
    // arrives exactly as it was typed, in its own element, and the array keeps its shape.
    void hostileTextsSurviveAsStrings()
    {
        const QStringList texts{
            QStringLiteral("0]; alert(1); [0"),
            QStringLiteral("\"); alert(1); (\""),
            QStringLiteral("\\"),
            QStringLiteral("\\\""),
            QStringLiteral("</script>"),
            QStringLiteral("<!-- x"),
            QString::fromUtf16(u"a\u2028b\u2029c"),
            QStringLiteral("tab\there"),
            QStringLiteral("41,01"),
            QStringLiteral("*/ /*"),
            QString::fromUtf16(u"\u00FCml\u00E4ut \U0001F600"),
            QStringLiteral("${x}`"),
        };
        Entries entries;
        for (const QString &text : texts)
            entries.push_back({text, text, {}});

        QTemporaryDir dir;
        writeHeatmapDataScript(dir.path() + u'/', entries, TextEncoding::utf8());
        QByteArray script = scriptOf(dir.path());
        QVERIFY(script.startsWith("\xEF\xBB\xBF"
                                  "var addressPoints = ["));
        QVERIFY(!script.contains("</"));
        QVERIFY(!script.contains("<!--"));
        QVERIFY(script.endsWith("];\r\n"));
        script = script.sliced(3 + qstrlen("var addressPoints = ")).chopped(3);

        QJsonParseError error{};
        const QJsonDocument json = QJsonDocument::fromJson(script, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray points = json.array();
        QCOMPARE(points.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QJsonArray point = points.at(i).toArray();
            QCOMPARE(point.size(), 3);
            QCOMPARE(point.at(0).toString(), texts.at(i));
            QCOMPARE(point.at(1).toString(), texts.at(i));
            QCOMPARE(point.at(2).toString(), QStringLiteral("10"));
        }
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QByteArray>("line");

        QTest::newRow("UTF-8 keeps every character")
            << QByteArray("UTF-8") << QString::fromUtf16(u"\u03A9 41")
            << QByteArray("[\"\xCE\xA9 41\", 0, \"10\"]");
        QTest::newRow("Windows-1252 character")
            << QByteArray("windows-1252") << QString::fromUtf16(u"41\u00B0")
            << QByteArray("[\"41\xB0\", 0, \"10\"]");
        // Outside the code page: the same single substitute byte the encoder gives for any such
        // character, inside the string.
        QTest::newRow("outside Windows-1252") << QByteArray("windows-1252") << QString::fromUtf16(u"41\u03A9")
                                              << QByteArray("[\"41" + substitute() + "\", 0, \"10\"]");
    }
    void encodings()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(QString, latitude);
        QFETCH(QByteArray, line);

        QTemporaryDir dir;
        writeHeatmapDataScript(dir.path() + u'/', {{latitude, QStringLiteral("0"), {}}},
                               TextEncoding::named(encoding));
        const QByteArray bom = TextEncoding::named(encoding).isUtf8() ? "\xEF\xBB\xBF" : "";
        QCOMPARE(scriptOf(dir.path()), bom + "var addressPoints = [\r\n" + line + "\r\n];\r\n");
    }

    void replacesAnExistingScript()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("leaflet-heat-data.js"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(10000, 'x'));
        }
        writeHeatmapDataScript(dir.path() + u'/', {{"1", "2", {}}}, TextEncoding::named("windows-1252"));
        QCOMPARE(readFileBytes(path), QByteArray("var addressPoints = [\r\n[1, 2, \"10\"]\r\n];\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"leaflet-heat-data.js"});
    }

    void missingFolderNamesTheFullPath()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("gone")) + u'/';
        try {
            writeHeatmapDataScript(folder, {{"1", "2", {}}});
            QFAIL("no error for a missing folder");
        } catch (const FileError &error) {
            QCOMPARE(
                error.message(),
                QStringLiteral("Cannot create file \"%1leaflet-heat-data.js\". No such file or directory")
                    .arg(folder));
        }
    }

    // A full disk: the write fails half-way and the previous script stays as it was.
    void failedWriteKeepsTheOldScript()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("leaflet-heat-data.js"));
        const QByteArray old = "var addressPoints = [\r\n[1, 2, \"10\"]\r\n];\r\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        Entries many(20000, LocationEntry{QStringLiteral("41.0123"), QStringLiteral("28.9784"), {}});
        QString message;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.active());
            try {
                writeHeatmapDataScript(dir.path() + u'/', many);
            } catch (const FileError &error) {
                message = error.message();
            }
        }
        QCOMPARE(message, QStringLiteral("Stream write error"));
        QCOMPARE(readFileBytes(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"leaflet-heat-data.js"});
    }

    void largeListKeepsOrderAndCount()
    {
        Entries entries;
        for (int i = 0; i < 50000; ++i)
            entries.push_back({QString::number(i % 90), QString::number(-(i % 180)), {}});
        const QByteArray script = writeAndRead(entries);
        const QList<QByteArray> lines = script.split('\n');
        QCOMPARE(lines.size(), 50000 + 3); // the last CR LF leaves an empty tail
        QCOMPARE(lines.at(1), QByteArray("[0, 0, \"10\"],\r"));
        QCOMPARE(lines.at(12346), QByteArray("[15, -105, \"10\"],\r"));
        QCOMPARE(lines.at(50000), QByteArray("[49, -139, \"10\"]\r"));
        QCOMPARE(lines.at(50001), QByteArray("];\r"));
    }
};

QTEST_GUILESS_MAIN(TestHeatmapDataScript)
#include "tst_heatmapdatascript.moc"
