// Importing a table of a million rows and eight columns (about 80 MB): read directly, the
// dialog opening on it, and the whole import through the main window with the longest time
// the window did not answer.
#include "app/tappform.h"
#include "benchsupport.h"
#include "import/importpreview.h"
#include "import/tableimport.h"
#include "import/timporttableform.h"
#include "locations/locationlistmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int Rows = 1'000'000;

// A spreadsheet export: id, quoted name with a comma, latitude, longitude, elevation, date,
// category, population; a header, CR LF. Made once.
const QString &millionRowTable()
{
    static const QString path = [] {
        const QString file = benchFolder().filePath(QStringLiteral("million.csv"));
        QRandomGenerator random(7);
        QByteArray bytes;
        bytes.reserve(Rows * 90);
        bytes += "id,name,latitude,longitude,elevation,date,category,population\r\n";
        for (int i = 0; i < Rows; ++i) {
            bytes += QByteArray::number(i + 1) + ",\"Station " + QByteArray::number(i) + ", Area " +
                     QByteArray::number(i % 97) + "\"," + QByteArray::number(random.bounded(180.0) - 90.0, 'f', 6) +
                     ',' + QByteArray::number(random.bounded(360.0) - 180.0, 'f', 6) + ',' +
                     QByteArray::number(random.bounded(4000.0), 'f', 1) + ",2019-05-" +
                     QByteArray::number(10 + i % 20) + ",forest," + QByteArray::number(random.bounded(100000)) +
                     "\r\n";
        }
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            std::abort();
        return file;
    }();
    return path;
}

void BM_ImportTableFile(benchmark::State &state)
{
    const QString &file = millionRowTable();
    for (auto _ : state) {
        ImportResult result = importTableFile(file);
        state.PauseTiming();
        if (result.added() != Rows || result.skipped != 0)
            state.SkipWithError("wrong number of entries");
        result = ImportResult();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Rows);
    state.counters["file_bytes"] = double(QFile(file).size());
}

// From the command to the dialog on screen: only the head is read.
void BM_DialogOpens(benchmark::State &state)
{
    const QString &file = millionRowTable();
    for (auto _ : state) {
        auto form = std::make_unique<TImportTableForm>(ImportPreview(TableSource::file(file)));
        form->show();
        QApplication::processEvents();
        state.PauseTiming();
        form.reset();
        QThreadPool::globalInstance()->waitForDone();
        state.ResumeTiming();
    }
}

// File menu to rows in the list, through the dialog, with Import pressed as soon as the
// dialog shows. A timer that should fire every 10 ms measures the window's longest silence.
void BM_WindowImport(benchmark::State &state)
{
    AnsweringDesktop desktop;
    desktop.file = millionRowTable();
    qint64 longestStall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TAppForm>(QStringLiteral(THERMIRA_EXECUTABLE));
        // No update check here: the timer, started when the window shows, starts nothing.
        form->TimerChecker->disconnect();
        form->show();
        QApplication::processEvents();
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceTick.restart());
        });
        QTimer::singleShot(0, [] {
            if (auto *dialog = qobject_cast<TImportTableForm *>(QApplication::activeModalWidget()))
                dialog->ImportButton->click();
        });
        sinceTick.start();
        ticker.start();
        state.ResumeTiming();
        form->ImportTable1->trigger();
        state.PauseTiming();
        ticker.stop();
        if (form->locations()->size() != Rows)
            state.SkipWithError("import failed");
        form.reset();
        state.ResumeTiming();
    }
    state.counters["longest_stall_ms"] = double(longestStall);
    state.SetItemsProcessed(state.iterations() * Rows);
}

} // namespace

BENCHMARK(BM_ImportTableFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DialogOpens)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WindowImport)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
