#include "platform/errors.h"
#include "service/postform.h"
#include "service/transportsettings.h"
#include "testhttpserver.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>
#include <QtTest>

#include <memory>

// Form posts against loopback servers: which path an address takes, what goes on the wire, and
// every way an exchange can end.
class TestPostForm final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void choosesPathByExactPrefix_data();
    void choosesPathByExactPrefix();
    void sendsExactRequest_data();
    void sendsExactRequest();
    void sendsEncodedBody_data();
    void sendsEncodedBody();
    void judgesStatus_data();
    void judgesStatus();
    void handlesRedirects_data();
    void handlesRedirects();
    void decodesByCharset_data();
    void decodesByCharset();
    void timesOutOnSilentServer_data();
    void timesOutOnSilentServer();
    void boundsEachWaitAndTheWholeCall_data();
    void boundsEachWaitAndTheWholeCall();
    void answerSeenLateIsStillAnAnswer_data();
    void answerSeenLateIsStillAnAnswer();
    void sendsOncePerCall_data();
    void sendsOncePerCall();
    void refusesCertificates_data();
    void refusesCertificates();
    void limitsAnswerSize_data();
    void limitsAnswerSize();
    void failsOnBrokenConnections_data();
    void failsOnBrokenConnections();
    void rejectsInvalidAddress();
    void servesThreadsAtOnce();
    void choosesProxies_data();
    void choosesProxies();
    void reachesLoopbackDespiteProxySettings();
};

namespace {

const QString CheckPath = QStringLiteral("/php/check2.php");

struct Result
{
    QString answer;
    QString error; // empty when the call returned
    bool failed = false;
};

Result post(const QString &address, const FormFields &fields = {QStringLiteral("a=1")}, int timeoutMs = 5000)
{
    Result result;
    try {
        result.answer = PostForm(address, fields, timeoutMs);
    } catch (const NetworkError &error) {
        result.failed = true;
        result.error = error.message();
    }
    return result;
}

// The two paths, as the rows of a data function.
void bothPaths()
{
    QTest::addColumn<QString>("scheme");
    QTest::newRow("secure") << QStringLiteral("https");
    QTest::newRow("plain") << QStringLiteral("http");
}

// Sets environment variables for the life of the object and puts the old values back.
class ScopedEnvironment final
{
public:
    void set(const char *name, const QByteArray &value)
    {
        m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }

private:
    struct Saved
    {
        const char *name;
        bool wasSet;
        QByteArray value;
    };
    QList<Saved> m_saved;
};

} // namespace

void TestPostForm::initTestCase()
{
    TestHttpServer::trustTestAuthority();
}

void TestPostForm::choosesPathByExactPrefix_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QByteArray>("contentType");

    const QByteArray secureType("application/x-www-form-urlencoded; charset=utf-8");
    const QByteArray plainType("application/x-www-form-urlencoded");
    QTest::newRow("https: secure") << QStringLiteral("https") << true << secureType;
    QTest::newRow("HTTPS: plain, over TLS") << QStringLiteral("HTTPS") << false << plainType;
    QTest::newRow("Https: plain, over TLS") << QStringLiteral("Https") << false << plainType;
    QTest::newRow("http: plain") << QStringLiteral("http") << false << plainType;
}

void TestPostForm::choosesPathByExactPrefix()
{
    QFETCH(QString, scheme);
    QFETCH(bool, answered);
    QFETCH(QByteArray, contentType);

    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::withStatus(500, "Internal Server Error", "error"));
    const Result result = post(server.url(scheme, CheckPath));

    // Only the secure path takes a 500 page as the answer.
    QCOMPARE(result.failed, !answered);
    if (answered)
        QCOMPARE(result.answer, QStringLiteral("error"));
    else
        QCOMPARE(result.error, QStringLiteral("HTTP/1.1 500 Internal Server Error"));
    QCOMPARE(server.requestCount(), 1);
    const TestHttpRequest request = server.requests().constFirst();
    QCOMPARE(request.tls, scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) != 0);
    QCOMPARE(request.header("Content-Type"), contentType);
}

