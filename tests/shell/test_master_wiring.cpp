// The main window and the master windows: the buttons show one window each, a chosen customer
// or product goes into the invoice, and what the windows change reaches the invoice's lists.
#include "app/AmountBox.h"
#include "app/Database.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "masters/CodeTableWindow.h"
#include "masters/CustomerWindow.h"
#include "masters/MasterCopyModel.h"
#include "masters/MasterGrid.h"
#include "masters/ProductWindow.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsTab.h"
#include "shell/QLNV.h"

#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template<class T>
T *child(const QObject &w, const char *name)
{
    T *widget = w.findChild<T *>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class MasterWiring : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES "
                                                        "('阿部工業', '大阪府', 'あべ', '御中')")));
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな) "
                                                        "VALUES ('鉛筆', '12本', '本', 80, 0, 'えんぴつ')")));
        w.Form_Load(dir.programDir());
    }
    void click(const QObject &window, const char *name)
    {
        QTest::mouseClick(child<QPushButton>(window, name), Qt::LeftButton);
    }

    TestDataDir dir;
    RecordingPresenter boxes;
    QLNV w;
};

TEST_F(MasterWiring, EachButtonShowsOneWindowAndAgainTheSame)
{
    const struct {
        const char *button;
        const char *window;
    } cases[] = {{"cmd顧客マスタ", "Frm顧客情報"}, {"cmd商品", "Frm商品情報"}, {"cmdコード", "Frmコード"}};
    for (const auto &c : cases) {
        click(w, c.button);
        const auto found = [&] {
            QList<QWidget *> out;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QString::fromUtf8(c.window) && top->isVisible())
                    out << top;
            return out;
        };
        ASSERT_EQ(found().size(), 1) << c.window;
        EXPECT_NE(found().first()->parentWidget(), &w) << "a window of its own";
        click(w, c.button);
        EXPECT_EQ(found().size(), 1) << c.window;
        found().first()->close();
    }
}

TEST_F(MasterWiring, AChosenCustomerGoesIntoTheInvoice)
{
    CustomerWindow *customers = w.showCustomerWindow();
    auto *grid = child<MasterGrid>(*customers, "Grid顧客マスタ");
    grid->setCurrentCell(0, 0);
    click(*customers, "cmd選択");
    EXPECT_FALSE(customers->isVisible());
    EXPECT_EQ(child<QComboBox>(w, "cmb顧客名")->currentText(), QStringLiteral("阿部工業"));
    EXPECT_EQ(child<QPlainTextEdit>(w, "txt顧客情報")->toPlainText(), QStringLiteral("大阪府"));
}

TEST_F(MasterWiring, AChosenProductFillsTheCurrentLineAndTheTotals)
{
    DetailLine line;
    line.行番号 = 2;
    line.品名 = QStringLiteral("旧品");
    line.入数 = QStringLiteral("箱入");
    line.数量 = 3;
    ASSERT_TRUE(detail::writeLine(db::work(), line));
    w.invoiceTab()->reloadLines();
    w.invoiceTab()->grid()->setCurrentCell(1, 3);

    ProductWindow *products = w.showProductWindow();
    child<MasterGrid>(*products, "Grid商品マスタ")->setCurrentCell(0, 0);
    click(*products, "cmd選択");
    EXPECT_TRUE(products->isVisible()) << "the window stays for the next product";

    const auto stored = detail::readLine(db::work(), 2);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->品名, QStringLiteral("鉛筆"));
    EXPECT_EQ(stored->単価, 80.0);
    EXPECT_EQ(stored->金額, 240);
    EXPECT_EQ(stored->入数, QStringLiteral("箱入"));
    EXPECT_EQ(child<AmountBox>(w, "num合計")->value(), std::optional<qint64>(252));
    EXPECT_EQ(child<AmountBox>(w, "num請求金額")->value(), std::optional<qint64>(252));
    EXPECT_EQ(w.invoiceTab()->grid()->currentIndex().column(), 1);
}

TEST_F(MasterWiring, ChangedMastersReachTheInvoiceLists)
{
    CustomerWindow *customers = w.showCustomerWindow();
    auto *model = child<MasterGrid>(*customers, "Grid顧客マスタ")->masterModel();
    ASSERT_TRUE(model->setData(model->index(1, 0), QStringLiteral("新規商会")));
    click(*customers, "cmd登録");
    QCoreApplication::processEvents();
    EXPECT_GE(child<QComboBox>(w, "cmb顧客名")->findText(QStringLiteral("新規商会")), 0);
    EXPECT_GE(child<QComboBox>(w, "cmb履歴顧客名")->findText(QStringLiteral("新規商会")), 0);

    ProductWindow *products = w.showProductWindow();
    auto *productModel = child<MasterGrid>(*products, "Grid商品マスタ")->masterModel();
    ASSERT_TRUE(productModel->setData(productModel->index(1, 0), QStringLiteral("消しゴム")));
    click(*products, "cmd登録");
    QCoreApplication::processEvents();
    QSqlQuery q(db::work());
    ASSERT_TRUE(db::exec(q, QStringLiteral("SELECT count(*) FROM w商品参照 WHERE 品名 = '消しゴム'")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

// A master window kept open for its changes keeps the program open.
TEST_F(MasterWiring, ClosingTheProgramAsksForAMasterWindowsChanges)
{
    CustomerWindow *customers = w.showCustomerWindow();
    auto *model = child<MasterGrid>(*customers, "Grid顧客マスタ")->masterModel();
    ASSERT_TRUE(model->setData(model->index(0, 0), QStringLiteral("阿部商事")));
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        boxes.clear();
        boxes.answers << answer;
        w.close();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("登録されていない変更があります。閉じてもよろしいですか？")});
        EXPECT_EQ(customers->isVisible(), answer == QMessageBox::No);
        EXPECT_EQ(w.isVisible(), answer == QMessageBox::No);
    }
}

TEST_F(MasterWiring, NewSettingsReshapeTheOpenWindows)
{
    ProductWindow *products = w.showProductWindow();
    CodeTableWindow *codes = w.showCodeTableWindow();
    ModQLNV::入数列タイトル = QStringLiteral("規格");
    emit w.settingsTab()->settingsReloaded();
    auto *model = child<MasterGrid>(*products, "Grid商品マスタ")->masterModel();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("規　格"));
    auto *kinds = child<QComboBox>(*codes, "cmb区分");
    EXPECT_GE(kinds->findText(QStringLiteral("規格")), 0);
}

} // namespace
