// Closing the program with an invoice typed and not stored asks first.
#include "app/Database.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "settings/ModQLNVSettings.h"
#include "shell/QLNV.h"

#include "support/QStringPrinter.h"
#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Question = QStringLiteral("入力中の請求書は保存されていません。終了しますか？");

// Keys as a keyboard sends them, to whatever has the focus.
void keys(QLNV &w, const char *text)
{
    for (const char *c = text; *c; ++c)
        QTest::keyClick(w.windowHandle(), *c);
}

void typeName(QLNV &w, int row, const char *name)
{
    DetailGrid *grid = w.invoiceTab()->grid();
    grid->setFocus();
    grid->setCurrentCell(row, 1);
    keys(w, name);
    QTest::keyClick(w.windowHandle(), Qt::Key_Return);
}

void click(QLNV &w, const char *button)
{
    QTest::mouseClick(w.findChild<QPushButton *>(QString::fromUtf8(button)), Qt::LeftButton);
}

// Invoice 7 as stored: a line of 1000 and a subtotal row stored short of it, which opening
// the invoice works out again.
void storeInvoice()
{
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 合計, 請求金額) "
                                                    "VALUES (7, '2026-11-30', 'O''Brien', 1000, 1000)")));
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 金額, 小計) "
                                                    "VALUES (7, 'O''Brien', '2026-11-30', 1, 0, '鉛筆', 1000, 0), "
                                                    "(7, 'O''Brien', '2026-11-30', 1, 1, ' 小 計', 999, 1)")));
}

enum class Route { Esc, Button, CloseBox };

TEST(Closing, AsksOnlyWhenTypedInputWouldBeLost)
{
    const struct {
        const char *why;
        std::function<void(QLNV &)> before;
        Route route;
        QMessageBox::StandardButton answer; // NoButton: no question is asked
        bool closes;
    } cases[] = {
        {"nothing typed", [](QLNV &) {}, Route::Esc, QMessageBox::NoButton, true},
        {"a line typed, answered No", [](QLNV &w) { typeName(w, 0, "pen"); }, Route::Esc, QMessageBox::No, false},
        {"a line typed, answered Yes", [](QLNV &w) { typeName(w, 0, "pen"); }, Route::Esc, QMessageBox::Yes, true},
        {"a line typed, the close button", [](QLNV &w) { typeName(w, 0, "pen"); }, Route::Button, QMessageBox::No, false},
        {"only the subject typed",
         [](QLNV &w) {
             w.findChild<QLineEdit *>(QStringLiteral("txt件名"))->setFocus();
             keys(w, "May");
         },
         Route::Esc, QMessageBox::No, false},
        {"a cell still being typed, the close box",
         [](QLNV &w) {
             DetailGrid *grid = w.invoiceTab()->grid();
             grid->setFocus();
             keys(w, "pen");
         },
         Route::CloseBox, QMessageBox::No, false},
        {"saved",
         [](QLNV &w) {
             typeName(w, 0, "pen");
             w.invoiceTab()->customerBox()->setEditText(QStringLiteral("O'Brien"));
             click(w, "cmd登録"); // both boxes answered by their default: Yes, OK
         },
         Route::Esc, QMessageBox::NoButton, true},
        {"cleared",
         [](QLNV &w) {
             typeName(w, 0, "pen");
             click(w, "cmdクリア");
         },
         Route::Esc, QMessageBox::NoButton, true},
        {"a stored invoice opened", [](QLNV &w) { w.invoiceTab()->enterInvoiceNumber(7); }, Route::Esc,
         QMessageBox::NoButton, true},
        {"a new rate saved in the settings, nothing typed",
         [](QLNV &w) {
             ModQLNV::消費税率 = QStringLiteral("10%");
             w.invoiceTab()->settingsChanged();
         },
         Route::Esc, QMessageBox::NoButton, true},
        {"a stored invoice opened and changed",
         [](QLNV &w) {
             w.invoiceTab()->enterInvoiceNumber(7);
             typeName(w, 2, "pen");
         },
         Route::Esc, QMessageBox::No, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDataDir dir;
        storeInvoice();
        RecordingPresenter boxes;
        QLNV w;
        w.Form_Load(dir.programDir());
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        c.before(w);
        QApplication::processEvents();
        boxes.clear();
        if (c.answer != QMessageBox::NoButton)
            boxes.answers << c.answer;

        switch (c.route) {
        case Route::Esc:
            QTest::keyClick(&w, Qt::Key_Escape);
            break;
        case Route::Button:
            click(w, "cmd閉じる");
            break;
        case Route::CloseBox:
            w.close();
            break;
        }

        EXPECT_EQ(boxes.texts(), c.answer == QMessageBox::NoButton ? QStringList() : QStringList{Question});
        for (const auto &box : boxes.shown)
            EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(w.isVisible(), !c.closes);
    }
    ModQLNV::resetSettingsGlobals();
}

} // namespace
