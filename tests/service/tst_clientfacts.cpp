#include "service/clientfacts.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The operating-system line, the locale name and the machine identifier the update check sends.
class TestClientFacts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsDescription_data();
    void formatsDescription();
    void namesWindows_data();
    void namesWindows();
    void readsLinuxFacts_data();
    void readsLinuxFacts();
    void readsFirstOsReleaseThatExists();
    void describesThisSystem();
    void namesLocale_data();
    void namesLocale();
    void derivesMachineId_data();
    void derivesMachineId();
    void neverGivesOutTheRawId();

private:
    QString writeFile(const QString &name, const QByteArray &content);
    QTemporaryDir m_dir;
};

QString TestClientFacts::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestClientFacts::formatsDescription_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("build");
    QTest::addColumn<int>("servicePack");
    QTest::addColumn<bool>("is64Bit");
    QTest::addColumn<QString>("text");

    QTest::newRow("Windows 7 SP1, 64-bit")
        << QStringLiteral("Windows 7") << 6 << 1 << 7601 << 1 << true
        << QStringLiteral("Windows 7 Service Pack 1 (Version 6.1, Build 7601, 64-bit Edition)");
    QTest::newRow("Windows 10, 64-bit")
        << QStringLiteral("Windows 10") << 10 << 0 << 19041 << 0 << true
        << QStringLiteral("Windows 10 (Version 10.0, Build 19041, 64-bit Edition)");
    QTest::newRow("32-bit, no grouping")
        << QStringLiteral("Windows XP") << 5 << 1 << 2600 << 3 << false
        << QStringLiteral("Windows XP Service Pack 3 (Version 5.1, Build 2600, 32-bit Edition)");
    QTest::newRow("Linux distribution")
        << QStringLiteral("Debian GNU/Linux") << 12 << 0 << 601 << 0 << true
        << QStringLiteral("Debian GNU/Linux (Version 12.0, Build 601, 64-bit Edition)");
}

void TestClientFacts::formatsDescription()
{
    QFETCH(QString, name);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, build);
    QFETCH(int, servicePack);
    QFETCH(bool, is64Bit);
    QFETCH(QString, text);

    OSFacts facts;
    facts.name = name;
    facts.major = major;
    facts.minor = minor;
    facts.build = build;
    facts.servicePack = servicePack;
    facts.is64Bit = is64Bit;
    QCOMPARE(formatOSDescription(facts), text);
}

void TestClientFacts::namesWindows_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<bool>("workstation");
    QTest::addColumn<bool>("x64");
    QTest::addColumn<bool>("serverR2");
    QTest::addColumn<QString>("name");

    QTest::newRow("2000") << 5 << 0 << true << false << false << QStringLiteral("Windows 2000");
    QTest::newRow("XP") << 5 << 1 << true << false << false << QStringLiteral("Windows XP");
    QTest::newRow("XP x64") << 5 << 2 << true << true << false << QStringLiteral("Windows XP");
    QTest::newRow("5.2 workstation, not x64")
        << 5 << 2 << true << false << false << QStringLiteral("Windows Server 2003");
    QTest::newRow("Server 2003 R2") << 5 << 2 << false << true << true
                                    << QStringLiteral("Windows Server 2003 R2");
    QTest::newRow("Server 2003") << 5 << 2 << false << false << false
                                 << QStringLiteral("Windows Server 2003");
    QTest::newRow("Vista") << 6 << 0 << true << true << false << QStringLiteral("Windows Vista");
    QTest::newRow("Server 2008") << 6 << 0 << false << true << false << QStringLiteral("Windows Server 2008");
    QTest::newRow("7") << 6 << 1 << true << true << false << QStringLiteral("Windows 7");
    QTest::newRow("Server 2008 R2") << 6 << 1 << false << true << false
                                    << QStringLiteral("Windows Server 2008 R2");
    QTest::newRow("8") << 6 << 2 << true << true << false << QStringLiteral("Windows 8");
    QTest::newRow("Server 2012") << 6 << 2 << false << true << false << QStringLiteral("Windows Server 2012");
    QTest::newRow("8.1") << 6 << 3 << true << false << false << QStringLiteral("Windows 8.1");
    QTest::newRow("Server 2012 R2") << 6 << 3 << false << true << false
                                    << QStringLiteral("Windows Server 2012 R2");
    QTest::newRow("10 and later") << 10 << 0 << true << true << false << QStringLiteral("Windows 10");
    QTest::newRow("Server 10.0") << 10 << 0 << false << true << false
                                 << QStringLiteral("Windows Server 2016");
    QTest::newRow("unknown 6.4") << 6 << 4 << true << true << false << QStringLiteral("Windows");
    QTest::newRow("unknown 11.0") << 11 << 0 << true << true << false << QStringLiteral("Windows");
}

