// Saving, loading and deleting on the real invoice tab: the register and delete buttons, the
// invoice-number field, the boxes they show and what ends up in the data file. The history
// tab is wired to the invoice tab as the main window wires it.
#include "records/RecordsTestUtil.h"
#include "invoice/InvoiceTabFixture.h"

#include "app/Locations.h"
#include "app/ServerConnection.h"
#include "data/SchemaUpgrade.h"
#include "invoice/CellChecks.h"
#include "records/HistoryListModel.h"
#include "records/HistoryTab.h"
#include "records/InvoiceLoad.h"
#include "shell/InvoiceRecords.h"
#include "records/InvoiceSave.h"
#include "support/FaultMounts.h"

#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>

namespace {

using recordstest::count;
using recordstest::rows;
using recordstest::storedMax;

const QString CheckText = QStringLiteral("入力必須項目が空白です。");
const QString DigitsOnlyText = QStringLiteral("伝票番号には数字以外使用できません");

class InvoiceRecordsTest : public invoicetest::InvoiceTabTest
{
protected:
    std::unique_ptr<HistoryTab> history;
    InvoiceRecords *records = nullptr;

    void TearDown() override
    {
        history.reset();
        InvoiceTabTest::TearDown(); // the records go with the tab
    }

    void openWithRecords()
    {
        open();
        records = new InvoiceRecords(tab.get(), tab.get());
        history = std::make_unique<HistoryTab>();
        QObject::connect(tab.get(), &InvoiceTab::historyClearRequested, history.get(), &HistoryTab::Clear履歴);
    }

    QLineEdit *number() const { return child<QLineEdit>("txtNo"); }
    QComboBox *customer() const { return child<QComboBox>("cmb顧客名"); }
    DateBox *date() const { return child<DateBox>("dt日付"); }

    // A customer and two lines typed as a user types them: 2 × 150 and an amount of 200.
    void typeInvoice(const QString &name = QStringLiteral("山田商店"), const QString &secondLine = QStringLiteral("みかん"))
    {
        customer()->setEditText(name);
        child<QLineEdit>("txt件名")->setText(QStringLiteral("5月分"));
        date()->setDate(QDate(2026, 5, 20));
        type(0, 1, QStringLiteral("りんご"));
        type(0, 3, QStringLiteral("2"));
        type(0, 4, QStringLiteral("個"));
        type(0, 5, QStringLiteral("150"));
        type(1, 1, secondLine);
        type(1, 6, QStringLiteral("200"));
    }

    // Types a number into txtNo and leaves it with Enter, as the user does.
    void enterNumber(const QString &text)
    {
        reactivate();
        number()->setFocus();
        number()->selectAll();
        number()->insert(text); // an edit, as typing is; setText would be the program's own
        QTest::keyClick(number(), Qt::Key_Return);
        QApplication::processEvents();
    }

    // Everything the screen shows of the invoice, to compare before and after.
    struct Screen {
        QString number;
        QString customer;
        QString subject;
        QDate date;
        std::optional<qint64> total;
        std::optional<qint64> invoiced;
        std::optional<QList<DetailLine>> lines;
        bool operator==(const Screen &) const = default;
    };
    Screen screen() const
    {
        return {number()->text(), customer()->currentText(), child<QLineEdit>("txt件名")->text(), date()->date(),
                amount("num合計"), amount("num請求金額"), detail::readLines(db::work())};
    }

    // An invoice stored before the tab opens: two lines adding up to 500, invoiced at 480.
    static void storeInvoice(qint64 n, const QString &name = QStringLiteral("佐藤商事"))
    {
        InvoiceHeader h = recordstest::header(n, name);
        h.件名.clear(); // stored as Null
        h.メモ.clear();
        h.敬称 = QStringLiteral("御中");
        h.税抜計 = 500;
        h.消費税 = 25;
        h.合計 = 525;
        h.請求金額 = 480;
        DetailLine subtotal;
        subtotal.品名 = QStringLiteral(" 小 計");
        subtotal.金額 = 500;
        subtotal.小計 = true;
        const auto saved = records::saveInvoice(
            h, {recordstest::line(QStringLiteral("鉛筆"), 2, QStringLiteral("本"), 100),
                recordstest::line(QStringLiteral("消しゴム"), 3, QStringLiteral("個"), 100), subtotal});
        ASSERT_TRUE(saved) << saved.problem.toStdString();
    }
};

QUILLON_ON_BOTH_ENGINES(InvoiceRecordsTest);

TEST_P(InvoiceRecordsTest, TheButtonsAreEnabledAndThePanelWaitsHidden)
{
    openWithRecords();
    EXPECT_TRUE(child<QPushButton>("cmd登録")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("cmd削除")->isEnabled());
    auto *panel = child<QFrame>("CnEntryMsg");
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->findChild<QLabel *>(QStringLiteral("EntryMsg"))->text(), QStringLiteral("登録中です････"));
}

