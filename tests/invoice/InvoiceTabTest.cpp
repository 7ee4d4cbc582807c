// The invoice tab's set-up, clearing and header fields: the grid's columns and forms, the date
// box, the lists a full clear fills, the customer and invoice-number fields.
#include "InvoiceTabFixture.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>

using namespace invoicetest;

namespace {

QUILLON_ON_BOTH_ENGINES(InvoiceTabTest);

TEST_P(InvoiceTabTest, StartsWithNinetyNineEmptyLinesAndTheNextNumber)
{
    run(db::data(), QStringLiteral("INSERT INTO 自社情報 (自社名, 自社情報, 最大請求書番号) VALUES ('山田文具店', '東京都', 41)"));
    open();
    EXPECT_EQ(model()->rowCount(), 99);
    const auto lines = detail::readLines(db::work());
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 99);
    for (int i = 0; i < 99; ++i) {
        EXPECT_EQ(lines->at(i).行番号, i + 1);
        EXPECT_TRUE(lines->at(i).isEmpty());
    }
    EXPECT_EQ(child<QLineEdit>("txtNo")->text(), QStringLiteral("42"));
    EXPECT_EQ(child<QComboBox>("cmb敬称")->currentText(), QStringLiteral("様"));
    EXPECT_EQ(child<QComboBox>("cmb敬称")->count(), 3);
    EXPECT_EQ(child<QLabel>("lbl自社名")->text(), QStringLiteral("山田文具店"));
    EXPECT_EQ(child<DateBox>("dt日付")->date(), QDate::currentDate());
    for (const char *name : {"num税抜計", "num消費税", "num合計", "num請求金額"})
        EXPECT_EQ(amount(name), std::nullopt) << name;
}