void TestPostForm::sendsExactRequest_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QByteArray>("contentType");

    QTest::newRow("secure") << QStringLiteral("https")
                            << QByteArray("application/x-www-form-urlencoded; charset=utf-8");
    QTest::newRow("plain") << QStringLiteral("http") << QByteArray("application/x-www-form-urlencoded");
}

void TestPostForm::sendsExactRequest()
{
    QFETCH(QString, scheme);
    QFETCH(QByteArray, contentType);

    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::text("OK"), CheckPath.toLatin1());
    const Result result = post(server.url(scheme, CheckPath),
                               {QStringLiteral("cmd=check"), QStringLiteral("app=PALVEX - Thermira")});
    QVERIFY2(!result.failed, qPrintable(result.error));
    QCOMPARE(result.answer, QStringLiteral("OK"));

    QCOMPARE(server.requestCount(), 1);
    const TestHttpRequest request = server.requests().constFirst();
    QCOMPARE(request.requestLine, QByteArray("POST /php/check2.php HTTP/1.1"));
    QCOMPARE(request.body, QByteArray("cmd=check&app=PALVEX+-+Thermira"));
    QCOMPARE(request.header("Content-Type"), contentType);
    QCOMPARE(request.header("Content-Length"), QByteArray::number(request.body.size()));
    QCOMPARE(request.header("Host"), server.hostAndPort().toLatin1());
    // Exactly one Connection header, and it closes: no connection stays open after a call.
    int connectionHeaders = 0;
    for (const auto &header : request.headers) {
        if (header.first.compare("Connection", Qt::CaseInsensitive) == 0) {
            ++connectionHeaders;
            QCOMPARE(header.second.toLower(), QByteArray("close"));
        }
    }
    QCOMPARE(connectionHeaders, 1);
    QVERIFY(!request.hasHeader("Cookie"));
}

void TestPostForm::sendsEncodedBody_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("body");

    for (const QString &scheme : {QStringLiteral("https"), QStringLiteral("http")}) {
        QTest::addRow("%s: first equals sign splits", qPrintable(scheme))
            << scheme << QStringList{QStringLiteral("feedback=a=b")} << QByteArray("feedback=a%3Db");
        QTest::addRow("%s: encoding vectors", qPrintable(scheme))
            << scheme << QStringList{QStringLiteral("t= +~*\u00e9\r\n")}
            << QByteArray("t=+%2B%7E*%C3%A9%0D%0A");
        QTest::addRow("%s: empty values", qPrintable(scheme))
            << scheme << QStringList{QStringLiteral("guid="), QStringLiteral("x=1"), QStringLiteral("local=")}
            << QByteArray("guid=&x=1&local=");
    }
}

void TestPostForm::sendsEncodedBody()
{
    QFETCH(QString, scheme);
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, body);

    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::text("OK"));
    const Result result = post(server.url(scheme, CheckPath), fields);
    QVERIFY2(!result.failed, qPrintable(result.error));
    QCOMPARE(server.requestCount(), 1);
    QCOMPARE(server.requests().constFirst().body, body);
}