TEST_P(InvoiceRecordsTest, AMissingFieldIsNamedAndGetsTheFocus)
{
    const struct {
        const char *field;
        const char *number; // txtNo's text
        bool noDate;
        const char *customer;
    } cases[] = {
        {"txtNo", "", false, "山田商店"},
        {"txtNo", "2147483648", false, "山田商店"}, // past what the file can hold
        {"dt日付", "5", true, "山田商店"},
        {"cmb顧客名", "5", false, ""},
        {"txtNo", "", true, ""}, // the first empty field in the order of the check
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " / '" + c.number + "'");
        openWithRecords();
        type(0, 1, QStringLiteral("りんご"));
        number()->setText(QString::fromUtf8(c.number));
        if (c.noDate) {
            date()->setNullable(true);
            date()->clear();
        }
        customer()->setEditText(QString::fromUtf8(c.customer));
        boxes.clear();
        QSignalSpy saved(records, &InvoiceRecords::invoiceSaved);

        click("cmd登録");
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown.at(0).title, QStringLiteral("入力項目のチェック"));
        EXPECT_EQ(boxes.shown.at(0).text, CheckText);
        EXPECT_EQ(boxes.shown.at(0).icon, QMessageBox::Information);
        EXPECT_TRUE(child<QWidget>(c.field)->hasFocus());
        EXPECT_EQ(count("請求書ヘッダ"), 0);
        EXPECT_TRUE(saved.isEmpty());
        EXPECT_EQ(shown(0, 1), QStringLiteral("りんご")) << "the invoice stays on screen";
        tab.reset();
    }
}

TEST_P(InvoiceRecordsTest, SavingStoresTheInvoiceAndClearsForTheNextNumber)
{
    storeInvoice(5); // the counter stands at 5; the history lists it
    openWithRecords();
    history->Read請求履歴();
    ASSERT_EQ(history->listModel()->rowCount(), 1);
    ASSERT_EQ(number()->text(), QStringLiteral("6"));
    QSignalSpy saved(records, &InvoiceRecords::invoiceSaved);

    typeInvoice(QStringLiteral("O'Brien 商店"));
    ASSERT_EQ(amount("num合計"), 525);
    click("cmd登録");

    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    const msg::MessageBoxSpec ask = boxes.shown.at(0);
    EXPECT_EQ(ask.title, QStringLiteral("登録の確認"));
    EXPECT_EQ(ask.text, QStringLiteral("O'Brien 商店  を登録します。よろしいですか"));
    EXPECT_EQ(ask.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ask.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(ask.icon, QMessageBox::Question);
    EXPECT_EQ(boxes.shown.at(1).title, QStringLiteral("登録完了"));
    EXPECT_EQ(boxes.shown.at(1).text, QStringLiteral("O'Brien 商店  を登録しました。"));
    EXPECT_EQ(boxes.shown.at(1).icon, QMessageBox::Information);

    EXPECT_EQ(rows(db::data(), "SELECT 日付, 顧客名, 件名, 税抜計, 消費税, 合計, 請求金額 FROM 請求書ヘッダ WHERE 伝票番号 = 6"),
              (QList<QVariantList>{{QStringLiteral("2026-05-20"), QStringLiteral("O'Brien 商店"), QStringLiteral("5月分"),
                                    500, 25, 525, 525}}));
    EXPECT_EQ(rows(db::data(), "SELECT 行番号, 品名, 数量, 単位, 単価, 金額 FROM 請求書 WHERE 伝票番号 = 6 ORDER BY 行番号"),
              (QList<QVariantList>{{0, QStringLiteral("りんご"), 2.0, QStringLiteral("個"), 150.0, 300},
                                   {1, QStringLiteral("みかん"), QVariant(), QVariant(), QVariant(), 200}}));
    EXPECT_EQ(storedMax().toLongLong(), 6);
    EXPECT_EQ(saved.size(), 1);

    // Cleared for the next invoice, the history list emptied with it.
    EXPECT_EQ(number()->text(), QStringLiteral("7"));
    EXPECT_EQ(customer()->currentText(), QString());
    EXPECT_TRUE(customer()->hasFocus());
    EXPECT_EQ(amount("num合計"), std::nullopt);
    EXPECT_EQ(shown(0, 1), QString());
    EXPECT_EQ(history->listModel()->rowCount(), 0);
    EXPECT_NE(customer()->findText(QStringLiteral("O'Brien 商店")), -1) << "the new customer is offered";
    EXPECT_FALSE(child<QFrame>("CnEntryMsg")->isVisible());
}

// The due date the settings' rule gave, or the one typed, is stored with the invoice, listed in the
// history and comes back with it; an invoice without one stores Null.
TEST_P(InvoiceRecordsTest, TheDueDateIsStoredListedAndOpenedWithTheInvoice)
{
    ModQLNV::支払期限 = QStringLiteral("翌月末");
    openWithRecords();
    typeInvoice(); // dated 2026-05-20
    EXPECT_EQ(child<DateBox>("dt支払期限")->date(), QDate(2026, 6, 30));
    number()->setText(QStringLiteral("40"));
    click("cmd登録");
    typeInvoice(QStringLiteral("鈴木商店"));
    child<DateBox>("dt支払期限")->clear();
    number()->setText(QStringLiteral("41"));
    click("cmd登録");
    EXPECT_EQ(rows(db::data(), "SELECT 伝票番号, 支払期限 FROM 請求書ヘッダ ORDER BY 伝票番号"),
              (QList<QVariantList>{{40, QStringLiteral("2026-06-30")}, {41, QVariant()}}));

    history->Read請求履歴();
    ASSERT_EQ(history->listModel()->rowCount(), 2);
    QStringList listed;
    for (int row = 0; row < 2; ++row)
        listed << history->listModel()->index(row, HistoryListModel::DueColumn).data(Qt::EditRole).toString();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QString(), QStringLiteral("2026-06-30")}));

    enterNumber(QStringLiteral("40"));
    EXPECT_EQ(child<DateBox>("dt支払期限")->date(), QDate(2026, 6, 30));
    enterNumber(QStringLiteral("41"));
    EXPECT_FALSE(child<DateBox>("dt支払期限")->date().isValid()) << "none, whatever the rule says now";
}