TEST(InvoiceTabWithoutData, OpensAndClearsWithoutBoxesOrCrashes)
{
    TestDataDir missing(false);
    RecordingPresenter boxes;
    InvoiceTab tab;
    tab.FormInit();
    tab.Clear請求書(true);
    tab.Create小計();
    tab.LineDelete();
    tab.Calc明細();
    EXPECT_EQ(tab.grid()->model()->rowCount(), 0);
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_P(InvoiceTabTest, TheClearButtonEmptiesEverythingAndFetchesANewNumber)
{
    addCustomer(QStringLiteral("山田商店"), {}, QStringLiteral("やまだ"), {});
    open();
    QSignalSpy history(tab.get(), &InvoiceTab::historyClearRequested);
    QSignalSpy names(tab.get(), &InvoiceTab::customerNamesChanged);
    type(0, 6, QStringLiteral("500"));
    child<QComboBox>("cmb顧客名")->setEditText(QStringLiteral("誰か"));
    child<QLineEdit>("txt件名")->setText(QStringLiteral("件名"));
    child<QComboBox>("cmb敬称")->setEditText(QStringLiteral("殿"));
    child<QLineEdit>("txtNo")->setText(QStringLiteral("77"));
    run(db::data(), QStringLiteral("INSERT INTO 自社情報 (最大請求書番号) VALUES (9)"));

    click("cmdクリア");
    EXPECT_TRUE(boxes.shown.isEmpty()) << "no confirmation";
    EXPECT_EQ(child<QLineEdit>("txtNo")->text(), QStringLiteral("10"));
    EXPECT_EQ(child<QComboBox>("cmb顧客名")->currentText(), QString());
    EXPECT_EQ(child<QLineEdit>("txt件名")->text(), QString());
    EXPECT_EQ(child<QComboBox>("cmb敬称")->currentText(), QStringLiteral("様"));
    EXPECT_TRUE(line(1).isEmpty());
    EXPECT_EQ(shown(0, 6), QString());
    EXPECT_EQ(amount("num税抜計"), std::nullopt);
    EXPECT_EQ(history.size(), 1);
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(names.at(0).at(0).toStringList(), QStringList{QStringLiteral("山田商店")});

    // A clear before a load keeps the number typed.
    child<QLineEdit>("txtNo")->setText(QStringLiteral("5"));
    tab->Clear請求書(false);
    EXPECT_EQ(child<QLineEdit>("txtNo")->text(), QStringLiteral("5"));
    EXPECT_EQ(history.size(), 1);
}

TEST_P(InvoiceTabTest, TheGridShowsItsColumnsAsTheFormHasThem)
{
    open();
    const struct {
        int column;
        int width;
        const char16_t *caption;
        Qt::Alignment align;
    } shownColumns[] = {
        {1, 274, u"品名", Qt::AlignLeft}, {2, 121, u"入　数", Qt::AlignLeft}, {3, 77, u"数量", Qt::AlignRight},
        {4, 49, u"単位", Qt::AlignHCenter}, {5, 80, u"単価", Qt::AlignRight}, {6, 78, u"金額", Qt::AlignRight},
    };
    for (const auto &c : shownColumns) {
        EXPECT_FALSE(grid()->isColumnHidden(c.column)) << c.column;
        EXPECT_EQ(grid()->columnWidth(c.column), c.width) << c.column;
        EXPECT_EQ(model()->headerData(c.column, Qt::Horizontal).toString(), QString::fromUtf16(c.caption));
        const auto align = model()->index(0, c.column).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_TRUE(align & c.align) << c.column;
    }
    for (const char *field : {"行番号", "非課税", "ふりがな", "小計"})
        EXPECT_TRUE(grid()->isColumnHidden(model()->fieldIndex(QString::fromUtf8(field)))) << field;
    EXPECT_TRUE(grid()->verticalHeader()->isHidden()) << "no record selectors";
}

TEST_P(InvoiceTabTest, ThePackSizeTitleHeadsTheGridAndTheProductDropDown)
{
    const struct {
        const char *setting;
        const char *caption;
        const char *kept; // the setting held in memory afterwards
    } cases[] = {{"入数", "入　数", "入数"}, {"規格", "規　格", "規格"}, {"", "入　数", "入　数"}, {"サイズ", "サイズ", "サイズ"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.setting);
        ModQLNV::resetSettingsGlobals();
        run(db::data(), QStringLiteral("DELETE FROM 自社情報"));
        run(db::data(), QStringLiteral("INSERT INTO 自社情報 (入数列タイトル) VALUES (?)"), {QString::fromUtf8(c.setting)});
        open();
        ModQLNV::入数列タイトル = QString::fromUtf8(c.setting); // an empty title is not stored
        tab->FormInit();
        const QString caption = QString::fromUtf8(c.caption);
        EXPECT_EQ(model()->headerData(2, Qt::Horizontal).toString(), caption);
        QLineEdit *editor = openEditor(0, 1);
        ASSERT_NE(editor, nullptr);
        auto *products = qobject_cast<QComboBox *>(editor->parentWidget());
        ASSERT_NE(products, nullptr);
        EXPECT_EQ(products->model()->headerData(1, Qt::Horizontal).toString(), caption);
        EXPECT_EQ(ModQLNV::入数列タイトル, QString::fromUtf8(c.kept));
        QTest::keyClick(editor, Qt::Key_Escape);
    }
}

TEST_P(InvoiceTabTest, QuantitiesShowDecimalsOnlyWhenTheSettingAllowsThem)
{
    ModQLNV::小数 = QStringLiteral("使用する");
    open();
    type(0, 3, QStringLiteral("1234.5"));
    type(0, 5, QStringLiteral("0.5"));
    EXPECT_EQ(shown(0, 3), QStringLiteral("1,234.50"));
    EXPECT_EQ(shown(0, 5), QStringLiteral("0.50"));
    EXPECT_EQ(shown(0, 6), QStringLiteral("617")) << "amounts never show decimals";
}

// Changed: a fraction typed without decimals in use was taken and shown rounded, so that the
// line read 1,235 × 1 = 617; now it is refused, and a stored fraction shows.
TEST_P(InvoiceTabTest, WithoutDecimalsFractionsAreRefusedAndStoredOnesStillShow)
{
    DetailLine stored;
    stored.行番号 = 2;
    stored.品名 = QStringLiteral("以前の請求書");
    stored.数量 = 2.5;
    stored.単価 = 38.5;
    stored.金額 = 96;
    ModQLNV::小数 = QStringLiteral("使用しない");
    open();
    write(stored);
    tab->reloadLines();

    type(0, 3, QStringLiteral("1234"));
    type(0, 3, QStringLiteral("1234.5"));
    EXPECT_EQ(line(1).数量, 1234) << "refused: the stored value stays";
    EXPECT_EQ(current(), model()->index(0, 3));
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("小数を使用しない設定です。数量と単価は整数で入力してください。")});
    type(0, 5, QStringLiteral("０．５"));
    EXPECT_FALSE(line(1).単価);
    EXPECT_EQ(boxes.shown.size(), 2);
    type(0, 5, QStringLiteral("3"));
    EXPECT_EQ(shown(0, 3), QStringLiteral("1,234"));
    EXPECT_EQ(shown(0, 6), QStringLiteral("3,702"));

    EXPECT_EQ(shown(1, 3), QStringLiteral("2.50"));
    EXPECT_EQ(shown(1, 5), QStringLiteral("38.50"));
    EXPECT_EQ(shown(1, 6), QStringLiteral("96"));
}

