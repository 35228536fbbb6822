#include "identity/versioninfo.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {

const QString Files = QStringLiteral(VERSIONINFO_FILES);
const QString OsCallFailed = QStringLiteral("A call to an OS function failed");

QString testFile(const char *name)
{
    return Files + QStringLiteral("/") + QLatin1String(name) + QStringLiteral(".elf");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray utf16z(const char *text)
{
    QByteArray out;
    for (const char *c = text; *c; ++c)
        out.append(*c).append('\0');
    return out.append(2, '\0');
}

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

// The version record that "thermira-versioninfo --file-version 1.2.3.4 --product-version
// 5.6.7.8 --translation 0x0409:0x04E4 --table 040904E4 --string CompanyName=Co" must write,
// laid out by hand. Block offsets: root 0, fixed part 40, StringFileInfo 92, StringTable 128,
// String 152 (value at 184), VarFileInfo 192, Translation 224 (value at 256), end 260.
QByteArray smallRecord()
{
    return hex("0401 3400 0000") + utf16z("VS_VERSION_INFO") + hex("0000") +
           hex("bd04effe 00000100 02000100 04000300 06000500 08000700"
               "3f000000 00000000 04000400 01000000 00000000 00000000 00000000") +
           hex("6200 0000 0100") + utf16z("StringFileInfo") + hex("3e00 0000 0100") + utf16z("040904E4") +
           hex("2600 0300 0100") + utf16z("CompanyName") + hex("0000") + utf16z("Co") + hex("0000") +
           hex("4400 0000 0100") + utf16z("VarFileInfo") + hex("0000") + hex("2400 0400 0000") +
           utf16z("Translation") + hex("0000") + hex("0904 e404");
}

void setWord(QByteArray &bytes, qsizetype offset, quint16 value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
}

// A minimal ELF file: header, section name table, the record, then the section headers
// (null, ".shstrtab", the record's section). Each field can be spoiled on its own.
struct ElfLayout
{
    bool is64 = true;
    bool bigEndian = false;
    quint8 elfClass = 0; // 0: from is64
    QByteArray sectionName = VERSIONINFO_SECTION;
    bool nameTerminated = true;
    QByteArray record = smallRecord();
    quint32 recordType = 1; // SHT_PROGBITS
    quint64 recordSizeExtra = 0;
    std::optional<quint64> recordOffset;
    std::optional<quint32> recordNameOffset;
    std::optional<quint64> tableOffset;
    std::optional<quint16> entrySize;
    std::optional<quint16> namesIndex;
    bool extendedNumbering = false;
    qsizetype keepBytes = -1;
    qsizetype cutFromEnd = 0;
};

class ElfWriter final
{
public:
    explicit ElfWriter(bool bigEndian) : m_bigEndian(bigEndian) {}

    void set(QByteArray &bytes, qsizetype offset, quint64 value, int width) const
    {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (m_bigEndian ? width - 1 - i : i);
            bytes[offset + i] = char((value >> shift) & 0xFF);
        }
    }

private:
    bool m_bigEndian;
};

quint64 alignTo8(quint64 value)
{
    return (value + 7) & ~quint64(7);
}

