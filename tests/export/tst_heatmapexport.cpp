#include "export/heatmapexport.h"
#include "platform/errors.h"
#include "platform/systemerror.h"
#include "unwritablefolder.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QStringList TemplateOrder{"HeatLayer.js", "layers.png",      "layers-2x.png", "leaflet.css",
                                "leaflet.js",   "leaflet-heat.js", "index.html"};

const std::vector<LocationEntry> TwoPoints{{"41.01", "28.97", "Turkey"}, {"48.85", "2.35", "France"}};
const QByteArray
    TwoPointsScript("var addressPoints = [\r\n[41.01, 28.97, \"10\"],\r\n[48.85, 2.35, \"10\"]\r\n];\r\n");

QByteArray templateContent(const QString &name)
{
    return "template " + name.toUtf8() + "\n";
}

// A program folder with the seven templates in its "leaflet" folder (or only some of them).
class TemplateFolder final
{
public:
    explicit TemplateFolder(const QStringList &names = TemplateOrder)
    {
        QDir(m_dir.path()).mkdir(QStringLiteral("leaflet"));
        for (const QString &name : names)
            writeFileBytes(path() + u'/' + name, templateContent(name));
    }
    QString path() const { return m_dir.filePath(QStringLiteral("leaflet")); }

private:
    QTemporaryDir m_dir;
};

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// Names of the files that got their final content in the folder, in that order.
class FolderWatch final
{
public:
    explicit FolderWatch(const QString &folder)
    {
        m_fd = inotify_init1(IN_NONBLOCK);
        if (m_fd >= 0)
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                              IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FolderWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    QStringList finishedFiles(const QStringList &known) const
    {
        QStringList names;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                const QString name = event->len ? QFile::decodeName(event->name) : QString();
                if (known.contains(name) && (names.isEmpty() || names.constLast() != name))
                    names.append(name);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int m_fd = -1;
};

} // namespace

class TestHeatmapExport final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trailingDelimiter_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("without") << "/home/ada/maps"
                                 << "/home/ada/maps/";
        QTest::newRow("with") << "/home/ada/maps/"
                              << "/home/ada/maps/";
        QTest::newRow("root") << "/"
                              << "/";
        QTest::newRow("relative") << "maps"
                                  << "maps/";
    }
    void trailingDelimiter()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(withTrailingDelimiter(folder), expected);
    }

    // The folder as the dialog gives it (no delimiter) or with one: the same eight files.
    void exportWritesScriptAndTemplates_data()
    {
        QTest::addColumn<bool>("delimiter");
        QTest::newRow("folder without delimiter") << false;
        QTest::newRow("folder with delimiter") << true;
    }
    void exportWritesScriptAndTemplates()
    {
        QFETCH(bool, delimiter);
        const TemplateFolder templates;
        QTemporaryDir target;
        QVERIFY(writeFileBytes(target.filePath(QStringLiteral("notes.txt")), "mine"));

        const QString page = exportHeatmap(target.path() + (delimiter ? QStringLiteral("/") : QString()),
                                           templates.path(), TwoPoints, TextEncoding::named("windows-1252"));

        QCOMPARE(page, target.path() + QStringLiteral("/index.html"));
        QCOMPARE(filesIn(target.path()),
                 sorted(TemplateOrder + QStringList{"leaflet-heat-data.js", "notes.txt"}));
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("leaflet-heat-data.js"))), TwoPointsScript);
        for (const QString &name : TemplateOrder)
            QCOMPARE(readFileBytes(target.filePath(name)), templateContent(name));
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("notes.txt"))), QByteArray("mine"));
    }

    void scriptFirstThenTemplatesInOrder()
    {
        const TemplateFolder templates;
        QTemporaryDir target;
        const FolderWatch watch(target.path());
        exportHeatmap(target.path(), templates.path(), TwoPoints);
        QCOMPARE(watch.finishedFiles(TemplateOrder + QStringList{"leaflet-heat-data.js"}),
                 QStringList{"leaflet-heat-data.js"} + TemplateOrder);
    }

    void secondExportReplacesAllEight()
    {
        const TemplateFolder templates;
        QTemporaryDir target;
        exportHeatmap(target.path(), templates.path(), {{"1", "2", {}}, {"3", "4", {}}, {"5", "6", {}}});
        for (const QString &name : TemplateOrder + QStringList{"leaflet-heat-data.js"})
            QVERIFY(writeFileBytes(target.filePath(name), "stale, and longer than every template in this test"));

        exportHeatmap(target.path(), templates.path(), TwoPoints, TextEncoding::named("windows-1252"));

        QCOMPARE(filesIn(target.path()), sorted(TemplateOrder + QStringList{"leaflet-heat-data.js"}));
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("leaflet-heat-data.js"))), TwoPointsScript);
        for (const QString &name : TemplateOrder)
            QCOMPARE(readFileBytes(target.filePath(name)), templateContent(name));
    }

    // Missing templates are skipped without a word; the others still arrive.
    void missingTemplates_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::newRow("no leaflet folder") << QStringList{};
        QTest::newRow("first missing") << TemplateOrder.mid(1);
        QTest::newRow("middle missing")
            << QStringList{"HeatLayer.js", "layers.png", "leaflet.js", "index.html"};
        QTest::newRow("page missing") << TemplateOrder.first(6);
    }
    void missingTemplates()
    {
        QFETCH(QStringList, present);
        const TemplateFolder templates(present);
        if (present.isEmpty())
            QVERIFY(QDir(templates.path()).removeRecursively());
        QTemporaryDir target;

        const QString page = exportHeatmap(target.path(), templates.path(), TwoPoints);

        QCOMPARE(page, target.path() + QStringLiteral("/index.html"));
        QCOMPARE(filesIn(target.path()), sorted(present + QStringList{"leaflet-heat-data.js"}));
        for (const QString &name : present)
            QCOMPARE(readFileBytes(target.filePath(name)), templateContent(name));
    }

    void unwritableFolderStopsBeforeTheTemplates()
    {
        const TemplateFolder templates;
        QTemporaryDir target;
        const UnwritableFolder folder(target.path());
        QVERIFY2(folder.ok(), "could not make a folder that refuses new files");
        QString message;
        try {
            exportHeatmap(folder.path(), templates.path(), TwoPoints);
        } catch (const FileError &error) {
            message = error.message();
        }
        QCOMPARE(message, QStringLiteral("Cannot create file \"%1/leaflet-heat-data.js\". %2")
                              .arg(folder.path(), systemErrorText(folder.expectedErrno())));
        for (const QString &name : TemplateOrder)
            QVERIFY2(!QFile::exists(folder.path() + u'/' + name), qPrintable(name));
    }

    // A template that cannot be written whole leaves the old file and does not stop the rest.
    void failedCopyKeepsTheOldTemplate()
    {
        const TemplateFolder templates;
        QVERIFY(writeFileBytes(templates.path() + QStringLiteral("/leaflet.js"), QByteArray(256 * 1024, 'L')));
        QTemporaryDir target;
        QVERIFY(writeFileBytes(target.filePath(QStringLiteral("leaflet.js")), "old leaflet"));
        {
            const FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.active());
            exportHeatmap(target.path(), templates.path(), TwoPoints);
        }
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("leaflet.js"))), QByteArray("old leaflet"));
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("leaflet-heat.js"))),
                 templateContent("leaflet-heat.js"));
        QCOMPARE(readFileBytes(target.filePath(QStringLiteral("index.html"))), templateContent("index.html"));
        QCOMPARE(filesIn(target.path()), sorted(TemplateOrder + QStringList{"leaflet-heat-data.js"}));
    }

    // Exporting into the template folder itself must not destroy the templates.
    void exportIntoTheTemplateFolder()
    {
        const TemplateFolder templates;
        exportHeatmap(templates.path(), templates.path(), TwoPoints, TextEncoding::named("windows-1252"));
        QCOMPARE(filesIn(templates.path()), sorted(TemplateOrder + QStringList{"leaflet-heat-data.js"}));
        for (const QString &name : TemplateOrder)
            QCOMPARE(readFileBytes(templates.path() + u'/' + name), templateContent(name));
    }

    void copyReplacing_data()
    {
        QTest::addColumn<bool>("sourceExists");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("copied");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::newRow("new target") << true << false << true << QByteArray("source");
        QTest::newRow("replaces target") << true << true << true << QByteArray("source");
        QTest::newRow("missing source keeps target") << false << true << false << QByteArray("target, old");
        QTest::newRow("missing source, no target") << false << false << false << QByteArray("<missing>");
    }
    void copyReplacing()
    {
        QFETCH(bool, sourceExists);
        QFETCH(bool, targetExists);
        QFETCH(bool, copied);
        QFETCH(QByteArray, targetAfter);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("a"));
        const QString target = dir.filePath(QStringLiteral("b"));
        if (sourceExists)
            QVERIFY(writeFileBytes(source, "source"));
        if (targetExists)
            QVERIFY(writeFileBytes(target, "target, old"));
        QCOMPARE(::copyReplacing(source, target), copied);
        QCOMPARE(readFileBytes(target), targetAfter);
    }
};

QTEST_GUILESS_MAIN(TestHeatmapExport)
#include "tst_heatmapexport.moc"