void TestClientFacts::namesWindows()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(bool, workstation);
    QFETCH(bool, x64);
    QFETCH(bool, serverR2);
    QFETCH(QString, name);
    QCOMPARE(windowsProductName(major, minor, workstation, x64, serverR2), name);
}

void TestClientFacts::readsLinuxFacts_data()
{
    QTest::addColumn<QByteArray>("osRelease");
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("description");

    QTest::newRow("Debian on x86_64")
        << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian "
                      "GNU/Linux\"\nVERSION_ID=\"12\"\n")
        << QStringLiteral("6.1.0-18-amd64") << QStringLiteral("x86_64")
        << QStringLiteral("Debian GNU/Linux (Version 12.0, Build 601, 64-bit Edition)");
    QTest::newRow("Ubuntu on aarch64, leading zero")
        << QByteArray("NAME=\"Ubuntu\"\nVERSION_ID=\"22.04\"\nVERSION=\"22.04.3 LTS (Jammy Jellyfish)\"\n")
        << QStringLiteral("5.15.0-91-generic") << QStringLiteral("aarch64")
        << QStringLiteral("Ubuntu (Version 22.4, Build 515, 64-bit Edition)");
    QTest::newRow("SUSE service pack")
        << QByteArray("NAME=\"SLES\"\nVERSION_ID=\"15-SP5\"\n")
        << QStringLiteral("5.14.21-150500.55.39-default") << QStringLiteral("s390x")
        << QStringLiteral("SLES Service Pack 5 (Version 15.0, Build 514, 64-bit Edition)");
    QTest::newRow("three-part version, unquoted, 32-bit ARM")
        << QByteArray("NAME=Alpine Linux\nVERSION_ID=3.19.1\n") << QStringLiteral("6.6.14-0-lts")
        << QStringLiteral("armv7l")
        << QStringLiteral("Alpine Linux (Version 3.19, Build 606, 32-bit Edition)");
    QTest::newRow("rolling release: kernel version")
        << QByteArray("NAME=\"Arch Linux\"\nBUILD_ID=rolling\n") << QStringLiteral("6.7.4-arch1-1")
        << QStringLiteral("x86_64") << QStringLiteral("Arch Linux (Version 6.7, Build 607, 64-bit Edition)");
    QTest::newRow("no os-release, i686")
        << QByteArray() << QStringLiteral("4.19.325") << QStringLiteral("i686")
        << QStringLiteral("Linux (Version 4.19, Build 419, 32-bit Edition)");
    QTest::newRow("comments, single quotes, escapes")
        << QByteArray("# NAME=\"Wrong\"\nPRETTY_NAME=x\nNAME='My \\\"Own\\\" OS'\nVERSION_ID='7.2'\n")
        << QStringLiteral("6.10.1") << QStringLiteral("riscv64")
        << QStringLiteral("My \"Own\" OS (Version 7.2, Build 610, 64-bit Edition)");
    QTest::newRow("release number of eight digits saturates the build")
        << QByteArray("NAME=X\nVERSION_ID=1\n") << QStringLiteral("21474837.99") << QStringLiteral("x86_64")
        << QStringLiteral("X (Version 1.0, Build 2147483647, 64-bit Edition)");
    QTest::newRow("nothing known") << QByteArray() << QString() << QString()
                                   << QStringLiteral("Linux (Version 0.0, Build 0, 32-bit Edition)");
}

void TestClientFacts::readsLinuxFacts()
{
    QFETCH(QByteArray, osRelease);
    QFETCH(QString, kernel);
    QFETCH(QString, machine);
    QFETCH(QString, description);
    QCOMPARE(formatOSDescription(linuxOSFacts(osRelease, kernel, machine)), description);
}

void TestClientFacts::readsFirstOsReleaseThatExists()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing-os-release"));
    const QString present =
        writeFile(QStringLiteral("os-release"), "NAME=\"Fallback OS\"\nVERSION_ID=\"3.1\"\n");
    const OSFacts facts = readLinuxOSFacts({missing, present});
    QCOMPARE(facts.name, QStringLiteral("Fallback OS"));
    QCOMPARE(facts.major, 3);
    QCOMPARE(facts.minor, 1);
    QCOMPARE(readLinuxOSFacts({missing}).name, QStringLiteral("Linux"));
}

void TestClientFacts::describesThisSystem()
{
    static const QRegularExpression shape(
        QStringLiteral("^\\S.* \\(Version \\d+\\.\\d+, Build \\d+, (64|32)-bit Edition\\)$"));
    const QString description = OSDescription();
    QVERIFY2(shape.match(description).hasMatch(), qPrintable(description));
    QCOMPARE(OSDescription(), description);
}

