// One main for every benchmark program: an offscreen QApplication, then Google Benchmark.
#include "app/Database.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Connections go before the application that owns the driver.
    db::closeAll();
    return 0;
}
