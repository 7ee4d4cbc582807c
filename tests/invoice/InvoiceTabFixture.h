#pragma once
// The real invoice tab, offscreen, loaded the way the main window loads it, and driven through
// its named controls; message boxes go to the recording presenter.
#include "InvoiceTestUtil.h"

#include "app/AmountBox.h"
#include "app/DateBox.h"
#include "invoice/DetailGrid.h"
#include "invoice/DetailModel.h"
#include "invoice/InvoiceTab.h"
#include "support/RecordingPresenter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace invoicetest {

class InvoiceTabTest : public DataTest
{
protected:
    RecordingPresenter boxes;
    std::unique_ptr<InvoiceTab> tab;

    void TearDown() override
    {
        tab.reset();
        DataTest::TearDown();
    }

    // The load order of the main window: settings, FormInit, a full clear.
    void open()
    {
        ModQLNV::Read自社情報();
        tab = std::make_unique<InvoiceTab>();
        tab->FormInit();
        tab->Clear請求書(true);
        tab->resize(1020, 680);
        tab->show();
        tab->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    }

    template<class T>
    T *child(const char *name) const
    {
        T *widget = tab->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    DetailGrid *grid() const { return child<DetailGrid>("Grid明細"); }
    DetailModel *model() const { return grid()->detailModel(); }
    std::optional<qint64> amount(const char *name) const { return child<AmountBox>(name)->value(); }
    QString shown(int row, int column) const { return model()->index(row, column).data().toString(); }
    void click(const char *name) const { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }

    // The editor of a cell, opened as a double-click or a typed key would open it.
    QLineEdit *openEditor(int row, int column) const
    {
        reactivate();
        DetailGrid *g = grid();
        g->setFocus();
        g->setCurrentCell(row, column);
        g->edit(g->currentIndex());
        QWidget *focus = QApplication::focusWidget();
        if (auto *combo = qobject_cast<QComboBox *>(focus))
            return combo->lineEdit();
        return qobject_cast<QLineEdit *>(focus);
    }

    // Types text into a cell's editor (as a paste would put it) and ends with a key.
    void type(int row, int column, const QString &text, Qt::Key finish = Qt::Key_Return) const
    {
        QLineEdit *editor = openEditor(row, column);
        ASSERT_NE(editor, nullptr) << "no editor for " << row << "," << column;
        editor->selectAll();
        editor->insert(text);
        if (QCompleter *c = editor->completer(); c && c->popup()->isVisible())
            c->popup()->hide(); // Enter would pick the completion instead
        QTest::keyClick(editor, finish);
        QApplication::processEvents();
    }

    // The offscreen platform leaves a closed popup (a completion list, a drop-down) as the
    // active window; a real window system gives the activation back to the tab.
    void reactivate() const
    {
        if (QApplication::activeWindow() == tab.get())
            return;
        tab->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    }

    QModelIndex current() const { return grid()->currentIndex(); }
};

} // namespace invoicetest
