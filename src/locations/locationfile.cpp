#include "locationfile.h"

#include "platform/errors.h"

#include <QFileInfo>

std::vector<LocationEntry> parseLocationLines(QStringList lines, QChar separator)
{
    std::vector<LocationEntry> entries;
    entries.reserve(size_t(lines.size()));
    for (QString &line : lines) {
        const qsizetype at = line.indexOf(separator);
        if (at < 0)
            continue;
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
                                            const TextEncoding &encoding)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        throw FileError(cannotOpenFileMessage(path, QStringLiteral("Not a regular file")));
    return parseLocationLines(readTextLines(path, encoding), separator);
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
