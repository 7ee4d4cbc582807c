// The edit copies of the masters against real files: read in order, registered over the
// master as one unit, ticked rows deleted from both.
#include "MastersTestUtil.h"

#include "data/MasterChanges.h"
#include "masters/MasterCopy.h"

#include <functional>

using namespace masterstest;
using masters::RegisterStatus;

namespace {

class MasterCopyTest : public MastersTest
{
protected:
    void tick(const QString &table, const QString &key, const QStringList &names)
    {
        for (const QString &name : names)
            run(db::work(), QStringLiteral("UPDATE \"%1\" SET チェック = 1 WHERE \"%2\" = ?").arg(table, key), {name});
    }
};

QUILLON_ON_BOTH_ENGINES(MasterCopyTest);

TEST_P(MasterCopyTest, CopiesComeInTheirListOrder)
{
    addProduct(QStringLiteral("Ｂ品"), QStringLiteral("あ"));
    addProduct(QStringLiteral("Ａ品"), QStringLiteral("い"));
    addProduct(QStringLiteral("Ｃ品"), QStringLiteral("あ"));
    const struct {
        QString setting;
        QStringList names;
    } cases[] = {
        {QStringLiteral("品名順"), {QStringLiteral("Ａ品"), QStringLiteral("Ｂ品"), QStringLiteral("Ｃ品")}},
        {QStringLiteral("ふりがな順"), {QStringLiteral("Ｂ品"), QStringLiteral("Ｃ品"), QStringLiteral("Ａ品")}},
        {QString(), {QStringLiteral("Ｂ品"), QStringLiteral("Ｃ品"), QStringLiteral("Ａ品")}},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(masters::readCopy(db::work(), masters::products(), masters::productOrder(c.setting)));
        EXPECT_EQ(column(db::work(), QStringLiteral("SELECT 品名 FROM w商品マスタ ORDER BY rowid")), c.names)
            << c.setting.toStdString();
    }

    addCustomer(QStringLiteral("山田"), QStringLiteral("やまだ"));
    addCustomer(QStringLiteral("阿部"), QStringLiteral("あべ"));
    // Alike readings stay in the order they were added, and no reading comes first.
    addCustomer(QStringLiteral("安倍"), QStringLiteral("あべ"));
    run(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名) VALUES ('読みなし')"));
    ASSERT_TRUE(masters::readCopy(db::work(), masters::customers(), masters::customerOrder()));
    EXPECT_EQ(column(db::work(), QStringLiteral("SELECT 顧客名 || チェック FROM w顧客マスタ ORDER BY rowid")),
              (QStringList{QStringLiteral("読みなし0"), QStringLiteral("阿部0"), QStringLiteral("安倍0"),
                           QStringLiteral("山田0")}));
}

TEST_P(MasterCopyTest, RegisteringReplacesTheMasterByTheNamedRows)
{
    addCustomer(QStringLiteral("旧顧客"), QStringLiteral("きゅう"));
    run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES "
                                   "('新顧客', '住所', 'しん', '御中'), (NULL, 'x', NULL, NULL), ('', NULL, NULL, NULL), "
                                   "('　 ', NULL, NULL, NULL), ('O''Brien 100%', NULL, NULL, NULL)"));
    const auto outcome = masters::registerCopy(db::work(), masters::customers());
    ASSERT_EQ(outcome.status, RegisterStatus::Registered);
    EXPECT_EQ(outcome.rows, 2);
    EXPECT_EQ(customerNames(), (QStringList{QStringLiteral("O'Brien 100%"), QStringLiteral("新顧客")}));
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客情報 || 敬称 FROM 顧客マスタ WHERE 顧客名 = '新顧客'")),
              QStringList{QStringLiteral("住所御中")});

    // An emptied copy empties the master.
    ASSERT_TRUE(masters::clearCopy(db::work(), masters::customers()));
    EXPECT_EQ(masters::registerCopy(db::work(), masters::customers()).status, RegisterStatus::Registered);
    EXPECT_TRUE(customerNames().isEmpty());
}

