// The invoice number counter: the proposal for a new invoice and the record of a saved one.
#include "SettingsTestUtil.h"

#include "settings/InvoiceCounter.h"
#include "support/EngineTest.h"

#include <vector>

using namespace settingstest;

namespace {

const QString kItem = QStringLiteral("最大請求書番号");

QString get(bool *ok = nullptr)
{
    return ModQLNV::Proc管理(kItem, QStringLiteral("Get"), {}, ok);
}

bool set(const QString &value)
{
    bool ok = false;
    EXPECT_EQ(ModQLNV::Proc管理(kItem, QStringLiteral("Set"), value, &ok), QString());
    return ok;
}

struct Step {
    const char *set;      // the value passed to "Set"
    const char *proposal; // what "Get" offers afterwards
};

struct CounterCase {
    const char *name;
    const char *setup; // SQL run on the fresh database, or nullptr
    const char *firstProposal;
    std::vector<Step> steps;
    int rowsAfter;
    bool localOnly = false; // the setup stores what only the local file's columns hold
};

class InvoiceCounterTest : public EngineTest {};
QUILLON_ON_BOTH_ENGINES(InvoiceCounterTest);

} // namespace

TEST_P(InvoiceCounterTest, ProposesAndRecordsByTheStateOfTheSettingsRow)
{
    const CounterCase cases[] = {
        {"no row: 1, then the saved number", nullptr, "1", {{"4", "5"}}, 1},
        {"Null maximum: 1, then the saved number itself", "INSERT INTO 自社情報 (自社名) VALUES ('店')", "1",
         {{"7", "8"}}, 1},
        {"Null maximum and a save of 0 keeps at least 1", "INSERT INTO 自社情報 (自社名) VALUES ('店')", "1",
         {{"0", "2"}}, 1},
        {"empty text counts as nothing saved", "INSERT INTO 自社情報 (最大請求書番号) VALUES ('')", "1",
         {{"3", "4"}}, 1, true},
        {"higher raises, lower and equal leave it", "INSERT INTO 自社情報 (最大請求書番号) VALUES (5)", "6",
         {{"7", "8"}, {"3", "8"}, {"7", "8"}, {"１２", "13"}}, 1},
        {"not a whole number is ignored", "INSERT INTO 自社情報 (最大請求書番号) VALUES (5)", "6",
         {{"", "6"}, {"7.5", "6"}, {"abc", "6"}, {"1e3", "6"}}, 1},
        {"no row and nothing whole adds no row", nullptr, "1", {{"", "1"}, {"x", "1"}}, 0},
        {"the largest number saved leaves none to offer", "INSERT INTO 自社情報 (最大請求書番号) VALUES (2147483646)",
         "2147483647", {{"2147483647", ""}, {"5", ""}}, 1},
    };
    for (const CounterCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.localOnly && onServer())
            continue;
        TestDataDir dir(GetParam());
        if (c.setup)
            run(QString::fromUtf8(c.setup));
        EXPECT_EQ(get(), QString::fromUtf8(c.firstProposal));
        for (const Step &step : c.steps) {
            EXPECT_TRUE(set(QString::fromUtf8(step.set))) << step.set;
            EXPECT_EQ(get(), QString::fromUtf8(step.proposal)) << "after Set " << step.set;
        }
        EXPECT_EQ(count(QStringLiteral("自社情報")), c.rowsAfter);
    }
}

TEST_P(InvoiceCounterTest, ASetKeepsTheOtherSettings)
{
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 税区分, 最大請求書番号) VALUES ('山田商店', '内税', 2)"));
    EXPECT_TRUE(set(QStringLiteral("9")));
    EXPECT_EQ(stored(QStringLiteral("自社名")).toString(), QStringLiteral("山田商店"));
    EXPECT_EQ(stored(QStringLiteral("税区分")).toString(), QStringLiteral("内税"));
    EXPECT_EQ(stored(QStringLiteral("最大請求書番号")).toInt(), 9);
}

TEST_P(InvoiceCounterTest, OtherItemsAndModesDoNothing)
{
    run(QStringLiteral("INSERT INTO 自社情報 (最大請求書番号) VALUES (5)"));
    EXPECT_EQ(ModQLNV::Proc管理(QStringLiteral("最大伝票番号"), QStringLiteral("Get"), {}), QString());
    EXPECT_EQ(ModQLNV::Proc管理(QStringLiteral("最大伝票番号"), QStringLiteral("Set"), QStringLiteral("9")),
              QString());
    EXPECT_EQ(ModQLNV::Proc管理(kItem, QStringLiteral("get"), {}), QString());
    EXPECT_EQ(ModQLNV::Proc管理(kItem, QStringLiteral("Put"), QStringLiteral("9")), QString());
    EXPECT_EQ(stored(QStringLiteral("最大請求書番号")).toInt(), 5);
}

TEST_P(InvoiceCounterTest, AFailureIsReportedToTheCaller)
{
    run(QStringLiteral("DROP TABLE 自社情報"));
    bool ok = true;
    get(&ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(set(QStringLiteral("3")));
}

TEST(InvoiceCounterLocal, AMissingDataFolderIsReportedToTheCaller)
{
    TestDataDir missing(false);
    bool ok = true;
    EXPECT_EQ(get(&ok), QString());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(set(QStringLiteral("3")));
}

TEST_P(InvoiceCounterTest, RecordingInsideTheCallersTransactionRollsBackWithIt)
{
    run(QStringLiteral("INSERT INTO 自社情報 (最大請求書番号) VALUES (5)"));
    {
        db::Transaction transaction(db::data());
        ASSERT_TRUE(transaction.isActive());
        EXPECT_TRUE(counter::recordInvoiceNumber(db::data(), 20));
        // The invoice's own statements would fail here: no commit.
    }
    EXPECT_EQ(get(), QStringLiteral("6"));
    {
        db::Transaction transaction(db::data());
        EXPECT_TRUE(counter::recordInvoiceNumber(db::data(), 20));
        EXPECT_TRUE(transaction.commit());
    }
    EXPECT_EQ(get(), QStringLiteral("21"));
}
