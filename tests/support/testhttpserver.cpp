#include "testhttpserver.h"

#include "service/transportsettings.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSocketNotifier>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

QByteArray readCertFile(const QString &name)
{
    QFile file(QStringLiteral(THERMIRA_TEST_CERT_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read test certificate file " + file.fileName().toStdString());
    return file.readAll();
}

struct Rule
{
    TestHttpAnswer answer;
    QByteArray path;
    TestHttpServer::Over over;

    bool fits(const QByteArray &requestPath, bool tls) const
    {
        const bool pathFits = path.isEmpty() || path == requestPath;
        const bool overFits = over == TestHttpServer::Over::Any || (over == TestHttpServer::Over::Tls) == tls;
        return pathFits && overFits;
    }
    int specificity() const { return (path.isEmpty() ? 0 : 2) + (over == TestHttpServer::Over::Any ? 0 : 1); }
};

} // namespace

struct TestHttpServer::Shared
{
    mutable QMutex mutex;
    mutable QWaitCondition changed;
    Mode mode = Mode::Both;
    QSslCertificate certificate;
    QSslKey key;
    quint16 port = 0;
    bool listening = false;
    bool ready = false;
    bool silent = false;
    int connections = 0;
    QList<Rule> queued;
    QList<Rule> standing;
    QList<TestHttpRequest> requests;

    TestHttpAnswer take(const QByteArray &path, bool tls)
    {
        QMutexLocker lock(&mutex);
        for (qsizetype i = 0; i < queued.size(); ++i) {
            if (queued.at(i).fits(path, tls))
                return queued.takeAt(i).answer;
        }
        const Rule *best = nullptr;
        for (const Rule &rule : std::as_const(standing)) {
            if (rule.fits(path, tls) && (!best || rule.specificity() >= best->specificity()))
                best = &rule;
        }
        if (best)
            return best->answer;
        return TestHttpAnswer::withStatus(404, "Not Found", "no answer set for this path");
    }
};

namespace {

// One accepted connection: reads one request, records it and acts out the answer.
class Connection final : public QObject
{
public:
    Connection(QAbstractSocket *socket, bool tls, std::shared_ptr<TestHttpServer::Shared> shared,
               QObject *parent)
        : QObject(parent), m_socket(socket), m_tls(tls), m_shared(std::move(shared))
    {
        m_socket->setParent(this);
        connect(m_socket, &QIODevice::readyRead, this, &Connection::onReadyRead);
        connect(m_socket, &QAbstractSocket::disconnected, this, &QObject::deleteLater);
        connect(m_socket, &QAbstractSocket::errorOccurred, this, &Connection::onError);
        connect(&m_pump, &QTimer::timeout, this, &Connection::pump);
    }

private:
    void onError(QAbstractSocket::SocketError error)
    {
        if (error != QAbstractSocket::RemoteHostClosedError ||
            m_socket->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    }

    void onReadyRead()
    {
        m_buffer += m_socket->readAll();
        if (m_answered)
            return;
        const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        TestHttpRequest request;
        request.tls = m_tls;
        const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
        request.requestLine = lines.value(0).trimmed();
        const QList<QByteArray> parts = request.requestLine.split(' ');
        request.method = parts.value(0);
        request.target = parts.value(1);
        request.version = parts.value(2);
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).endsWith('\r') ? lines.at(i).chopped(1) : lines.at(i);
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon);
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                contentLength = value.toLongLong();
        }
        if (m_buffer.size() < headEnd + 4 + contentLength)
            return;
        request.body = m_buffer.mid(headEnd + 4, contentLength);
        m_answered = true;

        m_answer = m_shared->take(request.path(), m_tls);
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->requests.append(request);
            m_shared->changed.wakeAll();
        }
        if (m_answer.delayMs > 0)
            QTimer::singleShot(m_answer.delayMs, this, &Connection::act);
        else
            act();
    }

    QByteArray head(bool withLength, qint64 length) const
    {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(m_answer.status);
        if (!m_answer.reason.isEmpty())
            out += ' ' + m_answer.reason;
        out += "\r\n";
        bool hasLength = false;
        for (const auto &[name, value] : m_answer.headers) {
            out += name + ": " + value + "\r\n";
            hasLength = hasLength || name.compare("Content-Length", Qt::CaseInsensitive) == 0;
        }
        if (withLength && !hasLength)
            out += "Content-Length: " + QByteArray::number(length) + "\r\n";
        out += "Connection: close\r\n\r\n";
        return out;
    }

    void act()
    {
        using Action = TestHttpAnswer::Action;
        switch (m_answer.action) {
        case Action::Stall:
            return;
        case Action::Close:
            m_socket->disconnectFromHost();
            return;
        case Action::Truncate:
            m_socket->write(head(true, m_answer.body.size()));
            m_socket->write(m_answer.body.left(m_answer.body.size() / 2));
            m_socket->disconnectFromHost();
            return;
        case Action::Stream:
            m_socket->write(head(false, 0));
            m_remaining = m_answer.streamBytes;
            m_pump.start(2);
            return;
        case Action::Reply:
            m_socket->write(head(m_answer.contentLength, m_answer.body.size()));
            if (m_answer.pieceSize > 0 && m_answer.pieceDelayMs > 0) {
                m_pending = m_answer.body;
                m_pump.start(m_answer.pieceDelayMs);
                return;
            }
            m_socket->write(m_answer.body);
            m_socket->disconnectFromHost();
            return;
        }
    }

    // Feeds streamed or paced bodies a piece at a time, so a client that gives up stops them.
    void pump()
    {
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            m_pump.stop();
            return;
        }
        if (m_answer.action == TestHttpAnswer::Action::Stream) {
            constexpr qint64 piece = 64 * 1024;
            while (m_remaining > 0 && m_socket->bytesToWrite() < 4 * piece) {
                const qint64 n = qMin(piece, m_remaining);
                m_socket->write(QByteArray(n, 'x'));
                m_remaining -= n;
            }
            if (m_remaining > 0)
                return;
        } else {
            m_socket->write(m_pending.left(m_answer.pieceSize));
            m_pending.remove(0, m_answer.pieceSize);
            if (!m_pending.isEmpty())
                return;
        }
        m_pump.stop();
        m_socket->disconnectFromHost();
    }

    QAbstractSocket *m_socket;
    bool m_tls;
    std::shared_ptr<TestHttpServer::Shared> m_shared;
    QByteArray m_buffer;
    bool m_answered = false;
    TestHttpAnswer m_answer;
    QTimer m_pump;
    QByteArray m_pending;
    qint64 m_remaining = 0;
};

