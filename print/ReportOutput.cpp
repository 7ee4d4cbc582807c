#include "print/ReportOutput.h"

#include "app/ScreenFit.h"

#include "print/ReportPainter.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace print {

namespace {

DialogReportOutput &dialogOutput()
{
    static DialogReportOutput output;
    return output;
}

ReportOutput *g_output = nullptr;

} // namespace

bool DialogReportOutput::preview(QWidget *parent, const report::Report &report)
{
    QPrinter printer(QPrinter::HighResolution);
    report::preparePrinter(printer, report);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("印刷プレビュー"));
    bool painted = true;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        target->setFullPage(true);
        painted = report::printReport(*target, report) && painted;
    });
    // A page at a readable size, but inside the screen: on a smaller one the page is shown
    // smaller (the preview fits it) and the toolbar stays in view.
    dialog.resize(QSize(900, 1000).boundedTo(screenfit::roomFor(parent ? parent->window() : &dialog)));
    dialog.exec();
    return painted;
}

ReportOutput::PrintResult DialogReportOutput::print(QWidget *parent, const report::Report &report)
{
    QPrinter printer(QPrinter::HighResolution);
    report::preparePrinter(printer, report);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    dialog.setMinMax(1, int(report.pages.size()));
    if (dialog.exec() != QDialog::Accepted)
        return PrintResult::Cancelled;
    printer.setFullPage(true);
    return report::printReport(printer, report) ? PrintResult::Printed : PrintResult::Failed;
}

ReportOutput *setReportOutput(ReportOutput *output)
{
    ReportOutput *previous = &reportOutput();
    g_output = output;
    return previous;
}

ReportOutput &reportOutput()
{
    return g_output ? *g_output : dialogOutput();
}

} // namespace print
