#include "makersite.h"

namespace {

QString &hostOverride()
{
    static QString host;
    return host;
}

} // namespace

QString MakerHost()
{
    const QString &host = hostOverride();
    return host.isEmpty() ? QStringLiteral(THERMIRA_MAKER_HOST) : host;
}

void setMakerHostForTesting(const QString &host)
{
    hostOverride() = host;
}

QString CheckEndpoint()
{
    return MakerHost() + QStringLiteral("/php/check2.php");
}

QString FeedbackEndpoint()
{
    return MakerHost() + QStringLiteral("/php/feedback.php");
}

QString helpSlug(const QString &productName)
{
    QString slug = productName;
    for (QChar &c : slug) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
        else if (c == u' ')
            c = u'-';
    }
    return slug;
}

QString OnlineHelpAddress(const QString &productName)
{
    return QStringLiteral("http://") + MakerHost() + QStringLiteral("/help/") + helpSlug(productName) + u'/';
}

QString HomePageAddress()
{
    return QStringLiteral("http://") + MakerHost() + u'/';
}

QString BareHomePageAddress()
{
    return QStringLiteral("http://") + MakerHost();
}

QString AcknowledgementsAddress()
{
    return QStringLiteral("https://") + MakerHost() + QStringLiteral("/blog/credits-and-acknowledgements/");
}

QString UninstallAddress()
{
    return QStringLiteral("http://") + MakerHost() + QStringLiteral("/blog/how-to-uninstall-palvex-software/");
}
