#pragma once

#include <QByteArray>
#include <QString>

// The parts of a Content-Type header value that decide how an answer's bytes become text.
struct ContentType
{
    QByteArray mediaType; // lower case, e.g. "text/plain"; empty when there is none
    QByteArray charset;   // as given, without quotes; empty when there is none
};
ContentType parseContentType(const QByteArray &headerValue);

// The secure path: the named charset; UTF-8 when none is named or the name is unknown.
QString decodeSecureAnswer(const QByteArray &contentType, const QByteArray &body);

// The plain path: the named charset; without one, ISO-8859-1 for text/* ("us-ascii" for the XML
// text types) and byte for byte for everything else, as for a charset nobody knows.
QString decodePlainAnswer(const QByteArray &contentType, const QByteArray &body);
