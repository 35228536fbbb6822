// The data script's coordinates: for any latitude and longitude texts (the input's first two
// texts), every point line of the written file is a well-formed JavaScript array literal, and
// every value reads back as the text it came from.

#include "fuzzsupport.h"
#include "reference.h"

#include "export/heatmapdatascript.h"

#include <QFile>

namespace {

// A small reader of the JavaScript the script may hold in a point: a numeric literal (blanks
// and one sign around it allowed) or a double-quoted string literal. It takes only what it is
// sure of, so it refuses some valid JavaScript, never accepts invalid JavaScript.
class LiteralReader
{
public:
    explicit LiteralReader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_at == m_text.size(); }
    bool take(QStringView expected)
    {
        if (!m_text.sliced(m_at).startsWith(expected))
            return false;
        m_at += expected.size();
        return true;
    }

    // The value's text: a number's source text unchanged, a string's decoded characters.
    std::optional<QString> value() { return peek() == u'"' ? string() : number(); }

private:
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead].unicode() : char16_t(0);
    }
    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    qsizetype digits()
    {
        const qsizetype start = m_at;
        while (isDigit(peek()))
            ++m_at;
        return m_at - start;
    }
    void blanks()
    {
        while (peek() == u' ' || peek() == u'\t')
            ++m_at;
    }

    std::optional<QString> number()
    {
        const qsizetype start = m_at;
        blanks();
        if (peek() == u'+' || peek() == u'-')
            ++m_at;
        // No leading zero before more digits: "010" is octal or an error in JavaScript.
        const qsizetype whole = peek() == u'0' ? (++m_at, 1) : digits();
        const qsizetype fraction = peek() == u'.' ? (++m_at, digits()) : 0;
        if (whole == 0 && fraction == 0)
            return std::nullopt;
        if (peek() == u'e' || peek() == u'E') {
            ++m_at;
            if (peek() == u'+' || peek() == u'-')
                ++m_at;
            if (digits() == 0)
                return std::nullopt;
        }
        blanks();
        return m_text.sliced(start, m_at - start).toString();
    }

    std::optional<QString> string()
    {
        ++m_at;
        QString value;
        for (;;) {
            const char16_t c = peek();
            ++m_at;
            if (m_at > m_text.size() || c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029)
                return std::nullopt;
            if (c == u'"')
                return value;
            if (c != u'\\') {
                value.append(QChar(c));
                continue;
            }
            const char16_t escaped = peek();
            ++m_at;
            if (escaped == u'"' || escaped == u'\\') {
                value.append(QChar(escaped));
            } else if (escaped == u'u' && m_at + 4 <= m_text.size()) {
                char16_t unit = 0;
                for (const QChar digit : m_text.sliced(m_at, 4)) {
                    const int digitValue = QStringView(u"0123456789ABCDEF").indexOf(digit.toUpper());
                    if (digitValue < 0 || digit.unicode() > 0x7F)
                        return std::nullopt;
                    unit = char16_t(unit * 16 + digitValue);
                }
                value.append(QChar(unit));
                m_at += 4;
            } else {
                return std::nullopt; // an escape this script never writes
            }
        }
    }

    QStringView m_text;
    qsizetype m_at = 0;
};

// "[" latitude ", " longitude ", \"10\"]", and "," after every point but the last.
void checkPoint(const QString &line, bool last, const QString &latitude, const QString &longitude)
{
    LiteralReader reader(line);
    FUZZ_CHECK(reader.take(u"["));
    FUZZ_CHECK(reader.value() == latitude);
    FUZZ_CHECK(reader.take(u", "));
    FUZZ_CHECK(reader.value() == longitude);
    FUZZ_CHECK(reader.take(last ? u", \"10\"]" : u", \"10\"],"));
    FUZZ_CHECK(reader.atEnd());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList texts = textsFrom(bytesOf(data, size));
    const QString latitude = texts.value(0);
    const QString longitude = texts.value(1);
    // Both texts in both places, and in a point that is not the last as well as in the last.
    const std::vector<LocationEntry> entries{{latitude, longitude, {}}, {longitude, latitude, {}}};
    writeHeatmapDataScript(scratchFolder() + u'/', entries, TextEncoding::utf8());

    QFile file(scratchFolder() + u'/' + QStringView(HeatmapDataScriptName));
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Valid UTF-8 behind the mark, every line ended by CR LF, and nothing a page embedding the
    // script could read as the end of its script element or a comment.
    FUZZ_CHECK(bytes.startsWith("\xEF\xBB\xBF") && bytes.endsWith("\r\n"));
    const std::optional<QString> text = referenceUtf8(bytes.sliced(3));
    FUZZ_CHECK(text.has_value());
    FUZZ_CHECK(!text->contains(u'<'));
    const QStringList lines = text->chopped(2).split(QStringLiteral("\r\n"));
    FUZZ_CHECK(lines.size() == 4);
    FUZZ_CHECK(lines[0] == QStringLiteral("var addressPoints = ["));
    checkPoint(lines[1], false, latitude, longitude);
    checkPoint(lines[2], true, longitude, latitude);
    FUZZ_CHECK(lines[3] == QStringLiteral("];"));
    return 0;
}
