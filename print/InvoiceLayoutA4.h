#pragma once
// rpt請求書: the invoice on A4 plain paper, fifteen ruled detail rows a page. When the lines
// end before the last page is full, the rest of it is filled with empty ruled rows.
#include "print/InvoiceLayout.h"

namespace print {

class rpt請求書 : public InvoiceLayout
{
public:
    static constexpr int LinesPerPage = 15;

    rpt請求書(const PrintHeader &header, const QList<DetailLine> &lines, const PrintSettings &settings);

protected:
    report::DetailAction detailFormat(int row) override;
    void detailBeforePrint() override;

private:
    int m_rowsOnPage = 0;
};

} // namespace print
