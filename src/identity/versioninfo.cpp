#include "versioninfo.h"

#include "platform/errors.h"
#include "platform/systemerror.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

// The build links the version record into the executable as an ELF section of its own
// (cmake/VersionInfo.cmake). The record has the Windows version-resource layout, and the
// queries follow VerQueryValueW: block names compared without regard to case, empty path
// components skipped, "\" for the fixed part.
//
// Failures carry the code GetFileVersionInfoSizeW/GetFileVersionInfoW would leave behind:
// errno when the file cannot be opened or read (ENOENT, EACCES, EISDIR, EIO, ...), and 0 when
// the file is readable but holds no usable record: not ELF, no such section, a truncated or
// malformed record, or no translation list.

namespace {

const QByteArray SectionName = QByteArrayLiteral(".thermira_version");
constexpr char ElfMagic[] = {'\x7F', 'E', 'L', 'F', '\0'};

// A record's root block has a 16-bit length, so no record is larger than this.
constexpr quint64 MaxRecordSize = 0xFFFF;
// Tables of section headers and section names larger than these are not real executables.
constexpr quint64 MaxHeaderTableSize = 16 * 1024 * 1024;
constexpr quint64 MaxNameTableSize = 16 * 1024 * 1024;

constexpr quint32 SHT_NOBITS = 8;
constexpr quint16 SHN_XINDEX = 0xFFFF;

[[noreturn]] void raiseSystemError(int code)
{
    if (code == 0)
        throw SystemError(QStringLiteral("A call to an OS function failed"));
    throw SystemError(QStringLiteral("System Error.  Code: %1.\r\n%2%3")
                          .arg(QString::number(code), systemErrorText(code), QString()));
}

// The outcome of looking for a record: an errno-style code, or the record's bytes (empty when
// the file has none).
struct LoadedRecord
{
    int errorCode = 0;
    QByteArray bytes;
};

class ReadOnlyFile final
{
public:
    explicit ReadOnlyFile(const QString &fileName)
    {
        const QByteArray path = QFile::encodeName(fileName);
        if (path.contains('\0')) {
            m_error = EINVAL;
            return;
        }
        // Non-blocking, so that a FIFO given as the file name cannot hang the caller.
        do
            m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        struct stat info = {};
        if (::fstat(m_fd, &info) != 0) {
            m_error = errno;
        } else if (S_ISDIR(info.st_mode)) {
            m_error = EISDIR;
        } else if (S_ISREG(info.st_mode)) {
            m_size = quint64(info.st_size);
        }
        // Other kinds of file (devices, pipes) are left with size 0: they carry no record.
    }
    ~ReadOnlyFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    int error() const { return m_error; }
    quint64 size() const { return m_size; }

    // Exactly size bytes at offset, or nothing: a range beyond the end of the file (or a file
    // that shrank meanwhile) gives nothing, a read error sets error().
    std::optional<QByteArray> read(quint64 offset, quint64 size)
    {
        if (offset > m_size || size > m_size - offset)
            return std::nullopt;
        QByteArray data(qsizetype(size), Qt::Uninitialized);
        quint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pread(m_fd, data.data() + done, size - done, off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_error = errno;
                return std::nullopt;
            }
            if (n == 0)
                return std::nullopt;
            done += quint64(n);
        }
        return data;
    }

private:
    int m_fd = -1;
    int m_error = 0;
    quint64 m_size = 0;
};

// Reads little- or big-endian numbers at an offset of a buffer the caller has sized.
class Decoder final
{
public:
    explicit Decoder(bool bigEndian) : m_bigEndian(bigEndian) {}

    quint64 number(const QByteArray &data, qsizetype offset, int width) const
    {
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const quint64 byte = quint8(data[offset + i]);
            value |= byte << (8 * (m_bigEndian ? width - 1 - i : i));
        }
        return value;
    }

private:
    bool m_bigEndian;
};

struct SectionHeader
{
    quint32 name = 0;
    quint32 type = 0;
    quint64 offset = 0;
    quint64 size = 0;
    quint32 link = 0;
};

