// The product window offscreen: its list order and headings from the settings, the price
// typed by the invoice's number rules, and the hand-over of a product.
#include "MasterWindowFixture.h"

#include "data/Provision.h"
#include "masters/ProductWindow.h"

#include <QHeaderView>
#include <QSignalSpy>

#include <functional>

using namespace masterstest;

namespace {

enum { Col品名 = 0, Col入数 = 1, Col単位 = 2, Col単価 = 3, Col非課税 = 4, Colふりがな = 5, Colチェック = 6, Col軽減税率 = 7 };

class ProductWindowTest : public MasterWindowTest<ProductWindow>
{
protected:
    void SetUp() override
    {
        MasterWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        addProduct(QStringLiteral("鉛筆"), QStringLiteral("えんぴつ"), 80, QStringLiteral("本"), 0, QStringLiteral("12本"));
        addProduct(QStringLiteral("印紙"), QStringLiteral("いんし"), 200, QStringLiteral("枚"), 1);
        addProduct(QStringLiteral("作業"), QStringLiteral("さぎょう"), QVariant(QMetaType::fromType<double>()), QString());
    }
    void open() { MasterWindowTest::open("Grid商品マスタ"); }
    QStringList names() const
    {
        QStringList out;
        for (int row = 0; row < model()->storedRowCount(); ++row)
            out << shown(row, Col品名);
        return out;
    }
};

QUILLON_ON_BOTH_ENGINES(ProductWindowTest);

TEST_P(ProductWindowTest, TheSettingsShapeOrderHeadingAndPriceForm)
{
    const struct {
        QString order, decimals, title;
        QStringList names;
        QString heading, price;
    } cases[] = {
        {QStringLiteral("品名順"), QStringLiteral("使用しない"), QStringLiteral("入数"),
         {QStringLiteral("作業"), QStringLiteral("印紙"), QStringLiteral("鉛筆")}, QStringLiteral("入　数"), QStringLiteral("80")},
        {QStringLiteral("ふりがな順"), QStringLiteral("使用する"), QStringLiteral("規格"),
         {QStringLiteral("印紙"), QStringLiteral("鉛筆"), QStringLiteral("作業")},
         QStringLiteral("規　格"), QStringLiteral("80.00")},
        {QStringLiteral("ふりがな順"), QStringLiteral("使用しない"), QString(),
         {QStringLiteral("印紙"), QStringLiteral("鉛筆"), QStringLiteral("作業")}, QString(), QStringLiteral("80")},
        {QStringLiteral("ふりがな順"), QStringLiteral("使用しない"), QStringLiteral("サイズ"),
         {QStringLiteral("印紙"), QStringLiteral("鉛筆"), QStringLiteral("作業")}, QStringLiteral("サイズ"), QStringLiteral("80")},
    };
    for (const auto &c : cases) {
        ModQLNV::商品表示順 = c.order;
        ModQLNV::小数 = c.decimals;
        ModQLNV::入数列タイトル = c.title;
        window = std::make_unique<ProductWindow>();
        window->Form_Load();
        window->show();
        MasterGrid *g = window->findChild<MasterGrid *>(QStringLiteral("Grid商品マスタ"));
        ASSERT_NE(g, nullptr);
        MasterCopyModel *m = g->masterModel();
        QStringList shownNames;
        int pencil = -1;
        for (int row = 0; row < m->storedRowCount(); ++row) {
            shownNames << m->index(row, Col品名).data().toString();
            if (shownNames.last() == QStringLiteral("鉛筆"))
                pencil = row;
        }
        EXPECT_EQ(shownNames, c.names) << c.order.toStdString();
        EXPECT_EQ(m->headerData(Col入数, Qt::Horizontal).toString(), c.heading) << c.title.toStdString();
        EXPECT_EQ(m->index(pencil, Col単価).data().toString(), c.price) << c.decimals.toStdString();
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("商品情報"));
}

TEST_P(ProductWindowTest, APriceIsTypedByTheInvoicesNumberRules)
{
    open();
    const struct {
        QString typed;
        QString stored; // "<Null>" for an emptied price, "" when refused (the old price stays)
        QString message;
    } cases[] = {
        {QStringLiteral("１，２００"), QStringLiteral("1200.0"), QString()},
        {QStringLiteral("-5"), QStringLiteral("-5.0"), QString()},
        {QStringLiteral("12.5"), QStringLiteral("12.5"), QString()},
        {QString(), QStringLiteral("<Null>"), QString()},
        {QStringLiteral("12a"), QString(), QStringLiteral("単価には数字以外使用できません")},
        {QStringLiteral("1e3"), QString(), QStringLiteral("単価には数字以外使用できません")},
        {QStringLiteral("100000000"), QString(), QStringLiteral("単価は -99,999,999.99 から 99,999,999.99 までで入力してください。")},
    };
    const QString before = ModQLNV::小数;
    ModQLNV::小数 = QStringLiteral("使用する");
    const int pencil = names().indexOf(QStringLiteral("鉛筆"));
    for (const auto &c : cases) {
        run(db::work(), QStringLiteral("UPDATE w商品マスタ SET 単価 = 80 WHERE 品名 = '鉛筆'"));
        grid()->reselect();
        boxes.clear();
        type(pencil, Col単価, c.typed);
        QTest::qWait(0); // a refusal is told once the editor has closed
        QCoreApplication::processEvents();
        ASSERT_TRUE(grid()->post());
        const QStringList stored = column(db::work(), QStringLiteral("SELECT printf('%.1f', 単価) FROM w商品マスタ WHERE 品名 = '鉛筆' AND 単価 IS NOT NULL UNION ALL SELECT '<Null>' FROM w商品マスタ WHERE 品名 = '鉛筆' AND 単価 IS NULL"));
        EXPECT_EQ(stored, QStringList{c.stored.isEmpty() ? QStringLiteral("80.0") : c.stored}) << c.typed.toStdString();
        EXPECT_EQ(boxes.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message}) << c.typed.toStdString();
    }

