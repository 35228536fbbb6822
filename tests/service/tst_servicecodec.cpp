#include "service/answerdecoding.h"
#include "service/formencoding.h"

#include <QtTest>

// The bytes a form post puts on the wire and the text an answer's bytes become.
class TestServiceCodec final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesComponent_data();
    void encodesComponent();
    void encodesFields_data();
    void encodesFields();
    void parsesContentType_data();
    void parsesContentType();
    void decodesSecureAnswer_data();
    void decodesSecureAnswer();
    void decodesPlainAnswer_data();
    void decodesPlainAnswer();
};

void TestServiceCodec::encodesComponent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("space") << QStringLiteral("a b") << QByteArray("a+b");
    QTest::newRow("plus") << QStringLiteral("a+b") << QByteArray("a%2Bb");
    QTest::newRow("tilde") << QStringLiteral("~") << QByteArray("%7E");
    QTest::newRow("asterisk") << QStringLiteral("*") << QByteArray("*");
    QTest::newRow("kept marks") << QStringLiteral("-._*") << QByteArray("-._*");
    QTest::newRow("letters and digits") << QStringLiteral("AZaz09") << QByteArray("AZaz09");
    QTest::newRow("e acute") << QStringLiteral("\u00e9") << QByteArray("%C3%A9");
    QTest::newRow("carriage return") << QStringLiteral("\r") << QByteArray("%0D");
    QTest::newRow("line feed") << QStringLiteral("\n") << QByteArray("%0A");
    QTest::newRow("equals and ampersand") << QStringLiteral("=&") << QByteArray("%3D%26");
    QTest::newRow("percent") << QStringLiteral("100%") << QByteArray("100%25");
    QTest::newRow("other printable")
        << QStringLiteral("!\"#$'(),/:;<>?@[\\]^`{|}")
        << QByteArray("%21%22%23%24%27%28%29%2C%2F%3A%3B%3C%3E%3F%40%5B%5C%5D%5E%60%7B%7C%7D");
    QTest::newRow("euro sign") << QStringLiteral("\u20ac") << QByteArray("%E2%82%AC");
    QTest::newRow("outside the basic plane") << QStringLiteral("\U0001F600") << QByteArray("%F0%9F%98%80");
    QTest::newRow("nul and tab") << QString(QChar(0)) + u'\t' << QByteArray("%00%09");
    QTest::newRow("delete") << QStringLiteral("\x7f") << QByteArray("%7F");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestServiceCodec::encodesComponent()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(encodeFormComponent(text), encoded);
}

void TestServiceCodec::encodesFields_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("feedback example")
        << QStringList{QStringLiteral("cmd=feedback"), QStringLiteral("version=1.2"),
                       QStringLiteral("feedback=I like it!\rGreat tool")}
        << QByteArray("cmd=feedback&version=1.2&feedback=I+like+it%21%0DGreat+tool");
    QTest::newRow("only the first equals sign splits")
        << QStringList{QStringLiteral("feedback=a=b")} << QByteArray("feedback=a%3Db");
    QTest::newRow("empty value") << QStringList{QStringLiteral("guid=")} << QByteArray("guid=");
    QTest::newRow("empty values among others")
        << QStringList{QStringLiteral("a="), QStringLiteral("b=1"), QStringLiteral("c=")}
        << QByteArray("a=&b=1&c=");
    QTest::newRow("name is encoded too")
        << QStringList{QStringLiteral("a b\u00e9=c d")} << QByteArray("a+b%C3%A9=c+d");
    QTest::newRow("value with line breaks and ampersands")
        << QStringList{QStringLiteral("m=x&y\r\nz")} << QByteArray("m=x%26y%0D%0Az");
    QTest::newRow("no equals sign") << QStringList{QStringLiteral("lonely")} << QByteArray("lonely=");
    QTest::newRow("no fields") << QStringList{} << QByteArray();
}

void TestServiceCodec::encodesFields()
{
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, body);
    QCOMPARE(encodeFormFields(fields), body);
}

