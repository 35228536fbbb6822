#include "tabledetection.h"

#include "csvreader.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

// --- the separator ------------------------------------------------------------------------

bool hasLetter(QByteArrayView cell)
{
    return std::any_of(cell.begin(), cell.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    });
}

bool holdsOtherSeparator(QByteArrayView cell, char separator)
{
    for (const char candidate : TableSeparators) {
        if (candidate != separator && cell.contains(candidate))
            return true;
    }
    return false;
}

bool isNumberOrPair(QByteArrayView cell)
{
    for (const DecimalMark mark : {DecimalMark::Point, DecimalMark::Comma}) {
        if (isNumber(cell, mark) || isPair(cell, mark))
            return true;
    }
    return false;
}

// How much a cell speaks for the separator that made it: a number fits best; a word is
// likely; digits mixed with another separator are a number cut in the wrong place.
double cellScore(QByteArrayView cell, char separator)
{
    if (cell.trimmed().isEmpty())
        return 0;
    if (isNumberOrPair(cell))
        return 1;
    const bool letters = hasLetter(cell);
    if (holdsOtherSeparator(cell, separator))
        return letters ? 0 : -1;
    return letters ? 0.5 : 0.25;
}

double separatorScore(const TableSample &sample, char separator)
{
    if (sample.empty())
        return 0;
    std::map<qsizetype, int> widths;
    for (const SampleRecord &record : sample)
        ++widths[record.cells.size()];
    const auto mode = std::max_element(widths.begin(), widths.end(),
                                       [](const auto &a, const auto &b) { return a.second < b.second; });
    if (mode->first < 2)
        return 0;
    const double evenness = double(mode->second) / double(sample.size());
    double cells = 0;
    for (const SampleRecord &record : sample) {
        for (const QByteArray &cell : record.cells)
            cells += cellScore(cell, separator);
    }
    return evenness * cells / double(sample.size());
}

// --- header names ---------------------------------------------------------------------------

enum class NameKind
{
    None,
    Latitude,
    Longitude,
    Pair,
    Label
};

struct NameMatch
{
    NameKind kind = NameKind::None;
    int strength = 0; // 2: the whole name, 1: one word of it
};

QStringList nameWords(const QByteArray &cell)
{
    const QString text = QString::fromUtf8(cell).trimmed();
    QString spaced;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // "decimalLatitude" is two words.
        if (i > 0 && text[i].isUpper() && text[i - 1].isLower())
            spaced += u' ';
        spaced += text[i].isLetterOrNumber() ? text[i].toLower() : QChar(u' ');
    }
    return spaced.split(u' ', Qt::SkipEmptyParts);
}

bool inList(const QString &word, std::initializer_list<const char16_t *> list)
{
    return std::any_of(list.begin(), list.end(), [&](const char16_t *name) { return word == QStringView(name); });
}

NameMatch matchName(const QByteArray &cell)
{
    const QStringList words = nameWords(cell);
    if (words.isEmpty())
        return {};
    const QString whole = words.join(QString());
    static const std::initializer_list<const char16_t *> latWords{
        u"lat", u"latitude", u"latitud", u"latitudine", u"breite", u"breitengrad", u"enlem", u"широта"};
    static const std::initializer_list<const char16_t *> lonWords{
        u"lon",  u"lng",       u"longitude",  u"longitud", u"longitudine",
        u"länge", u"laenge", u"längengrad", u"boylam",   u"долгота"};
    static const std::initializer_list<const char16_t *> pairNames{
        u"latlon", u"latlng", u"latlong", u"coordinates", u"coordinate", u"coords", u"coord", u"koordinaten",
        u"koordinat", u"koordinatlar", u"coordenadas", u"coordonnées", u"position", u"gps"};
    static const std::initializer_list<const char16_t *> labelWords{
        u"name", u"city", u"title", u"label", u"place", u"town", u"location", u"description", u"comment",
        u"stadt", u"ciudad", u"nombre", u"ville", u"lugar", u"titel", u"bezeichnung", u"country", u"site",
        u"station", u"address", u"isim", u"şehir", u"sehir", u"region", u"village", u"ort", u"ad", u"il",
        u"yer", u"nom"};
    const auto anyWord = [&](std::initializer_list<const char16_t *> list) {
        return std::any_of(words.begin(), words.end(), [&](const QString &w) { return inList(w, list); });
    };
    const bool lat = inList(whole, latWords) || inList(whole, {u"y", u"ycoord", u"ycoordinate"}) || anyWord(latWords);
    const bool lon = inList(whole, lonWords) || inList(whole, {u"x", u"long", u"xcoord", u"xcoordinate"}) || anyWord(lonWords);
    if ((lat && lon) || inList(whole, pairNames))
        return {NameKind::Pair, 2};
    const bool exact = words.size() == 1;
    if (lat)
        return {NameKind::Latitude, exact ? 2 : 1};
    if (lon)
        return {NameKind::Longitude, exact ? 2 : 1};
    if (inList(whole, labelWords))
        return {NameKind::Label, 2};
    if (anyWord(labelWords))
        return {NameKind::Label, 1};
    return {};
}

