#pragma once

#include "locationentry.h"
#include "platform/textlinefile.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// Location files: one entry per line, latitude and longitude joined by the list separator,
// no header, no quoting, no comment column.

// One line split at its first separator: the latitude is the text before it, the longitude all
// that follows (further separators included). Nothing for a line without the separator.
struct LocationText
{
    QStringView latitude;
    QStringView longitude;
};
inline std::optional<LocationText> splitLocationLine(QStringView line, QChar separator)
{
    const qsizetype at = line.indexOf(separator);
    if (at < 0)
        return std::nullopt;
    return LocationText{line.first(at), line.sliced(at + 1)};
}

// Calls visit(LocationText) for every line of the text that holds the separator, in order.
template <typename Visit>
void forEachLocation(QStringView text, QChar separator, Visit &&visit)
{
    forEachTextLine(text, [&](QStringView line) {
        if (const std::optional<LocationText> location = splitLocationLine(line, separator))
            visit(*location);
    });
}

// Splits every line at its first separator: the latitude is the text before it, the longitude
// all that follows (further separators included). Lines without a separator are skipped.
// The entries carry no comment. Takes the lines by value so that their text can be reused.
std::vector<LocationEntry> parseLocationLines(QStringList lines, QChar separator);

// The entries of a whole decoded text, by the same rules.
std::vector<LocationEntry> parseLocationText(QStringView text, QChar separator);

// Throws FileError "Cannot open file ..." when the path names something that is neither a
// regular file nor a folder (a pipe or a device would never end or never start).
void refuseSpecialFile(const QString &path);

// Reads a location file as a text line file. Throws FileError "Cannot open file ..." when the
// file cannot be opened or read, also when it is no regular file (a pipe or a device would
// never end or never start). textButNoEntries, when given, tells whether the file held more
// than blanks and yet no line with the separator.
std::vector<LocationEntry> readLocationFile(const QString &path, QChar separator,
                                            const TextEncoding &encoding = TextEncoding::system(),
                                            bool *textButNoEntries = nullptr);

// Writes latitude + separator + longitude for every entry, in list order; the comment is not
// written. The old file stays as it was unless the whole new content was written. Throws
// FileError "Cannot create file ..." or "Stream write error".
void writeLocationFile(const QString &path, const std::vector<LocationEntry> &entries, QChar separator,
                       const TextEncoding &encoding = TextEncoding::system());

// What a load says when the file held text but no line with the separator, so that nothing
// was added.
QString noLocationLoadedMessage(const QString &path, QChar separator);