// The last number the file can hold is taken: none is offered, the user is told, and a typed
// unused number still saves.
TEST_P(InvoiceRecordsTest, WhenTheNumbersAreUsedUpNothingIsSavedUnderOneThatDoesNotFit)
{
    storeInvoice(records::MaxInvoiceNumber);
    openWithRecords();
    EXPECT_EQ(number()->text(), QString());
    typeInvoice(QStringLiteral("山田商店"));
    click("cmd登録");
    EXPECT_EQ(boxes.texts(), QStringList{records::NumbersUsedUpNotice});
    EXPECT_TRUE(number()->hasFocus());
    EXPECT_EQ(rows(db::data(), "SELECT count(*) FROM 請求書ヘッダ"), (QList<QVariantList>{{1}}));

    boxes.clear();
    number()->setText(QStringLiteral("12"));
    click("cmd登録");
    EXPECT_EQ(rows(db::data(), "SELECT count(*) FROM 請求書ヘッダ WHERE 伝票番号 = 12"), (QList<QVariantList>{{1}}));
    EXPECT_EQ(storedMax().toLongLong(), records::MaxInvoiceNumber);
}

TEST_P(InvoiceRecordsTest, AnsweringNoSavesNothingAndKeepsTheScreen)
{
    openWithRecords();
    typeInvoice();
    const Screen before = screen();
    boxes.answers << QMessageBox::No;
    click("cmd登録");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("山田商店  を登録します。よろしいですか")});
    EXPECT_EQ(count("請求書ヘッダ"), 0);
    EXPECT_EQ(screen(), before);
}

TEST_P(InvoiceRecordsTest, ThePanelIsPaintedWhileSaving)
{
    // Records what the panel showed each time it was painted.
    struct PaintWatch : QObject {
        QStringList painted;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted << watched->findChild<QLabel *>(QStringLiteral("EntryMsg"))->text();
            return false;
        }
    } watch;
    openWithRecords();
    typeInvoice();
    auto *panel = child<QFrame>("CnEntryMsg");
    panel->installEventFilter(&watch);
    click("cmd登録");
    ASSERT_EQ(count("請求書ヘッダ"), 1);
    EXPECT_TRUE(watch.painted.contains(QStringLiteral("登録中です････"))) << watch.painted.join(u'|').toStdString();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_LE(std::abs(panel->geometry().center().x() - tab->rect().center().x()), 1) << "centred over the tab";
}

TEST_P(InvoiceRecordsTest, AFailedSaveSaysSoAndKeepsEverything)
{
    storeInvoice(5);
    recordstest::breakLinesNamedBoom();
    openWithRecords();
    history->Read請求履歴();
    QSignalSpy saved(records, &InvoiceRecords::invoiceSaved);
    typeInvoice(QStringLiteral("新しい顧客"), QStringLiteral("boom"));
    const Screen before = screen();
    ASSERT_TRUE(before.lines);

    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(boxes.shown.at(1).text, records::SaveFailedNotice);
    EXPECT_EQ(boxes.shown.at(1).icon, QMessageBox::Warning);
    EXPECT_EQ(screen(), before);
    EXPECT_EQ(storedMax().toLongLong(), 5);
    EXPECT_EQ(count("請求書ヘッダ"), 1);
    EXPECT_EQ(count("顧客マスタ", "顧客名 = ?", {QStringLiteral("新しい顧客")}), 0);
    EXPECT_EQ(history->listModel()->rowCount(), 1) << "nothing was cleared";
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_FALSE(child<QFrame>("CnEntryMsg")->isVisible());
}

