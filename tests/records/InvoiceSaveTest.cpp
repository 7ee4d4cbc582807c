// Saving an invoice: header and lines stored under the number, the masters kept in step,
// the counter moved, and all of it or nothing.
#include "RecordsTestUtil.h"

#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"
#include "support/EngineTest.h"

#include <QFile>
#include <QProcess>

using namespace recordstest;
using records::saveInvoice;

namespace {

DetailLine emptyLine()
{
    return {};
}

DetailLine subtotal(qint64 amount)
{
    DetailLine l;
    l.品名 = QStringLiteral(" 小 計");
    l.金額 = amount;
    l.小計 = true;
    return l;
}

QStringList storedNames(qint64 number)
{
    QStringList names;
    for (const auto &r : rows(db::data(), QStringLiteral("SELECT 行番号, 品名 FROM 請求書 WHERE 伝票番号 = ? ORDER BY 行番号"),
                              {number}))
        names << QStringLiteral("%1:%2").arg(r.at(0).toInt()).arg(r.at(1).isNull() ? QStringLiteral("<null>") : r.at(1).toString());
    return names;
}

class InvoiceSaveTest : public EngineTest {};
QUILLON_ON_BOTH_ENGINES(InvoiceSaveTest);

} // namespace

TEST_P(InvoiceSaveTest, SavingAStoredInvoiceReplacesHeaderAndEveryLine)
{
    putWorkLines({line("りんご"), line("みかん"), line("ぶどう"), line("もも")});
    ASSERT_TRUE(saveInvoice(header(5)));
    putWorkLines({line("なし")});
    InvoiceHeader second = header(5, QStringLiteral("佐藤商事"));
    second.件名 = QStringLiteral("差し替え");
    second.更新番号 = 1; // read from the store as saved above
    const auto outcome = saveInvoice(second);
    ASSERT_TRUE(outcome) << outcome.problem.toStdString();

    EXPECT_EQ(outcome.linesStored, 1);
    EXPECT_EQ(storedNames(5), QStringList{"0:なし"});
    EXPECT_EQ(count("請求書ヘッダ"), 1);
    EXPECT_EQ(scalar(db::data(), "SELECT 件名 || '/' || 顧客名 FROM 請求書ヘッダ WHERE 伝票番号 = 5").toString(),
              QStringLiteral("差し替え/佐藤商事"));
    // Every line carries the header's customer, date and kind.
    EXPECT_EQ(rows(db::data(), "SELECT DISTINCT 顧客名, 日付, 伝票区分 FROM 請求書"),
              (QList<QVariantList>{{QStringLiteral("佐藤商事"), QStringLiteral("2026-04-01"), 1}}));
}