void TestServiceCodec::parsesContentType_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("mediaType");
    QTest::addColumn<QByteArray>("charset");

    QTest::newRow("none") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("type only") << QByteArray("text/plain") << QByteArray("text/plain") << QByteArray();
    QTest::newRow("with charset") << QByteArray("text/html; charset=windows-1252") << QByteArray("text/html")
                                  << QByteArray("windows-1252");
    QTest::newRow("quoted charset, other parameters")
        << QByteArray("Text/HTML ; format=flowed; Charset=\"UTF-8\"") << QByteArray("text/html")
        << QByteArray("UTF-8");
    QTest::newRow("empty charset") << QByteArray("text/plain; charset=") << QByteArray("text/plain")
                                   << QByteArray();
}

void TestServiceCodec::parsesContentType()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, mediaType);
    QFETCH(QByteArray, charset);
    const ContentType parsed = parseContentType(header);
    QCOMPARE(parsed.mediaType, mediaType);
    QCOMPARE(parsed.charset, charset);
}

void TestServiceCodec::decodesSecureAnswer_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");

    QTest::newRow("no header: UTF-8")
        << QByteArray() << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
    QTest::newRow("text without charset: UTF-8")
        << QByteArray("text/plain") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
    QTest::newRow("utf-8 in capitals")
        << QByteArray("text/plain; charset=UTF-8") << QByteArray("\xe2\x82\xac") << QStringLiteral("\u20ac");
    QTest::newRow("windows-1252") << QByteArray("text/html; charset=windows-1252")
                                  << QByteArray("\x80 caf\xe9") << QStringLiteral("\u20ac caf\u00e9");
    QTest::newRow("ISO-8859-1") << QByteArray("text/plain; charset=ISO-8859-1") << QByteArray("\xe9")
                                << QStringLiteral("\u00e9");
    QTest::newRow("unknown charset: UTF-8") << QByteArray("text/plain; charset=x-nobody-knows")
                                            << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
    QTest::newRow("byte-order mark dropped")
        << QByteArray("text/plain") << QByteArray("\xef\xbb\xbfOK") << QStringLiteral("OK");
}

void TestServiceCodec::decodesSecureAnswer()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QCOMPARE(decodeSecureAnswer(contentType, body), text);
}

void TestServiceCodec::decodesPlainAnswer_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");

    QTest::newRow("text without charset: ISO-8859-1")
        << QByteArray("text/plain") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00c3\u00a9");
    QTest::newRow("text type in capitals")
        << QByteArray("TEXT/Html") << QByteArray("\xe9") << QStringLiteral("\u00e9");
    QTest::newRow("xml text: us-ascii")
        << QByteArray("text/xml") << QByteArray("a\xe9") << QStringLiteral("a\ufffd");
    QTest::newRow("xml-based text: us-ascii")
        << QByteArray("text/rss+xml") << QByteArray("a\xe9") << QStringLiteral("a\ufffd");
    QTest::newRow("other type: byte for byte")
        << QByteArray("application/json") << QByteArray("\x80\xe9") << QStringLiteral("\u0080\u00e9");
    QTest::newRow("no header: byte for byte")
        << QByteArray() << QByteArray("\x80\xff") << QStringLiteral("\u0080\u00ff");
    QTest::newRow("unknown charset: byte for byte")
        << QByteArray("text/plain; charset=x-nobody-knows") << QByteArray("\x80") << QStringLiteral("\u0080");
    QTest::newRow("windows-1252") << QByteArray("text/html; charset=windows-1252")
                                  << QByteArray("\x80 caf\xe9") << QStringLiteral("\u20ac caf\u00e9");
    QTest::newRow("utf-8") << QByteArray("text/plain; charset=utf-8") << QByteArray("caf\xc3\xa9")
                           << QStringLiteral("caf\u00e9");
    QTest::newRow("charset beats the xml rule")
        << QByteArray("text/xml; charset=utf-8") << QByteArray("\xc3\xa9") << QStringLiteral("\u00e9");
}

void TestServiceCodec::decodesPlainAnswer()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, text);
    QCOMPARE(decodePlainAnswer(contentType, body), text);
}

QTEST_GUILESS_MAIN(TestServiceCodec)
#include "tst_servicecodec.moc"
