// The customer window offscreen: the edit copy in the grid, registering, ticked deletes, the
// details panel, the hand-over of a customer and the import of a linked file; results read
// back from the files.
#include "MasterWindowFixture.h"

#include "masters/CustomerWindow.h"
#include "masters/LinkImport.h"
#include "masters/ProductWindow.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTimer>

#include <functional>

using namespace masterstest;

namespace {

enum { Col顧客名 = 0, Col顧客情報 = 1, Colふりがな = 2, Col敬称 = 3, Colチェック = 4, Col登録番号 = 5, Col電子アドレス = 6 };

class CustomerWindowTest : public MasterWindowTest<CustomerWindow>
{
protected:
    void SetUp() override
    {
        MasterWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        addCustomer(QStringLiteral("山田商店"), QStringLiteral("やまだ"), QStringLiteral("東京都"));
        addCustomer(QStringLiteral("阿部工業"), QStringLiteral("あべ"), QStringLiteral("大阪府"), QStringLiteral("御中"));
        addCustomer(QStringLiteral("O'Brien"), QStringLiteral("おぶらいえん"), QStringLiteral("〒100-0001\n東京都"));
    }
    void open() { MasterWindowTest::open("Grid顧客マスタ"); }
    QStringList copyNames() const
    {
        QStringList names;
        for (int row = 0; row < model()->rowCount(); ++row)
            names << shown(row, Col顧客名);
        return names;
    }
};

QUILLON_ON_BOTH_ENGINES(CustomerWindowTest);

TEST_P(CustomerWindowTest, OpensOnTheMasterInReadingOrderWithABlankRowLast)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("顧客情報"));
    EXPECT_EQ(copyNames(), (QStringList{QStringLiteral("阿部工業"), QStringLiteral("O'Brien"), QStringLiteral("山田商店"),
                                        QString()}));
    EXPECT_EQ(grid()->horizontalHeader()->logicalIndex(0), Colチェック);
    EXPECT_EQ(model()->headerData(Col顧客情報, Qt::Horizontal).toString(), QStringLiteral("顧客情報"));
    EXPECT_EQ(model()->index(0, Colチェック).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(child<QWidget>("CnKokyakuMsg")->isVisible());
    EXPECT_FALSE(child<QGroupBox>("Cn顧客詳細")->isVisible());
    auto *honorific = child<QComboBox>("cmb敬称");
    ASSERT_EQ(honorific->count(), 3);
    EXPECT_EQ(honorific->itemText(1), QStringLiteral("御中"));
}

TEST_P(CustomerWindowTest, GridEditsReachTheMasterOnlyThroughRegistering)
{
    open();
    type(3, Col顧客名, QStringLiteral("新規商会"));
    type(0, Col顧客情報, QStringLiteral("京都府"));
    EXPECT_EQ(model()->rowCount(), 5) << "a new blank row follows the new entry";
    EXPECT_EQ(customerNames().size(), 3);

    boxes.answers << QMessageBox::No;
    click("cmd登録");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("顧客情報 を登録します。よろしいですか")});
    EXPECT_EQ(customerNames().size(), 3);

    click("cmd登録");
    EXPECT_EQ(customerNames().size(), 4);
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客情報 FROM 顧客マスタ WHERE 顧客名 = '阿部工業'")),
              QStringList{QStringLiteral("京都府")});

    // Edits left unregistered are gone when the window opens again.
    type(0, Col顧客名, QStringLiteral("書き換え"));
    boxes.answers << QMessageBox::Yes;
    click("cmd閉じる");
    EXPECT_FALSE(window->isVisible());
    open();
    EXPECT_FALSE(copyNames().contains(QStringLiteral("書き換え")));
    EXPECT_EQ(copyNames().size(), 5);

    // An emptied list registered empties the master.
    click("cmdクリア");
    EXPECT_EQ(model()->rowCount(), 1);
    click("cmd登録");
    EXPECT_TRUE(customerNames().isEmpty());
}

TEST_P(CustomerWindowTest, ANameTypedTwiceIsNotRegisteredAndStaysOnScreen)
{
    open();
    type(3, Col顧客名, QStringLiteral("山田商店"));
    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown.at(1).text.contains(QStringLiteral("山田商店"))) << boxes.shown.at(1).text.toStdString();
    EXPECT_EQ(customerNames().size(), 3);
    EXPECT_EQ(shown(3, Col顧客名), QStringLiteral("山田商店"));
}