TEST_P(InvoiceSaveTest, EveryLineUpToTheLastUsedOneIsStoredWithEmptyLinesInTheirPlaces)
{
    DetailLine packOnly;
    packOnly.入数 = QStringLiteral("12入");
    DetailLine blankName;
    blankName.品名 = QStringLiteral("   ");
    DetailLine readingOnly; // a reading alone is no content
    readingOnly.ふりがな = QStringLiteral("かな");

    QList<DetailLine> ninetyNinth(DetailLineCount - 1, emptyLine());
    ninetyNinth << line("最後");
    QStringList ninetyNinthStored;
    for (int i = 0; i < DetailLineCount - 1; ++i)
        ninetyNinthStored << QStringLiteral("%1:<null>").arg(i);
    ninetyNinthStored << QStringLiteral("98:最後");

    const struct {
        const char *name;
        QList<DetailLine> work;
        QStringList stored;
    } cases[] = {
        {"nothing on the invoice", {}, {}},
        {"a gap keeps its place", {line("A"), emptyLine(), line("B")}, {"0:A", "1:<null>", "2:B"}},
        {"several gaps and trailing empties", {emptyLine(), line("A"), emptyLine(), emptyLine(), line("B"), emptyLine()},
         {"0:<null>", "1:A", "2:<null>", "3:<null>", "4:B"}},
        {"a pack size alone is content", {line("A"), emptyLine(), packOnly}, {"0:A", "1:<null>", "2:<null>"}},
        {"blanks only and a reading only are empty", {line("A"), blankName, readingOnly}, {"0:A"}},
        {"only the last grid row", ninetyNinth, ninetyNinthStored},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        putWorkLines(c.work); // each save replaces the one before
        const auto outcome = saveInvoice(header(1), records::SaveMode::Overwrite);
        ASSERT_TRUE(outcome) << outcome.problem.toStdString();
        EXPECT_EQ(outcome.linesStored, c.stored.size());
        EXPECT_EQ(storedNames(1), c.stored);

        // Loading it back shows the invoice as it was saved.
        putWorkLines({line("画面に残っていた行")});
        ASSERT_EQ(records::loadInvoice(1).status, records::LoadStatus::Loaded);
        const auto back = detail::readLines(db::work());
        ASSERT_TRUE(back);
        const QList<DetailLine> expected = records::linesToStore(c.work);
        for (int i = 0; i < DetailLineCount; ++i) {
            DetailLine want = i < expected.size() ? expected.at(i) : DetailLine{};
            want.行番号 = i + 1;
            EXPECT_EQ(back->at(i), want) << "row " << i + 1;
        }
    }
}

TEST_P(InvoiceSaveTest, ProductNamesAreStoredTrimmedAndTheOtherValuesAsTheyStand)
{
    DetailLine l = line(QStringLiteral("　 りんご  "), 2.5, QStringLiteral(" 箱 "), 120);
    l.入数 = QStringLiteral(" 10入 ");
    l.非課税 = true;
    l.ふりがな = QStringLiteral("りんご");
    putWorkLines({l, subtotal(300)});
    ASSERT_TRUE(saveInvoice(header(3)));

    EXPECT_EQ(rows(db::data(), "SELECT 品名, 入数, 数量, 単位, 単価, 金額, 小計, 非課税, ふりがな FROM 請求書 ORDER BY 行番号"),
              (QList<QVariantList>{
                  {QStringLiteral("りんご"), QStringLiteral(" 10入 "), 2.5, QStringLiteral(" 箱 "), 120.0, 300, 0, 1,
                   QStringLiteral("りんご")},
                  {QStringLiteral("小 計"), QVariant(), QVariant(), QVariant(), QVariant(), 300, 1, 0, QVariant()}}));
    EXPECT_EQ(scalar(db::data(), "SELECT count(*) FROM 商品マスタ WHERE 品名 = 'りんご'").toInt(), 1);
}

TEST_P(InvoiceSaveTest, EmptyMemoSubjectAndAmountsAreStoredAsNull)
{
    InvoiceHeader h = header(8);
    h.件名.clear();
    h.メモ.clear();
    h.敬称.clear();
    h.税抜計.reset();
    h.消費税.reset();
    h.合計.reset();
    h.請求金額.reset();
    putWorkLines({});
    ASSERT_TRUE(saveInvoice(h));
    EXPECT_EQ(rows(db::data(), "SELECT 件名 IS NULL, メモ IS NULL, 税抜計 IS NULL, 消費税 IS NULL, 合計 IS NULL, "
                               "請求金額 IS NULL, 日付 FROM 請求書ヘッダ"),
              (QList<QVariantList>{{1, 1, 1, 1, 1, 1, QStringLiteral("2026-04-01")}}));
}

