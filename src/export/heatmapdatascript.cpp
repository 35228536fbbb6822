#include "heatmapdatascript.h"

#include <QChar>

namespace {

constexpr char16_t HexDigits[] = u"0123456789ABCDEF";

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

void appendUnicodeEscape(TextLineWriter &out, char16_t c)
{
    out.append(QStringView(u"\\u"));
    out.append(QChar(HexDigits[(c >> 12) & 0xF]));
    out.append(QChar(HexDigits[(c >> 8) & 0xF]));
    out.append(QChar(HexDigits[(c >> 4) & 0xF]));
    out.append(QChar(HexDigits[c & 0xF]));
}

void appendStringLiteral(TextLineWriter &out, QStringView text)
{
    out.append(QChar(u'"'));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"' || c == u'\\') {
            out.append(QChar(u'\\'));
            out.append(QChar(c));
        } else if (c < 0x20 || c == 0x7F || c == u'<' || c == 0x2028 || c == 0x2029) {
            // "<" keeps "</script>" and "<!--" out of the file whatever page embeds it.
            appendUnicodeEscape(out, c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append(QChar(c));
            out.append(text[++i]);
        } else if (QChar::isSurrogate(c)) {
            // A lone half of a pair has no encoding; the escape keeps it as it was typed.
            appendUnicodeEscape(out, c);
        } else {
            out.append(QChar(c));
        }
    }
    out.append(QChar(u'"'));
}

// The text as it goes into a point: unchanged when it is a plain number, otherwise as a
// JavaScript string literal that can neither end the array nor the page's script element.
void appendCoordinate(TextLineWriter &out, QStringView text)
{
    if (isPlainNumber(text))
        out.append(text);
    else
        appendStringLiteral(out, text);
}

} // namespace

// A plain number, written into the script unchanged:
//
//   plain    = blanks [sign] mantissa [exponent] blanks
//   blanks   = { " " | TAB }
//   sign     = "+" | "-"
//   mantissa = integer [ "." { digit } ]  |  "." digit { digit }
//   integer  = "0" | "1".."9" { digit }
//   exponent = ( "e" | "E" ) [ sign ] digit { digit }
//   digit    = "0".."9"  (ASCII only)
//
// Each of these is one JavaScript numeric literal, optionally behind one unary sign, so it can
// neither run code nor break the array. A leading zero before more digits is left out on
// purpose: browsers read "010" as the octal number 8 and refuse "07.5" outright. Such texts
// go in as strings, which the page's coordinate conversion reads as the decimal the user meant.
bool isPlainNumber(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto at = [&](qsizetype k) { return k < n ? text[k].unicode() : char16_t(0); };

    while (i < n && isBlank(at(i)))
        ++i;
    if (at(i) == u'+' || at(i) == u'-')
        ++i;

    bool hasIntegerDigits = false;
    if (at(i) == u'0') {
        ++i; // a digit after it is left over below
        hasIntegerDigits = true;
    } else {
        while (isAsciiDigit(at(i))) {
            ++i;
            hasIntegerDigits = true;
        }
    }
    bool hasFractionDigits = false;
    if (at(i) == u'.') {
        ++i;
        while (isAsciiDigit(at(i))) {
            ++i;
            hasFractionDigits = true;
        }
    }
    if (!hasIntegerDigits && !hasFractionDigits)
        return false;

    if (at(i) == u'e' || at(i) == u'E') {
        ++i;
        if (at(i) == u'+' || at(i) == u'-')
            ++i;
        if (!isAsciiDigit(at(i)))
            return false;
        while (isAsciiDigit(at(i)))
            ++i;
    }

    while (i < n && isBlank(at(i)))
        ++i;
    return i == n;
}

HeatmapDataScriptWriter::HeatmapDataScriptWriter(const QString &folder, const TextEncoding &encoding)
    : m_writer(folder + QStringView(HeatmapDataScriptName), encoding)
{
    m_writer.writeLine(u"var addressPoints = [");
}

void HeatmapDataScriptWriter::addPoint(QStringView latitude, QStringView longitude)
{
    // Every point but the last ends in a comma, written once the next one comes.
    if (m_hasPoints) {
        m_writer.append(QChar(u','));
        m_writer.endLine();
    }
    m_hasPoints = true;
    m_writer.append(QChar(u'['));
    appendCoordinate(m_writer, latitude);
    m_writer.append(QStringView(u", "));
    appendCoordinate(m_writer, longitude);
    m_writer.append(QStringView(u", \"10\"]"));
}

void HeatmapDataScriptWriter::commit()
{
    if (m_hasPoints)
        m_writer.endLine();
    m_writer.writeLine(u"];");
    m_writer.commit();
}

void writeHeatmapDataScript(const QString &folder, const std::vector<LocationEntry> &entries,
                            const TextEncoding &encoding)
{
    HeatmapDataScriptWriter writer(folder, encoding);
    for (const LocationEntry &entry : entries)
        writer.addPoint(entry.latitude, entry.longitude);
    writer.commit();
}
