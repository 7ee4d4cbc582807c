// The history tab, built offscreen and driven through its named controls; boxes answered by
// the recording presenter, results read back with SQL.
#include "RecordsTestUtil.h"

#include "app/DateBox.h"
#include "records/HistoryListModel.h"
#include "records/HistoryTab.h"
#include "records/InvoiceSave.h"
#include "settings/ModQLNVSettings.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace recordstest;

namespace {

class HistoryTabTest : public EngineTest
{
protected:
    void SetUp() override
    {
        ModQLNV::resetSettingsGlobals();
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        putWorkLines({line("A"), line("B")});
        const struct {
            qint64 number;
            const char *customer;
            QDate date;
        } stored[] = {
            {1, "山田商店", QDate(2026, 3, 31)}, {2, "O'Brien", QDate(2026, 4, 1)}, {3, "山田商店", QDate(2026, 4, 30)},
            {4, "佐藤商事", QDate(2026, 4, 15)}, {5, "山田商店", QDate(2026, 5, 1)},
        };
        for (const auto &s : stored)
            ASSERT_TRUE(records::saveInvoice(header(s.number, QString::fromUtf8(s.customer), s.date)));
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        ModQLNV::resetSettingsGlobals();
    }

    std::unique_ptr<HistoryTab> openTab()
    {
        auto tab = std::make_unique<HistoryTab>();
        tab->applyDateStyle();
        tab->setCustomerNames({QStringLiteral("O'Brien"), QStringLiteral("佐藤商事"), QStringLiteral("山田商店")});
        tab->Clear履歴();
        tab->resize(900, 500);
        tab->show();
        tab->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(tab.get()));
        return tab;
    }

    template<class T>
    static T *child(const HistoryTab &tab, const char *name)
    {
        T *widget = tab.findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static void click(const HistoryTab &tab, const char *name)
    {
        QTest::mouseClick(child<QPushButton>(tab, name), Qt::LeftButton);
    }
    static QTableView *grid(const HistoryTab &tab) { return child<QTableView>(tab, "Grid履歴リスト"); }
    static QString shownCount(const HistoryTab &tab) { return child<QLineEdit>(tab, "num登録件数")->text(); }

    // The grid's rows as the user reads them: number, date, customer, tick.
    static QStringList shown(const HistoryTab &tab)
    {
        const HistoryListModel *m = tab.listModel();
        QStringList out;
        for (int row = 0; row < m->rowCount(); ++row) {
            out << QStringLiteral("%1 %2 %3%4")
                       .arg(m->index(row, HistoryListModel::NumberColumn).data().toString(),
                            m->index(row, HistoryListModel::DateColumn).data().toString(),
                            m->index(row, HistoryListModel::CustomerColumn).data().toString(),
                            m->isTicked(row) ? QStringLiteral(" ✓") : QString());
        }
        return out;
    }

    static void doubleClick(const HistoryTab &tab, int row, int column)
    {
        QTableView *view = grid(tab);
        const QModelIndex index = view->model()->index(row, column);
        const QPoint at = view->visualRect(index).center();
        // What the system sends: a click, then the second press as a double-click, then its release.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    static void typeDate(const HistoryTab &tab, const char *name, const QString &text)
    {
        QLineEdit *edit = child<DateBox>(tab, name)->lineEdit();
        edit->setFocus();
        edit->selectAll();
        // As the input method delivers them: QTest::keyClicks knows ASCII only.
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    RecordingPresenter boxes;
};
QUILLON_ON_BOTH_ENGINES(HistoryTabTest);

} // namespace

TEST_P(HistoryTabTest, EveryControlCarriesItsName)
{
    auto tab = openTab();
    for (const char *name : {"cmb履歴顧客名", "txt開始", "txt終了", "Label28", "cmd_ENT", "cmd履歴クリア", "cmd履歴削除",
                             "cmd請求書", "num登録件数", "CnRirekiMsg", "lblRirekiMsg", "Grid履歴リスト", "Command11"})
        EXPECT_NE(tab->findChild<QWidget *>(QString::fromUtf8(name)), nullptr) << name;
    EXPECT_FALSE(child<QWidget>(*tab, "CnRirekiMsg")->isVisible());
    // The tick is the first column, then number, date, customer, amount invoiced and subject.
    QStringList headers;
    for (int c = 0; c < tab->listModel()->columnCount(); ++c)
        headers << tab->listModel()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"選択", "伝票番号", "日付", "顧客名", "請求金額", "支払期限", "件名"}));
}

