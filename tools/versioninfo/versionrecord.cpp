#include "versionrecord.h"

namespace {

constexpr quint16 BinaryValue = 0;
constexpr quint16 TextValue = 1;

void appendWord(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void appendDword(QByteArray &out, quint32 value)
{
    appendWord(out, quint16(value & 0xFFFF));
    appendWord(out, quint16(value >> 16));
}

void appendText(QByteArray &out, const QString &text)
{
    for (const QChar c : text)
        appendWord(out, c.unicode());
    appendWord(out, 0);
}

void padToDword(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

// A block: wLength, wValueLength, wType, the key, padding, the value, then each child on a
// 32-bit boundary. wLength covers all of it but not padding after the last child. Blocks
// always start on a 32-bit boundary, so aligning within the block aligns within the record.
QByteArray makeBlock(const QString &key, quint16 type, const QByteArray &value, quint16 valueLength,
                     const QList<QByteArray> &children, bool &fits)
{
    QByteArray out;
    appendWord(out, 0);
    appendWord(out, valueLength);
    appendWord(out, type);
    appendText(out, key);
    padToDword(out);
    out.append(value);
    for (const QByteArray &child : children) {
        padToDword(out);
        out.append(child);
    }
    if (out.size() > 0xFFFF) {
        fits = false;
        return {};
    }
    out[0] = char(out.size() & 0xFF);
    out[1] = char(out.size() >> 8);
    return out;
}

quint32 highHalf(const std::array<quint16, 4> &version)
{
    return quint32(version[0]) << 16 | version[1];
}

quint32 lowHalf(const std::array<quint16, 4> &version)
{
    return quint32(version[2]) << 16 | version[3];
}

QByteArray fixedFileInfo(const VersionRecordValues &values)
{
    QByteArray out;
    appendDword(out, 0xFEEF04BD); // dwSignature
    appendDword(out, 0x00010000); // dwStrucVersion
    appendDword(out, highHalf(values.fileVersion));
    appendDword(out, lowHalf(values.fileVersion));
    appendDword(out, highHalf(values.productVersion));
    appendDword(out, lowHalf(values.productVersion));
    appendDword(out, 0x0000003F); // dwFileFlagsMask: VS_FFI_FILEFLAGSMASK
    appendDword(out, 0);          // dwFileFlags
    appendDword(out, 0x00040004); // dwFileOS: VOS_NT_WINDOWS32
    appendDword(out, 0x00000001); // dwFileType: VFT_APP
    appendDword(out, 0);          // dwFileSubtype
    appendDword(out, 0);          // dwFileDateMS
    appendDword(out, 0);          // dwFileDateLS
    return out;
}

} // namespace

QByteArray buildVersionRecord(const VersionRecordValues &values)
{
    bool fits = true;
    QList<QByteArray> sections;

    if (!values.tables.isEmpty()) {
        QList<QByteArray> tables;
        for (const VersionStringTable &table : values.tables) {
            QList<QByteArray> strings;
            for (const auto &[name, text] : table.strings) {
                QByteArray value;
                appendText(value, text);
                // A text value's length counts UTF-16 units, its terminating zero included.
                strings.append(makeBlock(name, TextValue, value, quint16(text.size() + 1), {}, fits));
            }
            tables.append(makeBlock(table.key, TextValue, {}, 0, strings, fits));
        }
        sections.append(makeBlock(QStringLiteral("StringFileInfo"), TextValue, {}, 0, tables, fits));
    }

    if (!values.translations.isEmpty()) {
        QByteArray list;
        for (const quint32 translation : values.translations)
            appendDword(list, translation);
        const QByteArray var =
            makeBlock(QStringLiteral("Translation"), BinaryValue, list, quint16(list.size()), {}, fits);
        sections.append(makeBlock(QStringLiteral("VarFileInfo"), TextValue, {}, 0, {var}, fits));
    }

    const QByteArray fixed = values.hasFixedPart ? fixedFileInfo(values) : QByteArray();
    QByteArray record = makeBlock(QStringLiteral("VS_VERSION_INFO"), BinaryValue, fixed,
                                  quint16(fixed.size()), sections, fits);
    return fits ? record : QByteArray();
}