TEST_P(InvoiceRecordsTest, LeavingTheNumberLoadsTheStoredInvoiceAndItsAmountInvoiced)
{
    storeInvoice(8);
    openWithRecords();
    typeInvoice(); // an invoice on screen with a subject and lines the stored one lacks
    child<QLineEdit>("txtメモ")->setText(QStringLiteral("古いメモ"));
    type(2, 1, QStringLiteral("もう一行"));
    type(3, 1, QStringLiteral("四行目"));
    ASSERT_TRUE(tab->lineAmountEdited()) << "a quantity was typed";

    boxes.answers << QMessageBox::Yes;
    enterNumber(QStringLiteral("８"));
    EXPECT_EQ(boxes.texts(), QStringList{records::openOverUnsavedText(8)}) << "what is typed is lost only when the user says so";
    EXPECT_EQ(number()->text(), QStringLiteral("8"));
    EXPECT_EQ(customer()->currentText(), QStringLiteral("佐藤商事"));
    EXPECT_EQ(child<QComboBox>("cmb敬称")->currentText(), QStringLiteral("御中"));
    EXPECT_EQ(child<QPlainTextEdit>("txt顧客情報")->toPlainText(), QStringLiteral("〒100-0001\n東京都千代田区1-1"));
    EXPECT_EQ(child<QLineEdit>("txt件名")->text(), QString()) << "a stored Null empties the field";
    EXPECT_EQ(child<QLineEdit>("txtメモ")->text(), QString());
    EXPECT_EQ(date()->date(), QDate(2026, 4, 1));
    EXPECT_EQ(shown(0, 1), QStringLiteral("鉛筆"));
    EXPECT_EQ(shown(1, 6), QStringLiteral("300"));
    EXPECT_EQ(shown(2, 1), QStringLiteral("小 計"));
    EXPECT_TRUE(invoicetest::line(3).小計);
    EXPECT_TRUE(invoicetest::line(4).isEmpty()) << "no line of the old screen stays";
    EXPECT_EQ(model()->rowCount(), 99);

    // Recomputed from the lines, except the amount invoiced, which is the stored one...
    EXPECT_EQ(amount("num税抜計"), 500);
    EXPECT_EQ(amount("num合計"), 525);
    EXPECT_EQ(amount("num請求金額"), 480);
    EXPECT_FALSE(tab->lineAmountEdited());
    // ...until a quantity is edited.
    type(0, 3, QStringLiteral("4"));
    EXPECT_EQ(amount("num合計"), 735);
    EXPECT_EQ(amount("num請求金額"), 735);
}