QByteArray makeElf(const ElfLayout &layout)
{
    const ElfWriter w(layout.bigEndian);
    const int headerSize = layout.is64 ? 64 : 52;
    const int entrySize = layout.is64 ? 64 : 40;
    const int word = layout.is64 ? 8 : 4; // width of addresses, offsets and sizes

    QByteArray names = QByteArray("\0.shstrtab\0", 11) + layout.sectionName;
    if (layout.nameTerminated)
        names.append('\0');
    const quint64 namesOffset = quint64(headerSize);
    const quint64 recordOffset = alignTo8(namesOffset + quint64(names.size()));
    const quint64 tableOffset = alignTo8(recordOffset + quint64(layout.record.size()));

    QByteArray file(qsizetype(tableOffset + 3 * quint64(entrySize)), '\0');
    file.replace(0, 4, QByteArray::fromHex("7f454c46"));
    file[4] = char(layout.elfClass ? layout.elfClass : layout.is64 ? 2 : 1);
    file[5] = char(layout.bigEndian ? 2 : 1);
    file[6] = 1;
    w.set(file, 16, 2, 2);                      // e_type: ET_EXEC
    w.set(file, 18, layout.is64 ? 62 : 3, 2);     // e_machine
    w.set(file, 20, 1, 4);                      // e_version
    const qsizetype afterEntry = 24 + 2 * word; // past e_entry and e_phoff
    w.set(file, afterEntry, layout.tableOffset.value_or(tableOffset), word);
    w.set(file, afterEntry + word + 4, quint64(headerSize), 2);
    w.set(file, afterEntry + word + 10, layout.entrySize.value_or(quint16(entrySize)), 2);
    w.set(file, afterEntry + word + 12, layout.extendedNumbering ? 0 : 3, 2);
    w.set(file, afterEntry + word + 14, layout.namesIndex.value_or(layout.extendedNumbering ? 0xFFFF : 1), 2);

    file.replace(qsizetype(namesOffset), names.size(), names);
    file.replace(qsizetype(recordOffset), layout.record.size(), layout.record);

    const auto section = [&](int index, quint32 name, quint32 type, quint64 offset, quint64 size,
                             quint32 link) {
        const qsizetype at = qsizetype(tableOffset) + index * entrySize;
        w.set(file, at, name, 4);
        w.set(file, at + 4, type, 4);
        w.set(file, at + 8 + 2 * word, offset, word);
        w.set(file, at + 8 + 3 * word, size, word);
        w.set(file, at + 8 + 4 * word, link, 4);
    };
    if (layout.extendedNumbering)
        section(0, 0, 0, 0, 3, 1);
    section(1, 1, 3 /* SHT_STRTAB */, namesOffset, quint64(names.size()), 0);
    section(2, layout.recordNameOffset.value_or(11), layout.recordType, layout.recordOffset.value_or(recordOffset),
            quint64(layout.record.size()) + layout.recordSizeExtra, 0);

    if (layout.keepBytes >= 0)
        file.truncate(layout.keepBytes);
    file.chop(layout.cutFromEnd);
    return file;
}

using ElfChange = std::function<void(ElfLayout &)>;

struct Outcome
{
    bool thrown = false;
    QString message;
    TEXEVersionData data;
};

Outcome readStrings(const QString &path, const TEXEVersionData &start = {})
{
    Outcome outcome;
    outcome.data = start;
    try {
        GetEXEVersionData(path, outcome.data);
    } catch (const SystemError &error) {
        outcome.thrown = true;
        outcome.message = error.message();
    }
    return outcome;
}

QStringList fields(const TEXEVersionData &d)
{
    return {d.CompanyName,    d.FileDescription, d.FileVersion,      d.InternalName,
            d.LegalCopyright, d.LegalTrademarks, d.OriginalFileName, d.ProductName,
            d.ProductVersion, d.Comments,        d.PrivateBuild,     d.SpecialBuild};
}

TEXEVersionData prefilled()
{
    return {QStringLiteral("keep 1"),  QStringLiteral("keep 2"),  QStringLiteral("keep 3"),
            QStringLiteral("keep 4"),  QStringLiteral("keep 5"),  QStringLiteral("keep 6"),
            QStringLiteral("keep 7"),  QStringLiteral("keep 8"),  QStringLiteral("keep 9"),
            QStringLiteral("keep 10"), QStringLiteral("keep 11"), QStringLiteral("keep 12")};
}

quint32 fixedFromText(const QString &version)
{
    const QStringList parts = version.split(u'.');
    return parts.value(0).toUInt() << 16 | parts.value(1).toUInt();
}

} // namespace

Q_DECLARE_METATYPE(ElfChange)

