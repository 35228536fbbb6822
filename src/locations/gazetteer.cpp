#include "gazetteer.h"

std::optional<CountryPoint> lookUpCountry(const QStringList &table, QStringView name)
{
    for (const QString &line : table) {
        const qsizetype comma = line.indexOf(u',');
        // A line without a comma has an empty name, like one that starts with a comma.
        const QStringView lineName = comma < 0 ? QStringView() : QStringView(line).left(comma);
        if (lineName != name)
            continue;
        const QStringView rest = comma < 0 ? QStringView(line) : QStringView(line).mid(comma + 1);
        const qsizetype second = rest.indexOf(u',');
        if (second < 0)
            return CountryPoint{QString(), rest.toString()};
        return CountryPoint{rest.left(second).toString(), rest.mid(second + 1).toString()};
    }
    return std::nullopt;
}