TEST_P(CustomerWindowTest, TickedCustomersAreDeletedAfterTheQuestion)
{
    open();
    click("cmd削除"); // nothing ticked: the question, then nothing
    EXPECT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(customerNames().size(), 3);

    tick(1, Colチェック); // O'Brien
    tick(2, Colチェック);
    boxes.answers << QMessageBox::No;
    click("cmd削除");
    EXPECT_EQ(customerNames().size(), 3);

    boxes.answers << QMessageBox::Yes;
    click("cmd削除");
    EXPECT_EQ(customerNames(), QStringList{QStringLiteral("阿部工業")});
    EXPECT_EQ(copyNames(), (QStringList{QStringLiteral("阿部工業"), QString()}));
}

TEST_P(CustomerWindowTest, TheDetailsPanelOverwritesOrAddsAndDropsGridEdits)
{
    open();
    type(0, Col顧客情報, QStringLiteral("未登録の編集"));
    grid()->setCurrentCell(2, Col顧客名);
    click("cmd詳細");
    EXPECT_TRUE(child<QGroupBox>("Cn顧客詳細")->isVisible());
    for (const char *name : {"cmd_ENT", "cmd登録", "cmdクリア", "cmd削除", "cmd詳細", "cmd顧客参照", "cmd選択"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(child<QPushButton>("cmd閉じる")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("txt顧客名")->text(), QStringLiteral("山田商店"));
    EXPECT_EQ(child<QPlainTextEdit>("txt顧客情報")->toPlainText(), QStringLiteral("東京都"));

    child<QPlainTextEdit>("txt顧客情報")->setPlainText(QStringLiteral("〒100-0001\n東京都千代田区"));
    child<QComboBox>("cmb敬称")->setCurrentIndex(2);
    click("cmd商品詳細登録");
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客情報 || 敬称 FROM 顧客マスタ WHERE 顧客名 = '山田商店'")),
              QStringList{QStringLiteral("〒100-0001\n東京都千代田区殿")});
    EXPECT_FALSE(child<QGroupBox>("Cn顧客詳細")->isVisible());
    EXPECT_TRUE(child<QPushButton>("cmd登録")->isEnabled());
    EXPECT_EQ(shown(0, Col顧客情報), QStringLiteral("大阪府")) << "unregistered grid edits are dropped";
    EXPECT_EQ(grid()->currentIndex().column(), Col顧客名);

    // A changed name adds a customer and leaves the old one.
    click("cmd詳細");
    child<QLineEdit>("txt顧客名")->setText(QStringLiteral("山田商店 支店"));
    click("cmd商品詳細登録");
    EXPECT_EQ(customerNames().size(), 4);

    // クリア empties the fields; a nameless customer is refused.
    click("cmd詳細");
    click("cmd商品詳細クリア");
    EXPECT_TRUE(child<QLineEdit>("txt顧客名")->text().isEmpty());
    boxes.clear();
    click("cmd商品詳細登録");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("顧客名が指定されていません。確認してください")});
    EXPECT_EQ(customerNames().size(), 4);
    click("cmd顧客詳細ESC");
    EXPECT_FALSE(child<QGroupBox>("Cn顧客詳細")->isVisible());
}