TEST_P(HistoryTabTest, SearchListsNewestFirstWithTheCountAndDatesInTheSettingsForm)
{
    const struct {
        const char *年号;
        const char *typedStart;
        const char *shownStart;
        QStringList rows;
    } cases[] = {
        {"和暦", "R8.4.1", "令和 08年04月01日", {"5 R08/05/01 山田商店", "3 R08/04/30 山田商店"}},
        {"西暦", "2026年4月1日", "2026/04/01", {"5 2026/05/01 山田商店", "3 2026/04/30 山田商店"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.年号);
        ModQLNV::年号 = QString::fromUtf8(c.年号);
        auto tab = openTab();
        child<QComboBox>(*tab, "cmb履歴顧客名")->setEditText(QStringLiteral("山田商店"));
        typeDate(*tab, "txt開始", QString::fromUtf8(c.typedStart));
        EXPECT_EQ(child<DateBox>(*tab, "txt開始")->text(), QString::fromUtf8(c.shownStart));
        click(*tab, "cmd_ENT");
        EXPECT_EQ(shown(*tab), c.rows);
        EXPECT_EQ(shownCount(*tab), QStringLiteral("2"));
    }
}

TEST_P(HistoryTabTest, EmptyFiltersListEverythingAndTheEndBoundIsInclusive)
{
    auto tab = openTab();
    click(*tab, "cmd_ENT");
    EXPECT_EQ(shownCount(*tab), QStringLiteral("5"));
    EXPECT_EQ(tab->listModel()->rowCount(), 5);

    typeDate(*tab, "txt終了", QStringLiteral("2026/04/15"));
    click(*tab, "cmd_ENT");
    EXPECT_EQ(shown(*tab), (QStringList{"4 R08/04/15 佐藤商事", "2 R08/04/01 O'Brien", "1 R08/03/31 山田商店"}));
    EXPECT_EQ(shownCount(*tab), QStringLiteral("3"));
}

TEST_P(HistoryTabTest, DoubleClickTicksInTheFirstColumnAndOpensElsewhere)
{
    auto tab = openTab();
    QSignalSpy opened(tab.get(), &HistoryTab::openInvoiceRequested);
    click(*tab, "cmd_ENT");
    const int tick = HistoryListModel::TickColumn;

    doubleClick(*tab, 1, tick);
    EXPECT_EQ(count("w履歴リスト", "チェック = 1 AND 伝票番号 = 3"), 1);
    doubleClick(*tab, 1, tick);
    EXPECT_EQ(count("w履歴リスト", "チェック = 1"), 0);
    QTest::keyClick(grid(*tab), Qt::Key_Space); // the current row, from the keyboard
    EXPECT_EQ(count("w履歴リスト", "チェック = 1 AND 伝票番号 = 3"), 1);
    EXPECT_TRUE(opened.isEmpty());

    doubleClick(*tab, 2, HistoryListModel::CustomerColumn);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.at(0).at(0).toLongLong(), 4);

    grid(*tab)->setCurrentIndex(tab->listModel()->index(0, HistoryListModel::NumberColumn));
    click(*tab, "cmd請求書");
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.at(1).at(0).toLongLong(), 5);
}

TEST_P(HistoryTabTest, TheInvoiceButtonWithoutARowDoesNothing)
{
    auto tab = openTab();
    QSignalSpy opened(tab.get(), &HistoryTab::openInvoiceRequested);
    click(*tab, "cmd請求書");
    EXPECT_TRUE(opened.isEmpty());
}

TEST_P(HistoryTabTest, DeletingTheTickedInvoicesAsksWithNoAsDefaultAndShowsTheRowsLeft)
{
    auto tab = openTab();
    click(*tab, "cmd_ENT");
    const int tick = HistoryListModel::TickColumn;
    doubleClick(*tab, 0, tick); // 5
    doubleClick(*tab, 3, tick); // 2

    boxes.answers << QMessageBox::No;
    click(*tab, "cmd履歴削除");
    ASSERT_EQ(boxes.shown.size(), 1);
    const msg::MessageBoxSpec &box = boxes.shown.first();
    EXPECT_EQ(box.title, QStringLiteral("削除の確認"));
    EXPECT_EQ(box.text, QStringLiteral("指定された 請求書 を削除します。よろしいですか"));
    EXPECT_EQ(box.defaultButton, QMessageBox::No);
    EXPECT_EQ(count("請求書ヘッダ"), 5);
    EXPECT_EQ(shownCount(*tab), QStringLiteral("5"));

    boxes.answers << QMessageBox::Yes;
    click(*tab, "cmd履歴削除");
    EXPECT_EQ(rows(db::data(), "SELECT 伝票番号 FROM 請求書ヘッダ ORDER BY 伝票番号"), (QList<QVariantList>{{1}, {3}, {4}}));
    EXPECT_EQ(count("請求書", "伝票番号 IN (2, 5)"), 0);
    EXPECT_EQ(shown(*tab), (QStringList{"3 R08/04/30 山田商店", "4 R08/04/15 佐藤商事", "1 R08/03/31 山田商店"}));
    EXPECT_EQ(shownCount(*tab), QStringLiteral("3"));
    EXPECT_EQ(boxes.shown.size(), 2); // no completion notice
}