void TestPostForm::judgesStatus_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QString>("error"); // empty: the body is the answer

    const struct
    {
        int status;
        const char *reason;
    } statuses[] = {{500, "Internal Server Error"}, {404, "Not Found"}, {400, "Bad Request"},
                    {401, "Unauthorized"},          {403, "Forbidden"}, {503, "Service Unavailable"}};
    for (const auto &s : statuses) {
        QTest::addRow("secure %d", s.status)
            << QStringLiteral("https") << s.status << QByteArray(s.reason) << QString();
        QTest::addRow("plain %d", s.status)
            << QStringLiteral("http") << s.status << QByteArray(s.reason)
            << QStringLiteral("HTTP/1.1 %1 %2").arg(s.status).arg(QLatin1String(s.reason));
    }
    QTest::newRow("secure 201") << QStringLiteral("https") << 201 << QByteArray("Created") << QString();
    QTest::newRow("plain 201") << QStringLiteral("http") << 201 << QByteArray("Created") << QString();
    QTest::newRow("plain 299") << QStringLiteral("http") << 299 << QByteArray("Whatever") << QString();
    QTest::newRow("plain 304") << QStringLiteral("http") << 304 << QByteArray("Not Modified")
                               << QStringLiteral("HTTP/1.1 304 Not Modified");
    QTest::newRow("plain without reason")
        << QStringLiteral("http") << 500 << QByteArray() << QStringLiteral("HTTP/1.1 500");
}

void TestPostForm::judgesStatus()
{
    QFETCH(QString, scheme);
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(QString, error);

    TestHttpServer server;
    const QByteArray body = status == 304 ? QByteArray() : QByteArray("page ") + QByteArray::number(status);
    server.setAnswer(TestHttpAnswer::withStatus(status, reason, body));
    const Result result = post(server.url(scheme, CheckPath));
    QCOMPARE(result.error, error);
    QCOMPARE(result.failed, !error.isEmpty());
    if (error.isEmpty())
        QCOMPARE(result.answer, QString::fromLatin1(body));
}

void TestPostForm::handlesRedirects_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("toPlainHttp"); // the new location is an absolute http:// address
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("requests");

    QTest::newRow("plain 302 is an error")
        << QStringLiteral("http") << 302 << false << QStringLiteral("HTTP/1.1 302 Found") << 1;
    QTest::newRow("plain 301 is an error")
        << QStringLiteral("http") << 301 << false << QStringLiteral("HTTP/1.1 301 Moved Permanently") << 1;
    QTest::newRow("secure 302 is followed") << QStringLiteral("https") << 302 << false << QString() << 2;
    QTest::newRow("secure 307 is followed") << QStringLiteral("https") << 307 << false << QString() << 2;
    QTest::newRow("plain 307 is an error")
        << QStringLiteral("http") << 307 << false << QStringLiteral("HTTP/1.1 307 Found") << 1;
    QTest::newRow("secure never follows to plain http")
        << QStringLiteral("https") << 302 << true << QStringLiteral("*") << 1;
}

void TestPostForm::handlesRedirects()
{
    QFETCH(QString, scheme);
    QFETCH(int, status);
    QFETCH(bool, toPlainHttp);
    QFETCH(QString, error);
    QFETCH(int, requests);

    TestHttpServer server;
    const QByteArray location =
        toPlainHttp ? server.url(QStringLiteral("http"), QStringLiteral("/elsewhere")).toLatin1()
                    : "/elsewhere";
    server.setAnswer(TestHttpAnswer::redirect(status, location), CheckPath.toLatin1());
    server.setAnswer(TestHttpAnswer::text("moved here"), "/elsewhere");
    const Result result = post(server.url(scheme, CheckPath));
    if (error == QLatin1String("*"))
        QVERIFY2(result.failed && !result.error.isEmpty(), qPrintable(result.answer));
    else
        QCOMPARE(result.error, error);
    if (error.isEmpty())
        QCOMPARE(result.answer, QStringLiteral("moved here"));
    QCOMPARE(server.requestCount(), requests);
    // A redirect that keeps the method posts the same body again.
    if (status == 307 && requests == 2)
        QCOMPARE(server.requests().constLast().body, QByteArray("a=1"));
}