// The buyer's registration number and electronic address, for electronic invoices, show and
// are checked only once the settings make invoices qualified; hidden, they keep what is stored.
TEST_P(CustomerWindowTest, TheBuyersNumbersForElectronicInvoicesShowOnlyForQualifiedInvoices)
{
    run(db::data(), QStringLiteral("UPDATE 顧客マスタ SET 登録番号 = 'T12', 電子アドレス = '0188:1' WHERE 顧客名 = '山田商店'"));
    open();
    EXPECT_TRUE(grid()->isColumnHidden(Col登録番号));
    EXPECT_TRUE(grid()->isColumnHidden(Col電子アドレス));
    grid()->setCurrentCell(2, Col顧客名);
    click("cmd詳細");
    EXPECT_FALSE(child<QLineEdit>("txt電子アドレス")->isVisible());
    child<QPlainTextEdit>("txt顧客情報")->setPlainText(QStringLiteral("東京都港区"));
    click("cmd商品詳細登録");
    const QStringList asked{QStringLiteral("山田商店 を登録します。よろしいですか")};
    EXPECT_EQ(boxes.texts(), asked) << "no word of the hidden fields";
    EXPECT_EQ(column(db::data(), QStringLiteral("SELECT 顧客情報 || 登録番号 || 電子アドレス FROM 顧客マスタ WHERE 顧客名 = '山田商店'")),
              QStringList{QStringLiteral("東京都港区T120188:1")}) << "what is hidden is kept";

    ModQLNV::登録番号 = QStringLiteral("T1234567890123");
    window->applyQualified();
    EXPECT_FALSE(grid()->isColumnHidden(Col登録番号));
    EXPECT_FALSE(grid()->isColumnHidden(Col電子アドレス));
    click("cmd詳細");
    EXPECT_TRUE(child<QLineEdit>("txt電子アドレス")->isVisible());
    struct Case {
        const char *number, *address;
        const char *message; // empty: stored after the usual question
        const char *stored;
    };
    const Case cases[] = {
        {"T12", "0188:3210987654321", "登録番号は「T」に続けて13桁", "T120188:1"},
        {"Ｔ３２１０９８７６５４３２１", "0188:12", "電子アドレスは「0188:」に続けて", "T120188:1"},
        {"Ｔ３２１０９８７６５４３２１", "０１８８：３２１０９８７６５４３２１", "", "T32109876543210188:3210987654321"},
        {"", "9999:yamada-shop", "", "9999:yamada-shop"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address);
        boxes.clear();
        if (!child<QGroupBox>("Cn顧客詳細")->isVisible())
            click("cmd詳細");
        child<QLineEdit>("txt登録番号")->setText(QString::fromUtf8(c.number));
        child<QLineEdit>("txt電子アドレス")->setText(QString::fromUtf8(c.address));
        click("cmd商品詳細登録");
        if (*c.message) {
            ASSERT_EQ(boxes.texts().size(), 1);
            EXPECT_TRUE(boxes.texts()[0].startsWith(QString::fromUtf8(c.message))) << boxes.texts()[0].toStdString();
        } else {
            EXPECT_EQ(boxes.texts(), asked);
        }
        EXPECT_EQ(column(db::data(), QStringLiteral("SELECT coalesce(登録番号, '') || 電子アドレス FROM 顧客マスタ WHERE 顧客名 = '山田商店'")),
                  QStringList{QString::fromUtf8(c.stored)});
    }
    EXPECT_EQ(shown(2, Col電子アドレス), QStringLiteral("9999:yamada-shop"));
}

TEST_P(CustomerWindowTest, ARegistrationThatFailsSaysSoAndKeepsTheEdits)
{
    open();
    refuseRows(QStringLiteral("顧客マスタ"));
    type(3, Col顧客名, QStringLiteral("新規商会"));
    click("cmd登録");
    EXPECT_EQ(boxes.texts().value(1), QStringLiteral("顧客情報を登録できませんでした。登録済みの顧客は変更されていません。"));
    EXPECT_EQ(customerNames().size(), 3);
    EXPECT_EQ(shown(3, Col顧客名), QStringLiteral("新規商会"));

    // The details panel: the same, and the panel stays open with what was typed.
    boxes.clear();
    grid()->setCurrentCell(3, Col顧客名);
    click("cmd詳細");
    click("cmd商品詳細登録");
    EXPECT_EQ(boxes.texts().value(1), QStringLiteral("新規商会 を登録できませんでした。"));
    EXPECT_TRUE(child<QGroupBox>("Cn顧客詳細")->isVisible());
    EXPECT_EQ(child<QLineEdit>("txt顧客名")->text(), QStringLiteral("新規商会"));
    EXPECT_EQ(customerNames().size(), 3);
}

TEST_P(CustomerWindowTest, ChoosingHandsTheCustomerOverAndCloses)
{
    open();
    QSignalSpy chosen(window.get(), &CustomerWindow::customerChosen);
    grid()->setCurrentCell(1, Col敬称);
    click("cmd選択");
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("O'Brien"));
    EXPECT_EQ(chosen.at(0).at(1).toString(), QStringLiteral("〒100-0001\n東京都"));
    EXPECT_FALSE(window->isVisible());

    open();
    grid()->setCurrentCell(3, Col顧客名); // the blank row
    click("cmd選択");
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_TRUE(chosen.at(1).at(0).toString().isEmpty());
}

