#include "platform/errors.h"
#include "update/settingsstore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <sys/stat.h>

namespace {

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readRaw(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A path that not even root can create.
QString unwritablePath()
{
    return QStringLiteral("/proc/thermira-no-such-folder-%1/Thermira.ini")
        .arg(QCoreApplication::applicationPid());
}

} // namespace

class TestSettingsStore final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_count = 0;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("store%1/Thermira.ini").arg(++m_count));
        setSettingsFileForTesting(QString());
        SettingsStore.reset();
    }
    void cleanup()
    {
        setSettingsFileForTesting(QString());
        SettingsStore.reset();
    }

    void missingValuesGiveTheDefault_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("other section only") << QByteArray("[Other]\nShowUpdate=0\nHowMany=9\n");
        QTest::newRow("other names only") << QByteArray("[Settings]\nshowupdate=0\nHow Many=9\n");
    }
    void missingValuesGiveTheDefault()
    {
        QFETCH(QByteArray, file);
        if (!file.isNull())
            writeRaw(m_path, file);
        const SettingsFile store(m_path);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("ShowUpdate"), 1), 1);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0), 0);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("HowMany"), -7), -7);
        QCOMPARE(store.ReadString(SettingsSection, QStringLiteral("InstalledVersion"), QString()), QString());
        QCOMPARE(store.ReadString(SettingsSection, QStringLiteral("CurrentURL"), QStringLiteral("x")),
                 QStringLiteral("x"));
    }

    void integerFromText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("value");
        const int fallback = 77;

        QTest::newRow("zero is no default") << "0" << 0;
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("two") << "2" << 2;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("plus sign") << "+4" << 4;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("leading blanks") << "  12" << 12;
        QTest::newRow("largest") << "2147483647" << std::numeric_limits<int>::max();
        QTest::newRow("smallest") << "-2147483648" << std::numeric_limits<int>::min();
        QTest::newRow("empty") << "" << fallback;
        QTest::newRow("letters") << "abc" << fallback;
        QTest::newRow("digits then letters") << "1a" << fallback;
        QTest::newRow("trailing blank") << "12 " << fallback;
        QTest::newRow("tab in front") << "\t5" << fallback;
        QTest::newRow("sign alone") << "-" << fallback;
        QTest::newRow("decimal point") << "1.5" << fallback;
        QTest::newRow("hexadecimal") << "0x10" << fallback;
        QTest::newRow("too large") << "2147483648" << fallback;
        QTest::newRow("too small") << "-2147483649" << fallback;
        QTest::newRow("far too large") << "99999999999999999999" << fallback;
        QTest::newRow("non-ASCII digits") << QStringLiteral("\u0661\u0662") << fallback;
    }
    void integerFromText()
    {
        QFETCH(QString, stored);
        QFETCH(int, value);
        {
            QSettings raw(m_path, QSettings::IniFormat);
            raw.setValue(QStringLiteral("Settings/LastUpdateCheckCount"), stored);
        }
        const SettingsFile store(m_path);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("LastUpdateCheckCount"), 77), value);
    }

    void integerWrittenAsText_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("zero") << 0 << QByteArray("HowMany=0");
        QTest::newRow("one") << 1 << QByteArray("HowMany=1");
        QTest::newRow("negative") << -12 << QByteArray("HowMany=-12");
        QTest::newRow("largest") << std::numeric_limits<int>::max() << QByteArray("HowMany=2147483647");
    }
    void integerWrittenAsText()
    {
        QFETCH(int, value);
        QFETCH(QByteArray, line);
        SettingsFile store(m_path);
        store.WriteInteger(SettingsSection, QStringLiteral("HowMany"), value);
        const QByteArray file = readRaw(m_path);
        QVERIFY2(file.contains("[Settings]"), file.constData());
        QVERIFY2(file.contains(line), file.constData());
        QCOMPARE(SettingsFile(m_path).ReadInteger(SettingsSection, QStringLiteral("HowMany"), 555), value);
        const QSettings raw(m_path, QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Settings/HowMany")).typeId(), int(QMetaType::QString));
    }

    void textRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("short date with a comma") << "Mar 3, 2024";
        QTest::newRow("dotted date") << "14.03.2024";
        QTest::newRow("at sign first") << "@Invalid()";
        QTest::newRow("list look-alike") << "a, b";
        QTest::newRow("blanks around") << "  1.3  ";
        QTest::newRow("line breaks") << "a\r\nb\nc";
        QTest::newRow("quotes and brackets") << "\"[Settings]\" = ;#";
        QTest::newRow("non-ASCII") << QStringLiteral("S\u00fcr\u00fcm \u2713 \U0001F600");
        QTest::newRow("scrambled address") << "68078212FE9FFFA9105228CAA4D28D";
    }
    void textRoundTrip()
    {
        QFETCH(QString, text);
        SettingsFile(m_path).WriteString(SettingsSection, QStringLiteral("CurrentVersion"), text);
        QCOMPARE(SettingsFile(m_path).ReadString(SettingsSection, QStringLiteral("CurrentVersion"),
                                                 QStringLiteral("x")),
                 text);
        const QSettings raw(m_path, QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Settings/CurrentVersion")).typeId(), int(QMetaType::QString));
    }

    void writeReplacesAndKeepsOthers()
    {
        SettingsFile store(m_path);
        store.WriteString(SettingsSection, QStringLiteral("InstalledVersion"), QStringLiteral("1.9"));
        store.WriteInteger(SettingsSection, QStringLiteral("HowMany"), 4);
        store.WriteString(SettingsSection, QStringLiteral("InstalledVersion"), QStringLiteral("2.0"));
        const SettingsFile again(m_path);
        QCOMPARE(again.ReadString(SettingsSection, QStringLiteral("InstalledVersion"), QString()),
                 QStringLiteral("2.0"));
        QCOMPARE(again.ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0), 4);
    }

    void valueThatIsNotText_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("list") << QByteArray("HowMany=1, 2");
        QTest::newRow("byte array") << QByteArray("HowMany=@ByteArray(5)");
        QTest::newRow("invalid variant") << QByteArray("HowMany=@Invalid()");
        QTest::newRow("unreadable variant") << QByteArray("HowMany=@Variant(\\0\\0\\0\\x7f\\0)");
        QTest::newRow("rectangle") << QByteArray("HowMany=@Rect(1 2 3 4)");
        QTest::newRow("size") << QByteArray("HowMany=@Size(1 2)");
    }
    void valueThatIsNotText()
    {
        QFETCH(QByteArray, line);
        writeRaw(m_path, "[Settings]\nInstalledVersion=2.0\n" + line + "\nShowUpdate=0\n");
        const SettingsFile store(m_path);
        QVERIFY_THROWS_EXCEPTION(SettingsError,
                                 store.ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0));
        try {
            store.ReadString(SettingsSection, QStringLiteral("HowMany"), QString());
            QFAIL("ReadString took a value that is not text");
        } catch (const SettingsError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("'HowMany'")), qPrintable(error.message()));
        }
        // The other values are still there.
        QCOMPARE(store.ReadString(SettingsSection, QStringLiteral("InstalledVersion"), QString()),
                 QStringLiteral("2.0"));
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("ShowUpdate"), 1), 0);
    }

    void valueWrittenAsAVariant()
    {
        {
            QSettings raw(m_path, QSettings::IniFormat);
            raw.setValue(QStringLiteral("Settings/LastUpdateCheck"), QDate(2024, 3, 14));
        }
        QVERIFY(readRaw(m_path).contains("@Variant("));
        QVERIFY_THROWS_EXCEPTION(
            SettingsError,
            SettingsFile(m_path).ReadString(SettingsSection, QStringLiteral("LastUpdateCheck"), QString()));
    }

    // A damaged file gives what can still be read and the defaults for the rest; the next write
    // replaces it with a sound one.
    void damagedFileReadsAsDefaultsAndIsRepaired_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("showUpdate");
        QTest::addColumn<int>("howMany");
        QTest::newRow("binary garbage")
            << QByteArray("\x00\xff\xfe\x89PNG\r\n\x1a\n\x00\x00\x07\x10\xc3", 15) << 1 << 0;
        QTest::newRow("garbage section") << QByteArray("[\xff\x00\nShowUpdate=0\n", 15) << 1 << 0;
        QTest::newRow("unclosed section still read")
            << QByteArray("[Settings\nShowUpdate=0\nHowMany=3\n") << 0 << 3;
        QTest::newRow("cut off in a name") << QByteArray("[Settings]\nHowMany=4\nShowUp") << 1 << 4;
        QTest::newRow("only a section") << QByteArray("[Settings]") << 1 << 0;
    }
    void damagedFileReadsAsDefaultsAndIsRepaired()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, showUpdate);
        QFETCH(int, howMany);
        writeRaw(m_path, bytes);
        SettingsFile store(m_path);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("ShowUpdate"), 1), showUpdate);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0), howMany);
        QCOMPARE(store.ReadString(SettingsSection, QStringLiteral("InstalledVersion"), QString()), QString());

        store.WriteInteger(SettingsSection, QStringLiteral("HowMany"), 1);
        store.WriteString(SettingsSection, QStringLiteral("InstalledVersion"), QStringLiteral("2.0"));
        const SettingsFile again(m_path);
        QCOMPARE(again.ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0), 1);
        QCOMPARE(again.ReadString(SettingsSection, QStringLiteral("InstalledVersion"), QString()),
                 QStringLiteral("2.0"));
        QCOMPARE(QSettings(m_path, QSettings::IniFormat).status(), QSettings::NoError);
    }

    void failedWritesThrow_data()
    {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::newRow("folder cannot be created") << false;
        QTest::newRow("a folder where the file should be") << true;
    }
    void failedWritesThrow()
    {
        QFETCH(bool, folderInTheWay);
        const QString path = folderInTheWay ? m_path : unwritablePath();
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(path));
        SettingsFile store(path);
        QCOMPARE(store.ReadInteger(SettingsSection, QStringLiteral("ShowUpdate"), 1), 1);
        try {
            store.WriteInteger(SettingsSection, QStringLiteral("HowMany"), 1);
            QFAIL("a write that cannot be kept was taken");
        } catch (const SettingsError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("'HowMany'")), qPrintable(error.message()));
        }
        QVERIFY_THROWS_EXCEPTION(
            SettingsError,
            store.WriteString(SettingsSection, QStringLiteral("InstalledVersion"), QStringLiteral("2.0")));
        // Nothing unwritten shows up in later reads.
        QCOMPARE(SettingsFile(path).ReadInteger(SettingsSection, QStringLiteral("HowMany"), 0), 0);
    }

    void openingTheStore_data()
    {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::addColumn<bool>("opens");
        QTest::newRow("new file") << false << true;
        QTest::newRow("a folder where the file should be") << true << false;
    }
    void openingTheStore()
    {
        QFETCH(bool, folderInTheWay);
        QFETCH(bool, opens);
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(m_path));
        setSettingsFileForTesting(m_path);
        QCOMPARE(SettingsFilePath(), m_path);
        SettingsStore = std::make_unique<SettingsFile>(QStringLiteral("stale"));
        if (opens) {
            OpenSettingsStore();
            QVERIFY(SettingsStore);
            QCOMPARE(SettingsStore->fileName(), m_path);
        } else {
            QVERIFY_THROWS_EXCEPTION(SettingsError, OpenSettingsStore());
            QVERIFY(!SettingsStore);
        }
    }

    void userStoreLocation()
    {
        const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                 QStringLiteral("/PALVEX/Thermira.conf");
        QCOMPARE(SettingsFilePath(), expected);
        setSettingsFileForTesting(m_path);
        QCOMPARE(SettingsFilePath(), m_path);
        setSettingsFileForTesting(QString());
        QCOMPARE(SettingsFilePath(), expected);
    }

    // The user's own store (XDG_CONFIG_HOME is a folder of this test): made readable by its
    // owner only, and filled once from the "Thermira.ini" of earlier builds.
    void userStoreIsPrivateAndTakesOverTheEarlierFile()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               QStringLiteral("/PALVEX");
        QDir(folder).removeRecursively();
        const QString conf = folder + QStringLiteral("/Thermira.conf");
        const QString ini = folder + QStringLiteral("/Thermira.ini");
        const auto ownerOnly = [&conf] {
            struct stat info = {};
            return ::stat(QFile::encodeName(conf).constData(), &info) == 0 && (info.st_mode & 0777) == 0600;
        };
        const auto howMany = [] {
            return SettingsStore->ReadString(SettingsSection, QStringLiteral("HowMany"), {});
        };

        // A new store.
        OpenSettingsStore();
        SettingsStore->WriteInteger(SettingsSection, QStringLiteral("HowMany"), 1);
        QCOMPARE(SettingsStore->fileName(), conf);
        QVERIFY(ownerOnly());

        // An earlier build's file, every value taken over, the non-text one as it was.
        QVERIFY(QFile::remove(conf));
        writeRaw(ini, "[Settings]\nHowMany=7\nInstalledVersion=2.0\nCurrentURL=A1B2\nShowUpdate=1, 2\n");
        OpenSettingsStore();
        QCOMPARE(howMany(), QStringLiteral("7"));
        QCOMPARE(SettingsStore->ReadString(SettingsSection, QStringLiteral("InstalledVersion"), {}),
                 QStringLiteral("2.0"));
        QCOMPARE(SettingsStore->ReadString(SettingsSection, QStringLiteral("CurrentURL"), {}),
                 QStringLiteral("A1B2"));
        QVERIFY_THROWS_EXCEPTION(
            SettingsError, SettingsStore->ReadInteger(SettingsSection, QStringLiteral("ShowUpdate"), 1));
        QVERIFY(ownerOnly());

        // Only once: later changes to the old file are not read again.
        writeRaw(ini, "[Settings]\nHowMany=99\n");
        SettingsStore->WriteInteger(SettingsSection, QStringLiteral("HowMany"), 8);
        OpenSettingsStore();
        QCOMPARE(howMany(), QStringLiteral("8"));
        QVERIFY(ownerOnly());
        QDir(folder).removeRecursively();
    }

    void showUpdateToggle()
    {
        setSettingsFileForTesting(m_path);
        OpenSettingsStore();
        const auto stored = [this] {
            return SettingsFile(m_path).ReadString(SettingsSection, QStringLiteral("ShowUpdate"),
                                                   QStringLiteral("missing"));
        };
        ShowUpdateOff();
        QCOMPARE(stored(), QStringLiteral("0"));
        ShowUpdateOn();
        QCOMPARE(stored(), QStringLiteral("1"));
        ShowUpdateOff();
        ShowUpdateOff();
        QCOMPARE(stored(), QStringLiteral("0"));
    }

    void showUpdateToggleFailures_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("store not open") << false;
        QTest::newRow("store cannot be written") << true;
    }
    void showUpdateToggleFailures()
    {
        QFETCH(bool, open);
        if (open)
            SettingsStore = std::make_unique<SettingsFile>(unwritablePath());
        QVERIFY_THROWS_EXCEPTION(SettingsError, ShowUpdateOff());
        QVERIFY_THROWS_EXCEPTION(SettingsError, ShowUpdateOn());
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