TEST_P(MasterCopyTest, ACopyHoldingANameTwiceIsNotRegistered)
{
    addProduct(QStringLiteral("残る品"), QStringLiteral("のこる"));
    run(db::work(), QStringLiteral("INSERT INTO w商品マスタ (品名) VALUES ('鉛筆'), ('消しゴム'), ('鉛筆'), ('定規'), "
                                   "('定規'), ('定規'), (NULL), (NULL)"));
    const auto outcome = masters::registerCopy(db::work(), masters::products());
    EXPECT_EQ(outcome.status, RegisterStatus::Duplicates);
    EXPECT_EQ(outcome.duplicates, (QStringList{QStringLiteral("定規"), QStringLiteral("鉛筆")}));
    EXPECT_EQ(productNames(), QStringList{QStringLiteral("残る品")});
    EXPECT_EQ(column(db::work(), QStringLiteral("SELECT count(*) FROM w商品マスタ")), QStringList{QStringLiteral("8")});
}

TEST_P(MasterCopyTest, AStatementFailingHalfWayLeavesTheMasterAsItWas)
{
    addProduct(QStringLiteral("元の品"), QStringLiteral("もと"), 500);
    for (int i = 0; i < 50; ++i)
        run(db::work(), QStringLiteral("INSERT INTO w商品マスタ (品名, 単価) VALUES (?, ?)"),
            {QStringLiteral("品%1").arg(i), i});
    // The 30th row written into the master fails, after the delete and 29 rows went in.
    refuseRows(QStringLiteral("商品マスタ"), QStringLiteral("品名"), QStringLiteral("品29"));
    EXPECT_EQ(masters::registerCopy(db::work(), masters::products()).status, RegisterStatus::Failed);
    EXPECT_EQ(productNames(), QStringList{QStringLiteral("元の品")});
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 単価 FROM 商品マスタ")), QStringList{QStringLiteral("500")});
}

TEST_P(MasterCopyTest, TickedRowsLeaveTheMasterAndTheCopy)
{
    const QString apostrophe = QStringLiteral("O'Brien's \"本舗\" 50%");
    const QString longName = QString(200, QChar(u'長'));
    const struct {
        const char *what;
        QStringList ticked;
    } cases[] = {
        {"no tick", {}},
        {"one", {QStringLiteral("山田")}},
        {"apostrophes and quotes", {apostrophe}},
        {"many", {QStringLiteral("山田"), longName, apostrophe}},
    };
    const QStringList all = {QStringLiteral("山田"), QStringLiteral("阿部"), apostrophe, longName};
    for (const auto &c : cases) {
        run(db::data(), QStringLiteral("DELETE FROM 顧客マスタ"));
        for (const QString &name : all)
            addCustomer(name, name);
        // A stored invoice naming a deleted customer keeps its text.
        run(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名) VALUES (1, '2026-04-01', ?)"
                                       " ON CONFLICT DO NOTHING"),
            {QStringLiteral("山田")});
        ASSERT_TRUE(masters::readCopy(db::work(), masters::customers(), masters::customerOrder()));
        tick(QStringLiteral("w顧客マスタ"), QStringLiteral("顧客名"), c.ticked);

        EXPECT_EQ(masters::deleteTicked(db::work(), masters::customers()), c.ticked.size()) << c.what;
        QStringList left = all;
        for (const QString &name : c.ticked)
            left.removeAll(name);
        left.sort();
        EXPECT_EQ(customerNames(), left) << c.what;
        QStringList copy = column(db::work(), QStringLiteral("SELECT 顧客名 FROM w顧客マスタ"));
        copy.sort();
        EXPECT_EQ(copy, left) << c.what;
    }
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客名 FROM 請求書ヘッダ")), QStringList{QStringLiteral("山田")});
}

