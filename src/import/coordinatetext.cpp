#include "coordinatetext.h"

#include <charconv>

namespace {

// Longer cells are no coordinates; the limit keeps the normalised text on the stack.
constexpr qsizetype MaxNumberLength = 48;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView cell)
{
    qsizetype begin = 0;
    qsizetype end = cell.size();
    while (begin < end && isBlank(cell[begin]))
        ++begin;
    while (end > begin && isBlank(cell[end - 1]))
        --end;
    return cell.sliced(begin, end - begin);
}

// A number split into its parts, each a run of the cell's own characters.
struct NumberParts
{
    bool negative = false;
    QByteArrayView whole;    // without leading zeros
    QByteArrayView fraction; // without the mark
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<NumberParts> split(QByteArrayView cell, DecimalMark mark)
{
    cell = trimmed(cell);
    if (cell.endsWith("\xC2\xB0")) // degree sign
        cell = trimmed(cell.chopped(2));
    if (cell.isEmpty() || cell.size() > MaxNumberLength)
        return std::nullopt;
    NumberParts parts;
    if (cell.front() == '-' || cell.front() == '+') {
        parts.negative = cell.front() == '-';
        cell = cell.sliced(1);
    } else if (cell.startsWith("\xE2\x88\x92")) { // minus sign
        parts.negative = true;
        cell = cell.sliced(3);
    }
    const char markChar = mark == DecimalMark::Point ? '.' : ',';
    qsizetype i = 0;
    while (i < cell.size() && isDigit(cell[i]))
        ++i;
    QByteArrayView whole = cell.first(i);
    QByteArrayView fraction;
    if (i < cell.size()) {
        if (cell[i] != markChar)
            return std::nullopt;
        const qsizetype start = ++i;
        while (i < cell.size() && isDigit(cell[i]))
            ++i;
        if (i != cell.size())
            return std::nullopt;
        fraction = cell.sliced(start);
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    // Leading zeros would make the text an octal literal in the exported script.
    while (whole.size() > 1 && whole.front() == '0')
        whole = whole.sliced(1);
    parts.whole = whole;
    parts.fraction = fraction;
    return parts;
}

// "-41.0082" into buffer; returns its length.
qsizetype plainText(const NumberParts &parts, char *buffer)
{
    qsizetype n = 0;
    if (parts.negative)
        buffer[n++] = '-';
    if (parts.whole.isEmpty()) {
        buffer[n++] = '0';
    } else {
        std::copy(parts.whole.begin(), parts.whole.end(), buffer + n);
        n += parts.whole.size();
    }
    if (!parts.fraction.isEmpty()) {
        buffer[n++] = '.';
        std::copy(parts.fraction.begin(), parts.fraction.end(), buffer + n);
        n += parts.fraction.size();
    }
    return n;
}

bool valueOf(const char *text, qsizetype length, double *value)
{
    double parsed = 0;
    const auto [end, error] = std::from_chars(text, text + length, parsed);
    if (error != std::errc() || end != text + length)
        return false;
    if (value)
        *value = parsed;
    return true;
}

// Where the two numbers of a pair part: the first separator that cannot be in a number.
std::optional<std::pair<QByteArrayView, QByteArrayView>> splitPair(QByteArrayView cell, DecimalMark mark)
{
    cell = trimmed(cell);
    if ((cell.startsWith('(') && cell.endsWith(')')) || (cell.startsWith('[') && cell.endsWith(']')))
        cell = trimmed(cell.sliced(1, cell.size() - 2));
    const char listChar = mark == DecimalMark::Point ? ',' : ';';
    qsizetype at = cell.indexOf(listChar);
    if (at < 0 && mark == DecimalMark::Point)
        at = cell.indexOf(';');
    if (at >= 0)
        return std::pair{cell.first(at), cell.sliced(at + 1)};
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (isBlank(cell[i]))
            return std::pair{cell.first(i), cell.sliced(i + 1)};
    }
    return std::nullopt;
}

} // namespace

bool isNumber(QByteArrayView cell, DecimalMark mark, double *value)
{
    const std::optional<NumberParts> parts = split(cell, mark);
    if (!parts)
        return false;
    char buffer[MaxNumberLength + 4];
    return valueOf(buffer, plainText(*parts, buffer), value);
}

std::optional<CellNumber> readNumber(QByteArrayView cell, DecimalMark mark)
{
    const std::optional<NumberParts> parts = split(cell, mark);
    if (!parts)
        return std::nullopt;
    char buffer[MaxNumberLength + 4];
    const qsizetype length = plainText(*parts, buffer);
    CellNumber number;
    if (!valueOf(buffer, length, &number.value))
        return std::nullopt;
    number.text = QString::fromLatin1(buffer, length);
    return number;
}

std::optional<CellPair> readPair(QByteArrayView cell, DecimalMark mark)
{
    const auto parts = splitPair(cell, mark);
    if (!parts)
        return std::nullopt;
    std::optional<CellNumber> first = readNumber(parts->first, mark);
    std::optional<CellNumber> second = first ? readNumber(parts->second, mark) : std::nullopt;
    if (!second)
        return std::nullopt;
    return CellPair{std::move(*first), std::move(*second)};
}

bool isPair(QByteArrayView cell, DecimalMark mark, double *first, double *second)
{
    const auto parts = splitPair(cell, mark);
    return parts && isNumber(parts->first, mark, first) && isNumber(parts->second, mark, second);
}

int fractionDigits(QByteArrayView cell, DecimalMark mark)
{
    const std::optional<NumberParts> parts = split(cell, mark);
    return parts ? int(parts->fraction.size()) : 0;
}