// The best column of a kind by header name: the strongest match, the first on a tie.
int namedColumn(const std::vector<NameMatch> &names, NameKind kind, const std::vector<int> &taken)
{
    int best = TableLayout::NoColumn;
    for (int column = 0; column < int(names.size()); ++column) {
        if (names[size_t(column)].kind != kind || std::find(taken.begin(), taken.end(), column) != taken.end())
            continue;
        if (best == TableLayout::NoColumn || names[size_t(column)].strength > names[size_t(best)].strength)
            best = column;
    }
    return best;
}

// --- values -----------------------------------------------------------------------------------

// What the data cells of one column look like.
struct ColumnFacts
{
    int filled = 0;
    int words = 0;
    std::array<int, 2> numbers{};
    std::array<bool, 2> within90{true, true};
    std::array<bool, 2> within180{true, true};
    std::array<int, 2> fractionDigitSum{};
    std::array<int, 2> pairs{};
    std::array<bool, 2> pairsInRange{true, true};

    static int index(DecimalMark mark) { return mark == DecimalMark::Point ? 0 : 1; }

    void add(QByteArrayView cell)
    {
        if (cell.trimmed().isEmpty())
            return;
        ++filled;
        bool number = false;
        for (const DecimalMark mark : {DecimalMark::Point, DecimalMark::Comma}) {
            const int i = index(mark);
            double value = 0;
            double second = 0;
            if (isNumber(cell, mark, &value)) {
                number = true;
                ++numbers[i];
                within90[i] = within90[i] && std::abs(value) <= 90;
                within180[i] = within180[i] && std::abs(value) <= 180;
                fractionDigitSum[i] += std::min(fractionDigits(cell, mark), 4);
            } else if (isPair(cell, mark, &value, &second)) {
                ++pairs[i];
                pairsInRange[i] = pairsInRange[i] && std::abs(value) <= 90 && std::abs(second) <= 180;
            }
        }
        if (!number && hasLetter(cell))
            ++words;
    }

    DecimalMark numberMark() const { return numbers[1] > numbers[0] ? DecimalMark::Comma : DecimalMark::Point; }
    DecimalMark pairMark() const { return pairs[1] > pairs[0] ? DecimalMark::Comma : DecimalMark::Point; }
    // All filled cells but one in ten (or one in a short sample): a stray "n/a" or a broken
    // row does not hide a column.
    bool mostly(int count) const
    {
        return count * 2 > filled && filled - count <= std::max(1, filled / 10);
    }
    bool numeric() const { return mostly(numbers[size_t(index(numberMark()))]); }
    bool latitudes() const { return numeric() && within90[size_t(index(numberMark()))]; }
    bool longitudes() const { return numeric() && within180[size_t(index(numberMark()))]; }
    bool coordinatePairs(bool named = false) const
    {
        const auto i = size_t(index(pairMark()));
        // Under a name like "Coordinates" more than half will do.
        return (named ? pairs[i] * 2 > filled : mostly(pairs[i])) && pairsInRange[i];
    }
    // Digits after the mark, on average: coordinates carry several, counts and years none.
    double precision() const
    {
        const auto i = size_t(index(numberMark()));
        return numbers[i] == 0 ? 0 : double(fractionDigitSum[i]) / numbers[i];
    }
    bool wordy() const { return words > 0 && words * 2 >= filled; }
};

} // namespace

TableSample readSample(QByteArrayView head, bool complete, char separator, int maxRecords)
{
    TableSample sample;
    qint64 lastRow = 0;
    readCsv(head, separator, [&](qint64 row, const CsvRecord &record) {
        lastRow = row;
        if (int(sample.size()) >= maxRecords || record.isBlank())
            return;
        SampleRecord kept;
        kept.row = row;
        for (int column = 0; column < record.size(); ++column)
            kept.cells.append(record.field(column).toByteArray());
        sample.push_back(std::move(kept));
    });
    if (!complete && !sample.empty() && sample.back().row == lastRow)
        sample.pop_back();
    return sample;
}

int sampleColumns(const TableSample &sample)
{
    int columns = 0;
    for (const SampleRecord &record : sample)
        columns = std::max(columns, int(record.cells.size()));
    return columns;
}

char detectSeparator(QByteArrayView head, bool complete)
{
    constexpr int SniffedRecords = 100;
    char best = ',';
    double bestScore = 0;
    for (const char separator : TableSeparators) {
        const double score = separatorScore(readSample(head, complete, separator, SniffedRecords), separator);
        if (score > bestScore) {
            best = separator;
            bestScore = score;
        }
    }
    return best;
}

