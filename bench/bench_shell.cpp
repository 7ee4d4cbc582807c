// Start-up of the main window: construct QLNV and run its load on a provisioned data directory.
#include "app/Database.h"
#include "data/Provision.h"
#include "shell/QLNV.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

static void BM_MainWindowLoad(benchmark::State &state)
{
    QTemporaryDir dir;
    schema::provisionDataDir(dir.path() + QStringLiteral("/data"));
    for (auto _ : state) {
        QLNV window;
        window.Form_Load(dir.path());
        QApplication::processEvents();
        state.PauseTiming();
        window.close();
        db::closeAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowLoad)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
