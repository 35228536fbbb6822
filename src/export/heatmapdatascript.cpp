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

void appendUnicodeEscape(QString &out, char16_t c)
{
    out.append(u"\\u");
    out.append(QChar(HexDigits[(c >> 12) & 0xF]));
    out.append(QChar(HexDigits[(c >> 8) & 0xF]));
    out.append(QChar(HexDigits[(c >> 4) & 0xF]));
    out.append(QChar(HexDigits[c & 0xF]));
}

void appendStringLiteral(QString &out, QStringView text)
{
    out.append(u'"');
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"' || c == u'\\') {
            out.append(u'\\');
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
    out.append(u'"');
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

void appendCoordinate(QString &line, QStringView text)
{
    if (isPlainNumber(text))
        line.append(text);
    else
        appendStringLiteral(line, text);
}

void writeHeatmapDataScript(const QString &folder, const std::vector<LocationEntry> &entries,
                            const TextEncoding &encoding)
{
    TextLineWriter writer(folder + QStringView(HeatmapDataScriptName), encoding);
    writer.writeLine(u"var addressPoints = [");
    QString line;
    line.reserve(64);
    const size_t count = entries.size();
    for (size_t i = 0; i < count; ++i) {
        const LocationEntry &entry = entries[i];
        line.truncate(0);
        line.append(u'[');
        appendCoordinate(line, entry.latitude);
        line.append(u", ");
        appendCoordinate(line, entry.longitude);
        line.append(i + 1 < count ? QStringView(u", \"10\"],") : QStringView(u", \"10\"]"));
        writer.writeLine(line);
    }
    writer.writeLine(u"];");
    writer.commit();
}