TEST_P(InvoiceSaveTest, TheCustomerIsAddedOrOverwrittenByTheInvoicesInformation)
{
    run(db::data(), "INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES ('山田商店', '旧住所', 'やまだ', '御中')");
    putWorkLines({});
    InvoiceHeader known = header(1);
    known.顧客情報 = QStringLiteral("新住所\n2行目");
    known.敬称 = QStringLiteral("殿");
    ASSERT_TRUE(saveInvoice(known));
    ASSERT_TRUE(saveInvoice(header(2, QStringLiteral("O'Brien & Co."))));

    EXPECT_EQ(rows(db::data(), "SELECT 顧客名, 顧客情報, ふりがな, 敬称 FROM 顧客マスタ ORDER BY rowid"),
              (QList<QVariantList>{
                  {QStringLiteral("山田商店"), QStringLiteral("新住所\n2行目"), QStringLiteral("やまだ"), QStringLiteral("殿")},
                  {QStringLiteral("O'Brien & Co."), header(2).顧客情報, QVariant(), QStringLiteral("様")}}));
}

TEST_P(InvoiceSaveTest, ProductsAreRegisteredOnlyForLinesWithAPriceOrAQuantity)
{
    run(db::data(), "INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな) VALUES ('既存', '6入', '本', 80, 0, 'きぞん')");
    DetailLine known = line("既存", 3, QStringLiteral("箱"), 95);
    known.非課税 = true;
    known.ふりがな = QStringLiteral("きそん");
    DetailLine textOnly;
    textOnly.品名 = QStringLiteral("※ 配送料込み");
    textOnly.入数 = QStringLiteral("別途");
    // A product on two lines keeps the values of the later one.
    putWorkLines({line("二度", 1, QStringLiteral("個"), 10), line("価格だけ", std::nullopt, {}, 500),
                  line("数量だけ", 4, QStringLiteral("枚"), std::nullopt), textOnly, known, line("二度", 2, QStringLiteral("袋"), 20),
                  subtotal(785)});
    ASSERT_TRUE(saveInvoice(header(1)));

    EXPECT_EQ(rows(db::data(), "SELECT 品名, 入数, 単位, 単価, 非課税, ふりがな FROM 商品マスタ ORDER BY 品名"),
              (QList<QVariantList>{
                  {QStringLiteral("二度"), QVariant(), QStringLiteral("袋"), 20.0, 0, QVariant()},
                  {QStringLiteral("価格だけ"), QVariant(), QVariant(), 500.0, 0, QVariant()},
                  {QStringLiteral("数量だけ"), QVariant(), QStringLiteral("枚"), QVariant(), 0, QVariant()},
                  // The pack size stays the product window's.
                  {QStringLiteral("既存"), QStringLiteral("6入"), QStringLiteral("箱"), 95.0, 1, QStringLiteral("きそん")}}));
}

TEST_P(InvoiceSaveTest, ANewUnitTakesTheLowestFreeSlotAndAFullTableTakesNothing)
{
    const QString slotOf = QStringLiteral("SELECT code FROM コードマスタ WHERE kcode = '単位' AND sname = ?");
    {
        SCOPED_TRACE("after the seeded units, and a known unit writes nothing");
        putWorkLines({line("A", 1, QStringLiteral("ケース")), line("B", 1, QStringLiteral("個")), line("C", 1, QStringLiteral("ケース"))});
        ASSERT_TRUE(saveInvoice(header(1)));
        EXPECT_EQ(rows(db::data(), slotOf, {QStringLiteral("ケース")}), (QList<QVariantList>{{QStringLiteral("14")}}));
        EXPECT_EQ(count("コードマスタ", "kcode = '単位' AND sname = '個'"), 1);
        EXPECT_EQ(count("コードマスタ", "kcode = '単位' AND sname IS NOT NULL"), 14);
    }
    {
        SCOPED_TRACE("a gap left by the code window is filled first");
        TestDataDir dir(GetParam());
        run(db::data(), "UPDATE コードマスタ SET sname = NULL WHERE kcode = '単位' AND code = '05'");
        putWorkLines({line("A", 1, QStringLiteral("ダース"))});
        ASSERT_TRUE(saveInvoice(header(1)));
        EXPECT_EQ(rows(db::data(), slotOf, {QStringLiteral("ダース")}), (QList<QVariantList>{{QStringLiteral("05")}}));
    }
    {
        SCOPED_TRACE("every slot taken: the save goes on without the unit");
        TestDataDir dir(GetParam());
        run(db::data(), "UPDATE コードマスタ SET sname = 'u' || code WHERE kcode = '単位' AND sname IS NULL");
        putWorkLines({line("A", 1, QStringLiteral("パレット"))});
        ASSERT_TRUE(saveInvoice(header(1)));
        EXPECT_EQ(count("コードマスタ", "sname = 'パレット'"), 0);
        EXPECT_EQ(scalar(db::data(), "SELECT 単位 FROM 請求書").toString(), QStringLiteral("パレット"));
    }
}

