#include "postform.h"

#include "answerdecoding.h"
#include "formencoding.h"
#include "platform/errors.h"
#include "transportsettings.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

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

struct Outcome
{
    QByteArray body;
    bool timedOut = false;
    bool tooLarge = false;
};

// Runs one request to its end in a local event loop. The timer bounds connecting (up to the
// request being sent) and then each wait for reply data.
Outcome runRequest(QNetworkReply *reply, int timeoutMs)
{
    Outcome outcome;
    QEventLoop loop;
    QTimer idle;
    idle.setTimerType(Qt::PreciseTimer);
    idle.setSingleShot(true);
    idle.setInterval(timeoutMs);

    const auto stillAlive = [&] { idle.start(); };
    const auto giveUp = [&](bool &reason) {
        reason = true;
        idle.stop();
        reply->abort();
    };

    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { giveUp(outcome.timedOut); });
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

    idle.start();
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    idle.stop();
    if (!outcome.timedOut && !outcome.tooLarge && reply->bytesAvailable() > 0) {
        outcome.body += reply->read(MaxAnswerBytes + 1 - outcome.body.size());
        outcome.tooLarge = outcome.body.size() > MaxAnswerBytes;
    }
    return outcome;
}

} // namespace

QString PostForm(const QString &address, const FormFields &fields, int timeoutMs)
{
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

    const std::unique_ptr<QNetworkReply> reply(manager.post(request, encodeFormFields(fields)));
    const Outcome outcome = runRequest(reply.get(), timeoutMs);

    if (outcome.tooLarge)
        throw NetworkError(QStringLiteral("The answer of %1 is larger than 1 MiB.").arg(url.host()));
    if (outcome.timedOut)
        throw NetworkError(QStringLiteral("The operation timed out: %1 gave no answer within %2 ms.")
                               .arg(url.host())
                               .arg(timeoutMs));

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
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