void TestPostForm::decodesByCharset_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("answer");

    const QByteArray cp1252("\x80 na\xefve caf\xe9");
    const QString cp1252Text = QStringLiteral("\u20ac na\u00efve caf\u00e9");
    const QByteArray utf8("caf\xc3\xa9");
    QTest::newRow("secure windows-1252")
        << QStringLiteral("https") << QByteArray("text/html; charset=windows-1252") << cp1252 << cp1252Text;
    QTest::newRow("plain windows-1252")
        << QStringLiteral("http") << QByteArray("text/html; charset=windows-1252") << cp1252 << cp1252Text;
    QTest::newRow("secure text without charset: UTF-8")
        << QStringLiteral("https") << QByteArray("text/plain") << utf8 << QStringLiteral("caf\u00e9");
    QTest::newRow("plain text without charset: ISO-8859-1")
        << QStringLiteral("http") << QByteArray("text/plain") << utf8 << QStringLiteral("caf\u00c3\u00a9");
    QTest::newRow("plain xml text without charset: us-ascii")
        << QStringLiteral("http") << QByteArray("text/xml") << QByteArray("<a>\xe9</a>")
        << QStringLiteral("<a>\ufffd</a>");
    QTest::newRow("plain without Content-Type: byte for byte")
        << QStringLiteral("http") << QByteArray() << QByteArray("\x80") << QStringLiteral("\u0080");
}

void TestPostForm::decodesByCharset()
{
    QFETCH(QString, scheme);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(QString, answer);

    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::text(body, contentType));
    const Result result = post(server.url(scheme, CheckPath));
    QVERIFY2(!result.failed, qPrintable(result.error));
    QCOMPARE(result.answer, answer);
}

void TestPostForm::timesOutOnSilentServer_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("beforeHandshake"); // accepts the connection, reads nothing

    QTest::newRow("secure, request never answered") << QStringLiteral("https") << false;
    QTest::newRow("plain, request never answered") << QStringLiteral("http") << false;
    QTest::newRow("secure, no handshake") << QStringLiteral("https") << true;
    QTest::newRow("plain, nothing read") << QStringLiteral("http") << true;
}

void TestPostForm::timesOutOnSilentServer()
{
    QFETCH(QString, scheme);
    QFETCH(bool, beforeHandshake);

    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::stall());
    server.setSilent(beforeHandshake);
    constexpr int timeoutMs = 1000;
    QElapsedTimer clock;
    clock.start();
    const Result result = post(server.url(scheme, CheckPath), {QStringLiteral("a=1")}, timeoutMs);
    const qint64 elapsed = clock.elapsed();
    qInfo("%s: gave up after %lld ms (timeout %d ms)", QTest::currentDataTag(), elapsed, timeoutMs);

    QVERIFY(result.failed);
    QVERIFY2(result.error.contains(QLatin1String("timed out")), qPrintable(result.error));
    QCOMPARE(server.connectionCount(), 1);
    QCOMPARE(server.requestCount(), beforeHandshake ? 0 : 1);
    QVERIFY2(elapsed >= timeoutMs - 50, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 4 * timeoutMs, qPrintable(QString::number(elapsed)));
}

void TestPostForm::boundsEachWaitAndTheWholeCall_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pieceDelayMs");
    QTest::addColumn<bool>("answered");
    for (const QString &scheme : {QStringLiteral("https"), QStringLiteral("http")}) {
        // Five pieces 250 ms apart: longer than the timeout, but no single wait is, and the
        // whole stays within twice the timeout.
        QTest::addRow("%s: slow pieces", qPrintable(scheme)) << scheme << 6 << 250 << true;
        // One byte every 300 ms: every wait is short, but the whole answer would take 8 s.
        QTest::addRow("%s: drip-fed", qPrintable(scheme)) << scheme << 1 << 300 << false;
    }
}