TEST_P(InvoiceSaveTest, TheCounterKeepsTheHighestSavedNumber)
{
    putWorkLines({line("A")});
    const struct {
        qint64 saved;
        qint64 max;
    } steps[] = {{5, 5}, {7, 7}, {3, 7}, {7, 7}, {records::MaxInvoiceNumber, records::MaxInvoiceNumber}};
    for (const auto &s : steps) {
        SCOPED_TRACE(s.saved);
        ASSERT_TRUE(saveInvoice(header(s.saved), records::SaveMode::Overwrite));
        EXPECT_EQ(storedMax().toLongLong(), s.max);
        if (s.max < records::MaxInvoiceNumber)
            EXPECT_EQ(counter::nextInvoiceNumber(), s.max + 1);
        else
            EXPECT_EQ(counter::nextInvoiceNumber(), std::nullopt) << "no number that does not fit is offered";
    }
}

TEST_P(InvoiceSaveTest, TextsRoundTripUnchanged)
{
    const QString longText = QString(1000, QChar(u'請'));
    InvoiceHeader h = header(12, QStringLiteral("O'Reilly \"&\" 株式会社"));
    h.顧客情報 = QStringLiteral("〒100-0001\r\n東京都 'a' \n\n3行目\t");
    h.件名 = longText;
    h.メモ = QStringLiteral("it's\nline two; DROP TABLE 請求書; --");
    h.敬称 = QStringLiteral("御中");
    h.請求金額 = 999; // may differ from the total
    DetailLine l = line(QStringLiteral("Tom's \"best\"\n2行目"));
    l.品名 += longText;
    putWorkLines({l});
    ASSERT_TRUE(saveInvoice(h));

    const auto read = records::readStoredInvoice(db::data(), 12);
    ASSERT_EQ(read.status, records::LoadStatus::Loaded);
    const InvoiceHeader &b = read.invoice.header;
    EXPECT_EQ(b.顧客名, h.顧客名);
    EXPECT_EQ(b.顧客情報, h.顧客情報);
    EXPECT_EQ(b.件名, h.件名);
    EXPECT_EQ(b.メモ, h.メモ);
    EXPECT_EQ(b.敬称, h.敬称);
    EXPECT_EQ(b.日付, h.日付);
    EXPECT_EQ(b.請求金額, std::optional<qint64>(999));
    ASSERT_EQ(read.invoice.lines.size(), 1);
    EXPECT_EQ(read.invoice.lines.first().品名, l.品名);
    EXPECT_EQ(scalar(db::data(), "SELECT 顧客情報 FROM 顧客マスタ WHERE 顧客名 = ?", {h.顧客名}).toString(), h.顧客情報);
}