    // Without decimals in use a price is a whole number, as on the invoice.
    ModQLNV::小数 = QStringLiteral("使用しない");
    boxes.clear();
    type(pencil, Col単価, QStringLiteral("12.5"));
    QTest::qWait(0);
    QCoreApplication::processEvents();
    ASSERT_TRUE(grid()->post());
    EXPECT_EQ(sqltest::scalar(db::work(), QStringLiteral("SELECT 単価 FROM w商品マスタ WHERE 品名 = '鉛筆'")).toDouble(), 80.0);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("小数を使用しない設定です。単価は整数で入力してください。")});
    ModQLNV::小数 = before;
}

TEST_P(ProductWindowTest, ChoosingHandsTheProductOverWithoutThePackSizeAndStaysOpen)
{
    open();
    QSignalSpy chosen(window.get(), &ProductWindow::productChosen);
    grid()->setCurrentCell(names().indexOf(QStringLiteral("印紙")), Colふりがな);
    click("cmd選択");
    ASSERT_EQ(chosen.size(), 1);
    const auto p = chosen.at(0).at(0).value<masters::ChosenProduct>();
    EXPECT_EQ(p.品名, QStringLiteral("印紙"));
    EXPECT_EQ(p.単位, QStringLiteral("枚"));
    EXPECT_EQ(p.単価, 200.0);
    EXPECT_EQ(p.ふりがな, QStringLiteral("いんし"));
    EXPECT_TRUE(p.非課税);
    EXPECT_TRUE(window->isVisible());

    grid()->setCurrentCell(names().indexOf(QStringLiteral("作業")), Col品名);
    click("cmd選択");
    ASSERT_EQ(chosen.size(), 2);
    const auto work = chosen.at(1).at(0).value<masters::ChosenProduct>();
    EXPECT_FALSE(work.単価.has_value());
    EXPECT_TRUE(work.単位.isEmpty());
}

TEST_P(ProductWindowTest, ClosingOverChangesNotRegisteredAsksFirstAndChoosingNever)
{
    // Another office's data file, with a product of its own.
    const QString other = dir().programDir() + QStringLiteral("/other");
    ASSERT_TRUE(schema::provisionDataDir(other).ok());
    const QString otherFile = other + QStringLiteral("/QLNVData.mdb");
    run(db::openFile(otherFile), QStringLiteral("INSERT INTO 商品マスタ (品名, 単価) VALUES ('他所の品', 10)"));
    db::closeFile(otherFile);
    ModQLNV::商品リンクアプリ = QStringLiteral("QLNV請求書");
    ModQLNV::商品リンクパス = otherFile;
    using Change = std::function<void()>;
    const Change imported = [this] { click("cmd商品参照"); };
    const CloseCase cases[] = {
        {"a tax flag ticked", [this] { tick(names().indexOf(QStringLiteral("鉛筆")), Col非課税); }, "cmd閉じる",
         QMessageBox::No},
        {"a list imported", imported, nullptr, QMessageBox::No},
        {"a list imported", imported, "cmd閉じる", QMessageBox::Yes},
        {"an import registered",
         [this, imported] {
             imported();
             boxes.answers << QMessageBox::Yes;
             click("cmd登録");
         },
         "cmd閉じる", QMessageBox::NoButton},
        {"a price typed, then chosen", [this] { type(0, Col単価, QStringLiteral("90")); }, "cmd選択",
         QMessageBox::NoButton},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.what) + " / " + (c.button ? c.button : "close box"));
        open();
        c.change();
        boxes.clear();
        if (c.answer != QMessageBox::NoButton)
            boxes.answers << c.answer;
        const QString before = gridState();
        // 選択 leaves the window open: nothing to ask then.
        const bool choosing = c.button && c.button == std::string_view("cmd選択");
        const bool closes = c.answer == QMessageBox::Yes || (c.answer == QMessageBox::NoButton && !choosing);

        EXPECT_EQ(closeBy(c.button), closes);
        EXPECT_EQ(boxes.texts(), c.answer == QMessageBox::NoButton ? QStringList() : QStringList{kCloseQuestion});
        if (!closes) {
            EXPECT_EQ(gridState(), before);
        }
        window.reset();
    }
}

