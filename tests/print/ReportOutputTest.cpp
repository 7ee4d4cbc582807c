// The real preview and printer dialogs, offscreen: the preview paints every page through the
// report painter and opens inside the screen; a cancelled printer dialog prints nothing, an
// accepted one the pages chosen.
#include "PrintTestUtil.h"

#include "print/ReportOutput.h"

#include <QApplication>
#include <QFile>
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

// Runs the current test again in a copy of this program whose screen has that size, and
// passes when it passes there. In that copy itself: true, the checks are to run here.
bool onScreen(const QSize &size)
{
    const QByteArray wanted = QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
    const QByteArray running = qgetenv("QUILLON_TEST_SCREEN");
    if (!running.isEmpty()) {
        if (running != wanted)
            return false;
        EXPECT_EQ(QGuiApplication::primaryScreen()->size(), size);
        return true;
    }
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    EXPECT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(size.width())
                     .arg(size.height())
                     .toUtf8());
    config.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The copy runs one test: no report or share of tests of its own.
    for (const char *gtest : {"GTEST_OUTPUT", "GTEST_SHARD_INDEX", "GTEST_TOTAL_SHARDS"})
        env.remove(QString::fromLatin1(gtest));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config.fileName());
    env.insert(QStringLiteral("QUILLON_TEST_SCREEN"), QString::fromLatin1(wanted));
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    QProcess copy;
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    EXPECT_TRUE(copy.waitForFinished(120000));
    EXPECT_EQ(copy.exitCode(), 0) << wanted.constData() << ":\n" << copy.readAll().constData();
    return false;
}

TEST(ReportDialogs, ThePreviewOpensInsideTheScreenWithItsWholeToolbar)
{
    for (const QSize screen : {QSize(1366, 768), QSize(800, 600)}) {
        if (!onScreen(screen))
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
