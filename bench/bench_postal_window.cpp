// The postal-code search window offscreen on the dictionary of all Japan: opening it (the
// user's own area preselected), and a keystroke or a list choice until the rows are painted.
// One call per repetition, so median and p95 are of single calls.
#include "data/Provision.h"
#include "postal/DictionaryBuilder.h"
#include "postal/FmYubinC.h"
#include "postal/ModYubinC.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString Zip = QStringLiteral(QUILLON_POSTAL_ZIP);

struct Fixture
{
    Fixture()
    {
        schema::provisionDataDir(dir.filePath(QStringLiteral("data")));
        yubin::buildDictionary(Zip, paths.yubin);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-setup"));
            db.setDatabaseName(paths.data);
            db.open();
            QSqlQuery(db).exec(QStringLiteral("INSERT INTO 自社情報 (YubinLocalEriaSw, YubinLocalEria) VALUES (1, '東京都千代田区')"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-setup"));
        yubin::moduleState().paths = paths;
    }
    QTemporaryDir dir;
    yubin::YubinPaths paths{dir.filePath(QStringLiteral("data/yubin.mdb")), dir.filePath(QStringLiteral("data/QLNVData.mdb")),
                            dir.filePath(QStringLiteral("data/QLNVWork.mdb"))};
};

void fixture()
{
    static Fixture f;
}

double p95(const std::vector<double> &v)
{
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s[std::min(s.size() - 1, size_t(double(s.size()) * 0.95))];
}

// Until the window has painted what changed.
void painted()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

std::unique_ptr<FmYubinC> openWindow(benchmark::State &state)
{
    auto window = std::make_unique<FmYubinC>();
    QString error;
    if (!window->FormLoad(&error)) {
        state.SkipWithError(error.toUtf8().constData());
        return nullptr;
    }
    window->show();
    painted();
    return window;
}

void BM_OpenWindow(benchmark::State &state)
{
    fixture();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<FmYubinC> window = openWindow(state);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(30)
    ->ComputeStatistics("p95", p95)->ReportAggregatesOnly(true);

// prepare runs untimed on the open window, act is timed up to the paint.
void onWindow(benchmark::State &state, const std::function<void(FmYubinC &)> &prepare,
              const std::function<void(FmYubinC &)> &act)
{
    fixture();
    std::unique_ptr<FmYubinC> window = openWindow(state);
    if (!window)
        return;
    for (auto _ : state) {
        prepare(*window);
        painted();
        QElapsedTimer clock;
        clock.start();
        act(*window);
        painted();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}

template <class T>
T *child(FmYubinC &w, const char *name)
{
    return w.findChild<T *>(QString::fromUtf8(name));
}

void choose(FmYubinC &w, const char *list, const char *entry)
{
    QComboBox *combo = child<QComboBox>(w, list);
    const int index = combo->findText(QString::fromUtf8(entry));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void type(FmYubinC &w, const char *box, const char *text, Qt::Key key)
{
    QLineEdit *edit = child<QLineEdit>(w, box);
    edit->setText(QString::fromUtf8(text));
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
}

#define WINDOW_BENCH(name, prepare, act)                                                                            \
    void name(benchmark::State &state)                                                                              \
    {                                                                                                               \
        onWindow(state, [](FmYubinC &w) { prepare; }, [](FmYubinC &w) { act; });                                   \
    }                                                                                                               \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(30)                 \
        ->ComputeStatistics("p95", p95)->ReportAggregatesOnly(true)

// The grid is first filled with the city of the opening, so that each search replaces rows.
WINDOW_BENCH(BM_EnterCode7, choose(w, "cmb市町村", "千代田区"), type(w, "TXT郵便番号", "1000001", Qt::Key_Return));
WINDOW_BENCH(BM_EnterCode3, choose(w, "cmb市町村", "千代田区"), type(w, "TXT郵便番号", "123", Qt::Key_Return));
WINDOW_BENCH(BM_F5TownKana3, choose(w, "cmb市町村", "千代田区"), type(w, "TXT町名かな", "さくら", Qt::Key_F5));
WINDOW_BENCH(BM_F5CityKana1Worst, w.Clear郵便検索(), type(w, "TXT市町村かな", "し", Qt::Key_F5));
WINDOW_BENCH(BM_ChoosePrefecture, w.Clear郵便検索(), choose(w, "cmb都道府県", "東京都"));
WINDOW_BENCH(BM_ChooseLargestCity, (w.Clear郵便検索(), choose(w, "cmb都道府県", "富山県")), choose(w, "cmb市町村", "富山市"));
WINDOW_BENCH(BM_ChooseTown, choose(w, "cmb市町村", "千代田区"), choose(w, "cmb町名", "千代田"));

} // namespace