TEST(InvoiceSave, InvoiceNumbersAreWholeNumbersFromOneToTheLongLimit)
{
    const struct {
        const char *text;
        std::optional<qint64> number;
    } cases[] = {
        {"1", 1},          {"2147483647", 2147483647}, {"１２", 12},         {" 42 ", 42},
        {"0", {}},         {"-3", {}},                 {"2147483648", {}}, {"99999999999", {}},
        {"12a", {}},       {"1.5", {}},                {"", {}},           {"１２ア", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(records::parseInvoiceNumber(QString::fromUtf8(c.text)), c.number) << c.text;
}

TEST_P(InvoiceSaveTest, AnIncompleteHeaderIsRefusedBeforeAnythingIsWritten)
{
    putWorkLines({line("A")});
    InvoiceHeader noDate = header(1);
    noDate.日付 = QDate();
    const InvoiceHeader cases[] = {header(0), header(-1), header(records::MaxInvoiceNumber + 1), noDate, header(1, QString())};
    for (const InvoiceHeader &h : cases) {
        EXPECT_FALSE(saveInvoice(h)) << h.伝票番号;
    }
    EXPECT_EQ(count("請求書ヘッダ") + count("請求書") + count("顧客マスタ") + count("商品マスタ"), 0);
    EXPECT_FALSE(storedMax().isValid());
}

// A statement failing half-way through leaves the stored invoice, the masters and the counter
// as they were, and the lines on screen untouched.
TEST_P(InvoiceSaveTest, AFailureHalfWayWritesNothing)
{
    putWorkLines({line("旧")});
    ASSERT_TRUE(saveInvoice(header(4)));
    breakLinesNamedBoom();
    const qint64 units = count("コードマスタ", "sname IS NOT NULL");

    putWorkLines({line("新商品", 1, QStringLiteral("新単位")), line("boom")});
    const auto screen = detail::readLines(db::work());
    const auto outcome = saveInvoice(header(9, QStringLiteral("新しい顧客")));
    EXPECT_FALSE(outcome);
    EXPECT_EQ(outcome.linesStored, 0);
    EXPECT_EQ(count("顧客マスタ"), 1);
    EXPECT_EQ(count("商品マスタ"), 1);
    EXPECT_EQ(count("コードマスタ", "sname IS NOT NULL"), units);
    EXPECT_EQ(count("請求書ヘッダ"), 1);
    EXPECT_EQ(storedNames(4), QStringList{"0:旧"});
    EXPECT_EQ(storedMax().toLongLong(), 4);
    EXPECT_EQ(detail::readLines(db::work()), screen);

    // Re-saving an existing number that fails keeps the old version.
    EXPECT_FALSE(saveInvoice(header(4)));
    EXPECT_EQ(storedNames(4), QStringList{"0:旧"});
}

namespace {

// chmod does not stop root; the immutable flag does, where the file system has it.
bool makeReadOnly(const QString &path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile probe(path);
    if (!probe.open(QIODevice::ReadWrite))
        return true;
    probe.close();
    return QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0
        && !QFile(path).open(QIODevice::ReadWrite);
}

void makeWritable(const QString &path)
{
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

TEST(InvoiceSaveLocal, AMissingOrReadOnlyDataFileReportsFailureAndKeepsTheScreen)
{
    {
        SCOPED_TRACE("missing");
        TestDataDir dir;
        putWorkLines({line("A"), line("B")});
        const auto screen = detail::readLines(db::work());
        db::closeAll();
        ASSERT_TRUE(QFile::remove(dir.dataMdb()));
        EXPECT_FALSE(saveInvoice(header(1)));
        EXPECT_EQ(detail::readLines(db::work()), screen);
    }
    {
        SCOPED_TRACE("read-only");
        TestDataDir dir;
        putWorkLines({line("A")});
        const auto screen = detail::readLines(db::work());
        db::closeAll();
        if (!makeReadOnly(dir.dataMdb())) {
            makeWritable(dir.dataMdb());
            GTEST_SKIP() << "cannot make a file read-only here";
        }
        const auto outcome = saveInvoice(header(1));
        const qint64 stored = count("請求書ヘッダ");
        db::closeAll();
        makeWritable(dir.dataMdb());
        EXPECT_FALSE(outcome);
        EXPECT_EQ(stored, 0);
        EXPECT_EQ(detail::readLines(db::work()), screen);
    }
}
