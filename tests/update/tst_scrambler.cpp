#include "update/scrambler.h"

#include <QRegularExpression>
#include <QTest>

// The expected digits were worked out apart from this code, byte by byte from the cipher's
// definition (first byte XOR the register's upper half, register advanced with the scrambled
// byte times 0x3B91 plus 0x64E3), and checked with a separate small computation.
class TestScrambler final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixedVectors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seed");
        QTest::addColumn<QString>("hex");

        QTest::newRow("empty text") << "" << int(ScrambleSeed) << "";
        QTest::newRow("one letter: register upper half is 0") << "A" << int(ScrambleSeed) << "41";
        QTest::newRow("two letters") << "AB" << int(ScrambleSeed) << "4122";
        // Advancing with the plain byte instead would give 54A4005757769482.
        QTest::newRow("word") << "Thermira" << int(ScrambleSeed) << "54A43E08E48A7D53";
        QTest::newRow("download address")
            << "https://www.example.com/dl/thermira-2.1.exe" << int(ScrambleSeed)
            << "68078212FE9FFFA9105228CAA4D28DA058BCE0584302DF6E3572AB6E547A03FDD5852BB24EDEB1FD48B7AC";
        QTest::newRow("two-byte UTF-8 letter") << QStringLiteral("\u00e9") << int(ScrambleSeed) << "C336";
        QTest::newRow("non-ASCII, three-byte sign")
            << QStringLiteral("Stra\u00dfe \u2713") << int(ScrambleSeed) << "53E465214C4473C6206E5C";
        QTest::newRow("four-byte UTF-8 and line breaks")
            << QStringLiteral("x\U0001F600\r\n") << int(ScrambleSeed) << "78DC979C047745";
        QTest::newRow("seed 0") << "AB" << 0 << "41C6";
        // Advancing with the plain byte instead would give BE0B.
        QTest::newRow("seed FFFF") << "AB" << 0xFFFF << "BE1C";
    }
    void fixedVectors()
    {
        QFETCH(QString, text);
        QFETCH(int, seed);
        QFETCH(QString, hex);
        QCOMPARE(ScrambleText(text, quint16(seed)), hex);
        QCOMPARE(UnscrambleText(hex, quint16(seed)), text);
        QCOMPARE(UnscrambleText(hex.toLower(), quint16(seed)), text);
    }

    void malformedDigits_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("odd last digit ignored") << "4122F"
                                                << "AB";
        QTest::newRow("odd length, one pair") << "412"
                                              << "A";
        QTest::newRow("single digit") << "4"
                                      << "";
        QTest::newRow("odd last character ignored even when no digit") << "4122G"
                                                                       << "AB";
        QTest::newRow("mixed letter case") << "54a43E08e48A7d53"
                                           << "Thermira";
        QTest::newRow("lower case") << "c336" << QStringLiteral("\u00e9");
        QTest::newRow("G in a pair") << "41G2"
                                     << "";
        QTest::newRow("blank in a pair") << "41 2"
                                         << "";
        QTest::newRow("blank first") << " 122"
                                     << "";
        QTest::newRow("bad last pair gives nothing, not a part") << "4122ZZ"
                                                                 << "";
        QTest::newRow("sign in a pair") << "+122"
                                        << "";
        QTest::newRow("minus in a pair") << "41-1"
                                         << "";
        QTest::newRow("non-ASCII digit") << QStringLiteral("41\u0662\u0662") << "";
        QTest::newRow("fullwidth letter") << QStringLiteral("41\uff21\uff21") << "";
    }
    void malformedDigits()
    {
        QFETCH(QString, hex);
        QFETCH(QString, text);
        QCOMPARE(UnscrambleText(hex, ScrambleSeed), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seed");

        QTest::newRow("address") << "http://127.0.0.1:8080/download?file=a&b=c" << int(ScrambleSeed);
        QTest::newRow("Turkish letters")
            << QStringLiteral("\u0130stanbul \u015f\u011f\u00fc\u00e7\u00f6\u0131") << int(ScrambleSeed);
        QTest::newRow("control characters") << QStringLiteral("a\tb\u0001c\u007f") << 0x1234;
        QTest::newRow("NUL inside") << QString::fromUtf16(u"a\0b", 3) << int(ScrambleSeed);
        QTest::newRow("long text") << QString(4000, u'\u00e9') << 0xBEEF;
        QTest::newRow("long run of one letter") << QString(700, u'z') << 0;
        QTest::newRow("leading U+FEFF is text") << QStringLiteral("\uFEFFhttp://a.example/") << int(ScrambleSeed);
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(int, seed);
        const QString hex = ScrambleText(text, quint16(seed));
        QCOMPARE(hex.size(), text.toUtf8().size() * 2);
        QVERIFY(QRegularExpression(QStringLiteral("\\A[0-9A-F]*\\z")).match(hex).hasMatch());
        QCOMPARE(UnscrambleText(hex, quint16(seed)), text);
        QCOMPARE(UnscrambleText(hex.toLower(), quint16(seed)), text);
    }

    void seedMatters()
    {
        const QString text = QStringLiteral("https://example.com/x");
        QVERIFY(ScrambleText(text, 1) != ScrambleText(text, 2));
        QVERIFY(UnscrambleText(ScrambleText(text, 1), 2) != text);
    }
};

QTEST_GUILESS_MAIN(TestScrambler)
#include "tst_scrambler.moc"
