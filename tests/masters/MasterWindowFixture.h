#pragma once
// A master window built offscreen the way the main window shows it, driven through its named
// controls; message boxes are answered by the recording presenter.
#include "MastersTestUtil.h"

#include "masters/MasterCopyModel.h"
#include "masters/MasterGrid.h"
#include "support/RecordingPresenter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace masterstest {

template<class Window>
class MasterWindowTest : public MastersTest
{
protected:
    RecordingPresenter boxes;
    std::unique_ptr<Window> window;

    void TearDown() override
    {
        window.reset();
        MastersTest::TearDown();
    }

    void open(const char *gridName)
    {
        ModQLNV::Read自社情報();
        if (!window)
            window = std::make_unique<Window>();
        window->Form_Load();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        m_grid = child<MasterGrid>(gridName);
    }

    template<class T>
    T *child(const char *name) const
    {
        T *widget = window->template findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    MasterGrid *grid() const { return m_grid; }
    MasterCopyModel *model() const { return m_grid->masterModel(); }

    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }

    // Types text into a cell as a user does: the cell's editor, then Enter (unless the typing
    // is not to end).
    void type(int row, int column, const QString &text, bool end = true)
    {
        const QModelIndex cell = model()->index(row, column);
        grid()->setFocus();
        grid()->setCurrentIndex(cell);
        grid()->edit(cell);
        QWidget *focus = QApplication::focusWidget();
        // Typed through the input method: Japanese text has no key codes.
        if (auto *block = qobject_cast<QPlainTextEdit *>(focus)) {
            block->selectAll();
            block->insertPlainText(text);
            if (end)
                QTest::keyClick(block, Qt::Key_Tab); // Enter starts a new line there
            return;
        }
        auto *editor = qobject_cast<QLineEdit *>(focus);
        ASSERT_NE(editor, nullptr) << "no editor on " << row << "," << column;
        editor->selectAll();
        editor->insert(text);
        if (end)
            QTest::keyClick(editor, Qt::Key_Return);
    }

    // Two clicks on a cell, through the window system as a mouse sends them.
    void doubleClick(int row, int column)
    {
        const QPoint cell = grid()->visualRect(model()->index(row, column)).center();
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, grid()->viewport()->mapTo(window.get(), cell));
    }

    // One way of closing over one change, and the answer to the question it asks.
    struct CloseCase {
        const char *what;
        std::function<void()> change;
        const char *button;                 // nullptr: the close box
        QMessageBox::StandardButton answer; // NoButton: nothing is asked
    };

    // Closes the window with a button, or without one through its close box. True when it closed.
    bool closeBy(const char *button)
    {
        if (button)
            click(button);
        else
            window->close();
        return !window->isVisible();
    }

    // Every cell of the grid, and whether one is being typed.
    QString gridState() const
    {
        QStringList cells;
        for (int row = 0; row < model()->rowCount(); ++row)
            for (int column = 0; column < model()->columnCount(); ++column)
                cells << model()->index(row, column).data(Qt::EditRole).toString();
        return cells.join(u'|') + (grid()->isEditing() ? QStringLiteral(" typing") : QString());
    }

    // Space on a check-box cell ticks it.
    void tick(int row, int column)
    {
        grid()->setFocus();
        grid()->setCurrentIndex(model()->index(row, column));
        QTest::keyClick(grid(), Qt::Key_Space);
    }

    QString shown(int row, int column) const { return model()->index(row, column).data().toString(); }

private:
    MasterGrid *m_grid = nullptr;
};

} // namespace masterstest
