// Exporting a large list: the data script plus the seven templates into a folder.
#include "export/heatmapexport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<LocationEntry> makeEntries(int count, bool text)
{
    std::vector<LocationEntry> entries;
    entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        // Coordinates as users type them: a few decimals, both signs.
        QString latitude = QString::number(-89.5 + (i % 17900) * 0.01, 'f', 2);
        QString longitude = QString::number(-179.5 + (i % 35900) * 0.01, 'f', 2);
        if (text)
            latitude.replace(u'.', u','); // decimal commas: written as strings
        entries.push_back({latitude, longitude, QStringLiteral("comment %1").arg(i)});
    }
    return entries;
}

void exportList(benchmark::State &state, bool text)
{
    const auto entries = makeEntries(int(state.range(0)), text);
    QTemporaryDir programFolder;
    QDir(programFolder.path()).mkdir(QStringLiteral("leaflet"));
    for (const QString &name : heatmapTemplateFiles()) {
        QFile file(programFolder.filePath(QStringLiteral("leaflet/") + name));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(64 * 1024, 'x'));
    }
    QTemporaryDir target;
    for (auto _ : state) {
        const QString page = exportHeatmap(target.path(), programFolder.filePath(QStringLiteral("leaflet")),
                                           entries, TextEncoding::utf8());
        benchmark::DoNotOptimize(page);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["script_MB"] =
        double(QFile(target.filePath(QStringLiteral("leaflet-heat-data.js"))).size()) / (1024.0 * 1024.0);
}

void BM_ExportNumbers(benchmark::State &state)
{
    exportList(state, false);
}
void BM_ExportTexts(benchmark::State &state)
{
    exportList(state, true);
}

} // namespace

BENCHMARK(BM_ExportNumbers)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportTexts)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
