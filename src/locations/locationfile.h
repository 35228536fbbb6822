#pragma once

#include "locationentry.h"
#include "platform/textlinefile.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <vector>

// Location files: one entry per line, latitude and longitude joined by the list separator,
// no header, no quoting, no comment column.

// Splits every line at its first separator: the latitude is the text before it, the longitude
// all that follows (further separators included). Lines without a separator are skipped.
// The entries carry no comment. Takes the lines by value so that their text can be reused.
// skippedText, when given, tells whether a skipped line held more than blanks.
std::vector<LocationEntry> parseLocationLines(QStringList lines, QChar separator, bool *skippedText = nullptr);

// Reads a location file as a text line file. Throws FileError "Cannot open file ..." when the
// file cannot be opened or read, also when it is no regular file (a pipe or a device would
// never end or never start).
std::vector<LocationEntry> readLocationFile(const QString &path, QChar separator,
                                            const TextEncoding &encoding = TextEncoding::system(),
                                            bool *skippedText = nullptr);

// Writes latitude + separator + longitude for every entry, in list order; the comment is not
// written. The old file stays as it was unless the whole new content was written. Throws
// FileError "Cannot create file ..." or "Stream write error".
void writeLocationFile(const QString &path, const std::vector<LocationEntry> &entries, QChar separator,
                       const TextEncoding &encoding = TextEncoding::system());

// What a load says when the file held text but no line with the separator, so that nothing
// was added.
QString noLocationLoadedMessage(const QString &path, QChar separator);