TEST_P(InvoiceTabTest, TheDateBoxShowsAndTakesTheFormOfTheSetting)
{
    open(); // 和暦 by default
    auto *box = child<DateBox>("dt日付");
    box->setDate(QDate(2026, 12, 7));
    EXPECT_EQ(box->text(), QStringLiteral("令和08年12月07日"));
    box->showCalendar();
    EXPECT_TRUE(box->isCalendarVisible());
    EXPECT_EQ(box->calendarTitle(), QStringLiteral("令和08年12月"));
    box->calendar()->showNextMonth();
    EXPECT_EQ(box->calendarTitle(), QStringLiteral("令和09年01月"));
    emit box->calendar()->clicked(QDate(2027, 1, 15));
    EXPECT_FALSE(box->isCalendarVisible());
    EXPECT_EQ(box->date(), QDate(2027, 1, 15));

    for (const char *typed : {"R8/3/4", "2026/3/4", "令和8年3月4日", "２０２６年３月４日"}) {
        box->lineEdit()->setText(QString::fromUtf8(typed));
        emit box->lineEdit()->editingFinished();
        EXPECT_EQ(box->date(), QDate(2026, 3, 4)) << typed;
        EXPECT_EQ(box->text(), QStringLiteral("令和08年03月04日")) << typed;
    }
    for (const char *typed : {"明日", "2026/2/30", "", "1e300"}) {
        box->lineEdit()->setText(QString::fromUtf8(typed));
        emit box->lineEdit()->editingFinished();
        EXPECT_EQ(box->date(), QDate(2026, 3, 4)) << "refused: " << typed;
        EXPECT_EQ(box->text(), QStringLiteral("令和08年03月04日"));
    }

    tab.reset();
    ModQLNV::年号 = QStringLiteral("西暦");
    open();
    box = child<DateBox>("dt日付");
    box->setDate(QDate(2026, 12, 7));
    EXPECT_EQ(box->text(), QStringLiteral("2026年12月07日"));
    box->showCalendar();
    EXPECT_EQ(box->calendarTitle(), QStringLiteral("2026年12月"));
    box->hideCalendar();
    EXPECT_EQ(tab->header().日付, QDate(2026, 12, 7));
}

