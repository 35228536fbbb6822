#include "textlinefile.h"

#include "errors.h"
#include "systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <clocale>
#include <langinfo.h>

namespace {

QString fullPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// QFileDevice::errorString() is the system's text; trim it like every system text.
QString deviceErrorText(const QFileDevice &file)
{
    return trimSystemText(file.errorString());
}

} // namespace

TextEncoding TextEncoding::system()
{
    const char *codeset = nl_langinfo(CODESET);
    QByteArray name = codeset ? QByteArray(codeset) : QByteArray();
    if (name.isEmpty() || name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII")
        name = QByteArrayLiteral("UTF-8");
    return TextEncoding(name);
}

bool TextEncoding::isUtf8() const
{
    const QByteArray n = m_name.toLower();
    return n == "utf-8" || n == "utf8";
}

QString cannotOpenFileMessage(const QString &path, const QString &systemText)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), systemText);
}

QString cannotCreateFileMessage(const QString &path, const QString &systemText)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(path), systemText);
}

QStringList splitTextLines(QStringView text)
{
    QStringList lines;
    forEachTextLine(text, [&lines](QStringView line) { lines.append(line.toString()); });
    return lines;
}

QString decodeText(QByteArrayView bytes, const TextEncoding &encoding)
{
    // The mark that chose the encoding is dropped here and nowhere else: a second one is the
    // text's first character. Stateless, so that a sequence cut off at the end of the file
    // still gives a replacement character.
    constexpr auto flags = QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless;
    QStringDecoder decoder;
    qsizetype markSize = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        decoder = QStringDecoder(QStringConverter::Utf8, flags);
        markSize = 3;
    } else if (bytes.startsWith("\xFF\xFE")) {
        decoder = QStringDecoder(QStringConverter::Utf16LE, flags);
        markSize = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        decoder = QStringDecoder(QStringConverter::Utf16BE, flags);
        markSize = 2;
    } else if (encoding.isUtf8()) {
        decoder = QStringDecoder(QStringConverter::Utf8, flags);
    } else {
        decoder = QStringDecoder(encoding.name().constData(), flags);
    }
    QString text =
        decoder.isValid() ? QString(decoder.decode(bytes.sliced(markSize))) : QString::fromLatin1(bytes);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QByteArray decodeTextToUtf8(QByteArray bytes, const TextEncoding &encoding)
{
    const bool markedUtf8 = bytes.startsWith("\xEF\xBB\xBF");
    if (!markedUtf8 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || !encoding.isUtf8()))
        return decodeText(bytes, encoding).toUtf8();
    // UTF-8 already: only the mark and what follows a NUL go. Invalid sequences stay as they
    // are; whoever turns the text into QStrings replaces them as decodeText() would.
    if (markedUtf8)
        bytes.remove(0, 3);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

QStringList decodeTextLines(QByteArrayView bytes, const TextEncoding &encoding)
{
    return splitTextLines(decodeText(bytes, encoding));
}

QByteArray readRawFile(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(cannotOpenFileMessage(path, deviceErrorText(file)));
    errno = 0;
    const QByteArray bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
    if (file.error() != QFileDevice::NoError)
        throw FileError(cannotOpenFileMessage(path, deviceErrorText(file)));
    return bytes;
}

QString readText(const QString &path, const TextEncoding &encoding)
{
    return decodeText(readRawFile(path), encoding);
}

QStringList readTextLines(const QString &path, const TextEncoding &encoding)
{
    return splitTextLines(readText(path, encoding));
}

TextLineWriter::TextLineWriter(const QString &path, const TextEncoding &encoding)
    : m_file(path), m_encoder(encoding.name().constData())
{
    if (!m_encoder.isValid())
        m_encoder = QStringEncoder(QStringConverter::Utf8);
    // A folder that allows no new files may still allow replacing the file itself.
    m_file.setDirectWriteFallback(true);
    if (!m_file.open(QIODevice::WriteOnly))
        throw FileError(cannotCreateFileMessage(path, deviceErrorText(m_file)));
    // The mark goes in front of the first line only: an empty list gives an empty file.
    if (encoding.isUtf8())
        m_chunk.append(QChar(0xFEFF));
    m_chunk.reserve(ChunkChars + 1024);
}

TextLineWriter::~TextLineWriter()
{
    // Without commit() the target keeps its old content.
    if (m_file.isOpen())
        m_file.cancelWriting();
}

void TextLineWriter::flushChunk()
{
    if (!m_hasLines || m_chunk.isEmpty())
        return;
    const QByteArray bytes = m_encoder.encode(m_chunk);
    m_chunk.clear();
    if (m_file.write(bytes) != bytes.size())
        throw FileError(QStringLiteral("Stream write error"));
}

void TextLineWriter::commit()
{
    flushChunk();
    if (!m_file.commit())
        throw FileError(QStringLiteral("Stream write error"));
}

void writeTextLines(const QString &path, const QStringList &lines, const TextEncoding &encoding)
{
    TextLineWriter writer(path, encoding);
    for (const QString &line : lines)
        writer.writeLine(line);
    writer.commit();
}
