#include "fuzzsupport.h"

#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

void fuzzCheckFailed(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "Property violated: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

QStringList textsFrom(QByteArrayView data)
{
    if (data.isEmpty())
        return {QString()};
    const QByteArrayView rest = data.sliced(1);
    QString text;
    if (data.front() % 2 == 0) {
        // A leading U+FEFF stays: texts that start with it are worth reaching.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        text = decoder.decode(rest);
    } else {
        text.resize(rest.size() / 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(quint8(rest[2 * i]) | quint8(rest[2 * i + 1]) << 8));
    }
    return text.split(QChar(0xFFFF));
}

const QString &scratchFolder()
{
    static const QTemporaryDir folder(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/thermira-fuzz-XXXXXX"));
    static const QString path = folder.path();
    if (!folder.isValid())
        fuzzCheckFailed("scratch folder created", __FILE__, __LINE__);
    return path;
}

bool hasUtf8Form(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}