// A new invoice's due date comes from the settings' rule and follows the invoice date until the
// user types one; an opened invoice keeps its own, or none.
TEST_P(InvoiceTabTest, TheDueDateFollowsTheRuleUntilTheUserTypesOne)
{
    open(); // no rule by default
    auto *date = child<DateBox>("dt日付");
    auto *due = child<DateBox>("dt支払期限");
    EXPECT_FALSE(due->date().isValid()) << "empty by default";
    EXPECT_TRUE(due->text().isEmpty());

    ModQLNV::支払期限 = QStringLiteral("翌月末");
    tab->Clear請求書(true);
    date->setDate(QDate(2026, 1, 20));
    EXPECT_EQ(due->date(), QDate(2026, 2, 28));
    EXPECT_EQ(due->text(), QStringLiteral("令和08年02月28日"));
    date->setDate(QDate(2028, 1, 5));
    EXPECT_EQ(tab->header().支払期限, QDate(2028, 2, 29));

    // Typed by the user: it stays when the date changes; emptied, it stays empty.
    due->lineEdit()->setText(QStringLiteral("2028/3/10"));
    emit due->lineEdit()->editingFinished();
    date->setDate(QDate(2028, 1, 6));
    EXPECT_EQ(due->date(), QDate(2028, 3, 10));
    due->lineEdit()->setText(QString());
    emit due->lineEdit()->editingFinished();
    EXPECT_FALSE(due->date().isValid()) << "the box may be left empty";
    date->setDate(QDate(2028, 1, 7));
    EXPECT_FALSE(due->date().isValid());

    // A clear starts following again; an opened invoice without a due date keeps none.
    ModQLNV::支払期限 = QStringLiteral("日数指定");
    ModQLNV::支払期限日数 = 10;
    tab->Clear請求書(true);
    date->setDate(QDate(2026, 12, 25));
    EXPECT_EQ(due->date(), QDate(2027, 1, 4));
    InvoiceHeader stored;
    stored.日付 = QDate(2026, 5, 1);
    tab->showHeader(stored);
    EXPECT_FALSE(due->date().isValid());
    date->setDate(QDate(2026, 5, 2));
    EXPECT_FALSE(due->date().isValid()) << "a stored invoice's due date is its own";
}

