#include "locations/locationfile.h"
#include "platform/errors.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QStringList pairs(const std::vector<LocationEntry> &entries)
{
    QStringList result;
    for (const LocationEntry &entry : entries)
        result << entry.latitude + u'|' + entry.longitude;
    return result;
}

std::vector<LocationEntry> entriesFrom(const QStringList &pairs)
{
    std::vector<LocationEntry> entries;
    for (const QString &pair : pairs) {
        const QStringList parts = pair.split(u'|');
        entries.push_back({parts.value(0), parts.value(1), parts.value(2)});
    }
    return entries;
}

QString nativeAbsolute(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const FileError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestLocationFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLines_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("comma") << "," << QStringList{"41.01,28.97"} << QStringList{"41.01|28.97"};
        QTest::newRow("semicolon with decimal commas")
            << ";" << QStringList{"41,01;28,97"} << QStringList{"41,01|28,97"};
        QTest::newRow("same line under comma")
            << "," << QStringList{"41,01;28,97"} << QStringList{"41|01;28,97"};
        QTest::newRow("comma file under semicolon: all skipped")
            << ";" << QStringList{"41.01,28.97", "1,2"} << QStringList{};
        QTest::newRow("1;2;3") << ";" << QStringList{"1;2;3"} << QStringList{"1|2;3"};
        QTest::newRow("trailing separator") << ";" << QStringList{"7;"} << QStringList{"7|"};
        QTest::newRow("leading separator") << ";" << QStringList{";5"} << QStringList{"|5"};
        QTest::newRow("separator alone") << "," << QStringList{","} << QStringList{"|"};
        QTest::newRow("empty lines skipped")
            << "," << QStringList{"", "1,2", "", "3,4", ""} << QStringList{"1|2", "3|4"};
        QTest::newRow("blanks kept") << "," << QStringList{" 1 , 2 "} << QStringList{" 1 | 2 "};
        QTest::newRow("texts that are no numbers") << "," << QStringList{"abc,def"} << QStringList{"abc|def"};
        QTest::newRow("duplicates kept") << "," << QStringList{"1,2", "1,2"} << QStringList{"1|2", "1|2"};
        QTest::newRow("tab separator") << "\t" << QStringList{"1\t2", "1,2"} << QStringList{"1|2"};
        QTest::newRow("order kept") << "," << QStringList{"3,3", "1,1", "2,2"}
                                    << QStringList{"3|3", "1|1", "2|2"};
    }
    void parseLines()
    {
        QFETCH(QString, separator);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        const std::vector<LocationEntry> entries = parseLocationLines(lines, separator.at(0));
        QCOMPARE(pairs(entries), expected);
        for (const LocationEntry &entry : entries)
            QVERIFY(entry.comment.isEmpty());
    }

    // Whole files as bytes, through the text line rules.
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("UTF-8 mark dropped from the first line")
            << QByteArray("\xEF\xBB\xBF"
                          "1,2\r\n3,4\r\n")
            << QByteArray("windows-1252") << "," << QStringList{"1|2", "3|4"};
        QTest::newRow("UTF-16 LE with mark") << QByteArray("\xFF\xFE"
                                                           "1\0,\0"
                                                           "2\0\r\0\n\0",
                                                           12)
                                             << QByteArray("UTF-8") << "," << QStringList{"1|2"};
        QTest::newRow("mixed line endings")
            << QByteArray("1,2\r3,4\n5,6\r\n\n7,8\n\r9,10") << QByteArray("UTF-8") << ","
            << QStringList{"1|2", "3|4", "5|6", "7|8", "9|10"};
        QTest::newRow("NUL ends the text") << QByteArray("1,2\r\n3,\0"
                                                         "4\r\n5,6\r\n",
                                                         16)
                                           << QByteArray("UTF-8") << "," << QStringList{"1|2", "3|"};
        QTest::newRow("invalid UTF-8 becomes replacement characters")
            << QByteArray("4\xFF"
                          "1,2\xC3\r\n5,6")
            << QByteArray("UTF-8") << "," << QStringList{QStringLiteral(u"4\uFFFD1|2\uFFFD"), "5|6"};
        QTest::newRow("Windows-1252 letters")
            << QByteArray("Caf\xE9;\x80"
                          "1\r\n")
            << QByteArray("windows-1252") << ";" << QStringList{QStringLiteral(u"Caf\u00E9|\u20AC1")};
        QTest::newRow("no final line break")
            << QByteArray("1,2\r\n3,4") << QByteArray("UTF-8") << "," << QStringList{"1|2", "3|4"};
        QTest::newRow("empty file") << QByteArray() << QByteArray("UTF-8") << "," << QStringList{};
        QTest::newRow("only line breaks")
            << QByteArray("\r\n\r\n\n\r") << QByteArray("UTF-8") << "," << QStringList{};
        QTest::newRow("written under comma, read under semicolon")
            << QByteArray("\xEF\xBB\xBF"
                          "41.01,28.97\r\n,5\r\n")
            << QByteArray("UTF-8") << ";" << QStringList{};
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, codePage);
        QFETCH(QString, separator);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        QVERIFY(writeFileBytes(path, bytes));
        QCOMPARE(pairs(readLocationFile(path, separator.at(0), TextEncoding::named(codePage))), expected);
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("entries"); // latitude|longitude|comment
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QByteArray>("codePage");
        QTest::addColumn<QByteArray>("expected");

        const QStringList two{"41.01|28.97|Turkey", "|5|"};
        QTest::newRow("comma, UTF-8 system: marked, CR LF, comment gone")
            << two << "," << QByteArray("UTF-8")
            << QByteArray("\xEF\xBB\xBF"
                          "41.01,28.97\r\n,5\r\n");
        QTest::newRow("comma, Windows-1252 system: no mark")
            << two << "," << QByteArray("windows-1252") << QByteArray("41.01,28.97\r\n,5\r\n");
        QTest::newRow("semicolon") << QStringList{"41.01|28.97|Turkey"} << ";" << QByteArray("windows-1252")
                                   << QByteArray("41.01;28.97\r\n");
        QTest::newRow("empty list, UTF-8: 0 bytes")
            << QStringList{} << "," << QByteArray("UTF-8") << QByteArray();
        QTest::newRow("empty list, Windows-1252: 0 bytes")
            << QStringList{} << "," << QByteArray("windows-1252") << QByteArray();
        QTest::newRow("separator inside a field written unchanged")
            << QStringList{"1,5|2,5|"} << "," << QByteArray("windows-1252") << QByteArray("1,5,2,5\r\n");
        QTest::newRow("accented text in the code page")
            << QStringList{QStringLiteral(u"\u00E9|\u00FC|R\u00E9union")} << ";" << QByteArray("windows-1252")
            << QByteArray("\xE9;\xFC\r\n");
        QTest::newRow("accented text in UTF-8")
            << QStringList{QStringLiteral(u"\u00E9|\u00FC|")} << ";" << QByteArray("UTF-8")
            << QByteArray("\xEF\xBB\xBF\xC3\xA9;\xC3\xBC\r\n");
        QTest::newRow("empty entry still a line")
            << QStringList{"||"} << "," << QByteArray("windows-1252") << QByteArray(",\r\n");
    }
    void save()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, separator);
        QFETCH(QByteArray, codePage);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        // An existing, longer file is replaced as a whole.
        QVERIFY(writeFileBytes(path, QByteArray(4096, 'x')));
        writeLocationFile(path, entriesFrom(entries), separator.at(0), TextEncoding::named(codePage));
        QCOMPARE(readFileBytes(path), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.csv"});
    }

    void saveThenLoadGivesTheSameEntries_data()
    {
        QTest::addColumn<QByteArray>("codePage");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
        QTest::newRow("Windows-1252") << QByteArray("windows-1252");
    }
    void saveThenLoadGivesTheSameEntries()
    {
        QFETCH(QByteArray, codePage);
        const QStringList saved{"41.01|28.97", "|5", "7|", "abc| x ", QStringLiteral(u"R\u00E9|\u00E3")};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        writeLocationFile(path, entriesFrom(saved), u';', TextEncoding::named(codePage));
        QCOMPARE(pairs(readLocationFile(path, u';', TextEncoding::named(codePage))), saved);
    }

    void loadErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("systemText");
        QTest::newRow("missing file") << "missing"
                                      << "No such file or directory";
        QTest::newRow("missing folder") << "missing folder"
                                        << "No such file or directory";
        QTest::newRow("a folder") << "folder"
                                  << "";
        QTest::newRow("a pipe that no one writes") << "fifo"
                                                   << "Not a regular file";
        QTest::newRow("an endless device") << "device"
                                           << "Not a regular file";
    }
    void loadErrors()
    {
        QFETCH(QString, kind);
        QFETCH(QString, systemText);
        QTemporaryDir dir;
        QString path;
        if (kind == u"missing") {
            path = dir.filePath(QStringLiteral("nothing.csv"));
        } else if (kind == u"missing folder") {
            path = dir.filePath(QStringLiteral("no/such/folder/list.csv"));
        } else if (kind == u"folder") {
            path = dir.filePath(QStringLiteral("folder.csv"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.csv")));
        } else if (kind == u"fifo") {
            path = dir.filePath(QStringLiteral("pipe.csv"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            path = QStringLiteral("/dev/zero");
        }
        const QString message = errorOf([&] { readLocationFile(path, u','); });
        const QString prefix = QStringLiteral("Cannot open file \"%1\". ").arg(nativeAbsolute(path));
        QVERIFY2(message.startsWith(prefix), qPrintable(message));
        if (!systemText.isEmpty())
            QCOMPARE(message, prefix + systemText);
        else
            QVERIFY2(message.size() > prefix.size(), qPrintable(message));
    }

    void saveErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing folder";
        QTest::newRow("target is a folder") << "folder";
    }
    void saveErrors()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("no/such/folder/list.csv"));
        if (kind == u"folder") {
            path = dir.filePath(QStringLiteral("folder.csv"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.csv")));
        }
        const QString message =
            errorOf([&] { writeLocationFile(path, entriesFrom({"1|2"}), u',', TextEncoding::utf8()); });
        QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(nativeAbsolute(path))),
                 qPrintable(message));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    // A disk that fills up halfway: "Stream write error", and the old file is as it was.
    void failedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        const QByteArray old("\xEF\xBB\xBF"
                             "1,2\r\n");
        QVERIFY(writeFileBytes(path, old));
        std::vector<LocationEntry> many(
            100000, LocationEntry{QStringLiteral("41.0123"), QStringLiteral("28.9784"), {}});
        QString message;
        {
            const FileSizeLimit limit(64 * 1024);
            message = errorOf([&] { writeLocationFile(path, many, u',', TextEncoding::utf8()); });
        }
        QCOMPARE(message, QStringLiteral("Stream write error"));
        QCOMPARE(readFileBytes(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.csv"});
        // Without the limit the same save goes through.
        writeLocationFile(path, many, u',', TextEncoding::utf8());
        QCOMPARE(readLocationFile(path, u',', TextEncoding::utf8()).size(), many.size());
    }

    void veryLongLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.csv"));
        const qsizetype length = 20 * 1024 * 1024;
        QVERIFY(writeFileBytes(path, QByteArray(length, '7') + ",8;9\r\n" + QByteArray(length, ';') + "\r\n1,2"));
        const std::vector<LocationEntry> entries = readLocationFile(path, u',', TextEncoding::utf8());
        QCOMPARE(entries.size(), size_t(2));
        QCOMPARE(entries[0].latitude.size(), length);
        QCOMPARE(entries[0].longitude, QStringLiteral("8;9"));
        QCOMPARE(pairs({entries[1]}), QStringList{"1|2"});
    }

    void millionsOfLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("many.csv"));
        const int count = 3'000'000;
        QByteArray bytes;
        bytes.reserve(qsizetype(count) * 12);
        for (int i = 0; i < count; ++i) {
            bytes += QByteArray::number(i);
            // Every third line has no separator and is skipped.
            bytes += (i % 3 == 2) ? "\n" : ";-1\r\n";
        }
        QVERIFY(writeFileBytes(path, bytes));
        const std::vector<LocationEntry> entries = readLocationFile(path, u';', TextEncoding::utf8());
        QCOMPARE(entries.size(), size_t(2'000'000));
        QCOMPARE(pairs({entries.front(), entries[1], entries[2], entries.back()}),
                 (QStringList{"0|-1", "1|-1", "3|-1", "2999998|-1"}));
    }

    // Bytes that are no text at all load whatever lines they happen to hold.
    void binaryFile()
    {
        QRandomGenerator random(20240611);
        QByteArray bytes(4 * 1024 * 1024, Qt::Uninitialized);
        for (char &c : bytes) {
            // No NULs here, so the whole file counts.
            c = char(1 + random.bounded(255));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("binary.csv"));
        QVERIFY(writeFileBytes(path, bytes));
        for (const char *codePage : {"UTF-8", "windows-1252"}) {
            const std::vector<LocationEntry> entries =
                readLocationFile(path, u',', TextEncoding::named(codePage));
            const QStringList lines = decodeTextLines(bytes, TextEncoding::named(codePage));
            qsizetype withSeparator = 0;
            for (const QString &line : lines)
                withSeparator += line.contains(u',') ? 1 : 0;
            QVERIFY(withSeparator > 1000);
            QCOMPARE(qsizetype(entries.size()), withSeparator);
            for (const LocationEntry &entry : entries) {
                QVERIFY(!entry.latitude.contains(u','));
                QVERIFY(!entry.latitude.contains(u'\n') && !entry.longitude.contains(u'\r'));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestLocationFile)
#include "tst_locationfile.moc"