// Passing through the number field without changing it is no request to load: the lines
// being edited stay, instead of being replaced by the stored ones.
TEST_P(InvoiceRecordsTest, PassingThroughTheNumberKeepsTheLinesBeingEdited)
{
    storeInvoice(8);
    openWithRecords();
    enterNumber(QStringLiteral("8"));
    ASSERT_EQ(shown(0, 1), QStringLiteral("鉛筆"));
    type(0, 1, QStringLiteral("消しゴム"));

    reactivate();
    number()->setFocus();
    QTest::keyClick(number(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(shown(0, 1), QStringLiteral("消しゴム"));
    EXPECT_TRUE(boxes.shown.isEmpty());

    boxes.answers << QMessageBox::Yes;
    enterNumber(QStringLiteral("8")); // typed again: the user asks for the stored invoice
    EXPECT_EQ(shown(0, 1), QStringLiteral("鉛筆"));
}

// Typing that is not stored is lost only when the user says so; a screen as a clear or an
// opened invoice left it is replaced without a question.
TEST_P(InvoiceRecordsTest, OpeningAStoredInvoiceOverTypingNotStoredAsksFirst)
{
    storeInvoice(8);
    storeInvoice(9, QStringLiteral("鈴木商店"));
    openWithRecords();
    enterNumber(QStringLiteral("8"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << "an untouched screen is replaced without asking";
    enterNumber(QStringLiteral("9"));
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(customer()->currentText(), QStringLiteral("鈴木商店"));

    type(0, 1, QStringLiteral("消しゴム"));
    const Screen edited = screen();
    enterNumber(QStringLiteral("8")); // answered with the default, No
    EXPECT_EQ(boxes.texts(), QStringList{records::openOverUnsavedText(8)});
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(screen(), edited) << "No keeps the screen, its number included";

    boxes.clear();
    enterNumber(QStringLiteral("12")); // no invoice of that number: nothing is lost, nothing asked
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(number()->text(), QStringLiteral("12"));

    boxes.answers << QMessageBox::Yes;
    enterNumber(QStringLiteral("8"));
    EXPECT_EQ(customer()->currentText(), QStringLiteral("佐藤商事"));
    EXPECT_EQ(shown(0, 1), QStringLiteral("鉛筆"));
}

TEST_P(InvoiceRecordsTest, TheHistoryOpensAnInvoiceThroughTheSamePath)
{
    storeInvoice(8);
    openWithRecords();
    QObject::connect(history.get(), &HistoryTab::openInvoiceRequested, tab.get(), &InvoiceTab::enterInvoiceNumber);
    history->Read請求履歴();
    ASSERT_EQ(history->listModel()->rowCount(), 1);
    emit history->openInvoiceRequested(*history->listModel()->numberAt(0));
    EXPECT_EQ(number()->text(), QStringLiteral("8"));
    EXPECT_EQ(customer()->currentText(), QStringLiteral("佐藤商事"));
    EXPECT_EQ(amount("num請求金額"), 480);
}

TEST_P(InvoiceRecordsTest, ANumberWithoutAnInvoiceKeepsTheScreenUnderThatNumber)
{
    storeInvoice(8);
    openWithRecords();
    typeInvoice();
    Screen expected = screen();
    expected.number = QStringLiteral("77");

    enterNumber(QStringLiteral("７７"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(screen(), expected);

    // The unsaved invoice is then saved under that number.
    click("cmd登録");
    EXPECT_EQ(rows(db::data(), "SELECT 品名 FROM 請求書 WHERE 伝票番号 = 77 ORDER BY 行番号"),
              (QList<QVariantList>{{QStringLiteral("りんご")}, {QStringLiteral("みかん")}}));
}

TEST_P(InvoiceRecordsTest, AFailedLoadSaysSoAndKeepsTheScreen)
{
    storeInvoice(8);
    openWithRecords();
    typeInvoice();
    const Screen before = screen();
    recordstest::run(db::data(), "DROP TABLE 請求書");

    boxes.answers << QMessageBox::Yes; // what is typed may go
    enterNumber(QStringLiteral("8"));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown.at(1).text.startsWith(records::LoadFailedNotice));
    EXPECT_EQ(screen(), before) << "the number field shows again the number of what is on screen";
    EXPECT_FALSE(child<QFrame>("CnEntryMsg")->isVisible());
}

// A damaged page in the middle of the stored lines ends their read early: the first lines alone
// are not shown as the invoice, so that a save cannot store the shortened copy under its number.
TEST_P(InvoiceRecordsTest, AnInvoiceWhoseLinesCannotAllBeReadIsNotLoaded)
{
    if (onServer())
        GTEST_SKIP() << "a page of the local data file";
    QList<DetailLine> lines;
    for (int i = 1; i <= 99; ++i)
        lines << recordstest::line(QStringLiteral("行%1-").arg(i, 3, 10, QChar(u'0')) + QString(120, u'あ'));
    ASSERT_TRUE(records::saveInvoice(recordstest::header(8), lines));
    // A leaf page of the lines' table halfway along the tree gets a type no b-tree page has.
    const QList<QVariantList> leaves =
        rows(db::data(), "SELECT pageno FROM dbstat WHERE name = '請求書' AND pagetype = 'leaf' ORDER BY path");
    ASSERT_GE(leaves.size(), 3);
    db::closeAll();
    {
        QFile file(ModQLNV::DataMdbPath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek((leaves.at(leaves.size() / 2).first().toLongLong() - 1) * 4096));
        ASSERT_EQ(file.write("\x7f", 1), 1);
    }
    const records::LoadOutcome direct = records::loadInvoice(8);
    EXPECT_EQ(direct.status, records::LoadStatus::Failed);
    EXPECT_EQ(direct.failure, db::Failure::Damaged);

    openWithRecords();
    typeInvoice();
    const Screen before = screen();
    boxes.answers << QMessageBox::Yes;
    enterNumber(QStringLiteral("8"));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown.at(1).text.startsWith(records::LoadFailedNotice));
    EXPECT_TRUE(boxes.shown.at(1).text.contains(QStringLiteral("壊れている"))) << boxes.shown.at(1).text.toStdString();
    EXPECT_EQ(screen(), before) << "no line of invoice 8 and not its number";
}

TEST_P(InvoiceRecordsTest, TheNumberFieldTakesOnlyNumbersAnInvoiceCanHave)
{
    storeInvoice(12);
    openWithRecords();
    typeInvoice();
    const Screen before = screen();
    for (const char *typed : {"99999999999", "2147483648", "0", "-3", "12a", "1.5"}) {
        SCOPED_TRACE(typed);
        boxes.clear();
        enterNumber(QString::fromUtf8(typed));
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown.at(0).title, QStringLiteral("入力注意"));
        EXPECT_EQ(boxes.shown.at(0).text, DigitsOnlyText);
        EXPECT_EQ(number()->text(), QString());
        EXPECT_TRUE(number()->hasFocus());
        Screen expected = before;
        expected.number.clear();
        EXPECT_EQ(screen(), expected) << "the invoice on screen is untouched";
    }

    boxes.clear();
    boxes.answers << QMessageBox::Yes;
    enterNumber(QStringLiteral("１２"));
    EXPECT_EQ(boxes.texts(), QStringList{records::openOverUnsavedText(12)});
    EXPECT_EQ(number()->text(), QStringLiteral("12"));
    EXPECT_EQ(customer()->currentText(), QStringLiteral("佐藤商事"));
    EXPECT_EQ(tab->header().伝票番号, 12);
}

TEST_P(InvoiceRecordsTest, DeletingAsksWithNoAsTheDefaultAndThenRemovesTheInvoice)
{
    storeInvoice(8);
    storeInvoice(9, QStringLiteral("山田商店"));
    openWithRecords();
    enterNumber(QStringLiteral("8"));
    ASSERT_EQ(customer()->currentText(), QStringLiteral("佐藤商事"));
    const Screen loaded = screen();

    click("cmd削除"); // answered with the default button
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.at(0).title, QStringLiteral("削除の確認"));
    EXPECT_EQ(boxes.shown.at(0).text, QStringLiteral("伝票 8 を削除します。よろしいですか"));
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(boxes.given.at(0), QMessageBox::No);
    EXPECT_EQ(count("請求書ヘッダ", "伝票番号 = 8"), 1);
    EXPECT_EQ(count("請求書", "伝票番号 = 8"), 3);
    EXPECT_EQ(screen(), loaded);

    history->Read請求履歴();
    boxes.clear();
    boxes.answers << QMessageBox::Yes;
    click("cmd削除");
    EXPECT_EQ(boxes.shown.size(), 1) << "no completion message";
    EXPECT_EQ(count("請求書ヘッダ", "伝票番号 = 8"), 0);
    EXPECT_EQ(count("請求書", "伝票番号 = 8"), 0);
    EXPECT_EQ(count("請求書", "伝票番号 = 9"), 3) << "only that invoice";
    EXPECT_EQ(number()->text(), QStringLiteral("10")) << "the counter is not lowered";
    EXPECT_EQ(customer()->currentText(), QString());
    EXPECT_TRUE(customer()->hasFocus());
    EXPECT_EQ(shown(0, 1), QString());
    EXPECT_EQ(history->listModel()->rowCount(), 0);
}

TEST_P(InvoiceRecordsTest, DeletingWithoutANumberAsksNothingAndAFailureKeepsTheInvoice)
{
    storeInvoice(8);
    openWithRecords();
    number()->clear();
    click("cmd削除");
    EXPECT_TRUE(boxes.shown.isEmpty());

    enterNumber(QStringLiteral("8"));
    const Screen loaded = screen();
    recordstest::refuse(QStringLiteral("keep"), QStringLiteral("請求書ヘッダ"), QStringLiteral("DELETE"));
    boxes.answers << QMessageBox::Yes;
    click("cmd削除");
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown.at(1).text, records::DeleteFailedNotice);
    EXPECT_EQ(count("請求書ヘッダ", "伝票番号 = 8"), 1);
    EXPECT_EQ(count("請求書", "伝票番号 = 8"), 3) << "the lines go back with the header";
    EXPECT_EQ(screen(), loaded);
}

// Another program's connection to one of the files, for the length of a test.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &path)
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        other.setDatabaseName(path);
        EXPECT_TRUE(other.open());
    }
    explicit OtherProgram(const db::ServerAddress &server)
    {
        EXPECT_TRUE(db::addServerConnection(Name, server).open());
    }
    ~OtherProgram()
    {
        QSqlDatabase::database(Name).close();
        QSqlDatabase::removeDatabase(Name);
    }
    void run(const QString &sql) { EXPECT_TRUE(QSqlQuery(QSqlDatabase::database(Name)).exec(sql)) << sql.toStdString(); }