bool detectHeader(const TableSample &sample)
{
    if (sample.empty())
        return false;
    bool named = false;
    for (const QByteArray &cell : sample.front().cells) {
        if (isNumberOrPair(cell))
            return false;
        named = named || !cell.trimmed().isEmpty();
    }
    return named;
}

namespace {

std::vector<ColumnFacts> columnFacts(const TableSample &sample, bool hasHeader)
{
    std::vector<ColumnFacts> facts(static_cast<size_t>(sampleColumns(sample)));
    for (size_t i = hasHeader ? 1 : 0; i < sample.size(); ++i) {
        for (int column = 0; column < int(sample[i].cells.size()); ++column)
            facts[size_t(column)].add(sample[i].cells[column]);
    }
    return facts;
}

DecimalMark markOf(const std::vector<ColumnFacts> &facts, int latitude, int longitude)
{
    const auto column = [&](int i) { return i >= 0 && i < int(facts.size()) ? facts[size_t(i)] : ColumnFacts(); };
    const ColumnFacts lat = column(latitude);
    if (latitude == longitude)
        return lat.pairMark();
    return lat.numbers[0] + lat.numbers[1] > 0 ? lat.numberMark() : column(longitude).numberMark();
}

} // namespace

DecimalMark detectDecimalMark(const TableSample &sample, const TableLayout &layout)
{
    return markOf(columnFacts(sample, layout.hasHeader), layout.latitudeColumn, layout.longitudeColumn);
}

void detectColumns(const TableSample &sample, TableLayout &layout)
{
    layout.latitudeColumn = layout.longitudeColumn = layout.labelColumn = TableLayout::NoColumn;
    layout.decimalMark = DecimalMark::Point;
    const std::vector<ColumnFacts> facts = columnFacts(sample, layout.hasHeader);
    const int columns = int(facts.size());
    std::vector<NameMatch> names(facts.size());
    if (layout.hasHeader && !sample.empty()) {
        for (int column = 0; column < int(sample.front().cells.size()); ++column)
            names[size_t(column)] = matchName(sample.front().cells[column]);
    }

    const auto useColumns = [&](int latitude, int longitude) {
        layout.latitudeColumn = latitude;
        layout.longitudeColumn = longitude;
        layout.decimalMark = markOf(facts, latitude, longitude);
    };

    // By header names first; a named pair column only when its values are pairs.
    const int namedLat = namedColumn(names, NameKind::Latitude, {});
    const int namedLon = namedColumn(names, NameKind::Longitude, {namedLat});
    const int namedPair = namedColumn(names, NameKind::Pair, {});
    if (namedLat != TableLayout::NoColumn && namedLon != TableLayout::NoColumn) {
        useColumns(namedLat, namedLon);
    } else if (namedPair != TableLayout::NoColumn && facts[size_t(namedPair)].coordinatePairs(true)) {
        useColumns(namedPair, namedPair);
    } else {
        // By values: a column within ±90 next to one within ±180; of several such, the one
        // with the most digits after the mark (ids, counts and years have none).
        int best = TableLayout::NoColumn;
        double bestPrecision = -1;
        for (int column = 0; column + 1 < columns; ++column) {
            const ColumnFacts &lat = facts[size_t(column)];
            const ColumnFacts &lon = facts[size_t(column) + 1];
            if (!lat.latitudes() || !lon.longitudes())
                continue;
            const double precision = std::min(lat.precision(), lon.precision());
            if (precision > bestPrecision) {
                best = column;
                bestPrecision = precision;
            }
        }
        if (best != TableLayout::NoColumn) {
            useColumns(best, best + 1);
        } else {
            for (int column = 0; column < columns; ++column) {
                if (facts[size_t(column)].coordinatePairs()) {
                    useColumns(column, column);
                    break;
                }
            }
        }
    }

    const std::vector<int> coordinates{layout.latitudeColumn, layout.longitudeColumn};
    layout.labelColumn = namedColumn(names, NameKind::Label, coordinates);
    for (int column = 0; layout.labelColumn == TableLayout::NoColumn && column < columns; ++column) {
        if (std::find(coordinates.begin(), coordinates.end(), column) == coordinates.end() &&
            facts[size_t(column)].wordy())
            layout.labelColumn = column;
    }
}

TableLayout detectLayout(QByteArrayView head, bool complete, int maxRecords, char separator)
{
    TableLayout layout;
    layout.separator = separator ? separator : detectSeparator(head, complete);
    const TableSample sample = readSample(head, complete, layout.separator, maxRecords);
    layout.hasHeader = detectHeader(sample);
    detectColumns(sample, layout);
    return layout;
}
