// The history list: search by customer and inclusive date range, newest first; ticking
// and deleting the ticked invoices together.
#include "RecordsTestUtil.h"

#include "records/HistoryList.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"
#include "support/EngineTest.h"


using namespace recordstest;
namespace history = records::history;

namespace {

struct Stored {
    qint64 number;
    const char *customer;
    QDate date;
};

// Saved in this order, so that neither number nor insertion order is date order.
const Stored kInvoices[] = {
    {1, "山田商店", QDate(2026, 3, 31)}, {2, "O'Brien", QDate(2026, 4, 1)},  {3, "山田商店", QDate(2026, 4, 30)},
    {4, "佐藤商事", QDate(2026, 4, 15)}, {5, "山田商店", QDate(2026, 5, 1)},  {6, "山田商店", QDate(2026, 4, 15)},
    {7, "O'Brien", QDate(2025, 12, 31)},
};

void saveAll()
{
    putWorkLines({line("A"), line("B")});
    for (const Stored &s : kInvoices)
        ASSERT_TRUE(records::saveInvoice(header(s.number, QString::fromUtf8(s.customer), s.date)));
}

// Ticks or unticks the listed row of an invoice number, as the grid does.
bool tick(qint64 number, bool ticked)
{
    const auto found = rows(db::work(), QStringLiteral("SELECT rowid FROM w履歴リスト WHERE 伝票番号 = ?"), {number});
    return found.size() == 1 && history::setTicked(db::work(), found.first().first().toLongLong(), ticked);
}

QList<qint64> listed()
{
    QList<qint64> numbers;
    for (const auto &r : rows(db::work(), "SELECT 伝票番号 FROM w履歴リスト ORDER BY rowid"))
        numbers << r.first().toLongLong();
    return numbers;
}

class HistoryListTest : public EngineTest {};
QUILLON_ON_BOTH_ENGINES(HistoryListTest);

} // namespace

TEST_P(HistoryListTest, FiltersAloneAndCombinedWithInclusiveBoundsNewestFirst)
{
    saveAll();
    // A header without a date (written by another program) is listed last on either engine.
    run(db::data(), "INSERT INTO 請求書ヘッダ (伝票番号, 顧客名) VALUES (8, '日付なし')");
    const QDate none;
    const struct {
        const char *name;
        history::Filter filter;
        QList<qint64> expected;
    } cases[] = {
        {"no filter: all, newest date first, the higher number first on a day", {}, {5, 3, 6, 4, 2, 1, 7, 8}},
        {"customer only", {QStringLiteral("山田商店"), none, none}, {5, 3, 6, 1}},
        {"a name with an apostrophe", {QStringLiteral("O'Brien"), none, none}, {2, 7}},
        {"an unknown customer", {QStringLiteral("山田"), none, none}, {}},
        {"start only, inclusive", {{}, QDate(2026, 4, 15), none}, {5, 3, 6, 4}},
        {"end only, inclusive", {{}, none, QDate(2026, 4, 1)}, {2, 1, 7}},
        {"one month", {{}, QDate(2026, 4, 1), QDate(2026, 4, 30)}, {3, 6, 4, 2}},
        {"a single day", {{}, QDate(2026, 4, 15), QDate(2026, 4, 15)}, {6, 4}},
        {"customer and range combine with and", {QStringLiteral("山田商店"), QDate(2026, 4, 1), QDate(2026, 4, 30)}, {3, 6}},
        {"start after end lists nothing", {{}, QDate(2026, 5, 1), QDate(2026, 4, 1)}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = history::Read請求履歴(db::work(), c.filter);
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, c.expected.size());
        EXPECT_EQ(listed(), c.expected);
        EXPECT_EQ(history::countListed(db::work()), c.expected.size());
    }
    // Rows start unticked and carry the header's date, customer and subject.
    ASSERT_TRUE(history::Read請求履歴(db::work(), {QStringLiteral("山田商店"), QDate(2026, 5, 1), {}}));
    EXPECT_EQ(rows(db::work(), "SELECT 伝票番号, 日付, 顧客名, 件名, チェック FROM w履歴リスト"),
              (QList<QVariantList>{{5, QStringLiteral("2026-05-01"), QStringLiteral("山田商店"), QStringLiteral("4月分"), 0}}));
}

