#include "answerdecoding.h"

#include <QList>
#include <QStringDecoder>

namespace {

bool isXmlText(const QByteArray &mediaType)
{
    return mediaType == "text/xml" || mediaType == "text/xml-external-parsed-entity" ||
           (mediaType.startsWith("text/") && mediaType.endsWith("+xml"));
}

} // namespace

ContentType parseContentType(const QByteArray &headerValue)
{
    ContentType result;
    const QList<QByteArray> parts = headerValue.split(';');
    result.mediaType = parts.value(0).trimmed().toLower();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts.at(i).trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2).trimmed();
        result.charset = value;
        break;
    }
    return result;
}

QString decodeSecureAnswer(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray charset = parseContentType(contentType).charset;
    if (!charset.isEmpty() && charset.compare("utf-8", Qt::CaseInsensitive) != 0) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

QString decodePlainAnswer(const QByteArray &contentType, const QByteArray &body)
{
    const ContentType type = parseContentType(contentType);
    QByteArray charset = type.charset;
    if (charset.isEmpty() && type.mediaType.startsWith("text/"))
        charset = isXmlText(type.mediaType) ? "us-ascii" : "ISO-8859-1";
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromLatin1(body);
}
