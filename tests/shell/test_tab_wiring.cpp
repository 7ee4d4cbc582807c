// The main window wires the tabs together: the load order, the tax rounding shown on the
// settings tab, the print panel, and keys that must not close the program.
#include "app/AmountBox.h"
#include "app/Database.h"
#include "archive/ArchiveWindow.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "shell/QLNV.h"

#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template<class T>
T *child(const QLNV &w, const char *name)
{
    T *widget = w.findChild<T *>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

TEST(TabWiring, LoadProposesTheNextNumberAndShowsNinetyNineEmptyLines)
{
    TestDataDir dir;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (最大請求書番号) VALUES (41)")));
    ASSERT_TRUE(db::exec(db::work(), QStringLiteral("UPDATE w明細 SET 品名 = 'left over' WHERE 行番号 = 3")));
    QLNV w;
    w.Form_Load(dir.programDir());
    EXPECT_EQ(child<QLineEdit>(w, "txtNo")->text(), QStringLiteral("42"));
    const auto lines = detail::readLines(db::work());
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 99);
    for (const DetailLine &line : *lines)
        EXPECT_TRUE(line.isEmpty()) << line.行番号;
    EXPECT_EQ(child<QComboBox>(w, "cmb敬称")->currentText(), QStringLiteral("様"));
}

// The tax is rounded the way the settings tab shows it, saved or not.
TEST(TabWiring, TaxRoundingFollowsTheSettingsTabAsShown)
{
    TestDataDir dir;
    QLNV w;
    w.Form_Load(dir.programDir());
    DetailLine line;
    line.行番号 = 1;
    line.品名 = QStringLiteral("品");
    line.金額 = 1234;
    ASSERT_TRUE(detail::writeLine(db::work(), line));

    struct Case {
        const char *method;
        qint64 tax;
    };
    for (const Case &c : {Case{"切り捨て", 61}, Case{"四捨五入", 62}, Case{"切り上げ", 62}}) {
        SCOPED_TRACE(c.method);
        auto *rounding = child<QComboBox>(w, "cmb税端数");
        rounding->setCurrentIndex(rounding->findText(QString::fromUtf8(c.method)));
        w.invoiceTab()->Calc明細();
        EXPECT_EQ(child<AmountBox>(w, "num消費税")->value(), std::optional<qint64>(c.tax));
    }
}

TEST(TabWiring, ThePrintButtonOpensThePrintPanelOnTheInvoiceTab)
{
    TestDataDir dir;
    QLNV w;
    w.Form_Load(dir.programDir());
    auto *panel = child<QWidget>(w, "Cn印刷選択");
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(w.invoiceTab()->isAncestorOf(panel));
    auto *print = child<QPushButton>(w, "cmd印刷");
    ASSERT_TRUE(print->isEnabled());
    print->click();
    EXPECT_TRUE(panel->isVisible());
    child<QPushButton>(w, "cmd印刷選択キャンセル")->click();
    EXPECT_FALSE(panel->isVisible());
}

TEST(TabWiring, AHistoryRowOpensItsInvoiceOnTheInvoiceTab)
{
    TestDataDir dir;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 合計, 請求金額) "
                                                    "VALUES (7, '2026-11-30', 'O''Brien', 1050, 1000)")));
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 金額) "
                                                    "VALUES (7, 'O''Brien', '2026-11-30', 1, 0, '鉛筆', 1000)")));
    QLNV w;
    w.Form_Load(dir.programDir());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto *tabs = child<QTabWidget>(w, "SSTab1");
    tabs->setCurrentIndex(1);
    child<QPushButton>(w, "cmd_ENT")->click();
    auto *list = child<QTableView>(w, "Grid履歴リスト");
    ASSERT_EQ(list->model()->rowCount(), 1);
    list->setCurrentIndex(list->model()->index(0, 1));
    child<QPushButton>(w, "cmd請求書")->click();

    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(child<QLineEdit>(w, "txtNo")->text(), QStringLiteral("7"));
    EXPECT_EQ(child<QComboBox>(w, "cmb顧客名")->currentText(), QStringLiteral("O'Brien"));
    EXPECT_EQ(child<AmountBox>(w, "num請求金額")->value(), std::optional<qint64>(1000));
    EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(w, "cmb顧客名"));
}

