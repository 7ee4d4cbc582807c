// Loading a stored invoice into w明細 and deleting one.
#include "RecordsTestUtil.h"

#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"
#include "support/EngineTest.h"


using namespace recordstest;
using records::LoadStatus;

namespace {

QList<DetailLine> workLines()
{
    const auto lines = detail::readLines(db::work());
    EXPECT_TRUE(lines);
    return lines.value_or(QList<DetailLine>{});
}

class InvoiceLoadTest : public EngineTest {};
QUILLON_ON_BOTH_ENGINES(InvoiceLoadTest);
class InvoiceDeleteTest : public EngineTest {};
QUILLON_ON_BOTH_ENGINES(InvoiceDeleteTest);

} // namespace

TEST_P(InvoiceLoadTest, FillsRowsOneToNAndTheHeaderWithNullFieldsEmpty)
{
    DetailLine subtotal;
    subtotal.品名 = QStringLiteral(" 小 計");
    subtotal.金額 = 300;
    subtotal.小計 = true;
    DetailLine exempt = line("切手", 3, QStringLiteral("枚"), 84);
    exempt.非課税 = true;
    exempt.入数 = QStringLiteral("10枚綴");
    exempt.ふりがな = QStringLiteral("きって");
    putWorkLines({line("A", 1, QStringLiteral("個"), 100), line("B", 2, QStringLiteral("個"), 100), subtotal, exempt});
    InvoiceHeader h = header(21);
    h.敬称.clear();
    h.件名.clear();
    h.メモ.clear();
    h.顧客情報.clear();
    h.税抜計.reset();
    h.消費税.reset();
    h.合計.reset();
    h.請求金額 = 12345; // as the user overrode it
    ASSERT_TRUE(records::saveInvoice(h));

    putWorkLines({line("未保存の行")});
    const auto outcome = records::loadInvoice(21);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded) << outcome.problem.toStdString();
    EXPECT_EQ(outcome.lineCount, 4);

    const InvoiceHeader &b = outcome.header;
    EXPECT_EQ(b.伝票番号, 21);
    EXPECT_EQ(b.日付, QDate(2026, 4, 1));
    EXPECT_EQ(b.顧客名, QStringLiteral("山田商店"));
    for (const QString *empty : {&b.敬称, &b.件名, &b.メモ, &b.顧客情報})
        EXPECT_TRUE(empty->isEmpty()) << empty->toStdString();
    EXPECT_FALSE(b.税抜計);
    EXPECT_FALSE(b.消費税);
    EXPECT_FALSE(b.合計);
    // The stored amount invoiced comes back as stored, not recomputed.
    EXPECT_EQ(b.請求金額, std::optional<qint64>(12345));

    const QList<DetailLine> lines = workLines();
    ASSERT_EQ(lines.size(), DetailLineCount);
    EXPECT_EQ(lines.at(0).品名, QStringLiteral("A"));
    EXPECT_EQ(lines.at(1).金額, std::optional<qint64>(200));
    // A subtotal comes back under its stored name, with its flag.
    EXPECT_EQ(lines.at(2).品名, QStringLiteral("小 計"));
    EXPECT_TRUE(lines.at(2).小計);
    EXPECT_EQ(lines.at(2).金額, std::optional<qint64>(300));
    DetailLine want = exempt;
    want.行番号 = 4;
    EXPECT_EQ(lines.at(3), want);
    for (int i = 4; i < DetailLineCount; ++i) {
        DetailLine blank;
        blank.行番号 = i + 1;
        EXPECT_EQ(lines.at(i), blank) << "row " << i + 1;
    }
}

