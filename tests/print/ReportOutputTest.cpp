// The real preview and printer dialogs, offscreen: the preview paints every page through the
// report painter and opens inside the screen; a cancelled printer dialog prints nothing, an
// accepted one the pages chosen.
#include "PrintTestUtil.h"

#include "print/ReportOutput.h"
#include "support/ScreenRun.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

using namespace printtest;

namespace {

// Runs check on the modal dialog of type T once it is up, then closes it unless check did.
template<class T, class F>
void whenShown(F check)
{
    QTimer::singleShot(0, [check] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no dialog";
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        check(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

TEST(ReportDialogs, ThePreviewShowsEveryPageOnItsPaper)
{
    for (const print::Paper paper : {print::Paper::A4, print::Paper::B5}) {
        const Report report = build(paper, filledRows(16));
        int pages = -1;
        QPageSize::PageSizeId size = QPageSize::Custom;
        whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog &dialog) {
            QPrintPreviewWidget *widget = dialog.findChild<QPrintPreviewWidget *>();
            ASSERT_NE(widget, nullptr);
            pages = widget->pageCount();
            size = dialog.printer()->pageLayout().pageSize().id();
        });
        print::DialogReportOutput output;
        EXPECT_TRUE(output.preview(nullptr, report));
        EXPECT_EQ(pages, 2);
        EXPECT_EQ(size, paper == print::Paper::A4 ? QPageSize::A4 : QPageSize::JisB5);
    }
}


TEST(ReportDialogs, ThePreviewOpensInsideTheScreenWithItsWholeToolbar)
{
    for (const QSize screen : {QSize(1366, 768), QSize(800, 600)}) {
        if (!onScreen({screen}))
            continue;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget owner; // the main window
        owner.show();
        QRect frame;
        QStringList hidden;
        whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog &dialog) {
            frame = dialog.frameGeometry();
            const QToolBar *toolbar = dialog.findChild<QToolBar *>();
            ASSERT_NE(toolbar, nullptr);
            for (QAction *action : toolbar->actions()) {
                if (!action->isSeparator() && !toolbar->widgetForAction(action)->isVisible())
                    hidden << action->text();
            }
        });
        print::DialogReportOutput output;
        EXPECT_TRUE(output.preview(&owner, build(print::Paper::A4, filledRows(3))));
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        EXPECT_TRUE(hidden.isEmpty()) << hidden.join(u' ').toStdString();
    }
}

TEST(ReportDialogs, PrintingAsksForThePrinterFirst)
{
    bool asked = false;
    whenShown<QPrintDialog>([&](QPrintDialog &dialog) {
        asked = true;
        EXPECT_EQ(dialog.printer()->pageLayout().pageSize().id(), QPageSize::JisB5);
    });
    print::DialogReportOutput output;
    EXPECT_EQ(output.print(nullptr, build(print::Paper::B5, filledRows(3))), print::ReportOutput::PrintResult::Cancelled);
    EXPECT_TRUE(asked);
}

TEST(ReportDialogs, PrintsOnlyThePagesChosenInThePrinterDialog)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    int lastPage = 0;
    whenShown<QPrintDialog>([&](QPrintDialog &dialog) {
        lastPage = dialog.maxPage();
        // What the dialog leaves on the printer for "print to file, pages 2 to 2".
        QPrinter *printer = dialog.printer();
        printer->setOutputFileName(pdf);
        printer->setPrintRange(QPrinter::PageRange);
        printer->setFromTo(2, 2);
        dialog.done(QDialog::Accepted);
    });
    print::DialogReportOutput output;
    EXPECT_EQ(output.print(nullptr, build(print::Paper::A4, filledRows(31))), print::ReportOutput::PrintResult::Printed);
    EXPECT_EQ(lastPage, 3);
    const QString text = run("pdftotext", {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_EQ(text.count(u'\f'), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("商品16")) && text.contains(QStringLiteral("商品30")));
    EXPECT_FALSE(text.contains(QStringLiteral("商品15")) || text.contains(QStringLiteral("商品31")));
}

} // namespace
