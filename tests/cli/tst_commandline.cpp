#include "cli/commandline.h"
#include "cli/console.h"
#include "cli/exportcommand.h"
#include "platform/systemerror.h"
#include "testfiles.h"
#include "unwritablefolder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

const QStringList Templates{"HeatLayer.js", "layers.png",      "layers-2x.png", "leaflet.css",
                            "leaflet.js",   "leaflet-heat.js", "index.html"};

// One run of the command line without a window, with its streams captured.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

template <typename Command>
Run captured(const QByteArray &standardInput, Command command)
{
    QByteArray input = standardInput;
    QBuffer in(&input);
    Run result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.exitCode = command(in, out, err);
    return result;
}

Run run(const CommandLine &commandLine)
{
    return captured({}, [&](QIODevice &in, QTextStream &out, QTextStream &err) {
        return runInConsole(commandLine, in, out, err);
    });
}

Run exportWith(const QString &folder, const QStringList &files, const QString &templates,
              const QByteArray &standardInput = {})
{
    return captured(standardInput, [&](QIODevice &in, QTextStream &out, QTextStream &err) {
        return runExport(ExportRequest{folder, files, u',', templates}, in, out, err);
    });
}

// A folder of its own: the seven templates in "leaflet", and location files made on request.
class Workspace final
{
public:
    Workspace()
    {
        QDir(m_dir.path()).mkdir(QStringLiteral("leaflet"));
        for (const QString &name : Templates)
            writeFileBytes(templates() + u'/' + name, "template " + name.toUtf8());
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString templates() const { return path(QStringLiteral("leaflet")); }
    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString file = path(name);
        return writeFileBytes(file, bytes) ? file : QString();
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestCommandLine final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("separator");

        using A = CommandLine::Action;
        QTest::newRow("nothing: the window") << QStringList{} << int(A::Window) << QStringList{} << "" << "";
        QTest::newRow("files for the window")
            << QStringList{"a.csv", "b c.csv"} << int(A::Window) << QStringList{"a.csv", "b c.csv"} << "" << "";
        QTest::newRow("a file named like an option, after --")
            << QStringList{"--", "--export"} << int(A::Window) << QStringList{"--export"} << "" << "";
        QTest::newRow("export, options after the files")
            << QStringList{"a.csv", "-", "--export", "out", "--separator", ";"} << int(A::Export)
            << QStringList{"a.csv", "-"} << "out" << ";";
        QTest::newRow("help wins") << QStringList{"--export", "out", "--help"} << int(A::Help) << QStringList{}
                                   << "" << "";
        QTest::newRow("export without files") << QStringList{"--export", "out"} << int(A::BadUsage)
                                              << QStringList{} << "" << "";
        QTest::newRow("export without a folder") << QStringList{"a.csv", "--export"} << int(A::BadUsage)
                                                 << QStringList{} << "" << "";
        QTest::newRow("separator of two characters") << QStringList{"--separator", ";;", "a.csv"}
                                                     << int(A::BadUsage) << QStringList{} << "" << "";
        QTest::newRow("standard input for the window") << QStringList{"-"} << int(A::BadUsage)
                                                       << QStringList{} << "" << "";
        QTest::newRow("unknown option") << QStringList{"--colour", "a.csv"} << int(A::BadUsage)
                                        << QStringList{} << "" << "";
        QTest::newRow("table export") << QStringList{"--table", "--export", "out", "a.csv", "-"} << int(A::Export)
                                      << QStringList{"a.csv", "-"} << "out" << "";
        QTest::newRow("tables for the window") << QStringList{"--table", "a.csv"} << int(A::Window)
                                               << QStringList{"a.csv"} << "" << "";
        QTest::newRow("a column without --table")
            << QStringList{"--export", "out", "--lat-column", "2", "a.csv"} << int(A::BadUsage) << QStringList{}
            << "" << "";
        QTest::newRow("a quote as a table's separator")
            << QStringList{"--table", "--separator", "\"", "a.csv"} << int(A::BadUsage) << QStringList{} << ""
            << "";
    }

    void parseTableOptions()
    {
        const CommandLine commandLine =
            parseCommandLine({"thermira", "--export", "out", "--table", "--lat-column", "Breite", "--lon-column", "3",
                              "--label-column", "name", "--separator", ";", "a.csv"});
        QVERIFY(commandLine.tables);
        QCOMPARE(commandLine.tableOverrides.separator, QChar(u';'));
        QCOMPARE((QStringList{commandLine.tableOverrides.latitude, commandLine.tableOverrides.longitude,
                              commandLine.tableOverrides.label}),
                 (QStringList{"Breite", "3", "name"}));
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, files);
        QFETCH(QString, folder);
        QFETCH(QString, separator);

