// The code tables window on a provisioned data directory: reading the 99 slots of a category
// into the grid (the edit copy refilled, the model read again), and registering them (the
// typed name posted to the edit copy, the duplicate check, the category replaced in the
// master). The confirmation is answered by a presenter that says Yes at once.
#include "app/Database.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "data/Provision.h"
#include "masters/CodeTableWindow.h"

#include <QApplication>
#include <QSqlTableModel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

class YesPresenter : public msg::MessagePresenter
{
public:
    QMessageBox::StandardButton present(QWidget *, const msg::MessageBoxSpec &box) override
    {
        return box.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
};

class Fixture
{
public:
    Fixture()
    {
        schema::provisionDataDir(m_dir.path() + QStringLiteral("/data"));
        ModQLNV::setLocations(ModQLNV::locationsFor(m_dir.path(), false));
        m_previous = msg::setMessagePresenter(&m_yes);
        window = std::make_unique<CodeTableWindow>();
        window->show(); // reads 単位
        QApplication::processEvents();
    }
    ~Fixture()
    {
        window.reset();
        msg::setMessagePresenter(m_previous);
        db::closeAll();
    }

    QSqlTableModel *model() const { return window->findChild<QSqlTableModel *>(QStringLiteral("dat単位")); }

    std::unique_ptr<CodeTableWindow> window;

private:
    QTemporaryDir m_dir;
    YesPresenter m_yes;
    msg::MessagePresenter *m_previous = nullptr;
};

void BM_ReadCodes(benchmark::State &state)
{
    Fixture f;
    const QString key = QStringLiteral("単位");
    for (auto _ : state) {
        if (!f.window->Readコード表(key))
            state.SkipWithError("read failed");
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ReadCodes)->Unit(benchmark::kMillisecond);

void BM_RegisterCodes(benchmark::State &state)
{
    Fixture f;
    const QString key = QStringLiteral("単位");
    int round = 0;
    int registered = 0;
    QObject::connect(f.window.get(), &CodeTableWindow::codesChanged, [&registered] { ++registered; });
    for (auto _ : state) {
        // The model is read again after each registration: take the index anew.
        const QModelIndex slot20 = f.model()->index(19, CodeTableWindow::Colsname);
        f.model()->setData(slot20, QStringLiteral("名称%1").arg(++round));
        f.window->Entryコード表(key);
        QApplication::processEvents();
    }
    if (registered != round)
        state.SkipWithError("a registration failed");
}
BENCHMARK(BM_RegisterCodes)->Unit(benchmark::kMillisecond);

} // namespace
