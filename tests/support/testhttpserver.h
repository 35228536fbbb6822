#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSslCertificate>
#include <QString>

#include <memory>

// A loopback HTTP and HTTPS server for tests. It lives in a thread of its own with its own event
// loop, so it answers while the test's thread (or a worker thread) blocks inside PostForm.
//
//   TestHttpServer server;                        // one port on 127.0.0.1, TLS and plain HTTP alike
//   TestHttpServer::trustTestAuthority();         // once per process: the client trusts the test CA
//   setMakerHostForTesting(server.hostAndPort()); // "127.0.0.1:<port>"
//   server.setAnswer(TestHttpAnswer::text("OK"), "/php/feedback.php");
//   server.enqueue(TestHttpAnswer::close(), "/php/check2.php", TestHttpServer::Over::Tls); // once
//   ... PostForm(...) ...
//   server.requests(); // what it got: transport, request line, headers, body
//
// Which answer a request gets: the first queued answer that fits its path and transport (taken
// off the queue), else the standing answer that fits (path and transport given beat "any"),
// else 404 "Not Found". A path argument is the request target without its query; an empty path
// fits every request.
struct TestHttpAnswer
{
    enum class Action
    {
        Reply,    // status line, headers, body; then the server closes the connection
        Stall,    // read the request and never answer (the connection stays open)
        Close,    // read the request and close the connection without a word
        Truncate, // announce the whole body's length, send half of it, close
        Stream,   // no Content-Length: send streamBytes bytes of "x", then close
    };

    Action action = Action::Reply;
    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers; // sent as given, in this order
    QByteArray body;
    bool contentLength = true; // add "Content-Length" (unless headers already have one)
    int delayMs = 0;           // wait this long before answering
    int pieceSize = 0;         // with pieceDelayMs: send the body in pieces of this many bytes...
    int pieceDelayMs = 0;      // ...with this pause before each piece
    qint64 streamBytes = 0;

    TestHttpAnswer &header(const QByteArray &name, const QByteArray &value);

    // 200 with a body and, when given, a Content-Type.
    static TestHttpAnswer text(const QByteArray &body,
                               const QByteArray &contentType = "text/plain; charset=utf-8");
    static TestHttpAnswer withStatus(int status, const QByteArray &reason, const QByteArray &body,
                                     const QByteArray &contentType = "text/plain");
    static TestHttpAnswer redirect(int status, const QByteArray &location);
    static TestHttpAnswer stall();
    static TestHttpAnswer close();
    static TestHttpAnswer truncated(const QByteArray &body);
    static TestHttpAnswer stream(qint64 bytes, const QByteArray &contentType = "text/plain");
};

struct TestHttpRequest
{
    bool tls = false;
    QByteArray requestLine; // "POST /php/check2.php HTTP/1.1"
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers; // as received, in order
    QByteArray body;

    // First value of the header, name compared case-insensitively; empty when absent.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    QByteArray path() const; // target without query
};

class TestHttpServer final
{
public:
    enum class Mode
    {
        Both,  // one port: a first byte 0x16 (TLS handshake) starts TLS, anything else is plain HTTP
        Tls,   // TLS only
        Plain, // plain HTTP only
    };
    enum class Over
    {
        Any,
        Tls,
        Plain,
    };
    enum class Certificate
    {
        Trusted,   // from the test authority, for 127.0.0.1 and localhost
        WrongName, // from the test authority, for another host name
        Untrusted, // self-signed, for 127.0.0.1 and localhost
    };

    explicit TestHttpServer(Mode mode = Mode::Both, Certificate certificate = Certificate::Trusted);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    quint16 port() const;
    QString hostAndPort() const;                                   // "127.0.0.1:<port>"
    QString url(const QString &scheme, const QString &path) const; // scheme + "://127.0.0.1:<port>" + path

    void setAnswer(const TestHttpAnswer &answer, const QByteArray &path = {}, Over over = Over::Any);
    void enqueue(const TestHttpAnswer &answer, const QByteArray &path = {}, Over over = Over::Any);

    // While silent, accepted connections are left alone: no TLS handshake, nothing read.
    void setSilent(bool silent);

    QList<TestHttpRequest> requests() const;
    int requestCount() const;
    int connectionCount() const; // connections accepted so far
    // Waits (without an event loop of the caller's) until `count` requests have come in.
    bool waitForRequests(int count, int timeoutMs = 5000) const;
    void clearRequests();

    // The test authority and the call that makes the client trust it (verification stays on).
    static QList<QSslCertificate> testAuthority();
    static void trustTestAuthority();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    class Thread;
    std::unique_ptr<Thread> m_thread;
};
