// Large location lists: loading, saving, Select All + Delete, and the memory an entry takes,
// through the file functions and the model, and through the real main window.
#include "app/tappform.h"
#include "benchsupport.h"
#include "desktop/desktop.h"
#include "identity/identity.h"
#include "locations/locationfile.h"
#include "locations/locationlistmodel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int Entries = 1'000'000;

// A location file of a million lines like "41.0123,28.9784", made once.
const QString &millionLineFile()
{
    static const QString path = [] {
        const QString file = benchFolder().filePath(QStringLiteral("million.csv"));
        QRandomGenerator random(7);
        QByteArray bytes;
        bytes.reserve(Entries * 20);
        for (int i = 0; i < Entries; ++i) {
            bytes += QByteArray::number(random.bounded(180.0) - 90.0, 'f', 4);
            bytes += ',';
            bytes += QByteArray::number(random.bounded(360.0) - 180.0, 'f', 4);
            bytes += "\r\n";
        }
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            std::abort();
        return file;
    }();
    return path;
}

size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Peak resident memory since the last reset (VmHWM), in bytes.
long long peakResident()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return 0;
}

long long residentNow()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    }
    return 0;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::unique_ptr<TAppForm> shownWindow()
{
    auto form = std::make_unique<TAppForm>(QStringLiteral(THERMIRA_EXECUTABLE));
    // No update check here: the timer, started when the window shows, starts nothing.
    form->TimerChecker->disconnect();
    form->show();
    QApplication::processEvents();
    return form;
}

// Lets the window lay out and paint what changed, as it would before the user sees it.
void settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// --- the file functions and the model ---

void BM_LoadIntoModel(benchmark::State &state)
{
    const QString &file = millionLineFile();
    for (auto _ : state) {
        auto model = std::make_unique<LocationListModel>();
        model->append(readLocationFile(file, u',', TextEncoding::utf8()));
        // Freeing the list afterwards is not part of loading it.
        state.PauseTiming();
        if (model->size() != Entries)
            state.SkipWithError("wrong number of entries");
        model.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

void BM_SaveFromModel(benchmark::State &state)
{
    LocationListModel model;
    model.append(readLocationFile(millionLineFile(), u',', TextEncoding::utf8()));
    const QString out = benchFolder().filePath(QStringLiteral("saved.csv"));
    for (auto _ : state)
        writeLocationFile(out, model.entries(), u',', TextEncoding::utf8());
    state.SetItemsProcessed(state.iterations() * Entries);
    state.counters["bytes"] = double(QFileInfo(out).size());
}

void BM_MemoryPerEntry(benchmark::State &state)
{
    const QString &file = millionLineFile();
    for (auto _ : state) {
        const size_t heapBefore = heapInUse();
        const long long residentBefore = residentNow();
        resetPeakResident();
        auto model = std::make_unique<LocationListModel>();
        model->append(readLocationFile(file, u',', TextEncoding::utf8()));
        const long long peak = peakResident();
        const size_t heapAfter = heapInUse();
        state.counters["heap_bytes_per_entry"] = double(heapAfter - heapBefore) / Entries;
        state.counters["peak_rss_bytes_per_entry"] = double(peak - residentBefore) / Entries;
        model.reset();
    }
}

// --- the real window ---

void BM_WindowLoad(benchmark::State &state)
{
    AnsweringDesktop desktop;
    desktop.file = millionLineFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto form = shownWindow();
        state.ResumeTiming();
        form->Button3Click();
        settle();
        state.PauseTiming();
        if (form->locations()->size() != Entries || desktop.messages)
            state.SkipWithError("load failed");
        form.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

void BM_WindowSave(benchmark::State &state)
{
    AnsweringDesktop desktop;
    desktop.file = millionLineFile();
    auto form = shownWindow();
    form->Button3Click();
    settle();
    desktop.file = benchFolder().filePath(QStringLiteral("window-saved.csv"));
    for (auto _ : state) {
        form->Button4Click();
        settle();
    }
    if (desktop.messages)
        state.SkipWithError("save failed");
    state.SetItemsProcessed(state.iterations() * Entries);
}

void BM_WindowSelectAllThenDelete(benchmark::State &state)
{
    AnsweringDesktop desktop;
    desktop.file = millionLineFile();
    auto form = shownWindow();
    for (auto _ : state) {
        state.PauseTiming();
        form->Button3Click();
        settle();
        state.ResumeTiming();
        form->SelectAll1Click();
        settle();
        form->Delete1Click();
        settle();
        state.PauseTiming();
        if (form->locations()->size() != 0)
            state.SkipWithError("rows left");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}

// Adding one row by hand to a list of a million stays instant.
void BM_WindowAddToMillion(benchmark::State &state)
{
    AnsweringDesktop desktop;
    desktop.file = millionLineFile();
    auto form = shownWindow();
    form->Button3Click();
    settle();
    for (auto _ : state) {
        form->Button1Click();
        settle();
    }
}

} // namespace

BENCHMARK(BM_LoadIntoModel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveFromModel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MemoryPerEntry)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WindowLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowSelectAllThenDelete)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowAddToMillion)->Unit(benchmark::kMicrosecond)->Iterations(100);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