TEST_P(MasterCopyTest, ADeleteThatFailsDeletesNothing)
{
    addCustomer(QStringLiteral("山田"), QStringLiteral("やまだ"));
    ASSERT_TRUE(masters::readCopy(db::work(), masters::customers(), masters::customerOrder()));
    tick(QStringLiteral("w顧客マスタ"), QStringLiteral("顧客名"), {QStringLiteral("山田")});
    run(db::work(), QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON w顧客マスタ BEGIN SELECT RAISE(ABORT, 'no'); END"));
    EXPECT_EQ(masters::deleteTicked(db::work(), masters::customers()), std::nullopt);
    EXPECT_EQ(customerNames(), QStringList{QStringLiteral("山田")});
}

TEST_P(MasterCopyTest, OneCustomerIsOverwrittenByNameOrAdded)
{
    addCustomer(QStringLiteral("山田"), QStringLiteral("やまだ"), QStringLiteral("旧住所"), QStringLiteral("様"));
    ASSERT_TRUE(masters::saveCustomer(db::data(), {QStringLiteral("山田"), QStringLiteral("新住所"), QStringLiteral("やまだ"),
                                                   QStringLiteral("殿")}));
    ASSERT_TRUE(masters::saveCustomer(db::data(), {QStringLiteral("O'Neil"), QString(), QString(), QString()}));
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客名 || '|' || coalesce(顧客情報, 'Null') || '|' || 敬称 "
                                                "FROM 顧客マスタ WHERE 顧客名 = '山田'")),
              QStringList{QStringLiteral("山田|新住所|殿")});
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT coalesce(顧客情報, 'Null') FROM 顧客マスタ WHERE 顧客名 = 'O''Neil'")),
              QStringList{QStringLiteral("Null")});
    EXPECT_FALSE(masters::saveCustomer(db::data(), {}));
    EXPECT_EQ(customerNames().size(), 2);
}

} // namespace

// A window's copy goes over the master only while nobody wrote to the master since the copy
// was read: another window's registration, a customer saved from the details panel, a write
// counted by anything else (an invoice's new customer). Refused, the master keeps the other
// writer's rows and the copy stays; a copy read again registers.
TEST_P(MasterCopyTest, ACopyReadBeforeAnotherWriteIsNotRegisteredOverIt)
{
    const masters::MasterTable &t = masters::customers();
    const struct {
        const char *name;
        std::function<void()> meanwhile;
        bool refused;
    } cases[] = {
        {"nothing", [] {}, false},
        {"another window registers",
         [&] {
             qint64 other = masterchanges::current(db::data(), t.master).value_or(-1);
             run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名) VALUES ('よそ')"));
             EXPECT_EQ(masters::registerCopy(db::work(), t, &other).status, RegisterStatus::Registered);
         },
         true},
        {"the details panel saves one", [] { EXPECT_TRUE(masters::saveCustomer(db::data(), {QStringLiteral("よそ"), {}, {}, {}})); }, true},
        {"an invoice adds one", [&] { EXPECT_TRUE(masterchanges::count(db::data(), t.master)); }, true},
        {"a product is added", [] { EXPECT_TRUE(masterchanges::count(db::data(), masterchanges::Products)); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        run(db::data(), QStringLiteral("DELETE FROM 顧客マスタ"));
        addCustomer(QStringLiteral("山田"), QStringLiteral("やまだ"));
        qint64 readAt = -1;
        ASSERT_TRUE(masters::readCopy(db::work(), t, masters::customerOrder(), &readAt));
        EXPECT_EQ(readAt, masterchanges::current(db::data(), t.master));
        c.meanwhile();
        const QStringList master = column(db::data(), QStringLiteral("SELECT 顧客名 FROM 顧客マスタ ORDER BY 顧客名"));
        run(db::work(), QStringLiteral("DELETE FROM w顧客マスタ"));
        run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名) VALUES ('こちら')"));
        const qint64 before = readAt;
        const auto outcome = masters::registerCopy(db::work(), t, &readAt);
        if (!c.refused) {
            EXPECT_EQ(outcome.status, RegisterStatus::Registered);
            EXPECT_EQ(readAt, masterchanges::current(db::data(), t.master)) << "the window's own write moves it on";
            EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客名 FROM 顧客マスタ")), QStringList{QStringLiteral("こちら")});
            continue;
        }
        EXPECT_EQ(outcome.status, RegisterStatus::Changed);
        EXPECT_EQ(readAt, before);
        EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客名 FROM 顧客マスタ ORDER BY 顧客名")), master);
        EXPECT_EQ(column(db::work(), QStringLiteral("SELECT 顧客名 FROM w顧客マスタ")), QStringList{QStringLiteral("こちら")});
        // Read again, the master is the window's to change.
        ASSERT_TRUE(masters::readCopy(db::work(), t, masters::customerOrder(), &readAt));
        run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名) VALUES ('こちら')"));
        EXPECT_EQ(masters::registerCopy(db::work(), t, &readAt).status, RegisterStatus::Registered);
        EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT count(*) FROM 顧客マスタ")).toLongLong(), master.size() + 1);
    }
}
