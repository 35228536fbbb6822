#include "locationfile.h"

#include <QFileInfo>

std::vector<LocationEntry> parseLocationLines(QStringList lines, QChar separator, bool *skippedText)
{
    std::vector<LocationEntry> entries;
    entries.reserve(size_t(lines.size()));
    for (QString &line : lines) {
        const qsizetype at = line.indexOf(separator);
        if (at < 0) {
            if (skippedText && !*skippedText)
                *skippedText = !line.trimmed().isEmpty();
            continue;
        }
        LocationEntry entry;
        entry.longitude = line.mid(at + 1);
        // The line's own buffer becomes the latitude: one allocation fewer per entry.
        line.truncate(at);
        entry.latitude = std::move(line);
        entries.push_back(std::move(entry));
    }
    if (entries.capacity() - entries.size() > entries.size() / 8)
        entries.shrink_to_fit();
    return entries;
}

std::vector<LocationEntry> readLocationFile(const QString &path, QChar separator,
                                            const TextEncoding &encoding, bool *skippedText)
{
    requireRegularFile(path);
    return parseLocationLines(readTextLines(path, encoding), separator, skippedText);
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
