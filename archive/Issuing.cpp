#include "archive/Issuing.h"

#include "app/Database.h"
#include "app/Msg.h"
#include "invoice/InvoiceFingerprint.h"
#include "print/PrintCommands.h"
#include "print/ReportPainter.h"
#include "settings/ModQLNVSettings.h"

namespace archive {

Issue issueOf(const InvoiceHeader &invoice, const QList<DetailLine> &lines, const QByteArray &pdf, const QByteArray &xml,
              Method how)
{
    Issue issue;
    issue.伝票番号 = invoice.伝票番号;
    issue.日付 = invoice.日付;
    issue.顧客名 = invoice.顧客名;
    issue.請求金額 = invoice.請求金額.value_or(invoice.合計.value_or(0));
    issue.内容指紋 = contentFingerprint(invoice, lines);
    issue.pdf = pdf;
    issue.xml = xml;
    issue.how = how;
    return issue;
}

bool archiveIssued(const Issue &issue)
{
    if (recordIssue(db::data(), issue))
        return true;
    msg::showFailure(QStringLiteral("請求書（伝票番号 %1）は%2しましたが、保存書類に記録できませんでした。"
                                    "データの保存先を確かめて、もう一度%2してください。")
                         .arg(issue.伝票番号)
                         .arg(issue.how == Method::Print ? QStringLiteral("印刷") : QStringLiteral("保存")));
    return false;
}

QByteArray pdfOf(const InvoiceHeader &invoice, const QList<DetailLine> &lines)
{
    const print::Paper paper = print::paperFromText(ModQLNV::印刷用紙).value_or(print::Paper::A4);
    return report::pdfBytes(print::reportFor(paper, invoice, true, lines));
}

} // namespace archive