// Finds the record's section through the section header table and the section name table.
LoadedRecord loadRecord(const QString &fileName)
{
    ReadOnlyFile file(fileName);
    if (file.error() != 0)
        return {file.error(), {}};

    const auto ident = file.read(0, 16);
    if (!ident || !ident->startsWith(ElfMagic))
        return {file.error(), {}};
    const quint8 elfClass = quint8(ident->at(4));
    const quint8 byteOrder = quint8(ident->at(5));
    if ((elfClass != 1 && elfClass != 2) || (byteOrder != 1 && byteOrder != 2))
        return {};
    const bool is64 = elfClass == 2;
    const Decoder decode(byteOrder == 2);

    const auto header = file.read(0, is64 ? 64 : 52);
    if (!header)
        return {file.error(), {}};
    const quint64 tableOffset = is64 ? decode.number(*header, 0x28, 8) : decode.number(*header, 0x20, 4);
    const quint64 entrySize = decode.number(*header, is64 ? 0x3A : 0x2E, 2);
    quint64 count = decode.number(*header, is64 ? 0x3C : 0x30, 2);
    quint64 namesIndex = decode.number(*header, is64 ? 0x3E : 0x32, 2);
    if (tableOffset == 0 || entrySize < (is64 ? 64u : 40u))
        return {};

    const auto sectionAt = [&](const QByteArray &entry, qsizetype at) {
        SectionHeader s;
        s.name = quint32(decode.number(entry, at, 4));
        s.type = quint32(decode.number(entry, at + 4, 4));
        s.offset = is64 ? decode.number(entry, at + 0x18, 8) : decode.number(entry, at + 0x10, 4);
        s.size = is64 ? decode.number(entry, at + 0x20, 8) : decode.number(entry, at + 0x14, 4);
        s.link = quint32(decode.number(entry, at + (is64 ? 0x28 : 0x18), 4));
        return s;
    };

    // Files with very many sections keep the real count and name table index in section 0.
    if (count == 0 || namesIndex == SHN_XINDEX) {
        const auto first = file.read(tableOffset, entrySize);
        if (!first)
            return {file.error(), {}};
        const SectionHeader zero = sectionAt(*first, 0);
        if (count == 0)
            count = zero.size;
        if (namesIndex == SHN_XINDEX)
            namesIndex = zero.link;
    }
    if (count == 0 || namesIndex == 0 || namesIndex >= count || count > MaxHeaderTableSize / entrySize)
        return {};

    const auto table = file.read(tableOffset, count * entrySize);
    if (!table)
        return {file.error(), {}};
    const auto section = [&](quint64 index) { return sectionAt(*table, qsizetype(index * entrySize)); };

    const SectionHeader namesHeader = section(namesIndex);
    if (namesHeader.type == SHT_NOBITS || namesHeader.size > MaxNameTableSize)
        return {};
    const auto names = file.read(namesHeader.offset, namesHeader.size);
    if (!names)
        return {file.error(), {}};

    for (quint64 index = 1; index < count; ++index) {
        const SectionHeader candidate = section(index);
        if (candidate.name >= quint64(names->size()))
            continue;
        const char *name = names->constData() + candidate.name;
        const size_t room = size_t(names->size()) - candidate.name;
        const size_t length = qstrnlen(name, room);
        if (length == room || QByteArrayView(name, qsizetype(length)) != SectionName)
            continue;
        // A section that claims more than the file holds belongs to a truncated file.
        if (candidate.type == SHT_NOBITS || candidate.offset > file.size() ||
            candidate.size > file.size() - candidate.offset)
            return {};
        // Padding may make the section longer than the record; the root block's own length
        // says where the record ends.
        const auto bytes = file.read(candidate.offset, qMin(candidate.size, MaxRecordSize));
        if (!bytes)
            return {file.error(), {}};
        return {0, *bytes};
    }
    return {};
}