TEST_P(CustomerWindowTest, ClosingOverChangesNotRegisteredAsksFirst)
{
    using Change = std::function<void()>;
    const Change edited = [this] { type(0, Col顧客情報, QStringLiteral("滋賀県")); };
    const Change added = [this] { type(3, Col顧客名, QStringLiteral("新規商会")); };
    // Each its own text: the master keeps what an earlier case registered.
    const auto yesTo = [this](const char *button, const QString &text) {
        return [this, button, text] {
            type(0, Col顧客情報, text);
            tick(1, Colチェック);
            boxes.answers << QMessageBox::Yes;
            click(button);
        };
    };
    const CloseCase cases[] = {
        {"nothing changed", [] {}, "cmd閉じる", QMessageBox::NoButton},
        {"a row ticked", [this] { tick(0, Colチェック); }, nullptr, QMessageBox::NoButton},
        {"a cell edited", edited, "cmd閉じる", QMessageBox::No},
        {"a cell edited", edited, nullptr, QMessageBox::Yes},
        {"a row added", added, "cmd選択", QMessageBox::No},
        {"a row added", added, "cmd選択", QMessageBox::Yes},
        {"a cell being typed", [this] { type(0, Col顧客名, QStringLiteral("阿部"), false); }, nullptr,
         QMessageBox::No},
        {"the list emptied", [this] { click("cmdクリア"); }, "cmd閉じる", QMessageBox::No},
        {"edits registered", yesTo("cmd登録", QStringLiteral("京都府")), "cmd選択", QMessageBox::NoButton},
        {"edits read over", yesTo("cmd_ENT", QStringLiteral("兵庫県")), nullptr, QMessageBox::NoButton},
        {"the ticked row deleted", yesTo("cmd削除", QStringLiteral("奈良県")), "cmd閉じる", QMessageBox::Yes},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.what) + " / " + (c.button ? c.button : "close box"));
        open();
        QSignalSpy chosen(window.get(), &CustomerWindow::customerChosen);
        c.change();
        boxes.clear();
        if (c.answer != QMessageBox::NoButton)
            boxes.answers << c.answer;
        const QString before = gridState();
        const bool closes = c.answer != QMessageBox::No;

        EXPECT_EQ(closeBy(c.button), closes);
        EXPECT_EQ(boxes.texts(), c.answer == QMessageBox::NoButton ? QStringList() : QStringList{kCloseQuestion});
        if (!boxes.shown.isEmpty()) {
            EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
        }
        EXPECT_EQ(chosen.size(), closes && c.button && c.button == std::string_view("cmd選択") ? 1 : 0);
        if (!closes) {
            EXPECT_EQ(gridState(), before) << "kept as it was";
        }
        window.reset();
    }
}

