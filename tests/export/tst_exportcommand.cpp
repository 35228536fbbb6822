#include "app/tappform.h"
#include "cli/exportcommand.h"
#include "identity/identity.h"
#include "locations/locationlistmodel.h"
#include "platform/systemerror.h"
#include "recordingdesktop.h"
#include "unwritablefolder.h"
#include "filesizelimit.h"
#include "testfiles.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace {

const QStringList TemplateOrder{"HeatLayer.js", "layers.png",      "layers-2x.png", "leaflet.css",
                                "leaflet.js",   "leaflet-heat.js", "index.html"};
const QStringList ExportFiles = QStringList{"leaflet-heat-data.js"} + TemplateOrder;

QByteArray templateContent(const QString &name)
{
    return "template " + name.toUtf8() + "\n";
}

QStringList filesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

// The program's own folder: a copy of the built program, the country table and, unless left
// out, the "leaflet" folder with seven small templates.
class ProgramFolder final
{
public:
    explicit ProgramFolder(bool withTemplates = true)
    {
        m_file = m_dir.filePath(QStringLiteral("thermira"));
        QFile::copy(QStringLiteral(THERMIRA_EXECUTABLE), m_file);
        writeFileBytes(m_dir.filePath(QStringLiteral("countries.dat")), "Chad,15.45,18.73\r\n");
        if (withTemplates) {
            QDir(m_dir.path()).mkdir(QStringLiteral("leaflet"));
            for (const QString &name : TemplateOrder)
                writeFileBytes(m_dir.filePath(QStringLiteral("leaflet/") + name), templateContent(name));
        }
    }
    const QString &file() const { return m_file; }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

std::unique_ptr<TAppForm> makeForm(const ProgramFolder &folder, RecordingDesktop &desktop)
{
    auto form = std::make_unique<TAppForm>(folder.file());
    // No update check here: the timer, started when the window shows, starts nothing.
    form->TimerChecker->disconnect();
    desktop.messages.clear();
    return form;
}

void addTwoPoints(TAppForm &form)
{
    form.locations()->append(LocationEntry{"41.01", "28.97", "Turkey"});
    form.locations()->append(LocationEntry{"48.85", "2.35", "France"});
}

const QByteArray TwoPointsScript =
    "var addressPoints = [\r\n[41.01, 28.97, \"10\"],\r\n[48.85, 2.35, \"10\"]\r\n];\r\n";

// The script in the system's encoding: a byte-order mark in front when that is UTF-8.
bool isTwoPointsScript(const QByteArray &bytes)
{
    return bytes == TwoPointsScript || bytes == "\xEF\xBB\xBF" + TwoPointsScript;
}

// The export command as the user starts it: the button or the File menu item.
void startExport(TAppForm &form, bool fromMenu)
{
    if (fromMenu)
        form.CreateWorldHeatmap1->trigger();
    else
        form.Button2->click();
}

} // namespace