class Listener final : public QTcpServer
{
public:
    explicit Listener(std::shared_ptr<TestHttpServer::Shared> shared) : m_shared(std::move(shared)) {}
    ~Listener() override
    {
        for (const qintptr fd : std::as_const(m_silent))
            ::close(int(fd));
        for (const qintptr fd : std::as_const(m_undecided))
            ::close(int(fd));
    }

protected:
    void incomingConnection(qintptr fd) override
    {
        bool silent;
        TestHttpServer::Mode mode;
        {
            QMutexLocker lock(&m_shared->mutex);
            ++m_shared->connections;
            silent = m_shared->silent;
            mode = m_shared->mode;
        }
        if (silent) {
            m_silent.append(fd);
            return;
        }
        switch (mode) {
        case TestHttpServer::Mode::Tls:
            startSocket(fd, true);
            return;
        case TestHttpServer::Mode::Plain:
            startSocket(fd, false);
            return;
        case TestHttpServer::Mode::Both:
            break;
        }
        // Look at the first byte without taking it: a TLS client opens with a handshake record.
        m_undecided.append(fd);
        auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, fd] {
            char first = 0;
            const ssize_t got = ::recv(int(fd), &first, 1, MSG_PEEK | MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                return;
            notifier->setEnabled(false);
            notifier->deleteLater();
            m_undecided.removeOne(fd);
            if (got <= 0) {
                ::close(int(fd));
                return;
            }
            startSocket(fd, first == 0x16);
        });
    }

private:
    void startSocket(qintptr fd, bool tls)
    {
        if (!tls) {
            auto *socket = new QTcpSocket;
            socket->setSocketDescriptor(fd);
            new Connection(socket, false, m_shared, this);
            return;
        }
        auto *socket = new QSslSocket;
        socket->setSocketDescriptor(fd);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_shared->certificate);
        config.setPrivateKey(m_shared->key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->setSslConfiguration(config);
        new Connection(socket, true, m_shared, this);
        socket->startServerEncryption();
    }

    std::shared_ptr<TestHttpServer::Shared> m_shared;
    QList<qintptr> m_silent;
    QList<qintptr> m_undecided; // waiting for their first byte
};

} // namespace

class TestHttpServer::Thread final : public QThread
{
public:
    explicit Thread(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

protected:
    void run() override
    {
        Listener listener(m_shared);
        const bool ok = listener.listen(QHostAddress::LocalHost, 0);
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->listening = ok;
            m_shared->port = listener.serverPort();
            m_shared->ready = true;
            m_shared->changed.wakeAll();
        }
        if (ok)
            exec();
        // Connections are children of the listener and go with it, closing their sockets.
    }

private:
    std::shared_ptr<Shared> m_shared;
};