TEST_P(ProductWindowTest, TickedProductsAndTheTaxFlagsGoThroughTheCopy)
{
    open();
    QHeaderView *header = grid()->horizontalHeader();
    EXPECT_EQ(model()->headerData(Col軽減税率, Qt::Horizontal).toString(), QStringLiteral("軽減税率"));
    EXPECT_EQ(header->visualIndex(Col軽減税率), header->visualIndex(Col非課税) + 1) << "beside the other tax flag";
    const int stamp = names().indexOf(QStringLiteral("印紙"));
    const int pencil = names().indexOf(QStringLiteral("鉛筆"));
    tick(pencil, Col非課税);
    tick(pencil, Col軽減税率);
    tick(stamp, Colチェック);
    boxes.answers << QMessageBox::Yes;
    click("cmd削除");
    EXPECT_EQ(productNames(), (QStringList{QStringLiteral("作業"), QStringLiteral("鉛筆")}));
    click("cmd登録");
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT CAST(非課税 AS TEXT) || CAST(軽減税率 AS TEXT) || coalesce(入数, '-') FROM 商品マスタ WHERE 品名 = '鉛筆'")),
              QStringList{QStringLiteral("1112本")});

    QSignalSpy chosen(window.get(), &ProductWindow::productChosen);
    grid()->setCurrentCell(names().indexOf(QStringLiteral("鉛筆")), Col品名);
    click("cmd選択");
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_TRUE(chosen.at(0).at(0).value<masters::ChosenProduct>().軽減税率);
}

TEST_P(ProductWindowTest, ALinkImportNeedsItsSettingsAndItsFile)
{
    open();
    const struct {
        QString app, path, message;
    } cases[] = {
        {QString(), QString(), QStringLiteral("リンクアプリが指定されてません")},
        {QStringLiteral("QLNV請求書"), QString(), QStringLiteral("リンクパスが指定されてません")},
        {QStringLiteral("QLNV請求書"), dir().dataDir() + QStringLiteral("/ない.mdb"), QStringLiteral("商品リンク参照がありません。確認してください。")},
    };
    for (const auto &c : cases) {
        ModQLNV::商品リンクアプリ = c.app;
        ModQLNV::商品リンクパス = c.path;
        boxes.clear();
        click("cmd商品参照");
        EXPECT_EQ(boxes.texts(), QStringList{c.message});
        EXPECT_EQ(names().size(), 3);
    }
}

} // namespace

namespace {

TEST_P(ProductWindowTest, JapaneseInputIsOnInTextColumnsOnly)
{
    open();
    const struct {
        int column;
        bool japanese;
    } cases[] = {{Col品名, true}, {Col入数, true}, {Col単位, true}, {Colふりがな, true},
                 {Col単価, false}, {Col非課税, false}, {Colチェック, false}};
    for (const auto &c : cases) {
        grid()->setCurrentCell(0, c.column);
        EXPECT_EQ(grid()->testAttribute(Qt::WA_InputMethodEnabled), c.japanese) << c.column;
        if (c.column == Col単価 || c.column == Col品名) {
            grid()->edit(model()->index(0, c.column));
            QWidget *editor = QApplication::focusWidget();
            ASSERT_NE(editor, grid());
            EXPECT_EQ(editor->testAttribute(Qt::WA_InputMethodEnabled), c.japanese) << "editor of " << c.column;
            QTest::keyClick(editor, Qt::Key_Escape);
        }
    }
}

} // namespace