qsizetype alignToDword(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

// One block of the record: wLength, wValueLength, wType, a zero-terminated UTF-16 key, the
// value and the children, each on a 32-bit boundary. Offsets are into the record.
struct Block
{
    qsizetype end = 0;
    QString key;
    qsizetype valueStart = 0;
    qsizetype valueSize = 0; // in bytes, cut at the end of the block
    qsizetype childrenStart = 0;
};

class VersionRecord final
{
public:
    explicit VersionRecord(QByteArray bytes) : m_bytes(std::move(bytes))
    {
        m_root = parseBlock(0, m_bytes.size());
        if (m_root && m_root->key != QLatin1String("VS_VERSION_INFO"))
            m_root.reset();
    }

    bool isValid() const { return m_root.has_value(); }

    // The block a query path names, like VerQueryValueW: "\StringFileInfo\040904e4\ProductName".
    std::optional<Block> find(const QString &path) const
    {
        if (!m_root)
            return std::nullopt;
        Block current = *m_root;
        const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
        for (const QString &part : parts) {
            std::optional<Block> match;
            qsizetype at = current.childrenStart;
            while (!match && at < current.end) {
                const std::optional<Block> child = parseBlock(at, current.end);
                if (!child)
                    break;
                if (child->key.compare(part, Qt::CaseInsensitive) == 0)
                    match = child;
                at = alignToDword(child->end);
            }
            if (!match)
                return std::nullopt;
            current = *match;
        }
        return current;
    }

    quint16 word(qsizetype offset) const
    {
        return quint16(quint8(m_bytes[offset]) | quint8(m_bytes[offset + 1]) << 8);
    }

    quint32 dword(qsizetype offset) const { return quint32(word(offset)) | quint32(word(offset + 2)) << 16; }

    // A text value up to its terminating zero, or to the end of the value.
    QString text(const Block &block) const
    {
        QString result;
        for (qsizetype at = block.valueStart; at + 1 < block.valueStart + block.valueSize; at += 2) {
            const quint16 unit = word(at);
            if (unit == 0)
                break;
            result.append(QChar(unit));
        }
        return result;
    }

private:
    std::optional<Block> parseBlock(qsizetype start, qsizetype limit) const
    {
        if (start < 0 || start + 6 > limit)
            return std::nullopt;
        const qsizetype length = word(start);
        const qsizetype valueLength = word(start + 2);
        const quint16 type = word(start + 4);
        if (length < 6 || start + length > limit)
            return std::nullopt;

        Block block;
        block.end = start + length;
        qsizetype at = start + 6;
        for (;; at += 2) {
            if (at + 2 > block.end)
                return std::nullopt;
            const quint16 unit = word(at);
            if (unit == 0)
                break;
            block.key.append(QChar(unit));
        }
        block.valueStart = qMin(alignToDword(at + 2), block.end);
        // wValueLength counts UTF-16 units for text values and bytes for binary ones.
        const qsizetype valueBytes = type != 0 ? valueLength * 2 : valueLength;
        block.valueSize = qMin(valueBytes, block.end - block.valueStart);
        block.childrenStart = alignToDword(block.valueStart + valueBytes);
        return block;
    }

    QByteArray m_bytes;
    std::optional<Block> m_root;
};

constexpr quint32 FixedInfoSignature = 0xFEEF04BD;
constexpr qsizetype FixedInfoSize = 52;
constexpr quint32 NoVersion = 0xFFFFFFFF;

} // namespace

void GetEXEVersionData(const QString &fileName, TEXEVersionData &data)
{
    const LoadedRecord loaded = loadRecord(fileName);
    if (loaded.errorCode != 0)
        raiseSystemError(loaded.errorCode);
    const VersionRecord record(loaded.bytes);
    if (!record.isValid())
        raiseSystemError(0);

    // The trailing backslash is an empty path component, which the query skips.
    const std::optional<Block> translations = record.find(QStringLiteral("\\VarFileInfo\\Translation\\"));
    if (!translations || translations->valueSize < 4)
        raiseSystemError(0);
    const quint16 language = record.word(translations->valueStart);
    const quint16 codePage = record.word(translations->valueStart + 2);
    const QString key = QString::asprintf("%.4x%.4x", language, codePage);

    const std::pair<QString TEXEVersionData::*, const char16_t *> fields[] = {
        {&TEXEVersionData::CompanyName, u"\\CompanyName"},
        {&TEXEVersionData::FileDescription, u"\\FileDescription"},
        {&TEXEVersionData::FileVersion, u"\\FileVersion"},
        {&TEXEVersionData::InternalName, u"\\InternalName"},
        {&TEXEVersionData::LegalCopyright, u"\\LegalCopyright"},
        {&TEXEVersionData::LegalTrademarks, u"\\LegalTrademarks"},
        {&TEXEVersionData::OriginalFileName, u"\\OriginalFileName"},
        {&TEXEVersionData::ProductName, u"\\ProductName"},
        {&TEXEVersionData::ProductVersion, u"\\ProductVersion"},
        {&TEXEVersionData::Comments, u"\\Comments"},
        {&TEXEVersionData::PrivateBuild, u"\\PrivateBuild"},
        {&TEXEVersionData::SpecialBuild, u"\\SpecialBuild"},
    };
    for (const auto &[field, queryName] : fields) {
        const std::optional<Block> value =
            record.find(QStringLiteral("\\StringFileInfo\\") + key + QString::fromUtf16(queryName));
        if (value)
            data.*field = record.text(*value);
    }
}

quint32 ReadFixedFileVersion(const QString &fileName)
{
    try {
        const LoadedRecord loaded = loadRecord(fileName);
        const VersionRecord record(loaded.bytes);
        const std::optional<Block> fixed = record.find(QStringLiteral("\\"));
        if (!fixed || fixed->valueSize < FixedInfoSize ||
            record.dword(fixed->valueStart) != FixedInfoSignature)
            return NoVersion;
        return record.dword(fixed->valueStart + 8);
    } catch (...) {
        return NoVersion;
    }
}