// The electronic invoice commands show only once the settings make invoices qualified; the
// history's writes the listed invoices into the chosen folder.
TEST(TabWiring, ElectronicInvoicesShowForQualifiedInvoicesAndWriteTheListedOnes)
{
    for (const bool qualified : {false, true}) {
        SCOPED_TRACE(qualified ? "qualified" : "the 5 % invoice");
        TestDataDir dir;
        if (qualified) {
            ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (自社名, 消費税率, 登録番号) "
                                                            "VALUES ('山田商事', 0.1, 'T1234567890123')")));
            ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 税抜計, 消費税, 合計, 請求金額, "
                                                            "消費税率, 標準税率対象, 標準税率消費税, 軽減税率対象, 軽減税率消費税, 更新番号) "
                                                            "VALUES (7, '2026-11-30', 'O''Brien', 1000, 100, 1100, 1100, 0.1, 1000, 100, 0, 0, 1)")));
            ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 金額) "
                                                            "VALUES (7, 'O''Brien', '2026-11-30', 1, 0, '鉛筆', 1000)")));
            ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 電子アドレス) VALUES ('O''Brien', '0188:3210987654321')")));
        }
        RecordingPresenter boxes;
        QLNV w;
        w.Form_Load(dir.programDir());
        child<QPushButton>(w, "cmd印刷")->click();
        EXPECT_EQ(child<QPushButton>(w, "cmd電子インボイス")->isVisible(), qualified);
        child<QPushButton>(w, "cmd印刷選択キャンセル")->click();
        auto *tabs = child<QTabWidget>(w, "SSTab1");
        tabs->setCurrentIndex(1);
        auto *batch = child<QPushButton>(w, "cmd電子インボイス一括");
        EXPECT_EQ(batch->isVisible(), qualified);
        if (!qualified)
            continue;
        child<QPushButton>(w, "cmd_ENT")->click();
        QTemporaryDir out;
        boxes.fileAnswers << out.path();
        batch->click();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("電子インボイスを 1 件保存しました。\n") + out.path()});
        EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("請求書_000007_2026-11-30_O'Brien.xml"))));
    }
}

// A PDF saved from the print panel goes into the archive of issued invoices, which the history
// tab's 保存書類 opens.
TEST(TabWiring, WhatThePrintPanelIssuesIsInTheArchiveTheHistoryTabOpens)
{
    TestDataDir dir;
    RecordingPresenter boxes;
    QLNV w;
    w.Form_Load(dir.programDir());
    child<QLineEdit>(w, "txt件名")->setText(QStringLiteral("12月分"));
    QTemporaryDir out;
    boxes.fileAnswers << out.filePath(QStringLiteral("請求書.pdf"));
    child<QPushButton>(w, "cmd印刷")->click();
    child<QPushButton>(w, "cmdPDF保存")->click();
    ASSERT_TRUE(QFile::exists(out.filePath(QStringLiteral("請求書.pdf")))) << boxes.texts().join(u'|').toStdString();

    child<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    qsizetype listed = -1;
    QTimer::singleShot(0, [&listed] {
        if (auto *window = qobject_cast<Frm保存書類 *>(QApplication::activeModalWidget())) {
            window->cmd保存検索_Click();
            listed = window->listed().size();
            if (listed == 1)
                EXPECT_EQ(window->listed().first().方法, QStringLiteral("PDF"));
            window->accept();
        }
    });
    child<QPushButton>(w, "cmd保存書類")->click();
    EXPECT_EQ(listed, 1);
}

// Esc closes the program, but not while a cell is being edited: there it only cancels the
// edit, so a user who changes their mind about a cell does not lose the whole invoice.
TEST(TabWiring, EscInACellEditorCancelsTheEditAndKeepsTheWindow)
{
    TestDataDir dir;
    RecordingPresenter boxes;
    QLNV w;
    w.Form_Load(dir.programDir());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    DetailGrid *grid = child<DetailGrid>(w, "Grid明細");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    grid->edit(grid->currentIndex());
    QWidget *editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor, grid);
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    const auto line = detail::readLine(db::work(), 1);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->品名.isEmpty());
}

} // namespace
