// Form encoding, the e-mail check and the whole-number rule, each against a simple reference.
// The input's texts are the form's fields and the texts checked.

#include "fuzzsupport.h"
#include "reference.h"

#include "feedback/feedbacksubmission.h"
#include "service/formencoding.h"
#include "update/wholenumber.h"

namespace {

bool isAsciiAlphanumeric(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

QByteArray referenceComponent(const QString &text)
{
    QByteArray out;
    for (const char byte : text.toUtf8()) {
        if (isAsciiAlphanumeric(QLatin1Char(byte)) || QByteArrayView("*-._").contains(byte))
            out += byte;
        else if (byte == ' ')
            out += '+';
        else
            out += '%' + QByteArray(1, byte).toHex().toUpper();
    }
    return out;
}

bool onlyOf(QStringView text, QStringView others)
{
    return std::all_of(text.begin(), text.end(),
                       [&](QChar c) { return isAsciiAlphanumeric(c) || others.contains(c); });
}

// ^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$ over the whole text: the local
// part cannot hold "@" and the first domain label no ".", so the first of each splits.
bool referenceEmail(QStringView text)
{
    const qsizetype at = text.indexOf(u'@');
    if (at <= 0 || !onlyOf(text.first(at), u"_.+-"))
        return false;
    const QStringView domain = text.sliced(at + 1);
    const qsizetype dot = domain.indexOf(u'.');
    if (dot <= 0 || !onlyOf(domain.first(dot), u"-"))
        return false;
    const QStringView rest = domain.sliced(dot + 1);
    return !rest.isEmpty() && onlyOf(rest, u"-.") && isAsciiAlphanumeric(rest.back());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList texts = textsFrom(bytesOf(data, size));
    QByteArrayList fields;
    for (const QString &text : texts) {
        FUZZ_CHECK(encodeFormComponent(text) == referenceComponent(text));
        FUZZ_CHECK(IsValidEmail(text) == referenceEmail(text));
        FUZZ_CHECK(parseWholeNumber(text) == referenceWholeNumber(text));
        // Each field is split at its first "=" only.
        const qsizetype equals = text.indexOf(u'=');
        fields.append(referenceComponent(equals < 0 ? text : text.left(equals)) + '=' +
                      referenceComponent(equals < 0 ? QString() : text.mid(equals + 1)));
    }
    FUZZ_CHECK(encodeFormFields(texts) == fields.join('&'));
    return 0;
}