// A number with no stored invoice, or a file that cannot be read, leaves the lines on
// screen as they are: they may be unsaved work.
TEST_P(InvoiceLoadTest, ANumberWithoutAnInvoiceOrAFailedReadLeavesTheLinesAlone)
{
    putWorkLines({line("未保存"), line("もう一行")});
    const QList<DetailLine> screen = workLines();

    EXPECT_EQ(records::loadInvoice(77).status, LoadStatus::NotFound);
    EXPECT_EQ(workLines(), screen);

    loseStoredInvoices();
    const auto failed = records::loadInvoice(77);
    EXPECT_EQ(failed.status, LoadStatus::Failed);
    EXPECT_FALSE(failed.problem.isEmpty());
    EXPECT_EQ(workLines(), screen);
}

TEST_P(InvoiceLoadTest, AnInvoiceOfMoreLinesThanTheGridIsNotLoaded)
{
    putWorkLines({line("A")});
    ASSERT_TRUE(records::saveInvoice(header(3)));
    for (int i = 1; i <= DetailLineCount; ++i)
        run(db::data(), "INSERT INTO 請求書 (伝票番号, 伝票区分, 行番号, 品名) VALUES (3, 1, ?, 'x')", {i});
    putWorkLines({line("画面")});
    const QList<DetailLine> screen = workLines();
    EXPECT_EQ(records::loadInvoice(3).status, LoadStatus::Failed);
    EXPECT_EQ(workLines(), screen);
}

TEST_P(InvoiceLoadTest, StoredLinesAreReadInTheirOrderWhateverTheirNumbers)
{
    putWorkLines({});
    ASSERT_TRUE(records::saveInvoice(header(6)));
    // Lines written by an older version may have gaps in 行番号.
    const std::pair<int, const char *> stored[] = {{7, "C"}, {0, "A"}, {3, "B"}};
    for (const auto &[n, name] : stored)
        run(db::data(), "INSERT INTO 請求書 (伝票番号, 伝票区分, 行番号, 品名) VALUES (6, 1, ?, ?)", {n, QString::fromUtf8(name)});
    // One without a number comes first on either engine.
    run(db::data(), "INSERT INTO 請求書 (伝票番号, 伝票区分, 品名) VALUES (6, 1, '先')");
    ASSERT_EQ(records::loadInvoice(6).status, LoadStatus::Loaded);
    const QList<DetailLine> lines = workLines();
    EXPECT_EQ(QStringList({lines.at(0).品名, lines.at(1).品名, lines.at(2).品名, lines.at(3).品名, lines.at(4).品名}),
              QStringList({"先", "A", "B", "C", ""}));
}

TEST_P(InvoiceDeleteTest, RemovesHeaderAndLinesOfThatNumberOnlyAndKeepsTheCounter)
{
    putWorkLines({line("A"), line("B")});
    ASSERT_TRUE(records::saveInvoice(header(4)));
    ASSERT_TRUE(records::saveInvoice(header(9)));

    const auto deleted = records::deleteInvoice(9);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(deleted.existed);
    EXPECT_EQ(rows(db::data(), "SELECT DISTINCT 伝票番号 FROM 請求書"), (QList<QVariantList>{{4}}));
    EXPECT_EQ(rows(db::data(), "SELECT 伝票番号 FROM 請求書ヘッダ"), (QList<QVariantList>{{4}}));
    // The deleted number is not offered again.
    EXPECT_EQ(counter::nextInvoiceNumber(), 10);

    const auto absent = records::deleteInvoice(9);
    EXPECT_TRUE(absent);
    EXPECT_FALSE(absent.existed);
}

TEST_P(InvoiceDeleteTest, AFailureDeletesNeitherHeaderNorLines)
{
    putWorkLines({line("A"), line("B")});
    ASSERT_TRUE(records::saveInvoice(header(4)));
    refuse(QStringLiteral("keep"), QStringLiteral("請求書ヘッダ"), QStringLiteral("DELETE"));
    EXPECT_FALSE(records::deleteInvoice(4));
    EXPECT_EQ(count("請求書"), 2);
    EXPECT_EQ(count("請求書ヘッダ"), 1);
}
