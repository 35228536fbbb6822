#include "reference.h"

#include <cstdlib>
#include <limits>

std::optional<QString> referenceUtf8(QByteArrayView bytes)
{
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const quint8 lead = quint8(bytes[i]);
        int extra = -1; // continuation bytes after the lead byte
        if (lead < 0x80)
            extra = 0;
        else if (lead >= 0xC2 && lead <= 0xDF)
            extra = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            extra = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            extra = 3;
        if (extra < 0 || i + extra > bytes.size() - 1)
            return std::nullopt;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const quint8 next = quint8(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = code << 6 | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        if (QChar::requiresSurrogates(code)) {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            text.append(QChar(char16_t(code)));
        }
        i += 1 + extra;
    }
    return text;
}

std::optional<QString> referenceUtf16(QByteArrayView bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    QString text;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const quint8 first = quint8(bytes[i]);
        const quint8 second = quint8(bytes[i + 1]);
        text.append(QChar(char16_t(bigEndian ? first << 8 | second : second << 8 | first)));
    }
    return text;
}

QStringList referenceLines(QStringView text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.append(line);
            line.clear();
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            line.append(text[i]);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

std::optional<qint32> referenceWholeNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    QStringView digits = text.sliced(i);
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.sliced(1);
    if (digits.size() > 10)
        return std::nullopt;
    const qint64 value = (negative ? -1 : 1) * digits.toString().toLongLong();
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

std::optional<double> referenceCellNumber(QByteArrayView cell, char decimalMark)
{
    QByteArray text = cell.toByteArray();
    const auto trim = [&text] {
        while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove(0, 1);
        while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
            text.chop(1);
    };
    trim();
    if (text.endsWith("\xC2\xB0")) {
        text.chop(2);
        trim();
    }
    if (text.isEmpty() || text.size() > 48)
        return std::nullopt;
    bool negative = false;
    if (text.startsWith('+') || text.startsWith('-')) {
        negative = text.startsWith('-');
        text.remove(0, 1);
    } else if (text.startsWith("\xE2\x88\x92")) {
        negative = true;
        text.remove(0, 3);
    }
    int marks = 0;
    int digits = 0;
    for (const char c : text) {
        if (c == decimalMark)
            ++marks;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return std::nullopt;
    }
    if (marks > 1 || digits == 0)
        return std::nullopt;
    text.replace(decimalMark, '.');
    const double value = std::strtod(text.constData(), nullptr);
    return negative ? -value : value;
}
