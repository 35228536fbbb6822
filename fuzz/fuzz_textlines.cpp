// Text line decoding: every byte-order mark, the system code page, line ends, NUL.
// The first byte picks the code page of files without a mark; the rest is the file.

#include "fuzzsupport.h"
#include "reference.h"

#include "platform/textlinefile.h"

namespace {

// What a correct reader gives, where a simple reference can say: the mark that chose the
// encoding dropped, nothing else.
std::optional<QString> referenceText(QByteArrayView bytes, const TextEncoding &encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return referenceUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return referenceUtf16(bytes.sliced(2), false);
    if (bytes.startsWith("\xFE\xFF"))
        return referenceUtf16(bytes.sliced(2), true);
    if (encoding.isUtf8())
        return referenceUtf8(bytes);
    if (encoding.name() == "ISO-8859-1")
        return QString::fromLatin1(bytes);
    return std::nullopt;
}

// The lines as a file with a mark, in UTF-8 or UTF-16.
QByteArray fileOf(const QStringList &lines, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    QString text;
    for (const QString &line : lines)
        text += line + u"\r\n";
    // An empty list is an empty file, without a mark.
    return text.isEmpty() ? QByteArray() : QByteArray(encoder.encode(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const TextEncoding encodings[] = {TextEncoding::utf8(), TextEncoding::named("windows-1252"),
                                             TextEncoding::named("ISO-8859-1"), TextEncoding::system()};
    const TextEncoding &encoding = encodings[data[0] % std::size(encodings)];
    const QByteArrayView bytes = bytesOf(data, size).sliced(1);

    const QStringList lines = decodeTextLines(bytes, encoding);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(u'\0')));

    if (std::optional<QString> text = referenceText(bytes, encoding)) {
        const qsizetype nul = text->indexOf(QChar(u'\0'));
        FUZZ_CHECK(lines == referenceLines(nul < 0 ? *text : text->left(nul)));
    }

    // Whatever was read comes back unchanged from a file with any of the three marks.
    bool encodable = true;
    for (const QString &line : lines)
        encodable = encodable && hasUtf8Form(line);
    if (encodable) {
        for (const auto unicode :
             {QStringConverter::Utf8, QStringConverter::Utf16LE, QStringConverter::Utf16BE})
            FUZZ_CHECK(decodeTextLines(fileOf(lines, unicode), encoding) == lines);
    }
    return 0;
}
