#include "platform/errors.h"
#include "service/clientfacts.h"
#include "service/makersite.h"
#include "testhttpserver.h"
#include "tst_checkerscript.h"
#include "update/checkerrors.h"
#include "update/checkexchange.h"

#include <QTest>

namespace {

const QString goodAnswer =
    QStringLiteral("<version>2.1</version>\r\n<url>https://example.com/t.exe</url>\r\n\r\n"
                   "<result>1</result>\r\n\r\n<important></important>\r\n");

} // namespace

class TestCheckExchange final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        TestHttpServer::trustTestAuthority();
        setMakerHostForTesting(QStringLiteral("127.0.0.1:9"));
    }
    void init() { ClearCheckErrors(); }
    void cleanup()
    {
        ClearCheckErrors();
        setCheckPosterForTesting({});
        setMakerHostForTesting(QStringLiteral("127.0.0.1:9"));
    }

    void errorRecord_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<bool>("failed");

        QTest::newRow("nothing") << QStringList() << "" << false;
        QTest::newRow("one entry kept as given") << QStringList{" Error: x \t"} << " Error: x \t" << true;
        QTest::newRow("two entries, two CRs between")
            << QStringList{"HTTPS Response:\rrefused", "HTTP Response:\rrefused"}
            << "HTTPS Response:\rrefused\r\rHTTP Response:\rrefused" << true;
        QTest::newRow("empty entry") << QStringList{""} << "" << false;
        QTest::newRow("blank entries") << QStringList{"   ", "\t\r\n", QString(QChar(1))} << "" << false;
        QTest::newRow("blank entry between two") << QStringList{"a", " ", "b"} << "a\r\rb" << true;
        QTest::newRow("no-break space is no blank")
            << QStringList{QStringLiteral("\u00a0")} << QStringLiteral("\u00a0") << true;
    }
    void errorRecord()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, errors);
        QFETCH(bool, failed);
        for (const QString &entry : entries)
            AddCheckError(entry);
        QCOMPARE(CheckErrors, errors);
        QCOMPARE(CheckFailed, failed);
        ClearCheckErrors();
        QCOMPARE(CheckErrors, QString());
        QCOMPARE(CheckFailed, false);
    }

    void answerLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("lone LF and CR") << "a\nb\rc" << QStringList{"a", "b", "c"};
        QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty lines kept") << "a\r\n\r\n\r\nd" << QStringList{"a", "", "", "d"};
        QTest::newRow("one break only") << "\r\n" << QStringList{""};
        QTest::newRow("two final breaks") << "a\n\n" << QStringList{"a", ""};
        QTest::newRow("blanks kept") << " a \n" << QStringList{" a "};
    }
    void answerLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(splitAnswerLines(text), lines);
    }

    void tagValue_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("value");

        QTest::newRow("version") << "<version>1.3</version>"
                                 << "version"
                                 << "1.3";
        QTest::newRow("tag asked in capitals") << "<version>1.3</version>"
                                               << "VERSION"
                                               << "1.3";
        QTest::newRow("blank in front") << " <version>1.3</version>"
                                        << "version"
                                        << "";
        QTest::newRow("blank behind") << "<version>1.3</version> "
                                      << "version"
                                      << "";
        QTest::newRow("tags in capitals") << "<VERSION>1.3</VERSION>"
                                          << "version"
                                          << "";
        QTest::newRow("empty value") << "<version></version>"
                                     << "version"
                                     << "";
        QTest::newRow("value kept untrimmed") << "<result> 1</result>"
                                              << "result"
                                              << " 1";
        QTest::newRow("other tag") << "<url>1.3</url>"
                                   << "version"
                                   << "";
        QTest::newRow("no closing tag") << "<version>1.3"
                                        << "version"
                                        << "";
        QTest::newRow("empty line") << ""
                                    << "version"
                                    << "";
        QTest::newRow("empty tag") << "<>x</>"
                                   << ""
                                   << "";
        QTest::newRow("value holding tags") << "<url>a</url><url>b</url>"
                                            << "url"
                                            << "a</url><url>b";
        QTest::newRow("address") << "<url>https://x.example/a?b=c&d</url>"
                                 << "url"
                                 << "https://x.example/a?b=c&d";
        QTest::newRow("tags overlapping") << "<a>/a>"
                                          << "a"
                                          << "";
    }
    void tagValue()
    {
        QFETCH(QString, line);
        QFETCH(QString, tag);
        QFETCH(QString, value);
        QCOMPARE(ExtractTagValue(line, tag), value);
    }

    void newVersion_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("isNew");

        QTest::newRow("same") << "1.3"
                              << "1.3" << false;
        QTest::newRow("higher") << "1.4"
                                << "1.3" << true;
        QTest::newRow("lower counts too") << "1.2"
                                          << "1.3" << true;
        QTest::newRow("1.10 reads as 110") << "1.10"
                                           << "1.3" << true;
        QTest::newRow("empty") << ""
                               << "1.3" << false;
        QTest::newRow("only dots") << ".."
                                   << "1.3" << false;
        QTest::newRow("letter after the digits") << "1.3a"
                                                 << "1.3" << false;
        QTest::newRow("blank after the digits") << "1.3 "
                                                << "1.3" << false;
        QTest::newRow("blank before the digits") << " 1.4"
                                                 << "1.3" << true;
        QTest::newRow("sign") << "-1.4"
                              << "1.3" << true;
        QTest::newRow("three parts") << "1.3.1"
                                     << "1.3" << true;
        QTest::newRow("beyond 32 bits") << "99999.99999"
                                        << "1.3" << false;
        QTest::newRow("largest 32-bit number") << "21474.83647"
                                               << "1.3" << true;
        QTest::newRow("same text differs from running with blank") << "1.3"
                                                                   << "1.3 " << true;
    }
    void newVersion()
    {
        QFETCH(QString, announced);
        QFETCH(QString, running);
        QFETCH(bool, isNew);
        QCOMPARE(IsNewVersion(announced, running), isNew);
    }

    void acceptance_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("errors");

        const QString invalid = QStringLiteral("INVALIDSERVERRESPONSE");
        QTest::newRow("well formed, marker 1") << goodAnswer << "" << true << "";
        QTest::newRow("marker 0") << QString(goodAnswer).replace("<result>1", "<result>0") << "" << true
                                  << "";
        QTest::newRow("four lines") << "<version>2.1</version>\n<url></url>\n\n<result>1</result>"
                                    << "" << true << "";
        QTest::newRow("ERROR line") << "ERROR: no such product\n\n\n<result>1</result>"
                                    << "" << false << invalid;
        QTest::newRow("ERROR alone") << "ERROR"
                                     << "" << false << invalid;
        QTest::newRow("error in lower case is judged by its marker") << "error\n\n\n<result>1</result>"
                                                                     << "" << true << "";
        QTest::newRow("ERROR not at the start") << " ERROR\n\n\n<result>1</result>"
                                                << "" << true << "";
        QTest::newRow("three lines") << "<version>2.1</version>\n<url>x</url>\n"
                                     << "" << false << invalid;
        QTest::newRow("no lines") << ""
                                  << "" << false << invalid;
        QTest::newRow("marker 2") << QString(goodAnswer).replace("<result>1", "<result>2") << "" << false
                                  << invalid;
        QTest::newRow("blank before the 1")
            << QString(goodAnswer).replace("<result>1", "<result> 1") << "" << false << invalid;
        QTest::newRow("marker tags in capitals")
            << QString(goodAnswer).replace("<result>1</result>", "<RESULT>1</RESULT>") << "" << false
            << invalid;
        QTest::newRow("marker on line 3") << "<version>2.1</version>\n<url>x</url>\n<result>1</result>\n\n"
                                          << "" << false << invalid;
        QTest::newRow("earlier entry spoils a good answer")
            << goodAnswer << "Error: GUID generate problem!" << false << "Error: GUID generate problem!";
        QTest::newRow("earlier entry and ERROR")
            << "ERROR"
            << "Error: x" << false << "Error: x\r\rINVALIDSERVERRESPONSE";
        QTest::newRow("earlier entry: marker not looked at")
            << QString(goodAnswer).replace("<result>1", "<result>9") << "Error: x" << false << "Error: x";
    }
    void acceptance()
    {
        QFETCH(QString, answer);
        QFETCH(QString, earlier);
        QFETCH(bool, usable);
        QFETCH(QString, errors);
        AddCheckError(earlier);
        QCOMPARE(AcceptCheckAnswer(splitAnswerLines(answer)), usable);
        QCOMPARE(CheckErrors, errors);
        QCOMPARE(CheckFailed, !usable);
    }

    void answerValues_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");

        QTest::newRow("six lines")
            << QString(goodAnswer).replace("<important></important>", "<important>Please update</important>")
            << "2.1"
            << "https://example.com/t.exe"
            << "Please update";
        QTest::newRow("five lines: no message")
            << "<version>2.1</version>\n<url>u</url>\n\n<result>1</result>\n\n"
            << "2.1"
            << "u"
            << "";
        QTest::newRow("message element empty") << goodAnswer << "2.1"
                                               << "https://example.com/t.exe"
                                               << "";
        QTest::newRow("message kept untrimmed") << "<version>2.1</version>\n<url></url>\n\n<result>1</"
                                                   "result>\n\n<important>  hi  </important>\nmore"
                                                << "2.1"
                                                << ""
                                                << "  hi  ";
        QTest::newRow("message on line 7 is not read")
            << "<version>2.1</version>\n<url></url>\n\n<result>1</result>\n\n\n<important>hi</important>"
            << "2.1"
            << ""
            << "";
    }
    void answerValues()
    {
        QFETCH(QString, answer);
        QFETCH(QString, version);
        QFETCH(QString, address);
        QFETCH(QString, message);
        const CheckAnswer lines = splitAnswerLines(answer);
        QCOMPARE(announcedVersion(lines), version);
        QCOMPARE(announcedAddress(lines), address);
        QCOMPARE(announcedMessage(lines), message);
    }

    void request_data()
    {
        QTest::addColumn<QString>("machineId");
        QTest::addColumn<int>("startCount");
        QTest::newRow("first start") << "4c4c4544-0051-3510-8052-b4c04f4e4d32" << 1;
        QTest::newRow("no machine identifier") << "" << 12;
        QTest::newRow("negative count") << "x=y" << -5;
    }
    void request()
    {
        QFETCH(QString, machineId);
        QFETCH(int, startCount);
        const CheckRequest fields = BuildCheckRequest(QStringLiteral("PALVEX - Thermira"),
                                                      QStringLiteral("2.0"), machineId, startCount);
        const FormFields expected{QStringLiteral("cmd=check"),
                                  QStringLiteral("appname=PALVEX - Thermira"),
                                  QStringLiteral("version=2.0"),
                                  QStringLiteral("os=") + OSDescription(),
                                  QStringLiteral("local=") + UserLocaleName(),
                                  QStringLiteral("guid=") + machineId,
                                  QStringLiteral("howmany=") + QString::number(startCount)};
        QCOMPARE(fields, expected);
        QCOMPARE(CheckFailed, false);
    }

    void sendScripted_data()
    {
        QTest::addColumn<bool>("httpsFails");
        QTest::addColumn<bool>("httpFails");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("errors");

        const QStringList https{"<version>9.9</version>", "from https"};
        const QStringList http{"<version>8.8</version>", "from http"};
        QTest::newRow("HTTPS answers") << false << false << "" << 1 << https << "";
        QTest::newRow("HTTPS answers, earlier entry stays")
            << false << false << "Error: x" << 1 << https << "Error: x";
        QTest::newRow("HTTPS fails, HTTP answers") << true << false << "" << 2 << http << "";
        QTest::newRow("HTTP answer clears an earlier entry")
            << true << false << "Error: x" << 2 << http << "";
        QTest::newRow("both fail")
            << true << true << "" << 2 << QStringList()
            << "HTTPS Response:\rTLS handshake failed\r\rHTTP Response:\rConnection refused";
        QTest::newRow("both fail after an earlier entry")
            << true << true << "Error: x" << 2 << QStringList()
            << "Error: x\r\rHTTPS Response:\rTLS handshake failed\r\rHTTP Response:\rConnection refused";
    }
    void sendScripted()
    {
        QFETCH(bool, httpsFails);
        QFETCH(bool, httpFails);
        QFETCH(QString, earlier);
        QFETCH(int, attempts);
        QFETCH(QStringList, lines);
        QFETCH(QString, errors);

        ScriptedPoster poster(ScriptedOutcome{httpsFails, httpsFails
                                                              ? "TLS handshake failed"
                                                              : "<version>9.9</version>\r\nfrom https"},
                              ScriptedOutcome{httpFails, httpFails ? "Connection refused"
                                                                   : "<version>8.8</version>\nfrom http\n"});
        setMakerHostForTesting(QStringLiteral("127.0.0.1:4711"));
        AddCheckError(earlier);
        const FormFields request{QStringLiteral("cmd=check"), QStringLiteral("howmany=1")};

        QCOMPARE(SendCheckRequest(request), lines);
        QCOMPARE(CheckErrors, errors);
        QCOMPARE(CheckFailed, !errors.isEmpty());
        QCOMPARE(poster.attempts.size(), attempts);
        QCOMPARE(poster.attempts[0].address, QStringLiteral("https://127.0.0.1:4711/php/check2.php"));
        if (attempts > 1)
            QCOMPARE(poster.attempts[1].address, QStringLiteral("http://127.0.0.1:4711/php/check2.php"));
        for (const ScriptedAttempt &attempt : std::as_const(poster.attempts)) {
            QCOMPARE(attempt.fields, request);
            QCOMPARE(attempt.timeoutMs, 10000);
        }
    }

    // HTTPS fails through a certificate the client does not accept (nothing is sent over it);
    // plain HTTP fails through a status the plain path refuses.
    void sendThroughLoopback_data()
    {
        QTest::addColumn<bool>("httpsFails");
        QTest::addColumn<bool>("httpFails");
        QTest::newRow("HTTPS answers") << false << false;
        QTest::newRow("HTTPS fails, HTTP answers") << true << false;
        QTest::newRow("both fail") << true << true;
    }
    void sendThroughLoopback()
    {
        QFETCH(bool, httpsFails);
        QFETCH(bool, httpFails);

        TestHttpServer server(TestHttpServer::Mode::Both, httpsFails ? TestHttpServer::Certificate::Untrusted
                                                                     : TestHttpServer::Certificate::Trusted);
        server.setAnswer(TestHttpAnswer::text(goodAnswer.toUtf8()), "/php/check2.php");
        if (httpFails)
            server.setAnswer(TestHttpAnswer::withStatus(503, "Service Unavailable", "busy"),
                             "/php/check2.php", TestHttpServer::Over::Plain);
        setMakerHostForTesting(server.hostAndPort());
        AddCheckError(QStringLiteral("Error: GUID generate problem!"));

        const CheckRequest request =
            BuildCheckRequest(QStringLiteral("PALVEX - Thermira"), QStringLiteral("2.0"), QString(), 3);
        const CheckAnswer answer = SendCheckRequest(request);

        QCOMPARE(answer, httpFails ? CheckAnswer() : splitAnswerLines(goodAnswer));
        const QList<TestHttpRequest> requests = server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].tls, !httpsFails);
        QCOMPARE(requests[0].method, QByteArray("POST"));
        QCOMPARE(requests[0].path(), QByteArray("/php/check2.php"));
        QCOMPARE(requests[0].body,
                 "cmd=check&appname=PALVEX+-+Thermira&version=2.0&os=" + formEncoded(OSDescription()) +
                     "&local=" + formEncoded(UserLocaleName()) + "&guid=&howmany=3");

        if (!httpsFails) {
            // The earlier entry makes even this good answer unusable.
            QCOMPARE(CheckErrors, QStringLiteral("Error: GUID generate problem!"));
            QVERIFY(!AcceptCheckAnswer(answer));
        } else if (!httpFails) {
            QCOMPARE(CheckErrors, QString());
            QVERIFY(AcceptCheckAnswer(answer));
        } else {
            const QStringList entries = CheckErrors.split(QStringLiteral("\r\r"));
            QCOMPARE(entries.size(), 3);
            QCOMPARE(entries[0], QStringLiteral("Error: GUID generate problem!"));
            QVERIFY2(entries[1].startsWith(QStringLiteral("HTTPS Response:\r")) && entries[1].size() > 16,
                     qPrintable(entries[1]));
            QVERIFY2(entries[2].startsWith(QStringLiteral("HTTP Response:\r")) &&
                         entries[2].contains(u"Service Unavailable"),
                     qPrintable(entries[2]));
            QVERIFY(!AcceptCheckAnswer(answer));
        }
    }
};

QTEST_GUILESS_MAIN(TestCheckExchange)
#include "tst_checkexchange.moc"
