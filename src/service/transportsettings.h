#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>

// Adds authorities whose certificates the service client accepts besides the system's. Tests
// only: their loopback servers carry certificates from a test authority. Verification of the
// peer and of its host name stays on.
void addTrustedCertificatesForTesting(const QList<QSslCertificate> &certificates);

// The TLS settings of every form post: the system's defaults plus the authorities added above.
QSslConfiguration serviceSslConfiguration();

// The secure path's proxies: the user's system settings (http_proxy, https_proxy, no_proxy, ...),
// except for loopback hosts, which are always reached directly: Qt's own lookup would send even
// 127.0.0.1 through a configured proxy, which cannot reach this machine's servers.
QList<QNetworkProxy> secureProxiesFor(const QNetworkProxyQuery &query);
