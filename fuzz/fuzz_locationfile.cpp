// Location files, read with "," and with ";", then saved and loaded again through real files.
// The first byte picks the code page of files without a mark and whether the list's first
// text starts with U+FEFF, as a typed one may; the rest is the file.

#include "fuzzsupport.h"

#include "locations/locationfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const TextEncoding encoding =
        data[0] % 2 == 0 ? TextEncoding::utf8() : TextEncoding::named("windows-1252");
    const QString text = decodeText(bytesOf(data, size).sliced(1), encoding);
    QStringList lines = splitTextLines(text);
    if (data[0] & 2) {
        if (lines.isEmpty())
            lines.append(QString());
        lines.first().prepend(QChar(0xFEFF));
    }
    const QString path = scratchFolder() + QStringLiteral("/list.csv");

    for (const QChar separator : {QChar(u','), QChar(u';')}) {
        const std::vector<LocationEntry> entries = parseLocationLines(lines, separator);
        // The reader that walks the text without a list of lines finds the same entries.
        if (!(data[0] & 2)) {
            const std::vector<LocationEntry> walked = parseLocationText(text, separator);
            FUZZ_CHECK(walked.size() == entries.size());
            for (size_t i = 0; i < walked.size(); ++i)
                FUZZ_CHECK(walked[i].latitude == entries[i].latitude &&
                           walked[i].longitude == entries[i].longitude);
        }

        // Every line with a separator is one entry, split at its first separator; the others
        // are skipped.
        size_t next = 0;
        for (const QString &line : lines) {
            if (!line.contains(separator))
                continue;
            FUZZ_CHECK(next < entries.size());
            const LocationEntry &entry = entries[next++];
            FUZZ_CHECK(!entry.latitude.contains(separator) && entry.comment.isEmpty());
            FUZZ_CHECK(entry.latitude + separator + entry.longitude == line);
        }
        FUZZ_CHECK(next == entries.size());

        // Saved and loaded again, in UTF-8, the list is the same: nothing gained, lost or
        // changed, a leading U+FEFF included. (Only texts with a UTF-8 form can be saved.)
        bool encodable = true;
        for (const LocationEntry &entry : entries)
            encodable = encodable && hasUtf8Form(entry.latitude) && hasUtf8Form(entry.longitude);
        if (!encodable)
            continue;
        writeLocationFile(path, entries, separator, TextEncoding::utf8());
        const std::vector<LocationEntry> loaded = readLocationFile(path, separator, TextEncoding::utf8());
        FUZZ_CHECK(loaded.size() == entries.size());
        for (size_t i = 0; i < loaded.size(); ++i) {
            FUZZ_CHECK(loaded[i].latitude == entries[i].latitude);
            FUZZ_CHECK(loaded[i].longitude == entries[i].longitude);
        }
    }
    return 0;
}
