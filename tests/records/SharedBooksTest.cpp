// Several PCs on the same books: a new invoice whose number another PC took meanwhile gets the
// next free one; a stored invoice replaces only the version it was read at; two processes
// registering invoices at the same moment on the server lose nothing.
#include "RecordsTestUtil.h"

#include "app/ServerConnection.h"
#include "data/MasterChanges.h"
#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"
#include "support/EngineTest.h"

#include <QProcess>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace recordstest;

namespace {

class SharedBooksTest : public EngineTest
{
protected:
    // Runs work on a connection of its own to the data database, as another PC would.
    void asAnotherPc(const std::function<void(const QSqlDatabase &)> &work)
    {
        if (!onServer()) {
            ASSERT_TRUE(db::withOwnConnection(dir().dataMdb(), false, work));
            return;
        }
        const QString name = QStringLiteral("another-pc:") + QUuid::createUuid().toString();
        {
            QSqlDatabase other = db::addServerConnection(name, dir().server()->address());
            ASSERT_TRUE(other.open());
            work(other);
        }
        QSqlDatabase::removeDatabase(name);
    }

    QList<QVariantList> stored(qint64 number)
    {
        return rows(db::data(), QStringLiteral("SELECT 件名, 更新番号 FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {number});
    }
};

const QList<DetailLine> kLines{line(QStringLiteral("りんご")), line(QStringLiteral("みかん"))};

enum class Meanwhile { Nothing, Changed, Deleted };

struct ConflictCase {
    const char *name;
    Meanwhile meanwhile;
    records::SaveConflict expected;
};

} // namespace

// A loaded invoice goes over its own version; one that another PC changed or deleted since
// is left as that PC left it until the user says otherwise, and is then stored over whatever is
// there, one version up.
TEST_P(SharedBooksTest, ALoadedInvoiceReplacesOnlyTheVersionItWasReadAt)
{
    const ConflictCase cases[] = {
        {"unchanged", Meanwhile::Nothing, records::SaveConflict::None},
        {"changed", Meanwhile::Changed, records::SaveConflict::Changed},
        {"deleted", Meanwhile::Deleted, records::SaveConflict::Deleted},
    };
    qint64 number = 0;
    for (const ConflictCase &c : cases) {
        SCOPED_TRACE(c.name);
        ++number;
        ASSERT_TRUE(records::saveInvoice(header(number), kLines));
        const auto loaded = records::Read請求書ヘッダ(db::data(), number);
        ASSERT_EQ(loaded.status, records::LoadStatus::Loaded);
        ASSERT_EQ(loaded.header.更新番号, 1);
        asAnotherPc([&](const QSqlDatabase &other) {
            if (c.meanwhile == Meanwhile::Changed)
                EXPECT_TRUE(db::exec(other, QStringLiteral("UPDATE 請求書ヘッダ SET 件名 = 'よそ', 更新番号 = 2 WHERE 伝票番号 = ?"), {number}));
            if (c.meanwhile == Meanwhile::Deleted)
                EXPECT_TRUE(db::exec(other, QStringLiteral("DELETE FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {number}));
        });
        const auto before = stored(number);

        InvoiceHeader edited = loaded.header;
        edited.件名 = QStringLiteral("こちら");
        const records::SaveOutcome first = records::saveInvoice(edited, kLines);
        EXPECT_EQ(first.conflict, c.expected);
        if (c.expected == records::SaveConflict::None) {
            EXPECT_TRUE(first);
            EXPECT_EQ(stored(number), (QList<QVariantList>{{QStringLiteral("こちら"), 2}}));
            continue;
        }
        // No: both versions stay as they were (the one on screen is the caller's).
        EXPECT_FALSE(first);
        EXPECT_EQ(stored(number), before);
        // Yes: stored over whatever is there, one version up.
        const records::SaveOutcome overwritten = records::saveInvoice(edited, kLines, records::SaveMode::Overwrite);
        ASSERT_TRUE(overwritten);
        EXPECT_EQ(overwritten.number, number);
        const qint64 version = c.meanwhile == Meanwhile::Changed ? 3 : 1;
        EXPECT_EQ(stored(number), (QList<QVariantList>{{QStringLiteral("こちら"), version}}));
        EXPECT_EQ(count(QStringLiteral("請求書"), QStringLiteral("伝票番号 = ?"), {number}), 2);
    }
}

TEST_P(SharedBooksTest, ANewInvoiceWhoseNumberWasTakenMeanwhileGetsTheNextFreeOne)
{
    ASSERT_TRUE(records::saveInvoice(header(1), kLines));
    const qint64 offered = counter::nextInvoiceNumber().value_or(0);
    ASSERT_EQ(offered, 2);
    // Another PC stores 2, offered to it too, and someone typed 7 by hand.
    asAnotherPc([&](const QSqlDatabase &other) {
        for (const qint64 n : {2, 7})
            EXPECT_TRUE(db::exec(other, QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 件名, 更新番号) "
                                                       "VALUES (?, '2026-04-01', 'よその店', 'よそ', 1)"),
                                 {n}));
        EXPECT_TRUE(counter::recordInvoiceNumber(other, 2));
    });
    const records::SaveOutcome saved = records::saveInvoice(header(offered, QStringLiteral("こちらの店")), kLines);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved.number, 8);
    EXPECT_EQ(stored(2), (QList<QVariantList>{{QStringLiteral("よそ"), 1}}));
    EXPECT_EQ(rows(db::data(), QStringLiteral("SELECT 顧客名 FROM 請求書 WHERE 伝票番号 = 8 ORDER BY 行番号")),
              (QList<QVariantList>{{QStringLiteral("こちらの店")}, {QStringLiteral("こちらの店")}}));
    EXPECT_EQ(counter::nextInvoiceNumber(), 9);
    EXPECT_EQ(records::renumberedText(QStringLiteral("こちらの店"), 2, 8),
              QStringLiteral("こちらの店 を伝票番号 8 で登録しました。\n伝票番号 2 はほかのパソコンで先に使われていました。"));
}

// Saving an invoice adds to the masters row by row, and counts a write to a master (so that a
// window's older copy is not registered over it) only when it changed a row of it.
TEST_P(SharedBooksTest, AnInvoiceCountsAWriteToAMasterOnlyWhenItChangedOne)
{
    const auto changes = [] {
        QList<qint64> n;
        for (const QString &master : {masterchanges::Customers, masterchanges::Products, masterchanges::Codes})
            n << masterchanges::current(db::data(), master).value_or(-1);
        return n;
    };
    InvoiceHeader moved = header(0);
    moved.顧客情報 = QStringLiteral("〒150-0001\n東京都渋谷区");
    const struct {
        const char *name;
        InvoiceHeader header;
        QList<DetailLine> lines;
        QList<qint64> raised; // customers, products, codes
    } cases[] = {
        {"a new customer and products", header(0), kLines, {1, 1, 0}},
        {"the same again", header(0), kLines, {0, 0, 0}},
        {"the customer moved", moved, kLines, {1, 0, 0}},
        {"a new price", moved, {line(QStringLiteral("りんご"), 1, QStringLiteral("個"), 120)}, {0, 1, 0}},
        {"a new unit", moved, {line(QStringLiteral("りんご"), 1, QStringLiteral("ケース"), 120)}, {0, 1, 1}},
        {"a text line only", moved, {DetailLine{0, QStringLiteral("※ 送料込み")}}, {0, 0, 0}},
    };
    qint64 number = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QList<qint64> before = changes();
        InvoiceHeader h = c.header;
        h.伝票番号 = ++number;
        ASSERT_TRUE(records::saveInvoice(h, c.lines));
        const QList<qint64> after = changes();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(after.at(i) - before.at(i), c.raised.at(i)) << i;
    }
}

QUILLON_ON_BOTH_ENGINES(SharedBooksTest);

// Two PCs registering as fast as they can, each under the numbers the counter proposes to it:
// every invoice is stored once, under a number of its own, with its lines.
TEST(SharedBooksOnServer, TwoProcessesRegisteringAtOnceLoseNothing)
{
    QUILLON_NEEDS_TEST_SERVER();
    TestDataDir dir(Engine::Server);
    constexpr int PerPc = 200;
    const QString url = dir.server()->address().uri();
    QProcess pcs[2];
    const char *names[2] = {"山田商店", "O'Brien & Co."};
    for (int i = 0; i < 2; ++i)
        pcs[i].start(QStringLiteral(QUILLON_SAVE_CHILD), {url, QString::number(PerPc), QString::fromUtf8(names[i])});
    QSet<qint64> numbers;
    QList<double> times;
    for (QProcess &pc : pcs) {
        ASSERT_TRUE(pc.waitForFinished(300000));
        const QString out = QString::fromUtf8(pc.readAllStandardOutput());
        ASSERT_EQ(pc.exitCode(), 0) << out.toStdString() << pc.readAllStandardError().toStdString();
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), PerPc);
        for (const QString &l : lines) {
            numbers.insert(l.section(u' ', 0, 0).toLongLong());
            times << l.section(u' ', 1, 1).toDouble();
        }
    }
    EXPECT_EQ(numbers.size(), 2 * PerPc) << "a number handed out twice";
    QSqlDatabase data = db::data();
    EXPECT_EQ(count(QStringLiteral("請求書ヘッダ")), 2 * PerPc);
    EXPECT_EQ(count(QStringLiteral("請求書")), 2 * 2 * PerPc);
    // Every line belongs to a stored invoice of its own customer.
    EXPECT_EQ(rows(data, QStringLiteral("SELECT count(*) FROM 請求書 l JOIN 請求書ヘッダ h ON h.伝票番号 = l.伝票番号 "
                                        "AND h.顧客名 = l.顧客名")),
              (QList<QVariantList>{{2 * 2 * PerPc}}));
    for (const char *name : names)
        EXPECT_EQ(count(QStringLiteral("請求書ヘッダ"), QStringLiteral("顧客名 = ?"), {QString::fromUtf8(name)}), PerPc);
    const auto highest = rows(data, QStringLiteral("SELECT max(伝票番号) FROM 請求書ヘッダ"));
    EXPECT_EQ(counter::nextInvoiceNumber(), highest.first().first().toLongLong() + 1);
    std::sort(times.begin(), times.end());
    std::printf("two PCs saving: median %.1f ms, longest %.1f ms\n", times.at(times.size() / 2), times.last());
}