TEST_P(HistoryTabTest, ClearEmptiesFiltersAndListAndLeavesTheCount)
{
    auto tab = openTab();
    child<QComboBox>(*tab, "cmb履歴顧客名")->setEditText(QStringLiteral("山田商店"));
    child<DateBox>(*tab, "txt開始")->setDate(QDate(2026, 1, 1));
    child<DateBox>(*tab, "txt終了")->setDate(QDate(2026, 12, 31));
    click(*tab, "cmd_ENT");
    ASSERT_EQ(shownCount(*tab), QStringLiteral("3"));

    click(*tab, "cmd履歴クリア");
    EXPECT_EQ(child<QComboBox>(*tab, "cmb履歴顧客名")->currentText(), QString());
    EXPECT_FALSE(child<DateBox>(*tab, "txt開始")->date().isValid());
    EXPECT_EQ(child<DateBox>(*tab, "txt終了")->text(), QString());
    EXPECT_EQ(tab->listModel()->rowCount(), 0);
    EXPECT_EQ(count("w履歴リスト"), 0);
    EXPECT_EQ(shownCount(*tab), QStringLiteral("3"));

    // The invoice tab's full clear empties the list the same way.
    click(*tab, "cmd_ENT");
    tab->Clear履歴();
    EXPECT_EQ(tab->listModel()->rowCount(), 0);
}

TEST_P(HistoryTabTest, NewCustomerNamesKeepTheTypedFilter)
{
    auto tab = openTab();
    QComboBox *combo = child<QComboBox>(*tab, "cmb履歴顧客名");
    combo->setEditText(QStringLiteral("佐藤"));
    tab->setCustomerNames({QStringLiteral("佐藤商事"), QStringLiteral("新規")});
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("新規"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("佐藤"));
}

TEST_P(HistoryTabTest, AFailedSearchSaysSoAndKeepsTheList)
{
    auto tab = openTab();
    child<QComboBox>(*tab, "cmb履歴顧客名")->setEditText(QStringLiteral("O'Brien"));
    click(*tab, "cmd_ENT");
    ASSERT_EQ(shown(*tab), QStringList{"2 R08/04/01 O'Brien"});
    loseStoredInvoices();
    click(*tab, "cmd_ENT");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("請求履歴を読み込めませんでした。")});
    EXPECT_EQ(shown(*tab), QStringList{"2 R08/04/01 O'Brien"});
    EXPECT_EQ(shownCount(*tab), QStringLiteral("1"));
}

// A long list is read a page at a time as the grid scrolls; no read stays open between pages,
// so the work connection can still write after the data connection saved an invoice.
TEST_P(HistoryTabTest, ALongListIsReadPageByPageAndKeepsNoReadOpen)
{
    run(db::data(), "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 699) "
                    "INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名) SELECT i, '2025-01-01', '大量' FROM n");
    auto tab = openTab();
    click(*tab, "cmd_ENT");
    EXPECT_EQ(shownCount(*tab), QStringLiteral("605"));
    EXPECT_LT(tab->listModel()->rowCount(), 605);

    // A second search commits while the first one's rows are shown, then an invoice is saved.
    click(*tab, "cmd_ENT");
    doubleClick(*tab, 0, HistoryListModel::TickColumn);
    ASSERT_TRUE(records::saveInvoice(header(900, QStringLiteral("山田商店"), QDate(2026, 6, 1))));
    click(*tab, "cmd_ENT");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'/').toStdString();
    EXPECT_EQ(shownCount(*tab), QStringLiteral("606"));

    for (int guard = 0; guard < 10 && tab->listModel()->canFetchMore({}); ++guard) {
        grid(*tab)->scrollToBottom();
        QApplication::processEvents();
    }
    ASSERT_EQ(tab->listModel()->rowCount(), 606);
    EXPECT_EQ(tab->listModel()->numberAt(0), 900);
    EXPECT_EQ(tab->listModel()->numberAt(605), 100);
}
