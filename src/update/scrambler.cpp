#include "scrambler.h"

#include <QByteArray>
#include <QStringDecoder>

namespace {

// The register advances with the scrambled byte, on both sides.
quint16 nextKey(quint16 key, quint8 scrambled)
{
    return static_cast<quint16>((key + scrambled) * ScrambleMultiplier + ScrambleAddend);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString ScrambleText(const QString &text, quint16 seed)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const QByteArray plain = text.toUtf8();
    QString hex;
    hex.reserve(plain.size() * 2);
    quint16 key = seed;
    for (const char b : plain) {
        const auto c = static_cast<quint8>(static_cast<quint8>(b) ^ (key >> 8));
        hex.append(QLatin1Char(digits[c >> 4]));
        hex.append(QLatin1Char(digits[c & 0x0F]));
        key = nextKey(key, c);
    }
    return hex;
}

QString UnscrambleText(const QString &hexText, quint16 seed)
{
    const qsizetype count = hexText.size() / 2;
    QByteArray plain(count, Qt::Uninitialized);
    quint16 key = seed;
    for (qsizetype i = 0; i < count; ++i) {
        const int high = hexDigit(hexText[2 * i]);
        const int low = hexDigit(hexText[2 * i + 1]);
        if (high < 0 || low < 0)
            return QString();
        const auto c = static_cast<quint8>(high * 16 + low);
        plain[i] = static_cast<char>(c ^ (key >> 8));
        key = nextKey(key, c);
    }
    // A leading U+FEFF is part of the text, not a byte-order mark to drop.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    return decoder.decode(plain);
}
