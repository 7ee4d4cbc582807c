#pragma once
// Where a finished report goes: the preview window or the printer (after the printer
// dialog, whose print-to-file choice writes a PDF). Behind an interface so that tests can
// record what would have been shown instead of opening modal dialogs.
#include "print/DrawOps.h"

class QWidget;

namespace print {

class ReportOutput
{
public:
    enum class PrintResult { Printed, Cancelled, Failed };

    virtual ~ReportOutput() = default;
    // Shows the pages in a modal preview window. False when they could not be shown.
    virtual bool preview(QWidget *parent, const report::Report &report) = 0;
    // Asks for the printer first, then prints.
    virtual PrintResult print(QWidget *parent, const report::Report &report) = 0;
};

// QPrintPreviewDialog and QPrintDialog.
class DialogReportOutput : public ReportOutput
{
public:
    bool preview(QWidget *parent, const report::Report &report) override;
    PrintResult print(QWidget *parent, const report::Report &report) override;
};

// Installs an output for every later report; nullptr restores the dialogs. Returns the one
// installed before (never nullptr).
ReportOutput *setReportOutput(ReportOutput *output);
ReportOutput &reportOutput();

} // namespace print
