#include "platform/errors.h"
#include "platform/textlinefile.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


namespace {

const TextEncoding Utf8 = TextEncoding::utf8();
const TextEncoding Cp1252 = TextEncoding::named("windows-1252");

} // namespace

class TestTextLineFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QStringList>("lines");

        const QStringList ab{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "UTF-8" << ab;
        QTest::newRow("lone LF") << QByteArray("a\nb\n") << "UTF-8" << ab;
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << "UTF-8" << ab;
        QTest::newRow("mixed endings") << QByteArray("a\rb\nc\r\nd") << "UTF-8"
                                       << QStringList{"a", "b", "c", "d"};
        QTest::newRow("no final break") << QByteArray("a\r\nb") << "UTF-8" << ab;
        QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << "UTF-8" << QStringList{"a", "", "b"};
        QTest::newRow("empty lines kept") << QByteArray("\r\na\r\n\r\n") << "UTF-8" << QStringList{"", "a", ""};
        QTest::newRow("empty file") << QByteArray() << "UTF-8" << QStringList{};
        QTest::newRow("only a break") << QByteArray("\r\n") << "UTF-8" << QStringList{""};
        QTest::newRow("blanks are kept") << QByteArray(" a ,b \r\n") << "UTF-8" << QStringList{" a ,b "};
        QTest::newRow("NUL ends the text") << QByteArray("a\r\nb\0c\r\nd", 10) << "UTF-8" << QStringList{"a", "b"};
        QTest::newRow("UTF-8 mark dropped") << QByteArray("\xEF\xBB\xBFR\xC3\xA9union,1,2\r\n") << "windows-1252"
                                            << QStringList{QStringLiteral("Réunion,1,2")};
        // Only the first mark chooses the encoding; a second one is the first latitude's text.
        QTest::newRow("second mark is text, UTF-8") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "2,3\r\n") << "UTF-8"
                                                    << QStringList{QStringLiteral("\uFEFF" "2,3")};
        QTest::newRow("second mark is text, UTF-16 LE") << QByteArray("\xFF\xFE\xFF\xFE" "2\0", 6) << "UTF-8"
                                                        << QStringList{QStringLiteral("\uFEFF" "2")};
        QTest::newRow("second mark is text, UTF-16 BE") << QByteArray("\xFE\xFF\xFE\xFF\0" "2", 6) << "UTF-8"
                                                        << QStringList{QStringLiteral("\uFEFF" "2")};
        QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFE" "a\0\xE9\0\r\0\n\0b\0", 12) << "windows-1252"
                                        << QStringList{QStringLiteral("aé"), "b"};
        QTest::newRow("UTF-16 BE mark") << QByteArray("\xFE\xFF\0a\0\xE9\0\r\0b", 10) << "windows-1252"
                                        << QStringList{QStringLiteral("aé"), "b"};
        QTest::newRow("no mark, UTF-8 page") << QByteArray("C\xC3\xB4te\r\n") << "UTF-8"
                                             << QStringList{QStringLiteral("Côte")};
        QTest::newRow("no mark, Windows-1252 page") << QByteArray("C\xF4te\x80\r\n") << "windows-1252"
                                                    << QStringList{QStringLiteral("Côte€")};
        // The same UTF-8 bytes read in Windows-1252 are two characters each: no match later.
        QTest::newRow("UTF-8 bytes, Windows-1252 page") << QByteArray("C\xC3\xB4te") << "windows-1252"
                                                        << QStringList{QStringLiteral("CÃ´te")};
        QTest::newRow("invalid UTF-8 replaced, not fatal") << QByteArray("a\xFF\xFE\xC3z\r\nb") << "UTF-8"
                                                           << QStringList{QStringLiteral("a\uFFFD\uFFFD\uFFFDz"), "b"};
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QStringList, lines);
        QCOMPARE(decodeTextLines(bytes, TextEncoding::named(encoding.toLatin1())), lines);
    }

    void write_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("CR LF after every line") << QStringList{"41.01,28.97", ",5"} << "windows-1252"
                                                << QByteArray("41.01,28.97\r\n,5\r\n");
        QTest::newRow("empty list, empty file") << QStringList{} << "windows-1252" << QByteArray();
        QTest::newRow("empty list, empty file on UTF-8 too") << QStringList{} << "UTF-8" << QByteArray();
        QTest::newRow("one empty line") << QStringList{""} << "windows-1252" << QByteArray("\r\n");
        QTest::newRow("UTF-8 page writes a mark") << QStringList{QStringLiteral("São Tomé")} << "UTF-8"
                                                  << QByteArray("\xEF\xBB\xBFS\xC3\xA3o Tom\xC3\xA9\r\n");
        QTest::newRow("Windows-1252 page, no mark") << QStringList{QStringLiteral("São Tomé")} << "windows-1252"
                                                    << QByteArray("S\xE3o Tom\xE9\r\n");
    }
    void write()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, encoding);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        writeTextLines(path, lines, TextEncoding::named(encoding.toLatin1()));
        QCOMPARE(readFileBytes(path), bytes);
        QCOMPARE(readTextLines(path, TextEncoding::named(encoding.toLatin1())), lines);
    }

    void characterOutsideTheCodePageIsSubstituted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.js"));
        writeTextLines(path, {QStringLiteral("a\u4E2Db")}, Cp1252);
        const QByteArray bytes = readFileBytes(path);
        QCOMPARE(bytes.size(), 5);
        QVERIFY(bytes.startsWith('a'));
        QVERIFY(bytes.endsWith("b\r\n"));
        QVERIFY(bytes.at(1) != '\0');
    }

    void longAndManyLinesRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.csv"));
        QStringList lines;
        lines << QString(200000, u'x');
        for (int i = 0; i < 100000; ++i)
            lines << QString::number(i);
        writeTextLines(path, lines, Utf8);
        QCOMPARE(readTextLines(path, Utf8), lines);
    }

    void writingReplacesTheWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        QVERIFY(writeFileBytes(path, QByteArray(1000, 'z')));
        writeTextLines(path, {QStringLiteral("1,2")}, Cp1252);
        QCOMPARE(readFileBytes(path), QByteArray("1,2\r\n"));
    }

    void missingFileCannotBeOpened()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("countries.dat"));
        try {
            readTextLines(path, Utf8);
            QFAIL("no error");
        } catch (const FileError &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
        }
    }

    void folderCannotBeOpenedAsAFile()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(FileError, readTextLines(dir.path(), Utf8));
    }

    void relativePathIsReportedInFull()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        try {
            readTextLines(QStringLiteral("nothing.csv"), Utf8);
            QDir::setCurrent(old);
            QFAIL("no error");
        } catch (const FileError &error) {
            QDir::setCurrent(old);
            QVERIFY2(error.message().contains(dir.filePath(QStringLiteral("nothing.csv"))),
                     qPrintable(error.message()));
        }
    }

    void fileInMissingFolderCannotBeCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gone/list.csv"));
        try {
            writeTextLines(path, {QStringLiteral("1,2")}, Utf8);
            QFAIL("no error");
        } catch (const FileError &error) {
            QVERIFY2(error.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)),
                     qPrintable(error.message()));
            QVERIFY(!error.message().endsWith(u'.'));
        }
    }

    void failedWriteLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        const QByteArray old("41.01,28.97\r\n");
        QVERIFY(writeFileBytes(path, old));
        QStringList lines;
        for (int i = 0; i < 50000; ++i)
            lines << QStringLiteral("12.3456,65.4321");
        try {
            const FileSizeLimit limit(4096);
            writeTextLines(path, lines, Cp1252);
            QFAIL("no error");
        } catch (const FileError &error) {
            QCOMPARE(error.message(), QStringLiteral("Stream write error"));
        }
        QCOMPARE(readFileBytes(path), old);
        // Nothing is left behind beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.csv")});
    }

    void abandonedWriterLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.csv"));
        QVERIFY(writeFileBytes(path, "old\r\n"));
        {
            TextLineWriter writer(path, Utf8);
            writer.writeLine(u"new");
        }
        QCOMPARE(readFileBytes(path), QByteArray("old\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTextLineFile)
#include "tst_textlinefile.moc"
