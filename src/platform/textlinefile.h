#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QStringView>

// The character encoding of text files without a byte-order mark: the system's code page.
// UTF-8 files are written with EF BB BF in front, every other code page without a mark.
class TextEncoding
{
public:
    // The user's locale charset. A plain-ASCII locale (C, POSIX) counts as UTF-8, as it does
    // for Qt itself, so that no character of a list is lost in such a session.
    static TextEncoding system();
    static TextEncoding utf8() { return TextEncoding(QByteArrayLiteral("UTF-8")); }
    // Any name ICU knows, e.g. "windows-1252".
    static TextEncoding named(const QByteArray &name) { return TextEncoding(name); }

    const QByteArray &name() const { return m_name; }
    bool isUtf8() const;

private:
    explicit TextEncoding(QByteArray name) : m_name(std::move(name)) {}
    QByteArray m_name;
};

// Text line files: every text file the program reads or writes is handled whole as a list of
// lines. Reading drops a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark and decodes by it,
// otherwise in the given encoding; lines end at CR LF, CR or LF; a final line break adds no
// empty line; a NUL character ends the text.
QStringList decodeTextLines(QByteArrayView bytes, const TextEncoding &encoding);

// Reads a whole file. Throws FileError "Cannot open file \"<full path>\". <system text>".
QStringList readTextLines(const QString &path, const TextEncoding &encoding = TextEncoding::system());

// The same two as one text, for readers that walk the lines with forEachTextLine().
QString decodeText(QByteArrayView bytes, const TextEncoding &encoding);
QString readText(const QString &path, const TextEncoding &encoding = TextEncoding::system());

// The same text as UTF-8 bytes. Bytes that are UTF-8 already are passed on without a copy
// (only a mark and whatever follows a NUL are cut off).
QByteArray decodeTextToUtf8(QByteArray bytes, const TextEncoding &encoding);

// A file's bytes as they are, at most maxBytes of them (all when negative). Throws FileError
// "Cannot open file ..." as readText() does.
QByteArray readRawFile(const QString &path, qint64 maxBytes = -1);

// Calls visit(QStringView line) for every line of the text, split by the rules above (without
// the NUL rule). The line breaks are found with Qt's vectorised search, and a text of lone CRs
// is still read in one pass.
template <typename Visit>
void forEachTextLine(QStringView text, Visit &&visit)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype lf = -1; // the next LF at or after start, n when there is none
    while (start < n) {
        if (lf < start) {
            lf = text.indexOf(u'\n', start);
            if (lf < 0)
                lf = n;
        }
        const qsizetype cr = text.sliced(start, lf - start).indexOf(u'\r');
        if (cr < 0) {
            visit(text.sliced(start, lf - start));
            start = lf + 1;
            continue;
        }
        visit(text.sliced(start, cr));
        start += cr + 1;
        if (start == lf)
            ++start; // CR LF
    }
}

// Splits a text into lines by the same rules, without a NUL rule (for answers from a server).
QStringList splitTextLines(QStringView text);

// Writes lines to a file, creating or replacing it: CR LF after every line, the last included;
// an empty list gives an empty file. The file is written beside the target and renamed over
// it, so a failed write leaves the old file as it was.
// Throws FileError "Cannot create file \"<full path>\". <system text>" or "Stream write error".
class TextLineWriter
{
public:
    explicit TextLineWriter(const QString &path, const TextEncoding &encoding = TextEncoding::system());
    ~TextLineWriter();
    Q_DISABLE_COPY_MOVE(TextLineWriter)

    void writeLine(QStringView line)
    {
        append(line);
        endLine();
    }
    // A line in parts, for writers that build it piece by piece: append() adds to the current
    // line, endLine() ends it with CR LF.
    void append(QStringView text)
    {
        m_hasLines = true;
        m_chunk.append(text);
    }
    void append(QChar c)
    {
        m_hasLines = true;
        m_chunk.append(c);
    }
    void endLine()
    {
        m_hasLines = true;
        m_chunk.append(u"\r\n");
        if (m_chunk.size() >= ChunkChars)
            flushChunk();
    }
    // Makes the new content the file's; until then the old file is untouched.
    void commit();

private:
    static constexpr qsizetype ChunkChars = 1 << 16;
    void flushChunk();

    QSaveFile m_file;
    QStringEncoder m_encoder;
    QString m_chunk;
    bool m_hasLines = false;
};

void writeTextLines(const QString &path, const QStringList &lines,
                    const TextEncoding &encoding = TextEncoding::system());

// The message of a FileError for a file that could not be opened or created.
QString cannotOpenFileMessage(const QString &path, const QString &systemText);
QString cannotCreateFileMessage(const QString &path, const QString &systemText);