void TestPostForm::boundsEachWaitAndTheWholeCall()
{
    QFETCH(QString, scheme);
    QFETCH(int, pieceSize);
    QFETCH(int, pieceDelayMs);
    QFETCH(bool, answered);

    TestHttpServer server;
    TestHttpAnswer answer = TestHttpAnswer::text("one two three four five six", "text/plain");
    answer.pieceSize = pieceSize;
    answer.pieceDelayMs = pieceDelayMs;
    server.setAnswer(answer);
    constexpr int timeoutMs = 1000;
    QElapsedTimer clock;
    clock.start();
    const Result result = post(server.url(scheme, CheckPath), {QStringLiteral("a=1")}, timeoutMs);
    const qint64 elapsed = clock.elapsed();
    qInfo("%s: ended after %lld ms (timeout %d ms)", QTest::currentDataTag(), elapsed, timeoutMs);
    if (answered) {
        QVERIFY2(!result.failed, qPrintable(result.error));
        QCOMPARE(result.answer, QStringLiteral("one two three four five six"));
        QVERIFY(elapsed > timeoutMs);
    } else {
        // Given up at twice the timeout, as a timeout does.
        QVERIFY(result.failed);
        QVERIFY2(result.error.contains(QLatin1String("timed out")), qPrintable(result.error));
        QVERIFY2(elapsed >= 2 * timeoutMs - 50 && elapsed < 2 * timeoutMs + 500,
                 qPrintable(QString::number(elapsed)));
    }
}

void TestPostForm::answerSeenLateIsStillAnAnswer_data()
{
    bothPaths();
}

void TestPostForm::answerSeenLateIsStillAnAnswer()
{
    QFETCH(QString, scheme);

    // A modal box opens on this thread while the call waits, and stays open longer than the
    // timeout; the answer comes in meanwhile.
    TestHttpServer server;
    TestHttpAnswer answer = TestHttpAnswer::text("OK");
    answer.delayMs = 200;
    server.setAnswer(answer);
    QTimer::singleShot(50, [] {
        QEventLoop box;
        QTimer::singleShot(1500, &box, &QEventLoop::quit);
        box.exec();
    });
    const Result result = post(server.url(scheme, CheckPath), {QStringLiteral("a=1")}, 1000);
    QVERIFY2(!result.failed, qPrintable(result.error));
    QCOMPARE(result.answer, QStringLiteral("OK"));
    QCOMPARE(server.requestCount(), 1);
}

void TestPostForm::sendsOncePerCall_data()
{
    bothPaths();
}

void TestPostForm::sendsOncePerCall()
{
    QFETCH(QString, scheme);

    // The server reads the request and closes without a word: the post is not sent again, and
    // the failure reads like the other broken connections.
    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::close());
    const Result result = post(server.url(scheme, CheckPath));
    QVERIFY(result.failed);
    QCOMPARE(result.error, QStringLiteral("Connection closed"));
    QTest::qWait(300);
    QCOMPARE(server.requestCount(), 1);
}

void TestPostForm::refusesCertificates_data()
{
    QTest::addColumn<int>("certificate");
    QTest::addColumn<QString>("scheme");

    QTest::newRow("self-signed") << int(TestHttpServer::Certificate::Untrusted) << QStringLiteral("https");
    QTest::newRow("for another host")
        << int(TestHttpServer::Certificate::WrongName) << QStringLiteral("https");
    QTest::newRow("self-signed, TLS on the plain path")
        << int(TestHttpServer::Certificate::Untrusted) << QStringLiteral("HTTPS");
}

void TestPostForm::refusesCertificates()
{
    QFETCH(int, certificate);
    QFETCH(QString, scheme);

    TestHttpServer server(TestHttpServer::Mode::Tls, TestHttpServer::Certificate(certificate));
    server.setAnswer(TestHttpAnswer::text("OK"));
    const Result result = post(server.url(scheme, CheckPath));
    QVERIFY(result.failed);
    QVERIFY2(result.error.contains(QLatin1String("SSL"), Qt::CaseInsensitive), qPrintable(result.error));
    QCOMPARE(server.requestCount(), 0);
}

