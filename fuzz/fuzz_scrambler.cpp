// The scrambler: the round trip of every text that UTF-8 can hold, and UnscrambleText on
// arbitrary text. The first two bytes are the seed, the rest the texts.

#include "fuzzsupport.h"

#include "update/scrambler.h"

namespace {

bool isUpperHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const quint16 seed = quint16(data[0] | data[1] << 8);
    for (const QString &text : textsFrom(bytesOf(data, size).sliced(2))) {
        if (hasUtf8Form(text)) {
            const QString hex = ScrambleText(text, seed);
            FUZZ_CHECK(hex.size() == 2 * text.toUtf8().size());
            FUZZ_CHECK(std::all_of(hex.cbegin(), hex.cend(), isUpperHexDigit));
            FUZZ_CHECK(UnscrambleText(hex, seed) == text);
            FUZZ_CHECK(UnscrambleText(hex.toLower(), seed) == text);
        }

        // Read as digits: empty unless every pair is two digits (a last odd character aside);
        // otherwise a text that scrambles back to the same digits, unless bytes that are no
        // UTF-8 had to be replaced.
        const QString plain = UnscrambleText(text, seed);
        // Upper case for ASCII letters only: "\uFB00".toUpper() is "FF".
        QString pairs = text.left(text.size() - text.size() % 2);
        for (QChar &c : pairs)
            c = c >= u'a' && c <= u'z' ? QChar(c.unicode() - 32) : c;
        const bool wellFormed = std::all_of(pairs.cbegin(), pairs.cend(), isUpperHexDigit);
        if (!wellFormed)
            FUZZ_CHECK(plain.isEmpty());
        else if (!pairs.isEmpty())
            FUZZ_CHECK(!plain.isEmpty());
        if (wellFormed && !plain.contains(QChar(0xFFFD)))
            FUZZ_CHECK(ScrambleText(plain, seed) == pairs);
    }
    return 0;
}