TEST_P(HistoryListTest, ClearEmptiesTheList)
{
    saveAll();
    ASSERT_TRUE(history::Read請求履歴(db::work(), {}));
    EXPECT_TRUE(history::Clear履歴(db::work()));
    EXPECT_EQ(history::countListed(db::work()), 0);
}

TEST_P(HistoryListTest, DeletingTheTickedInvoicesRemovesTheirHeadersLinesAndRows)
{
    saveAll();
    ASSERT_TRUE(history::Read請求履歴(db::work(), {QStringLiteral("山田商店"), {}, {}}));
    ASSERT_TRUE(tick(3, true));
    ASSERT_TRUE(tick(5, true));
    ASSERT_TRUE(tick(6, true));
    ASSERT_TRUE(tick(6, false)); // ticked twice is unticked

    const auto outcome = history::Delete履歴(db::work());
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome.deleted, 2);
    EXPECT_EQ(outcome.remaining, 2);
    EXPECT_EQ(listed(), (QList<qint64>{6, 1}));
    EXPECT_EQ(rows(db::data(), "SELECT 伝票番号 FROM 請求書ヘッダ ORDER BY 伝票番号"),
              (QList<QVariantList>{{1}, {2}, {4}, {6}, {7}}));
    EXPECT_EQ(count("請求書", "伝票番号 IN (3, 5)"), 0);
    EXPECT_EQ(count("請求書"), 10);
    // The counter is not lowered.
    EXPECT_EQ(counter::nextInvoiceNumber(), 8);

    const auto nothing = history::Delete履歴(db::work());
    EXPECT_TRUE(nothing);
    EXPECT_EQ(nothing.deleted, 0);
    EXPECT_EQ(nothing.remaining, 2);
}

TEST_P(HistoryListTest, ATickedInvoiceDeletedMeanwhileIsNotCounted)
{
    saveAll();
    ASSERT_TRUE(history::Read請求履歴(db::work(), {}));
    ASSERT_TRUE(tick(1, true));
    ASSERT_TRUE(tick(2, true));
    run(db::data(), "DELETE FROM 請求書ヘッダ WHERE 伝票番号 = 1");
    const auto outcome = history::Delete履歴(db::work());
    EXPECT_EQ(outcome.deleted, 1);
    EXPECT_EQ(outcome.remaining, 5);
}

TEST_P(HistoryListTest, AFailedDeleteChangesNeitherTheInvoicesNorTheList)
{
    saveAll();
    ASSERT_TRUE(history::Read請求履歴(db::work(), {}));
    ASSERT_TRUE(tick(1, true));
    ASSERT_TRUE(tick(2, true));
    refuse(QStringLiteral("keep"), QStringLiteral("請求書ヘッダ"), QStringLiteral("DELETE"), QStringLiteral("OLD.伝票番号 = 2"));
    EXPECT_FALSE(history::Delete履歴(db::work()));
    EXPECT_EQ(count("請求書ヘッダ"), 7);
    EXPECT_EQ(count("請求書"), 14);
    EXPECT_EQ(count("w履歴リスト", "チェック = 1"), 2);
    EXPECT_EQ(count("w履歴リスト"), 7);
}

TEST_P(HistoryListTest, AFailedSearchKeepsTheListAsItWas)
{
    saveAll();
    ASSERT_TRUE(history::Read請求履歴(db::work(), {QStringLiteral("O'Brien"), {}, {}}));
    loseStoredInvoices();
    EXPECT_FALSE(history::Read請求履歴(db::work(), {}));
    EXPECT_EQ(listed(), (QList<qint64>{2, 7}));
}