void TestPostForm::limitsAnswerSize_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("refused");

    for (const QString &scheme : {QStringLiteral("https"), QStringLiteral("http")}) {
        QTest::addRow("%s: exactly 1 MiB", qPrintable(scheme)) << scheme << QStringLiteral("exact") << false;
        QTest::addRow("%s: 1 MiB and a byte, announced", qPrintable(scheme))
            << scheme << QStringLiteral("announced") << true;
        QTest::addRow("%s: 1 MiB and a byte, unannounced", qPrintable(scheme))
            << scheme << QStringLiteral("unannounced") << true;
        QTest::addRow("%s: endless stream", qPrintable(scheme)) << scheme << QStringLiteral("stream") << true;
    }
}

void TestPostForm::limitsAnswerSize()
{
    QFETCH(QString, scheme);
    QFETCH(QString, kind);
    QFETCH(bool, refused);

    constexpr qint64 MiB = 1024 * 1024;
    TestHttpServer server;
    TestHttpAnswer answer;
    if (kind == QLatin1String("exact")) {
        answer = TestHttpAnswer::text(QByteArray(MiB, 'a'), "text/plain");
    } else if (kind == QLatin1String("announced")) {
        answer = TestHttpAnswer::text(QByteArray(MiB + 1, 'a'), "text/plain");
    } else if (kind == QLatin1String("unannounced")) {
        answer = TestHttpAnswer::text(QByteArray(MiB + 1, 'a'), "text/plain");
        answer.contentLength = false;
    } else {
        answer = TestHttpAnswer::stream(64 * MiB);
    }
    server.setAnswer(answer);
    const Result result = post(server.url(scheme, CheckPath));
    QCOMPARE(result.failed, refused);
    if (refused)
        QVERIFY2(result.error.contains(QLatin1String("1 MiB")), qPrintable(result.error));
    else
        QCOMPARE(result.answer.size(), MiB);
}

void TestPostForm::failsOnBrokenConnections_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("kind");

    for (const QString &scheme : {QStringLiteral("https"), QStringLiteral("http")}) {
        QTest::addRow("%s: refused", qPrintable(scheme)) << scheme << QStringLiteral("refused");
        QTest::addRow("%s: closed without answer", qPrintable(scheme)) << scheme << QStringLiteral("close");
        QTest::addRow("%s: closed in the body", qPrintable(scheme)) << scheme << QStringLiteral("truncated");
        QTest::addRow("%s: closed in the body of a 500", qPrintable(scheme))
            << scheme << QStringLiteral("truncated500");
    }
}

void TestPostForm::failsOnBrokenConnections()
{
    QFETCH(QString, scheme);
    QFETCH(QString, kind);

    TestHttpServer server;
    QString address = server.url(scheme, CheckPath);
    if (kind == QLatin1String("refused")) {
        QTcpServer probe; // a port that was free a moment ago and is closed again
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        address = scheme + QStringLiteral("://127.0.0.1:") + QString::number(probe.serverPort()) + CheckPath;
        probe.close();
    } else if (kind == QLatin1String("close")) {
        server.setAnswer(TestHttpAnswer::close());
    } else {
        TestHttpAnswer answer = TestHttpAnswer::truncated(QByteArray(4000, 'z'));
        if (kind == QLatin1String("truncated500"))
            answer.status = 500;
        server.setAnswer(answer);
    }
    const Result result = post(address);
    QVERIFY2(result.failed, qPrintable(result.answer.left(40)));
    QVERIFY(!result.error.isEmpty());
}

void TestPostForm::rejectsInvalidAddress()
{
    const QStringList addresses{QString(), QStringLiteral("https://"),
                                QStringLiteral("http:///php/check2.php"),
                                QStringLiteral("no address at all")};
    for (const QString &address : addresses) {
        const Result result = post(address);
        QVERIFY2(result.failed, qPrintable(address));
        QVERIFY(!result.error.isEmpty());
    }
}

