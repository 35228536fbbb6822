// Writes a version record file from values given on the command line. The build embeds the
// program's record with it; the tests make their own records with it.
//
//   thermira-versioninfo --output FILE
//       [--file-version A.B.C.D] [--product-version A.B.C.D] [--no-fixed]
//       [--translation LANGUAGE:CODEPAGE]...
//       [--table KEY [--string NAME=VALUE]...]...
//
// Numbers of a translation are hexadecimal (0x0409:0x04E4 or 0409:04E4). Translations are
// listed in the order given; every --string belongs to the --table before it.

#include "versionrecord.h"

#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "thermira-versioninfo: %s\n", qPrintable(message));
    return 2;
}

std::optional<std::array<quint16, 4>> parseVersion(const QString &text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() > 4)
        return std::nullopt;
    std::array<quint16, 4> version{};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint number = parts[i].toUInt(&ok, 10);
        if (!ok || number > 0xFFFF)
            return std::nullopt;
        version[size_t(i)] = quint16(number);
    }
    return version;
}

std::optional<quint16> parseHexWord(QString text)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    const uint number = text.toUInt(&ok, 16);
    if (!ok || number > 0xFFFF)
        return std::nullopt;
    return quint16(number);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromUtf8(argv[i]));

    VersionRecordValues values;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &option = args[i];
        if (option == QLatin1String("--no-fixed")) {
            values.hasFixedPart = false;
            continue;
        }
        if (i + 1 >= args.size())
            return fail(QStringLiteral("%1 needs a value").arg(option));
        const QString value = args[++i];
        if (option == QLatin1String("--output")) {
            output = value;
        } else if (option == QLatin1String("--file-version") ||
                   option == QLatin1String("--product-version")) {
            const auto version = parseVersion(value);
            if (!version)
                return fail(QStringLiteral("bad version number: %1").arg(value));
            (option == QLatin1String("--file-version") ? values.fileVersion : values.productVersion) =
                *version;
        } else if (option == QLatin1String("--translation")) {
            const QStringList parts = value.split(u':');
            const auto language = parts.size() == 2 ? parseHexWord(parts[0]) : std::nullopt;
            const auto codePage = parts.size() == 2 ? parseHexWord(parts[1]) : std::nullopt;
            if (!language || !codePage)
                return fail(QStringLiteral("bad translation: %1").arg(value));
            values.translations.append(quint32(*codePage) << 16 | *language);
        } else if (option == QLatin1String("--table")) {
            values.tables.append({value, {}});
        } else if (option == QLatin1String("--string")) {
            const qsizetype equals = value.indexOf(u'=');
            if (values.tables.isEmpty() || equals <= 0)
                return fail(QStringLiteral("bad string (NAME=VALUE after --table): %1").arg(value));
            values.tables.last().strings.append({value.left(equals), value.mid(equals + 1)});
        } else {
            return fail(QStringLiteral("unknown option: %1").arg(option));
        }
    }
    if (output.isEmpty())
        return fail(QStringLiteral("--output is missing"));

    const QByteArray record = buildVersionRecord(values);
    if (record.isEmpty())
        return fail(QStringLiteral("the record is larger than 65535 bytes"));

    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(record) != record.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
    return 0;
}
