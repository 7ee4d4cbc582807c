// Typing invoice lines into the real grid: accepted cells, the amounts, Enter, product picks,
// refusals, subtotal rows and deletion by the buttons, and bad input.
#include "InvoiceTabFixture.h"

#include "invoice/GridCombos.h"
#include "invoice/LineOps.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

using namespace invoicetest;

namespace {

class GridEntry : public InvoiceTabTest
{
protected:
    void SetUp() override
    {
        InvoiceTabTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        addProduct(QStringLiteral("ボールペン"), QStringLiteral("10本入"), QStringLiteral("本"), 120, false, QStringLiteral("ぼーるぺん"));
        addProduct(QStringLiteral("収入印紙"), {}, QStringLiteral("枚"), 200, true, QStringLiteral("しゅうにゅういんし"));
        addProduct(QStringLiteral("O'Neil's pen"), {}, {}, 0, false, QStringLiteral("おにーる"));
    }
};

QUILLON_ON_BOTH_ENGINES(GridEntry);

TEST_P(GridEntry, TypedLinesAreWrittenAndTheAmountsFollow)
{
    open();
    type(0, 1, QStringLiteral("ボールペン"));
    EXPECT_EQ(current(), model()->index(0, 2)) << "Enter moves right";
    type(0, 3, QStringLiteral("３"));
    type(1, 1, QStringLiteral("収入印紙"));
    type(1, 3, QStringLiteral("2"));

    const DetailLine first = line(1);
    EXPECT_EQ(first.品名, QStringLiteral("ボールペン"));
    EXPECT_EQ(first.単位, QStringLiteral("本"));
    EXPECT_EQ(first.単価, 120);
    EXPECT_EQ(first.数量, 3);
    EXPECT_EQ(first.金額, 360);
    EXPECT_EQ(first.ふりがな, QStringLiteral("ぼーるぺん"));
    EXPECT_TRUE(line(2).非課税);
    EXPECT_EQ(shown(0, 6), QStringLiteral("360"));
    EXPECT_EQ(shown(1, 5), QStringLiteral("200"));

    // 外税 by default: only the taxable line is taxed.
    EXPECT_EQ(amount("num税抜計"), 760);
    EXPECT_EQ(amount("num消費税"), 18);
    EXPECT_EQ(amount("num合計"), 778);
    EXPECT_EQ(amount("num請求金額"), 778);
    EXPECT_EQ(child<AmountBox>("num合計")->text(), QStringLiteral("778"));
    EXPECT_TRUE(tab->lineAmountEdited());
}

// Only loading an invoice unmarks the amounts: the next invoice after a clear follows 合計 at once.
TEST_P(GridEntry, AClearKeepsTheAmountsMarkedAsEdited)
{
    open();
    EXPECT_FALSE(tab->lineAmountEdited());
    type(0, 1, QStringLiteral("品物"));
    type(0, 6, QStringLiteral("100"));
    ASSERT_TRUE(tab->lineAmountEdited());
    click("cmdクリア");
    EXPECT_TRUE(tab->lineAmountEdited());
}

TEST_P(GridEntry, InsideTaxWithATaxFreeLineAddsUpOnScreen)
{
    ModQLNV::税区分 = QStringLiteral("内税");
    open();
    type(0, 1, QStringLiteral("品物"));
    type(0, 6, QStringLiteral("1,050"));
    type(1, 1, QStringLiteral("収入印紙"));
    type(1, 6, QStringLiteral("100"));
    EXPECT_EQ(amount("num消費税"), 50);
    EXPECT_EQ(amount("num税抜計"), 1100);
    EXPECT_EQ(amount("num合計"), 1150);
    EXPECT_EQ(child<AmountBox>("num合計")->text(), QStringLiteral("1,150"));
}

TEST_P(GridEntry, TheTaxRoundingComesFromItsSource)
{
    open();
    tab->setTaxRoundingSource([] { return QStringLiteral("切り捨て"); });
    type(0, 6, QStringLiteral("1234"));
    EXPECT_EQ(amount("num消費税"), 61);
    tab->setTaxRoundingSource([] { return QStringLiteral("四捨五入"); });
    tab->Calc明細();
    EXPECT_EQ(amount("num消費税"), 62);
}

TEST_P(GridEntry, EnterInTheAmountMovesToTheNameOfTheNextLine)
{
    open();
    type(4, 6, QStringLiteral("500"));
    EXPECT_EQ(current(), model()->index(5, 1));

    grid()->setCurrentCell(98, 6);
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(current(), model()->index(98, 1)) << "the last line has no next line";

    grid()->setCurrentCell(2, 6);
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(current(), model()->index(3, 1)) << "also without editing";
}

TEST_P(GridEntry, AKeyTypedOnACellStartsEditingIt)
{
    open();
    grid()->setFocus();
    grid()->setCurrentCell(0, 3);
    QTest::keyClicks(grid(), QStringLiteral("1"));
    ASSERT_NE(qobject_cast<QLineEdit *>(QApplication::focusWidget()), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(line(1).数量, 12);
    EXPECT_EQ(current(), model()->index(0, 4));
}

TEST_P(GridEntry, APickFromTheProductDropDownFillsTheLine)
{
    open();
    QLineEdit *editor = openEditor(2, 1);
    ASSERT_NE(editor, nullptr);
    auto *combo = qobject_cast<ProductCombo *>(editor->parentWidget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->objectName(), QStringLiteral("DD商品参照"));
    auto *list = combo->table();
    EXPECT_FALSE(list->horizontalHeader()->isHidden()) << "the drop-down has column headers";
    EXPECT_EQ(combo->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("品　　名"));
    EXPECT_EQ(combo->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("単 価"));
    combo->showPopup();
    const int row = combo->findText(QStringLiteral("ボールペン"));
    ASSERT_GE(row, 0);
    list->setCurrentIndex(combo->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QApplication::processEvents();

    const DetailLine picked = line(3);
    EXPECT_EQ(picked.品名, QStringLiteral("ボールペン"));
    EXPECT_EQ(picked.入数, QStringLiteral("10本入"));
    EXPECT_EQ(picked.単位, QStringLiteral("本"));
    EXPECT_EQ(picked.単価, 120);
    EXPECT_EQ(picked.ふりがな, QStringLiteral("ぼーるぺん"));
    EXPECT_EQ(current(), model()->index(2, 3)) << "on to the quantity";
}

TEST_P(GridEntry, NonNumericInputIsRefusedAndOutOfRangeEmptied)
{
    open();
    type(0, 3, QStringLiteral("4"));
    type(0, 3, QStringLiteral("abc"));
    EXPECT_EQ(line(1).数量, 4) << "refused: the stored value stays";
    EXPECT_EQ(current(), model()->index(0, 3)) << "the cursor stays on the refused cell";
    type(0, 3, QStringLiteral("1e300"));
    EXPECT_EQ(line(1).数量, 4);

    type(0, 3, QStringLiteral("1000000"));
    EXPECT_FALSE(line(1).数量) << "outside the limits: emptied";
    EXPECT_EQ(current(), model()->index(0, 3));
    type(0, 6, QStringLiteral("－１，２００"));
    EXPECT_EQ(line(1).金額, -1200);
    EXPECT_TRUE(boxes.shown.isEmpty()) << "all silently";
}

TEST_P(GridEntry, AQuantityOrPriceWhoseAmountPassesTheLineLimitIsRefused)
{
    open();
    type(0, 3, QStringLiteral("100000"));
    type(0, 5, QStringLiteral("99999"));
    ASSERT_EQ(line(1).金額, 9999900000);
    type(0, 5, QStringLiteral("100000"));
    EXPECT_EQ(line(1).単価, 99999) << "refused: the stored value stays";
    EXPECT_EQ(line(1).金額, 9999900000);
    EXPECT_EQ(current(), model()->index(0, 5));
    type(0, 3, QStringLiteral("-999999"));
    EXPECT_EQ(line(1).数量, 100000);
    EXPECT_EQ(boxes.texts(),
              QStringList(2, QStringLiteral("金額が 9,999,999,999 を超えるため入力できません。数量と単価を確認してください。")));
    EXPECT_EQ(amount("num税抜計"), 9999900000) << "the line stays in the totals";
}

TEST_P(GridEntry, BadNamesAreTakenWithinTheirLimits)
{
    open();
    type(0, 1, QStringLiteral("O'Neil's pen"));
    EXPECT_EQ(line(1).品名, QStringLiteral("O'Neil's pen"));
    EXPECT_FALSE(line(1).単価) << "found, with a unit price of 0 shown empty";
    EXPECT_EQ(line(1).ふりがな, QStringLiteral("おにーる"));

    type(1, 1, QString(200, QChar(u'漢')));
    EXPECT_EQ(line(2).品名, QString(25, QChar(u'漢')));
    type(2, 1, QString(30, QChar(u'あ')));
    EXPECT_EQ(line(3).品名, QString(25, QChar(u'あ')));

    QLineEdit *editor = openEditor(3, 1);
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("一行目\n二行目"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(line(4).品名, QStringLiteral("一行目 二行目"));
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(GridEntry, OnB5PaperLinesAfterTheTwelfthTakeNoInput)
{
    open();
    DetailLine late;
    late.行番号 = 13;
    late.品名 = QStringLiteral("A4で入力した行");
    late.単価 = 500;
    late.単位 = QStringLiteral("個");
    late.金額 = 500;
    write(late);
    tab->reloadLines();
    ModQLNV::印刷用紙 = QStringLiteral("B5白紙");

    type(12, 3, QStringLiteral("2"));
    const DetailLine after = line(13);
    EXPECT_FALSE(after.数量);
    EXPECT_FALSE(after.単価) << "its unit price and unit are emptied";
    EXPECT_EQ(after.単位, QString());
    EXPECT_EQ(after.品名, QStringLiteral("A4で入力した行"));

    type(11, 3, QStringLiteral("2"));
    EXPECT_EQ(line(12).数量, 2) << "line 12 behaves normally";
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(GridEntry, NewUnitsAndPackSizesJoinTheCodeTableAndTheirLists)
{
    open();
    type(0, 4, QStringLiteral("ダース"));
    type(0, 2, QStringLiteral("12入"));
    EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT code FROM コードマスタ WHERE kcode = '単位' AND sname = 'ダース'")),
              QStringLiteral("14"));
    EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT code FROM コードマスタ WHERE kcode = '入数' AND sname = '12入'")),
              QStringLiteral("01"));
    QLineEdit *editor = openEditor(1, 4);
    ASSERT_NE(editor, nullptr);
    auto *units = qobject_cast<QComboBox *>(editor->parentWidget());
    ASSERT_NE(units, nullptr);
    EXPECT_GE(units->findText(QStringLiteral("ダース")), 0) << "the unit drop-down was rebuilt";
    QTest::keyClick(editor, Qt::Key_Escape);
}

TEST_P(GridEntry, SubtotalRowsAreProtectedAndGrey)
{
    open();
    type(0, 6, QStringLiteral("100"));
    type(1, 6, QStringLiteral("200"));
    grid()->setCurrentCell(2, 1);
    click("cmd小計");
    EXPECT_EQ(line(3).品名, lines::SubtotalName);
    EXPECT_EQ(shown(2, 6), QStringLiteral("300"));

    type(2, 1, QStringLiteral("名前"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("小計行は変更できません。行削除してください。")});
    EXPECT_EQ(boxes.shown.value(0).title, QStringLiteral("注意"));
    EXPECT_EQ(line(3).品名, lines::SubtotalName);

    // Drawn grey: sample the middle of an empty cell of the subtotal row and of a plain row.
    QApplication::processEvents();
    const QImage image = grid()->viewport()->grab().toImage();
    const QColor grey = image.pixelColor(grid()->visualRect(model()->index(2, 3)).center());
    const QColor plain = image.pixelColor(grid()->visualRect(model()->index(1, 3)).center());
    EXPECT_EQ(grey, QColor(0xE0, 0xE0, 0xE0));
    EXPECT_NE(plain, grey);
}

TEST_P(GridEntry, SubtotalButtonRefusalsShowTheirMessages)
{
    open();
    type(0, 6, QStringLiteral("100"));
    type(1, 6, QStringLiteral("200"));
    type(98, 1, QStringLiteral("最後"));
    grid()->setCurrentCell(0, 1);
    click("cmd小計");
    grid()->setCurrentCell(1, 1);
    click("cmd小計");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("1行目には小計は作成できません。"),
                                         QStringLiteral("行挿入する余白はありません。")}));
    EXPECT_EQ(boxes.shown.value(1).title, QStringLiteral("行挿入注意"));
    EXPECT_EQ(line(99).品名, QStringLiteral("最後"));
    EXPECT_EQ(line(2).金額, 200);
}

TEST_P(GridEntry, DeletingALineKeepsTheViewAndRecomputes)
{
    open();
    for (int i = 0; i < 30; ++i)
        type(i, 6, QString::number((i + 1) * 10));
    grid()->setCurrentCell(20, 6);
    grid()->scrollTo(model()->index(20, 6), QAbstractItemView::PositionAtCenter);
    const int scroll = grid()->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    const qint64 before = amount("num税抜計").value();

    click("cmd行削除");
    EXPECT_EQ(current(), model()->index(20, 6));
    EXPECT_EQ(grid()->verticalScrollBar()->value(), scroll);
    EXPECT_EQ(line(21).金額, 220);
    EXPECT_EQ(amount("num税抜計"), before - 210);
    EXPECT_EQ(scalar(db::work(), QStringLiteral("SELECT count(*) FROM w明細")).toInt(), 99);

    grid()->setCurrentCell(5, 1);
    click("cmd小計");
    EXPECT_EQ(current(), model()->index(5, 1));
    EXPECT_EQ(line(6).金額, 150);
    EXPECT_EQ(amount("num税抜計"), before - 210) << "subtotal rows are never counted";
}

TEST_P(GridEntry, DeletingBetweenTwoGroupsRecomputesBoth)
{
    open();
    type(0, 6, QStringLiteral("100"));
    grid()->setCurrentCell(1, 1);
    click("cmd小計");
    type(2, 6, QStringLiteral("50"));
    grid()->setCurrentCell(3, 1);
    click("cmd小計");
    grid()->setCurrentCell(1, 1);
    click("cmd行削除"); // the first subtotal row goes: one group of 150
    EXPECT_EQ(line(3).小計, true);
    EXPECT_EQ(line(3).金額, 150);
    EXPECT_EQ(amount("num税抜計"), 150);
}

} // namespace