void TestPostForm::servesThreadsAtOnce()
{
    // Calls from several threads at the same time (the worker's and the window's) share nothing:
    // the server holds every answer back long enough to see all requests arrive together.
    TestHttpServer server;
    const QStringList schemes{QStringLiteral("https"), QStringLiteral("http"), QStringLiteral("https"),
                              QStringLiteral("http")};
    for (int i = 0; i < schemes.size(); ++i) {
        TestHttpAnswer answer = TestHttpAnswer::text("answer " + QByteArray::number(i));
        answer.delayMs = 1500;
        server.setAnswer(answer, "/path" + QByteArray::number(i));
    }
    QList<Result> results(schemes.size());
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < schemes.size(); ++i) {
        const QString address = server.url(schemes.at(i), QStringLiteral("/path") + QString::number(i));
        threads.emplace_back(QThread::create([&results, i, address] {
            results[i] = post(address, {QStringLiteral("n=") + QString::number(i)});
        }));
    }
    for (auto &thread : threads)
        thread->start();
    QVERIFY(server.waitForRequests(int(schemes.size()), 1200));
    for (auto &thread : threads)
        QVERIFY(thread->wait(10000));
    for (int i = 0; i < schemes.size(); ++i) {
        QVERIFY2(!results.at(i).failed, qPrintable(results.at(i).error));
        QCOMPARE(results.at(i).answer, QStringLiteral("answer ") + QString::number(i));
    }
    QCOMPARE(server.requestCount(), int(schemes.size()));
}

void TestPostForm::choosesProxies_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("direct");

    QTest::newRow("loopback address") << QStringLiteral("127.0.0.1") << true;
    QTest::newRow("other loopback address") << QStringLiteral("127.1.2.3") << true;
    QTest::newRow("IPv6 loopback") << QStringLiteral("::1") << true;
    QTest::newRow("localhost") << QStringLiteral("LocalHost") << true;
    QTest::newRow("maker's host") << QStringLiteral("www.palvex.com") << false;
    QTest::newRow("private address") << QStringLiteral("192.168.1.1") << false;
}

void TestPostForm::choosesProxies()
{
    QFETCH(QString, host);
    QFETCH(bool, direct);

    // Only looked up, never contacted.
    ScopedEnvironment environment;
    environment.set("https_proxy", "http://127.0.0.1:9");
    environment.set("no_proxy", "");
    QUrl url(QStringLiteral("https://example/php/check2.php"));
    url.setHost(host);
    const QList<QNetworkProxy> proxies = secureProxiesFor(QNetworkProxyQuery(url));
    QVERIFY(!proxies.isEmpty());
    if (direct) {
        QCOMPARE(proxies.size(), 1);
        QCOMPARE(proxies.constFirst().type(), QNetworkProxy::NoProxy);
    } else {
        QCOMPARE(proxies.constFirst().type(), QNetworkProxy::HttpProxy);
        QCOMPARE(proxies.constFirst().hostName(), QStringLiteral("127.0.0.1"));
        QCOMPARE(proxies.constFirst().port(), quint16(9));
    }
}

void TestPostForm::reachesLoopbackDespiteProxySettings()
{
    // A proxy named in the environment is never asked for loopback addresses, on either path.
    TestHttpServer proxy(TestHttpServer::Mode::Plain);
    proxy.setAnswer(TestHttpAnswer::withStatus(502, "Bad Gateway", "from the proxy"));
    TestHttpServer server;
    server.setAnswer(TestHttpAnswer::text("direct"));

    const QByteArray proxyAddress = "http://" + proxy.hostAndPort().toLatin1();
    ScopedEnvironment environment;
    for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"})
        environment.set(name, proxyAddress);
    environment.set("no_proxy", "");

    for (const QString &scheme : {QStringLiteral("https"), QStringLiteral("http")}) {
        const Result result = post(server.url(scheme, CheckPath));
        QVERIFY2(!result.failed, qPrintable(result.error));
        QCOMPARE(result.answer, QStringLiteral("direct"));
    }
    QCOMPARE(server.requestCount(), 2);
    QCOMPARE(proxy.connectionCount(), 0);
}

QTEST_GUILESS_MAIN(TestPostForm)
#include "tst_postform.moc"
