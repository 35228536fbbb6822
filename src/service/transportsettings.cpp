#include "transportsettings.h"

#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex trustMutex;

QList<QSslCertificate> &addedAuthorities()
{
    static QList<QSslCertificate> certificates;
    return certificates;
}

bool isLoopbackHost(const QString &host)
{
    const QHostAddress address(host);
    if (!address.isNull())
        return address.isLoopback();
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive);
}

} // namespace

void addTrustedCertificatesForTesting(const QList<QSslCertificate> &certificates)
{
    QMutexLocker lock(&trustMutex);
    for (const QSslCertificate &certificate : certificates) {
        if (!addedAuthorities().contains(certificate))
            addedAuthorities().append(certificate);
    }
}

QSslConfiguration serviceSslConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    QMutexLocker lock(&trustMutex);
    if (!addedAuthorities().isEmpty())
        config.addCaCertificates(addedAuthorities());
    return config;
}

QList<QNetworkProxy> secureProxiesFor(const QNetworkProxyQuery &query)
{
    if (isLoopbackHost(query.peerHostName()))
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    return QNetworkProxyFactory::systemProxyForQuery(query);
}
