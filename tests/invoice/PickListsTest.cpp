// The pick-lists and lookups: list orders, the code lists and their free slots, lookups by
// names that SQL text could not hold.
#include "InvoiceTestUtil.h"

#include "invoice/PickLists.h"

using namespace invoicetest;

namespace {

class PickLists : public DataTest
{
protected:

    static QStringList column(const QString &sql)
    {
        QSqlQuery q(db::work());
        EXPECT_TRUE(db::exec(q, sql)) << db::lastError().toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    static QStringList codeSlots(const QString &kind)
    {
        QSqlQuery q(db::data());
        EXPECT_TRUE(db::exec(q, QStringLiteral("SELECT coalesce(sname, '-') FROM コードマスタ WHERE kcode = ? ORDER BY code"),
                             {kind}));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
};

QUILLON_ON_BOTH_ENGINES(PickLists);

TEST_P(PickLists, CustomerNamesComeInReadingOrderOnce)
{
    EXPECT_EQ(picklists::customerNames(db::data()), QStringList{});
    addCustomer(QStringLiteral("山田商店"), {}, QStringLiteral("やまだしょうてん"), {});
    addCustomer(QStringLiteral("青葉商事"), {}, QStringLiteral("あおばしょうじ"), {});
    addCustomer(QStringLiteral("O'Brien & Co."), {}, QStringLiteral("おぶらいえん"), {});
    addCustomer(QStringLiteral("加藤"), {}, QStringLiteral("かとう"), {});
    // Alike readings in the order they were added; no reading before any.
    addCustomer(QStringLiteral("角藤"), {}, QStringLiteral("かとう"), {});
    addCustomer(QStringLiteral("読みなし"), {}, {}, {});
    run(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, ふりがな) VALUES (NULL, 'ああ')"));
    EXPECT_EQ(picklists::customerNames(db::data()),
              (QStringList{QStringLiteral("読みなし"), QStringLiteral("青葉商事"), QStringLiteral("O'Brien & Co."),
                           QStringLiteral("加藤"), QStringLiteral("角藤"), QStringLiteral("山田商店")}));
}

TEST_P(PickLists, TheProductListFollowsTheOrderSetting)
{
    addProduct(QStringLiteral("りんご"), QStringLiteral("1箱"), QStringLiteral("箱"), 300, false, QStringLiteral("りんご"));
    addProduct(QStringLiteral("バナナ"), {}, QStringLiteral("房"), {}, true, QStringLiteral("ばなな"));
    addProduct(QStringLiteral("Apple's juice"), {}, {}, 120, false, QStringLiteral("あっぷる"));
    addProduct(QStringLiteral("みかん"), {}, {}, 50); // no reading: first by reading

    ASSERT_TRUE(picklists::SetDD品名(db::work(), QStringLiteral("品名順")));
    EXPECT_EQ(column(QStringLiteral("SELECT 品名 FROM w商品参照 ORDER BY rowid")),
              (QStringList{QStringLiteral("Apple's juice"), QStringLiteral("みかん"), QStringLiteral("りんご"),
                           QStringLiteral("バナナ")}));

    ASSERT_TRUE(picklists::SetDD品名(db::work(), QStringLiteral("ふりがな順")));
    EXPECT_EQ(column(QStringLiteral("SELECT 品名 FROM w商品参照 ORDER BY rowid")),
              (QStringList{QStringLiteral("みかん"), QStringLiteral("Apple's juice"), QStringLiteral("バナナ"),
                           QStringLiteral("りんご")}));
    EXPECT_EQ(column(QStringLiteral("SELECT 非課税 || '/' || coalesce(単価, '-') FROM w商品参照 WHERE 品名 = 'バナナ'")),
              QStringList{QStringLiteral("1/-")});
}

TEST_P(PickLists, LookupsFindNamesWithQuotesAndGiveTheDefaultsOtherwise)
{
    addCustomer(QStringLiteral("O'Brien"), QStringLiteral("東京都\n港区"), {}, QStringLiteral("御中"));
    addCustomer(QStringLiteral("情報なし"), {}, {}, {});
    const auto found = picklists::Seek顧客情報(db::data(), QStringLiteral("O'Brien"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->顧客情報, QStringLiteral("東京都\n港区"));
    EXPECT_EQ(found->敬称, QStringLiteral("御中"));
    const auto bare = picklists::Seek顧客情報(db::data(), QStringLiteral("情報なし"));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->顧客情報);
    EXPECT_FALSE(picklists::Seek顧客情報(db::data(), QStringLiteral("O'")));

    addProduct(QStringLiteral("5' cable"), {}, QStringLiteral("本"), 980.5, true, QStringLiteral("けーぶる"));
    addProduct(QStringLiteral("見本"), {}, {}, {});
    addProduct(QStringLiteral("牛乳"), {}, QStringLiteral("本"), 198, false, {}, true);
    EXPECT_EQ(picklists::Seek商品(db::data(), QStringLiteral("5' cable")),
              (picklists::Product{QStringLiteral("本"), 980.5, true, QStringLiteral("けーぶる"), false, true}));
    EXPECT_EQ(picklists::Seek商品(db::data(), QStringLiteral("見本")), (picklists::Product{{}, 0, false, {}, false, true}));
    EXPECT_EQ(picklists::Seek商品(db::data(), QStringLiteral("牛乳")),
              (picklists::Product{QStringLiteral("本"), 198, false, {}, true, true}));
    EXPECT_EQ(picklists::Seek商品(db::data(), QStringLiteral("ない")), picklists::Product{});
}

TEST_P(PickLists, CodeListsHoldTheNamedSlotsInCodeOrder)
{
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = NULL WHERE kcode = '単位'"));
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = ? WHERE kcode = '単位' AND code = ?"), {QStringLiteral("本"), QStringLiteral("07")});
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = ? WHERE kcode = '単位' AND code = ?"), {QStringLiteral("個"), QStringLiteral("02")});
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = ? WHERE kcode = '入数' AND code = ?"), {QStringLiteral("12入"), QStringLiteral("05")});
    run(db::data(), QStringLiteral("INSERT INTO コードマスタ (kcode, code, sname) VALUES ('規格', '01', 'A4')"));

    ASSERT_TRUE(picklists::Readコード表(db::work(), picklists::AllKinds, QStringLiteral("入数")));
    EXPECT_EQ(column(QStringLiteral("SELECT sname FROM w単位参照 ORDER BY rowid")),
              (QStringList{QStringLiteral("個"), QStringLiteral("本")}));
    EXPECT_EQ(column(QStringLiteral("SELECT sname FROM w入数参照 ORDER BY rowid")), QStringList{QStringLiteral("12入")});

    // One kind rebuilds its own list only.
    ASSERT_TRUE(picklists::Readコード表(db::work(), QStringLiteral("規格"), QStringLiteral("規格")));
    EXPECT_EQ(column(QStringLiteral("SELECT sname FROM w入数参照")), QStringList{QStringLiteral("A4")});
    EXPECT_EQ(column(QStringLiteral("SELECT sname FROM w単位参照")).size(), 2);
}

TEST_P(PickLists, ANewCodeGoesIntoTheLowestFreeSlot)
{
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = NULL WHERE kcode = '単位' AND code IN ('02', '05')"));
    const QStringList before = codeSlots(QStringLiteral("単位"));

    EXPECT_FALSE(picklists::AutoEntryコードマスタ(db::data(), QStringLiteral("単位"), QStringLiteral("個")))
        << "a known unit writes nothing";
    EXPECT_FALSE(picklists::AutoEntryコードマスタ(db::data(), QStringLiteral("単位"), QString()));
    EXPECT_EQ(codeSlots(QStringLiteral("単位")), before);

    EXPECT_TRUE(picklists::AutoEntryコードマスタ(db::data(), QStringLiteral("単位"), QStringLiteral("ダース'")));
    QStringList expected = before;
    expected[1] = QStringLiteral("ダース'");
    EXPECT_EQ(codeSlots(QStringLiteral("単位")), expected);

    EXPECT_FALSE(picklists::AutoEntryコードマスタ(db::data(), QStringLiteral("無い種類"), QStringLiteral("x")));
}

TEST_P(PickLists, AFullCodeTableTakesNothingMore)
{
    run(db::data(), QStringLiteral("UPDATE コードマスタ SET sname = 'u' || code WHERE kcode = '入数'"));
    EXPECT_FALSE(picklists::AutoEntryコードマスタ(db::data(), QStringLiteral("入数"), QStringLiteral("新しい")));
    EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT count(*) FROM コードマスタ WHERE sname = '新しい'")).toInt(), 0);
}

TEST(PackSizeCaption, TitleRule)
{
    EXPECT_EQ(picklists::packSizeCaption(QStringLiteral("入数")), QStringLiteral("入　数"));
    EXPECT_EQ(picklists::packSizeCaption(QString()), QStringLiteral("入　数"));
    EXPECT_EQ(picklists::packSizeCaption(QStringLiteral("規格")), QStringLiteral("規　格"));
    EXPECT_EQ(picklists::packSizeCaption(QStringLiteral("サイズ")), QStringLiteral("サイズ"));
}

} // namespace