TEST_P(InvoiceTabTest, ACustomerNameLooksUpItsDetails)
{
    addCustomer(QStringLiteral("O'Brien商会"), QStringLiteral("〒100-0001\n東京都千代田区"), QStringLiteral("おぶらいえん"),
                QStringLiteral("御中"));
    addCustomer(QStringLiteral("情報なし"), {}, QStringLiteral("じょうほう"), QStringLiteral("殿"));
    open();
    auto *name = child<QComboBox>("cmb顧客名");
    auto *info = child<QPlainTextEdit>("txt顧客情報");
    EXPECT_EQ(name->count(), 2);
    EXPECT_EQ(name->itemText(0), QStringLiteral("O'Brien商会")) << "reading order";

    name->setFocus();
    name->setEditText(QStringLiteral("O'Brien商会"));
    QTest::keyClick(name->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(grid()->hasFocus()) << "Enter goes on to the grid";
    EXPECT_EQ(current().column(), 1);
    EXPECT_EQ(info->toPlainText(), QStringLiteral("〒100-0001\n東京都千代田区"));
    EXPECT_EQ(child<QComboBox>("cmb敬称")->currentText(), QStringLiteral("御中"));

    // Without details in the master, or unknown: nothing changes.
    for (const QString &other : {QStringLiteral("情報なし"), QStringLiteral("知らない会社"), QStringLiteral("O'"),
                                 QString(200, QChar(u'漢'))}) {
        name->setFocus();
        name->setEditText(other);
        grid()->setFocus();
        EXPECT_EQ(info->toPlainText(), QStringLiteral("〒100-0001\n東京都千代田区")) << other.size();
        EXPECT_EQ(child<QComboBox>("cmb敬称")->currentText(), QStringLiteral("御中")) << other.size();
    }
    name->setFocus();
    name->setEditText(QString());
    grid()->setFocus();
    EXPECT_EQ(info->toPlainText(), QString()) << "an emptied name empties the details";
}

TEST_P(InvoiceTabTest, TheInvoiceNumberTakesDigitsOnly)
{
    open();
    auto *number = child<QLineEdit>("txtNo");
    type(0, 6, QStringLiteral("300"));
    QSignalSpy entered(tab.get(), &InvoiceTab::invoiceNumberEntered);

    number->setFocus();
    number->selectAll();
    number->insert(QStringLiteral("12a"));
    QTest::keyClick(number, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.at(0).title, QStringLiteral("入力注意"));
    EXPECT_EQ(boxes.shown.at(0).text, QStringLiteral("伝票番号には数字以外使用できません"));
    EXPECT_EQ(number->text(), QString());
    EXPECT_TRUE(number->hasFocus());
    EXPECT_EQ(line(1).金額, 300) << "the invoice on screen is untouched";
    EXPECT_TRUE(entered.isEmpty());

    number->insert(QStringLiteral("１２３"));
    QTest::keyClick(number, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(child<QComboBox>("cmb顧客名")->hasFocus()) << "Enter moves to the customer name";
    ASSERT_EQ(entered.size(), 1);
    EXPECT_EQ(entered.at(0).at(0).toLongLong(), 123);
    EXPECT_EQ(boxes.shown.size(), 1);
}

TEST_P(InvoiceTabTest, TheHeaderGoesOutAndComesBackAsItStands)
{
    open();
    InvoiceHeader h;
    h.日付 = QDate(2026, 1, 31);
    h.顧客名 = QStringLiteral("O'Brien");
    h.顧客情報 = QStringLiteral("一行\n二行");
    h.敬称 = QStringLiteral("殿");
    h.件名 = QStringLiteral("件名");
    h.メモ = QStringLiteral("メモ");
    h.税抜計 = 1000;
    h.消費税 = 50;
    h.合計 = 1050;
    h.請求金額 = 999;
    child<QLineEdit>("txtNo")->setText(QStringLiteral("31"));
    tab->showHeader(h);
    InvoiceHeader expected = h;
    expected.伝票番号 = 31;
    const InvoiceHeader back = tab->header();
    EXPECT_EQ(back.伝票番号, expected.伝票番号);
    EXPECT_EQ(back.日付, expected.日付);
    EXPECT_EQ(back.顧客名, expected.顧客名);
    EXPECT_EQ(back.顧客情報, expected.顧客情報);
    EXPECT_EQ(back.敬称, expected.敬称);
    EXPECT_EQ(back.件名, expected.件名);
    EXPECT_EQ(back.メモ, expected.メモ);
    EXPECT_EQ(back.請求金額, 999);
    EXPECT_EQ(child<AmountBox>("num請求金額")->text(), QStringLiteral("999"));
    EXPECT_EQ(child<AmountBox>("num合計")->text(), QStringLiteral("1,050"));

    // A loaded 請求金額 stays through a recalculation until a line amount is edited.
    write(amountLine(1, QStringLiteral("品"), 1000));
    tab->reloadLines();
    tab->Calc明細();
    EXPECT_EQ(amount("num合計"), 1050);
    EXPECT_EQ(amount("num請求金額"), 999);
    type(0, 6, QStringLiteral("2000"));
    EXPECT_EQ(amount("num請求金額"), 2100);
}

TEST_P(InvoiceTabTest, TheCompanyLabelsAndCloseButtonSignal)
{
    open();
    QSignalSpy name(tab.get(), &InvoiceTab::companyNameDoubleClicked);
    QSignalSpy close(tab.get(), &InvoiceTab::closeRequested);
    QTest::mouseDClick(tab->findChild<QLabel *>(QStringLiteral("lbl自社名")), Qt::LeftButton);
    click("cmd閉じる");
    EXPECT_EQ(name.size(), 1);
    EXPECT_EQ(close.size(), 1);
}

} // namespace
