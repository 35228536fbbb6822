#pragma once

#include <QStringView>

#include <optional>

// The strict text-to-integer rule the stored settings and announced versions are read with:
// optional leading blanks, an optional sign, one or more decimal digits and nothing after,
// within the 32-bit signed range. Anything else is no number.
std::optional<qint32> parseWholeNumber(QStringView text);
