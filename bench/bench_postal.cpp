// The postal dictionary of all Japan: building it from the zip, and each search of the
// postal-code window as a whole procedure (query, write w郵便番号, commit) on the search object
// the window keeps while it is open. Searches run one call per repetition, so median and p95
// are of single calls.
#include "data/Provision.h"
#include "postal/DictionaryBuilder.h"
#include "postal/YubinSearch.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

const QString Zip = QStringLiteral(QUILLON_POSTAL_ZIP);

struct Fixture
{
    Fixture()
    {
        schema::provisionDataDir(dir.filePath(QStringLiteral("data")));
        yubin::buildDictionary(Zip, paths.yubin);
    }
    QTemporaryDir dir;
    yubin::YubinPaths paths{dir.filePath(QStringLiteral("data/yubin.mdb")), dir.filePath(QStringLiteral("data/QLNVData.mdb")),
                            dir.filePath(QStringLiteral("data/QLNVWork.mdb"))};
    yubin::YubinSearch search{paths};
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

double p95(const std::vector<double> &v)
{
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s[std::min(s.size() - 1, size_t(double(s.size()) * 0.95))];
}

void BM_BuildDictionary(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("yubin.mdb"));
    for (auto _ : state) {
        const yubin::DictionaryBuild build = yubin::buildDictionary(Zip, out);
        if (!build.error.isEmpty())
            state.SkipWithError(build.error.toUtf8().constData());
    }
    state.counters["file_MB"] = double(QFileInfo(out).size()) / 1e6;
}
BENCHMARK(BM_BuildDictionary)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

template <typename F>
void search(benchmark::State &state, F call)
{
    yubin::YubinSearch &s = fixture().search;
    for (auto _ : state) {
        if (!call(s))
            state.SkipWithError(s.lastError().toUtf8().constData());
    }
}

#define POSTAL_SEARCH(name, call)                                                                                   \
    void name(benchmark::State &state) { search(state, [](yubin::YubinSearch &s) { return call; }); }              \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(100)->ComputeStatistics("p95", p95) \
        ->ReportAggregatesOnly(true)

POSTAL_SEARCH(BM_SeekCode7, s.Seek郵便番号(QStringLiteral("1000001")));
POSTAL_SEARCH(BM_SeekCode7SeveralTowns, s.Seek郵便番号(QStringLiteral("0288407")));
POSTAL_SEARCH(BM_SeekCode3, s.Seek郵便番号(QStringLiteral("123")));
POSTAL_SEARCH(BM_SeekCode2, s.Seek郵便番号(QStringLiteral("12")));
// The worst case of a partial code: "1" is in some 74,000 codes, those beginning with it first.
POSTAL_SEARCH(BM_SeekCode1Worst, s.Seek郵便番号(QStringLiteral("1")));
POSTAL_SEARCH(BM_KanaTown3, s.Seek市町村かな(yubin::ByTownKana, QStringLiteral("がっこう")));
POSTAL_SEARCH(BM_KanaCity3, s.Seek市町村かな(yubin::ByCityKana, QStringLiteral("さっぽろ")));
POSTAL_SEARCH(BM_KanaTown1, s.Seek市町村かな(yubin::ByTownKana, QStringLiteral("ｱ")));
POSTAL_SEARCH(BM_KanaTown2, s.Seek市町村かな(yubin::ByTownKana, QStringLiteral("ｶﾜ")));
// The worst case: ｼ (市) is in the reading of nearly every city, 108,000 rows.
POSTAL_SEARCH(BM_KanaCity1Worst, s.Seek市町村かな(yubin::ByCityKana, QStringLiteral("ｼ")));
POSTAL_SEARCH(BM_Read市町村, s.read市町村(QStringLiteral("東京都")));
POSTAL_SEARCH(BM_Read町名LargestCity, s.read町名(QStringLiteral("富山県"), QStringLiteral("富山市")));
// The first search of one character after the window opened reads the packed readings.
void BM_FirstShortSearch(benchmark::State &state)
{
    for (auto _ : state) {
        yubin::YubinSearch s(fixture().paths);
        if (!s.Seek市町村かな(yubin::ByTownKana, QStringLiteral("ｱ")))
            state.SkipWithError(s.lastError().toUtf8().constData());
    }
}
BENCHMARK(BM_FirstShortSearch)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(20)->ComputeStatistics("p95", p95)->ReportAggregatesOnly(true);
POSTAL_SEARCH(BM_ReadGrid町名, s.ReadGrid町名(QStringLiteral("東京都"), QStringLiteral("千代田区"), QStringLiteral("千代田")));

} // namespace