void TestClientFacts::namesLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("name");

    QTest::newRow("C locale") << QLocale::c() << QStringLiteral("xx");
    QTest::newRow("en_US") << QLocale(QStringLiteral("en_US")) << QStringLiteral("en-US");
    QTest::newRow("tr_TR") << QLocale(QStringLiteral("tr_TR")) << QStringLiteral("tr-TR");
    QTest::newRow("de_DE") << QLocale(QStringLiteral("de_DE")) << QStringLiteral("de-DE");
    QTest::newRow("pt_BR") << QLocale(QStringLiteral("pt_BR")) << QStringLiteral("pt-BR");
    QTest::newRow("script dropped") << QLocale(QStringLiteral("sr_Latn_RS")) << QStringLiteral("sr-RS");
}

void TestClientFacts::namesLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, name);
    QCOMPARE(localeNameFor(locale), name);
}

void TestClientFacts::derivesMachineId_data()
{
    QTest::addColumn<QByteArray>("first");  // content of the first file; null: no such file
    QTest::addColumn<QByteArray>("second"); // content of the second file; null: no such file
    QTest::addColumn<QString>("id");

    // Expected values computed with: printf 489031bf21f904641d88a7a6a42679ef | xxd -r -p |
    //   openssl dgst -sha256 -mac HMAC -macopt hexkey:<machine id>, then the UUID version and variant bits.
    const QString idA = QStringLiteral("78c322de-f524-4fb6-bf1a-d6bf28156f9c");
    const QString idB = QStringLiteral("4b39b3df-f1c2-4ec9-9864-89d9234163b0");
    const QByteArray a("0123456789abcdef0123456789abcdef\n");
    const QByteArray b("4b1d3c2e9f8a7b6c5d4e3f2a1b0c9d8e\n");

    QTest::newRow("first file") << a << b << idA;
    QTest::newRow("upper-case digits, no line break")
        << QByteArray("0123456789ABCDEF0123456789ABCDEF") << QByteArray() << idA;
    QTest::newRow("only the second file") << QByteArray() << b << idB;
    QTest::newRow("first uninitialized") << QByteArray("uninitialized\n") << b << idB;
    QTest::newRow("first empty") << QByteArray("") << b << idB;
    QTest::newRow("neither file") << QByteArray() << QByteArray() << QString();
    QTest::newRow("all zeros") << QByteArray("00000000000000000000000000000000\n") << QByteArray()
                               << QString();
    QTest::newRow("too short") << QByteArray("0123456789abcdef\n") << QByteArray() << QString();
    QTest::newRow("not hexadecimal") << QByteArray("0123456789abcdef0123456789abcdeg\n") << QByteArray()
                                     << QString();
    QTest::newRow("UUID form") << QByteArray("01234567-89ab-cdef-0123-456789abcdef\n") << QByteArray()
                               << QString();
}

void TestClientFacts::derivesMachineId()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, id);

    QTemporaryDir dir;
    QStringList files;
    for (const auto &[name, content] :
         {std::pair{"etc-machine-id", first}, std::pair{"dbus-machine-id", second}}) {
        const QString path = dir.filePath(QLatin1String(name));
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        files.append(path);
    }
    const QString derived = machineIdFrom(files);
    QCOMPARE(derived, id);
    if (!id.isEmpty()) {
        static const QRegularExpression uuid(
            QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"));
        QVERIFY(uuid.match(derived).hasMatch());
    }
}

void TestClientFacts::neverGivesOutTheRawId()
{
    const QByteArray raw("0123456789abcdef0123456789abcdef");
    const QString path = writeFile(QStringLiteral("machine-id"), raw + '\n');
    const QString derived = machineIdFrom({path});
    QVERIFY(!derived.isEmpty());
    QString bare = derived;
    bare.remove(u'-');
    QVERIFY(bare.compare(QLatin1String(raw), Qt::CaseInsensitive) != 0);
    for (qsizetype i = 0; i + 8 <= raw.size(); i += 8)
        QVERIFY2(!bare.contains(QLatin1String(raw.mid(i, 8)), Qt::CaseInsensitive),
                 raw.mid(i, 8).constData());

    // Nor does the identifier the program sends on this machine show the machine's own.
    for (const char *system : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(system));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray own = file.readAll().trimmed();
        QString sent = MachineId();
        sent.remove(u'-');
        QVERIFY(!own.isEmpty() && sent.compare(QLatin1String(own), Qt::CaseInsensitive) != 0);
    }
}

QTEST_GUILESS_MAIN(TestClientFacts)
#include "tst_clientfacts.moc"
