// The version record reader. An even first byte: the rest is read as a whole file, and as a
// record wrapped in a valid ELF file of each class and byte order, which must all read alike.
// An odd first byte: the rest chooses the values of a record that the build's own record
// writer makes, and the reader must give exactly those values back.

#include "fuzzsupport.h"

#include "identity/versioninfo.h"
#include "platform/errors.h"
#include "versionrecord.h"

#include <sys/mman.h>
#include <unistd.h>

#include <array>

namespace {

// One in-memory file, rewritten for every input, and the name that opens it.
class MemoryFile
{
public:
    MemoryFile() : m_fd(memfd_create("version-record", MFD_CLOEXEC))
    {
        FUZZ_CHECK(m_fd >= 0);
        m_name = QStringLiteral("/proc/self/fd/%1").arg(m_fd);
    }
    const QString &holding(const QByteArray &bytes)
    {
        FUZZ_CHECK(ftruncate(m_fd, 0) == 0);
        FUZZ_CHECK(pwrite(m_fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size());
        return m_name;
    }

private:
    int m_fd;
    QString m_name;
};

void put(QByteArray &out, qsizetype at, quint64 value, int width, bool bigEndian)
{
    for (int i = 0; i < width; ++i)
        out[at + i] = char(value >> (8 * (bigEndian ? width - 1 - i : i)));
}

// An ELF file with three sections: none, the record as ".thermira_version", and the names.
QByteArray elfWith(const QByteArray &record, bool is64, bool bigEndian)
{
    const QByteArray names = QByteArrayLiteral("\0.thermira_version\0.shstrtab\0");
    const int headerSize = is64 ? 64 : 52;
    const int entrySize = is64 ? 64 : 40;
    const qsizetype namesAt = headerSize + record.size();
    const qsizetype tableAt = (namesAt + names.size() + 7) & ~qsizetype(7);
    QByteArray elf(tableAt + 3 * entrySize, '\0');
    elf.replace(0, 4,
                "\x7F"
                "ELF");
    elf[4] = char(is64 ? 2 : 1);
    elf[5] = char(bigEndian ? 2 : 1);
    elf[6] = 1;
    put(elf, 0x10, 2, 2, bigEndian); // an executable
    put(elf, 0x14, 1, 4, bigEndian);
    put(elf, is64 ? 0x28 : 0x20, quint64(tableAt), is64 ? 8 : 4, bigEndian);
    put(elf, is64 ? 0x34 : 0x28, quint64(headerSize), 2, bigEndian);
    put(elf, is64 ? 0x3A : 0x2E, quint64(entrySize), 2, bigEndian);
    put(elf, is64 ? 0x3C : 0x30, 3, 2, bigEndian);
    put(elf, is64 ? 0x3E : 0x32, 2, 2, bigEndian);
    elf.replace(headerSize, record.size(), record);
    elf.replace(namesAt, names.size(), names);
    const auto section = [&](int index, quint32 name, quint32 type, quint64 offset, quint64 size) {
        const qsizetype at = tableAt + index * entrySize;
        put(elf, at, name, 4, bigEndian);
        put(elf, at + 4, type, 4, bigEndian);
        put(elf, at + (is64 ? 0x18 : 0x10), offset, is64 ? 8 : 4, bigEndian);
        put(elf, at + (is64 ? 0x20 : 0x14), size, is64 ? 8 : 4, bigEndian);
    };
    section(1, 1, 1, quint64(headerSize), quint64(record.size())); // PROGBITS
    section(2, 19, 3, quint64(namesAt), quint64(names.size()));    // STRTAB
    return elf;
}

// The record's twelve texts in its order, and their names in a record.
constexpr QString TEXEVersionData::*Fields[12] = {
    &TEXEVersionData::CompanyName,      &TEXEVersionData::FileDescription, &TEXEVersionData::FileVersion,
    &TEXEVersionData::InternalName,     &TEXEVersionData::LegalCopyright,  &TEXEVersionData::LegalTrademarks,
    &TEXEVersionData::OriginalFileName, &TEXEVersionData::ProductName,     &TEXEVersionData::ProductVersion,
    &TEXEVersionData::Comments,         &TEXEVersionData::PrivateBuild,    &TEXEVersionData::SpecialBuild};
const char16_t *const FieldNames[12] = {u"CompanyName",      u"FileDescription", u"FileVersion",
                                        u"InternalName",     u"LegalCopyright",  u"LegalTrademarks",
                                        u"OriginalFilename", u"ProductName",     u"ProductVersion",
                                        u"Comments",         u"PrivateBuild",    u"SpecialBuild"};

// What reading a file gives: the texts (or that it failed) and the fixed version.
struct Reading
{
    bool failed = false;
    std::array<QString, 12> texts;
    quint32 fixed = 0;
    bool operator==(const Reading &) const = default;
};

const QString Untouched = QStringLiteral("\uFFFFuntouched");

Reading readFile(const QString &name)
{
    TEXEVersionData data;
    for (const auto field : Fields)
        data.*field = Untouched;
    Reading reading;
    try {
        GetEXEVersionData(name, data);
    } catch (const SystemError &) {
        reading.failed = true;
    }
    for (size_t i = 0; i < std::size(Fields); ++i) {
        reading.texts[i] = data.*Fields[i];
        // The reader fails before it sets any field.
        FUZZ_CHECK(!reading.failed || reading.texts[i] == Untouched);
    }
    reading.fixed = ReadFixedFileVersion(name);
    return reading;
}

void readArbitraryBytes(MemoryFile &file, const QByteArray &bytes)
{
    readFile(file.holding(bytes));
    const Reading first = readFile(file.holding(elfWith(bytes, false, false)));
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true})
            FUZZ_CHECK(readFile(file.holding(elfWith(bytes, is64, bigEndian))) == first);
    }
}