TestHttpAnswer &TestHttpAnswer::header(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
    return *this;
}

TestHttpAnswer TestHttpAnswer::text(const QByteArray &body, const QByteArray &contentType)
{
    return withStatus(200, "OK", body, contentType);
}

TestHttpAnswer TestHttpAnswer::withStatus(int status, const QByteArray &reason, const QByteArray &body,
                                          const QByteArray &contentType)
{
    TestHttpAnswer answer;
    answer.status = status;
    answer.reason = reason;
    answer.body = body;
    if (!contentType.isEmpty())
        answer.header("Content-Type", contentType);
    return answer;
}

TestHttpAnswer TestHttpAnswer::redirect(int status, const QByteArray &location)
{
    TestHttpAnswer answer =
        withStatus(status, status == 301 ? "Moved Permanently" : "Found", "moved", "text/plain");
    answer.header("Location", location);
    return answer;
}

TestHttpAnswer TestHttpAnswer::stall()
{
    TestHttpAnswer answer;
    answer.action = Action::Stall;
    return answer;
}

TestHttpAnswer TestHttpAnswer::close()
{
    TestHttpAnswer answer;
    answer.action = Action::Close;
    return answer;
}

TestHttpAnswer TestHttpAnswer::truncated(const QByteArray &body)
{
    TestHttpAnswer answer = text(body, "text/plain");
    answer.action = Action::Truncate;
    return answer;
}

TestHttpAnswer TestHttpAnswer::stream(qint64 bytes, const QByteArray &contentType)
{
    TestHttpAnswer answer = text({}, contentType);
    answer.action = Action::Stream;
    answer.streamBytes = bytes;
    return answer;
}

QByteArray TestHttpRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool TestHttpRequest::hasHeader(const QByteArray &name) const
{
    for (const auto &entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QByteArray TestHttpRequest::path() const
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

TestHttpServer::TestHttpServer(Mode mode, Certificate certificate) : m_shared(std::make_shared<Shared>())
{
    m_shared->mode = mode;
    const QString base = certificate == Certificate::Trusted     ? QStringLiteral("testserver")
                         : certificate == Certificate::WrongName ? QStringLiteral("wrongname")
                                                                 : QStringLiteral("untrusted");
    m_shared->certificate = QSslCertificate(readCertFile(base + QStringLiteral(".crt")), QSsl::Pem);
    m_shared->key = QSslKey(readCertFile(base + QStringLiteral(".key")), QSsl::Rsa, QSsl::Pem);
    if (m_shared->certificate.isNull() || m_shared->key.isNull())
        throw std::runtime_error("the test certificate or key does not load");

    m_thread = std::make_unique<Thread>(m_shared);
    m_thread->start();
    QMutexLocker lock(&m_shared->mutex);
    while (!m_shared->ready)
        m_shared->changed.wait(&m_shared->mutex);
    if (!m_shared->listening)
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
}

TestHttpServer::~TestHttpServer()
{
    m_thread->quit();
    m_thread->wait();
}

quint16 TestHttpServer::port() const
{
    return m_shared->port;
}

QString TestHttpServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:") + QString::number(m_shared->port);
}

QString TestHttpServer::url(const QString &scheme, const QString &path) const
{
    return scheme + QStringLiteral("://") + hostAndPort() + path;
}

void TestHttpServer::setAnswer(const TestHttpAnswer &answer, const QByteArray &path, Over over)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->standing.removeIf([&](const Rule &rule) { return rule.path == path && rule.over == over; });
    m_shared->standing.append({answer, path, over});
}

void TestHttpServer::enqueue(const TestHttpAnswer &answer, const QByteArray &path, Over over)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->queued.append({answer, path, over});
}

void TestHttpServer::setSilent(bool silent)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->silent = silent;
}

QList<TestHttpRequest> TestHttpServer::requests() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests;
}

int TestHttpServer::requestCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return int(m_shared->requests.size());
}

int TestHttpServer::connectionCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->connections;
}

bool TestHttpServer::waitForRequests(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_shared->mutex);
    while (m_shared->requests.size() < count) {
        if (!m_shared->changed.wait(&m_shared->mutex, deadline))
            return m_shared->requests.size() >= count;
    }
    return true;
}

void TestHttpServer::clearRequests()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->requests.clear();
}

QList<QSslCertificate> TestHttpServer::testAuthority()
{
    return QSslCertificate::fromData(readCertFile(QStringLiteral("testca.crt")), QSsl::Pem);
}

void TestHttpServer::trustTestAuthority()
{
    addTrustedCertificatesForTesting(testAuthority());
}
