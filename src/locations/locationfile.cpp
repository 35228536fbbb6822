#include "locationfile.h"

#include "platform/errors.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// A long list is kept for the whole run: give back what its growth left over.
void shrinkSlack(std::vector<LocationEntry> &entries)
{
    if (entries.capacity() - entries.size() > entries.size() / 8)
        entries.shrink_to_fit();
}

} // namespace

std::vector<LocationEntry> parseLocationLines(QStringList lines, QChar separator)
{
    std::vector<LocationEntry> entries;
    entries.reserve(size_t(lines.size()));
    for (QString &line : lines) {
        const std::optional<LocationText> location = splitLocationLine(line, separator);
        if (!location)
            continue;
        LocationEntry entry;
        entry.longitude = location->longitude.toString();
        // The line's own buffer becomes the latitude: one allocation fewer per entry.
        line.truncate(location->latitude.size());
        entry.latitude = std::move(line);
        entries.push_back(std::move(entry));
    }
    shrinkSlack(entries);
    return entries;
}

std::vector<LocationEntry> parseLocationText(QStringView text, QChar separator)
{
    std::vector<LocationEntry> entries;
    forEachLocation(text, separator, [&entries](const LocationText &location) {
        entries.push_back(LocationEntry{location.latitude.toString(), location.longitude.toString(), {}});
    });
    shrinkSlack(entries);
    return entries;
}

void refuseSpecialFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        throw FileError(cannotOpenFileMessage(path, QStringLiteral("Not a regular file")));
}

std::vector<LocationEntry> readLocationFile(const QString &path, QChar separator,
                                            const TextEncoding &encoding, bool *textButNoEntries)
{
    refuseSpecialFile(path);
    const QString text = readText(path, encoding);
    std::vector<LocationEntry> entries = parseLocationText(text, separator);
    if (textButNoEntries) {
        *textButNoEntries = entries.empty() && std::any_of(text.cbegin(), text.cend(), [](QChar c) {
            return !c.isSpace();
        });
    }
    return entries;
}

void writeLocationFile(const QString &path, const std::vector<LocationEntry> &entries, QChar separator,
                       const TextEncoding &encoding)
{
    TextLineWriter writer(path, encoding);
    QString line;
    for (const LocationEntry &entry : entries) {
        line.clear();
        line.append(entry.latitude).append(separator).append(entry.longitude);
        writer.writeLine(line);
    }
    writer.commit();
}

QString noLocationLoadedMessage(const QString &path, QChar separator)
{
    return QStringLiteral("No location was loaded from \"%1\": no line holds the list separator \"%2\". "
                          "For other tables (a header row, quoted fields, more columns or another "
                          "separator) use \"Import Table...\" in the File menu.")
        .arg(QFileInfo(path).fileName(), separator);
}
