// The tax rate on the real invoice tab: the "※" column at 10 %, switching the mark, the
// amounts per rate under the totals, and the 5 % default that shows what it always showed.
#include "InvoiceTabFixture.h"

#include "invoice/CellChecks.h"
#include "settings/ModQLNVSettings.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QLabel>

namespace {

using namespace invoicetest;

class TaxRateTab : public InvoiceTabTest
{
protected:
    void settingsRow(const char *rate)
    {
        run(db::data(), QStringLiteral("INSERT INTO 自社情報 (消費税率, 税区分, 税端数, 行端数) VALUES (?, '外税', '四捨五入', '四捨五入')"),
            {QString::fromUtf8(rate).toDouble()});
    }
    void products()
    {
        addProduct(QStringLiteral("牛乳"), {}, QStringLiteral("本"), 200, false, {}, true);
        addProduct(QStringLiteral("洗剤"), {}, QStringLiteral("個"), 500);
    }
    bool markShown() const { return !grid()->isColumnHidden(cells::Col軽減税率); }
    bool perRateShown() const { return child<QGroupBox>("grp税率別")->isVisible(); }
    QString mark(int row) const { return shown(row, cells::Col軽減税率); }
    void clickMark(int row) const
    {
        reactivate();
        const QRect cell = grid()->visualRect(model()->index(row, cells::Col軽減税率));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
    }
    // 税抜計, 消費税, 合計 and the four amounts per rate, as shown.
    QList<std::optional<qint64>> amounts() const
    {
        return {amount("num税抜計"),       amount("num消費税"),      amount("num合計"),
                amount("num標準税率対象"), amount("num標準税率消費税"), amount("num軽減税率対象"),
                amount("num軽減税率消費税")};
    }
};

QUILLON_ON_BOTH_ENGINES(TaxRateTab);

using Opt = std::optional<qint64>;
constexpr Opt None = std::nullopt;

TEST_P(TaxRateTab, AtTenPercentMarkedLinesAreTaxedAtEightAndShownApart)
{
    settingsRow("0.1");
    products();
    open();
    EXPECT_TRUE(markShown());
    EXPECT_FALSE(perRateShown());

    type(0, 1, QStringLiteral("牛乳"));
    type(0, 3, QStringLiteral("3"));
    type(1, 1, QStringLiteral("洗剤"));
    type(1, 3, QStringLiteral("2"));
    EXPECT_EQ(mark(0), QStringLiteral("※")) << "the product's mark comes with its name";
    EXPECT_EQ(mark(1), QString());
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 148, 1748, 1000, 100, 600, 48}));
    EXPECT_TRUE(perRateShown());
    EXPECT_LE(tab->minimumSizeHint().width(), tab->width()) << "showing the amounts per rate leaves the window's width";
    EXPECT_EQ(child<QLabel>("lbl標準税率対象")->text(), QStringLiteral("10%対象"));
    EXPECT_EQ(child<QLabel>("lbl軽減税率対象")->text(), QStringLiteral("8%対象"));
    EXPECT_EQ(child<QLabel>("lbl消費税")->text(), QStringLiteral("消費税 10%")) << "the rate in use beside the tax";

    // A click marks the second line, the space bar unmarks the first.
    clickMark(1);
    EXPECT_EQ(mark(1), QStringLiteral("※"));
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 128, 1728, 0, 0, 1600, 128}));
    grid()->setFocus();
    grid()->setCurrentCell(0, cells::Col軽減税率);
    QTest::keyClick(grid(), Qt::Key_Space);
    EXPECT_EQ(mark(0), QString());
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 140, 1740, 600, 60, 1000, 80}));
    EXPECT_EQ(amount("num請求金額"), 1740);

    // Unmarking the last marked line leaves one rate: the amounts per rate go away again.
    clickMark(1);
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 160, 1760, 1600, 160, None, None}));
    EXPECT_FALSE(perRateShown());

    // A subtotal row takes no mark.
    grid()->setCurrentCell(2, cells::Col品名);
    click("cmd小計");
    boxes.clear();
    clickMark(2);
    EXPECT_EQ(mark(2), QString());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("小計行は変更できません。行削除してください。")});

    const InvoiceHeader h = tab->header();
    EXPECT_EQ(h.消費税率, 10);
    EXPECT_EQ(h.標準税率対象, 1600);
    EXPECT_EQ(h.軽減税率対象, None);
}

TEST_P(TaxRateTab, AtTheDefaultRateTheTabShowsWhatItAlwaysShowed)
{
    products();
    open();
    const int width = grid()->width();
    EXPECT_FALSE(markShown());
    type(0, 1, QStringLiteral("牛乳"));
    type(0, 3, QStringLiteral("3"));
    type(1, 1, QStringLiteral("洗剤"));
    type(1, 3, QStringLiteral("2"));
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 80, 1680, None, None, None, None}));
    EXPECT_FALSE(perRateShown());
    EXPECT_TRUE(line(1).軽減税率) << "the mark is carried, only not used at one rate";
    EXPECT_EQ(tab->header().消費税率, 5);
    EXPECT_EQ(child<QLabel>("lbl消費税")->text(), QStringLiteral("消費税 5%"));

    // Saving 10 % in the settings: the invoice being typed takes it at once.
    ModQLNV::消費税率 = QStringLiteral("10%");
    tab->settingsChanged();
    EXPECT_TRUE(markShown());
    EXPECT_EQ(child<QLabel>("lbl消費税")->text(), QStringLiteral("消費税 10%"));
    EXPECT_GT(grid()->width(), width) << "the grid makes room for the column";
    QApplication::processEvents();
    EXPECT_EQ(grid()->horizontalScrollBar()->maximum(), 0)
        << "every column fits: " << grid()->horizontalHeader()->length() << " in " << grid()->viewport()->width();
    EXPECT_EQ(amounts(), (QList<Opt>{1600, 148, 1748, 1000, 100, 600, 48}));
    EXPECT_TRUE(perRateShown());
    tab->Clear請求書(true);
    EXPECT_TRUE(markShown());
    EXPECT_FALSE(perRateShown());
}

} // namespace
