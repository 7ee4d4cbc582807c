// Keys typed into the grid right after start, as a keyboard sends them: to the window, which
// hands them to whatever has the focus.
#include "app/Database.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "shell/QLNV.h"

#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Line 1's name is current at start, so the first click into it is a click on the current
// cell, whose editor opens only after the double-click time: what is typed before then goes
// into the cell all the same.
TEST(FirstKeys, TypedRightAfterClickingIntoTheGridAreKept)
{
    const struct {
        const char *why;
        int row;
        int waitMs;
    } cases[] = {
        {"line 1, typed at once", 0, 0},
        {"line 1, typed after the double-click time", 0, QApplication::doubleClickInterval() + 100},
        {"line 2, typed at once", 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDataDir dir;
        RecordingPresenter boxes;
        QLNV w;
        w.Form_Load(dir.programDir());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        DetailGrid *grid = w.invoiceTab()->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(c.row, 1)).center());
        QTest::qWait(c.waitMs);
        for (char key : {'p', 'e', 'n'})
            QTest::keyClick(w.windowHandle(), key);
        QTest::keyClick(w.windowHandle(), Qt::Key_Return);

        const auto line = detail::readLine(db::work(), c.row + 1);
        ASSERT_TRUE(line);
        EXPECT_EQ(line->品名, QStringLiteral("pen"));
        EXPECT_EQ(grid->currentIndex(), grid->model()->index(c.row, 2)) << "Enter moved on";
        EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
    }
}

} // namespace