private:
    static inline const QString Name = QStringLiteral("another program");
};

TEST_P(InvoiceRecordsTest, TheDataHeldElsewhereLetsTheUserTypeAndTheSaveSaysItIsInUse)
{
    openWithRecords();
    // The data file's write lock, or on the server the lock of the table a save writes.
    std::unique_ptr<OtherProgram> other;
    if (onServer()) {
        other = std::make_unique<OtherProgram>(dir().server()->address());
        other->run(QStringLiteral("BEGIN"));
        other->run(QStringLiteral("LOCK TABLE 請求書ヘッダ IN EXCLUSIVE MODE"));
    } else {
        other = std::make_unique<OtherProgram>(dir().dataMdb());
        other->run(QStringLiteral("BEGIN IMMEDIATE"));
    }

    typeInvoice();
    type(2, 1, QStringLiteral("箱"));
    type(2, 4, QStringLiteral("新しい単位"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(shown(0, 6), QStringLiteral("300"));
    EXPECT_EQ(shown(2, 4), QStringLiteral("新しい単位"));
    const Screen typed = screen();

    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    // "… is in use by another program", or on the server by another PC.
    EXPECT_EQ(boxes.shown.at(1).text, records::SaveFailedNotice + u'\n' + db::failureText(db::Failure::InUse, db::dataPlace()));
    EXPECT_EQ(screen(), typed);

    other.reset();
    boxes.clear();
    click("cmd登録");
    EXPECT_EQ(count("請求書ヘッダ"), 1);
    EXPECT_EQ(count("コードマスタ", "sname = ?", {QStringLiteral("新しい単位")}), 1) << "the typed unit is registered with the save";
}

TEST_P(InvoiceRecordsTest, TheSaveStoresWhatTheGridShowsOrNothing)
{
    openWithRecords();
    typeInvoice();
    OtherProgram(dir().workMdb()).run(QStringLiteral("UPDATE w明細 SET 品名 = 'すり替え' WHERE 行番号 = 1"));
    ASSERT_EQ(shown(0, 1), QStringLiteral("りんご"));

    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(boxes.shown.at(1).text, records::LinesDifferNotice);
    EXPECT_EQ(count("請求書ヘッダ"), 0);
    EXPECT_EQ(shown(0, 1), QStringLiteral("すり替え")) << "the grid reads the lines again";

    boxes.clear();
    click("cmd登録");
    EXPECT_EQ(count("請求書", "品名 = ?", {QStringLiteral("すり替え")}), 1);
}

TEST_P(InvoiceRecordsTest, AFullDiskRefusesTheCellAndTheSaveAndSaysSo)
{
    if (onServer())
        GTEST_SKIP() << "the local data file on a full disk";
    SmallDisk disk(2048);
    if (!disk.isValid())
        GTEST_SKIP() << NoMountReason;
    TestDataDir onDisk(true, disk.path());
    openWithRecords();
    typeInvoice();
    ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
    ASSERT_TRUE(disk.fill());

    // Cells are taken while the work file has room left in its journal.
    int row = 2;
    for (; row < DetailLineCount && boxes.shown.isEmpty(); ++row)
        type(row, 1, QStringLiteral("行%1").arg(row));
    ASSERT_EQ(boxes.shown.size(), 1) << "the disk never ran full";
    const QString refused = boxes.shown.at(0).text;
    EXPECT_TRUE(refused.contains(QStringLiteral("明細行を書き込めませんでした"))) << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("ディスクに空きがない"))) << refused.toStdString();
    EXPECT_EQ(shown(row - 1, 1), QString()) << "the refused cell shows what is stored";
    EXPECT_EQ(detail::readLines(db::work()), tab->shownLines());

    boxes.clear();
    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(boxes.shown.at(1).text.startsWith(records::SaveFailedNotice));
    EXPECT_TRUE(boxes.shown.at(1).text.contains(QStringLiteral("ディスクに空きがない"))) << boxes.shown.at(1).text.toStdString();
    disk.release();
    EXPECT_EQ(count("請求書ヘッダ"), 0);
    EXPECT_EQ(shown(0, 1), QStringLiteral("りんご"));
    tab.reset(); // before the disk goes
}

} // namespace