class TestExportCommand final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyList_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("button") << false;
        QTest::newRow("menu item") << true;
    }
    void emptyList()
    {
        QFETCH(bool, fromMenu);
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        QTemporaryDir target;
        desktop.folderAnswers << target.path();

        startExport(*form, fromMenu);

        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.at(0).text, QStringLiteral("No location added!"));
        QCOMPARE(desktop.messages.at(0).caption, QStringLiteral("WARNING"));
        QCOMPARE(desktop.messages.at(0).icon, QMessageBox::Warning);
        QVERIFY(desktop.dialogCalls.isEmpty());
        QVERIFY(desktop.shownItems.isEmpty());
        QVERIFY(filesIn(target.path()).isEmpty());
        QVERIFY(form->lastExportFolder().isEmpty());
    }

    void exportShowsThePage_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<bool>("delimiter");
        QTest::newRow("button, folder as chosen") << false << false;
        QTest::newRow("menu item, folder as chosen") << true << false;
        QTest::newRow("button, folder with delimiter") << false << true;
    }
    void exportShowsThePage()
    {
        QFETCH(bool, fromMenu);
        QFETCH(bool, delimiter);
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        addTwoPoints(*form);
        QTemporaryDir target;
        const QString chosen = target.path() + (delimiter ? QStringLiteral("/") : QString());
        desktop.folderAnswers << chosen;

        startExport(*form, fromMenu);

        QCOMPARE(desktop.dialogCalls.size(), 1);
        QCOMPARE(desktop.dialogCalls.at(0).kind, QStringLiteral("folder"));
        QCOMPARE(desktop.dialogCalls.at(0).title, QStringLiteral("Select folder:"));
        QCOMPARE(desktop.dialogCalls.at(0).acceptLabel, QStringLiteral("Select"));
        QCOMPARE(desktop.dialogCalls.at(0).start, QString());
        QCOMPARE(desktop.messages.size(), 0);
        QCOMPARE(filesIn(target.path()), sorted(ExportFiles));
        QVERIFY(isTwoPointsScript(readFileBytes(target.filePath(QStringLiteral("leaflet-heat-data.js")))));
        for (const QString &name : TemplateOrder)
            QCOMPARE(readFileBytes(target.filePath(name)), templateContent(name));
        QCOMPARE(desktop.shownItems, QStringList{target.path() + QStringLiteral("/index.html")});
        QCOMPARE(form->lastExportFolder(), chosen);
    }

    // Each dialog opens at the folder of the last confirmed choice; cancelling keeps it.
    void dialogStartsAtTheLastFolder()
    {
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        addTwoPoints(*form);
        QTemporaryDir first;
        QTemporaryDir second;

        desktop.folderAnswers << first.path();
        form->Button2->click();
        desktop.folderAnswers << QString(); // cancelled
        form->Button2->click();
        desktop.folderAnswers << second.path();
        form->CreateWorldHeatmap1->trigger();
        form->Button2->click(); // cancelled: the queue is empty

        QCOMPARE(desktop.dialogCalls.size(), 4);
        QCOMPARE(desktop.dialogCalls.at(0).start, QString());
        QCOMPARE(desktop.dialogCalls.at(1).start, first.path());
        QCOMPARE(desktop.dialogCalls.at(2).start, first.path());
        QCOMPARE(desktop.dialogCalls.at(3).start, second.path());
        QCOMPARE(form->lastExportFolder(), second.path());
        QCOMPARE(desktop.shownItems, (QStringList{first.path() + QStringLiteral("/index.html"),
                                                  second.path() + QStringLiteral("/index.html")}));
        QCOMPARE(desktop.messages.size(), 0);
    }

    void exportTwiceReplacesAllEight()
    {
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        form->locations()->append(LocationEntry{"1", "2", {}});
        QTemporaryDir target;
        desktop.folderAnswers << target.path() << target.path();

        form->Button2->click();
        for (const QString &name : ExportFiles)
            QVERIFY(writeFileBytes(target.filePath(name), "changed since the first export, and long"));
        addTwoPoints(*form);
        form->locations()->removeSelected(
            QItemSelection(form->locations()->index(0, 0), form->locations()->index(0, 2)));
        form->Button2->click();

        QCOMPARE(filesIn(target.path()), sorted(ExportFiles));
        QVERIFY(isTwoPointsScript(readFileBytes(target.filePath(QStringLiteral("leaflet-heat-data.js")))));
        for (const QString &name : TemplateOrder)
            QCOMPARE(readFileBytes(target.filePath(name)), templateContent(name));
        QCOMPARE(desktop.shownItems.size(), 2);
        QCOMPARE(desktop.messages.size(), 0);
    }

    void missingTemplateFolder()
    {
        RecordingDesktop desktop;
        const ProgramFolder program(false);
        auto form = makeForm(program, desktop);
        addTwoPoints(*form);
        QTemporaryDir target;
        desktop.folderAnswers << target.path();

        form->Button2->click();

        QCOMPARE(filesIn(target.path()), QStringList{"leaflet-heat-data.js"});
        QCOMPARE(desktop.shownItems, QStringList{target.path() + QStringLiteral("/index.html")});
        QCOMPARE(desktop.messages.size(), 0);
    }

    void unwritableFolder()
    {
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        addTwoPoints(*form);
        QTemporaryDir target;
        const UnwritableFolder folder(target.path());
        QVERIFY2(folder.ok(), "could not make a folder that refuses new files");
        desktop.folderAnswers << folder.path();

        form->Button2->click();

        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.at(0).text,
                 QStringLiteral("Cannot create file \"%1/leaflet-heat-data.js\". %2.")
                     .arg(folder.path(), systemErrorText(folder.expectedErrno())));
        QCOMPARE(desktop.messages.at(0).caption, QStringLiteral("Thermira"));
        QCOMPARE(desktop.messages.at(0).icon, QMessageBox::Critical);
        for (const QString &name : TemplateOrder)
            QVERIFY2(!QFile::exists(folder.path() + u'/' + name), qPrintable(name));
        QVERIFY(desktop.shownItems.isEmpty());
        QCOMPARE(form->lastExportFolder(), folder.path());
    }

    // thermira --export on the same files writes the same eight files as loading them into the
    // window and exporting from there: decoding, line breaks, skipped lines, quoting, standard
    // input, a folder made on the way.
    void commandLineWritesTheSameFolder()
    {
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        AppListSeparator = u',';
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.csv"));
        QVERIFY(writeFileBytes(first, "\xEF\xBB\xBF" "41.01,28.97\r\n48.85,2.35\rabc,0\n,5\r\n1,2,3\r\n"
                                      "no separator\r\n\r\n 7 ,-8e2\r\nR\xC3\xA9union,\"<\\\r\n010,2"));
        const QString second = dir.filePath(QStringLiteral("second.csv"));
        const QString secondText = QStringLiteral(u"10,20\r\n-0.5,.5\u00E9\r\n");
        QVERIFY(writeFileBytes(second, QByteArray("\xFF\xFE") +
                                           QByteArray(reinterpret_cast<const char *>(secondText.utf16()),
                                                      secondText.size() * 2)));
        desktop.openAnswers << first << second;
        form->Button3->click();
        form->Button3->click();
        QTemporaryDir fromWindow;
        desktop.folderAnswers << fromWindow.path();
        form->Button2->click();
        QCOMPARE(desktop.messages.size(), 0);

        // The second file comes through standard input, into a folder that does not exist yet.
        QTemporaryDir commandLineDir;
        const QString fromCommandLine = commandLineDir.filePath(QStringLiteral("new/heatmap"));
        QByteArray secondBytes = readFileBytes(second);
        QBuffer input(&secondBytes);
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const ExportRequest request{fromCommandLine, {first, QStringLiteral("-")}, u',',
                                    QFileInfo(program.file()).absolutePath() + QStringLiteral("/leaflet")};
        QCOMPARE(runExport(request, input, outStream, errStream), 0);

        QCOMPARE(out, QStringLiteral("Wrote %1 points to %2\n").arg(form->locations()->size()).arg(fromCommandLine));
        QCOMPARE(form->locations()->size(), 10);
        QVERIFY(err.isEmpty());
        QCOMPARE(filesIn(fromCommandLine), sorted(ExportFiles));
        for (const QString &name : ExportFiles)
            QCOMPARE(readFileBytes(fromCommandLine + u'/' + name), readFileBytes(fromWindow.filePath(name)));
    }

    // The disk fills up while the script is written: the previous export stays whole.
    void diskFull()
    {
        RecordingDesktop desktop;
        const ProgramFolder program;
        auto form = makeForm(program, desktop);
        std::vector<LocationEntry> many(20000, LocationEntry{"41.0123", "28.9784", {}});
        form->locations()->append(std::move(many));
        QTemporaryDir target;
        for (const QString &name : ExportFiles)
            QVERIFY(writeFileBytes(target.filePath(name), "previous " + name.toUtf8()));
        desktop.folderAnswers << target.path();
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.active());
            form->Button2->click();
        }
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages.at(0).text, QStringLiteral("Stream write error."));
        QCOMPARE(desktop.messages.at(0).caption, QStringLiteral("Thermira"));
        QCOMPARE(filesIn(target.path()), sorted(ExportFiles));
        for (const QString &name : ExportFiles)
            QCOMPARE(readFileBytes(target.filePath(name)), "previous " + name.toUtf8());
        QVERIFY(desktop.shownItems.isEmpty());
    }
};

QTEST_MAIN(TestExportCommand)
#include "tst_exportcommand.moc"