class TestVersionInfo final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeFile(m_dir.filePath("text.exe"), "CompanyName=PALVEX\r\nVS_VERSION_INFO\r\n");
        writeFile(m_dir.filePath("empty.exe"), {});
        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("pipe")).constData(), 0600), 0);
    }

    void generatorWritesTheStandardLayout()
    {
        const QByteArray written = readAll(Files + QStringLiteral("/small.bin"));
        QCOMPARE(written.size(), 260);
        QCOMPARE(written.toHex(' '), smallRecord().toHex(' '));
    }

    void programCarriesItsOwnRecord()
    {
        const QString program = QStringLiteral(THERMIRA_EXECUTABLE);
        const Outcome outcome = readStrings(program);
        QVERIFY2(!outcome.thrown, qPrintable(outcome.message));
        const QStringList expected = {QStringLiteral(THERMIRA_COMPANY_NAME),
                                      QStringLiteral(THERMIRA_FILE_DESCRIPTION),
                                      QStringLiteral(THERMIRA_VERSION),
                                      QStringLiteral(THERMIRA_INTERNAL_NAME),
                                      QStringLiteral(THERMIRA_LEGAL_COPYRIGHT),
                                      QString(),
                                      QStringLiteral(THERMIRA_ORIGINAL_FILENAME),
                                      QStringLiteral(THERMIRA_PRODUCT_NAME),
                                      QStringLiteral(THERMIRA_VERSION),
                                      QString(),
                                      QString(),
                                      QString()};
        QCOMPARE(fields(outcome.data), expected);
        QCOMPARE(ReadFixedFileVersion(program), fixedFromText(QStringLiteral(THERMIRA_VERSION)));
    }

    void strings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("startFilled");
        QTest::addColumn<QStringList>("expected");

        const QStringList all = {"Company",   "Description", "3.15.0.7",     "Internal",
                                 "Copyright", "Trademarks",  "Original.exe", "Product",
                                 "4.1",       "Comments",    "Private",      "Special"};
        const QStringList kept = fields(prefilled());
        const auto keptExcept = [&](std::initializer_list<std::pair<int, QString>> changes) {
            QStringList result = kept;
            for (const auto &[index, value] : changes)
                result[index] = value;
            return result;
        };

        QTest::newRow("block keyed 040904E4, looked up as 040904e4") << testFile("upper_key") << false << all;
        QTest::newRow("block keyed 040904e4") << testFile("lower_key") << false << QStringList(all);
        QTest::newRow("every value replaces what was there") << testFile("upper_key") << true << all;
        QTest::newRow("no PrivateBuild nor SpecialBuild")
            << testFile("no_private_special") << false
            << QStringList{"Company", "", "", "", "", "", "", "Product", "", "", "", ""};
        QTest::newRow("missing values keep what was there")
            << testFile("no_private_special") << true << keptExcept({{0, "Company"}, {7, "Product"}});
        QTest::newRow("several translations: the first one's table")
            << testFile("several_translations") << true << keptExcept({{0, "Deutsch"}});
        QTest::newRow("first translation has no table: no fallback to another")
            << testFile("first_translation_without_table") << true << kept;
        QTest::newRow("table of another code page is not used")
            << testFile("other_code_page") << true << kept;
        QTest::newRow("no fixed part") << testFile("no_fixed_part") << true << keptExcept({{0, "Company"}});
    }
    void strings()
    {
        QFETCH(QString, file);
        QFETCH(bool, startFilled);
        QFETCH(QStringList, expected);
        const Outcome outcome = readStrings(file, startFilled ? prefilled() : TEXEVersionData());
        QVERIFY2(!outcome.thrown, qPrintable(outcome.message));
        QCOMPARE(fields(outcome.data), expected);
    }

    void fixedVersion_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("3.15.0.7") << testFile("upper_key") << quint32(0x0003000F);
        QTest::newRow("10.12.3.4") << testFile("lower_key") << quint32(0x000A000C);
        QTest::newRow("2.0") << testFile("no_private_special") << quint32(0x00020000);
        QTest::newRow("1.2.3.4") << testFile("small") << quint32(0x00010002);
        QTest::newRow("0.0.0.0 is a version too") << testFile("several_translations") << quint32(0);
        QTest::newRow("record without translation list") << testFile("no_translation") << quint32(0x00010002);
        QTest::newRow("record without fixed part") << testFile("no_fixed_part") << quint32(0xFFFFFFFF);
    }
    void fixedVersion()
    {
        QFETCH(QString, file);
        QFETCH(quint32, expected);
        QCOMPARE(ReadFixedFileVersion(file), expected);
    }

    void filesWithoutRecord_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<quint32>("fixed");
        const quint32 none = 0xFFFFFFFF;
        const auto system = [](int code, const char *text) {
            return QStringLiteral("System Error.  Code: %1.\r\n%2").arg(code).arg(QLatin1String(text));
        };
        QTest::newRow("missing file")
            << m_dir.filePath("absent.exe") << system(ENOENT, "No such file or directory") << none;
        QTest::newRow("missing folder")
            << m_dir.filePath("absent/thermira") << system(ENOENT, "No such file or directory") << none;
        QTest::newRow("empty name") << QString() << system(ENOENT, "No such file or directory") << none;
        QTest::newRow("a folder") << m_dir.path() << system(EISDIR, "Is a directory") << none;
        QTest::newRow("a path through a file") << QString(testFile("small") + QStringLiteral("/x"))
                                               << system(ENOTDIR, "Not a directory") << none;
        QTest::newRow("ELF executable without the section")
            << QCoreApplication::applicationFilePath() << OsCallFailed << none;
        QTest::newRow("record without translation list")
            << testFile("no_translation") << OsCallFailed << quint32(0x00010002);
        QTest::newRow("text file") << m_dir.filePath("text.exe") << OsCallFailed << none;
        QTest::newRow("empty file") << m_dir.filePath("empty.exe") << OsCallFailed << none;
        QTest::newRow("named pipe") << m_dir.filePath("pipe") << OsCallFailed << none;
        QTest::newRow("device") << QStringLiteral("/dev/null") << OsCallFailed << none;
    }
    void filesWithoutRecord()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(quint32, fixed);
        const Outcome outcome = readStrings(file, prefilled());
        QVERIFY(outcome.thrown);
        QCOMPARE(outcome.message, message);
        QCOMPARE(fields(outcome.data), fields(prefilled()));
        QCOMPARE(ReadFixedFileVersion(file), fixed);
    }

    void elfFiles_data()
    {
        QTest::addColumn<ElfChange>("change");
        QTest::addColumn<bool>("readable");

        QTest::newRow("64-bit little-endian") << ElfChange([](ElfLayout &) {}) << true;
        QTest::newRow("32-bit little-endian") << ElfChange([](ElfLayout &s) { s.is64 = false; }) << true;
        QTest::newRow("64-bit big-endian") << ElfChange([](ElfLayout &s) { s.bigEndian = true; }) << true;
        QTest::newRow("32-bit big-endian") << ElfChange([](ElfLayout &s) {
            s.is64 = false;
            s.bigEndian = true;
        }) << true;
        QTest::newRow("section count kept in section 0")
            << ElfChange([](ElfLayout &s) { s.extendedNumbering = true; }) << true;
        QTest::newRow("section longer than the record")
            << ElfChange([](ElfLayout &s) { s.record.append(64, '\0'); }) << true;

        QTest::newRow("unknown ELF class") << ElfChange([](ElfLayout &s) { s.elfClass = 3; }) << false;
        QTest::newRow("file ends inside the ELF header")
            << ElfChange([](ElfLayout &s) { s.keepBytes = 40; }) << false;
        QTest::newRow("file ends inside the section headers")
            << ElfChange([](ElfLayout &s) { s.cutFromEnd = 10; }) << false;
        QTest::newRow("section runs past the end of the file")
            << ElfChange([](ElfLayout &s) { s.recordSizeExtra = 4096; }) << false;
        QTest::newRow("section offset wraps around")
            << ElfChange([](ElfLayout &s) { s.recordOffset = ~quint64(0) - 16; }) << false;
        QTest::newRow("section of no bytes in the file (NOBITS)")
            << ElfChange([](ElfLayout &s) { s.recordType = 8; }) << false;
        QTest::newRow("no section header table") << ElfChange([](ElfLayout &s) { s.tableOffset = 0; }) << false;
        QTest::newRow("section header table past the end")
            << ElfChange([](ElfLayout &s) { s.tableOffset = 1u << 30; }) << false;
        QTest::newRow("section header entries too small")
            << ElfChange([](ElfLayout &s) { s.entrySize = 16; }) << false;
        QTest::newRow("name table index out of range")
            << ElfChange([](ElfLayout &s) { s.namesIndex = 7; }) << false;
        QTest::newRow("no name table") << ElfChange([](ElfLayout &s) { s.namesIndex = 0; }) << false;
        QTest::newRow("section name outside the name table")
            << ElfChange([](ElfLayout &s) { s.recordNameOffset = 5000; }) << false;
        QTest::newRow("section name without its terminating zero")
            << ElfChange([](ElfLayout &s) { s.nameTerminated = false; }) << false;
        QTest::newRow("section name is a longer one")
            << ElfChange([](ElfLayout &s) { s.sectionName += "2"; }) << false;
        QTest::newRow("section name is a shorter one")
            << ElfChange([](ElfLayout &s) { s.sectionName.chop(1); }) << false;
    }
    void elfFiles()
    {
        QFETCH(ElfChange, change);
        QFETCH(bool, readable);
        ElfLayout layout;
        change(layout);
        const QString path = m_dir.filePath(QStringLiteral("made.elf"));
        writeFile(path, makeElf(layout));

        const Outcome outcome = readStrings(path);
        QCOMPARE(outcome.thrown, !readable);
        QCOMPARE(outcome.data.CompanyName, readable ? QStringLiteral("Co") : QString());
        if (!readable)
            QCOMPARE(outcome.message, OsCallFailed);
        QCOMPARE(ReadFixedFileVersion(path), readable ? quint32(0x00010002) : quint32(0xFFFFFFFF));
    }

    void malformedRecords_data()
    {
        QTest::addColumn<ElfChange>("change");
        QTest::addColumn<bool>("thrown");
        QTest::addColumn<QString>("company");
        QTest::addColumn<quint32>("fixed");
        const auto patch = [](qsizetype offset, quint16 value) {
            return ElfChange([=](ElfLayout &s) { setWord(s.record, offset, value); });
        };
        const quint32 none = 0xFFFFFFFF;
        const quint32 v12 = 0x00010002;

        QTest::newRow("root longer than the section") << patch(0, 300) << true << "" << none;
        QTest::newRow("root of length 0") << patch(0, 0) << true << "" << none;
        QTest::newRow("root shorter than its header") << patch(0, 4) << true << "" << none;
        QTest::newRow("root key runs past the root") << patch(0, 20) << true << "" << none;
        QTest::newRow("record cut short")
            << ElfChange([](ElfLayout &s) { s.record.truncate(200); }) << true << "" << none;
        QTest::newRow("root key is not VS_VERSION_INFO") << patch(6, 'X') << true << "" << none;
        QTest::newRow("fixed part with a wrong signature") << patch(40, 0x1234) << false << "Co" << none;
        QTest::newRow("fixed part shorter than its structure") << patch(2, 20) << true << "" << none;
        QTest::newRow("child of length 0") << patch(192, 0) << true << "" << v12;
        QTest::newRow("child longer than its parent") << patch(224, 100) << true << "" << v12;
        QTest::newRow("translation list shorter than one entry") << patch(226, 2) << true << "" << v12;
        QTest::newRow("translation list longer than its block") << patch(226, 40) << false << "Co" << v12;
        QTest::newRow("text value longer than its block") << patch(154, 200) << false << "Co" << v12;
        QTest::newRow("text value of one unit") << patch(154, 1) << false << "C" << v12;
        QTest::newRow("text value of no units") << patch(154, 0) << false << "" << v12;
        QTest::newRow("string key runs past its block") << patch(152, 20) << false << "" << v12;
        QTest::newRow("string table longer than StringFileInfo") << patch(128, 2000) << false << "" << v12;
    }
    void malformedRecords()
    {
        QFETCH(ElfChange, change);
        QFETCH(bool, thrown);
        QFETCH(QString, company);
        QFETCH(quint32, fixed);
        ElfLayout layout;
        change(layout);
        const QString path = m_dir.filePath(QStringLiteral("made.elf"));
        writeFile(path, makeElf(layout));

        const Outcome outcome = readStrings(path);
        QCOMPARE(outcome.thrown, thrown);
        if (thrown)
            QCOMPARE(outcome.message, OsCallFailed);
        // Where the strings are out of reach the exception leaves the record as it was.
        QCOMPARE(outcome.data.CompanyName, thrown ? QString() : company);
        QCOMPARE(ReadFixedFileVersion(path), fixed);
    }

    void truncatedCopies_data()
    {
        QTest::addColumn<int>("cut");
        QTest::newRow("last byte") << 1;
        QTest::newRow("last section header") << 40;
        QTest::newRow("all section headers") << -1;
        QTest::newRow("half the file") << -2;
    }
    void truncatedCopies()
    {
        QFETCH(int, cut);
        QByteArray bytes = readAll(testFile("upper_key"));
        const qsizetype size = bytes.size();
        QVERIFY(size > 4096);
        if (cut > 0)
            bytes.truncate(size - cut);
        else if (cut == -1)
            bytes.truncate(qMax(0, bytes.lastIndexOf(QByteArrayLiteral(VERSIONINFO_SECTION))));
        else
            bytes.truncate(size / 2);
        const QString path = m_dir.filePath(QStringLiteral("cut.elf"));
        writeFile(path, bytes);

        const Outcome outcome = readStrings(path);
        QVERIFY(outcome.thrown);
        QCOMPARE(outcome.message, OsCallFailed);
        QCOMPARE(ReadFixedFileVersion(path), quint32(0xFFFFFFFF));
    }

    void hugeFileIsNotReadWhole()
    {
        // A sparse file of 6 GiB: reading it whole would take minutes or fail for memory.
        const QString path = m_dir.filePath(QStringLiteral("huge.elf"));
        writeFile(path, readAll(testFile("upper_key")));
        QFile file(path);
        QVERIFY(file.resize(qint64(6) << 30));
        QCOMPARE(readStrings(path).data.ProductName, QStringLiteral("Product"));
        QCOMPARE(ReadFixedFileVersion(path), quint32(0x0003000F));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
