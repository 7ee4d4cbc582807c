#include "print/PrintCommands.h"

#include "app/Database.h"
#include "app/Msg.h"
#include "print/BandedRenderer.h"
#include "print/InvoiceLayoutA4.h"
#include "print/InvoiceLayoutB5.h"
#include "print/ReportOutput.h"

namespace print {

namespace {

bool SetPrnData請求書(Paper paper, QWidget *parent, const InvoiceHeader &invoice, bool 日付印刷, bool preview)
{
    const std::optional<report::Report> report = prepare請求書(paper, invoice, 日付印刷, db::work());
    if (!report) {
        msg::showFailure(QStringLiteral("請求書の明細を読み込めないため、印刷できませんでした。"));
        return false;
    }
    if (preview) {
        if (reportOutput().preview(parent, *report))
            return true;
        msg::showFailure(QStringLiteral("請求書のプレビューを表示できませんでした。"));
        return false;
    }
    switch (reportOutput().print(parent, *report)) {
    case ReportOutput::PrintResult::Printed:
        return true;
    case ReportOutput::PrintResult::Cancelled:
        return false;
    case ReportOutput::PrintResult::Failed:
        break;
    }
    msg::showFailure(QStringLiteral("請求書を印刷できませんでした。プリンターまたは出力先を確認してください。"));
    return false;
}

} // namespace

std::optional<Paper> paperFromText(const QString &text)
{
    if (text == u"A4白紙")
        return Paper::A4;
    if (text == u"B5白紙")
        return Paper::B5;
    return std::nullopt;
}

report::Report build請求書(Paper paper, const PrintHeader &header, const QList<DetailLine> &lines,
                           const PrintSettings &settings)
{
    if (paper == Paper::B5) {
        rpt請求書B5 layout(header, lines, settings);
        return report::runLayout(layout);
    }
    rpt請求書 layout(header, lines, settings);
    return report::runLayout(layout);
}

std::optional<report::Report> prepare請求書(Paper paper, const InvoiceHeader &invoice, bool 日付印刷,
                                            const QSqlDatabase &work)
{
    const std::optional<int> count = GetLine請求書(work);
    if (!count)
        return std::nullopt;
    const std::optional<QList<DetailLine>> lines = detail::readLines(work);
    if (!lines)
        return std::nullopt;
    PrintHeader header = makePrintHeader(invoice, 日付印刷, *lines);
    header.行数 = qint16(qMin(*count, int(DetailLineCount)));
    return build請求書(paper, header, *lines, PrintSettings::fromGlobals());
}

report::Report reportFor(Paper paper, const InvoiceHeader &invoice, bool 日付印刷, const QList<DetailLine> &lines)
{
    PrintHeader header = makePrintHeader(invoice, 日付印刷, lines);
    header.行数 = qint16(qMin(namedLineCount(lines), int(DetailLineCount)));
    return build請求書(paper, header, lines, PrintSettings::fromGlobals());
}

bool SetPrnData請求書A4(QWidget *parent, const InvoiceHeader &invoice, bool 日付印刷, bool preview)
{
    return SetPrnData請求書(Paper::A4, parent, invoice, 日付印刷, preview);
}

bool SetPrnData請求書B5(QWidget *parent, const InvoiceHeader &invoice, bool 日付印刷, bool preview)
{
    return SetPrnData請求書(Paper::B5, parent, invoice, 日付印刷, preview);
}

} // namespace print
