#include "systemerror.h"

#include <cerrno>
#include <cstring>

QString trimSystemText(QString text)
{
    qsizetype end = text.size();
    while (end > 0) {
        const QChar c = text.at(end - 1);
        if (c != u' ' && c != u'\r' && c != u'\n' && c != u'.' && c != u'\t')
            break;
        --end;
    }
    text.truncate(end);
    return text;
}

QString systemErrorText(int errorCode)
{
    char buffer[256] = {};
    // GNU strerror_r returns the text, which may or may not live in buffer.
    const char *text = strerror_r(errorCode, buffer, sizeof buffer);
    return trimSystemText(QString::fromLocal8Bit(text));
}

QString lastSystemErrorText()
{
    return systemErrorText(errno);
}
