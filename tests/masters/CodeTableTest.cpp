// The code-table logic against a provisioned data directory; results read back with SQL.
#include "CodeTestUtil.h"

#include "masters/CodeTable.h"

using namespace codestest;

namespace {

class CodeTableTest : public masterstest::MastersTest {};
QUILLON_ON_BOTH_ENGINES(CodeTableTest);

// The edit copy is the 99 slots in order, whatever it held before.
void expectNinetyNineSlots()
{
    EXPECT_EQ(scalar(db::work(), QStringLiteral("SELECT count(*) FROM wコードマスタ")).toInt(), 99);
    EXPECT_EQ(scalar(db::work(), QStringLiteral("SELECT count(*) FROM wコードマスタ WHERE 行番号 BETWEEN 1 AND 99 "
                                                "AND code = printf('%02d', 行番号) AND チェック = 0"))
                  .toInt(),
              99);
}

} // namespace

TEST_P(CodeTableTest, ReadFillsTheNinetyNineSlotsOfTheCategory)
{
    struct Case {
        const char *what;
        QStringList setup; // statements on the data file
        QString key;
        QString expected;
    };
    const Case cases[] = {
        {"units as provisioned", {}, kUnits, kProvisionedUnits},
        {"a category with no rows", {}, QStringLiteral("規格"), QString()},
        {"codes without a slot are passed over",
         {QStringLiteral("INSERT INTO コードマスタ (kcode, code, sname) VALUES ('入数', '1', 'a'), ('入数', '100', 'b'), "
                         "('入数', 'ab', 'c'), ('入数', NULL, 'd'), ('入数', '5 ', 'e'), ('規格', '07', 'f')"),
          QStringLiteral("UPDATE コードマスタ SET sname = '箱入' WHERE kcode = '入数' AND code = '05'")},
         QStringLiteral("入数"),
         QStringLiteral("05=箱入")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestDataDir caseDir(GetParam());
        for (const QString &sql : c.setup)
            run(db::data(), sql);
        ASSERT_TRUE(codes::Readコード表(db::work(), kUnits));
        ASSERT_TRUE(codes::Readコード表(db::work(), c.key));
        expectNinetyNineSlots();
        EXPECT_EQ(workNamed(), c.expected);
    }
}

TEST_P(CodeTableTest, RegisterWritesAllNinetyNineSlotsBackAndNothingElse)
{
    struct Case {
        const char *what;
        QString key;
        QList<std::pair<QString, QVariant>> edits; // code, name typed into the edit copy
        QString stored;
    };
    const QString longName(200, QChar(u'長'));
    const Case cases[] = {
        {"a category never registered", QStringLiteral("規格"), {}, QString()},
        {"a name in slot 05 with 01 to 04 free", QStringLiteral("入数"), {{"05", QStringLiteral("ダース")}},
         QStringLiteral("05=ダース")},
        {"blank names are free",
         kUnits,
         {{"01", QStringLiteral("   ")}, {"02", QStringLiteral("　")}, {"03", QString()}, {"04", QStringLiteral("")}},
         QStringLiteral("05=式 06=台 07=冊 08=回 09=時間 10=日 11=月 12=kg 13=m")},
        {"names are stored as typed",
         kUnits,
         {{"01", QStringLiteral("O'Brien")}, {"02", QStringLiteral("\"箱\"")}, {"03", QStringLiteral("100%_")},
          {"04", longName}, {"05", QStringLiteral(" 個")}, {"99", QStringLiteral("最後")}},
         QStringLiteral("01=O'Brien 02=\"箱\" 03=100%_ 04=") + longName
             + QStringLiteral(" 05= 個 06=台 07=冊 08=回 09=時間 10=日 11=月 12=kg 13=m 99=最後")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestDataDir caseDir(GetParam());
        const QString others = allBut(c.key);
        ASSERT_TRUE(codes::Readコード表(db::work(), c.key));
        for (const auto &[code, name] : c.edits)
            putName(code, name);
        ASSERT_TRUE(codes::Entryコード表(db::work(), c.key));
        EXPECT_EQ(rowsOf(c.key), 99);
        EXPECT_EQ(named(c.key), c.stored);
        EXPECT_EQ(allBut(c.key), others);
        // Read back into a fresh edit copy, the slots are where they were typed.
        ASSERT_TRUE(codes::Readコード表(db::work(), QStringLiteral("規格")));
        ASSERT_TRUE(codes::Readコード表(db::work(), c.key));
        EXPECT_EQ(workNamed(), c.stored);
    }
}

TEST_P(CodeTableTest, AFailedRegistrationLeavesTheMasterAsItWas)
{
    struct Case {
        const char *what;
        QString sabotage; // on the work file; none: the master refuses the 50th row
    };
    const Case cases[] = {
        {"the 50th insert is refused", {}},
        {"a name stands in two slots", QStringLiteral("UPDATE wコードマスタ SET sname = '個' WHERE code = '20'")},
        {"the edit copy is short", QStringLiteral("DELETE FROM wコードマスタ WHERE 行番号 > 50")},
        {"the edit copy is empty", QStringLiteral("DELETE FROM wコードマスタ")},
        {"the edit copy is gone", QStringLiteral("DROP TABLE wコードマスタ")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestDataDir caseDir(GetParam());
        const QString others = allBut(kUnits);
        ASSERT_TRUE(codes::Readコード表(db::work(), kUnits));
        putName(QStringLiteral("05"), QStringLiteral("変更"));
        if (c.sabotage.isEmpty())
            masterstest::refuseRows(QStringLiteral("コードマスタ"), QStringLiteral("code"), QStringLiteral("50"));
        else
            run(db::work(), c.sabotage);
        EXPECT_FALSE(codes::Entryコード表(db::work(), kUnits));
        EXPECT_EQ(rowsOf(kUnits), 99);
        EXPECT_EQ(named(kUnits), kProvisionedUnits);
        EXPECT_EQ(allBut(kUnits), others);
    }
}

TEST_P(CodeTableTest, AFailedReadLeavesTheEditCopyAsItWas)
{
    struct Case {
        const char *what;
        bool onData;
        QString sabotage;
    };
    const Case cases[] = {
        {"the master table is missing", true, QStringLiteral("ALTER TABLE コードマスタ RENAME TO 旧コードマスタ")},
        {"the 50th slot is refused", false,
         QStringLiteral("CREATE TRIGGER stop50 BEFORE INSERT ON wコードマスタ WHEN NEW.行番号 = 50 "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TestDataDir caseDir(GetParam());
        ASSERT_TRUE(codes::Readコード表(db::work(), kUnits));
        putName(QStringLiteral("20"), QStringLiteral("編集中"));
        run(c.onData ? db::data() : db::work(), c.sabotage);
        EXPECT_FALSE(codes::Readコード表(db::work(), QStringLiteral("入数")));
        expectNinetyNineSlots();
        EXPECT_EQ(workNamed(), kProvisionedUnits + QStringLiteral(" 20=編集中"));
    }
}

TEST_P(CodeTableTest, DuplicateNamesAreListedOnceInSlotOrderAndBlanksDoNotCount)
{
    ASSERT_TRUE(codes::Readコード表(db::work(), kUnits));
    for (const char *code : {"30", "31", "32"})
        putName(QString::fromLatin1(code), QStringLiteral("本"));
    for (const char *code : {"40", "41"})
        putName(QString::fromLatin1(code), QStringLiteral("　"));
    putName(QStringLiteral("50"), QStringLiteral("個"));
    putName(QStringLiteral("51"), QStringLiteral("個 "));
    EXPECT_EQ(codes::duplicateNames(db::work()), (QStringList{QStringLiteral("個"), QStringLiteral("本")}));
}
