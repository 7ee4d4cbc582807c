// The Access reader as the import meets it: the child process started, the file opened and the
// first row in hand (the progress callback cancels once a row has come), and a small table
// read whole, Jet 4 and Jet 3. The files are the tests' real Jet files.
#include "masters/LinkedFile.h"

#include <QFileInfo>
#include <benchmark/benchmark.h>

namespace {

QString testFile(const char *name)
{
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../tests/masters/data/")
        + QLatin1StringView(name);
}

void BM_ReaderFirstRow(benchmark::State &state)
{
    const QString path = testFile("testUnicodeCompV2003.mdb");
    for (auto _ : state) {
        qint64 seen = 0;
        const auto outcome = linkfile::readJetTable(path, linkfile::Kind::Jet4, QStringLiteral("Table"),
                                                    { QStringLiteral("ID"), QStringLiteral("Unicode") },
                                                    [&seen](qint64 done, qint64) {
                                                        seen = done;
                                                        return done == 0;
                                                    });
        if (outcome.status == linkfile::ReadStatus::Failed || seen == 0)
            state.SkipWithError("no row came");
    }
}
BENCHMARK(BM_ReaderFirstRow)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void readWhole(benchmark::State &state, const char *file, const QString &table, const QStringList &columns,
               qsizetype rows)
{
    const QString path = testFile(file);
    for (auto _ : state) {
        const auto outcome = linkfile::readTable(path, table, columns);
        if (outcome.status != linkfile::ReadStatus::Read || outcome.data.rows.size() != rows)
            state.SkipWithError("table not read");
    }
}

void BM_ReadJet4Table(benchmark::State &state)
{
    readWhole(state, "testUnicodeCompV2003.mdb", QStringLiteral("Table"),
              { QStringLiteral("ID"), QStringLiteral("Unicode") }, 8);
}
BENCHMARK(BM_ReadJet4Table)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_ReadJet3Table(benchmark::State &state)
{
    readWhole(state, "testV1997.mdb", QStringLiteral("Table1"),
              { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("E"), QStringLiteral("G"),
                QStringLiteral("H"), QStringLiteral("I") },
              2);
}
BENCHMARK(BM_ReadJet3Table)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