namespace {

// The tax rate goes with the invoice: stored with its header and lines, and brought back with
// it whatever the settings say by then.
class TaxRateRecordsTest : public InvoiceRecordsTest
{
protected:
    void rate(const char *text)
    {
        ModQLNV::消費税率 = QString::fromUtf8(text);
        tab->settingsChanged();
    }
    QGroupBox *perRate() const { return child<QGroupBox>("grp税率別"); }
    bool markShown() const { return !grid()->isColumnHidden(cells::Col軽減税率); }
};

QUILLON_ON_BOTH_ENGINES(TaxRateRecordsTest);

TEST_P(TaxRateRecordsTest, AMixedRateInvoiceIsStoredAndOpensAtItsOwnRate)
{
    openWithRecords();
    rate("10%");
    typeInvoice(); // 2 × 150 and 200
    grid()->setFocus();
    grid()->setCurrentCell(0, cells::Col軽減税率);
    QTest::keyClick(grid(), Qt::Key_Space);
    ASSERT_EQ(amount("num消費税"), 20 + 24);
    number()->setText(QStringLiteral("21"));
    click("cmd登録");
    ASSERT_EQ(count("請求書ヘッダ"), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(rows(db::data(), "SELECT 消費税率, 税抜計, 消費税, 合計, 標準税率対象, 標準税率消費税, 軽減税率対象, 軽減税率消費税 "
                               "FROM 請求書ヘッダ WHERE 伝票番号 = 21"),
              (QList<QVariantList>{{0.1, 500, 44, 544, 200, 20, 300, 24}}));
    EXPECT_EQ(rows(db::data(), "SELECT 品名, 軽減税率 FROM 請求書 WHERE 伝票番号 = 21 ORDER BY 行番号"),
              (QList<QVariantList>{{QStringLiteral("りんご"), 1}, {QStringLiteral("みかん"), 0}}));
    EXPECT_EQ(recordstest::scalar(db::data(), QStringLiteral("SELECT 軽減税率 FROM 商品マスタ WHERE 品名 = 'りんご'")).toInt(), 1)
        << "the product keeps the mark it was sold with, as it keeps its price";

    // Back at 5 % in the settings, the stored invoice still opens at 10 %.
    rate("5%");
    EXPECT_FALSE(markShown());
    enterNumber(QStringLiteral("21"));
    EXPECT_TRUE(markShown());
    EXPECT_TRUE(perRate()->isVisible());
    EXPECT_EQ(amount("num消費税"), 44);
    EXPECT_EQ(amount("num軽減税率消費税"), 24);
    EXPECT_EQ(shown(0, cells::Col軽減税率), QStringLiteral("※"));
    EXPECT_EQ(tab->header().消費税率, 10);
    EXPECT_EQ(child<QLabel>("lbl消費税")->text(), QStringLiteral("消費税 10%")) << "the opened invoice's own rate";
    rate("5%"); // saving the settings again does not change an opened invoice's rate
    EXPECT_EQ(tab->header().消費税率, 10);
    click("cmdクリア");
    EXPECT_EQ(tab->header().消費税率, 5);
    EXPECT_EQ(child<QLabel>("lbl消費税")->text(), QStringLiteral("消費税 5%"));
    EXPECT_FALSE(markShown());
}

TEST_P(TaxRateRecordsTest, AnInvoiceStoredBeforeRatesWereKeptOpensExactlyAsBefore)
{
    if (onServer())
        GTEST_SKIP() << "a local data file of the first version";
    TestDataDir old(false);
    TestDataDir::putVersion1Files(old.dataDir());
    ASSERT_TRUE(schema::upgradeDataDir(old.dataDir()).ok());
    ModQLNV::Read自社情報();
    openWithRecords();
    rate("10%");
    enterNumber(QStringLiteral("1"));
    EXPECT_EQ(customer()->currentText(), QStringLiteral("株式会社みどり商店"));
    EXPECT_EQ(amount("num税抜計"), 6160);
    EXPECT_EQ(amount("num消費税"), 298);
    EXPECT_EQ(amount("num合計"), 6458);
    EXPECT_EQ(amount("num請求金額"), 6458);
    EXPECT_EQ(shown(1, 6), QStringLiteral("5,960")) << "its subtotal row";
    EXPECT_FALSE(perRate()->isVisible());
    EXPECT_FALSE(markShown());
    const InvoiceHeader h = tab->header();
    EXPECT_EQ(h.消費税率, 5);
    EXPECT_FALSE(h.標準税率対象);
    tab.reset(); // before its data directory goes
}

} // namespace

// An invoice opened here and changed or deleted on another PC before 登録: the question, No by
// default; No stores nothing and keeps the screen, Yes stores the screen's over it.
TEST_P(InvoiceRecordsTest, AnInvoiceChangedOrDeletedElsewhereIsStoredOverItOnlyWhenTheUserSaysSo)
{
    const struct {
        const char *name;
        const char *elsewhere;
        QString question;
        QMessageBox::StandardButton answer;
    } cases[] = {
        {"changed, No", "UPDATE 請求書ヘッダ SET 件名 = 'よそ', 更新番号 = 更新番号 + 1 WHERE 伝票番号 = 8",
         records::ChangedElsewhereQuestion, QMessageBox::No},
        {"changed, Yes", "UPDATE 請求書ヘッダ SET 件名 = 'よそ', 更新番号 = 更新番号 + 1 WHERE 伝票番号 = 8",
         records::ChangedElsewhereQuestion, QMessageBox::Yes},
        {"deleted, Yes", "DELETE FROM 請求書ヘッダ WHERE 伝票番号 = 8", records::DeletedElsewhereQuestion, QMessageBox::Yes},
    };
    openWithRecords();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(records::saveInvoice(recordstest::header(8), {recordstest::line(QStringLiteral("鉛筆"))},
                                         records::SaveMode::Overwrite));
        tab->Clear請求書(true);
        enterNumber(QStringLiteral("8"));
        ASSERT_EQ(customer()->currentText(), QStringLiteral("山田商店"));
        child<QLineEdit>("txt件名")->setText(QStringLiteral("こちら"));
        recordstest::run(db::data(), QString::fromUtf8(c.elsewhere));
        const auto elsewhere = rows(db::data(), "SELECT 件名, 更新番号 FROM 請求書ヘッダ WHERE 伝票番号 = 8");
        const Screen before = screen();

        boxes.shown.clear();
        boxes.answers << QMessageBox::Yes << c.answer;
        click("cmd登録");
        ASSERT_GE(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
        EXPECT_EQ(boxes.shown.at(1).text, c.question);
        EXPECT_EQ(boxes.shown.at(1).defaultButton, QMessageBox::No);
        if (c.answer == QMessageBox::No) {
            EXPECT_EQ(boxes.shown.size(), 2) << "nothing more is said";
            EXPECT_EQ(screen(), before);
            EXPECT_EQ(rows(db::data(), "SELECT 件名, 更新番号 FROM 請求書ヘッダ WHERE 伝票番号 = 8"), elsewhere);
            continue;
        }
        EXPECT_EQ(boxes.shown.last().title, QStringLiteral("登録完了"));
        EXPECT_EQ(rows(db::data(), "SELECT 件名 FROM 請求書ヘッダ WHERE 伝票番号 = 8"),
                  (QList<QVariantList>{{QStringLiteral("こちら")}}));
    }
}

// A new invoice whose proposed number another PC stored first goes under the next free one,
// and the completion message says which.
TEST_P(InvoiceRecordsTest, ANewInvoiceWhoseNumberWasTakenIsStoredUnderTheNextAndSaysSo)
{
    storeInvoice(5);
    openWithRecords();
    ASSERT_EQ(number()->text(), QStringLiteral("6"));
    typeInvoice();
    storeInvoice(6, QStringLiteral("よその店")); // another PC, meanwhile
    boxes.answers << QMessageBox::Yes;
    click("cmd登録");
    ASSERT_EQ(boxes.shown.size(), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(boxes.shown.at(1).title, QStringLiteral("登録完了"));
    EXPECT_EQ(boxes.shown.at(1).text, records::renumberedText(QStringLiteral("山田商店"), 6, 7));
    EXPECT_EQ(rows(db::data(), "SELECT 伝票番号, 顧客名 FROM 請求書ヘッダ ORDER BY 伝票番号"),
              (QList<QVariantList>{{5, QStringLiteral("佐藤商事")}, {6, QStringLiteral("よその店")}, {7, QStringLiteral("山田商店")}}));
    EXPECT_EQ(number()->text(), QStringLiteral("8"));
}