QString inCase(QString text, quint8 pattern)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = (pattern >> (i % 8)) & 1 ? text[i].toUpper() : text[i].toLower();
    return text;
}

// The values: a byte for the fixed part and the letter case, four for the first translation,
// the texts after them; each text goes into the field of its position, a text's first NUL
// ending it as the record's texts end.
void readWrittenRecord(MemoryFile &file, QByteArrayView bytes)
{
    if (bytes.size() < 5)
        return;
    const quint8 options = quint8(bytes[0]);
    const quint16 language = quint16(quint8(bytes[1]) | quint8(bytes[2]) << 8);
    const quint16 codePage = quint16(quint8(bytes[3]) | quint8(bytes[4]) << 8);
    const QStringList texts = textsFrom(bytes.sliced(5));

    VersionRecordValues values;
    values.hasFixedPart = options & 1;
    values.fileVersion = {quint16(language ^ 0x5A5A), codePage, 3, 4};
    values.translations = {quint32(codePage) << 16 | language, 0x04B00407};
    VersionStringTable table{inCase(QString::asprintf("%04X%04X", language, codePage), options), {}};
    // A table of the second translation comes first and must not be read.
    VersionStringTable other{QStringLiteral("040704B0"), {}};
    std::array<QString, 12> expected;
    expected.fill(Untouched);
    for (qsizetype i = 0; i < texts.size() && i < 12; ++i) {
        table.strings.append({inCase(QString::fromUtf16(FieldNames[i]), options ^ quint8(i)), texts[i]});
        expected[size_t(i)] = texts[i].left(texts[i].indexOf(QChar(u'\0')));
        other.strings.append({QString::fromUtf16(FieldNames[i]), QStringLiteral("other")});
    }
    if (table.key.compare(other.key, Qt::CaseInsensitive) != 0)
        values.tables.append(other);
    values.tables.append(table);
    const QByteArray record = buildVersionRecord(values);
    if (record.isEmpty())
        return; // too large for a record

    const Reading reading = readFile(file.holding(elfWith(record, options & 2, options & 4)));
    FUZZ_CHECK(!reading.failed);
    FUZZ_CHECK(reading.texts == expected);
    FUZZ_CHECK(reading.fixed ==
               (values.hasFixedPart ? quint32(values.fileVersion[0]) << 16 | codePage : 0xFFFFFFFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static MemoryFile file;
    if (size == 0)
        return 0;
    const QByteArrayView rest = bytesOf(data, size).sliced(1);
    if (data[0] % 2 == 0)
        readArbitraryBytes(file, rest.toByteArray());
    else
        readWrittenRecord(file, rest);
    return 0;
}
