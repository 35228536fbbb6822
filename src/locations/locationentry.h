#pragma once

#include <QString>

// One row of the location list, kept exactly as typed or loaded: never trimmed, parsed or
// validated. Only latitude and longitude are saved and exported; the comment is shown only.
struct LocationEntry
{
    QString latitude;
    QString longitude;
    QString comment; // empty for rows loaded from a file
};
