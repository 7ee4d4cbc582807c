// Enter pressed while a completion list is open takes the entry and goes on like Enter in
// the box: the user presses it once, not twice.
#include "InvoiceTabFixture.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace invoicetest {
namespace {

class CompletionEnterTest : public InvoiceTabTest {};
QUILLON_ON_BOTH_ENGINES(CompletionEnterTest);

// Typed as an input method commits text: one key event carrying the characters.
void typeText(QWidget *box, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QApplication::processEvents();
}

TEST_P(CompletionEnterTest, EnterInTheCustomerListTakesTheNameAndMovesToTheGrid)
{
    addCustomer(QStringLiteral("株式会社 青葉商事"), QStringLiteral("〒100-0005"), QStringLiteral("あおば"),
                QStringLiteral("御中"));
    open();
    auto *name = child<QComboBox>("cmb顧客名");
    name->setFocus();
    typeText(name->lineEdit(), QStringLiteral("青葉"));
    QAbstractItemView *list = name->completer()->popup();
    ASSERT_TRUE(list->isVisible());
    list->setCurrentIndex(name->completer()->completionModel()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(name->currentText(), QStringLiteral("株式会社 青葉商事"));
    reactivate();
    EXPECT_TRUE(grid()->hasFocus() || grid()->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(current().column(), 1);
    EXPECT_EQ(child<QPlainTextEdit>("txt顧客情報")->toPlainText(), QStringLiteral("〒100-0005"));
}

TEST_P(CompletionEnterTest, EnterInTheProductListAcceptsTheCellOnce)
{
    addProduct(QStringLiteral("ボールペン 黒"), QVariant(), QStringLiteral("箱"), 1200, false);
    open();
    QLineEdit *editor = openEditor(0, 1);
    ASSERT_NE(editor, nullptr);
    typeText(editor, QStringLiteral("ボール"));
    QAbstractItemView *list = editor->completer()->popup();
    ASSERT_TRUE(list->isVisible());
    // Nothing highlighted: the typed text stands and the cell is accepted all the same.
    QTest::keyClick(list, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(shown(0, 1), QStringLiteral("ボール"));
    EXPECT_EQ(grid()->indexWidget(grid()->model()->index(0, 1)), nullptr) << "the editor is still open";
    EXPECT_EQ(current().column(), 2) << "Enter goes on to the next cell";
}

} // namespace
} // namespace invoicetest
