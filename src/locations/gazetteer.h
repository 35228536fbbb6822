#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// The coordinate texts a country table line gives for a picked name.
struct CountryPoint
{
    QString latitude;
    QString longitude;
};

// Finds the first line of the country table whose name (the text before its first comma)
// equals name exactly, UTF-16 unit for unit. Its latitude is the text between the first and
// the second comma; its longitude all that follows the second comma, further commas included.
// With a single comma the latitude is empty and the longitude is everything after it.
// Nothing when no line matches.
std::optional<CountryPoint> lookUpCountry(const QStringList &table, QStringView name);