        const CommandLine commandLine = parseCommandLine(QStringList{"thermira"} + arguments);
        QCOMPARE(int(commandLine.action), action);
        QCOMPARE(commandLine.usageError.isEmpty(), action != int(CommandLine::Action::BadUsage));
        if (action == int(CommandLine::Action::BadUsage))
            return;
        QCOMPARE(commandLine.files, files);
        QCOMPARE(commandLine.exportFolder, folder);
        QCOMPARE(commandLine.separator.has_value(), !separator.isEmpty());
        if (commandLine.separator)
            QCOMPARE(QString(*commandLine.separator), separator);
    }

    void badUsageAndHelp()
    {
        const Run bad = run(parseCommandLine({"thermira", "--export", "out"}));
        QCOMPARE(bad.exitCode, 2);
        QVERIFY(bad.out.isEmpty());
        QVERIFY2(bad.err.startsWith(QCoreApplication::applicationName() + QStringLiteral(": --export needs")),
                 qPrintable(bad.err));
        QVERIFY2(bad.err.contains(QStringLiteral("\n\nUsage: ")), qPrintable(bad.err));

        const Run help = run(parseCommandLine({"thermira", "--help"}));
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.err.isEmpty());
        for (const char *option : {"--export <FOLDER>", "--separator <CHARACTER>", "--version", "[FILE...]"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
    }

    // Each failure: exit code 1, the message on standard error, nothing on standard output,
    // and nothing written.
    void exportFailures()
    {
        const Workspace work;
        const QString good = work.file(QStringLiteral("good.csv"), "1,2\r\n");
        const QString missing = work.path(QStringLiteral("missing.csv"));
        const QString empty = work.file(QStringLiteral("empty.csv"), "no separator here\r\n\r\n");
        const QString folder = work.path(QStringLiteral("out"));

        // A file that cannot be read, even after one that can.
        Run result = exportWith(folder, {good, missing}, work.templates());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, QStringLiteral("Cannot open file \"%1\". No such file or directory.\n").arg(missing));
        QVERIFY(result.out.isEmpty());
        QVERIFY(!QFileInfo::exists(folder));

        // No point at all.
        result = exportWith(folder, {empty}, work.templates());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, QStringLiteral("No location added!\n"));
        QVERIFY(!QFileInfo::exists(folder));

        // A folder that takes no files.
        QTemporaryDir target;
        const UnwritableFolder unwritable(target.path());
        QVERIFY2(unwritable.ok(), "could not make a folder that refuses new files");
        result = exportWith(unwritable.path(), {good}, work.templates());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, QStringLiteral("Cannot create file \"%1/leaflet-heat-data.js\". %2.\n")
                                 .arg(unwritable.path(), systemErrorText(unwritable.expectedErrno())));
        QVERIFY(result.out.isEmpty());
        for (const QString &name : Templates)
            QVERIFY2(!QFile::exists(unwritable.path() + u'/' + name), qPrintable(name));

        // A file where the folder should be.
        const QString file = work.file(QStringLiteral("a file"), "x");
        result = exportWith(file + QStringLiteral("/sub"), {good}, work.templates());
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, QStringLiteral("Cannot create file \"%1/sub/leaflet-heat-data.js\". %2.\n")
                                 .arg(file, systemErrorText(ENOTDIR)));
    }

    // Tables: a line each with the rows added and skipped; skipped rows never stop the export,
    // the columns found or named, standard input too (x is the longitude, y the latitude).
    void exportTables()
    {
        const Workspace work;
        const QString places = work.file(QStringLiteral("places.csv"),
                                         "\"Name\",\"Lat\",\"Lon\"\r\n\"Paris, France\",48.8566,2.3522\r\n"
                                         "\"Nowhere\",,\r\n\"Rome\",41.9028,12.4964\r\n");
        const QString folder = work.path(QStringLiteral("out"));
        const auto exportTables = [&](const QStringList &files, const TableOverrides &overrides,
                                      const QByteArray &input = {}) {
            return captured(input, [&](QIODevice &in, QTextStream &out, QTextStream &err) {
                return runExport(ExportRequest{folder, files, u',', work.templates(), overrides}, in, out, err);
            });
        };

        Run result = exportTables({places, QStringLiteral("-")}, {},
                                  "id\tx\ty\n1\t12,5\t-7,25\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
        QCOMPARE(result.out,
                 QStringLiteral("%1: Added 2 locations. Skipped 1 row without usable coordinates (missing, not a "
                                "number or out of range): row 3.\n"
                                "standard input: Added 1 location.\n"
                                "Wrote 3 points to %2\n")
                     .arg(places, folder));
        QCOMPARE(readFileBytes(folder + QStringLiteral("/leaflet-heat-data.js")),
                 QByteArray("\xEF\xBB\xBFvar addressPoints = [\r\n[48.8566, 2.3522, \"10\"],\r\n"
                            "[41.9028, 12.4964, \"10\"],\r\n[-7.25, 12.5, \"10\"]\r\n];\r\n"));

        // A column the table does not have stops before anything is written.
        QDir(folder).removeRecursively();
        result = exportTables({places}, {{}, QStringLiteral("Breite"), {}, {}});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.err, QStringLiteral("No column \"Breite\" in \"%1\"\n").arg(places));
        QVERIFY(!QFileInfo::exists(folder));

        // Tables without a usable row: the line says why, and nothing is written.
        result = exportTables({places}, {{}, QStringLiteral("1"), QStringLiteral("Name"), {}});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.out.startsWith(places + QStringLiteral(": Added 0 locations. Skipped 3 rows")),
                 qPrintable(result.out));
        QCOMPARE(result.err, QStringLiteral("No location added!\n"));
        QVERIFY(!QFileInfo::exists(folder));

        // A table that cannot be read.
        result = exportTables({work.path(QStringLiteral("missing.csv"))}, {});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.startsWith(QStringLiteral("Cannot open file ")), qPrintable(result.err));
    }

    // The command line's library brings nothing of the GUI: an export runs where there is no
    // display. (This test links that library alone.)
    void noGuiLibraryLoaded()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Core"));
        QVERIFY(!mapped.contains("libQt6Gui"));
        QVERIFY(!mapped.contains("libQt6Widgets"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
