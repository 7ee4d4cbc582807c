// The tables, indexes, checks and seed rows of a freshly provisioned data directory.
#include "DataTestUtil.h"

#include "support/TestDataDir.h"

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

using datatest::rows;
using datatest::scalar;

namespace {

enum class File { Data, Work };

QSqlDatabase open(File file)
{
    return file == File::Data ? db::data() : db::work();
}

const char *fileName(File file)
{
    return file == File::Data ? "data" : "work";
}

struct Column
{
    File file;
    const char *table;
    const char *column;
    const char *type;
    bool notNull;
};

// Every table and column, in column order. Yes/no columns of the work tables are never Null.
const Column kColumns[] = {
    { File::Data, "自社情報", "自社名", "TEXT", false },
    { File::Data, "自社情報", "自社情報", "TEXT", false },
    { File::Data, "自社情報", "年号", "TEXT", false },
    { File::Data, "自社情報", "税端数", "TEXT", false },
    { File::Data, "自社情報", "税区分", "TEXT", false },
    { File::Data, "自社情報", "商品表示順", "TEXT", false },
    { File::Data, "自社情報", "印刷用紙", "TEXT", false },
    { File::Data, "自社情報", "小数", "TEXT", false },
    { File::Data, "自社情報", "行端数", "TEXT", false },
    { File::Data, "自社情報", "顧客リンクアプリ", "TEXT", false },
    { File::Data, "自社情報", "顧客リンクパス", "TEXT", false },
    { File::Data, "自社情報", "商品リンクアプリ", "TEXT", false },
    { File::Data, "自社情報", "商品リンクパス", "TEXT", false },
    { File::Data, "自社情報", "白紙TopMargin", "REAL", false },
    { File::Data, "自社情報", "白紙LeftMargin", "REAL", false },
    { File::Data, "自社情報", "S101TopMargin", "REAL", false },
    { File::Data, "自社情報", "S101LeftMargin", "REAL", false },
    { File::Data, "自社情報", "白紙罫線色", "INTEGER", false },
    { File::Data, "自社情報", "入数列タイトル", "TEXT", false },
    { File::Data, "自社情報", "最大請求書番号", "INTEGER", false },
    { File::Data, "自社情報", "YubinLocalEriaSw", "INTEGER", false },
    { File::Data, "自社情報", "YubinLocalEria", "TEXT", false },
    { File::Data, "自社情報", "消費税率", "REAL", false },
    { File::Data, "自社情報", "登録番号", "TEXT", false },
    { File::Data, "自社情報", "PDF保存先", "TEXT", false },
    { File::Data, "自社情報", "バックアップ先", "TEXT", false },
    { File::Data, "自社情報", "最終バックアップ", "TEXT", false },
    { File::Data, "自社情報", "バックアップ間隔", "INTEGER", false },
    { File::Data, "自社情報", "振込先", "TEXT", false },
    { File::Data, "自社情報", "支払期限", "TEXT", false },
    { File::Data, "自社情報", "支払期限日数", "INTEGER", false },
    { File::Data, "自社情報", "更新番号", "INTEGER", false },
    { File::Data, "自社情報", "電子アドレス", "TEXT", false },

    { File::Data, "顧客マスタ", "顧客名", "TEXT", false },
    { File::Data, "顧客マスタ", "顧客情報", "TEXT", false },
    { File::Data, "顧客マスタ", "ふりがな", "TEXT", false },
    { File::Data, "顧客マスタ", "敬称", "TEXT", false },
    { File::Data, "顧客マスタ", "登録番号", "TEXT", false },
    { File::Data, "顧客マスタ", "電子アドレス", "TEXT", false },

    { File::Data, "商品マスタ", "品名", "TEXT", false },
    { File::Data, "商品マスタ", "入数", "TEXT", false },
    { File::Data, "商品マスタ", "単位", "TEXT", false },
    { File::Data, "商品マスタ", "単価", "REAL", false },
    { File::Data, "商品マスタ", "非課税", "INTEGER", false },
    { File::Data, "商品マスタ", "ふりがな", "TEXT", false },
    { File::Data, "商品マスタ", "軽減税率", "INTEGER", false },

    { File::Data, "コードマスタ", "kcode", "TEXT", false },
    { File::Data, "コードマスタ", "code", "TEXT", false },
    { File::Data, "コードマスタ", "sname", "TEXT", false },

    { File::Data, "請求書ヘッダ", "伝票番号", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "日付", "TEXT", false },
    { File::Data, "請求書ヘッダ", "顧客名", "TEXT", false },
    { File::Data, "請求書ヘッダ", "顧客情報", "TEXT", false },
    { File::Data, "請求書ヘッダ", "敬称", "TEXT", false },
    { File::Data, "請求書ヘッダ", "件名", "TEXT", false },
    { File::Data, "請求書ヘッダ", "メモ", "TEXT", false },
    { File::Data, "請求書ヘッダ", "税抜計", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "消費税", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "合計", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "請求金額", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "消費税率", "REAL", false },
    { File::Data, "請求書ヘッダ", "標準税率対象", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "標準税率消費税", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "軽減税率対象", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "軽減税率消費税", "INTEGER", false },
    { File::Data, "請求書ヘッダ", "支払期限", "TEXT", false },
    { File::Data, "請求書ヘッダ", "更新番号", "INTEGER", false },

    { File::Data, "請求書", "伝票番号", "INTEGER", false },
    { File::Data, "請求書", "顧客名", "TEXT", false },
    { File::Data, "請求書", "日付", "TEXT", false },
    { File::Data, "請求書", "伝票区分", "INTEGER", false },
    { File::Data, "請求書", "行番号", "INTEGER", false },
    { File::Data, "請求書", "品名", "TEXT", false },
    { File::Data, "請求書", "入数", "TEXT", false },
    { File::Data, "請求書", "数量", "REAL", false },
    { File::Data, "請求書", "単位", "TEXT", false },
    { File::Data, "請求書", "単価", "REAL", false },
    { File::Data, "請求書", "金額", "INTEGER", false },
    { File::Data, "請求書", "小計", "INTEGER", false },
    { File::Data, "請求書", "非課税", "INTEGER", false },
    { File::Data, "請求書", "ふりがな", "TEXT", false },
    { File::Data, "請求書", "軽減税率", "INTEGER", false },

    { File::Data, "マスタ更新", "表名", "TEXT", true },
    { File::Data, "マスタ更新", "更新番号", "INTEGER", true },

    { File::Data, "都道府県", "都道府県コード", "TEXT", false },
    { File::Data, "都道府県", "都道府県", "TEXT", false },

    { File::Data, "保存書類", "書類番号", "INTEGER", true },
    { File::Data, "保存書類", "伝票番号", "INTEGER", true },
    { File::Data, "保存書類", "内容指紋", "TEXT", true },
    { File::Data, "保存書類", "電子", "INTEGER", true },
    { File::Data, "保存書類", "日付", "TEXT", false },
    { File::Data, "保存書類", "顧客名", "TEXT", true },
    { File::Data, "保存書類", "請求金額", "INTEGER", true },
    { File::Data, "保存書類", "書類ハッシュ", "TEXT", true },

    { File::Data, "保存書類内容", "書類番号", "INTEGER", true },
    { File::Data, "保存書類内容", "PDF", "BLOB", true },
    { File::Data, "保存書類内容", "XML", "BLOB", false },

    { File::Data, "保存記録", "連番", "INTEGER", true },
    { File::Data, "保存記録", "種別", "TEXT", true },
    { File::Data, "保存記録", "方法", "TEXT", false },
    { File::Data, "保存記録", "日時", "TEXT", true },
    { File::Data, "保存記録", "伝票番号", "INTEGER", true },
    { File::Data, "保存記録", "書類番号", "INTEGER", false },
    { File::Data, "保存記録", "書類ハッシュ", "TEXT", false },
    { File::Data, "保存記録", "内容指紋", "TEXT", false },
    { File::Data, "保存記録", "訂正前税抜計", "INTEGER", false },
    { File::Data, "保存記録", "訂正前消費税", "INTEGER", false },
    { File::Data, "保存記録", "訂正前請求金額", "INTEGER", false },
    { File::Data, "保存記録", "訂正後税抜計", "INTEGER", false },
    { File::Data, "保存記録", "訂正後消費税", "INTEGER", false },
    { File::Data, "保存記録", "訂正後請求金額", "INTEGER", false },
    { File::Data, "保存記録", "前ハッシュ", "TEXT", true },
    { File::Data, "保存記録", "記録ハッシュ", "TEXT", true },

    { File::Work, "w明細", "行番号", "INTEGER", false },
    { File::Work, "w明細", "品名", "TEXT", false },
    { File::Work, "w明細", "入数", "TEXT", false },
    { File::Work, "w明細", "数量", "REAL", false },
    { File::Work, "w明細", "単位", "TEXT", false },
    { File::Work, "w明細", "単価", "REAL", false },
    { File::Work, "w明細", "金額", "INTEGER", false },
    { File::Work, "w明細", "小計", "INTEGER", true },
    { File::Work, "w明細", "非課税", "INTEGER", true },
    { File::Work, "w明細", "ふりがな", "TEXT", false },
    { File::Work, "w明細", "軽減税率", "INTEGER", true },

    { File::Work, "w明細ソート", "行番号", "INTEGER", false },
    { File::Work, "w明細ソート", "品名", "TEXT", false },
    { File::Work, "w明細ソート", "入数", "TEXT", false },
    { File::Work, "w明細ソート", "数量", "REAL", false },
    { File::Work, "w明細ソート", "単位", "TEXT", false },
    { File::Work, "w明細ソート", "単価", "REAL", false },
    { File::Work, "w明細ソート", "金額", "INTEGER", false },
    { File::Work, "w明細ソート", "小計", "INTEGER", true },
    { File::Work, "w明細ソート", "非課税", "INTEGER", true },
    { File::Work, "w明細ソート", "ふりがな", "TEXT", false },
    { File::Work, "w明細ソート", "軽減税率", "INTEGER", true },

    { File::Work, "w履歴リスト", "伝票番号", "INTEGER", false },
    { File::Work, "w履歴リスト", "日付", "TEXT", false },
    { File::Work, "w履歴リスト", "顧客名", "TEXT", false },
    { File::Work, "w履歴リスト", "件名", "TEXT", false },
    { File::Work, "w履歴リスト", "チェック", "INTEGER", true },
    { File::Work, "w履歴リスト", "請求金額", "INTEGER", false },
    { File::Work, "w履歴リスト", "支払期限", "TEXT", false },

    { File::Work, "w商品参照", "品名", "TEXT", false },
    { File::Work, "w商品参照", "入数", "TEXT", false },
    { File::Work, "w商品参照", "単位", "TEXT", false },
    { File::Work, "w商品参照", "単価", "REAL", false },
    { File::Work, "w商品参照", "非課税", "INTEGER", true },
    { File::Work, "w商品参照", "ふりがな", "TEXT", false },
    { File::Work, "w商品参照", "軽減税率", "INTEGER", true },

    { File::Work, "w単位参照", "sname", "TEXT", false },
    { File::Work, "w入数参照", "sname", "TEXT", false },

    { File::Work, "w顧客マスタ", "顧客名", "TEXT", false },
    { File::Work, "w顧客マスタ", "顧客情報", "TEXT", false },
    { File::Work, "w顧客マスタ", "ふりがな", "TEXT", false },
    { File::Work, "w顧客マスタ", "敬称", "TEXT", false },
    { File::Work, "w顧客マスタ", "チェック", "INTEGER", true },
    { File::Work, "w顧客マスタ", "登録番号", "TEXT", false },
    { File::Work, "w顧客マスタ", "電子アドレス", "TEXT", false },

    { File::Work, "w商品マスタ", "品名", "TEXT", false },
    { File::Work, "w商品マスタ", "入数", "TEXT", false },
    { File::Work, "w商品マスタ", "単位", "TEXT", false },
    { File::Work, "w商品マスタ", "単価", "REAL", false },
    { File::Work, "w商品マスタ", "非課税", "INTEGER", true },
    { File::Work, "w商品マスタ", "ふりがな", "TEXT", false },
    { File::Work, "w商品マスタ", "チェック", "INTEGER", true },
    { File::Work, "w商品マスタ", "軽減税率", "INTEGER", true },

    { File::Work, "wコードマスタ", "行番号", "INTEGER", false },
    { File::Work, "wコードマスタ", "チェック", "INTEGER", true },
    { File::Work, "wコードマスタ", "code", "TEXT", false },
    { File::Work, "wコードマスタ", "sname", "TEXT", false },

    { File::Work, "郵便番号_市町村漢字", "市町村漢字", "TEXT", false },

    { File::Work, "w郵便番号", "番号", "TEXT", false },
    { File::Work, "w郵便番号", "県かな", "TEXT", false },
    { File::Work, "w郵便番号", "市町村かな", "TEXT", false },
    { File::Work, "w郵便番号", "町名かな", "TEXT", false },
    { File::Work, "w郵便番号", "県漢字", "TEXT", false },
    { File::Work, "w郵便番号", "市町村漢字", "TEXT", false },
    { File::Work, "w郵便番号", "町名漢字", "TEXT", false },
};

QString describe(const QString &column, const QString &type, bool notNull)
{
    return column + u' ' + type + (notNull ? QStringLiteral(" NOT NULL") : QString());
}

TEST(Schema, EveryTableHasExactlyItsColumnsInOrder)
{
    TestDataDir dir;
    for (File file : { File::Data, File::Work }) {
        QSqlDatabase database = open(file);
        ASSERT_TRUE(database.isOpen()) << fileName(file);

        QMap<QString, QStringList> expected;
        for (const Column &c : kColumns) {
            if (c.file == file)
                expected[QString::fromUtf8(c.table)]
                    << describe(QString::fromUtf8(c.column), QString::fromUtf8(c.type), c.notNull);
        }

        QStringList tables;
        for (const auto &row : rows(database,
                                    QStringLiteral("SELECT name FROM main.sqlite_schema "
                                                   "WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                                                   "ORDER BY name")))
            tables << row.at(0).toString();
        QStringList expectedTables = expected.keys();
        expectedTables.sort();
        tables.sort();
        EXPECT_EQ(tables, expectedTables) << fileName(file);

        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QStringList actual;
            for (const auto &row : rows(database,
                                        QStringLiteral("SELECT name, type, \"notnull\" "
                                                       "FROM pragma_table_info(?, 'main') ORDER BY cid"),
                                        { it.key() }))
                actual << describe(row.at(0).toString(), row.at(1).toString(), row.at(2).toBool());
            EXPECT_EQ(actual, it.value()) << fileName(file) << ' ' << it.key().toStdString();
        }
    }
}

// A statement run twice: the second run must fail exactly where a unique key forbids it.
struct RepeatCase
{
    const char *name;
    File file;
    const char *sql;
    QVariantList values;
    bool secondRefused;
};

void PrintTo(const RepeatCase &c, std::ostream *os)
{
    *os << c.name;
}

class SchemaRepeat : public ::testing::TestWithParam<RepeatCase>
{
};

TEST_P(SchemaRepeat, SecondInsertRefusedOnlyByUniqueKeys)
{
    const RepeatCase &c = GetParam();
    TestDataDir dir;
    QSqlDatabase database = open(c.file);
    ASSERT_TRUE(database.isOpen());
    const QString sql = QString::fromUtf8(c.sql);
    ASSERT_TRUE(db::exec(database, sql, c.values)) << db::lastError().toStdString();
    EXPECT_EQ(db::exec(database, sql, c.values), !c.secondRefused);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SchemaRepeat,
    ::testing::Values(
        RepeatCase { "invoice_number",
                     File::Data,
                     "INSERT INTO 請求書ヘッダ (伝票番号, 顧客名) VALUES (?, ?)",
                     { 7, QStringLiteral("A") },
                     true },
        RepeatCase { "customer_name",
                     File::Data,
                     "INSERT INTO 顧客マスタ (顧客名) VALUES (?)",
                     { QStringLiteral("O'Brien商店") },
                     true },
        RepeatCase { "product_name",
                     File::Data,
                     "INSERT INTO 商品マスタ (品名) VALUES (?)",
                     { QStringLiteral("ボールペン") },
                     true },
        RepeatCase { "code_slot",
                     File::Data,
                     "INSERT INTO コードマスタ (kcode, code) VALUES (?, ?)",
                     { QStringLiteral("規格"), QStringLiteral("01") },
                     true },
        RepeatCase { "prefecture_code",
                     File::Data,
                     "INSERT INTO 都道府県 (都道府県コード, 都道府県) VALUES (?, ?)",
                     { QStringLiteral("48"), QStringLiteral("X") },
                     true },
        RepeatCase { "work_line_number", File::Work, "INSERT INTO w明細 (行番号) VALUES (?)", { 1 }, true },
        RepeatCase { "work_code_slot",
                     File::Work,
                     "INSERT INTO wコードマスタ (code) VALUES (?)",
                     { QStringLiteral("01") },
                     true },
        // An invoice has many lines, a customer many invoices: these must not be unique.
        RepeatCase { "invoice_lines_share_number",
                     File::Data,
                     "INSERT INTO 請求書 (伝票番号, 伝票区分, 行番号) VALUES (?, 1, 0)",
                     { 7 },
                     false },
        RepeatCase { "headers_share_customer",
                     File::Data,
                     "INSERT INTO 請求書ヘッダ (顧客名) VALUES (?)",
                     { QStringLiteral("A") },
                     false },
        RepeatCase { "customers_share_reading",
                     File::Data,
                     "INSERT INTO 顧客マスタ (ふりがな) VALUES (?)",
                     { QStringLiteral("あ") },
                     false },
        RepeatCase { "sort_copy_may_repeat_line",
                     File::Work,
                     "INSERT INTO w明細ソート (行番号) VALUES (?)",
                     { 1 },
                     false },
        RepeatCase {
            "history_rows", File::Work, "INSERT INTO w履歴リスト (伝票番号) VALUES (?)", { 3 }, false }),
    [](const auto &info) { return std::string(info.param.name); });

// One value written into one column: refused, or stored as expected.
struct ValueCase
{
    const char *name;
    File file;
    const char *table;
    const char *column;
    QVariant written;
    bool accepted;
    QVariant stored; // read back when accepted
    const char *type; // its SQLite storage class
};

void PrintTo(const ValueCase &c, std::ostream *os)
{
    *os << c.name;
}

class SchemaValue : public ::testing::TestWithParam<ValueCase>
{
};

TEST_P(SchemaValue, KindIsKept)
{
    const ValueCase &c = GetParam();
    TestDataDir dir;
    QSqlDatabase database = open(c.file);
    ASSERT_TRUE(database.isOpen());
    const QString table = QString::fromUtf8(c.table);
    const QString column = QString::fromUtf8(c.column);
    // Identifiers come from the case table above, never from input.
    const QString insert = QStringLiteral("INSERT INTO \"%1\" (\"%2\") VALUES (?)").arg(table, column);
    EXPECT_EQ(db::exec(database, insert, { c.written }), c.accepted) << db::lastError().toStdString();
    if (!c.accepted) {
        EXPECT_EQ(scalar(database, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt(), 0);
        return;
    }
    const auto stored
        = rows(database, QStringLiteral("SELECT \"%2\", typeof(\"%2\") FROM \"%1\"").arg(table, column));
    ASSERT_EQ(stored.size(), 1);
    if (c.stored.isNull()) {
        EXPECT_TRUE(stored.first().at(0).isNull());
    } else {
        EXPECT_EQ(stored.first().at(0).toString(), c.stored.toString());
    }
    EXPECT_EQ(stored.first().at(1).toString(), QString::fromLatin1(c.type));
}

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

INSTANTIATE_TEST_SUITE_P(
    Kinds, SchemaValue,
    ::testing::Values(
        ValueCase { "date_iso", File::Data, "請求書ヘッダ", "日付", QStringLiteral("2002-11-19"), true,
                    QStringLiteral("2002-11-19"), "text" },
        ValueCase { "date_bound_as_qdate", File::Data, "請求書", "日付", QDate(2003, 1, 31), true,
                    QStringLiteral("2003-01-31"), "text" },
        ValueCase { "date_null", File::Data, "請求書ヘッダ", "日付", kNull, true, QVariant(), "null" },
        ValueCase { "date_slashes_refused",
                    File::Data,
                    "請求書ヘッダ",
                    "日付",
                    QStringLiteral("2002/11/19"),
                    false,
                    {},
                    nullptr },
        ValueCase { "date_impossible_day_refused",
                    File::Data,
                    "請求書",
                    "日付",
                    QStringLiteral("2002-02-30"),
                    false,
                    {},
                    nullptr },
        ValueCase { "date_with_time_refused",
                    File::Work,
                    "w履歴リスト",
                    "日付",
                    QDateTime(QDate(2002, 11, 19), QTime(0, 0)),
                    false,
                    {},
                    nullptr },
        ValueCase { "yes_no_true", File::Data, "商品マスタ", "非課税", true, true, 1, "integer" },
        ValueCase { "yes_no_data_null_stays_null", File::Data, "請求書", "小計", kNull, true, QVariant(),
                    "null" },
        ValueCase { "yes_no_word_refused",
                    File::Data,
                    "商品マスタ",
                    "非課税",
                    QStringLiteral("True"),
                    false,
                    {},
                    nullptr },
        ValueCase {
            "yes_no_minus_one_refused", File::Work, "w商品マスタ", "チェック", -1, false, {}, nullptr },
        ValueCase { "yes_no_work_null_becomes_0", File::Work, "w明細", "小計", kNull, true, 0, "integer" },
        ValueCase { "amount_whole_yen", File::Data, "請求書ヘッダ", "請求金額", 10500.0, true, 10500,
                    "integer" },
        ValueCase { "long_from_digits", File::Data, "請求書ヘッダ", "伝票番号", QStringLiteral("12"), true,
                    12, "integer" },
        ValueCase { "code_keeps_leading_zero", File::Work, "wコードマスタ", "code", QStringLiteral("05"),
                    true, QStringLiteral("05"), "text" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Schema, WorkYesNoNullBecomesZeroOnUpdateToo)
{
    // The line shift copies rows whose flags may be Null; the sums then select "= 0".
    TestDataDir dir;
    QSqlDatabase work = db::work();
    ASSERT_TRUE(db::exec(work, QStringLiteral("INSERT INTO w明細 (行番号, 非課税) VALUES (1, 1)")));
    ASSERT_TRUE(db::exec(work, QStringLiteral("UPDATE w明細 SET 非課税 = ?, 小計 = ?"), { kNull, kNull }));
    EXPECT_EQ(
        scalar(work, QStringLiteral("SELECT count(*) FROM w明細 WHERE 非課税 = 0 AND 小計 = 0")).toInt(), 1);
    ASSERT_TRUE(db::exec(work, QStringLiteral("INSERT INTO w明細ソート SELECT * FROM w明細")));
    ASSERT_TRUE(db::exec(work, QStringLiteral("DELETE FROM w明細")));
    EXPECT_TRUE(db::exec(work, QStringLiteral("INSERT INTO w明細 SELECT * FROM w明細ソート")));
}

// The statements the screens run most, and the index each must use.
struct PlanCase
{
    const char *name;
    File file;
    const char *sql;
    const char *index;
};

void PrintTo(const PlanCase &c, std::ostream *os)
{
    *os << c.name;
}

class SchemaPlan : public ::testing::TestWithParam<PlanCase>
{
};

TEST_P(SchemaPlan, UsesIndexWithoutSorting)
{
    const PlanCase &c = GetParam();
    TestDataDir dir;
    QString plan;
    for (const auto &row :
         rows(open(c.file), QStringLiteral("EXPLAIN QUERY PLAN ") + QString::fromUtf8(c.sql)))
        plan += row.last().toString() + u'\n';
    EXPECT_TRUE(plan.contains(QString::fromUtf8(c.index))) << plan.toStdString();
    EXPECT_FALSE(plan.contains(u"TEMP B-TREE")) << plan.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Queries, SchemaPlan,
    ::testing::Values(
        PlanCase { "invoice_lines", File::Data,
                   "SELECT * FROM 請求書 WHERE 伝票番号 = 1 ORDER BY 伝票番号, 伝票区分, 行番号",
                   "USING INDEX 請求書_伝票番号" },
        PlanCase { "history_all", File::Data,
                   "SELECT * FROM 請求書ヘッダ ORDER BY 日付 DESC NULLS LAST, 伝票番号 DESC NULLS LAST",
                   "USING INDEX 請求書ヘッダ_日付" },
        PlanCase { "history_by_dates", File::Data,
                   "SELECT * FROM 請求書ヘッダ WHERE 日付 >= '2002-01-01' AND 日付 <= '2002-12-31' "
                   "ORDER BY 日付 DESC NULLS LAST, 伝票番号 DESC NULLS LAST",
                   "USING INDEX 請求書ヘッダ_日付" },
        PlanCase { "history_by_customer", File::Data,
                   "SELECT * FROM 請求書ヘッダ WHERE 顧客名 = 'A' ORDER BY 日付 DESC",
                   "USING INDEX 請求書ヘッダ_顧客名_日付" },
        PlanCase { "code_list", File::Data,
                   "SELECT sname FROM コードマスタ WHERE kcode = '単位' AND sname IS NOT NULL ORDER BY code",
                   "USING INDEX コードマスタ_kcode_code" },
        PlanCase { "work_lines_from", File::Work, "SELECT * FROM w明細 WHERE 行番号 >= 5 ORDER BY 行番号",
                   "USING INTEGER PRIMARY KEY" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Schema, PrefecturesAreTheFortySevenInJisOrder)
{
    TestDataDir dir;
    QSqlDatabase data = db::data();
    const auto all = rows(data,
                          QStringLiteral("SELECT 都道府県コード, typeof(都道府県コード), 都道府県 "
                                         "FROM 都道府県 ORDER BY 都道府県コード"));
    ASSERT_EQ(all.size(), 47);
    QSet<QString> names;
    for (int i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].at(0).toString(), QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(all[i].at(1).toString(), QStringLiteral("text"));
        names << all[i].at(2).toString();
    }
    EXPECT_EQ(names.size(), 47);

    const struct
    {
        int index;
        const char *name;
    } spotChecks[]
        = { { 0, "北海道" },  { 1, "青森県" },    { 12, "東京都" },   { 13, "神奈川県" }, { 25, "京都府" },
            { 26, "大阪府" }, { 29, "和歌山県" }, { 45, "鹿児島県" }, { 46, "沖縄県" } };
    for (const auto &spot : spotChecks)
        EXPECT_EQ(all[spot.index].at(2).toString(), QString::fromUtf8(spot.name)) << spot.index;
}

TEST(Schema, CodeTablesHaveNinetyNineSlotsWithTheCommonUnitsFirst)
{
    TestDataDir dir;
    QSqlDatabase data = db::data();
    const QStringList units
        = { QStringLiteral("個"),   QStringLiteral("本"), QStringLiteral("枚"), QStringLiteral("箱"),
            QStringLiteral("式"),   QStringLiteral("台"), QStringLiteral("冊"), QStringLiteral("回"),
            QStringLiteral("時間"), QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("kg"),
            QStringLiteral("m") };
    const struct
    {
        const char *kcode;
        QStringList filled;
    } tables[] = { { "単位", units }, { "入数", {} } };

    EXPECT_EQ(scalar(data, QStringLiteral("SELECT count(*) FROM コードマスタ")).toInt(), 198);
    for (const auto &t : tables) {
        const auto slotRows = rows(data,
                                   QStringLiteral("SELECT code, typeof(code), sname FROM コードマスタ "
                                                  "WHERE kcode = ? ORDER BY code"),
                                   { QString::fromUtf8(t.kcode) });
        ASSERT_EQ(slotRows.size(), 99) << t.kcode;
        for (int i = 0; i < 99; ++i) {
            EXPECT_EQ(slotRows[i].at(0).toString(), QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
            EXPECT_EQ(slotRows[i].at(1).toString(), QStringLiteral("text"));
            if (i < t.filled.size()) {
                EXPECT_EQ(slotRows[i].at(2).toString(), t.filled.at(i)) << t.kcode << ' ' << i;
            } else {
                EXPECT_TRUE(slotRows[i].at(2).isNull()) << t.kcode << ' ' << i;
            }
        }
    }
}

} // namespace
