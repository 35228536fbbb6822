#include "postform.h"

#include "answerdecoding.h"
#include "formencoding.h"
#include "platform/errors.h"
#include "transportsettings.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <memory>

namespace {

// A hostile or broken server must not be able to fill the memory with its answer.
constexpr qint64 MaxAnswerBytes = 1024 * 1024;

class SecureProxyFactory final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return secureProxiesFor(query);
    }
};

// The errors Qt derives from a reply's HTTP status; with a status at hand they are answers, not
// transport failures.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
}

// The request body, read once per answer. Qt's HTTP layer sends a request again on its own when
// a server closes the connection without a byte of answer; a body that cannot be rewound then
// makes it report ContentReSendError instead, so each call puts the post on the wire once. A
// server that has answered may redirect with the method kept (307, 308): Qt rewinds the body for
// the new address, which is allowed once for each answer.
class OncePerAnswerBody final : public QIODevice
{
public:
    explicit OncePerAnswerBody(QByteArray data) : m_data(std::move(data))
    {
        // Unbuffered: a rewind must not leave read-ahead bytes behind.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    void answerSeen() { ++m_answers; }

    bool isSequential() const override { return true; }
    bool reset() override
    {
        if (m_rewinds >= m_answers)
            return false;
        ++m_rewinds;
        m_pos = 0;
        return true;
    }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, m_data.size() - m_pos);
        std::memcpy(data, m_data.constData() + m_pos, size_t(count));
        m_pos += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
    int m_answers = 0;
    int m_rewinds = 0;
};

struct Outcome
{
    QByteArray body;
    bool timedOut = false; // a wait for the server ran out
    bool overran = false;  // the whole call ran out
    bool tooLarge = false;
};

// Runs one request to its end in a local event loop. One timer bounds connecting (up to the
// request being sent) and then each wait for reply data; another the whole call, so that a
// server sending a byte now and then cannot hold it. A reply that has finished is an answer,
// however late the loop gets to see it (a modal box may run its own loop meanwhile).
Outcome runRequest(QNetworkReply *reply, int timeoutMs, const QDeadlineTimer &wholeCall)
{
    Outcome outcome;
    QEventLoop loop;
    QTimer idle;
    idle.setTimerType(Qt::PreciseTimer);
    idle.setSingleShot(true);
    idle.setInterval(timeoutMs);
    QTimer whole;
    whole.setTimerType(Qt::PreciseTimer);
    whole.setSingleShot(true);

    const auto stillAlive = [&] {
        if (!reply->isFinished())
            idle.start();
    };
    const auto giveUp = [&](bool &reason) {
        if (reply->isFinished())
            return;
        reason = true;
        idle.stop();
        whole.stop();
        reply->abort();
    };

    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        idle.stop();
        whole.stop();
        loop.quit();
    });
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { giveUp(outcome.timedOut); });
    QObject::connect(&whole, &QTimer::timeout, &loop, [&] { giveUp(outcome.overran); });
    QObject::connect(reply, &QNetworkReply::encrypted, &loop, stillAlive);
    QObject::connect(reply, &QNetworkReply::requestSent, &loop, stillAlive);
    QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, stillAlive);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        stillAlive();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > MaxAnswerBytes)
            giveUp(outcome.tooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        stillAlive();
        outcome.body += reply->read(MaxAnswerBytes + 1 - outcome.body.size());
        if (outcome.body.size() > MaxAnswerBytes)
            giveUp(outcome.tooLarge);
    });

    if (!reply->isFinished()) {
        idle.start();
        whole.start(int(qMax<qint64>(0, wholeCall.remainingTime())));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    idle.stop();
    whole.stop();
    if (!outcome.timedOut && !outcome.overran && !outcome.tooLarge && reply->bytesAvailable() > 0) {
        outcome.body += reply->read(MaxAnswerBytes + 1 - outcome.body.size());
        outcome.tooLarge = outcome.body.size() > MaxAnswerBytes;
    }
    return outcome;
}

} // namespace

QString PostForm(const QString &address, const FormFields &fields, int timeoutMs)
{
    const QDeadlineTimer wholeCall(2 * qint64(timeoutMs), Qt::PreciseTimer);
    // Only the exact lower-case prefix takes the secure path; "HTTPS://" goes the plain way
    // (still over TLS, as the scheme asks, but with the plain client's rules).
    const bool secure = address.startsWith(QLatin1String("https://"));
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        throw NetworkError(QStringLiteral("Invalid address \"%1\".").arg(address));

    QNetworkAccessManager manager;
    if (secure)
        manager.setProxyFactory(new SecureProxyFactory);
    else
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      secure ? QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8")
                             : QByteArrayLiteral("application/x-www-form-urlencoded"));
    // No connection outlives the call.
    request.setRawHeader("Connection", "close");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         secure ? QNetworkRequest::NoLessSafeRedirectPolicy
                                : QNetworkRequest::ManualRedirectPolicy);
    request.setSslConfiguration(serviceSslConfiguration());

    // Streamed from a body that is not sent again unless the server asks for it.
    OncePerAnswerBody body(encodeFormFields(fields));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.bytesAvailable());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    const std::unique_ptr<QNetworkReply> reply(manager.post(request, &body));
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(),
                     [&body] { body.answerSeen(); });
    const Outcome outcome = runRequest(reply.get(), timeoutMs, wholeCall);

    if (outcome.tooLarge)
        throw NetworkError(QStringLiteral("The answer of %1 is larger than 1 MiB.").arg(url.host()));
    if (outcome.timedOut)
        throw NetworkError(QStringLiteral("The operation timed out: %1 gave no answer within %2 ms.")
                               .arg(url.host())
                               .arg(timeoutMs));
    if (outcome.overran)
        throw NetworkError(
            QStringLiteral("The operation timed out: %1 did not complete its answer within %2 ms.")
                .arg(url.host())
                .arg(2 * qint64(timeoutMs)));

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Qt asks to send the body again when the server closed the connection without an answer.
    if (error == QNetworkReply::ContentReSendError)
        throw NetworkError(QStringLiteral("Connection closed"));
    if (error != QNetworkReply::NoError && !(status.isValid() && isHttpStatusError(error)))
        throw NetworkError(reply->errorString());

    const QByteArray contentType = reply->rawHeader("Content-Type");
    if (secure)
        return decodeSecureAnswer(contentType, outcome.body);

    const int code = status.toInt();
    if (code < 200 || code > 299) {
        const QString reason =
            QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
        throw NetworkError(QStringLiteral("HTTP/1.1 %1 %2").arg(code).arg(reason).trimmed());
    }
    return decodePlainAnswer(contentType, outcome.body);
}
