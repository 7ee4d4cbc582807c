#pragma once
// rpt請求書B5: the invoice on JIS B5 plain paper (182 × 257 mm), twelve ruled detail rows a
// page. The pages fill with the rows of w明細 until they end; pages after the counted ones
// are dropped at the end.
#include "print/InvoiceLayout.h"

namespace print {

class rpt請求書B5 : public InvoiceLayout
{
public:
    static constexpr int LinesPerPage = 12;

    rpt請求書B5(const PrintHeader &header, const QList<DetailLine> &lines, const PrintSettings &settings);

protected:
    report::DetailAction detailFormat(int row) override;
    void reportEnd(QList<report::ReportPage> &pages) override;
};

} // namespace print