TEST_P(CustomerWindowTest, ADoubleClickHandsARowOverButOnTheBlankRowStartsTheNewEntry)
{
    const struct {
        int row, column;
        bool handedOver;
    } cases[] = {{1, Colふりがな, true}, {3, Col顧客名, false}, {3, Colふりがな, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        open();
        QSignalSpy chosen(window.get(), &CustomerWindow::customerChosen);
        doubleClick(c.row, c.column);
        EXPECT_EQ(chosen.size(), c.handedOver ? 1 : 0);
        EXPECT_EQ(window->isVisible(), !c.handedOver);
        EXPECT_EQ(grid()->isEditing(), !c.handedOver);
        EXPECT_EQ(grid()->currentIndex(), model()->index(c.row, c.column));
        window.reset();
    }
}

TEST_P(CustomerWindowTest, EnterAtTheEndOfARowGoesToTheNextNameButNotPastTheLastRow)
{
    open();
    type(1, Col敬称, QStringLiteral("殿"));
    EXPECT_EQ(grid()->currentIndex(), model()->index(2, Col顧客名));
    type(2, Col敬称, QStringLiteral("様"));
    EXPECT_EQ(grid()->currentIndex(), model()->index(2, Col顧客名));
    type(2, Colふりがな, QStringLiteral("やまだ"));
    EXPECT_EQ(grid()->currentIndex(), model()->index(2, Col敬称));
}

TEST_P(CustomerWindowTest, ALinkedFileIsImportedForReviewAndRegisteredOnlyByTheUser)
{
    const QString file = dir().dataDir() + QStringLiteral("/orbdata.mdb");
    {
        QSqlDatabase linked = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("linked"));
        linked.setDatabaseName(file);
        ASSERT_TRUE(linked.open());
        QSqlQuery q(linked);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE 顧客マスタ (名称, 郵便番号, 住所1, 住所2, tel, fax, ふりがな, 敬称)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO 顧客マスタ VALUES ('新顧客', '1000001', '東京都', NULL, '03', NULL, 'しん', '様'), "
                                          "('新顧客', NULL, NULL, NULL, NULL, NULL, 'しん', '様')")));
        linked.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("linked"));
    open();

    const struct {
        QString app, path, message;
    } preconditions[] = {
        {QString(), QString(), QStringLiteral("リンクアプリが指定されてません")},
        {QStringLiteral("Orb顧客管理"), QString(), QStringLiteral("リンクパスが指定されてません")},
        {QStringLiteral("Orb顧客管理"), file + QStringLiteral(".gone"), QStringLiteral("顧客リンク参照がありません。確認してください。")},
    };
    for (const auto &c : preconditions) {
        ModQLNV::顧客リンクアプリ = c.app;
        ModQLNV::顧客リンクパス = c.path;
        boxes.clear();
        click("cmd顧客参照");
        EXPECT_EQ(boxes.texts(), QStringList{c.message});
        EXPECT_EQ(copyNames().size(), 4) << "the list stays";
    }

    ModQLNV::顧客リンクパス = file;
    boxes.clear();
    click("cmd顧客参照");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'/').toStdString();
    EXPECT_EQ(copyNames(), (QStringList{QStringLiteral("新顧客"), QStringLiteral("新顧客"), QString()}));
    EXPECT_EQ(model()->value(0, Col顧客情報).toString(), QStringLiteral("〒100-0001\r\n東京都\r\nTEL 03"));
    EXPECT_EQ(customerNames().size(), 3) << "the master waits for 登録";

    // The name twice is for the user to mend before it can be registered.
    click("cmd登録");
    EXPECT_TRUE(boxes.texts().value(1).contains(QStringLiteral("新顧客")));
    EXPECT_EQ(customerNames().size(), 3);
    type(1, Col顧客名, QStringLiteral("新顧客 本店"));
    boxes.clear();
    click("cmd登録");
    EXPECT_EQ(customerNames(), (QStringList{QStringLiteral("新顧客"), QStringLiteral("新顧客 本店")}));
}

TEST_P(CustomerWindowTest, WhileALinkedFileIsReadTheRestOfTheProgramWaitsAndCancelEndsIt)
{
    // An Access file whose reader stays silent: the read lasts until it is cancelled.
    const QString file = dir().dataDir() + QStringLiteral("/orbdata.mdb");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLON_TEST_DATA "/testUnicodeCompV2003.mdb"), file));
    const QString reader = dir().programDir() + QStringLiteral("/silent-reader");
    {
        QFile script(reader);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec sleep 30\n");
    }
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    linkfile::setReaderProgram(reader);
    const auto defaultReader = qScopeGuard([] { linkfile::setReaderProgram({}); });

    // Beside it the product window, whose import would at once put another data file's product
    // into its copy.
    ProductWindow products;
    products.Form_Load();
    products.show();
    open();
    ModQLNV::顧客リンクアプリ = linkimport::Orb;
    ModQLNV::顧客リンクパス = file;
    ModQLNV::商品リンクアプリ = linkimport::Qlnv;
    ModQLNV::商品リンクパス = otherDataFile(dir().programDir() + QStringLiteral("/other"));
    const auto productCopy = [] { return scalar(db::work(), QStringLiteral("SELECT count(*) FROM w商品マスタ")).toInt(); };
    ASSERT_EQ(productCopy(), 0);

    QString modal;
    bool stillModal = false;
    int productCopyMeanwhile = -1;
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        meanwhile.stop();
        modal = dialog->objectName();
        // Clicked as a user's click arrives, through the window system.
        auto *other = products.findChild<QPushButton *>(QStringLiteral("cmd商品参照"));
        QTest::mouseClick(products.windowHandle(), Qt::LeftButton, {}, other->mapTo(&products, other->rect().center()));
        productCopyMeanwhile = productCopy();
        stillModal = QApplication::activeModalWidget() == dialog;
        QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
    });
    meanwhile.start(50);
    boxes.clear();
    click("cmd顧客参照");

    EXPECT_EQ(modal, QStringLiteral("dlgリンク読込"));
    EXPECT_EQ(productCopyMeanwhile, 0) << "the product import ran inside the customer import";
    EXPECT_TRUE(stillModal);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("読込を中止しました。一覧は変わっていません。")});
    EXPECT_EQ(copyNames().size(), 4);
    EXPECT_EQ(productCopy(), 0);
}

} // namespace
