// The service's answers: both decoders, answer acceptance, tag extraction and the version
// rule. The input is a Content-Type header value, a line feed, and the answer's body.

#include "fuzzsupport.h"
#include "reference.h"

#include "platform/textlinefile.h"
#include "service/answerdecoding.h"
#include "update/checkanswer.h"
#include "update/checkerrors.h"

namespace {

QString wrapped(const QString &value, const QString &tag)
{
    const QString name = tag.toLower();
    return u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
}

void checkDecoders(const QByteArray &header, const QByteArray &body)
{
    const ContentType type = parseContentType(header);
    FUZZ_CHECK(type.mediaType == type.mediaType.trimmed().toLower());
    FUZZ_CHECK(type.charset == type.charset.trimmed());

    // A body in UTF-8 that says nothing else reads as that UTF-8, an encoding signature dropped.
    const QString secure = decodeSecureAnswer(header, body);
    const bool unnamed = type.charset.isEmpty() || type.charset.compare("utf-8", Qt::CaseInsensitive) == 0;
    if (unnamed) {
        if (const auto text = referenceUtf8(body.startsWith("\xEF\xBB\xBF") ? body.sliced(3) : body))
            FUZZ_CHECK(secure == *text);
    }
    // The plain path without a charset: ISO-8859-1 for text, byte for byte otherwise; the same
    // characters either way.
    const QString plain = decodePlainAnswer(header, body);
    const bool xml = type.mediaType.endsWith("xml") || type.mediaType.endsWith("xml-external-parsed-entity");
    if ((type.charset.isEmpty() && !xml) || type.charset.compare("iso-8859-1", Qt::CaseInsensitive) == 0)
        FUZZ_CHECK(plain == QString::fromLatin1(body));
}

void checkAnswer(const QString &text)
{
    const CheckAnswer lines = splitAnswerLines(text);
    FUZZ_CHECK(lines == referenceLines(text));
    FUZZ_CHECK(splitTextLines(text) == lines);

    ClearCheckErrors();
    const bool accepted = AcceptCheckAnswer(lines);
    const bool wellFormed = !(lines.value(0).startsWith(QStringLiteral("ERROR"))) &&
                            (lines.value(3) == QStringLiteral("<result>0</result>") ||
                             lines.value(3) == QStringLiteral("<result>1</result>"));
    FUZZ_CHECK(accepted == wellFormed);
    FUZZ_CHECK(CheckFailed == !accepted);
    FUZZ_CHECK(CheckErrors == (accepted ? QString() : QStringLiteral("INVALIDSERVERRESPONSE")));
    // A failure recorded before makes any answer unusable.
    AddCheckError(QStringLiteral("HTTPS Response:\rrefused"));
    FUZZ_CHECK(!AcceptCheckAnswer(lines));

    // A value comes only out of a line that is exactly the element, and comes out unchanged;
    // the tag's letter case does not matter.
    for (const QString &line : lines) {
        for (const QString &tag : {QStringLiteral("version"), QStringLiteral("URL"), QStringLiteral("Result"),
                                   QStringLiteral("important")}) {
            const QString value = ExtractTagValue(line, tag);
            FUZZ_CHECK(value.isEmpty() || wrapped(value, tag) == line);
            FUZZ_CHECK(ExtractTagValue(wrapped(line, tag), tag) == line);
        }
    }
    FUZZ_CHECK(announcedVersion(lines) == ExtractTagValue(lines.value(0), QStringLiteral("version")));
    FUZZ_CHECK(announcedAddress(lines) == ExtractTagValue(lines.value(1), QStringLiteral("url")));
    FUZZ_CHECK(announcedMessage(lines) == ExtractTagValue(lines.value(5), QStringLiteral("important")));

    // New: differs from the running version and reads as a whole number without its dots.
    for (qsizetype i = 0; i + 1 < lines.size() && i < 4; ++i) {
        const QString &announced = lines[i];
        const QString &running = lines[i + 1];
        QString digits = announced;
        digits.remove(u'.');
        FUZZ_CHECK(IsNewVersion(announced, running) ==
                   (announced != running && referenceWholeNumber(digits)));
        FUZZ_CHECK(!IsNewVersion(announced, announced));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = bytesOf(data, size).toByteArray();
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray header = lineEnd < 0 ? QByteArray() : input.left(lineEnd);
    const QByteArray body = lineEnd < 0 ? input : input.mid(lineEnd + 1);
    checkDecoders(header, body);
    checkAnswer(decodeSecureAnswer(header, body));
    checkAnswer(decodePlainAnswer(header, body));
    return 0;
}
